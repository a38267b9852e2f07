// The report of brennic-kappa --report as one value: built once from what was
// read and computed, then written whole by each format (text for a person, CSV
// and JSON for other programs, HTML to look at). No format reads or edits what
// another wrote.
//
// An error matrix gives the agreement report (with its warnings, the pairs left
// out as missing, the weighted kappa and the area-weighted estimates), followed
// by the stratified estimates of a stratified sample and the record of where
// counted matrices came from. A table of ratings gives the ratings report alone.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/agreement_report.h"
#include "core/comparison.h"
#include "core/ratings.h"
#include "core/stratified.h"
#include "input/counted_input.h"
#include "report/text_numbers.h"

namespace brennic {

enum class ReportFormat { Text, Csv, Json, Html };

// Divides every area of the report (mapped and estimated, with their standard
// errors and intervals) by `perUnit`: the areas shown in a unit that many times
// the one they were formed in.
void ShowAreasIn(AgreementReport& report, double perUnit);

// "text", "csv", "json" or "html".
std::optional<ReportFormat> ReportFormatFromName(std::string_view name);

// A stratified sample with its estimates; the classes' labels are the
// agreement report's.
struct StratifiedSection {
    StratifiedSample sample;
    StratifiedEstimates estimates;
};

// What a count from maps counted and left out, as the text and HTML forms say it.
std::string SourceCountsText(const SourceRecord& source);

// How the reference was read onto the map's grid, after its name in the text
// and HTML forms.
inline std::string AlignedNote(const std::string& how) {
    return " (read onto the map's grid by " + how + ")";
}

// Where the strata of the stratified section are the map's classes sized as its
// areas, the text and HTML forms say so instead of repeating the estimates.
inline constexpr std::string_view StratifiedSameNote =
    "The strata are the map's classes, sized as their areas: these are the area-weighted "
    "estimates above (csv and json hold both).";

// What the HTML form's heading says was assessed, beside the source record of
// counted matrices: the files read, the date given with --report-date (none
// otherwise: the page holds no clock), the program and its version.
struct ReportHeading {
    std::vector<std::string> inputs;
    std::string date;
    std::string program;
};

// Two independent assessments read from their JSON reports: the file of each,
// the figures taken from it, and the z-tests.
struct IndependentSection {
    std::string pathA, pathB;
    AssessedFigures a, b;
    double confidence = 0.95;
    FigureRow<IndependentFigure> figures;
};

// The maps of a comparison as the text form names them ("Map A") and as the
// JSON and CSV forms key their reports ("a", "a.overall").
inline constexpr std::string_view ComparedMapNames[] = {"A", "B"};
inline constexpr std::string_view ComparedMapKeys[] = {"a", "b"};

struct Report {
    std::optional<AgreementReport> agreement;
    std::optional<StratifiedSection> stratified; // with an agreement report
    std::optional<SourceRecord> source;          // with an agreement report
    std::optional<RatingsReport> ratings;        // instead of all the others
    // The unit of the areas (mapped, estimated), shown beside them; empty where
    // it is not known (areas as given by --mapped-area).
    std::string areaUnit;
    // The strata of the stratified section are the map's classes, sized in
    // proportion to its areas: its estimates are the area-weighted ones, which
    // the text form then shows once.
    bool stratifiedIsAreaWeighted = false;
    ReportHeading heading; // written by the HTML form alone
    // Two maps compared on the same units (--compare): the whole report of each,
    // map A then map B, and the comparison of the two, whose classes are both
    // reports' classes; the members above stay empty.
    std::vector<Report> compared;
    std::optional<MapComparison> comparison;
    // Two independent assessments (--compare-reports), instead of all the others.
    std::optional<IndependentSection> independent;
};

// The whole report in `format`; `numbers` is how the text form writes its
// values. CSV and JSON write the shortest digits that read back as the same
// double; JSON with a point, CSV with the decimal separator of `numbers`.
std::string WriteReport(const Report& report, ReportFormat format, const TextNumbers& numbers);

// Each format's writer (report.cpp, report_csv.cpp, report_html.cpp).
std::string ReportText(const Report& report, const TextNumbers& numbers);
std::string ReportCsv(const Report& report, char decimalSeparator);
std::string ReportJson(const Report& report);
// One page that needs nothing beside it: the matrix as a heatmap, every
// interval drawn, every figure in tables; values as the text form writes them.
std::string ReportHtml(const Report& report, const TextNumbers& numbers);
// A page of the same style that shows `text` as the text form writes it, under
// the heading `title`: the design report's HTML form.
std::string HtmlTextPage(std::string_view title, std::string_view text);

} // namespace brennic
