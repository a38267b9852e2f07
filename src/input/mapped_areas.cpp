#include "input/mapped_areas.h"

#include <algorithm>
#include <optional>

#include "core/number_text.h"
#include "input/labels.h"

namespace brennic {

std::variant<std::vector<double>, std::string> ReadMappedAreas(std::string_view text,
                                                               char decimalSeparator,
                                                               const LabelledMatrix& labelled,
                                                               bool orderFixed) {
    const ErrorMatrix& m = labelled.matrix;
    const auto n = static_cast<std::size_t>(m.size());
    const char listSeparator = decimalSeparator == ',' ? ';' : ',';
    std::vector<std::string_view> items;
    for (std::string_view rest = text;;) {
        const std::size_t end = rest.find(listSeparator);
        items.push_back(rest.substr(0, end));
        if (end == std::string_view::npos)
            break;
        rest.remove_prefix(end + 1);
    }
    const bool byLabel = items[0].find('=') != std::string_view::npos;
    const auto labelOf = [&](std::size_t k) {
        return labelled.labels.empty() ? std::to_string(k + 1) : labelled.labels[k];
    };
    if (!byLabel && !orderFixed) {
        std::string example;
        for (std::size_t k = 0; k < std::min<std::size_t>(n, 2); ++k)
            example += labelOf(k) + "=AREA" + listSeparator;
        return "--mapped-area gives the areas in the order of the classes, but these come in the "
               "order their labels first appear: give each area with its label, as "
               "--mapped-area '" +
               example + "...', or list the classes with --classes";
    }
    if (!byLabel && items.size() != n)
        return "--mapped-area gives " + Plural(items.size(), "area") + ", but the matrix has " +
               std::to_string(n) + " classes";
    std::vector<double> areas(n, 0.0);
    std::vector<bool> given(n, false);
    for (std::size_t i = 0; i < items.size(); ++i) {
        std::string where = "mapped area " + std::to_string(i + 1);
        std::string_view item = items[i];
        std::size_t k = i;
        const std::size_t equals = item.rfind('=');
        if (byLabel != (equals != std::string_view::npos))
            return where + " (" + QuotedCellText(item) +
                   ") should have the form of the first: LABEL=AREA for every class, or the "
                   "areas alone in the order of the classes";
        if (byLabel) {
            const std::string_view label = TrimBlanks(item.substr(0, equals));
            item = item.substr(equals + 1);
            k = 0;
            while (k < n && labelOf(k) != label)
                ++k;
            if (k == n)
                return where + ": " + QuotedLabel(label) + " is not one of the classes";
            if (given[k])
                return "--mapped-area gives the area of " + QuotedLabel(label) + " twice";
            where = "the mapped area of " + QuotedLabel(label);
        }
        given[k] = true;
        if (item.find_first_not_of(" \t") == std::string_view::npos)
            return where + " is empty";
        const std::optional<double> number = NumberOfText(item, decimalSeparator);
        if (!number)
            return where + " (" + QuotedCellText(item) + ") is " +
                   std::string(NoNumberText(item, decimalSeparator));
        if (!(*number >= 0.0))
            return where + " (" + QuotedCellText(item) + ") is negative";
        areas[k] = *number == 0.0 ? 0.0 : *number;
    }
    for (std::size_t k = 0; k < n; ++k) {
        if (!given[k])
            return "--mapped-area gives no area for class " + QuotedLabel(labelOf(k));
        const auto row = static_cast<int>(k + 1);
        bool counts = false;
        for (int col = 1; col <= m.size() && !counts; ++col)
            counts = m.x(row, col) != 0.0;
        if (areas[k] == 0.0 && counts)
            return "the mapped area of class " + QuotedLabel(labelOf(k)) +
                   " is 0, but its row holds counts: a class that is on the map has an area";
    }
    return areas;
}

} // namespace brennic
