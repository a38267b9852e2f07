// GDAL's errors, datasets and bands, and the wording of the messages about them.
#include "maps/gdal_support.h"

#include <cmath>
#include <cstdio>

#include "core/file_system.h"

namespace brennic::maps {

std::string gdalReason() {
    const char* message = CPLGetLastErrorMsg();
    return message != nullptr && *message != '\0' ? message : "GDAL gave no reason";
}

InputError readError(const std::string& path, const std::string& reason) {
    return InputError{InputError::ReadError, "cannot read " + path + ": " + reason};
}

InputError badInput(std::string message) {
    return InputError{InputError::BadInput, std::move(message)};
}

GDALDatasetUniquePtr openDataset(const std::string& path, unsigned flags,
                                 const std::vector<std::string>& options) {
    CPLStringList list;
    for (const std::string& option : options)
        list.AddString(option.c_str());
    return GDALDatasetUniquePtr(
        GDALDataset::Open(path.c_str(), flags | GDAL_OF_READONLY, nullptr, list.List()));
}

std::optional<InputError> refuseSpecial(const std::string& path) {
    if (NatureOfInput(path) == InputNature::Special)
        return readError(path, InputNatureReason(InputNature::Special));
    return std::nullopt;
}

std::variant<GDALDatasetUniquePtr, InputError> openInput(const std::string& path, unsigned flags,
                                                         const std::string& otherKind,
                                                         const std::vector<std::string>& options) {
    if (auto special = refuseSpecial(path))
        return *special;
    CPLErrorReset();
    if (GDALDatasetUniquePtr data = openDataset(path, flags | GDAL_OF_VERBOSE_ERROR, options))
        return data;
    const std::string reason = gdalReason();
    // GDAL's own paths (/vsizip/..., /vsicurl/...) are not the system's to look at.
    const InputNature nature = path.rfind("/vsi", 0) == 0 ? InputNature::File : NatureOfInput(path);
    if (nature == InputNature::Missing)
        return readError(path, InputNatureReason(nature));
    const unsigned other = (flags & GDAL_OF_RASTER) != 0 ? GDAL_OF_VECTOR : GDAL_OF_RASTER;
    if (GDALDatasetUniquePtr data = openDataset(path, other);
        data && (other == GDAL_OF_RASTER ? data->GetRasterCount() : data->GetLayerCount()) > 0)
        return badInput(path + " " + otherKind);
    return readError(path, nature == InputNature::Folder ? InputNatureReason(nature) : reason);
}

std::variant<GDALRasterBand*, InputError> bandOf(GDALDataset& data, int index,
                                                 const std::string& path, const char* option) {
    if (index < 1 || index > data.GetRasterCount())
        return badInput(path + " has " + std::to_string(data.GetRasterCount()) +
                        " bands; there is no band " + std::to_string(index) + " for " + option);
    GDALRasterBand* band = data.GetRasterBand(index);
    // A complex value has no one class: its real part alone would be counted.
    if (GDALDataTypeIsComplex(band->GetRasterDataType()))
        return badInput("band " + std::to_string(index) + " of " + path + " is complex (" +
                        GDALGetDataTypeName(band->GetRasterDataType()) +
                        "): its values are no classes");
    return band;
}

bool hasMask(GDALRasterBand& band) {
    const int flags = band.GetMaskFlags();
    return (flags & GMF_ALL_VALID) == 0 && flags != GMF_NODATA;
}

bool isSignedByte(GDALRasterBand& band) {
    const char* pixelType = band.GetMetadataItem("PIXELTYPE", "IMAGE_STRUCTURE");
    return band.GetRasterDataType() == GDT_Byte && pixelType != nullptr &&
           std::string(pixelType) == "SIGNEDBYTE";
}

std::string numberText(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

bool isWhole(double value) {
    return std::isfinite(value) && std::floor(value) == value;
}

std::string pixelPlace(std::int64_t row, std::int64_t column) {
    return " at row " + std::to_string(row) + ", column " + std::to_string(column) +
           " (counted from 0)";
}

std::string notWholeAt(const std::string& holder, double value, std::int64_t row,
                       std::int64_t column, const char* noun) {
    return holder + " holds " + numberText(value) + pixelPlace(row, column) +
           ", which is not a whole number and so no " + noun;
}

} // namespace brennic::maps
