// The names of a map's classes: those its band carries (a raster attribute
// table's name column, or its category names), with --class-names over them,
// and the classes that points name in a field of text.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>

#include <gdal_priv.h>

#include "core/input_error.h"
#include "maps/map_counting.h"

namespace brennic::maps {

// The classes' names by value, and the value of each name.
class ClassNames {
  public:
    // The band's own names, then those of `given` (--class-names) over them.
    ClassNames(GDALRasterBand& band, const std::map<double, std::string>& given);

    // The name of a value; empty where it has none.
    std::string nameOf(double value) const;
    // The class a name stands for, exactly as written: none when no class has
    // it, NaN when several have it.
    std::optional<double> valueOf(const std::string& name) const;
    // Every name in the order of its value, quoted: "\"Forest\", \"Water\"".
    std::string listed() const;
    bool empty() const { return m_names.empty(); }

  private:
    std::map<double, std::string> m_names;
    std::map<std::string, double> m_values;
    std::set<std::string> m_shared; // names of more than one class
};

// Names the counted classes in `count`, refusing two classes of one label.
std::optional<InputError> nameClasses(const ClassNames& names, MapCount& count);

} // namespace brennic::maps
