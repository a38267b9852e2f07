// brennic-kappa --sum: the error matrices of several JSON reports, each counted
// from one window of a map, added class by class (matched by label) into one.
#pragma once

#include <string>
#include <variant>
#include <vector>

#include "core/input_error.h"
#include "input/counted_input.h"

namespace brennic {

// Reads each report written by --report --format json and adds their matrices,
// the map pixel counts and mapped areas of their source records, and their
// source counts. The classes come in numeric order when every label is a
// number, otherwise in the order first met. Gives the failure instead (status 3
// for a file that cannot be read, 1 for one that is no such report).
std::variant<CountedInput, InputError> SumReports(const std::vector<std::string>& paths);

} // namespace brennic
