// Counts the error matrix of a classified raster against a reference raster or
// reference points, streaming over the map's blocks with one table per thread.
#include "maps/map_counting.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <set>
#include <thread>
#include <unordered_map>

#include <cpl_error.h>
#include <gdal_priv.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

#include "core/run.h"

namespace brennic {
namespace {

// Each side of a pair is turned into slots 0 to 255 before counting, so one
// 256 by 256 table serves every data type: an 8-bit band's values are its slots.
constexpr int Slots = 256;
// Two of the slots may be no-data values; the rest are at most as many classes
// as a matrix may have.
static_assert(Slots == MaxMatrixSize + 2);

// GDAL's errors go to the thread's error state instead of standard error, so that
// the program words them itself; the handler stack is per thread.
class QuietGdalErrors {
  public:
    QuietGdalErrors() {
        CPLPushErrorHandler(CPLQuietErrorHandler);
        CPLErrorReset();
    }
    ~QuietGdalErrors() { CPLPopErrorHandler(); }
    QuietGdalErrors(const QuietGdalErrors&) = delete;
    QuietGdalErrors& operator=(const QuietGdalErrors&) = delete;
};

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

GDALDatasetUniquePtr openDataset(const std::string& path, unsigned flags) {
    return GDALDatasetUniquePtr(GDALDataset::Open(path.c_str(), flags | GDAL_OF_READONLY));
}

struct CoordinateTransformDeleter {
    void operator()(OGRCoordinateTransformation* transform) const {
        OGRCoordinateTransformation::DestroyCT(transform);
    }
};
using TransformPtr = std::unique_ptr<OGRCoordinateTransformation, CoordinateTransformDeleter>;

std::string numberText(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

bool isWhole(double value) {
    return std::isfinite(value) && std::floor(value) == value;
}

// Where a pixel lies, as every message names it.
std::string pixelPlace(std::int64_t row, std::int64_t column) {
    return " at row " + std::to_string(row) + ", column " + std::to_string(column) +
           " (counted from 0)";
}

// The refusal of a pixel value that is no whole number: `holder` is "the map",
// "the reference" or "the strata raster", `noun` what the value should have been.
std::string notWholeAt(const std::string& holder, double value, std::int64_t row,
                       std::int64_t column, const char* noun) {
    return holder + " holds " + numberText(value) + pixelPlace(row, column) +
           ", which is not a whole number and so no " + noun;
}

// The values that are left out on one side: its band's no-data value and --nodata.
struct LeftOutValues {
    std::optional<double> band, request;
    bool contains(double value) const {
        for (const auto& v : {band, request})
            if (v && (*v == value || (std::isnan(*v) && std::isnan(value))))
                return true;
        return false;
    }
};

LeftOutValues leftOutOf(GDALRasterBand& band, const std::optional<double>& request) {
    LeftOutValues values{std::nullopt, request};
    int has = 0;
    const double nodata = band.GetNoDataValue(&has);
    if (has)
        values.band = nodata;
    return values;
}

enum class BandKind { Byte, Word, Other };

BandKind kindOf(GDALDataType type) {
    if (type == GDT_Byte)
        return BandKind::Byte;
    if (type == GDT_UInt16 || type == GDT_Int16)
        return BandKind::Word;
    return BandKind::Other;
}

// What a side's indexer says when it runs out of slots; the count of classes
// is then found by reading that side once more.
std::string tooManyClasses(const std::string& side) {
    return "the " + side + " holds more than " + std::to_string(MaxMatrixSize) + " classes";
}

// Turns the values of one side into slots, remembering each slot's value. Slots
// are given in the order values are first met, so each thread has its own.
class SlotIndexer {
  public:
    SlotIndexer(GDALDataType type, const LeftOutValues& leftOut)
        : m_type(type), m_kind(kindOf(type)), m_leftOut(leftOut) {
        if (m_kind == BandKind::Byte) {
            for (int v = 0; v < Slots; ++v)
                m_values.push_back(v);
        } else if (m_kind == BandKind::Word) {
            m_wordSlots.assign(65536, -1);
        }
    }

    // The band's own type: whole blocks are then read past the block cache.
    GDALDataType readType() const { return m_type; }
    bool direct() const { return m_kind == BandKind::Byte; }
    const std::vector<double>& values() const { return m_values; }

    // Writes the slot of each of `count` values read in readType(); gives false
    // with `error` set for a value that is no class or one value too many.
    bool toSlots(const void* data, std::size_t count, std::uint8_t* slots, std::int64_t x0,
                 std::int64_t y0, std::int64_t width, const char* side, std::string& error) {
        if (m_kind == BandKind::Word) {
            const bool isSigned = m_type == GDT_Int16;
            const auto* words = static_cast<const std::uint16_t*>(data);
            for (std::size_t i = 0; i < count; ++i) {
                int slot = m_wordSlots[words[i]];
                if (slot < 0) {
                    const double value = isSigned ? static_cast<std::int16_t>(words[i]) : words[i];
                    if (!addSlot(value, side, error))
                        return false;
                    slot = m_wordSlots[words[i]] = static_cast<int>(m_values.size() - 1);
                }
                slots[i] = static_cast<std::uint8_t>(slot);
            }
            return true;
        }
        const auto* doubles = static_cast<const double*>(data);
        if (m_type != GDT_Float64) {
            m_doubles.resize(count);
            GDALCopyWords64(data, m_type, GDALGetDataTypeSizeBytes(m_type), m_doubles.data(),
                            GDT_Float64, sizeof(double), static_cast<GPtrDiff_t>(count));
            doubles = m_doubles.data();
        }
        for (std::size_t i = 0; i < count; ++i) {
            const double value = doubles[i];
            if (value == m_lastValue) {
                slots[i] = m_lastSlot;
                continue;
            }
            int slot = -1;
            if (std::isnan(value)) {
                slot = m_nanSlot;
            } else if (auto found = m_otherSlots.find(value); found != m_otherSlots.end()) {
                slot = found->second;
            }
            if (slot < 0) {
                if (!isWhole(value) && !m_leftOut.contains(value)) {
                    const std::int64_t row = y0 + static_cast<std::int64_t>(i) / width;
                    const std::int64_t col = x0 + static_cast<std::int64_t>(i) % width;
                    error = notWholeAt(std::string("the ") + side, value, row, col, "class");
                    return false;
                }
                if (!addSlot(value, side, error))
                    return false;
                slot = static_cast<int>(m_values.size() - 1);
                if (std::isnan(value))
                    m_nanSlot = slot;
                else
                    m_otherSlots.emplace(value, slot);
            }
            slots[i] = static_cast<std::uint8_t>(slot);
            if (!std::isnan(value)) {
                m_lastValue = value;
                m_lastSlot = static_cast<std::uint8_t>(slot);
            }
        }
        return true;
    }

  private:
    bool addSlot(double value, const char* side, std::string& error) {
        if (m_values.size() == Slots) {
            // Two of the slots may be no-data values; the rest are more classes than
            // a matrix may have.
            error = tooManyClasses(side);
            return false;
        }
        m_values.push_back(value);
        return true;
    }

    GDALDataType m_type;
    BandKind m_kind;
    LeftOutValues m_leftOut;
    std::vector<double> m_values;
    std::vector<int> m_wordSlots;
    std::unordered_map<double, int> m_otherSlots;
    std::vector<double> m_doubles; // the values of other types, converted
    int m_nanSlot = -1;
    double m_lastValue = std::nan("");
    std::uint8_t m_lastSlot = 0;
};

// Four tables counted in turn, so that a run of equal pairs (a patch of one class)
// does not wait on its own last increment.
struct CountTable {
    std::vector<std::uint64_t> cells = std::vector<std::uint64_t>(4 * Slots * Slots, 0);

    void add(const std::uint8_t* rows, const std::uint8_t* cols, std::size_t count) {
        std::uint64_t* t0 = cells.data();
        std::uint64_t* t1 = t0 + Slots * Slots;
        std::uint64_t* t2 = t1 + Slots * Slots;
        std::uint64_t* t3 = t2 + Slots * Slots;
        std::size_t i = 0;
        for (; i + 4 <= count; i += 4) {
            ++t0[rows[i] << 8 | cols[i]];
            ++t1[rows[i + 1] << 8 | cols[i + 1]];
            ++t2[rows[i + 2] << 8 | cols[i + 2]];
            ++t3[rows[i + 3] << 8 | cols[i + 3]];
        }
        for (; i < count; ++i)
            ++t0[rows[i] << 8 | cols[i]];
    }

    std::uint64_t at(int row, int col) const {
        const std::size_t cell = static_cast<std::size_t>(row) << 8 | static_cast<std::size_t>(col);
        return cells[cell] + cells[Slots * Slots + cell] + cells[2 * Slots * Slots + cell] +
               cells[3 * Slots * Slots + cell];
    }
};

struct Chunk {
    std::int64_t x, y, width, height;
};

// The map's blocks cut to the window, several block rows together where the
// blocks are thin strips, so that each read is worth its cost.
std::vector<Chunk> chunksOf(GDALRasterBand& band, const PixelWindow& window) {
    int blockWidth = 0, blockHeight = 0;
    band.GetBlockSize(&blockWidth, &blockHeight);
    std::int64_t chunkHeight = std::max(blockHeight, 1);
    while (chunkHeight * blockWidth < 65536 && chunkHeight < window.ySize)
        chunkHeight += std::max(blockHeight, 1);
    const std::int64_t chunkWidth = std::max(blockWidth, 1);
    std::vector<Chunk> chunks;
    const std::int64_t xEnd = window.xOffset + window.xSize, yEnd = window.yOffset + window.ySize;
    for (std::int64_t y = window.yOffset / chunkHeight * chunkHeight; y < yEnd; y += chunkHeight) {
        for (std::int64_t x = window.xOffset / chunkWidth * chunkWidth; x < xEnd; x += chunkWidth) {
            const std::int64_t x0 = std::max(x, window.xOffset), y0 = std::max(y, window.yOffset);
            const std::int64_t x1 = std::min(x + chunkWidth, xEnd),
                               y1 = std::min(y + chunkHeight, yEnd);
            if (x1 > x0 && y1 > y0)
                chunks.push_back({x0, y0, x1 - x0, y1 - y0});
        }
    }
    return chunks;
}

// Reads the chunk's values in `type`, row after row without gaps. A chunk that is
// one whole block in the band's own type is read as that block, past GDAL's block
// cache: nothing is read twice, so caching would only cost a copy and memory.
bool readChunk(GDALRasterBand& band, const Chunk& c, GDALDataType type,
               std::vector<unsigned char>& buffer) {
    int blockWidth = 0, blockHeight = 0;
    band.GetBlockSize(&blockWidth, &blockHeight);
    const std::size_t size = static_cast<std::size_t>(GDALGetDataTypeSizeBytes(type));
    const bool wholeBlock = type == band.GetRasterDataType() && c.x % blockWidth == 0 &&
                            c.y % blockHeight == 0 &&
                            c.width == std::min<std::int64_t>(blockWidth, band.GetXSize() - c.x) &&
                            c.height == std::min<std::int64_t>(blockHeight, band.GetYSize() - c.y);
    if (wholeBlock) {
        buffer.resize(static_cast<std::size_t>(blockWidth) * static_cast<std::size_t>(blockHeight) *
                      size);
        if (band.ReadBlock(static_cast<int>(c.x / blockWidth), static_cast<int>(c.y / blockHeight),
                           buffer.data()) != CE_None)
            return false;
        // A block at the right edge holds more columns than the raster: close the gaps.
        if (c.width != blockWidth)
            for (std::int64_t r = 1; r < c.height; ++r)
                std::memmove(buffer.data() + static_cast<std::size_t>(r * c.width) * size,
                             buffer.data() + static_cast<std::size_t>(r * blockWidth) * size,
                             static_cast<std::size_t>(c.width) * size);
        return true;
    }
    buffer.resize(static_cast<std::size_t>(c.width * c.height) * size);
    return band.RasterIO(GF_Read, static_cast<int>(c.x), static_cast<int>(c.y),
                         static_cast<int>(c.width), static_cast<int>(c.height), buffer.data(),
                         static_cast<int>(c.width), static_cast<int>(c.height), type, 0, 0,
                         nullptr) == CE_None;
}

// What one side of the count reads: a band of a dataset that each thread opens anew.
struct BandSource {
    std::string path;
    int band = 1;
    GDALDataType type = GDT_Byte;
    LeftOutValues leftOut;
    const char* side = "map"; // as messages name it
};

// One thread's share: its own datasets, indexers and table.
struct ThreadCount {
    CountTable table;
    std::vector<double> rowValues, colValues;
    std::vector<double> rowAreas; // by row slot, with per-row areas
};

struct SharedState {
    std::vector<Chunk> chunks;
    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    std::mutex mutex; // guards the fields below and the progress sink
    std::optional<InputError> error;
    std::uint64_t pixelsDone = 0;
    std::uint64_t pixelsTotal = 0;
    ProgressSink* progress = nullptr;

    void fail(InputError e) {
        std::lock_guard lock(mutex);
        if (!error)
            error = std::move(e);
        failed = true;
    }
};

// Counts chunks until none are left. `reference` null: the map alone, each
// pixel counted in column slot 0. `rowArea`, when not empty, gives the area of
// each map row, summed by class.
void countChunks(SharedState& shared, const BandSource& map, const BandSource* reference,
                 const std::vector<double>& rowArea, ThreadCount& result) {
    QuietGdalErrors quiet;
    GDALDatasetUniquePtr mapData = openDataset(map.path, GDAL_OF_RASTER);
    GDALDatasetUniquePtr referenceData =
        reference ? openDataset(reference->path, GDAL_OF_RASTER) : nullptr;
    if (!mapData || (reference && !referenceData)) {
        shared.fail(readError(!mapData ? map.path : reference->path, gdalReason()));
        return;
    }
    GDALRasterBand* mapBand = mapData->GetRasterBand(map.band);
    GDALRasterBand* referenceBand =
        reference ? referenceData->GetRasterBand(reference->band) : nullptr;
    SlotIndexer rows(map.type, map.leftOut);
    std::optional<SlotIndexer> cols;
    if (reference)
        cols.emplace(reference->type, reference->leftOut);
    std::vector<unsigned char> mapBuffer, referenceBuffer;
    std::vector<std::uint8_t> rowSlots, colSlots;
    std::string error;
    if (!rowArea.empty())
        result.rowAreas.assign(Slots, 0.0);

    while (!shared.failed) {
        const std::size_t index = shared.next++;
        if (index >= shared.chunks.size())
            break;
        const Chunk& c = shared.chunks[index];
        const std::size_t count = static_cast<std::size_t>(c.width * c.height);
        if (!readChunk(*mapBand, c, rows.readType(), mapBuffer)) {
            shared.fail(readError(map.path, gdalReason()));
            return;
        }
        const std::uint8_t* rowData = mapBuffer.data();
        if (!rows.direct()) {
            rowSlots.resize(count);
            if (!rows.toSlots(mapBuffer.data(), count, rowSlots.data(), c.x, c.y, c.width, map.side,
                              error)) {
                shared.fail(badInput(error));
                return;
            }
            rowData = rowSlots.data();
        }
        const std::uint8_t* colData = nullptr;
        if (reference) {
            if (!readChunk(*referenceBand, c, cols->readType(), referenceBuffer)) {
                shared.fail(readError(reference->path, gdalReason()));
                return;
            }
            colData = referenceBuffer.data();
            if (!cols->direct()) {
                colSlots.resize(count);
                if (!cols->toSlots(referenceBuffer.data(), count, colSlots.data(), c.x, c.y,
                                   c.width, "reference", error)) {
                    shared.fail(badInput(error));
                    return;
                }
                colData = colSlots.data();
            }
        } else {
            colSlots.assign(count, 0);
            colData = colSlots.data();
        }
        result.table.add(rowData, colData, count);
        if (!rowArea.empty()) {
            for (std::int64_t r = 0; r < c.height; ++r) {
                const double area = rowArea[static_cast<std::size_t>(c.y + r)];
                const std::uint8_t* line = rowData + r * c.width;
                for (std::int64_t i = 0; i < c.width; ++i)
                    result.rowAreas[line[i]] += area;
            }
        }
        std::lock_guard lock(shared.mutex);
        shared.pixelsDone += count;
        shared.progress->Progress(static_cast<double>(shared.pixelsDone) /
                                  static_cast<double>(shared.pixelsTotal));
    }
    result.rowValues = rows.values();
    result.colValues = reference ? cols->values() : std::vector<double>{0.0};
}

int threadCount(const MapRequest& request, std::size_t chunks) {
    int threads = request.threads > 0 ? request.threads
                                      : static_cast<int>(std::thread::hardware_concurrency());
    threads = std::max(threads, 1);
    return static_cast<int>(
        std::min<std::size_t>(static_cast<std::size_t>(threads), std::max<std::size_t>(chunks, 1)));
}

// Reads the window of `source` once more, row by row, for a message only: each
// row goes to `visit` with its y until `visit` returns true. A file that cannot
// be opened or a row that cannot be read ends the reading quietly.
template <typename Visit>
void readRowsAgain(const BandSource& source, const PixelWindow& window, Visit visit) {
    GDALDatasetUniquePtr data = openDataset(source.path, GDAL_OF_RASTER);
    if (!data)
        return;
    GDALRasterBand* band = data->GetRasterBand(source.band);
    std::vector<double> row(static_cast<std::size_t>(window.xSize));
    for (std::int64_t y = window.yOffset; y < window.yOffset + window.ySize; ++y) {
        if (band->RasterIO(GF_Read, static_cast<int>(window.xOffset), static_cast<int>(y),
                           static_cast<int>(window.xSize), 1, row.data(),
                           static_cast<int>(window.xSize), 1, GDT_Float64, 0, 0,
                           nullptr) != CE_None ||
            visit(y, row))
            return;
    }
}

// The number of distinct valid values in the window: only to name how many
// classes a side that has too many holds.
std::size_t classesIn(const BandSource& source, const PixelWindow& window) {
    std::set<double> values;
    readRowsAgain(source, window, [&](std::int64_t, const std::vector<double>& row) {
        for (double v : row)
            if (!std::isnan(v) && !source.leftOut.contains(v))
                values.insert(v);
        return false;
    });
    return values.size();
}

// Runs countChunks on the chunks of `window` in as many threads as asked.
std::variant<std::vector<ThreadCount>, InputError>
countInThreads(const MapRequest& request, GDALRasterBand& mapBand, const BandSource& map,
               const BandSource* reference, const PixelWindow& window,
               const std::vector<double>& rowArea, ProgressSink& progress) {
    SharedState shared;
    shared.chunks = chunksOf(mapBand, window);
    shared.pixelsTotal =
        static_cast<std::uint64_t>(window.xSize) * static_cast<std::uint64_t>(window.ySize);
    shared.progress = &progress;
    const int threads = threadCount(request, shared.chunks.size());
    std::vector<ThreadCount> results(static_cast<std::size_t>(threads));
    // Memory running out in a thread ends the count as a failure, never the process.
    const auto share = [&](std::size_t t) {
        try {
            countChunks(shared, map, reference, rowArea, results[t]);
        } catch (const std::bad_alloc&) {
            shared.fail(InputError{InputError::ReadError, "out of memory"});
        }
    };
    {
        std::vector<std::jthread> workers;
        for (int t = 1; t < threads; ++t)
            workers.emplace_back(share, static_cast<std::size_t>(t));
        share(0);
    }
    if (shared.error) {
        for (const BandSource* side : {&map, reference}) {
            const std::string name = side != nullptr ? side->side : "";
            if (side != nullptr && shared.error->message == tooManyClasses(name))
                shared.error->message = "the " + name + " holds " +
                                        std::to_string(classesIn(*side, window)) +
                                        " classes; at most " +
                                        std::to_string(MaxMatrixSize) + " are allowed";
        }
    }
    if (shared.error)
        return *shared.error;
    return results;
}

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
};

Merged merge(const std::vector<ThreadCount>& results, const LeftOutValues& mapLeftOut,
             const LeftOutValues* referenceLeftOut) {
    Merged merged;
    for (const ThreadCount& t : results) {
        for (std::size_t r = 0; r < t.rowValues.size(); ++r) {
            const double rowValue = t.rowValues[r];
            const bool rowLeftOut = mapLeftOut.contains(rowValue);
            if (!t.rowAreas.empty() && !rowLeftOut && t.rowAreas[r] != 0.0)
                merged.mapAreas[rowValue] += t.rowAreas[r];
            for (std::size_t c = 0; c < t.colValues.size(); ++c) {
                const std::uint64_t n = t.table.at(static_cast<int>(r), static_cast<int>(c));
                if (n == 0)
                    continue;
                if (!rowLeftOut)
                    merged.mapPixels[rowValue] += n;
                if (rowLeftOut || (referenceLeftOut && referenceLeftOut->contains(t.colValues[c])))
                    merged.leftOut += n;
                else if (referenceLeftOut)
                    merged.pairs[{rowValue, t.colValues[c]}] += n;
            }
        }
    }
    return merged;
}

// The classes: those given, or every value seen in numeric order; fills the
// matrix. Refuses a value outside the given list, and more classes than a matrix
// may have.
// Where a value stands, for the message that refuses it: " at row R, column C".
using PlaceOf = std::function<std::string(bool onMap, double value)>;

std::optional<InputError> formMatrix(const MapRequest& request,
                                   const std::map<PairKey, std::uint64_t>& pairs,
                                   const std::map<double, std::uint64_t>& extraRowValues,
                                   MapCount& out, const PlaceOf& placeOf) {
    std::vector<double> seen;
    for (const auto& [key, n] : pairs) {
        seen.push_back(key.row);
        seen.push_back(key.col);
    }
    for (const auto& [value, n] : extraRowValues)
        seen.push_back(value);
    std::sort(seen.begin(), seen.end());
    seen.erase(std::unique(seen.begin(), seen.end()), seen.end());
    if (request.classes) {
        for (const auto& [key, n] : pairs)
            for (const auto& [value, side] :
                 {std::pair{key.row, "map"}, std::pair{key.col, "reference"}})
                if (std::find(request.classes->begin(), request.classes->end(), value) ==
                    request.classes->end())
                    return badInput(std::string("the ") + side + " holds " + ClassLabel(value) +
                                    placeOf(side[0] == 'm', value) +
                                    ", which is not among --classes");
        out.classValues = *request.classes;
    } else {
        out.classValues = seen;
    }
    if (out.classValues.size() > static_cast<std::size_t>(MaxMatrixSize))
        return badInput("the maps hold " + std::to_string(out.classValues.size()) +
                        " classes; at most " + std::to_string(MaxMatrixSize) + " are allowed");
    const std::size_t n = out.classValues.size();
    auto indexOf = [&](double value) {
        return static_cast<std::size_t>(
            std::find(out.classValues.begin(), out.classValues.end(), value) -
            out.classValues.begin());
    };
    out.counts.assign(n * n, 0);
    for (const auto& [key, count] : pairs) {
        out.counts[indexOf(key.row) * n + indexOf(key.col)] += count;
        out.source.counted += count;
    }
    return std::nullopt;
}

// The first pixel of the window holding `value`, row by row: only to name the
// place of a value that is refused.
std::string firstPlaceOf(const BandSource& source, const PixelWindow& window, double value) {
    std::string place;
    readRowsAgain(source, window, [&](std::int64_t y, const std::vector<double>& row) {
        for (std::size_t x = 0; x < row.size(); ++x)
            if (row[x] == value) {
                place = pixelPlace(y, window.xOffset + static_cast<std::int64_t>(x));
                return true;
            }
        return false;
    });
    return place;
}

struct MapFacts {
    std::array<double, 6> transform{0, 1, 0, 0, 0, 1};
    const OGRSpatialReference* crs = nullptr;
};

MapFacts factsOf(GDALDataset& data) {
    MapFacts facts;
    if (data.GetGeoTransform(facts.transform.data()) != CE_None)
        facts.transform = {0, 1, 0, 0, 0, 1};
    facts.crs = data.GetSpatialRef();
    return facts;
}

std::string crsName(const OGRSpatialReference* crs) {
    if (crs == nullptr)
        return "none";
    const char* name = crs->GetName();
    std::string text = name != nullptr ? name : "unnamed";
    const char* authority = crs->GetAuthorityName(nullptr);
    const char* code = crs->GetAuthorityCode(nullptr);
    if (authority != nullptr && code != nullptr)
        text += std::string(" (") + authority + ":" + code + ")";
    return text;
}

// Same size, geotransform to within 1e-9 of a pixel at every corner, same
// coordinate system; otherwise what differs, named for both (`other`: "reference").
std::optional<InputError> checkSameGrid(GDALDataset& map, GDALDataset& reference,
                                      const std::string& other) {
    const auto mapSize = std::pair{map.GetRasterXSize(), map.GetRasterYSize()};
    const auto referenceSize = std::pair{reference.GetRasterXSize(), reference.GetRasterYSize()};
    if (mapSize != referenceSize)
        return badInput("the map is " + std::to_string(mapSize.first) + " x " +
                        std::to_string(mapSize.second) + " pixels, the " + other + " " +
                        std::to_string(referenceSize.first) + " x " +
                        std::to_string(referenceSize.second) + ": they must be on the same grid");
    const MapFacts m = factsOf(map), r = factsOf(reference);
    double inverse[6];
    if (!GDALInvGeoTransform(const_cast<double*>(r.transform.data()), inverse))
        return badInput("the " + other + "'s geotransform cannot be inverted");
    for (const auto& [px, py] :
         {std::pair{0, 0}, std::pair{mapSize.first, 0}, std::pair{0, mapSize.second}, mapSize}) {
        const double x = m.transform[0] + px * m.transform[1] + py * m.transform[2];
        const double y = m.transform[3] + px * m.transform[4] + py * m.transform[5];
        const double rx = inverse[0] + x * inverse[1] + y * inverse[2];
        const double ry = inverse[3] + x * inverse[4] + y * inverse[5];
        if (std::fabs(rx - px) > 1e-9 || std::fabs(ry - py) > 1e-9) {
            auto text = [](const std::array<double, 6>& t) {
                std::string s;
                for (double v : t)
                    s += (s.empty() ? "" : ", ") + numberText(v);
                return s;
            };
            return badInput("the map's geotransform is (" + text(m.transform) + "), the " + other +
                            "'s (" + text(r.transform) + "): they must be on the same grid");
        }
    }
    const bool same = (m.crs == nullptr && r.crs == nullptr) ||
                      (m.crs != nullptr && r.crs != nullptr && m.crs->IsSame(r.crs));
    if (!same)
        return badInput("the map's coordinate system is " + crsName(m.crs) + ", the " + other +
                        "'s " + crsName(r.crs) + ": they must be on the same grid");
    return std::nullopt;
}

std::variant<PixelWindow, InputError> windowOf(const MapRequest& request, GDALDataset& map) {
    const PixelWindow whole{0, 0, map.GetRasterXSize(), map.GetRasterYSize()};
    if (!request.window)
        return whole;
    const PixelWindow& w = *request.window;
    if (w.xOffset < 0 || w.yOffset < 0 || w.xSize <= 0 || w.ySize <= 0 ||
        w.xOffset + w.xSize > whole.xSize || w.yOffset + w.ySize > whole.ySize)
        return badInput("the window " + std::to_string(w.xOffset) + "," +
                        std::to_string(w.yOffset) + "," + std::to_string(w.xSize) + "," +
                        std::to_string(w.ySize) + " does not lie within the map's " +
                        std::to_string(whole.xSize) + " x " + std::to_string(whole.ySize) +
                        " pixels");
    return w;
}

std::variant<GDALRasterBand*, InputError> bandOf(GDALDataset& data, int index,
                                               const std::string& path, const char* option) {
    if (index < 1 || index > data.GetRasterCount())
        return badInput(path + " has " + std::to_string(data.GetRasterCount()) +
                        " bands; there is no band " + std::to_string(index) + " for " + option);
    return data.GetRasterBand(index);
}

// The map's own area of each pixel: one figure for a projected grid, one per row
// for a geographic one (on its ellipsoid, in m²).
struct PixelAreas {
    double perPixel = 0.0;
    std::vector<double> perRow; // geographic only
    std::string unit;
};

std::variant<PixelAreas, InputError> pixelAreasOf(GDALDataset& map) {
    const MapFacts facts = factsOf(map);
    const auto& t = facts.transform;
    PixelAreas areas;
    if (facts.crs != nullptr && facts.crs->IsGeographic()) {
        if (t[2] != 0.0 || t[4] != 0.0)
            return badInput(
                "the map's geographic grid is rotated; its pixel areas cannot be formed");
        OGRErr err = OGRERR_NONE;
        const double a = facts.crs->GetSemiMajor(&err);
        const double inverseFlattening = facts.crs->GetInvFlattening(&err);
        const double degreesPerUnit = facts.crs->GetAngularUnits() * 180.0 / M_PI;
        const double flattening = inverseFlattening == 0.0 ? 0.0 : 1.0 / inverseFlattening;
        areas.perRow.resize(static_cast<std::size_t>(map.GetRasterYSize()));
        for (std::size_t row = 0; row < areas.perRow.size(); ++row) {
            const double top = (t[3] + static_cast<double>(row) * t[5]) * degreesPerUnit;
            const double bottom = top + t[5] * degreesPerUnit;
            areas.perRow[row] =
                EllipsoidalCellArea(a, flattening, top, bottom, t[1] * degreesPerUnit);
        }
        areas.unit = "m²";
        return areas;
    }
    areas.perPixel = std::fabs(t[1] * t[5] - t[2] * t[4]);
    if (facts.crs == nullptr) {
        areas.unit = "map unit²";
    } else {
        const char* name = nullptr;
        facts.crs->GetLinearUnits(&name);
        const std::string unit = name != nullptr ? name : "unit";
        areas.unit = (unit == "metre" || unit == "meter") ? "m²" : unit + "²";
    }
    return areas;
}

std::optional<double> fieldValue(OGRFeature& feature, int field) {
    if (!feature.IsFieldSetAndNotNull(field))
        return std::nullopt;
    const OGRFieldType type = feature.GetFieldDefnRef(field)->GetType();
    if (type == OFTInteger || type == OFTInteger64 || type == OFTReal)
        return feature.GetFieldAsDouble(field);
    const std::string text = feature.GetFieldAsString(field);
    if (text.find_first_not_of(" \t") == std::string::npos)
        return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || *end != '\0')
        return std::nan(""); // no number: refused by the caller as no whole number
    return value;
}

// One pass's share of the progress of a count that makes two.
class PartProgress final : public ProgressSink {
  public:
    PartProgress(ProgressSink& whole, double from, double share)
        : m_whole(whole), m_from(from), m_share(share) {}
    void Progress(double fraction) override { m_whole.Progress(m_from + fraction * m_share); }

  private:
    ProgressSink& m_whole;
    double m_from, m_share;
};

// (stratum, map, reference) values of the points, with their counts.
using StratumTriples = std::map<std::array<double, 3>, std::uint64_t>;

// The points' strata: every valid value of the strata raster in the window, its
// pixels the stratum's size. A stratum with more points than pixels is refused:
// its sample cannot be a sample of its pixels.
std::optional<InputError> stratify(const std::string& path, const StratumTriples& triples,
                                 const std::map<double, std::uint64_t>& pixels, MapCount& out) {
    MapStrata strata;
    for (const auto& [value, n] : pixels) {
        strata.values.push_back(value);
        strata.pixels.push_back(n);
    }
    const auto indexIn = [](const std::vector<double>& values, double value) {
        return static_cast<std::size_t>(std::find(values.begin(), values.end(), value) -
                                        values.begin());
    };
    std::vector<std::uint64_t> points(strata.values.size(), 0);
    for (const auto& [key, n] : triples) {
        // The point's pixel lies in the window and holds a valid value: it was counted.
        const std::size_t h = indexIn(strata.values, key[0]);
        strata.cells.push_back(
            {h, indexIn(out.classValues, key[1]), indexIn(out.classValues, key[2]), n});
        points[h] += n;
    }
    for (std::size_t h = 0; h < points.size(); ++h)
        if (points[h] > strata.pixels[h])
            return badInput("stratum " + ClassLabel(strata.values[h]) + " of " + path + " holds " +
                            std::to_string(points[h]) + " points but only " +
                            std::to_string(strata.pixels[h]) +
                            (strata.pixels[h] == 1 ? " pixel" : " pixels") +
                            ": a stratified sample has at most one point per pixel");
    out.strata = std::move(strata);
    return std::nullopt;
}

// Reads each point's pixel of the map (and of the strata raster) and counts the
// pairs; the map's own classes and areas come from one pass over its window, the
// strata's sizes from one over the strata raster's.
std::variant<MapCount, InputError> countPoints(const MapRequest& request, GDALDataset& map,
                                             GDALRasterBand& mapBand, const BandSource& mapSource,
                                             const PixelWindow& window, ProgressSink& progress) {
    GDALDatasetUniquePtr points = openDataset(request.referencePath, GDAL_OF_VECTOR);
    if (!points)
        return readError(request.referencePath, gdalReason());
    OGRLayer* layer = nullptr;
    if (!request.referenceLayer.empty()) {
        layer = points->GetLayerByName(request.referenceLayer.c_str());
        if (layer == nullptr)
            return badInput(request.referencePath + " has no layer " + request.referenceLayer);
    } else if (points->GetLayerCount() == 1) {
        layer = points->GetLayer(0);
    } else {
        std::string names;
        for (int i = 0; i < points->GetLayerCount(); ++i)
            names += (i ? ", " : "") + std::string(points->GetLayer(i)->GetName());
        return badInput(request.referencePath + " has " + std::to_string(points->GetLayerCount()) +
                        " layers (" + names + "); choose one with --reference-layer");
    }
    if (request.referenceField.empty())
        return badInput(
            "a point reference needs --reference-field, the field that holds the class");
    const int field = layer->GetLayerDefn()->GetFieldIndex(request.referenceField.c_str());
    if (field < 0)
        return badInput("the layer " + std::string(layer->GetName()) + " of " +
                        request.referencePath + " has no field " + request.referenceField);

    const MapFacts facts = factsOf(map);
    double inverse[6];
    if (!GDALInvGeoTransform(const_cast<double*>(facts.transform.data()), inverse))
        return badInput("the map's geotransform cannot be inverted");
    TransformPtr transform;
    if (const OGRSpatialReference* layerCrs = layer->GetSpatialRef();
        layerCrs != nullptr && facts.crs != nullptr && !layerCrs->IsSame(facts.crs)) {
        OGRSpatialReference from(*layerCrs), to(*facts.crs);
        from.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
        to.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
        transform.reset(OGRCreateCoordinateTransformation(&from, &to));
        if (!transform)
            return badInput("the points cannot be transformed to the map's coordinate system: " +
                            gdalReason());
    }

    // The strata raster is read under each point where the map is, and counted
    // over the window for the strata's sizes.
    GDALDatasetUniquePtr strata;
    GDALRasterBand* strataBand = nullptr;
    BandSource strataSource;
    if (!request.strataPath.empty()) {
        strata = openDataset(request.strataPath, GDAL_OF_RASTER);
        if (!strata || strata->GetRasterCount() == 0)
            return readError(request.strataPath, strata ? "it holds no raster band" : gdalReason());
        if (auto error = checkSameGrid(map, *strata, "strata raster"))
            return *error;
        strataBand = strata->GetRasterBand(1);
        strataSource = BandSource{request.strataPath, 1, strataBand->GetRasterDataType(),
                                  leftOutOf(*strataBand, request.nodata), "strata raster"};
    }

    MapCount out;
    out.pointReference = true;
    std::map<PairKey, std::uint64_t> pairs;
    StratumTriples triples;
    const LeftOutValues referenceLeftOut{std::nullopt, request.nodata};
    layer->ResetReading();
    CPLErrorReset();
    for (const OGRFeatureUniquePtr& feature : *layer) {
        const OGRGeometry* geometry = feature->GetGeometryRef();
        if (geometry == nullptr || wkbFlatten(geometry->getGeometryType()) != wkbPoint)
            return badInput("feature " + std::to_string(feature->GetFID()) + " of " +
                            request.referencePath + " is not a point");
        const std::optional<double> referenceValue = fieldValue(*feature, field);
        if (!referenceValue) {
            ++out.source.empty;
            continue;
        }
        if (!isWhole(*referenceValue) && !referenceLeftOut.contains(*referenceValue))
            return badInput("feature " + std::to_string(feature->GetFID()) + " of " +
                            request.referencePath + " has the class " +
                            feature->GetFieldAsString(field) + ", which is not a whole number");
        const auto* point = geometry->toPoint();
        double x = point->getX(), y = point->getY();
        if (transform && !transform->Transform(1, &x, &y)) {
            ++out.source.outside;
            continue;
        }
        const double px = std::floor(inverse[0] + x * inverse[1] + y * inverse[2]);
        const double py = std::floor(inverse[3] + x * inverse[4] + y * inverse[5]);
        if (!(px >= static_cast<double>(window.xOffset) &&
              px < static_cast<double>(window.xOffset + window.xSize) &&
              py >= static_cast<double>(window.yOffset) &&
              py < static_cast<double>(window.yOffset + window.ySize))) {
            ++out.source.outside;
            continue;
        }
        const auto row = static_cast<std::int64_t>(py), column = static_cast<std::int64_t>(px);
        // The value of the point's pixel in `band`.
        const auto readPixel = [&](GDALRasterBand& band, double& value) {
            return band.RasterIO(GF_Read, static_cast<int>(px), static_cast<int>(py), 1, 1, &value,
                                 1, 1, GDT_Float64, 0, 0, nullptr) == CE_None;
        };
        double value = 0.0;
        if (!readPixel(mapBand, value))
            return readError(request.mapPath, gdalReason());
        if (mapSource.leftOut.contains(value) || referenceLeftOut.contains(*referenceValue)) {
            ++out.source.nodata;
            continue;
        }
        if (!isWhole(value))
            return badInput(notWholeAt("the map", value, row, column, "class"));
        double stratum = 0.0;
        if (strataBand != nullptr) {
            if (!readPixel(*strataBand, stratum))
                return readError(request.strataPath, gdalReason());
            if (strataSource.leftOut.contains(stratum)) {
                ++out.source.nodata;
                continue;
            }
            if (!isWhole(stratum))
                return badInput(notWholeAt("the strata raster", stratum, row, column, "stratum"));
        }
        if (request.classes)
            for (const double v : {value, *referenceValue})
                if (std::find(request.classes->begin(), request.classes->end(), v) ==
                    request.classes->end())
                    return badInput("feature " + std::to_string(feature->GetFID()) + " of " +
                                    request.referencePath + ": the " +
                                    (v == value ? "map holds " : "point's class is ") +
                                    ClassLabel(v) + ", which is not among --classes");
        ++pairs[{value, *referenceValue}];
        if (strataBand != nullptr)
            ++triples[{stratum, value, *referenceValue}];
    }
    // The layer's features end early, without a word, where one cannot be read.
    if (CPLGetLastErrorType() >= CE_Failure)
        return readError(request.referencePath, gdalReason());

    auto areas = pixelAreasOf(map);
    if (auto* error = std::get_if<InputError>(&areas))
        return *error;
    const PixelAreas& pixelAreas = std::get<PixelAreas>(areas);
    PartProgress mapPart(progress, 0.0, strataBand != nullptr ? 0.5 : 1.0);
    auto counted =
        countInThreads(request, mapBand, mapSource, nullptr, window, pixelAreas.perRow, mapPart);
    if (auto* error = std::get_if<InputError>(&counted))
        return *error;
    const Merged merged =
        merge(std::get<std::vector<ThreadCount>>(counted), mapSource.leftOut, nullptr);
    if (auto error = formMatrix(
            request, pairs, request.classes ? std::map<double, std::uint64_t>{} : merged.mapPixels,
            out, [](bool, double) { return std::string(); }))
        return *error;
    MapAreas mapAreas;
    mapAreas.unit = pixelAreas.unit;
    for (double value : out.classValues) {
        const auto found = merged.mapPixels.find(value);
        const std::uint64_t pixels = found == merged.mapPixels.end() ? 0 : found->second;
        out.mapPixels.push_back(pixels);
        if (pixelAreas.perRow.empty()) {
            mapAreas.perClass.push_back(static_cast<double>(pixels) * pixelAreas.perPixel);
        } else {
            const auto area = merged.mapAreas.find(value);
            mapAreas.perClass.push_back(area == merged.mapAreas.end() ? 0.0 : area->second);
        }
    }
    out.areas = std::move(mapAreas);
    if (strataBand != nullptr) {
        PartProgress strataPart(progress, 0.5, 0.5);
        auto strataCounted =
            countInThreads(request, *strataBand, strataSource, nullptr, window, {}, strataPart);
        if (auto* error = std::get_if<InputError>(&strataCounted))
            return *error;
        const Merged strataMerged =
            merge(std::get<std::vector<ThreadCount>>(strataCounted), strataSource.leftOut, nullptr);
        if (auto error = stratify(request.strataPath, triples, strataMerged.mapPixels, out))
            return *error;
    }
    return out;
}

} // namespace

double EllipsoidalCellArea(double a, double flattening, double latitude1Degrees,
                           double latitude2Degrees, double widthDegrees) {
    // The area between the equator and a latitude on an ellipsoid of revolution,
    // per radian of longitude, is b²/2 · q(φ), q as in the authalic latitude.
    const double e2 = flattening * (2.0 - flattening);
    const double b2 = a * a * (1.0 - e2);
    const double toRadians = M_PI / 180.0;
    auto q = [&](double latitudeDegrees) {
        const double s = std::sin(latitudeDegrees * toRadians);
        if (e2 == 0.0)
            return 2.0 * s;
        const double e = std::sqrt(e2);
        return s / (1.0 - e2 * s * s) + std::log((1.0 + e * s) / (1.0 - e * s)) / (2.0 * e);
    };
    return std::fabs(b2 / 2.0 * (q(latitude1Degrees) - q(latitude2Degrees)) * widthDegrees *
                     toRadians);
}

std::string ClassLabel(double value) {
    if (std::fabs(value) < 9.2e18)
        return std::to_string(static_cast<long long>(value));
    return numberText(value);
}

std::variant<MapCount, InputError> CountMaps(const MapRequest& request, ProgressSink& progress) {
    GDALAllRegister();
    // The block cache is GDAL's own; without a setting of the user's it is kept
    // small, so that memory does not grow with the map.
    if (std::getenv("GDAL_CACHEMAX") == nullptr)
        GDALSetCacheMax64(64LL << 20);
    QuietGdalErrors quiet;

    GDALDatasetUniquePtr map = openDataset(request.mapPath, GDAL_OF_RASTER);
    if (!map)
        return readError(request.mapPath, gdalReason());
    auto mapBand = bandOf(*map, request.mapBand, request.mapPath, "--map-band");
    if (auto* error = std::get_if<InputError>(&mapBand))
        return *error;
    GDALRasterBand& band = *std::get<GDALRasterBand*>(mapBand);
    const BandSource mapSource{request.mapPath, request.mapBand, band.GetRasterDataType(),
                               leftOutOf(band, request.nodata)};
    auto window = windowOf(request, *map);
    if (auto* error = std::get_if<InputError>(&window))
        return *error;
    const PixelWindow& w = std::get<PixelWindow>(window);

    // A reference that GDAL opens as a raster is one; any other is read as points.
    CPLErrorReset();
    GDALDatasetUniquePtr reference = openDataset(request.referencePath, GDAL_OF_RASTER);
    if (!reference || reference->GetRasterCount() == 0 || !request.referenceField.empty())
        return countPoints(request, *map, band, mapSource, w, progress);

    if (!request.strataPath.empty())
        return badInput("--strata stratifies sample points: it needs a point reference, and " +
                        request.referencePath + " is a raster");
    if (auto error = checkSameGrid(*map, *reference, "reference"))
        return *error;
    auto referenceBand =
        bandOf(*reference, request.referenceBand, request.referencePath, "--reference-band");
    if (auto* error = std::get_if<InputError>(&referenceBand))
        return *error;
    GDALRasterBand& rb = *std::get<GDALRasterBand*>(referenceBand);
    const BandSource referenceSource{request.referencePath, request.referenceBand,
                                     rb.GetRasterDataType(), leftOutOf(rb, request.nodata)};
    reference.reset();

    auto counted = countInThreads(request, band, mapSource, &referenceSource, w, {}, progress);
    if (auto* error = std::get_if<InputError>(&counted))
        return *error;
    const Merged merged = merge(std::get<std::vector<ThreadCount>>(counted), mapSource.leftOut,
                                &referenceSource.leftOut);
    MapCount out;
    const auto placeOf = [&](bool onMap, double value) {
        return firstPlaceOf(onMap ? mapSource : referenceSource, w, value);
    };
    if (auto error = formMatrix(request, merged.pairs, {}, out, placeOf))
        return *error;
    for (double value : out.classValues) {
        const auto found = merged.mapPixels.find(value);
        out.mapPixels.push_back(found == merged.mapPixels.end() ? 0 : found->second);
    }
    out.source.nodata = static_cast<std::uint64_t>(w.xSize) * static_cast<std::uint64_t>(w.ySize) -
                        out.source.counted;
    return out;
}

} // namespace brennic
