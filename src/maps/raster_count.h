// The pair count of two bands on one grid: the map's blocks are shared out among
// threads, each counting the pairs of slots of its blocks into a table of its
// own; the tables are then summed by value, and the matrix formed from the sums.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include <gdal_priv.h>

#include "core/input_error.h"
#include "maps/grid.h"
#include "maps/map_counting.h"
#include "maps/slot_indexer.h"

namespace brennic::maps {

// What one side of the count reads: a band of a dataset that each thread opens anew.
struct BandSource {
    std::string path;
    int band = 1;
    GDALDataType type = GDT_Byte;
    LeftOutValues leftOut;
    const char* side = "map"; // as messages name it
    bool masked = false;      // its mask band is read, a pixel under 0 left out
    bool signedBytes = false; // a byte band whose bytes 128 to 255 are -128 to -1
    // What the threads open: empty, the path itself; else the text of a VRT that
    // reads the raster at `path` onto the map's grid (--align).
    std::string opened;
    const std::string& toOpen() const { return opened.empty() ? path : opened; }
};

// The count of slot triples (map, compared map, reference) of two maps against
// one reference. While every side's slots are small enough that a triple packs
// into 16 bits, the triples are counted in a small dense table, each pixel one
// increment with no branch; past that, in a table of every triple, zeroed by
// calloc so that only the pages of the triples met are ever touched, a run of
// equal triples at a time.
class TripleTable {
  public:
    // Counts the triples of `count` pixels.
    void add(const std::uint8_t* a, const std::uint8_t* b, const std::uint8_t* r,
             std::size_t count);
    static std::uint32_t key(int a, int b, int r) {
        return static_cast<std::uint32_t>((a << 16) | (b << 8) | r);
    }
    // Each triple met, by key(), with its pixels.
    std::vector<std::pair<std::uint32_t, std::uint64_t>> counts() const;

  private:
    // The bits of each side's slots in the small table's keys, at most this many in all.
    static constexpr int SmallBits = 16;
    void addSmall(const std::uint8_t* a, const std::uint8_t* b, const std::uint8_t* r,
                  std::size_t count);
    void addLarge(const std::uint8_t* a, const std::uint8_t* b, const std::uint8_t* r,
                  std::size_t count);
    // Lays the small table out anew for slots of `bits`, keeping its counts.
    void widen(const std::array<int, 3>& bits);
    // Moves the small table's counts to the large one, which counts from then on.
    void toLarge();
    // The pixels of the small table's `packed` key: its total and its four cells.
    std::uint64_t smallAt(std::size_t packed) const {
        return m_totals[packed] + std::uint64_t{m_small[4 * packed]} + m_small[4 * packed + 1] +
               m_small[4 * packed + 2] + m_small[4 * packed + 3];
    }
    std::uint32_t unpacked(std::size_t packed) const;

    // Four cells to a key, counted in turn, so that a run of equal triples
    // does not wait on its own last increment; emptied into the totals before
    // a cell could overflow.
    std::array<int, 3> m_bits{0, 0, 0};
    std::vector<std::uint32_t> m_small = std::vector<std::uint32_t>(4, 0);
    std::vector<std::uint64_t> m_totals = std::vector<std::uint64_t>(1, 0);
    std::uint64_t m_sinceTotals = 0;     // the pixels counted in the cells
    std::vector<std::uint16_t> m_packed; // the keys of the pixels being counted
    bool m_large = false;
    std::unique_ptr<std::uint64_t[], void (*)(void*)> m_cells{nullptr, &std::free};
    std::vector<std::uint32_t> m_met;
    std::vector<std::uint32_t> m_keys; // of the pixels being counted
};

// What the threads read of `band`, band `number` of the raster at `path`, with
// --nodata left out too; `side` names it in messages.
BandSource bandSourceOf(GDALRasterBand& band, const std::string& path, int number,
                        const std::optional<double>& nodata, const char* side);

// One thread's share: its own datasets, indexers and table.
struct ThreadCount {
    CountTable table;
    std::vector<double> rowValues, colValues;
    // With a compared map: the triples instead of the pairs, and its slots' values.
    std::optional<TripleTable> triples;
    std::vector<double> comparedValues;
    std::vector<double> rowAreas;      // by row slot, with per-row areas
    std::vector<double> comparedAreas; // by compared slot, likewise
    std::uint64_t masked = 0;          // pixels left out by a mask
};

// A rectangle of the window, in the map's pixels.
struct Chunk {
    std::int64_t x, y, width, height;
};

// The map's blocks cut to the window, several block rows together where the
// blocks are thin strips, so that each read is worth its cost. The chunks are
// numbered row by row and each is worked out from its number, so that no list
// of them grows with the map.
class Chunks {
  public:
    Chunks(GDALRasterBand& band, const PixelWindow& window);
    std::uint64_t count() const {
        return static_cast<std::uint64_t>(m_across) * static_cast<std::uint64_t>(m_down);
    }
    Chunk at(std::uint64_t index) const;
    // The number of the chunk holding the pixel at `row`, `column` of the window.
    std::uint64_t of(std::int64_t row, std::int64_t column) const {
        return static_cast<std::uint64_t>((row - m_y0) / m_height) *
                   static_cast<std::uint64_t>(m_across) +
               static_cast<std::uint64_t>((column - m_x0) / m_width);
    }

  private:
    PixelWindow m_window;
    std::int64_t m_width = 1, m_height = 1, m_x0 = 0, m_y0 = 0, m_across = 0, m_down = 0;
};

// One chunk of the window as a walk hands it on: its number and place, the
// slots of each side's pixels row after row, and the pixels the masks keep.
struct ChunkSlots {
    std::uint64_t index = 0;
    std::int64_t x = 0, y = 0, width = 0, height = 0;
    const std::uint8_t* rows = nullptr;   // the map's slots
    const std::uint8_t* cols = nullptr;   // the reference's slots; all 0 without one
    const std::uint8_t* kept = nullptr;   // 1 for a pixel the masks keep; null: all are kept
    const std::vector<double>& rowValues; // the value of each map slot so far
    const std::vector<double>* colValues; // of each reference slot; null without one
    const std::uint8_t* thirds = nullptr; // a compared map's slots; null without one
    const std::vector<double>* thirdValues = nullptr; // of each of its slots
};

// What a walk over the chunks does with each, in the thread it was read in.
class ChunkVisitor {
  public:
    virtual ~ChunkVisitor() = default;
    virtual void Chunk(std::size_t thread, const ChunkSlots& chunk) = 0;
};

// The threads a walk over `window` takes: as many as asked, at most the
// machine's cores and the window's chunks.
std::size_t threadsFor(const MapRequest& request, GDALRasterBand& mapBand,
                       const PixelWindow& window);

// Reads the chunks of `window` in `threads` threads, each opening the bands
// anew, and hands each chunk to `visitor` with the number of its thread (from 0).
// `reference` null: the map alone; `compared` a second map read beside it.
std::optional<InputError> walkInThreads(GDALRasterBand& mapBand, const BandSource& map,
                                        const BandSource* reference, const PixelWindow& window,
                                        std::size_t threads, ProgressSink& progress,
                                        ChunkVisitor& visitor,
                                        const BandSource* compared = nullptr);

// Counts the pairs of `map` and `reference` in `window`, in as many threads as
// asked. `reference` null: the map alone, each pixel counted in column slot 0.
// `areas`, when given for a geographic grid, gives the area of each map row,
// summed by class. `compared`, when given (with a reference): the triples of
// the two maps and the reference are counted instead of the pairs. `also`,
// when given, is handed each chunk after it is counted.
std::variant<std::vector<ThreadCount>, InputError>
countInThreads(const MapRequest& request, GDALRasterBand& mapBand, const BandSource& map,
               const BandSource* reference, const PixelWindow& window, const PixelAreas* areas,
               ProgressSink& progress, const BandSource* compared = nullptr,
               ChunkVisitor* also = nullptr);

struct PairKey {
    double row, col;
    bool operator<(const PairKey& other) const {
        return row != other.row ? row < other.row : col < other.col;
    }
};

// The sum of the threads' tables by value, the left-out values taken out.
struct Merged {
    std::map<PairKey, std::uint64_t> pairs;
    std::map<double, std::uint64_t> mapPixels;
    std::map<double, double> mapAreas; // with per-row areas
    std::uint64_t leftOut = 0;
    std::uint64_t masked = 0;
};

Merged merge(const std::vector<ThreadCount>& results, const LeftOutValues& mapLeftOut,
             const LeftOutValues* referenceLeftOut);

// The first pixel of the window holding `value`, row by row: " at row R, column
// C (counted from 0)", or empty where it cannot be read. Only for a message.
std::string firstPlaceOf(const BandSource& source, const PixelWindow& window, double value);

// Where a value stands, for the message that refuses it: " at row R, column C".
using PlaceOf = std::function<std::string(bool onMap, double value)>;

// The classes: those given, or every value seen in numeric order; fills the
// matrix. Refuses a value outside the given list, in a pair or among
// `extraRowValues` (the map's pixels, whose areas would be lost), and more
// classes than a matrix may have.
std::optional<InputError> formMatrix(const MapRequest& request,
                                     const std::map<PairKey, std::uint64_t>& pairs,
                                     const std::map<double, std::uint64_t>& extraRowValues,
                                     MapCount& out, const PlaceOf& placeOf);

// The threads' triples of slots summed by value: (map, compared map,
// reference) and their pixels, none left out yet; the masked pixels; and with
// per-row areas the areas of each value of the map and of the compared map.
struct SummedTriples {
    std::map<std::array<double, 3>, std::uint64_t> triples;
    std::map<double, double> mapAreas, comparedAreas;
    std::uint64_t masked = 0;
};
SummedTriples sumTriples(const std::vector<ThreadCount>& results);

// What the threads read of the request's compared map, refused where it is not
// a raster on the map's grid.
std::variant<BandSource, InputError> comparedMapOf(const MapRequest& request, GDALDataset& map);

// Refuses a value of the compared map that is not among --classes, naming its
// first pixel in the window.
std::optional<InputError> refuseComparedValues(const MapRequest& request,
                                               const std::map<double, std::uint64_t>& values,
                                               const BandSource& compared,
                                               const PixelWindow& window);

// Counts `map` and the compared map of the request against a reference raster
// on their grid, all three in one pass: the classes are the values of all
// three, the matrix the map's, and the compared map's matrix and the units'
// triples go to the count's `compared`.
std::variant<MapCount, InputError>
countComparedRasters(const MapRequest& request, GDALDataset& map, GDALRasterBand& mapBand,
                     const BandSource& mapSource, GDALDatasetUniquePtr reference,
                     const PixelWindow& window, ProgressSink& progress);

// Counts `map` against a reference raster on its grid, which is closed before
// the threads open it anew.
std::variant<MapCount, InputError>
countRasterReference(const MapRequest& request, GDALDataset& map, GDALRasterBand& mapBand,
                     const BandSource& mapSource, GDALDatasetUniquePtr reference,
                     const PixelWindow& window, ProgressSink& progress);

} // namespace brennic::maps
