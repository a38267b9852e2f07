// Counting an error matrix straight from maps: a classified raster against a
// reference raster on the same grid, or against reference points, through GDAL.
//
// Data flow: the map's blocks are shared out among threads; each thread reads a
// block of the map and the same pixels of the reference, and counts the pairs of
// values into a table of its own; the tables are summed by value at the end, the
// no-data values are taken out, and the classes are the values that remain.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/input_error.h"

namespace brennic {

// A rectangle of pixels of the map: its first column and row, its width and height.
struct PixelWindow {
    std::int64_t xOffset = 0, yOffset = 0, xSize = 0, ySize = 0;
};

struct MapRequest {
    std::string mapPath;
    std::string referencePath;
    int mapBand = 1;
    int referenceBand = 1;
    std::optional<double> nodata; // left out on both sides
    std::string referenceField;   // the class field of a point reference; empty: the layer's
                                  // only field of whole numbers or text
    std::string referenceLayer;   // a layer's name; the first layer when empty
    std::string referenceCrs;     // the points' coordinate system, over the layer's; any GDAL reads
    std::optional<PixelWindow> window;          // the whole map when not given
    int threads = 0;                            // 0: as many as the machine has cores
    std::optional<std::vector<double>> classes; // the classes in this order, else the values seen
    std::string strataPath; // a raster on the map's grid whose values stratify the points
    std::map<double, std::string> classNames; // --class-names, over the map's own names
    // A second classified raster on the map's grid, compared with the map against
    // the same reference (its band: mapBand); empty for none.
    std::string comparedPath;
    // How a reference raster on another grid is read onto the map's: "nearest" or
    // "mode" through GDAL's warper; empty: it must be on the map's grid.
    std::string align;
};

// Where the counts came from, for the report's "source" record.
struct SourceCounts {
    std::uint64_t counted = 0;
    std::uint64_t outside = 0; // points off the map or its window
    std::uint64_t nodata = 0;  // pixels of the window or points on a no-data value (or
                               // on the strata raster's)
    std::uint64_t empty = 0;   // points whose class field is empty
    std::uint64_t masked = 0;  // pixels or points that a band's mask (or alpha) leaves out
};

// The map's own mapped area of each class, for a point reference.
struct MapAreas {
    std::vector<double> perClass; // class 1 first
    std::string unit;             // "m²", "US survey foot²", ...
};

// The points' own stratification, from the strata raster: each stratum is one of
// its valid values, its size the value's pixels in the window.
struct MapStrata {
    std::vector<double> values;        // in numeric order
    std::vector<std::uint64_t> pixels; // N_h, of each value
    // n_hij as counted: stratum h, map class i, reference class j (from 0), count.
    struct Cell {
        std::size_t stratum, map, reference;
        std::uint64_t count;
    };
    std::vector<Cell> cells;
};

// The second map of a comparison, counted in the same pass over the same
// classes: its matrix against the reference, its valid pixels of each class,
// and the units of each triple of classes (map, compared map, reference), with
// strata in each stratum apart.
struct ComparedCount {
    std::vector<std::uint64_t> counts; // n by n, as MapCount's
    std::vector<std::uint64_t> mapPixels;
    std::optional<MapAreas> areas; // with a point reference
    struct Cell {
        std::size_t map, compared, reference;
        std::uint64_t count;
        std::size_t stratum = 0; // of MapStrata's values; 0 without strata
    };
    std::vector<Cell> cells;
    std::vector<double> nodata; // the values left out on the compared map
};

struct MapCount {
    std::vector<double> classValues;      // class 1 to n, in numeric order unless given
    std::vector<std::uint64_t> counts;    // n by n, row by row: rows the map, columns the reference
    std::vector<std::uint64_t> mapPixels; // the map's valid pixels of each class in the window
    std::optional<MapAreas> areas;        // with a point reference
    std::optional<MapStrata> strata;      // with a strata raster
    std::optional<ComparedCount> compared; // with a compared map
    SourceCounts source;
    bool pointReference = false;
    // What was counted, for the source record by which --sum tells the windows
    // of one map apart: the window (the whole map when none was given), the
    // values left out as no-data on each side, and the layer of the points.
    PixelWindow window;
    std::vector<double> mapNodata, referenceNodata;
    std::string layer;
    std::string referenceField;        // the points' class field, named or found
    std::vector<std::string> warnings; // what the count assumed, for standard error
    // Of class 1 to n: its name (the map's own or --class-names), empty for none.
    std::vector<std::string> classNames;
};

// Told how far a count has gone; called from the counting threads, one at a time.
class ProgressSink {
  public:
    virtual ~ProgressSink() = default;
    virtual void Progress(double fraction) = 0; // 0 to 1
};

class NoProgress final : public ProgressSink {
  public:
    void Progress(double) override {}
};

// Counts the pairs of MAP and REF that are both valid. Gives no figures at all
// when anything could not be read.
std::variant<MapCount, InputError> CountMaps(const MapRequest& request, ProgressSink& progress);

// The area on the ellipsoid (semi-major axis a, flattening f) of a cell of a
// geographic grid between two latitudes, `widthDegrees` wide, in a's unit squared.
double EllipsoidalCellArea(double a, double flattening, double latitude1Degrees,
                           double latitude2Degrees, double widthDegrees);

// The class of a text, read one way wherever the maps' classes are written (a
// point's class field, --classes): blanks around it, a sign, digits and a
// fraction ("2", " 2", "2 ", "-3", "2.0"); none for anything else ("0x2", "1e0",
// "inf"). Whether it is whole is the caller's to say.
std::optional<double> ClassOfText(std::string_view text);

// A class value as a label: "7", "-3", "65535".
std::string ClassLabel(double value);

} // namespace brennic
