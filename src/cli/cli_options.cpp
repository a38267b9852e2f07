// The table of brennic-kappa's options and the parsing and checking made from it
// (the help made from it is help.cpp's). An option's argument is checked here
// when it can be on its own; what depends on the input (areas by label, say) is
// checked once the input is read.
#include "cli/cli_options.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <cmath>

#include "core/number_text.h"
#include "core/run.h"
#include "input/labels.h"
#include "input/matrix_input.h"

namespace brennic {
namespace {

using Outcome = std::optional<std::string>;

// The inputs other than a matrix, each with the option that chooses it.
struct InputChoice {
    InputKind kind;
    std::string_view option;
};
constexpr std::array InputChoices{
    InputChoice{InputKind::Pairs, "--pairs"},
    InputChoice{InputKind::Ratings, "--ratings"},
    InputChoice{InputKind::Samples, "--samples"},
    InputChoice{InputKind::Maps, "--map"},
    InputChoice{InputKind::Sums, "--sum"},
    InputChoice{InputKind::Design, "--design"},
    InputChoice{InputKind::Compared, "--compare-reports"},
};

// Chooses the input of the option `name`, which stands in InputChoices.
Outcome chooseInput(Options& options, std::string_view name);

Outcome setDecimalSeparator(Options& options, std::string_view value) {
    // White space or a semicolon would split the cells it belongs to.
    if (value.size() != 1 || (value[0] >= '0' && value[0] <= '9') ||
        std::string_view("+-eE; \t\r\n\v\f").find(value[0]) != std::string_view::npos)
        return "the decimal separator must be one character other than a digit, a sign, E, a "
               "blank, a tab or a semicolon, not " +
               QuotedCellText(value);
    options.decimalSeparator = value[0];
    return std::nullopt;
}

// The items of a list such as --classes: split at commas, each trimmed of the
// blanks around it, none empty or listed twice. Gives the reason otherwise.
std::variant<std::vector<std::string>, std::string>
listOf(std::string_view text, std::string_view option, std::string_view item) {
    std::vector<std::string> items;
    for (std::string_view rest = text;;) {
        const std::size_t end = rest.find(',');
        const std::string_view label = TrimBlanks(rest.substr(0, end));
        const std::string place = std::string(item) + " " + std::to_string(items.size() + 1) +
                                  " of " + std::string(option);
        if (label.empty())
            return place + " is empty";
        if (auto flaw = LabelFlaw(label))
            return place + " " + *flaw;
        if (std::find(items.begin(), items.end(), label) != items.end())
            return QuotedLabel(label) + " is listed twice in " + std::string(option);
        items.emplace_back(label);
        if (end == std::string_view::npos)
            return items;
        rest.remove_prefix(end + 1);
    }
}

Outcome setClasses(Options& options, std::string_view text) {
    auto listed = listOf(text, "--classes", "class");
    if (auto* refused = std::get_if<std::string>(&listed))
        return std::move(*refused);
    auto& classes = std::get<std::vector<std::string>>(listed);
    if (classes.size() > static_cast<std::size_t>(MaxMatrixSize))
        return "--classes lists " + std::to_string(classes.size()) + " classes; at most " +
               std::to_string(MaxMatrixSize) + " are allowed";
    options.classes = std::move(classes);
    return std::nullopt;
}

// The columns are matched to the header once it is read.
Outcome setColumns(Options& options, std::string_view text) {
    auto listed = listOf(text, "--columns", "column");
    if (auto* refused = std::get_if<std::string>(&listed))
        return std::move(*refused);
    options.columns = std::move(std::get<std::vector<std::string>>(listed));
    return std::nullopt;
}

Outcome addMissing(Options& options, std::string_view text) {
    // An empty text makes empty fields mean "no value".
    options.missing.emplace_back(TrimBlanks(text));
    return std::nullopt;
}

template <auto Member> Outcome setFlag(Options& options, std::string_view) {
    options.*Member = true;
    return std::nullopt;
}

// An option whose value is kept as it is given: a path, or a text read later.
template <auto Member> Outcome setText(Options& options, std::string_view text) {
    options.*Member = std::string(text);
    return std::nullopt;
}

// The matrix report knows three of the weights --ratings knows; which input is
// read is only known once every option is, so both readings are kept.
Outcome setWeights(Options& options, std::string_view value) {
    options.weights = WeightsFromName(value);
    options.ratingWeights = RatingWeightsFromName(value);
    if (!options.ratingWeights)
        return "unknown weights " + QuotedCellText(value) + " (see --help)";
    return std::nullopt;
}

// A level strictly between 0 and 1, written with a point whatever the
// decimal separator, as the report's machine forms write it.
Outcome setConfidence(Options& options, std::string_view text) {
    const std::optional<double> level = NumberOfText(TrimBlanks(text), '.');
    if (!level || !(*level > 0.0 && *level < 1.0))
        return "--confidence takes a level between 0 and 1 such as 0.95, not " +
               QuotedCellText(text);
    options.confidence = *level;
    return std::nullopt;
}

Outcome setDigits(Options& options, std::string_view text) {
    const std::optional<double> digits = NumberOfText(TrimBlanks(text), '.');
    if (!digits || *digits != std::trunc(*digits) || *digits < MinTextDigits ||
        *digits > MaxTextDigits)
        return "--digits takes a whole number from " + std::to_string(MinTextDigits) + " to " +
               std::to_string(MaxTextDigits) + ", not " + QuotedCellText(text);
    options.digits = static_cast<int>(*digits);
    return std::nullopt;
}

Outcome setFormat(Options& options, std::string_view value) {
    options.format = ReportFormatFromName(value);
    if (!options.format)
        return "unknown format " + QuotedCellText(value) + " (see --help)";
    return std::nullopt;
}

// A calendar date, YYYY-MM-DD: the page names the day it is given, never the
// day it was written, so that the same input gives the same bytes.
Outcome setReportDate(Options& options, std::string_view text) {
    const auto number = [&](std::size_t at, std::size_t digits, int& value) {
        const char* first = text.data() + at;
        const auto [end, error] = std::from_chars(first, first + digits, value);
        return error == std::errc() && end == first + digits;
    };
    int year = 0, month = 0, day = 0;
    using namespace std::chrono;
    if (text.size() != 10 || text[4] != '-' || text[7] != '-' || !number(0, 4, year) ||
        !number(5, 2, month) || !number(8, 2, day) ||
        !year_month_day(std::chrono::year(year), std::chrono::month(static_cast<unsigned>(month)),
                        std::chrono::day(static_cast<unsigned>(day)))
             .ok())
        return "--report-date takes a date as YYYY-MM-DD, such as 2024-05-31, not " +
               QuotedCellText(text);
    options.reportDate = std::string(text);
    return std::nullopt;
}

Outcome setAreaUnit(Options& options, std::string_view value) {
    options.areaUnit = AreaUnitFromName(value);
    if (!options.areaUnit) {
        std::string names;
        for (const AreaUnit& unit : AreaUnits)
            names += (names.empty() ? "" : ", ") + std::string(unit.name);
        return "unknown area unit " + QuotedCellText(value) + " (" + names + ")";
    }
    return std::nullopt;
}

// A number between 0 and 1 for --target-se and --half-width, or a whole
// number for --sample-size: read with a point, checked when the design is made.
template <std::optional<double> SampleSizeRule::*Member>
Outcome setSizeRule(Options& options, std::string_view text) {
    const std::optional<double> value = NumberOfText(TrimBlanks(text), '.');
    if (!value)
        return "not a number: " + QuotedCellText(text);
    options.sampleSizeRule = {};
    options.sampleSizeRule.*Member = *value;
    return std::nullopt;
}

Outcome setAllocation(Options& options, std::string_view text) {
    constexpr std::string_view minimum = "minimum=";
    if (text.starts_with(minimum)) {
        const std::optional<double> m = NumberOfText(TrimBlanks(text.substr(minimum.size())), '.');
        if (!m || *m < 1 || *m != std::trunc(*m))
            return "minimum=M takes a whole number M of 1 or more, not " + QuotedCellText(text);
        options.allocation = Allocation::Minimum;
        options.minimumUnits = *m;
        return std::nullopt;
    }
    for (Allocation allocation : Allocations)
        if (allocation != Allocation::Minimum && AllocationName(allocation) == text) {
            options.allocation = allocation;
            return std::nullopt;
        }
    return "unknown allocation " + QuotedCellText(text) +
           " (proportional, equal, neyman, minimum=M or simple)";
}

// A whole number of 0 or more, for --seed and --reserve.
template <std::uint64_t Options::*Member>
Outcome setCount(Options& options, std::string_view text) {
    const std::string_view digits = TrimBlanks(text);
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size())
        return std::string(Member == &Options::seed ? "--seed" : "--reserve") +
               " takes a whole number of 0 or more, not " + QuotedCellText(text);
    options.*Member = value;
    return std::nullopt;
}

Outcome setStrataSizes(Options& options, std::string_view text) {
    // A design record's strata, read with the input.
    if (text.starts_with('@')) {
        options.strataSizesRecord = std::string(text.substr(1));
        options.strataSizes.emplace();
        return std::nullopt;
    }
    auto read = ReadStrataSizes(text);
    if (auto* refused = std::get_if<std::string>(&read))
        return std::move(*refused);
    options.strataSizes = std::move(std::get<std::vector<StratumSize>>(read));
    return std::nullopt;
}

Outcome noAction(Options&, std::string_view) {
    return std::nullopt;
}

constexpr InputKinds Tables = InputKinds(InputKind::Matrix) | InputKind::Pairs;
constexpr InputKinds Labels =
    InputKinds(InputKind::Pairs) | InputKind::Ratings | InputKind::Samples;
constexpr InputKinds Reports = Tables | InputKind::Ratings | InputKind::Samples;
constexpr InputKinds Counted = Tables | InputKind::Maps | InputKind::Sums;
constexpr InputKinds CountedReports = Reports | InputKind::Maps | InputKind::Sums;
constexpr InputKinds Planned = CountedReports | InputKind::Design | InputKind::Compared;
// The options of --design, which reads its strata from --strata-sizes or a map.
constexpr InputKinds DesignInputs = InputKinds(InputKind::Design) | InputKind::Maps;

// An option of --map, read by its reader in map_input.
template <auto Read> Outcome mapReader(Options& options, std::string_view value) {
    return Read(options.maps, value);
}

// --map chooses the maps as the input.
Outcome chooseMap(Options& options, std::string_view map) {
    if (auto refused = chooseInput(options, "--map"))
        return refused;
    return ReadText<&MapOptions::map>(options.maps, map);
}

// The texts `Parts` joined, at compile time.
template <const std::string_view&... Parts> struct Joined {
    static constexpr auto chars = [] {
        std::array<char, (Parts.size() + ...)> joined{};
        std::size_t at = 0;
        for (std::string_view part : {Parts...})
            for (char c : part)
                joined[at++] = c;
        return joined;
    }();
    static constexpr std::string_view text{chars.data(), chars.size()};
};

#ifdef _WIN32
constexpr std::string_view StrataHelpStart = "the points' strata are the values of the raster "
                                             "STRATA on the map's grid (see \"From maps\"); ",
                           MapHelpStart = "count the error matrix from the classified raster MAP "
                                          "(see \"From maps\"); ",
                           StrataRefused = ": this build refuses --strata",
                           MapRefused = ": this build refuses --map";
constexpr std::string_view StrataHelp =
    Joined<StrataHelpStart, MapReadingNote, StrataRefused>::text;
constexpr std::string_view MapHelp = Joined<MapHelpStart, MapReadingNote, MapRefused>::text;
#else
constexpr std::string_view StrataHelp =
    "the points' strata are the values of the raster STRATA on the map's grid, N_h each "
    "value's pixels in the window where the map is valid too (see \"From maps\")";
constexpr std::string_view MapHelp =
    "count the error matrix from the classified raster MAP, any raster GDAL reads (see "
    "\"From maps\")";
#endif

// What --map and --samples need beside them. An empty --reference is none.
constexpr NeededOption NeedsReference{
    "--reference", [](const Options& o) { return !o.maps.reference.empty() || o.design; }};
constexpr NeededOption NeedsStrataSizes{"--strata-sizes",
                                        [](const Options& o) { return o.strataSizes.has_value(); }};
constexpr NeededOption NeedsStrata{"--strata-sizes or --map", [](const Options& o) {
                                       return o.strataSizes.has_value() || o.design;
                                   }};

// The help and the version are answered as soon as they are met.
constexpr std::string_view HelpOption = "--help", VersionOption = "--version";

constexpr std::array Table{
    OptionEntry{"--pairs", "", "read paired labels (above) instead of a matrix", EveryInput,
                ReportUse::Either,
                [](Options& o, std::string_view) { return chooseInput(o, "--pairs"); }},
    OptionEntry{"--map", "MAP", MapHelp, EveryInput, ReportUse::Either, chooseMap, NeedsReference,
                FileUse::Refused},
    OptionEntry{"--sum", "",
                "FILE... are JSON reports (--report --format json), each of one window of a map: "
                "add their matrices, classes matched by label, with their source counts and "
                "mapped areas, and write as for one matrix; a window given twice, or two windows "
                "of one map (read the same way) that overlap, are refused",
                EveryInput, ReportUse::Either,
                [](Options& o, std::string_view) { return chooseInput(o, "--sum"); }},
    OptionEntry{"--reference", "REF",
                "the reference: a raster on exactly the map's grid, or a layer of points",
                InputKind::Maps, ReportUse::Either, mapReader<ReadText<&MapOptions::reference>>},
    OptionEntry{"--compare-map",
                "MAP2",
                "a second classified raster on MAP's grid (its band that of --map-band), "
                "counted in the same pass against a reference raster or points: write each "
                "map's report and their comparison, as --compare does",
                InputKind::Maps,
                ReportUse::Either,
                [](Options& o, std::string_view path) -> Outcome {
                    o.compare = o.report = true;
                    return ReadText<&MapOptions::compareMap>(o.maps, path);
                },
                {},
                FileUse::Allowed,
                "--design --mapped-area"},
    OptionEntry{"--map-band", "N", "the map's band (default 1)", InputKind::Maps, ReportUse::Either,
                mapReader<ReadMapBand>},
    OptionEntry{"--reference-band", "N", "the reference raster's band (default 1)", InputKind::Maps,
                ReportUse::Either, mapReader<ReadReferenceBand>},
    OptionEntry{"--nodata", "V",
                "leave out the value V on both sides, beside each band's own no-data value "
                "(nan for NaN)",
                InputKind::Maps, ReportUse::Either, mapReader<ReadNodata>},
    OptionEntry{"--reference-field", "NAME",
                "the field of the points that holds their class; without it, the layer's only "
                "field of whole numbers or text",
                InputKind::Maps, ReportUse::Either,
                mapReader<ReadText<&MapOptions::referenceField>>},
    OptionEntry{"--class-names", "V=NAME,...",
                "the names of the map's classes by value, over those the map carries (a raster "
                "attribute table's name column or category names); points whose class field "
                "holds text may name their classes so",
                InputKind::Maps, ReportUse::Either, mapReader<ReadClassNames>},
    OptionEntry{"--reference-layer", "NAME", "the layer of points, where REF has several",
                InputKind::Maps, ReportUse::Either,
                mapReader<ReadText<&MapOptions::referenceLayer>>},
    OptionEntry{"--reference-crs", "CRS",
                "the coordinate system of the points (EPSG:4326, a PROJ string...), where "
                "REF has none, as a CSV",
                InputKind::Maps, ReportUse::Either, mapReader<ReadText<&MapOptions::referenceCrs>>},
    OptionEntry{"--window", "X,Y,W,H",
                "count only the map's pixels from column X and row Y (from 0), W wide and H "
                "high; a window of one class, or of no-data alone, still gives its report "
                "(figures not defined say why), for --sum",
                InputKind::Maps, ReportUse::Either, mapReader<ReadWindow>},
    OptionEntry{"--strata", "STRATA", StrataHelp, InputKind::Maps, ReportUse::Needs,
                mapReader<ReadText<&MapOptions::strata>>},
    OptionEntry{"--align", "HOW",
                "read a reference raster on another grid (resolution, origin or coordinate "
                "system) onto the map's through GDAL's warper, block by block: nearest "
                "(the reference pixel under each map pixel's centre) or mode (the most "
                "frequent class among the reference pixels in each map pixel, for a finer "
                "reference); without it such a reference is refused",
                InputKind::Maps, ReportUse::Either, mapReader<ReadAlign>},
    OptionEntry{"--threads", "N", "count in N threads (default and at most: the machine's cores)",
                InputKind::Maps, ReportUse::Either, mapReader<ReadThreads>},
    OptionEntry{"--quiet", "", "show no progress on standard error", InputKind::Maps,
                ReportUse::Either, mapReader<ReadQuiet>},
    OptionEntry{"--compare",
                "",
                "each line holds the classes two maps, A and B, gave one unit before the "
                "reference's (--pairs: A, B, reference; --samples: stratum, A, B, reference): "
                "write each map's report and their comparison (below)",
                InputKinds(InputKind::Pairs) | InputKind::Samples,
                ReportUse::Either,
                [](Options& o, std::string_view) -> Outcome {
                    o.compare = o.report = true;
                    return std::nullopt;
                },
                {},
                FileUse::Allowed,
                "--transpose --mapped-area"},
    OptionEntry{"--compare-reports", "",
                "FILE... are two JSON reports (--report --format json) of independent "
                "assessments, A and B: write the z-tests of the differences of their kappas "
                "and overall accuracies (below)",
                EveryInput, ReportUse::Either,
                [](Options& o, std::string_view) { return chooseInput(o, "--compare-reports"); }},
    OptionEntry{"--ratings", "",
                "read a table of ratings (below) and write the agreement among its raters",
                EveryInput, ReportUse::Either,
                [](Options& o, std::string_view) { return chooseInput(o, "--ratings"); }},
    OptionEntry{"--samples", "",
                "read a stratified sample (above) and write the report with Stehman's estimates",
                EveryInput, ReportUse::Either,
                [](Options& o, std::string_view) { return chooseInput(o, "--samples"); },
                NeedsStrataSizes},
    OptionEntry{"--strata-sizes", "S1=N1,S2=N2,...",
                "the size N_h of every stratum of the sample, in population units (pixels): "
                "positive whole numbers, each after its stratum's label; or @RECORD, the "
                "sizes of the design record --design --draw wrote",
                InputKinds(InputKind::Samples) | InputKind::Design, ReportUse::Needs,
                setStrataSizes},
    OptionEntry{"--design", "",
                "size and allocate a stratified random sample (below) for the strata of "
                "--strata-sizes, or the classes of --map (the values of --strata)",
                EveryInput, ReportUse::Either,
                [](Options& o, std::string_view) { return chooseInput(o, "--design"); },
                NeedsStrata, FileUse::Refused},
    OptionEntry{"--expected-accuracy", "U|S1=U1,...",
                "the user's accuracy expected of every stratum, or of each by its label",
                DesignInputs, ReportUse::Needs, setText<&Options::expectedAccuracy>},
    OptionEntry{"--target-se", "SE",
                "the sample size that gives overall accuracy this standard error", DesignInputs,
                ReportUse::Needs, setSizeRule<&SampleSizeRule::targetSe>},
    OptionEntry{"--half-width", "D",
                "the sample size that gives overall accuracy an interval of half-width D at "
                "the confidence level",
                DesignInputs, ReportUse::Needs, setSizeRule<&SampleSizeRule::halfWidth>},
    OptionEntry{"--sample-size", "N", "the sample size N itself", DesignInputs, ReportUse::Needs,
                setSizeRule<&SampleSizeRule::sampleSize>},
    OptionEntry{"--allocation", "A",
                "proportional (default), equal, neyman, minimum=M (every stratum at least M "
                "units, the rest proportional) or simple (one simple random sample of the "
                "whole, one U)",
                DesignInputs, ReportUse::Needs, setAllocation},
    OptionEntry{"--draw", "POINTS",
                "draw the sample from the map into POINTS (.gpkg, .geojson or .csv), with the "
                "design record beside it in .design.json",
                DesignInputs, ReportUse::Needs, setText<&Options::drawPath>},
    OptionEntry{"--seed", "S", "the seed of the draw, a whole number (default 1)", DesignInputs,
                ReportUse::Needs, setCount<&Options::seed>},
    OptionEntry{"--reserve", "K", "K further points per stratum, in the order to use them",
                DesignInputs, ReportUse::Needs, setCount<&Options::reserve>},
    OptionEntry{"--overwrite", "", "replace POINTS and its design record where they exist",
                DesignInputs, ReportUse::Needs, setFlag<&Options::overwrite>},
    OptionEntry{"--fpc", "",
                "multiply each stratum's variance by the finite-population correction "
                "1 - n_h/N_h",
                InputKinds(InputKind::Samples) | InputKind::Maps, ReportUse::Needs,
                setFlag<&Options::finitePopulationCorrection>},
    OptionEntry{"--header", "", "the first line names the columns", Labels, ReportUse::Either,
                setFlag<&Options::header>},
    OptionEntry{"--long", "",
                "one rating per line: the unit, the rater and the rating (chosen with "
                "--columns where the lines hold more), units and raters matched by their texts",
                InputKind::Ratings, ReportUse::Either, setFlag<&Options::longForm>},
    OptionEntry{"--columns", "C1,C2,...",
                "read these fields of each line, by the header's names (with --header) or "
                "by number from 1, in this order: for --pairs the classification's and the "
                "reference's, for --samples the stratum, the map's and the reference's, for "
                "--ratings the raters; the other fields may hold anything",
                Labels, ReportUse::Either, setColumns},
    OptionEntry{"--classes", "L1,L2,...",
                "the classes in this order, also those that never occur; any other label is "
                "refused (with --map: the values, as whole numbers)",
                Labels | InputKind::Maps, ReportUse::Either, setClasses},
    OptionEntry{"--missing", "TEXT",
                "a label that means \"no value\": a pair or sample unit holding one is left out "
                "and counted; may be given more than once; with --ratings a text that means a "
                "missing rating (NA and an empty field always do)",
                Labels, ReportUse::Either, addMissing},
    OptionEntry{"--transpose", "",
                "the input's rows are the reference and its columns the classification (with "
                "--pairs: the reference's label comes first)",
                Tables, ReportUse::Either, setFlag<&Options::transpose>},
    OptionEntry{"--decimal-separator", "SEP",
                "the decimal separator of the cells and of the values written (one character; "
                "default .)",
                Planned, ReportUse::Either, setDecimalSeparator},
    OptionEntry{"-o", "PATH",
                "make the file PATH new and write the two lines, or the report, to it instead of "
                "standard output",
                Planned, ReportUse::Either, setText<&Options::outputPath>},
    OptionEntry{"--report", "",
                "write the full agreement report (below) to standard output instead of the two "
                "lines (with --ratings and --samples the report is always written)",
                CountedReports, ReportUse::Either, setFlag<&Options::report>},
    OptionEntry{"--weights", "W",
                "add a weighted kappa with agreement weights W: none (default), linear or "
                "quadratic; with --ratings the weights of every coefficient, also ordinal, "
                "radical, ratio, circular or bipolar; every W but none weighs the classes by "
                "their order, so labels that are not all numbers need --classes",
                CountedReports, ReportUse::Needs, setWeights},
    OptionEntry{"--mapped-area", "A1,A2,...",
                "the mapped area (or pixel count) of each row class, in any unit, separated by "
                "commas (semicolons when the decimal separator is a comma), in the order of the "
                "classes (only where it is fixed: a matrix, labels that are all numbers, or "
                "--classes) or as LABEL=AREA in any order; 0 only for a class whose row holds no "
                "counts; adds the area-weighted estimates",
                // Read once the classes are known: kept as given until then.
                Counted, ReportUse::Needs, setText<&Options::mappedAreaText>},
    OptionEntry{"--format", "F",
                "text (default), csv, json or html: one page to open in a browser, with the "
                "error matrix as a heatmap, the accuracies, areas and coefficients drawn with "
                "their intervals and every figure in tables; it needs nothing beside it",
                Planned, ReportUse::Needs, setFormat},
    OptionEntry{"--report-date", "DATE",
                "the date (YYYY-MM-DD) the html report names in its heading; without it the "
                "page names none, and the same input always gives the same page",
                Planned, ReportUse::Needs, setReportDate,
                NeededOption{"--format html",
                             [](const Options& o) { return o.format == ReportFormat::Html; }}},
    OptionEntry{"--digits", "N",
                "the significant digits of each figure of the text report (default 4; every "
                "digit before the point is kept); csv and json write the fewest digits that "
                "read back as the same double",
                Planned, ReportUse::Needs, setDigits},
    OptionEntry{"--area-unit", "U",
                "the unit of the areas of a map in metres: m2, ha (default) or km2",
                InputKinds(InputKind::Maps) | InputKind::Sums, ReportUse::Needs, setAreaUnit},
    OptionEntry{"--confidence", "P",
                "the confidence level of every interval of the report, 0 < P < 1 (default "
                "0.95): value -+ z se with z the normal point of P, the ratings' with Student's "
                "t; Result.txt and the two lines keep KAPPA -+ 2 SECI",
                Planned, ReportUse::Needs, setConfidence},
    OptionEntry{HelpOption, "", "show this text", EveryInput, ReportUse::Either, noAction},
    OptionEntry{VersionOption, "", "show the version", EveryInput, ReportUse::Either, noAction},
};

const OptionEntry* findOption(std::string_view name) {
    if (name == "-h")
        name = HelpOption;
    for (const OptionEntry& entry : Table)
        if (entry.name == name)
            return &entry;
    return nullptr;
}

// The option that chooses `kind`, or nothing for the matrix.
std::string_view selectorOf(InputKind kind) {
    for (const InputChoice& choice : InputChoices)
        if (choice.kind == kind)
            return choice.option;
    return {};
}

Outcome chooseInput(Options& options, std::string_view name) {
    InputKind kind = InputKind::Matrix;
    for (const InputChoice& choice : InputChoices)
        if (choice.option == name)
            kind = choice.kind;
    // A design from a map reads the map: its input is the map's.
    const auto designOnMap = [&](InputKind a, InputKind b) {
        return (a == InputKind::Design && b == InputKind::Maps) ||
               (a == InputKind::Maps && b == InputKind::Design);
    };
    if (designOnMap(options.input, kind)) {
        options.input = InputKind::Maps;
        options.design = options.report = true;
        return std::nullopt;
    }
    if (options.input != InputKind::Matrix && options.input != kind)
        return std::string(name) + " does not go with " + std::string(selectorOf(options.input));
    options.input = kind;
    // Their output is always the report.
    if (kind == InputKind::Ratings || kind == InputKind::Samples || kind == InputKind::Design ||
        kind == InputKind::Compared)
        options.report = true;
    return std::nullopt;
}

// Whether `entry` names the option `name` among those it does not go with.
bool excludes(const OptionEntry& entry, std::string_view name) {
    for (std::string_view rest = entry.excludes; !rest.empty();) {
        const std::size_t end = std::min(rest.find(' '), rest.size());
        if (rest.substr(0, end) == name)
            return true;
        rest.remove_prefix(std::min(end + 1, rest.size()));
    }
    return false;
}

// Why `entry`, given, does not fit the rest of the command line.
Outcome conflict(const OptionEntry& entry, const Options& options) {
    const std::string name(entry.name);
    if (!entry.inputs.has(options.input))
        return options.input == InputKind::Matrix
                   ? name + " needs " + SelectorsOf(entry.inputs)
                   : name + " does not go with " + std::string(selectorOf(options.input));
    if (entry.inputs.bits == DesignInputs.bits && options.input == InputKind::Maps &&
        !options.design)
        return name + " needs --design";
    if (entry.report == ReportUse::Needs && !options.report)
        return name + " needs --report";
    if (entry.report == ReportUse::Excludes && options.report)
        return name +
               " does not go with --report: --report writes the report to standard "
               "output, " +
               name + " makes a Result.txt file";
    return std::nullopt;
}

} // namespace

std::span<const OptionEntry> OptionTable() {
    return Table;
}

std::string SelectorsOf(InputKinds kinds) {
    std::vector<std::string_view> names;
    for (const InputChoice& choice : InputChoices)
        if (kinds.has(choice.kind))
            names.push_back(choice.option);
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i)
        text += std::string(i == 0                  ? ""
                            : i + 1 == names.size() ? " or "
                                                    : ", ") +
                std::string(names[i]);
    return text;
}

std::variant<Command, std::string> ParseCommandLine(const std::vector<std::string>& args) {
    Command command;
    Options& options = command.options;
    std::vector<const OptionEntry*> given;
    bool haveInput = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.size() > 1 && arg[0] == '-') {
            const OptionEntry* entry = findOption(arg);
            if (entry == nullptr)
                return "unknown option " + QuotedCellText(arg) + " (see --help)";
            if (entry->name == HelpOption || entry->name == VersionOption) {
                command.request = entry->name == HelpOption ? Request::Help : Request::Version;
                return command;
            }
            std::string_view argument;
            if (!entry->argument.empty()) {
                if (i + 1 >= args.size())
                    return arg + " needs a value (see --help)";
                argument = args[++i];
            }
            if (auto refused = entry->apply(options, argument))
                return *refused;
            given.push_back(entry);
            continue;
        }
        options.inputPaths.push_back(arg);
        if (haveInput)
            continue; // refused below unless --sum
        options.inputPath = arg;
        options.inputPathGiven = true;
        haveInput = true;
    }
    for (const OptionEntry* entry : given)
        if (auto refused = conflict(*entry, options))
            return *refused;
    if (options.inputPaths.size() > 1 && options.input != InputKind::Sums &&
        options.input != InputKind::Compared)
        return std::string("only one input file can be given");
    for (const OptionEntry* entry : given)
        for (const OptionEntry* other : given)
            if (excludes(*entry, other->name))
                return std::string(other->name) + " does not go with " + std::string(entry->name);
    if (options.ratingWeights && !options.weights && options.input != InputKind::Ratings)
        return "--weights " + std::string(RatingWeightsName(*options.ratingWeights)) +
               " needs --ratings; a matrix report takes none, linear or quadratic";
    // What an option needs beside it, and the input file it refuses, come last.
    for (const OptionEntry* entry : given) {
        if (entry->needs.given && !entry->needs.given(options))
            return std::string(entry->name) + " needs " + std::string(entry->needs.name);
        if (entry->file == FileUse::Refused && options.inputPathGiven)
            return std::string(entry->name) + " does not go with an input file";
    }
    return command;
}

} // namespace brennic
