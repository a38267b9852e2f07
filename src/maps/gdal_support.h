// What every part of map counting needs of GDAL: its errors kept from standard
// error and worded by the program, datasets opened read-only, and the pieces of
// the messages that name a file, a band or a pixel.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include <cpl_error.h>
#include <cpl_string.h>
#include <gdal_priv.h>

#include "core/input_error.h"

namespace brennic::maps {

// GDAL's errors go to the thread's error state instead of standard error, so that
// the program words them itself; the handler stack is per thread.
class QuietGdalErrors {
  public:
    QuietGdalErrors() { CPLErrorReset(); }
    QuietGdalErrors(const QuietGdalErrors&) = delete;
    QuietGdalErrors& operator=(const QuietGdalErrors&) = delete;

  private:
    CPLErrorHandlerPusher m_handler{CPLQuietErrorHandler};
};

// The last error of this thread's GDAL calls, as GDAL words it.
std::string gdalReason();

InputError readError(const std::string& path, const std::string& reason);
InputError badInput(std::string message);

// Opens a dataset read-only; `flags` says what kind (GDAL_OF_RASTER, GDAL_OF_VECTOR),
// `options` the driver's open options.
GDALDatasetUniquePtr openDataset(const std::string& path, unsigned flags,
                                 const std::vector<std::string>& options = {});

// Opens an input of the count read-only, `flags` saying what it must hold
// (GDAL_OF_RASTER, GDAL_OF_VECTOR). A FIFO, device or socket is refused before
// it is opened, as opening could wait forever. One that does not open is
// refused with the reason: no such file, a folder, the other kind of data (then
// `path` + " " + `otherKind` is the message, exit status 1), or GDAL's words.
// `options`: the driver's open options ("X_POSSIBLE_NAMES=x").
std::variant<GDALDatasetUniquePtr, InputError>
openInput(const std::string& path, unsigned flags, const std::string& otherKind,
          const std::vector<std::string>& options = {});

// A FIFO, device or socket at `path`, refused; none for anything else.
std::optional<InputError> refuseSpecial(const std::string& path);

// The band `index` of `data`, or the refusal that names `option` (--map-band, ...)
// or says that the band is complex.
std::variant<GDALRasterBand*, InputError> bandOf(GDALDataset& data, int index,
                                                 const std::string& path, const char* option);

// Whether the band's mask leaves pixels out beyond its no-data value: a mask
// band of its own or of the dataset, or an alpha band, where 0 is left out.
bool hasMask(GDALRasterBand& band);

// A byte band that GDAL marks as signed (a GeoTIFF of PIXELTYPE=SIGNEDBYTE): its
// bytes 128 to 255 stand for -128 to -1, though GDAL reads them as they are.
bool isSignedByte(GDALRasterBand& band);

// A byte read from a signed byte band, as the value it stands for.
inline double signedByteValue(double byte) {
    return byte > 127.0 ? byte - 256.0 : byte;
}

// A number in full: "0.5", "1e+300", "nan".
std::string numberText(double value);

bool isWhole(double value);

// Where a pixel lies, as every message names it.
std::string pixelPlace(std::int64_t row, std::int64_t column);

// The refusal of a pixel value that is no whole number: `holder` is "the map",
// "the reference" or "the strata raster", `noun` what the value should have been.
std::string notWholeAt(const std::string& holder, double value, std::int64_t row,
                       std::int64_t column, const char* noun);

} // namespace brennic::maps
