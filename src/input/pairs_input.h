// Reading paired labels, one sample point per line: the class the classification
// gave and the class the reference found. The pairs are counted into the error
// matrix as they are read and never kept.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "core/error_matrix.h"
#include "input/matrix_input.h"

namespace brennic {

struct PairsOptions {
    char decimalSeparator = '.';
    bool header = false;                             // the first line names the columns
    bool referenceFirst = false;                     // each line gives the reference's label first
    std::optional<std::vector<std::string>> classes; // the classes, in this order
    std::vector<std::string> missing;                // labels that mean "no value"
    // The columns to read (--columns: header names or numbers from 1), in order.
    std::optional<std::vector<std::string>> columns{};
};

// The error matrix of the pairs (rows: classification, columns: reference) with
// the label of each class, class 1 first.
struct LabelledMatrix {
    ErrorMatrix matrix;
    std::vector<std::string> labels;
    std::uint64_t leftOut = 0;           // pairs left out for a label that means "no value"
    std::vector<std::string> warnings{}; // about the labels as they were read
};

// Splits each non-blank line into two labels as LabelSplitter does; a pair with a
// label of `missing` is left out and counted. The classes come in numeric order
// when every label is a number (labels of equal value, "3" and "3.0", being one
// class), otherwise in the order in which they first appear; `classes` fixes the
// order instead, adds classes that never occur and refuses a label that is not
// among them (or, when they are numbers, equal to one). See ClassesOfLabels.
std::variant<LabelledMatrix, InputError> ReadPairs(ByteSource& in, const PairsOptions& options);

} // namespace brennic
