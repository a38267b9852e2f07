// The text of brennic-kappa --help: the usage, the options from their table,
// reading from maps, the exit status and every field of the reports.
#include "cli/help.h"

#include <algorithm>
#include <array>
#include <span>
#include <string_view>

#include "cli/cli_options.h"
#include "cli/map_input.h"
#include "core/comparison.h"
#include "core/figure_catalogue.h"
#include "core/stratified.h"
#include "report/report_writing.h"

namespace brennic {
namespace {

constexpr const char* HelpIntroduction =
    "Usage: brennic-kappa [INPUT OPTIONS] [-o PATH] [FILE]\n"
    "       brennic-kappa [INPUT OPTIONS] --report [--weights none|linear|quadratic]\n"
    "                     [--mapped-area A1,A2,...] [--format F] [-o PATH] [FILE]\n"
    "       brennic-kappa --ratings [--long] [--header] [--columns C1,...]\n"
    "                     [--classes L1,...] [--missing TEXT]\n"
    "                     [--weights W] [--report] [--format F] [FILE]\n"
    "       brennic-kappa --samples [--header] [--classes L1,...] [--missing TEXT]\n"
    "                     --strata-sizes S1=N1,... [--fpc] [--report ...] [FILE]\n"
    "       brennic-kappa --map MAP --reference REF [MAP OPTIONS]\n"
    "                     [-o PATH | --report ...]\n"
    "       brennic-kappa --sum [--report ...] REPORT.json... (see \"From maps\")\n"
    "       brennic-kappa (--pairs | --samples --strata-sizes ...) --compare\n"
    "       brennic-kappa --map MAP --compare-map MAP2 --reference REF [MAP OPTIONS]\n"
    "                     [--report ...] [FILE]\n"
    "       brennic-kappa --compare-reports [--confidence P] [--format F]\n"
    "                     A.json B.json\n"
    "       brennic-kappa --design (--strata-sizes S1=N1,... | --map MAP\n"
    "                     [--strata STRATA] [--window ...]) --expected-accuracy U\n"
    "                     (--target-se SE | --half-width D | --sample-size N)\n"
    "                     [--allocation A] [--format F]\n"
    "                     [--draw POINTS [--seed S] [--reserve K] [--overwrite]]\n"
    "Input options: [--decimal-separator SEP] [--transpose]\n"
    "               [--pairs [--header] [--columns C1,C2] [--classes L1,L2,...]\n"
    "                        [--missing TEXT]]\n"
    "\n"
    "Computes Cohen's kappa for a square error matrix and writes the two lines of\n"
    "Result.txt: the header and the values of PC, PO, KAPPA, LO-95% CI, HI-95% CI,\n"
    "SE and Z.\n"
    "\n"
    "FILE holds one matrix row per line, cells separated by blanks, tabs,\n"
    "semicolons or commas (commas only when the decimal separator is not a comma).\n"
    "Blank lines are ignored. Without FILE, or with -, the matrix is read from\n"
    "standard input. The matrix must be square, with 2 to 254 classes. Rows are\n"
    "the classification (the map, the first coder), columns the reference.\n"
    "\n"
    "With --pairs, FILE holds one sample point per line instead: two labels, the\n"
    "classification's first and the reference's second, as spreadsheets write\n"
    "them: a line holding a tab, a semicolon or a comma (not when the decimal\n"
    "separator is a comma) is split there and a label may hold blanks; otherwise\n"
    "blanks separate, and a quoted label ends at its closing quote (\"Open water\"\n"
    "\"Forest\" is two labels). A label in double quotes may hold any of these,\n"
    "and \"\" inside it is one quote; blanks around a label are dropped. A label must\n"
    "be UTF-8 without control characters. The classes come in numeric order when\n"
    "every label is a number, otherwise in the order in which they first appear.\n"
    "Numbers of equal value (3 and 3.0) are one class, shown by the first spelling\n"
    "or by that of --classes; labels that differ only in letter case or in the\n"
    "blanks between words (Forest, forest) are kept apart. A warning names both.\n"
    "The pairs are counted into the error matrix.\n"
    "\n"
    "--columns picks the fields a line of --pairs, --samples or --ratings holds\n"
    "among others: by the header's names with --header (matched exactly; a name\n"
    "of digits counts as a number) or by number from 1. The other fields may hold\n"
    "anything, and a line may end after the last field picked. With --header, a\n"
    "file whose first line after the header holds one field more (R's\n"
    "write.table with row names) has a row name first on each line: it is left\n"
    "out, and the columns count from the header's first name. A column read that\n"
    "holds a different value on each of 10 lines or more (missing values aside)\n"
    "is warned about: it is likely an ID, to be left out with --columns.\n"
    "\n"
    "With --ratings, FILE holds one unit (subject, item) per line and one rating\n"
    "per rater (column), split and read as the labels of --pairs. NA, an empty\n"
    "field and any --missing text mean a missing rating. Every line must hold as\n"
    "many fields as the first. The output is always the ratings report (below).\n"
    "With --long, each line holds one rating instead: the unit, the rater and the\n"
    "rating. Units and raters are matched by their texts and come in the order\n"
    "they first appear; a rater who rates a unit twice is refused with both lines.\n"
    "\n"
    "With --samples, FILE holds one unit of a stratified random sample per line:\n"
    "three labels, read as --pairs reads two: the unit's stratum, the map's class\n"
    "and the reference's class. The strata may be anything (an older map, regions,\n"
    "change and no change); --strata-sizes gives the size N_h of each, and n_h is\n"
    "counted from FILE. The report holds the sample's error matrix and its figures\n"
    "as for --pairs, and a section \"stratified\" with Stehman's (2014) estimates.\n"
    "A stratum without a size, a size below its n_h, or a size for a stratum with\n"
    "no unit are refused (a size given under the stratum's name in other letter\n"
    "case: \"did you mean North?\"); a stratum of one unit leaves every standard\n"
    "error not defined.\n"
    "\n"
    "Options:\n";

constexpr const char* HelpStatusAndFields =
    "Exit status: 0 written; 1 bad input; 2 a figure cannot be formed;\n"
    "3 a file cannot be read or written, or memory ran out. With --report the\n"
    "status is 0 whenever the report is written: a figure that cannot be formed\n"
    "is in it as not defined.\n"
    "\n"
    "The report begins with the error matrix as used, labels along both edges\n"
    "(up to 20 classes; json always holds it as \"matrix\", a list of rows).\n"
    "p_kl is a cell over the grand total N, p_k. a row total and p_.k\n"
    "a column total over it, pi_k = (p_k. + p_.k) / 2, q the number of classes,\n"
    "w_kl 1 on the diagonal and 0 elsewhere. A figure that cannot be formed (a\n"
    "division by zero, an invalid operation or an overflow) is not defined and its\n"
    "reason is given: in json it is null and its reason stands under \"reasons\"\n"
    "(field name -> text) of its object; in csv its value is empty and the reason\n"
    "is in the last column. text shows values to 4 significant digits (--digits),\n"
    "every digit before the point kept; csv and json use the fewest digits that\n"
    "read back as the same double. csv is one table to sort, a row per figure and\n"
    "class: section,class,figure,value,se,ci_low,ci_high,unit,reason. section is\n"
    "where the figure stands in json (overall, classes, area_weighted.classes,\n"
    "...), class the class's label (empty for a figure of the whole), figure the\n"
    "field below; a figure's se and interval share its row, and unit names the\n"
    "unit of an area. The error matrix is a row per cell: matrix, the map class,\n"
    "the reference class, the count. With --decimal-separator , the numbers of csv\n"
    "have decimal commas and semicolons separate the fields. html is one page to\n"
    "open in a browser that needs nothing beside it: the error matrix as a heatmap\n"
    "(each cell shaded by its share of its row on viridis from 0 to 1, its count\n"
    "in it up to 40 classes and in its tooltip above), the area proportions and\n"
    "the mapped against the estimated areas, the accuracies and coefficients with\n"
    "their intervals drawn, and every figure in tables, in the digits of text;\n"
    "for two maps compared, A and B side by side in a chart of each class's\n"
    "user's and one of its producer's accuracy, their differences in tables.\n"
    "The fields:\n";

constexpr const char* RatingsHelp =
    "\nThe ratings report (--ratings) follows Gwet, Handbook of Inter-Rater\n"
    "Reliability, 4th ed. (2014): units (lines with a rating), pairable_units\n"
    "(with two ratings or more), raters, weights, classes (each label with the\n"
    "number of ratings given in it), and for each coefficient C of\n"
    "percent_agreement, fleiss_kappa, conger_kappa, gwet_ac1, brennan_prediger\n"
    "and krippendorff_alpha: C, C_se, C_ci_low, C_ci_high and C_p. With --weights\n"
    "other than none each is the weighted coefficient and named so:\n"
    "weighted_percent_agreement, weighted_fleiss_kappa, weighted_conger_kappa,\n"
    "gwet_ac2, weighted_brennan_prediger and weighted_krippendorff_alpha (alpha\n"
    "with the chosen weights, not with Krippendorff's own metrics). C_se is the\n"
    "square root of the sum over the n units of (C*_i - C)^2 / (n (n - 1)), C*_i\n"
    "the unit's linearised term (for krippendorff_alpha over the pairable units).\n"
    "The interval is\n"
    "C -+ t(0.975, n - 1) C_se at --confidence 0.95, its upper end at most 1. C_p\n"
    "is the one-sided p-value 1 - T(C/SE, n - 1), T Student's t distribution with\n"
    "n - 1 degrees of freedom. Weights use the class values when every class is a\n"
    "number, otherwise their ranks; ordinal weights always use ranks. When the\n"
    "classes are numbers, krippendorff_alpha_by_level gives Krippendorff's alpha\n"
    "with his nominal, ordinal (built from the class frequencies), interval and\n"
    "ratio metrics: for ordinal classes, cite its ordinal alpha. Exit status 1\n"
    "when there are fewer than two raters or no unit with two ratings.\n";

constexpr const char* CompareHelp =
    "\nWhich map is better (Foody 2004). With --compare each line holds the classes\n"
    "two maps gave one unit, then the reference's: --pairs --compare reads A, B,\n"
    "reference, --samples --compare stratum, A, B, reference (--columns chooses\n"
    "them among more). A line with fewer labels is refused. The report holds map\n"
    "A's whole report, map B's, then \"comparison\": the units right in both, in A\n"
    "only (b), in B only (c), in neither; McNemar's test on b and c; the\n"
    "difference of overall accuracy A - B and of each class's user's and\n"
    "producer's accuracy, each with its standard error and interval. Of McNemar's\n"
    "p-values read mcnemar_mid_p: it keeps close to the level asked for where the\n"
    "chi-square p-values can be too small with few discordant units and the exact\n"
    "one is too large (Fagerland, Lydersen and Laake 2013). The units of --pairs\n"
    "are taken as a simple random sample, and so are the pixels or points of --map\n"
    "MAP --compare-map MAP2 --reference REF: the two maps, on one grid, counted\n"
    "against a reference raster or points in one pass, a pixel or point that is\n"
    "no-data in either map left out of both and counted. The units of --samples,\n"
    "and points with --strata, are a stratified sample, for which McNemar's test\n"
    "does not hold: it is not given, and the differences are Stehman's (2014)\n"
    "estimates on y_u = 1[A right] - 1[B right] and on the linearized ratios.\n"
    "With --compare-reports, A.json and B.json are reports written with --report\n"
    "--format json from any input, of independent samples; their kappas and\n"
    "overall accuracies are compared by z = (A - B) / (se_A^2 + se_B^2)^0.5, se\n"
    "the large-sample kappa_se and the overall_accuracy_se of each. A file that\n"
    "is no such report, or whose kappa is not defined, is refused.\n";

constexpr const char* DesignHelp =
    "\nA sample design (--design) comes before the reference data: the strata's\n"
    "sizes N_h (pixels), the user's accuracy U_h expected of each, and a target.\n"
    "With --map the strata are the map's classes, or the values of --strata, N_h\n"
    "their pixels in the window where neither raster is no-data.\n"
    "The sample size for a standard error SE of overall accuracy is that of\n"
    "Olofsson et al. (2014), equation 13: n = (sum W_h S_h / SE)^2 rounded up,\n"
    "W_h = N_h / N, S_h = (U_h (1 - U_h))^0.5; --half-width D takes SE = D / z, z\n"
    "of --confidence; --allocation simple samples the whole at random, n = z^2 U\n"
    "(1 - U) / D^2 rounded up. The units go to the strata in whole numbers by the\n"
    "largest remainder (ties to the larger stratum, then the first): in proportion\n"
    "to N_h, equally, by Neyman (N_h S_h), or minimum=M (at least M each, the rest\n"
    "in proportion); a stratum with fewer pixels takes them all, the rest going\n"
    "to the others. The report shows every allocation side by side, the one asked\n"
    "for marked, with the standard errors each can be expected to give: of overall\n"
    "accuracy (sum W_h^2 U_h (1 - U_h) / (n_h - 1))^0.5 and of each stratum's\n"
    "user's accuracy (U_h (1 - U_h) / (n_h - 1))^0.5.\n"
    "With --map, --draw POINTS draws the allocation asked for from the map: n_h\n"
    "distinct valid pixels of each stratum, each equally likely, and --reserve K\n"
    "more in the order to use them. Every pixel gets a key from the --seed\n"
    "(default 1) and its row and column alone; each stratum keeps its smallest\n"
    "keys, so the same seed gives the same points however the map is stored.\n"
    "POINTS (.gpkg, layer sample; .geojson; .csv) holds a point at each pixel's\n"
    "centre with id, stratum, map_class, x, y, row, col (of the whole raster, from\n"
    "0), inclusion_probability n_h/N_h, weight N_h/n_h, reserve (0 for the sample,\n"
    "1, 2, ... for the reserves) and an empty reference to fill in; the design\n"
    "with the seed goes to POINTS' name with .design.json. An existing file is\n"
    "refused unless --overwrite.\n";

constexpr const char* MapHelp =
    "MAP is a classified raster, any raster GDAL reads; REF is a raster on exactly\n"
    "the same grid (size, geotransform, coordinate system; else --align) or a\n"
    "layer of points with the class in --reference-field, or else in the layer's\n"
    "only field of whole numbers or text (a missing field, or none to choose, is\n"
    "refused with the layer's fields and their types). Rows are the map, columns\n"
    "the reference.\n"
    "Where the map names its classes (a raster attribute table's name column, or\n"
    "category names) or --class-names V=NAME,... names them (over the map's), each\n"
    "class is labelled by its name, its value beside it in json (\"value\"). A\n"
    "class field of text may hold these names, matched exactly as written (case\n"
    "and blanks too); a name not among them is refused, listing those there are.\n"
    "The values are the classes: whole numbers, in numeric order unless --classes\n"
    "gives them; at most 254. A pair counts only where both values are valid.\n"
    "Each point is transformed to the map's coordinate system; a point on the\n"
    "right or bottom edge of the map is outside it. A point on an edge between\n"
    "pixels is in the pixel right of or below it (exactly, on a north-up grid).\n"
    "A point with no place in the map's system is outside; a layer or a map\n"
    "without a coordinate system is taken in the other's, with a warning.\n"
    "A CSV of points is read from its x/y, lon/lat or easting/northing columns,\n"
    "in --reference-crs or else the map's system. With points, every map class\n"
    "in the window must be among --classes, and --report holds the\n"
    "area-weighted estimates from the map's own areas: each class's pixels\n"
    "(inside --window) times the pixel's area in the coordinate system's unit\n"
    "squared, or for a geographic system each row's area on its ellipsoid in\n"
    "square metres; --mapped-area overrides them. The report adds where the\n"
    "counts came from (json \"source\", a line in text, rows in csv): map,\n"
    "reference, reference_field (with points: the class field, in text \"field\"),\n"
    "counted (the pairs in the matrix), left_out: outside (points off the whole\n"
    "map; a window's report leaves the points of the rest of the map uncounted,\n"
    "and --sum counts those off the map once), nodata (pixels of the window or\n"
    "points on a no-data value), empty (points with an empty class field),\n"
    "masked (pixels or points that a band's mask or alpha band leaves out, where\n"
    "there are any); area_unit and mapped_areas, the map's areas as it gives\n"
    "them, which --sum adds. The report shows areas in square metres in hectares\n"
    "(--area-unit), and says its unit: json area_weighted.area_unit, the unit\n"
    "column of csv. Where the strata are the map's classes and its areas are in\n"
    "proportion to their pixels, the stratified estimates are the area-weighted\n"
    "ones: text shows them once, csv and json twice. The json record also names\n"
    "what was counted: the layer of points, map_band, reference_band,\n"
    "window (XOFF, YOFF, XSIZE, YSIZE; the whole map without --window) and the\n"
    "nodata values of each side.\n"
    "With points, --report also holds the \"stratified\" section of --samples. The\n"
    "strata are the map's classes, N_h each class's pixels in the window; with\n"
    "--strata they are the values of that raster (on the map's grid): each point's\n"
    "stratum is the value under it, N_h the value's pixels in the window where\n"
    "neither raster is no-data (as --design counts them), and a point on its\n"
    "no-data value (or --nodata) is left out as nodata. With --strata\n"
    "the area-weighted estimates, which take the map's classes as the strata, are\n"
    "left out unless --mapped-area is given.\n";

// The "From maps" part.
std::string mapHelp() {
    std::string out = "\nFrom maps (--map):\n";
#ifdef _WIN32
    std::string note(MapReadingNote);
    note[0] = 'M';
    out += note + ": this build refuses --map.\n";
#endif
    return out + MapHelp;
}

// The conditions of an option as the help states them: "with --pairs and --report: ".
std::string conditionsOf(const OptionEntry& entry) {
    std::string conditions;
    if (!entry.inputs.has(InputKind::Matrix))
        conditions = SelectorsOf(entry.inputs);
    if (entry.report == ReportUse::Needs)
        conditions += (conditions.empty() ? "" : " and ") + std::string("--report");
    return conditions.empty() ? conditions : "with " + conditions + ": ";
}

// `text` wrapped at blanks to lines of at most 79 columns, the first line after
// `first`, the others indented by `indent`.
std::string wrapText(std::string_view first, std::string_view text, std::size_t indent) {
    std::string out(first);
    const std::size_t used = DisplayWidth(first);
    if (used > indent && !text.empty()) // too long to share its line
        out += '\n' + std::string(indent, ' ');
    else
        out += std::string(indent - std::min(indent, used), ' ');
    AppendWrapped(out, text, indent, indent, 79);
    return out;
}

// The options' part, every line within 80 columns.
std::string optionsHelp() {
    std::string out;
    for (const OptionEntry& entry : OptionTable()) {
        std::string first = "  " + std::string(entry.name);
        if (!entry.argument.empty())
            first += " " + std::string(entry.argument);
        out += wrapText(first, conditionsOf(entry) + std::string(entry.help), 27);
    }
    return out;
}

// A table of the catalogue, or the part of it from `first` on (before `last`),
// under the heading both the help and the help page give it.
struct FieldGroup {
    std::string_view heading;
    std::span<const FigureInfo> fields;
};

template <typename Id>
constexpr FieldGroup group(std::string_view heading, std::size_t first = 0,
                           std::size_t last = FigureRow<Id>::Size) {
    return {heading, Catalogue<Id>().subspan(first, last - first)};
}

const std::array FieldGroups{
    group<OverallFigure>("Under \"result_file\", the seven of Result.txt (after \"schema\", "
                         "\"n\", the number of classes, and \"confidence\"):",
                         0, ResultFileFigures),
    group<OverallFigure>("Of the whole matrix:", ResultFileFigures),
    group<WeightedFigure>("Under \"weighted\", with --weights linear or quadratic (Cohen 1968):"),
    group<ClassFigure>("Of each class k, under \"classes\" (with \"class\", its number, and "
                       "\"label\"):"),
    group<AreaFigure>("Under \"area_weighted\", with --mapped-area or a map's own areas "
                      "(Olofsson et al. 2014, Remote Sensing of Environment 148: 42-57), after "
                      "\"area_unit\" where the areas' unit is known:"),
    group<AreaClassFigure>("Of each class, under \"area_weighted\" \"classes\":"),
    group<StratifiedFigure>("Under \"stratified\", with --samples or --map and points (Stehman "
                            "2014, International Journal of Remote Sensing 35: 4923-4939), after "
                            "\"fpc\" and \"strata\" (each \"label\", \"size\", "
                            "\"sample_units\" and \"units\", the units of each pair of "
                            "classes as [map class, reference class, units]):"),
    group<StratifiedClassFigure>("Of each class, under \"stratified\" \"classes\"; then "
                                 "\"area_proportions\", the p^_ij, rows the map, columns the "
                                 "reference:"),
    group<ComparisonFigure>("Under \"comparison\", with --compare, after \"a\" and \"b\", the "
                            "reports of map A and map B, and \"stratified\" (true with "
                            "--samples):"),
    group<ComparisonClassFigure>("Of each class, under \"comparison\" \"classes\":"),
    group<IndependentFigure>("Under \"independent\", with --compare-reports, after \"a\" and "
                             "\"b\", each with its \"report\" and the four figures it gives:"),
};

// `text` with the characters HTML gives a meaning escaped.
std::string html(std::string_view text) {
    std::string out;
    for (char c : text)
        out += c == '<' ? "&lt;" : c == '>' ? "&gt;" : c == '&' ? "&amp;" : std::string(1, c);
    return out;
}

} // namespace

std::string HelpText() {
    std::string out = HelpIntroduction;
    out += optionsHelp();
    out += mapHelp();
    out += "\n";
    out += HelpStatusAndFields;
    // Each field with its definition, wrapped under its group's heading.
    for (const FieldGroup& g : FieldGroups) {
        out += "\n" + wrapText("", g.heading, 0);
        for (const FigureInfo& info : g.fields)
            out += wrapText("  " + std::string(info.field), info.definition, 24);
    }
    out += "\nQuantity and allocation disagreement follow Pontius and Millones (2011),\n"
           "International Journal of Remote Sensing 32: 4407-4429.\n";
    out += RatingsHelp;
    out += CompareHelp;
    out += DesignHelp;
    return out;
}

std::string FieldTableHtml() {
    std::string out;
    for (const FieldGroup& g : FieldGroups) {
        out += "<tr><td colspan=\"2\"><b>" + html(g.heading) + "</b></td></tr>\n";
        for (const FigureInfo& info : g.fields)
            out += "<tr><td><code>" + html(info.field) + "</code></td><td>" +
                   html(info.definition) + "</td></tr>\n";
    }
    return out;
}

} // namespace brennic
