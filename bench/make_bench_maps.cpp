// Writes the pair of rasters the whole-process measurements of --map use: W x H
// uint8 GeoTIFFs tiled 256 x 256, ten classes in patches, no-data 0 on both.
// Usage: brennic-make-bench-maps FOLDER [SIZE] [DEFLATE]
// With DEFLATE it also writes points.gpkg, a million points at the centres of
// random pixels, each holding the map's class but for every tenth, which holds
// the next class, for the measurements of a point reference.
//    or: brennic-make-bench-maps FOLDER SIZE vrt REPEAT
// The second form writes a SIZE x SIZE pair mostly of class 1 and VRTs that
// repeat it REPEAT x REPEAT times, and prints the VRTs' error matrix, counted
// here by a plain loop over the small pair and multiplied, so that a count of
// more than 2^32 pairs in one cell can be checked.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <gdal_priv.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

namespace {

int writeRepeated(const std::string& folder, int size, int repeat) {
    GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("GTiff");
    const char* options[] = {"TILED=YES", "BLOCKXSIZE=512", "BLOCKYSIZE=512", nullptr};
    OGRSpatialReference crs;
    crs.importFromEPSG(32632);
    double transform[6] = {500000, 10, 0, 4000000, 0, -10};
    unsigned long long counts[4][4] = {};
    std::vector<unsigned char> map(static_cast<std::size_t>(size) * size), reference(map.size());
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * size + x;
            map[i] = (x / 100 + y / 100) % 20 == 0 ? 2 : 1;
            const unsigned hash =
                static_cast<unsigned>(x) * 2654435761u ^ static_cast<unsigned>(y) * 40503u;
            reference[i] = (hash >> 9) % 50 == 0 ? 3 : map[i];
            if (x % 997 == 5)
                reference[i] = 0; // no-data
            ++counts[map[i]][reference[i]];
        }
    for (const char* which : {"map", "reference"}) {
        const std::string source = folder + "/" + which + "-small.tif";
        GDALDatasetUniquePtr data(
            driver->Create(source.c_str(), size, size, 1, GDT_Byte, const_cast<char**>(options)));
        if (!data)
            return std::fprintf(stderr, "cannot make %s\n", source.c_str()), 3;
        data->SetGeoTransform(transform);
        data->SetSpatialRef(&crs);
        data->GetRasterBand(1)->SetNoDataValue(0);
        auto& values = which[0] == 'm' ? map : reference;
        if (data->GetRasterBand(1)->RasterIO(GF_Write, 0, 0, size, size, values.data(), size, size,
                                             GDT_Byte, 0, 0, nullptr) != CE_None)
            return std::fprintf(stderr, "cannot write %s\n", source.c_str()), 3;
        const std::string vrt = folder + "/" + which + "-repeated.vrt";
        std::FILE* out = std::fopen(vrt.c_str(), "w");
        if (out == nullptr)
            return std::fprintf(stderr, "cannot make %s\n", vrt.c_str()), 3;
        const long long whole = static_cast<long long>(size) * repeat;
        std::fprintf(out,
                     "<VRTDataset rasterXSize=\"%lld\" rasterYSize=\"%lld\">\n"
                     "  <SRS dataAxisToSRSAxisMapping=\"1,2\">EPSG:32632</SRS>\n"
                     "  <GeoTransform>500000, 10, 0, 4000000, 0, -10</GeoTransform>\n"
                     "  <VRTRasterBand dataType=\"Byte\" band=\"1\" blockXSize=\"512\" "
                     "blockYSize=\"512\">\n    <NoDataValue>0</NoDataValue>\n",
                     whole, whole);
        for (int ty = 0; ty < repeat; ++ty)
            for (int tx = 0; tx < repeat; ++tx)
                std::fprintf(out,
                             "    <SimpleSource><SourceFilename relativeToVRT=\"1\">%s-small.tif"
                             "</SourceFilename><SourceBand>1</SourceBand>"
                             "<SrcRect xOff=\"0\" yOff=\"0\" xSize=\"%d\" ySize=\"%d\"/>"
                             "<DstRect xOff=\"%lld\" yOff=\"%lld\" xSize=\"%d\" ySize=\"%d\"/>"
                             "</SimpleSource>\n",
                             which, size, size, static_cast<long long>(tx) * size,
                             static_cast<long long>(ty) * size, size, size);
        std::fprintf(out, "  </VRTRasterBand>\n</VRTDataset>\n");
        if (std::fclose(out) != 0)
            return std::fprintf(stderr, "cannot write %s\n", vrt.c_str()), 3;
    }
    const unsigned long long times = static_cast<unsigned long long>(repeat) * repeat;
    std::printf("The repeated pair's matrix (rows map 1, 2; columns reference 1, 2, 3):\n");
    for (int m = 1; m <= 2; ++m)
        std::printf("%llu %llu %llu\n", counts[m][1] * times, counts[m][2] * times,
                    counts[m][3] * times);
    return 0;
}

// The class of the map at a pixel, and whether it is the map's no-data.
int mapClassAt(int x, int y, int size) {
    return y < size / 20 ? 0 : 1 + (x / 97 + (y / 131) * 3) % 10;
}

int writePoints(const std::string& folder, int size, OGRSpatialReference& crs) {
    const std::string path = folder + "/points.gpkg";
    VSIUnlink(path.c_str());
    GDALDatasetUniquePtr data(GetGDALDriverManager()->GetDriverByName("GPKG")->Create(
        path.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
    const char* layerOptions[] = {"SPATIAL_INDEX=NO", nullptr};
    OGRLayer* layer =
        data ? data->CreateLayer("points", &crs, wkbPoint, const_cast<char**>(layerOptions))
             : nullptr;
    OGRFieldDefn field("class", OFTInteger);
    if (layer == nullptr || layer->CreateField(&field) != OGRERR_NONE ||
        layer->StartTransaction() != OGRERR_NONE)
        return std::fprintf(stderr, "cannot make %s\n", path.c_str()), 3;
    std::uint64_t state = 35;
    for (int i = 0; i < 1000000; ++i) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        const int x = static_cast<int>((state >> 20) % static_cast<std::uint64_t>(size)),
                  y = static_cast<int>((state >> 44) % static_cast<std::uint64_t>(size));
        const int v = std::max(mapClassAt(x, y, size), 1);
        OGRFeatureUniquePtr feature(OGRFeature::CreateFeature(layer->GetLayerDefn()));
        feature->SetField(0, i % 10 == 0 ? v % 10 + 1 : v);
        feature->SetGeometryDirectly(new OGRPoint(500005.0 + 10.0 * x, 3999995.0 - 10.0 * y));
        if (layer->CreateFeature(feature.get()) != OGRERR_NONE)
            return std::fprintf(stderr, "cannot write %s\n", path.c_str()), 3;
    }
    if (layer->CommitTransaction() != OGRERR_NONE)
        return std::fprintf(stderr, "cannot write %s\n", path.c_str()), 3;
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return std::fprintf(stderr, "usage: brennic-make-bench-maps FOLDER [SIZE] [DEFLATE]\n"), 1;
    const std::string folder = argv[1];
    const int size = argc > 2 ? std::atoi(argv[2]) : 10000;
    const bool deflate = argc > 3;
    GDALAllRegister();
    if (deflate && std::string(argv[3]) == "vrt")
        return writeRepeated(folder, size, argc > 4 ? std::atoi(argv[4]) : 10);
    GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("GTiff");
    const char* options[] = {"TILED=YES",        "BLOCKXSIZE=256",
                             "BLOCKYSIZE=256",   deflate ? "COMPRESS=DEFLATE" : "COMPRESS=NONE",
                             "BIGTIFF=IF_SAFER", nullptr};
    OGRSpatialReference crs;
    crs.importFromEPSG(32632);
    double transform[6] = {500000, 10, 0, 4000000, 0, -10};
    for (const char* which : {"map", "reference"}) {
        const std::string path = folder + "/" + which + (deflate ? "-deflate" : "") + ".tif";
        GDALDatasetUniquePtr data(
            driver->Create(path.c_str(), size, size, 1, GDT_Byte, const_cast<char**>(options)));
        if (!data)
            return std::fprintf(stderr, "cannot make %s\n", path.c_str()), 3;
        data->SetGeoTransform(transform);
        data->SetSpatialRef(&crs);
        GDALRasterBand* band = data->GetRasterBand(1);
        band->SetNoDataValue(0);
        const bool reference = which[0] == 'r';
        std::vector<unsigned char> row(static_cast<std::size_t>(size) * 256);
        for (int y0 = 0; y0 < size; y0 += 256) {
            const int rows = std::min(256, size - y0);
            for (int r = 0; r < rows; ++r) {
                const int y = y0 + r;
                for (int x = 0; x < size; ++x) {
                    int v = 1 + (x / 97 + (y / 131) * 3) % 10;
                    if (!reference)
                        v = mapClassAt(x, y, size);
                    const unsigned hash =
                        static_cast<unsigned>(x) * 2654435761u ^ static_cast<unsigned>(y) * 40503u;
                    if (reference && (hash >> 7) % 10 == 0)
                        v = v % 10 + 1;
                    if (reference ? x < size / 20 : y < size / 20)
                        v = 0;
                    row[static_cast<std::size_t>(r) * size + x] = static_cast<unsigned char>(v);
                }
            }
            if (band->RasterIO(GF_Write, 0, y0, size, rows, row.data(), size, rows, GDT_Byte, 0, 0,
                               nullptr) != CE_None)
                return std::fprintf(stderr, "cannot write %s\n", path.c_str()), 3;
        }
    }
    return deflate ? writePoints(folder, size, crs) : 0;
}
