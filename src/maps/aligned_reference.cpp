// The warped VRT is made by GDAL's own gdalwarp, as a library call: the same
// resampling a user gets from `gdalwarp -r near|mode` onto the map's grid.
#include "maps/aligned_reference.h"

#include <array>
#include <cstdio>
#include <utility>
#include <vector>

#include <cpl_string.h>
#include <gdal_utils.h>

#include "maps/gdal_support.h"
#include "maps/grid.h"
#include "maps/raster_count.h"

namespace brennic::maps {
namespace {

std::string exact(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

} // namespace

std::variant<GDALDatasetUniquePtr, InputError> alignedReference(GDALDataset& map,
                                                                GDALDataset& reference,
                                                                const std::string& path,
                                                                const std::string& resampling) {
    const MapFacts m = factsOf(map), r = factsOf(reference);
    if (m.transform[2] != 0.0 || m.transform[4] != 0.0)
        return badInput("--align reads the reference onto a map whose rows run east-west; "
                        "the map's grid is rotated");
    if ((m.crs == nullptr) != (r.crs == nullptr))
        return badInput(std::string("--align cannot place ") + path +
                        " on the map's grid: " + (m.crs == nullptr ? "the map" : "the reference") +
                        " has no coordinate system");
    const int width = map.GetRasterXSize(), height = map.GetRasterYSize();
    const auto& t = m.transform;
    std::vector<std::string> args{
        "-of", "VRT", "-r", resampling == "nearest" ? "near" : resampling, "-ovr", "NONE",
        // Each pixel's place worked out exactly: the warper's
        // approximation would depend on how it cuts the work.
        "-et", "0", "-te", exact(t[0]), exact(t[3] + height * t[5]), exact(t[0] + width * t[1]),
        exact(t[3]), "-ts", std::to_string(width), std::to_string(height)};
    if (m.crs != nullptr) {
        char* wkt = nullptr;
        m.crs->exportToWkt(&wkt);
        args.insert(args.end(), {"-t_srs", wkt != nullptr ? wkt : ""});
        CPLFree(wkt);
    }
    // Where the reference has no no-data value, the pixels it does not cover are
    // told apart by an alpha band, which the count reads as the band's mask.
    bool anyNodata = false;
    for (int b = 1; b <= reference.GetRasterCount(); ++b) {
        int has = 0;
        reference.GetRasterBand(b)->GetNoDataValue(&has);
        anyNodata = anyNodata || has != 0;
    }
    if (!anyNodata)
        args.push_back("-dstalpha");
    CPLStringList argv;
    for (const std::string& arg : args)
        argv.AddString(arg.c_str());
    GDALWarpAppOptions* options = GDALWarpAppOptionsNew(argv.List(), nullptr);
    if (options == nullptr)
        return badInput("--align: GDAL's warper refused its options: " + gdalReason());
    GDALDatasetH source = GDALDataset::ToHandle(&reference);
    int usageError = 0;
    GDALDatasetH warped = GDALWarp("", nullptr, 1, &source, options, &usageError);
    GDALWarpAppOptionsFree(options);
    if (warped == nullptr)
        return readError(path, "GDAL's warper cannot read it onto the map's grid: " + gdalReason());
    // The warped blocks are the chunks the count reads, so that no two threads
    // warp the same block: its own are of 512 x 128 pixels.
    std::string text = vrtText(*GDALDataset::FromHandle(warped));
    GDALClose(warped);
    const Chunk chunk = Chunks(*map.GetRasterBand(1), PixelWindow{0, 0, width, height}).at(0);
    for (const auto& [tag, size] : {std::pair{std::string("BlockXSize"), chunk.width},
                                    std::pair{std::string("BlockYSize"), chunk.height}}) {
        const std::string open = "<" + tag + ">", close = "</" + tag + ">";
        const std::size_t from = text.find(open), to = text.find(close);
        if (from != std::string::npos && to != std::string::npos && from < to)
            text.replace(from + open.size(), to - from - open.size(), std::to_string(size));
    }
    GDALDatasetUniquePtr reopened = openDataset(text, GDAL_OF_RASTER);
    if (!reopened)
        return readError(path, "GDAL's warper cannot read it onto the map's grid: " + gdalReason());
    return reopened;
}

std::string vrtText(GDALDataset& vrt) {
    char** xml = vrt.GetMetadata("xml:VRT");
    return xml != nullptr && xml[0] != nullptr ? std::string(xml[0]) : std::string();
}

} // namespace brennic::maps
