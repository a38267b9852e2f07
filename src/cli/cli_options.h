// The options of brennic-kappa, declared once in a table: each with its name, its
// argument, its help text, the inputs it goes with, whether it needs --report,
// the option it needs, whether it refuses an input file, and the function that
// reads it. Parsing, --help and the refusal of options that do not go together
// or lack what they need all come from that table.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "cli/map_input.h"
#include "core/agreement_report.h"
#include "core/ratings.h"
#include "core/sample_design.h"
#include "input/samples_input.h"
#include "report/area_unit.h"
#include "report/report.h"

namespace brennic {

// What the input holds; each kind but the matrix is chosen by an option.
enum class InputKind : unsigned {
    Matrix = 1u << 0,   // one matrix row per line (no option)
    Pairs = 1u << 1,    // --pairs: two labels per line
    Ratings = 1u << 2,  // --ratings: one unit per line, one rating per rater
    Samples = 1u << 3,  // --samples: a stratum and two labels per line
    Maps = 1u << 4,     // --map: a classified raster and its reference, read through GDAL
    Sums = 1u << 5,     // --sum: JSON reports whose matrices are added
    Design = 1u << 6,   // --design: a sample to size and allocate, no input
    Compared = 1u << 7, // --compare-reports: two JSON reports of independent assessments
};
// A set of input kinds.
struct InputKinds {
    unsigned bits;
    constexpr InputKinds(InputKind kind) : bits(static_cast<unsigned>(kind)) {}
    constexpr explicit InputKinds(unsigned kinds) : bits(kinds) {}
    constexpr bool has(InputKind kind) const { return (bits & static_cast<unsigned>(kind)) != 0; }
};
constexpr InputKinds operator|(InputKinds a, InputKinds b) {
    return InputKinds(a.bits | b.bits);
}
inline constexpr InputKinds EveryInput{~0u};

struct Options {
    InputKind input = InputKind::Matrix;
    char decimalSeparator = '.';
    bool report = false;
    std::optional<Weights> weights;
    std::optional<RatingWeights> ratingWeights; // --weights as --ratings reads it
    std::optional<ReportFormat> format;
    std::string reportDate;           // --report-date: the date the HTML report names, YYYY-MM-DD
    double confidence = 0.95;         // --confidence: the level of every interval
    int digits = DefaultTextDigits;   // --digits: significant digits of the text report
    std::optional<AreaUnit> areaUnit; // --area-unit: the unit the areas of a map are shown in
    std::optional<std::string> outputPath;
    std::optional<std::string> mappedAreaText; // read once the classes are known
    bool header = false, transpose = false;
    bool longForm = false; // --long: one rating a line
    bool compare = false;  // --compare: each line holds two maps' classes of one unit
    std::optional<std::vector<std::string>> classes;
    std::optional<std::vector<std::string>> columns;     // --columns: header names or numbers
    std::vector<std::string> missing;                    // labels that mean "no value"
    std::optional<std::vector<StratumSize>> strataSizes; // of --strata-sizes
    std::string strataSizesRecord;           // --strata-sizes @RECORD: read when the input is
    bool finitePopulationCorrection = false; // --fpc
    std::string inputPath = "-";
    bool inputPathGiven = false;
    std::vector<std::string> inputPaths; // every FILE given, for --sum
    MapOptions maps;
    // --design: the expected accuracy, one for every stratum or S=U each; how
    // the sample size is set; the allocation, with the M of minimum=M.
    bool design = false; // --design with --map: the strata are the map's classes or --strata's
    std::optional<std::string> expectedAccuracy;
    SampleSizeRule sampleSizeRule;
    Allocation allocation = Allocation::Proportional;
    double minimumUnits = 0;
    // --draw: the file of points, the seed, the reserve points per stratum.
    std::string drawPath;
    std::uint64_t seed = 1;
    std::uint64_t reserve = 0;
    bool overwrite = false;
};

// How an option stands to --report.
enum class ReportUse { Either, Needs, Excludes };

// An option that another one needs, and how the options read show it given.
struct NeededOption {
    std::string_view name; // "--reference"; empty when nothing is needed
    bool (*given)(const Options& options) = nullptr;
};

// Whether an option goes with an input file (FILE).
enum class FileUse { Allowed, Refused };

struct OptionEntry {
    std::string_view name;     // "--weights"
    std::string_view argument; // "W"; empty for an option without one
    std::string_view help;     // one paragraph, wrapped by the help
    InputKinds inputs;         // the inputs it goes with
    ReportUse report;
    // Stores the option; gives the reason when its argument is refused.
    std::optional<std::string> (*apply)(Options& options, std::string_view argument);
    NeededOption needs{}; // refused without it
    FileUse file = FileUse::Allowed;
    // The options it does not go with, separated by blanks ("--transpose --weights").
    std::string_view excludes{};
};

// The options in the order --help lists them.
std::span<const OptionEntry> OptionTable();

// The options that choose the inputs `kinds` (the matrix aside), as "--a, --b or --c".
std::string SelectorsOf(InputKinds kinds);

// What the command line asks for: a run with its options, the help or the version.
enum class Request { Run, Help, Version };
struct Command {
    Request request = Request::Run;
    Options options;
};

// Reads the arguments (without the program's name) against the table; gives the
// reason when they are refused.
std::variant<Command, std::string> ParseCommandLine(const std::vector<std::string>& args);

} // namespace brennic
