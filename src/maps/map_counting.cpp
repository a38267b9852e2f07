// Counts the error matrix of a classified raster against a reference raster or
// reference points: opens the map, its band and its window, and hands the count
// to the raster pair count or to the point reference.
#include "maps/map_counting.h"

#include <cmath>
#include <cstdlib>

#include <gdal_priv.h>

#include "core/number_text.h"
#include "maps/aligned_reference.h"
#include "maps/class_names.h"
#include "maps/gdal_support.h"
#include "maps/grid.h"
#include "maps/point_reference.h"
#include "maps/raster_count.h"

namespace brennic {

std::string ClassLabel(double value) {
    if (std::fabs(value) < 9.2e18)
        return std::to_string(static_cast<long long>(value));
    return maps::numberText(value);
}

std::optional<double> ClassOfText(std::string_view text) {
    // The numbers of the program's tables, less their exponents.
    if (text.find_first_of("eE") != std::string_view::npos)
        return std::nullopt;
    return NumberOfText(text, '.');
}

std::variant<MapCount, InputError> CountMaps(const MapRequest& request, ProgressSink& progress) {
    GDALAllRegister();
    // The block cache is GDAL's own; without a setting of the user's it is kept
    // small, so that memory does not grow with the map: 32 MB keeps a count of
    // any size under 100 MiB, and whole blocks are read past it anyway.
    if (std::getenv("GDAL_CACHEMAX") == nullptr)
        GDALSetCacheMax64(32LL << 20);
    maps::QuietGdalErrors quiet;

    auto opened =
        maps::openInput(request.mapPath, GDAL_OF_RASTER,
                        "is not a raster (it holds vector layers: use it as --reference)");
    if (auto* error = std::get_if<InputError>(&opened))
        return *error;
    GDALDatasetUniquePtr map = std::move(std::get<GDALDatasetUniquePtr>(opened));
    auto band = maps::bandOf(*map, request.mapBand, request.mapPath, "--map-band");
    if (auto* error = std::get_if<InputError>(&band))
        return *error;
    GDALRasterBand& mapBand = *std::get<GDALRasterBand*>(band);
    const maps::BandSource mapSource =
        maps::bandSourceOf(mapBand, request.mapPath, request.mapBand, request.nodata, "map");
    auto window = maps::windowOf(request, *map);
    if (auto* error = std::get_if<InputError>(&window))
        return *error;
    const PixelWindow& w = std::get<PixelWindow>(window);

    // A reference that GDAL opens as a raster is one; any other is read as points.
    if (auto special = maps::refuseSpecial(request.referencePath))
        return *special;
    CPLErrorReset();
    GDALDatasetUniquePtr reference = maps::openDataset(request.referencePath, GDAL_OF_RASTER);
    const maps::ClassNames names(mapBand, request.classNames);
    const bool points =
        !reference || reference->GetRasterCount() == 0 || !request.referenceField.empty();
    // A reference on another grid, read onto the map's; the reference itself
    // stays open while the warped one reads it.
    GDALDatasetUniquePtr unaligned;
    if (!request.align.empty()) {
        if (points)
            return InputError{InputError::BadInput, "--align reads a reference raster onto the "
                                                    "map's grid; " +
                                                        request.referencePath +
                                                        " is read as points"};
        auto aligned =
            maps::alignedReference(*map, *reference, request.referencePath, request.align);
        if (auto* error = std::get_if<InputError>(&aligned))
            return *error;
        unaligned = std::move(reference);
        reference = std::move(std::get<GDALDatasetUniquePtr>(aligned));
    }
    auto counted = points ? maps::countPoints(request, *map, mapBand, mapSource, w, names, progress)
                   : request.comparedPath.empty()
                       ? maps::countRasterReference(request, *map, mapBand, mapSource,
                                                    std::move(reference), w, progress)
                       : maps::countComparedRasters(request, *map, mapBand, mapSource,
                                                    std::move(reference), w, progress);
    if (auto* count = std::get_if<MapCount>(&counted)) {
        count->window = w;
        count->mapNodata = mapSource.leftOut.values();
        if (auto error = maps::nameClasses(names, *count))
            return *error;
    }
    return counted;
}

} // namespace brennic
