// A map's class names from its raster attribute table or its category names,
// with --class-names over them.
#include "maps/class_names.h"

#include <cmath>

#include <gdal_rat.h>

#include "maps/gdal_support.h"

namespace brennic::maps {
namespace {

// The table's column of names: the one whose usage says so, else a column of
// text named as such a column usually is.
int nameColumnOf(const GDALRasterAttributeTable& table) {
    const int named = table.GetColOfUsage(GFU_Name);
    if (named >= 0)
        return named;
    for (int col = 0; col < table.GetColumnCount(); ++col) {
        const char* name = table.GetNameOfCol(col);
        if (table.GetTypeOfCol(col) != GFT_String || name == nullptr)
            continue;
        for (const char* usual : {"name", "class_name", "classname", "class", "label"})
            if (EQUAL(name, usual))
                return col;
    }
    return -1;
}

// The value of each row of the table: its value column, its minimum where that
// equals its maximum, or the row's bin.
std::optional<double> rowValue(const GDALRasterAttributeTable& table, int row) {
    const int value = table.GetColOfUsage(GFU_MinMax);
    if (value >= 0)
        return table.GetValueAsDouble(row, value);
    const int min = table.GetColOfUsage(GFU_Min), max = table.GetColOfUsage(GFU_Max);
    if (min >= 0 && max >= 0) {
        const double low = table.GetValueAsDouble(row, min);
        return low == table.GetValueAsDouble(row, max) ? std::optional<double>(low) : std::nullopt;
    }
    double first = 0.0, size = 0.0;
    if (table.GetLinearBinning(&first, &size) && size == 1.0)
        return first + row;
    return std::nullopt;
}

} // namespace

ClassNames::ClassNames(GDALRasterBand& band, const std::map<double, std::string>& given) {
    if (const GDALRasterAttributeTable* table = band.GetDefaultRAT(); table != nullptr) {
        const int column = nameColumnOf(*table);
        for (int row = 0; column >= 0 && row < table->GetRowCount(); ++row) {
            const std::optional<double> value = rowValue(*table, row);
            const char* name = table->GetValueAsString(row, column);
            if (value && name != nullptr && *name != '\0')
                m_names.emplace(*value, name);
        }
    }
    // Category names stand for the values from 0, where the table names none.
    if (char** categories = band.GetCategoryNames(); m_names.empty() && categories != nullptr)
        for (int value = 0; categories[value] != nullptr; ++value)
            if (*categories[value] != '\0')
                m_names.emplace(value, categories[value]);
    for (const auto& [value, name] : given)
        m_names[value] = name;
    for (const auto& [value, name] : m_names)
        if (!m_values.emplace(name, value).second)
            m_shared.insert(name);
}

std::string ClassNames::nameOf(double value) const {
    const auto found = m_names.find(value);
    return found == m_names.end() ? std::string() : found->second;
}

std::optional<double> ClassNames::valueOf(const std::string& name) const {
    if (m_shared.count(name) != 0)
        return std::nan("");
    const auto found = m_values.find(name);
    return found == m_values.end() ? std::nullopt : std::optional<double>(found->second);
}

std::string ClassNames::listed() const {
    std::string text;
    for (const auto& [value, name] : m_names)
        text += (text.empty() ? "\"" : ", \"") + name + "\"";
    return text;
}

std::optional<InputError> nameClasses(const ClassNames& names, MapCount& count) {
    std::map<std::string, double> byLabel;
    for (double value : count.classValues) {
        std::string name = names.nameOf(value);
        const std::string label = name.empty() ? ClassLabel(value) : name;
        if (const auto [at, added] = byLabel.emplace(label, value); !added)
            return badInput("the map's classes " + ClassLabel(at->second) + " and " +
                            ClassLabel(value) + " are both labelled " + label +
                            ": tell them apart with --class-names");
        count.classNames.push_back(std::move(name));
    }
    return std::nullopt;
}

} // namespace brennic::maps
