// Slots for the values of each side, and the tables that count pairs of slots.
#include "maps/slot_indexer.h"

#include <cmath>

#include "maps/gdal_support.h"

namespace brennic::maps {

bool LeftOutValues::contains(double value) const {
    for (const auto& v : {band, request})
        if (v && (*v == value || (std::isnan(*v) && std::isnan(value))))
            return true;
    return false;
}

std::vector<double> LeftOutValues::values() const {
    std::vector<double> out;
    for (const auto& v : {band, request})
        if (v && (out.empty() || !LeftOutValues{out.front(), std::nullopt}.contains(*v)))
            out.push_back(*v);
    return out;
}

LeftOutValues leftOutOf(GDALRasterBand& band, const std::optional<double>& request) {
    // A Float32 band holds its values as floats: 0.1 there is 0.1 rounded to a
    // float, and so must the no-data values be to meet it.
    const auto asStored = [&](double value) {
        return band.GetRasterDataType() == GDT_Float32 && std::isfinite(value)
                   ? static_cast<double>(static_cast<float>(value))
                   : value;
    };
    LeftOutValues values{std::nullopt, request ? std::optional(asStored(*request)) : std::nullopt};
    int has = 0;
    const double nodata = band.GetNoDataValue(&has);
    if (has)
        values.band = asStored(nodata);
    return values;
}

SlotIndexer::SlotIndexer(GDALDataType type, const LeftOutValues& leftOut, bool signedBytes)
    : m_type(type), m_kind(kindOf(type)), m_leftOut(leftOut) {
    if (m_kind == BandKind::Byte) {
        for (int v = 0; v < Slots; ++v)
            m_values.push_back(signedBytes ? signedByteValue(v) : v);
    } else if (m_kind == BandKind::Word) {
        m_wordSlots.assign(65536, -1);
    }
}

SlotIndexer::BandKind SlotIndexer::kindOf(GDALDataType type) {
    if (type == GDT_Byte)
        return BandKind::Byte;
    if (type == GDT_UInt16 || type == GDT_Int16)
        return BandKind::Word;
    return BandKind::Other;
}

std::vector<std::uint8_t> SlotIndexer::leftOutSlots() const {
    std::vector<std::uint8_t> leftOut(Slots, 0);
    for (std::size_t slot = 0; slot < m_values.size(); ++slot)
        leftOut[slot] = m_leftOut.contains(m_values[slot]);
    return leftOut;
}

bool SlotIndexer::toSlots(const void* data, std::size_t count, std::uint8_t* slots, std::int64_t x0,
                          std::int64_t y0, std::int64_t width, const char* side, std::string& error,
                          const std::uint8_t* anySlot) {
    if (m_kind == BandKind::Word)
        return wordsToSlots(data, count, slots, x0, y0, width, side, error, anySlot);
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
        if (slot < 0 && anySlot != nullptr && anySlot[i] != 0) {
            slots[i] = 0; // a value under the other side's no-data takes no slot
            continue;
        }
        if (slot < 0) {
            const std::int64_t row = y0 + static_cast<std::int64_t>(i) / width;
            const std::int64_t col = x0 + static_cast<std::int64_t>(i) % width;
            if (!isWhole(value) && !m_leftOut.contains(value)) {
                error = notWholeAt(std::string("the ") + side, value, row, col, "class");
                return false;
            }
            if (!addSlot(value, row, col, side, error))
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

// 16-bit values, signed or not, each looked up in a table of all 65536.
bool SlotIndexer::wordsToSlots(const void* data, std::size_t count, std::uint8_t* slots,
                               std::int64_t x0, std::int64_t y0, std::int64_t width,
                               const char* side, std::string& error, const std::uint8_t* anySlot) {
    const bool isSigned = m_type == GDT_Int16;
    const auto* words = static_cast<const std::uint16_t*>(data);
    for (std::size_t i = 0; i < count; ++i) {
        int slot = m_wordSlots[words[i]];
        if (slot < 0 && anySlot != nullptr && anySlot[i] != 0) {
            slots[i] = 0;
            continue;
        }
        if (slot < 0) {
            const double value = isSigned ? static_cast<std::int16_t>(words[i]) : words[i];
            if (!addSlot(value, y0 + static_cast<std::int64_t>(i) / width,
                         x0 + static_cast<std::int64_t>(i) % width, side, error))
                return false;
            slot = m_wordSlots[words[i]] = static_cast<int>(m_values.size() - 1);
        }
        slots[i] = static_cast<std::uint8_t>(slot);
    }
    return true;
}

bool SlotIndexer::addSlot(double value, std::int64_t row, std::int64_t column, const char* side,
                          std::string& error) {
    if (m_values.size() == Slots) {
        // Two of the slots may be no-data values; the rest are more classes than
        // a matrix may have. Refused here, at once, in the thread that meets it.
        error = std::string("the ") + side + " holds more than " + std::to_string(MaxMatrixSize) +
                " classes: one more, " + numberText(value) + ", is" + pixelPlace(row, column);
        return false;
    }
    m_values.push_back(value);
    return true;
}

void CountTable::add(const std::uint8_t* rows, const std::uint8_t* cols, std::size_t count) {
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

std::uint64_t CountTable::at(int row, int col) const {
    const std::size_t cell = static_cast<std::size_t>(row) << 8 | static_cast<std::size_t>(col);
    return cells[cell] + cells[Slots * Slots + cell] + cells[2 * Slots * Slots + cell] +
           cells[3 * Slots * Slots + cell];
}

} // namespace brennic::maps
