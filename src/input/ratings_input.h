// Reading a table of ratings for brennic-kappa --ratings: one unit per line, one
// rating per rater (column). Each rating is kept as one byte, its class index,
// and each different row of ratings once with the number of its units, so memory
// grows with the different rows, not with the units.
#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "core/ratings.h"
#include "input/matrix_input.h"

namespace brennic {

struct RatingsOptions {
    char decimalSeparator = '.';
    bool header = false;                             // the first line names the raters
    std::optional<std::vector<std::string>> classes; // the classes, in this order
    std::vector<std::string> missing;                // further texts that mean "no rating"
    // The columns to read (--columns: header names or numbers from 1), in order.
    std::optional<std::vector<std::string>> columns{};
    // One rating a line (--long): the unit, the rater, the rating.
    bool longForm = false;
};

// Splits each line as LabelSplitter does (quoted labels as spreadsheets write
// them). "NA", an empty field and a text of `missing` mean no rating. Every line
// but blank ones must have as many fields as the first, else it is refused by its
// number. The classes come in numeric order when every label is a number,
// otherwise in the order of first appearance; `classes` fixes the order instead,
// adds classes never given and refuses any other label. The table's values are
// the labels' numbers when every class is one. With `longForm` each line holds
// one rating: its unit, its rater and the rating; units and raters are matched
// by their texts and come in the order they first appear, and a rater rating a
// unit twice is refused with both lines.
std::variant<RatingsTable, InputError> ReadRatings(ByteSource& in, const RatingsOptions& options);

} // namespace brennic
