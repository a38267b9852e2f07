// The design record that --design --draw writes beside its points
// (sample.design.json): read back for the analysis of the sample, whose
// --strata-sizes @sample.design.json takes the design's N_h.
#pragma once

#include <string>
#include <variant>
#include <vector>

#include "core/input_error.h"
#include "input/samples_input.h"

namespace brennic {

// The strata of the record at `path`, each with its label and size, or why not:
// a file that cannot be read (a read error), or one that is no design record.
std::variant<std::vector<StratumSize>, InputError> ReadDesignRecord(const std::string& path);

} // namespace brennic
