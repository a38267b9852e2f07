// Reading a stratified sample, one sample unit per line: its stratum, the class
// the map gave it and the class the reference found; and the stratum sizes of
// --strata-sizes. Units are counted per stratum as they are read, never kept.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/comparison.h"
#include "core/stratified.h"
#include "input/matrix_input.h"
#include "input/pairs_input.h"

namespace brennic {

// One stratum of --strata-sizes: its label and its size N_h in population units.
struct StratumSize {
    std::string label;
    double size = 0.0; // a positive whole number
};

// "S1=N1,S2=N2,...": each size a positive whole number of digits. Gives the
// reason instead, naming the stratum, when one is not.
std::variant<std::vector<StratumSize>, std::string> ReadStrataSizes(std::string_view text);

struct SamplesOptions {
    char decimalSeparator = '.';
    bool header = false;                             // the first line names the columns
    std::optional<std::vector<std::string>> classes; // the classes, in this order
    std::vector<std::string> missing;                // labels that mean "no value"
    std::vector<StratumSize> strata;                 // from ReadStrataSizes
    bool finitePopulationCorrection = false;
    // The columns to read (--columns: header names or numbers from 1), in order.
    std::optional<std::vector<std::string>> columns{};
};

// The sample as read: its error matrix over all strata (rows the map, columns
// the reference, with the class labels), and its counts per stratum for the
// stratified estimates, with the same classes in the same order and the strata
// in the order of --strata-sizes.
struct SamplesRead {
    LabelledMatrix sample;
    StratifiedSample stratified;
};

// Splits each non-blank line into three labels as LabelSplitter does; a unit
// with a label of `missing` is left out and counted. The classes are the union of the map and
// reference labels, in numeric order when all are numbers, otherwise in the
// order of first appearance; `classes` fixes the order instead, adds classes
// that never occur and refuses any other label. Refused, naming the stratum: a
// stratum without a size, a stratum whose size is smaller than its sample, a
// size given for a stratum with no sample unit.
std::variant<SamplesRead, InputError> ReadSamples(ByteSource& in, const SamplesOptions& options);

// Two maps' classes of the same units against the reference (--compare): each
// map's error matrix and stratified sample over the same classes, and the
// units' counts for the comparison.
struct ComparedRead {
    LabelledMatrix a, b;
    StratifiedSample stratifiedA, stratifiedB; // without strata under --pairs
    ComparedSample compared;
};

// Four labels per line: the stratum, map A's class, map B's, the reference's;
// read and refused as ReadSamples reads three.
std::variant<ComparedRead, InputError> ReadComparedSamples(ByteSource& in,
                                                           const SamplesOptions& options);

// Three labels per line: map A's class, map B's, the reference's; a simple
// random sample, without strata. The classes and the refusals are those of
// ReadSamples; the options are those of ReadPairs but the reference first,
// which this reading does not take.
std::variant<ComparedRead, InputError> ReadComparedPairs(ByteSource& in,
                                                         const PairsOptions& options);

} // namespace brennic
