// The pair count of two bands on one grid, in threads, and the matrix formed
// from the sum of the threads' tables.
#include "maps/raster_count.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <new>
#include <thread>

#include "core/run.h"
#include "maps/aligned_reference.h"
#include "maps/gdal_support.h"
#include "maps/grid.h"

namespace brennic::maps {

Chunks::Chunks(GDALRasterBand& band, const PixelWindow& window) : m_window(window) {
    int blockWidth = 0, blockHeight = 0;
    band.GetBlockSize(&blockWidth, &blockHeight);
    m_height = std::max(blockHeight, 1);
    while (m_height * blockWidth < 65536 && m_height < window.ySize)
        m_height += std::max(blockHeight, 1);
    m_width = std::max(blockWidth, 1);
    m_x0 = window.xOffset / m_width * m_width;
    m_y0 = window.yOffset / m_height * m_height;
    m_across = (window.xOffset + window.xSize - m_x0 + m_width - 1) / m_width;
    m_down = (window.yOffset + window.ySize - m_y0 + m_height - 1) / m_height;
}

Chunk Chunks::at(std::uint64_t index) const {
    const std::int64_t x =
        m_x0 + static_cast<std::int64_t>(index % static_cast<std::uint64_t>(m_across)) * m_width;
    const std::int64_t y =
        m_y0 + static_cast<std::int64_t>(index / static_cast<std::uint64_t>(m_across)) * m_height;
    const std::int64_t x0 = std::max(x, m_window.xOffset), y0 = std::max(y, m_window.yOffset);
    const std::int64_t x1 = std::min(x + m_width, m_window.xOffset + m_window.xSize);
    const std::int64_t y1 = std::min(y + m_height, m_window.yOffset + m_window.ySize);
    return {x0, y0, x1 - x0, y1 - y0};
}

namespace {

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

// The pixels of a chunk that the sides' masks keep: read for the sides whose
// mask is read, and none at all where every pixel of the chunk is kept.
class ChunkMask {
  public:
    // Gives false where a mask cannot be read.
    bool read(GDALRasterBand& band, const Chunk& c, std::size_t count) {
        if (!readChunk(*band.GetMaskBand(), c, GDT_Byte, m_buffer))
            return false;
        if (!m_any)
            m_kept.assign(count, 1);
        m_any = true;
        for (std::size_t i = 0; i < count; ++i)
            m_kept[i] = m_kept[i] != 0 && m_buffer[i] != 0;
        return true;
    }
    // The flags of the chunk's pixels, 1 for one kept; null where all are kept.
    const std::uint8_t* kept() const { return m_any ? m_kept.data() : nullptr; }
    void reset() { m_any = false; }

  private:
    std::vector<unsigned char> m_buffer;
    std::vector<std::uint8_t> m_kept;
    bool m_any = false;
};

struct SharedState {
    explicit SharedState(const Chunks& all) : chunks(all) {}
    const Chunks& chunks;
    std::atomic<std::uint64_t> next{0};
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

// Walks chunks until none are left, handing each on to `visitor` as slots.
void walkChunks(SharedState& shared, const BandSource& map, const BandSource* reference,
                const BandSource* compared, std::size_t thread, ChunkVisitor& visitor) {
    QuietGdalErrors quiet;
    GDALDatasetUniquePtr mapData = openDataset(map.toOpen(), GDAL_OF_RASTER);
    GDALDatasetUniquePtr referenceData =
        reference ? openDataset(reference->toOpen(), GDAL_OF_RASTER) : nullptr;
    GDALDatasetUniquePtr comparedData =
        compared ? openDataset(compared->toOpen(), GDAL_OF_RASTER) : nullptr;
    if (!mapData || (reference && !referenceData) || (compared && !comparedData)) {
        shared.fail(readError(!mapData                        ? map.path
                              : (reference && !referenceData) ? reference->path
                                                              : compared->path,
                              gdalReason()));
        return;
    }
    GDALRasterBand* mapBand = mapData->GetRasterBand(map.band);
    GDALRasterBand* referenceBand =
        reference ? referenceData->GetRasterBand(reference->band) : nullptr;
    GDALRasterBand* comparedBand = compared ? comparedData->GetRasterBand(compared->band) : nullptr;
    SlotIndexer rows(map.type, map.leftOut, map.signedBytes);
    std::optional<SlotIndexer> cols, thirds;
    if (reference)
        cols.emplace(reference->type, reference->leftOut, reference->signedBytes);
    if (compared)
        thirds.emplace(compared->type, compared->leftOut, compared->signedBytes);
    std::vector<unsigned char> mapBuffer, referenceBuffer, comparedBuffer;
    std::vector<std::uint8_t> rowSlots, colSlots, thirdSlots;
    std::string error;
    ChunkMask mask;
    std::vector<std::uint8_t> underMapNodata;
    const bool mapLeavesOut = map.leftOut.band || map.leftOut.request;

    while (!shared.failed) {
        const std::uint64_t index = shared.next++;
        if (index >= shared.chunks.count())
            break;
        const Chunk c = shared.chunks.at(index);
        const std::size_t count = static_cast<std::size_t>(c.width * c.height);
        // The slots of one side's pixels of the chunk: its bytes where they are
        // the slots, else turned into slots; null, the walk failed, where not.
        const auto slotsOf = [&](GDALRasterBand& band, const BandSource& source,
                                 SlotIndexer& indexer, std::vector<unsigned char>& buffer,
                                 std::vector<std::uint8_t>& slots,
                                 const std::uint8_t* anySlot) -> const std::uint8_t* {
            if (!readChunk(band, c, indexer.readType(), buffer)) {
                shared.fail(readError(source.path, gdalReason()));
                return nullptr;
            }
            if (indexer.direct())
                return buffer.data();
            slots.resize(count);
            if (!indexer.toSlots(buffer.data(), count, slots.data(), c.x, c.y, c.width, source.side,
                                 error, anySlot)) {
                shared.fail(badInput(error));
                return nullptr;
            }
            return slots.data();
        };
        const std::uint8_t* rowData = slotsOf(*mapBand, map, rows, mapBuffer, rowSlots, nullptr);
        if (rowData == nullptr)
            return;
        const std::uint8_t* colData = nullptr;
        if (reference) {
            // The reference's values under the map's no-data need no slot of
            // their own: they count towards no class.
            const std::uint8_t* anySlot = nullptr;
            if (mapLeavesOut && !cols->direct()) {
                const std::vector<std::uint8_t> leftOut = rows.leftOutSlots();
                underMapNodata.resize(count);
                for (std::size_t i = 0; i < count; ++i)
                    underMapNodata[i] = leftOut[rowData[i]];
                anySlot = underMapNodata.data();
            }
            colData =
                slotsOf(*referenceBand, *reference, *cols, referenceBuffer, colSlots, anySlot);
            if (colData == nullptr)
                return;
        } else {
            colSlots.assign(count, 0);
            colData = colSlots.data();
        }
        const std::uint8_t* thirdData = nullptr;
        if (compared) {
            thirdData =
                slotsOf(*comparedBand, *compared, *thirds, comparedBuffer, thirdSlots, nullptr);
            if (thirdData == nullptr)
                return;
        }
        mask.reset();
        for (const auto& [band, source] :
             {std::pair{mapBand, &map}, std::pair{referenceBand, reference},
              std::pair{comparedBand, compared}}) {
            if (source != nullptr && source->masked && !mask.read(*band, c, count)) {
                shared.fail(readError(source->path, gdalReason()));
                return;
            }
        }
        visitor.Chunk(thread,
                      ChunkSlots{index, c.x, c.y, c.width, c.height, rowData, colData, mask.kept(),
                                 rows.values(), reference ? &cols->values() : nullptr, thirdData,
                                 compared ? &thirds->values() : nullptr});
        std::lock_guard lock(shared.mutex);
        shared.pixelsDone += count;
        shared.progress->Progress(static_cast<double>(shared.pixelsDone) /
                                  static_cast<double>(shared.pixelsTotal));
    }
}

// Each thread's pair count, with the masked pixels and, on a geographic grid,
// the area of each map slot.
class PairCounter final : public ChunkVisitor {
  public:
    // `triples`: a compared map's slots come with each chunk, and the triples of
    // the three sides are counted instead of the pairs.
    PairCounter(std::vector<ThreadCount>& results, const PixelAreas* areas, bool triples)
        : m_results(results), m_areas(areas), m_threads(results.size()) {
        for (ThreadCount& result : results) {
            if (areas != nullptr && areas->geographic) {
                result.rowAreas.assign(Slots, 0.0);
                if (triples)
                    result.comparedAreas.assign(Slots, 0.0);
            }
            if (triples)
                result.triples.emplace();
        }
    }

    void Chunk(std::size_t thread, const ChunkSlots& c) override {
        ThreadCount& result = m_results[thread];
        Scratch& own = m_threads[thread];
        const std::size_t count = static_cast<std::size_t>(c.width * c.height);
        const std::uint8_t *rows = c.rows, *cols = c.cols, *thirds = c.thirds;
        std::size_t n = count;
        if (c.kept != nullptr) {
            // The masked pixels are counted apart, the others moved together.
            own.keptRows.resize(count);
            own.keptCols.resize(count);
            own.keptThirds.resize(thirds != nullptr ? count : 0);
            n = 0;
            for (std::size_t i = 0; i < count; ++i) {
                own.keptRows[n] = c.rows[i];
                own.keptCols[n] = c.cols[i];
                if (thirds != nullptr)
                    own.keptThirds[n] = thirds[i];
                n += c.kept[i];
            }
            result.masked += count - n;
            rows = own.keptRows.data();
            cols = own.keptCols.data();
            thirds = thirds != nullptr ? own.keptThirds.data() : nullptr;
        }
        if (result.triples)
            result.triples->add(rows, thirds, cols, n);
        else
            result.table.add(rows, cols, n);
        if (!result.rowAreas.empty())
            addRowAreas(c, own, result);
        // A side's values are only ever added to: the same number, the same values.
        if (result.rowValues.size() != c.rowValues.size())
            result.rowValues = c.rowValues;
        if (c.colValues == nullptr)
            result.colValues = {0.0};
        else if (result.colValues.size() != c.colValues->size())
            result.colValues = *c.colValues;
        if (c.thirdValues != nullptr && result.comparedValues.size() != c.thirdValues->size())
            result.comparedValues = *c.thirdValues;
    }

  private:
    struct Scratch {
        std::vector<std::uint8_t> keptRows, keptCols, keptThirds;
        // The areas of the rows of the last chunk: a thread's chunks mostly
        // follow each other along one band of rows.
        std::vector<double> rowArea;
        std::int64_t rowAreaFrom = -1;
    };

    void addRowAreas(const ChunkSlots& c, Scratch& own, ThreadCount& result) const {
        if (own.rowAreaFrom != c.y || own.rowArea.size() != static_cast<std::size_t>(c.height)) {
            own.rowArea.resize(static_cast<std::size_t>(c.height));
            for (std::int64_t r = 0; r < c.height; ++r)
                own.rowArea[static_cast<std::size_t>(r)] = m_areas->ofRow(c.y + r);
            own.rowAreaFrom = c.y;
        }
        for (std::int64_t r = 0; r < c.height; ++r) {
            const double area = own.rowArea[static_cast<std::size_t>(r)];
            const std::int64_t from = r * c.width;
            for (std::int64_t i = from; i < from + c.width; ++i)
                if (c.kept == nullptr || c.kept[i] != 0) {
                    result.rowAreas[c.rows[i]] += area;
                    if (c.thirds != nullptr)
                        result.comparedAreas[c.thirds[i]] += area;
                }
        }
    }

    std::vector<ThreadCount>& m_results;
    const PixelAreas* m_areas;
    std::vector<Scratch> m_threads;
};

// As many threads as asked, but no more than the machine's cores, beyond which
// none helps and each holds its own tables (2 MiB) and datasets.
int threadCount(const MapRequest& request, std::uint64_t chunks) {
    const int cores = std::max(static_cast<int>(std::thread::hardware_concurrency()), 1);
    const int threads = request.threads > 0 ? std::min(request.threads, cores) : cores;
    return static_cast<int>(std::min<std::uint64_t>(static_cast<std::uint64_t>(threads),
                                                    std::max<std::uint64_t>(chunks, 1)));
}

// Reads the window of `source` once more, row by row in pieces of at most 65536
// pixels, for a message only: each piece goes to `visit` with its row and first
// column until `visit` returns true. A file that cannot be opened or a piece that
// cannot be read ends the reading quietly.
template <typename Visit>
void readRowsAgain(const BandSource& source, const PixelWindow& window, Visit visit) {
    GDALDatasetUniquePtr data = openDataset(source.toOpen(), GDAL_OF_RASTER);
    if (!data)
        return;
    GDALRasterBand* band = data->GetRasterBand(source.band);
    const std::int64_t piece = std::min<std::int64_t>(window.xSize, 65536);
    std::vector<double> values(static_cast<std::size_t>(piece));
    for (std::int64_t y = window.yOffset; y < window.yOffset + window.ySize; ++y) {
        for (std::int64_t x = window.xOffset; x < window.xOffset + window.xSize; x += piece) {
            const std::int64_t width = std::min(piece, window.xOffset + window.xSize - x);
            values.resize(static_cast<std::size_t>(width));
            if (band->RasterIO(GF_Read, static_cast<int>(x), static_cast<int>(y),
                               static_cast<int>(width), 1, values.data(), static_cast<int>(width),
                               1, GDT_Float64, 0, 0, nullptr) != CE_None ||
                visit(y, x, values))
                return;
        }
    }
}

} // namespace

BandSource bandSourceOf(GDALRasterBand& band, const std::string& path, int number,
                        const std::optional<double>& nodata, const char* side) {
    return {path, number,        band.GetRasterDataType(), leftOutOf(band, nodata),
            side, hasMask(band), isSignedByte(band),       {}};
}

void TripleTable::add(const std::uint8_t* a, const std::uint8_t* b, const std::uint8_t* r,
                      std::size_t count) {
    if (m_large)
        addLarge(a, b, r, count);
    else
        addSmall(a, b, r, count);
}

void TripleTable::addSmall(const std::uint8_t* a, const std::uint8_t* b, const std::uint8_t* r,
                           std::size_t count) {
    // A block at a time, small enough that its keys stay in the first-level
    // cache: the keys, with the bits each side's slots need, in a loop the
    // compiler vectorizes; then one increment a pixel, of the key's four cells
    // in turn.
    constexpr std::size_t Block = 4096;
    m_packed.resize(std::min(count, Block));
    std::uint16_t* keys = m_packed.data();
    for (std::size_t from = 0; from < count; from += Block) {
        const std::size_t n = std::min(Block, count - from);
        const std::uint8_t *ab = a + from, *bb = b + from, *rb = r + from;
        const auto pack = [&] {
            const unsigned shiftA = static_cast<unsigned>(m_bits[1] + m_bits[2]),
                           shiftB = static_cast<unsigned>(m_bits[2]);
            unsigned orA = 0, orB = 0, orR = 0;
            for (std::size_t i = 0; i < n; ++i) {
                orA |= ab[i];
                orB |= bb[i];
                orR |= rb[i];
                keys[i] = static_cast<std::uint16_t>((unsigned{ab[i]} << shiftA) |
                                                     (unsigned{bb[i]} << shiftB) | rb[i]);
            }
            return std::array<int, 3>{std::max(m_bits[0], static_cast<int>(std::bit_width(orA))),
                                      std::max(m_bits[1], static_cast<int>(std::bit_width(orB))),
                                      std::max(m_bits[2], static_cast<int>(std::bit_width(orR)))};
        };
        if (const std::array<int, 3> needed = pack(); needed != m_bits) {
            if (needed[0] + needed[1] + needed[2] > SmallBits) {
                toLarge();
                addLarge(ab, bb, rb, count - from);
                return;
            }
            widen(needed);
            pack();
        }
        // A cell holds at most the pixels counted since the cells were last
        // emptied into the totals.
        if (m_sinceTotals + n > std::numeric_limits<std::uint32_t>::max()) {
            for (std::size_t packed = 0; packed < m_totals.size(); ++packed) {
                m_totals[packed] = smallAt(packed);
                std::fill_n(m_small.begin() + static_cast<std::ptrdiff_t>(4 * packed), 4, 0u);
            }
            m_sinceTotals = 0;
        }
        m_sinceTotals += n;
        std::uint32_t* cells = m_small.data();
        std::size_t i = 0;
        for (; i + 4 <= n; i += 4) {
            ++cells[4 * std::size_t{keys[i]}];
            ++cells[4 * std::size_t{keys[i + 1]} + 1];
            ++cells[4 * std::size_t{keys[i + 2]} + 2];
            ++cells[4 * std::size_t{keys[i + 3]} + 3];
        }
        for (; i < n; ++i)
            ++cells[4 * std::size_t{keys[i]}];
    }
}

std::uint32_t TripleTable::unpacked(std::size_t packed) const {
    const std::size_t b = packed >> m_bits[2], a = b >> m_bits[1];
    return key(static_cast<int>(a), static_cast<int>(b & ((std::size_t{1} << m_bits[1]) - 1)),
               static_cast<int>(packed & ((std::size_t{1} << m_bits[2]) - 1)));
}

void TripleTable::widen(const std::array<int, 3>& bits) {
    const std::size_t keys = std::size_t{1} << (bits[0] + bits[1] + bits[2]);
    std::vector<std::uint64_t> totals(keys, 0);
    for (std::size_t packed = 0; packed < m_totals.size(); ++packed)
        if (const std::uint64_t n = smallAt(packed); n != 0) {
            const std::uint32_t k = unpacked(packed);
            totals[(std::size_t{k >> 16} << (bits[1] + bits[2])) |
                   (std::size_t{(k >> 8) & 255} << bits[2]) | (k & 255)] = n;
        }
    m_totals = std::move(totals);
    m_small.assign(4 * keys, 0);
    m_sinceTotals = 0;
    m_bits = bits;
}

void TripleTable::toLarge() {
    m_cells.reset(
        static_cast<std::uint64_t*>(std::calloc(std::size_t{1} << 24, sizeof(std::uint64_t))));
    if (!m_cells)
        throw std::bad_alloc();
    for (std::size_t packed = 0; packed < m_totals.size(); ++packed)
        if (const std::uint64_t n = smallAt(packed); n != 0) {
            const std::uint32_t k = unpacked(packed);
            m_cells[k] = n;
            m_met.push_back(k);
        }
    m_small = {};
    m_totals = {};
    m_large = true;
}

void TripleTable::addLarge(const std::uint8_t* a, const std::uint8_t* b, const std::uint8_t* r,
                           std::size_t count) {
    // The keys first, in a loop the compiler vectorizes; then each run of equal
    // keys (a patch of one triple) is one addition.
    m_keys.resize(count);
    std::uint32_t* keys = m_keys.data();
    for (std::size_t i = 0; i < count; ++i)
        keys[i] = (std::uint32_t{a[i]} << 16) | (std::uint32_t{b[i]} << 8) | r[i];
    std::size_t i = 0;
    while (i < count) {
        const std::uint32_t k = keys[i];
        std::size_t end = i + 1;
        while (end < count && keys[end] == k)
            ++end;
        if (m_cells[k] == 0)
            m_met.push_back(k);
        m_cells[k] += end - i;
        i = end;
    }
}

std::vector<std::pair<std::uint32_t, std::uint64_t>> TripleTable::counts() const {
    std::vector<std::pair<std::uint32_t, std::uint64_t>> out;
    if (m_large) {
        for (const std::uint32_t k : m_met)
            out.emplace_back(k, m_cells[k]);
        return out;
    }
    for (std::size_t packed = 0; packed < m_totals.size(); ++packed)
        if (const std::uint64_t n = smallAt(packed); n != 0)
            out.emplace_back(unpacked(packed), n);
    return out;
}

std::size_t threadsFor(const MapRequest& request, GDALRasterBand& mapBand,
                       const PixelWindow& window) {
    return static_cast<std::size_t>(threadCount(request, Chunks(mapBand, window).count()));
}

std::optional<InputError> walkInThreads(GDALRasterBand& mapBand, const BandSource& map,
                                        const BandSource* reference, const PixelWindow& window,
                                        std::size_t threads, ProgressSink& progress,
                                        ChunkVisitor& visitor, const BandSource* compared) {
    const Chunks chunks(mapBand, window);
    SharedState shared(chunks);
    shared.pixelsTotal =
        static_cast<std::uint64_t>(window.xSize) * static_cast<std::uint64_t>(window.ySize);
    shared.progress = &progress;
    // Memory running out in a thread ends the walk as a failure, never the process.
    const auto share = [&](std::size_t t) {
        try {
            walkChunks(shared, map, reference, compared, t, visitor);
        } catch (const std::bad_alloc&) {
            shared.fail(InputError{InputError::ReadError, "out of memory"});
        }
    };
    {
        std::vector<std::jthread> workers;
        for (std::size_t t = 1; t < threads; ++t)
            workers.emplace_back(share, t);
        share(0);
    }
    return shared.error;
}

std::variant<std::vector<ThreadCount>, InputError>
countInThreads(const MapRequest& request, GDALRasterBand& mapBand, const BandSource& map,
               const BandSource* reference, const PixelWindow& window, const PixelAreas* areas,
               ProgressSink& progress, const BandSource* compared, ChunkVisitor* also) {
    const std::size_t threads = threadsFor(request, mapBand, window);
    std::vector<ThreadCount> results(threads);
    PairCounter counter(results, areas, compared != nullptr);
    struct Both final : ChunkVisitor {
        ChunkVisitor &first, &second;
        Both(ChunkVisitor& a, ChunkVisitor& b) : first(a), second(b) {}
        void Chunk(std::size_t thread, const ChunkSlots& chunk) override {
            first.Chunk(thread, chunk);
            second.Chunk(thread, chunk);
        }
    } both(counter, also != nullptr ? *also : counter);
    ChunkVisitor& visitor = also != nullptr ? static_cast<ChunkVisitor&>(both) : counter;
    if (auto error =
            walkInThreads(mapBand, map, reference, window, threads, progress, visitor, compared))
        return *error;
    return results;
}

std::string firstPlaceOf(const BandSource& source, const PixelWindow& window, double value) {
    std::string place;
    readRowsAgain(source, window,
                  [&](std::int64_t y, std::int64_t x0, const std::vector<double>& row) {
                      for (std::size_t x = 0; x < row.size(); ++x)
                          if ((source.signedBytes ? signedByteValue(row[x]) : row[x]) == value) {
                              place = pixelPlace(y, x0 + static_cast<std::int64_t>(x));
                              return true;
                          }
                      return false;
                  });
    return place;
}

Merged merge(const std::vector<ThreadCount>& results, const LeftOutValues& mapLeftOut,
             const LeftOutValues* referenceLeftOut) {
    Merged merged;
    for (const ThreadCount& t : results) {
        merged.masked += t.masked;
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
        const auto refused = [&](double value, bool onMap) {
            return badInput(std::string("the ") + (onMap ? "map" : "reference") + " holds " +
                            ClassLabel(value) + placeOf(onMap, value) +
                            ", which is not among --classes");
        };
        const auto given = [&](double value) {
            return std::find(request.classes->begin(), request.classes->end(), value) !=
                   request.classes->end();
        };
        for (const auto& [key, n] : pairs)
            for (const auto& [value, onMap] : {std::pair{key.row, true}, std::pair{key.col, false}})
                if (!given(value))
                    return refused(value, onMap);
        for (const auto& [value, n] : extraRowValues)
            if (!given(value))
                return refused(value, true);
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

namespace {

// What the threads read of a raster on the map's grid, its band `number` of
// `data` (named `side` and by `option` in messages); refused when it is on
// another grid or has no such band.
std::variant<BandSource, InputError> rasterOnGrid(const MapRequest& request, GDALDataset& map,
                                                  GDALDataset& data, const std::string& path,
                                                  int number, const char* side,
                                                  const char* option) {
    if (auto error = checkSameGrid(map, data, side))
        return *error;
    auto found = bandOf(data, number, path, option);
    if (auto* error = std::get_if<InputError>(&found))
        return *error;
    GDALRasterBand& band = *std::get<GDALRasterBand*>(found);
    return bandSourceOf(band, path, number, request.nodata, side);
}

// The reference raster as the threads read it: on the map's grid, or with
// --align the warped VRT `reference` that reads it onto that grid.
std::variant<BandSource, InputError> referenceRaster(const MapRequest& request, GDALDataset& map,
                                                     GDALDataset& reference) {
    if (!request.strataPath.empty())
        return badInput("--strata stratifies sample points: it needs a point reference, and " +
                        request.referencePath + " is a raster");
    if (request.align.empty())
        return rasterOnGrid(request, map, reference, request.referencePath, request.referenceBand,
                            "reference", "--reference-band");
    auto found =
        bandOf(reference, request.referenceBand, request.referencePath, "--reference-band");
    if (auto* error = std::get_if<InputError>(&found))
        return *error;
    BandSource source = bandSourceOf(*std::get<GDALRasterBand*>(found), request.referencePath,
                                     request.referenceBand, request.nodata, "reference");
    source.opened = vrtText(reference);
    return source;
}

} // namespace

std::variant<MapCount, InputError>
countRasterReference(const MapRequest& request, GDALDataset& map, GDALRasterBand& mapBand,
                     const BandSource& mapSource, GDALDatasetUniquePtr reference,
                     const PixelWindow& window, ProgressSink& progress) {
    auto onGrid = referenceRaster(request, map, *reference);
    if (auto* error = std::get_if<InputError>(&onGrid))
        return *error;
    const BandSource& referenceSource = std::get<BandSource>(onGrid);
    reference.reset();

    auto counted =
        countInThreads(request, mapBand, mapSource, &referenceSource, window, nullptr, progress);
    if (auto* error = std::get_if<InputError>(&counted))
        return *error;
    const Merged merged = merge(std::get<std::vector<ThreadCount>>(counted), mapSource.leftOut,
                                &referenceSource.leftOut);
    MapCount out;
    const auto placeOf = [&](bool onMap, double value) {
        return firstPlaceOf(onMap ? mapSource : referenceSource, window, value);
    };
    if (auto error = formMatrix(request, merged.pairs, {}, out, placeOf))
        return *error;
    for (double value : out.classValues) {
        const auto found = merged.mapPixels.find(value);
        out.mapPixels.push_back(found == merged.mapPixels.end() ? 0 : found->second);
    }
    out.source.masked = merged.masked;
    out.referenceNodata = referenceSource.leftOut.values();
    out.source.nodata =
        static_cast<std::uint64_t>(window.xSize) * static_cast<std::uint64_t>(window.ySize) -
        out.source.counted - out.source.masked;
    return out;
}

SummedTriples sumTriples(const std::vector<ThreadCount>& results) {
    SummedTriples sum;
    for (const ThreadCount& t : results) {
        sum.masked += t.masked;
        const auto valueOf = [&](const std::vector<double>& values, std::uint32_t slot) {
            // Without a reference every pixel stands in its slot 0.
            return slot < values.size() ? values[slot] : 0.0;
        };
        for (const auto& [key, n] : t.triples->counts())
            sum.triples[{valueOf(t.rowValues, key >> 16),
                         valueOf(t.comparedValues, (key >> 8) & 255),
                         valueOf(t.colValues, key & 255)}] += n;
        for (std::size_t slot = 0; slot < t.rowAreas.size() && slot < t.rowValues.size(); ++slot)
            if (t.rowAreas[slot] != 0.0)
                sum.mapAreas[t.rowValues[slot]] += t.rowAreas[slot];
        for (std::size_t slot = 0; slot < t.comparedAreas.size() && slot < t.comparedValues.size();
             ++slot)
            if (t.comparedAreas[slot] != 0.0)
                sum.comparedAreas[t.comparedValues[slot]] += t.comparedAreas[slot];
    }
    return sum;
}

std::variant<BandSource, InputError> comparedMapOf(const MapRequest& request, GDALDataset& map) {
    auto opened = openInput(request.comparedPath, GDAL_OF_RASTER,
                            "is not a raster (the compared map must be one)");
    if (auto* error = std::get_if<InputError>(&opened))
        return *error;
    const GDALDatasetUniquePtr compared = std::move(std::get<GDALDatasetUniquePtr>(opened));
    return rasterOnGrid(request, map, *compared, request.comparedPath, request.mapBand,
                        "compared map", "--map-band");
}

std::optional<InputError> refuseComparedValues(const MapRequest& request,
                                               const std::map<double, std::uint64_t>& values,
                                               const BandSource& compared,
                                               const PixelWindow& window) {
    if (request.classes)
        for (const auto& [value, n] : values)
            if (std::find(request.classes->begin(), request.classes->end(), value) ==
                request.classes->end())
                return badInput("the compared map holds " + ClassLabel(value) +
                                firstPlaceOf(compared, window, value) +
                                ", which is not among --classes");
    return std::nullopt;
}

std::variant<MapCount, InputError>
countComparedRasters(const MapRequest& request, GDALDataset& map, GDALRasterBand& mapBand,
                     const BandSource& mapSource, GDALDatasetUniquePtr reference,
                     const PixelWindow& window, ProgressSink& progress) {
    auto referenceOnGrid = referenceRaster(request, map, *reference);
    if (auto* error = std::get_if<InputError>(&referenceOnGrid))
        return *error;
    const BandSource& referenceSource = std::get<BandSource>(referenceOnGrid);
    auto comparedOnGrid = comparedMapOf(request, map);
    if (auto* error = std::get_if<InputError>(&comparedOnGrid))
        return *error;
    const BandSource& comparedSource = std::get<BandSource>(comparedOnGrid);
    reference.reset();

    auto counted = countInThreads(request, mapBand, mapSource, &referenceSource, window, nullptr,
                                  progress, &comparedSource);
    if (auto* error = std::get_if<InputError>(&counted))
        return *error;
    // The triples by value; a pixel left out on any side counts towards none.
    const SummedTriples summed = sumTriples(std::get<std::vector<ThreadCount>>(counted));
    std::map<std::array<double, 3>, std::uint64_t> triples;
    std::map<PairKey, std::uint64_t> pairs, comparedPairs;
    std::map<double, std::uint64_t> mapPixels, comparedPixels;
    const std::uint64_t masked = summed.masked;
    for (const auto& [key, n] : summed.triples) {
        const auto [a, b, r] = key;
        const bool aOut = mapSource.leftOut.contains(a), bOut = comparedSource.leftOut.contains(b);
        if (!aOut)
            mapPixels[a] += n;
        if (!bOut)
            comparedPixels[b] += n;
        if (aOut || bOut || referenceSource.leftOut.contains(r))
            continue;
        triples[key] += n;
        pairs[{a, r}] += n;
        comparedPairs[{b, r}] += n;
    }
    MapCount out;
    const auto placeOf = [&](bool onMap, double value) {
        return firstPlaceOf(onMap ? mapSource : referenceSource, window, value);
    };
    // The compared map's values stand among the classes as the map's do.
    std::map<double, std::uint64_t> comparedValues;
    for (const auto& [key, n] : comparedPairs)
        comparedValues[key.row] += n;
    if (auto error = refuseComparedValues(request, comparedValues, comparedSource, window))
        return *error;
    if (auto error = formMatrix(request, pairs, comparedValues, out, placeOf))
        return *error;
    const std::vector<double>& values = out.classValues;
    const std::size_t n = values.size();
    const auto indexOf = [&](double value) {
        return static_cast<std::size_t>(std::find(values.begin(), values.end(), value) -
                                        values.begin());
    };
    ComparedCount& c = out.compared.emplace();
    c.counts.assign(n * n, 0);
    for (const auto& [key, count] : comparedPairs)
        c.counts[indexOf(key.row) * n + indexOf(key.col)] += count;
    for (const auto& [key, count] : triples)
        c.cells.push_back({indexOf(key[0]), indexOf(key[1]), indexOf(key[2]), count});
    for (double value : values) {
        const auto a = mapPixels.find(value), b = comparedPixels.find(value);
        out.mapPixels.push_back(a == mapPixels.end() ? 0 : a->second);
        c.mapPixels.push_back(b == comparedPixels.end() ? 0 : b->second);
    }
    c.nodata = comparedSource.leftOut.values();
    out.source.masked = masked;
    out.referenceNodata = referenceSource.leftOut.values();
    out.source.nodata =
        static_cast<std::uint64_t>(window.xSize) * static_cast<std::uint64_t>(window.ySize) -
        out.source.counted - out.source.masked;
    return out;
}

} // namespace brennic::maps
