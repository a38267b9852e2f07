// The CSV form: one tidy table to sort and filter, one row per figure and class,
// the same nine columns for every report:
//
//   section,class,figure,value,se,ci_low,ci_high,unit,reason
//
// `section` is where the figure stands in the JSON form ("overall",
// "area_weighted.classes", ...), `class` the label of its class (empty for a
// figure of the whole), `figure` its JSON name. A figure's standard error and
// interval share its row. The error matrix is a row per cell: "matrix", the map
// class, the reference class, the count. Numbers carry the shortest digits that
// read back as the same double; with a decimal comma, fields are separated by
// semicolons, as a spreadsheet in a comma locale reads them.
#include <cstddef>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "report/report.h"
#include "report/report_writing.h"

namespace brennic {
namespace {

constexpr std::string_view SeSuffix = "_se", LowSuffix = "_ci_low", HighSuffix = "_ci_high";

bool endsWith(std::string_view text, std::string_view end) {
    return text.size() > end.size() && text.substr(text.size() - end.size()) == end;
}

// A figure under its name in the JSON form.
struct Named {
    std::string_view field;
    const Figure* figure;
};

class TidyCsv {
  public:
    TidyCsv(std::string& out, char decimalSeparator)
        : m_out(out), m_decimal(decimalSeparator), m_between(decimalSeparator == ',' ? ';' : ',') {
        const char* names[] = {"section", "class",   "figure", "value", "se",
                               "ci_low",  "ci_high", "unit",   "reason"};
        for (const char* name : names) {
            if (name != names[0])
                m_out += m_between;
            m_out += name;
        }
        m_out += '\n';
    }

    // Every row below takes `cls` as a field already (see quoted()).

    // A row whose value is a text (a setting, a path) or empty.
    void text(std::string_view section, std::string_view cls, std::string_view figure,
              std::string_view value, std::string_view reason = {}) {
        begin(section, cls, figure);
        field(value);
        m_out.append(4, m_between);
        m_out += m_between;
        field(reason);
        m_out += '\n';
    }

    void number(std::string_view section, std::string_view cls, std::string_view figure,
                double value) {
        begin(section, cls, figure);
        appendNumber(value);
        m_out.append(5, m_between);
        m_out += '\n';
    }

    // A figure with its standard error and interval where it has them.
    void estimate(std::string_view section, std::string_view cls, std::string_view figure,
                  const Figure& value, const Figure* se, const Figure* low, const Figure* high,
                  std::string_view unit) {
        begin(section, cls, figure);
        const Figure* reasonOf = nullptr;
        for (const Figure* f : {&value, se, low, high}) {
            if (f != &value)
                m_out += m_between;
            if (f == nullptr)
                continue;
            if (f->defined())
                appendNumber(*f->value);
            else if (reasonOf == nullptr)
                reasonOf = f;
        }
        m_out += m_between;
        field(unit);
        m_out += m_between;
        if (reasonOf != nullptr)
            field(reasonOf->reason);
        m_out += '\n';
    }

    // The figures of one list, each standard error and interval on the row of the
    // figure it belongs to; `unitOf(field)` gives a figure's unit.
    template <typename UnitOf>
    void figures(std::string_view section, std::string_view cls, const std::vector<Named>& list,
                 UnitOf unitOf) {
        const auto find = [&](std::string_view base, std::string_view suffix) -> const Figure* {
            for (const Named& n : list)
                if (n.field.size() == base.size() + suffix.size() && n.field.starts_with(base) &&
                    n.field.ends_with(suffix))
                    return n.figure;
            return nullptr;
        };
        for (const Named& n : list) {
            bool belongs = false;
            for (std::string_view suffix : {SeSuffix, LowSuffix, HighSuffix})
                if (endsWith(n.field, suffix) &&
                    find(n.field.substr(0, n.field.size() - suffix.size()), "") != nullptr)
                    belongs = true;
            if (belongs)
                continue;
            estimate(section, cls, n.field, *n.figure, find(n.field, SeSuffix),
                     find(n.field, LowSuffix), find(n.field, HighSuffix), unitOf(n.field));
        }
    }
    void figures(std::string_view section, std::string_view cls, const std::vector<Named>& list) {
        figures(section, cls, list, [](std::string_view) { return std::string_view(); });
    }

    // The counts of one row of a matrix: a row per cell.
    template <typename Value>
    void cells(std::string_view section, const std::string& rowLabel,
               const std::vector<std::string>& columnLabels, Value value) {
        for (std::size_t j = 0; j < columnLabels.size(); ++j) {
            m_out += m_prefix;
            m_out += section;
            m_out += m_between;
            m_out += rowLabel;
            m_out += m_between;
            m_out += columnLabels[j];
            m_out += m_between;
            const Figure f = value(j);
            if (f.defined())
                appendNumber(*f.value);
            m_out.append(4, m_between);
            m_out += m_between;
            if (!f.defined())
                field(f.reason);
            m_out += '\n';
        }
    }

    // `text` as a field, quoted when it holds a separator, a quote or a line end.
    std::string quoted(std::string_view text) const { return CsvField(text); }

    // Every section from here on stands under `prefix` ("a." for map A's report).
    void prefix(std::string prefix) { m_prefix = std::move(prefix); }

  private:
    void begin(std::string_view section, std::string_view cls, std::string_view figure) {
        m_out += m_prefix;
        m_out += section;
        m_out += m_between;
        m_out += cls;
        m_out += m_between;
        m_out += figure;
        m_out += m_between;
    }
    void field(std::string_view text) { m_out += quoted(text); }
    void appendNumber(double value) {
        const std::size_t at = m_out.size();
        AppendNumber(m_out, value);
        if (m_decimal != '.')
            for (std::size_t i = at; i < m_out.size(); ++i)
                if (m_out[i] == '.')
                    m_out[i] = m_decimal;
    }

    std::string& m_out;
    char m_decimal, m_between;
    std::string m_prefix;
};

template <typename Id>
std::vector<Named> namedFigures(const FigureRow<Id>& row, std::size_t first = 0,
                                std::size_t last = FigureRow<Id>::Size) {
    std::vector<Named> list;
    const auto catalogue = Catalogue<Id>();
    for (std::size_t i = first; i < last; ++i)
        list.push_back({catalogue[i].field, &row.all()[i]});
    return list;
}

void warnings(TidyCsv& csv, const std::vector<std::string>& texts) {
    for (const std::string& warning : texts)
        csv.text("report", "", "warning", "", warning);
}

void ratingsCsv(TidyCsv& csv, const RatingsReport& r) {
    csv.number("report", "", "units", static_cast<double>(r.units));
    csv.number("report", "", "pairable_units", static_cast<double>(r.pairableUnits));
    csv.number("report", "", "raters", static_cast<double>(r.raters));
    csv.text("report", "", "weights", RatingWeightsName(r.weights));
    csv.number("report", "", "confidence", r.confidence);
    warnings(csv, r.warnings);
    for (const RatingClass& c : r.classes)
        csv.number("classes", csv.quoted(c.label), "count", static_cast<double>(c.count));
    for (std::size_t c = 0; c < RatingsCoefficientCount; ++c) {
        const CoefficientFigures& f = r.coefficients[c];
        const std::string name(
            RatingsCoefficientName(static_cast<RatingsCoefficient>(c), r.weights));
        csv.estimate("overall", "", name, f.value, &f.se, &f.ci_low, &f.ci_high, "");
        csv.estimate("overall", "", name + "_p", f.p, nullptr, nullptr, nullptr, "");
    }
    if (r.krippendorffByLevel)
        for (std::size_t l = 0; l < MeasurementLevelCount; ++l)
            csv.estimate("krippendorff_alpha_by_level", "",
                         MeasurementLevelName(static_cast<MeasurementLevel>(l)),
                         (*r.krippendorffByLevel)[l], nullptr, nullptr, nullptr, "");
}

void agreementCsv(TidyCsv& csv, const Report& report, const std::vector<std::string>& labels) {
    const AgreementReport& r = *report.agreement;
    csv.number("report", "", "n", r.n);
    csv.number("report", "", "confidence", r.confidence);
    warnings(csv, r.warnings);
    if (r.missingLeftOut)
        csv.number("left_out", "", "missing", static_cast<double>(*r.missingLeftOut));
    csv.figures(ResultFileKey, "", namedFigures(r.overall, 0, ResultFileFigures));
    // Kappa again, beside its large-sample standard error and interval.
    std::vector<Named> overall{{"kappa", &r.overall[OverallFigure::KAPPA]}};
    for (const Named& n : namedFigures(r.overall, ResultFileFigures))
        overall.push_back(n);
    csv.figures("overall", "", overall);
    if (r.weighted) {
        csv.text("weighted", "", "weights", WeightsName(r.weighted->weights));
        csv.figures("weighted", "", namedFigures(r.weighted->figures));
    }
    for (const ClassEntry& entry : r.classes)
        csv.figures("classes", labels[static_cast<std::size_t>(entry.k - 1)],
                    namedFigures(entry.figures));
    if (r.area) {
        csv.figures("area_weighted", "", namedFigures(r.area->figures));
        const auto unitOf = [&](std::string_view field) {
            return field == "mapped_area" || field == "area" ? std::string_view(report.areaUnit)
                                                             : std::string_view();
        };
        for (const AreaClassEntry& entry : r.area->classes)
            csv.figures("area_weighted.classes", labels[static_cast<std::size_t>(entry.k - 1)],
                        namedFigures(entry.figures), unitOf);
    }
}

void stratifiedCsv(TidyCsv& csv, const StratifiedSection& s,
                   const std::vector<std::string>& labels) {
    csv.text("stratified", "", "fpc", s.sample.finitePopulationCorrection ? "true" : "false");
    for (std::size_t h = 0; h < s.sample.strata.size(); ++h) {
        const std::string stratum = csv.quoted(s.sample.strata[h]);
        csv.number("stratified.strata", stratum, "size", s.sample.stratumSizes[h]);
        csv.number("stratified.strata", stratum, "sample_units", s.estimates.sampleSizes[h]);
    }
    csv.figures("stratified", "", namedFigures(s.estimates.figures));
    for (const StratifiedClassEntry& entry : s.estimates.classes)
        csv.figures("stratified.classes", labels[static_cast<std::size_t>(entry.k - 1)],
                    namedFigures(entry.figures));
    const std::size_t q = s.sample.classes;
    for (std::size_t i = 0; i < q; ++i)
        csv.cells("stratified.area_proportions", labels[i], labels,
                  [&](std::size_t j) { return s.estimates.areaProportions[i * q + j]; });
}

void sourceCsv(TidyCsv& csv, const SourceRecord& s) {
    csv.text("source", "", "map", s.map);
    csv.text("source", "", "reference", s.reference);
    if (!s.aligned.empty())
        csv.text("source", "", "aligned", s.aligned);
    if (!s.referenceField.empty())
        csv.text("source", "", "reference_field", s.referenceField);
    if (!s.strata.empty())
        csv.text("source", "", "strata", s.strata);
    csv.number("source", "", "counted", static_cast<double>(s.counted));
    csv.number("source.left_out", "", "outside", static_cast<double>(s.outside));
    csv.number("source.left_out", "", "nodata", static_cast<double>(s.nodata));
    csv.number("source.left_out", "", "empty", static_cast<double>(s.empty));
    if (s.masked != 0)
        csv.number("source.left_out", "", "masked", static_cast<double>(s.masked));
}

// Each label quoted once, as the class column and the matrix rows hold it.
std::vector<std::string> quotedLabels(const TidyCsv& csv, const std::vector<std::string>& labels) {
    std::vector<std::string> quoted;
    quoted.reserve(labels.size());
    for (const std::string& label : labels)
        quoted.push_back(csv.quoted(label));
    return quoted;
}

void comparisonCsv(TidyCsv& csv, const MapComparison& c, const std::vector<std::string>& labels) {
    csv.text("comparison", "", "stratified", c.stratified ? "true" : "false");
    csv.figures("comparison", "", namedFigures(c.figures));
    for (const ComparisonClassEntry& entry : c.classes)
        csv.figures("comparison.classes", labels[static_cast<std::size_t>(entry.k - 1)],
                    namedFigures(entry.figures));
}

void independentCsv(TidyCsv& csv, const IndependentSection& s) {
    csv.number("report", "", "confidence", s.confidence);
    for (const auto& [key, path, f] :
         {std::tuple{"independent.a", &s.pathA, &s.a}, {"independent.b", &s.pathB, &s.b}}) {
        csv.text(key, "", "report", *path);
        csv.estimate(key, "", "kappa", f->kappa, &f->kappaSe, nullptr, nullptr, "");
        csv.estimate(key, "", "overall_accuracy", f->overallAccuracy, &f->overallAccuracySe,
                     nullptr, nullptr, "");
    }
    csv.figures("independent", "", namedFigures(s.figures));
}

// The rows of one report, in the order of its other forms.
void reportRows(TidyCsv& csv, std::string& out, const Report& report) {
    if (report.independent)
        independentCsv(csv, *report.independent);
    for (std::size_t i = 0; i < report.compared.size(); ++i) {
        csv.prefix(std::string(ComparedMapKeys[i]) + ".");
        reportRows(csv, out, report.compared[i]);
        csv.prefix({});
    }
    if (report.comparison)
        comparisonCsv(csv, *report.comparison,
                      quotedLabels(csv, report.compared.at(0).agreement->labels));
    if (report.ratings)
        ratingsCsv(csv, *report.ratings);
    if (!report.agreement)
        return;
    const AgreementReport& r = *report.agreement;
    const std::vector<std::string> labels = quotedLabels(csv, r.labels);
    const auto n = static_cast<std::size_t>(r.n);
    out.reserve(out.size() + n * n * (24 + 2 * (labels.empty() ? 0 : labels[0].size())) + 1024 * n +
                4096);
    agreementCsv(csv, report, labels);
    if (report.stratified)
        stratifiedCsv(csv, *report.stratified, labels);
    for (std::size_t i = 0; i < n; ++i)
        csv.cells("matrix", labels[i], labels,
                  [&](std::size_t j) { return Figure::Of(r.cells[i * n + j]); });
    if (report.source)
        sourceCsv(csv, *report.source);
}

} // namespace

std::string ReportCsv(const Report& report, char decimalSeparator) {
    std::string out;
    TidyCsv csv(out, decimalSeparator);
    reportRows(csv, out, report);
    return out;
}

} // namespace brennic
