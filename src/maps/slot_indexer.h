// The values of one side of a raster pair turned into slots 0 to 255 before
// counting, so that one 256 by 256 table serves every data type: an 8-bit band's
// values are its slots.
#pragma once

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include <gdal_priv.h>

#include "core/run.h"

namespace brennic::maps {

constexpr int Slots = 256;
// Two of the slots may be no-data values; the rest are at most as many classes
// as a matrix may have.
static_assert(Slots == MaxMatrixSize + 2);

// The values that are left out on one side: its band's no-data value and --nodata.
struct LeftOutValues {
    std::optional<double> band, request;
    bool contains(double value) const;
    std::vector<double> values() const; // each value once: the band's, then the request's
};

LeftOutValues leftOutOf(GDALRasterBand& band, const std::optional<double>& request);

// Turns the values of one side into slots, remembering each slot's value. Slots
// are given in the order values are first met, so each thread has its own.
class SlotIndexer {
  public:
    // `signedBytes`: a byte band whose bytes 128 to 255 stand for -128 to -1.
    SlotIndexer(GDALDataType type, const LeftOutValues& leftOut, bool signedBytes = false);

    // The band's own type: whole blocks are then read past the block cache.
    GDALDataType readType() const { return m_type; }
    bool direct() const { return m_kind == BandKind::Byte; }
    const std::vector<double>& values() const { return m_values; }

    // Writes the slot of each of `count` values read in readType(); gives false
    // with `error` set for a value that is no class or one value too many. Where
    // `anySlot` (null: nowhere) is not 0 the pair is left out by the other side,
    // and a value not met before is given any slot instead of one of its own.
    bool toSlots(const void* data, std::size_t count, std::uint8_t* slots, std::int64_t x0,
                 std::int64_t y0, std::int64_t width, const char* side, std::string& error,
                 const std::uint8_t* anySlot = nullptr);
    // Whether the value of each slot so far is left out, by slot.
    std::vector<std::uint8_t> leftOutSlots() const;

  private:
    enum class BandKind { Byte, Word, Other };
    static BandKind kindOf(GDALDataType type);
    bool wordsToSlots(const void* data, std::size_t count, std::uint8_t* slots, std::int64_t x0,
                      std::int64_t y0, std::int64_t width, const char* side, std::string& error,
                      const std::uint8_t* anySlot);
    // Gives false, with the refusal that names the value and its pixel, when
    // every slot is taken.
    bool addSlot(double value, std::int64_t row, std::int64_t column, const char* side,
                 std::string& error);

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

    void add(const std::uint8_t* rows, const std::uint8_t* cols, std::size_t count);
    std::uint64_t at(int row, int col) const;
};

} // namespace brennic::maps
