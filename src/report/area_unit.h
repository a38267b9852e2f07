// The units the report shows areas in, by the names --area-unit takes. A map in
// metres gives its areas in square metres; the report shows them in hectares
// unless asked for another of these.
#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace brennic {

struct AreaUnit {
    std::string_view name;  // as --area-unit takes it
    std::string_view shown; // as the report writes it
    double squareMetres;    // in one of it
};

inline constexpr std::array AreaUnits{
    AreaUnit{"m2", "m²", 1.0},
    AreaUnit{"ha", "ha", 1e4},
    AreaUnit{"km2", "km²", 1e6},
};
// The unit of a map's areas in square metres, as the map's record writes it.
inline constexpr std::string_view SquareMetres = "m²";
inline constexpr std::string_view DefaultAreaUnit = "ha";

constexpr std::optional<AreaUnit> AreaUnitFromName(std::string_view name) {
    for (const AreaUnit& unit : AreaUnits)
        if (unit.name == name)
            return unit;
    return std::nullopt;
}

} // namespace brennic
