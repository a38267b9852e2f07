// Files as spreadsheets, R and GIS tools write them, through brennic-kappa as a
// process: each ends in the right figures, a warning, or one refusal, never in
// figures computed from data read the wrong way.
#include <gtest/gtest.h>

#include <sstream>

#include "kappa_process.h"

namespace brennic::test {
namespace {

// A run that succeeds: words of its standard output, and its warning, the one
// line on standard error (none when empty).
struct WarnedRow {
    const char* name;
    std::string args, input;
    std::vector<std::string> out;
    std::string warning;
};

class FilesAsKept : public KappaProcessTest {
  protected:
    void checkWarned(std::initializer_list<WarnedRow> rows) {
        for (const WarnedRow& row : rows) {
            SCOPED_TRACE(row.name);
            const KappaOutcome outcome = run(row.args, row.input);
            EXPECT_EQ(outcome.status, 0) << outcome.err;
            for (const std::string& words : row.out)
                EXPECT_TRUE(Has(outcome.out, words));
            std::string err = outcome.err; // Windows ends the line with CR LF
            err.erase(std::remove(err.begin(), err.end(), '\r'), err.end());
            EXPECT_EQ(err,
                      row.warning.empty() ? "" : "brennic-kappa: warning: " + row.warning + "\n");
        }
    }
};

// Severity ratings of three raters, the labels first met in no order of theirs.
const std::string Severity = "severe,critical,severe\nnone,mild,none\nmoderate,moderate,severe\n"
                             "mild,none,mild\ncritical,critical,severe\nnone,none,none\n";
const std::string SeverityOrder = "--classes none,mild,moderate,severe,critical";

// `text` with each of `from` replaced by the `to` at the same place.
std::string replaced(std::string text, const std::vector<std::string>& from,
                     const std::vector<std::string>& to) {
    for (std::size_t i = 0; i < from.size(); ++i)
        for (std::size_t at = 0; (at = text.find(from[i], at)) != std::string::npos;)
            text.replace(at, from[i].size(), to[i]), at += to[i].size();
    return text;
}

// The weighted coefficients of a JSON ratings report, from
// weighted_percent_agreement to weighted_krippendorff_alpha_p.
std::string coefficients(const std::string& json) {
    const std::size_t start = json.find("\"weighted_percent_agreement\""),
                      last = json.find("\"weighted_krippendorff_alpha_p\"");
    if (start == std::string::npos || last == std::string::npos)
        return "no coefficients in " + json;
    return json.substr(start, json.find_first_of(",\n", last) - start);
}

TEST_F(FilesAsKept, OrderedWeightsNeedAnOrderOfTheClasses) {
    const auto refused = [](std::string name) {
        return "brennic-kappa: --weights " + name +
               " weighs the classes by their order, but the labels are "
               "not all numbers and have none: give their order with "
               "--classes L1,L2,...";
    };
    const std::string pairs = "forest,water\nwater,water\nurban,forest\nforest,forest\n";
    const std::string samples = "A,forest,water\nA,water,water\nB,urban,forest\nB,forest,forest\n";
    const std::string sizes = "--samples --report --strata-sizes A=10,B=10";
    expectEach({
        // clang-format off
        {"ratings_linear", "--ratings --weights linear", Severity, 1, {refused("linear")}, true},
        {"ratings_quadratic", "--ratings --weights quadratic", Severity, 1, {refused("quadratic")}, true},
        {"ratings_ordinal", "--ratings --weights ordinal", Severity, 1, {refused("ordinal")}, true},
        {"ratings_radical", "--ratings --weights radical", Severity, 1, {refused("radical")}, true},
        {"ratings_ratio", "--ratings --weights ratio", Severity, 1, {refused("ratio")}, true},
        {"ratings_circular", "--ratings --weights circular", Severity, 1, {refused("circular")}, true},
        {"ratings_bipolar", "--ratings --weights bipolar", Severity, 1, {refused("bipolar")}, true},
        {"pairs_report_linear", "--pairs --report --weights linear", pairs, 1, {refused("linear")}, true},
        {"samples_quadratic", sizes + " --weights quadratic", samples, 1, {refused("quadratic")}, true},
        {"ratings_unweighted", "--ratings --weights none", Severity, 0, {"fleiss_kappa"}},
        {"pairs_unweighted", "--pairs --report", pairs, 0, {"KAPPA"}},
        {"ratings_numbers_keep_their_order", "--ratings --weights linear", "3,1\n10,3\n1,1\n", 0,
         {"linear"}},
        {"pairs_numbers_keep_their_order", "--pairs --report --weights linear",
         "10,2\n2,2\n3,10\n", 0, {"weighted"}},
        // clang-format on
    });
    // With the order given, the figures are those of the same ratings as the ranks 1 to 5.
    const std::vector<std::string> names{"none", "mild", "moderate", "severe", "critical"},
        ranks{"1", "2", "3", "4", "5"};
    for (const char* weights : {"ordinal", "linear", "quadratic"}) {
        SCOPED_TRACE(weights);
        const std::string args = std::string("--ratings --format json --weights ") + weights;
        const auto named = run(args + " " + SeverityOrder, Severity);
        const auto numbered = run(args, replaced(Severity, names, ranks));
        ASSERT_EQ(named.status, 0) << named.err;
        EXPECT_EQ(coefficients(named.out), coefficients(numbered.out));
    }
}

TEST_F(FilesAsKept, AreasByPositionOnlyWhereTheClassesHaveAnOrder) {
    // The labels first met: forest, water, urban.
    const std::string pairs = "forest,water\nwater,water\nurban,forest\nforest,forest\n";
    const std::string json = "--pairs --report --format json ";
    expectEach({
        // clang-format off
        {"text_labels_by_position", json + "--mapped-area 100,200,300", pairs, 1,
         {"brennic-kappa: --mapped-area gives the areas in the order of the classes, but these "
          "come in the order their labels first appear: give each area with its label, as "
          "--mapped-area 'forest=AREA,water=AREA,...', or list the classes with --classes"}, true},
        {"text_labels_by_label", json + "--mapped-area urban=300,forest=100,water=200", pairs, 0,
         {"\"label\": \"forest\", \"mapped_area\": 100,", "\"label\": \"urban\", \"mapped_area\": 300,"}},
        {"classes_listed_by_position", json + "--classes urban,forest,water --mapped-area 300,100,200",
         pairs, 0, {"\"class\": 1, \"label\": \"urban\", \"mapped_area\": 300,",
                    "\"class\": 3, \"label\": \"water\", \"mapped_area\": 200,"}},
        {"numbers_by_position", json + "--mapped-area 100,200", "10,2\n2,2\n10,10\n", 0,
         {"\"class\": 1, \"label\": \"2\", \"mapped_area\": 100,",
          "\"class\": 2, \"label\": \"10\", \"mapped_area\": 200,"}},
        // clang-format on
    });
}

TEST_F(FilesAsKept, OneClassUnderTwoSpellings) {
    const std::string json = " --report --format json",
                      joined3 = "'3' and '3.0' are one number and were counted as one class, '3'";
    const std::string forest = "the classes 'Forest' and 'forest' differ only in letter case or in "
                               "the blanks between words: they are kept apart";
    checkWarned({
        // clang-format off
        {"pairs_equal_numbers", "--pairs" + json, "3,3.0\n1,3\n3.0,1\n1,1\n",
         {"\"matrix\": [[1, 1], [1, 1]]", "\"label\": \"3\"", "\"warnings\": [\"" + joined3}, joined3},
        {"pairs_classes_take_another_spelling", "--pairs --classes 3,1" + json, "3.0,1\n1,1\n3,3\n",
         {"\"matrix\": [[1, 1], [0, 1]]", "{\"class\": 1, \"label\": \"3\""},
         joined3},
        {"pairs_zeros_and_exponents", "--pairs" + json, "1e1,2\n10,2\n2,010\n",
         {"\"matrix\": [[0, 1], [2, 0]]"},
         "'1e1', '10' and '010' are one number and were counted as one class, '1e1'"},
        {"samples_cells_joined", "--samples --strata-sizes A=10,B=10" + json,
         "A,3,3.0\nA,3.0,3\nB,1,1\nB,3,1\n", {"\"matrix\": [[1, 0], [1, 2]]"}, joined3},
        {"ratings_text", "--ratings", "3,3.0,1\n1,1,3\n",
         {"Warning: " + joined3, "      3        3\n"}, joined3},
        {"ratings_csv", "--ratings --format csv", "3,3.0\n1,1\n", {"\nreport,,warning,,,,,,\"" + joined3}, joined3},
        {"letter_case_kept_apart", "--pairs" + json, "Forest,forest\nforest,forest\n",
         {"\"matrix\": [[0, 1], [0, 1]]"}, forest},
        {"blanks_between_words_kept_apart", "--pairs --report --format csv",
         "Open water;Open  water\nOpen  water;Open  water\n",
         {"\nreport,,warning,,,,,,the classes 'Open water' and 'Open  water' differ"},
         "the classes 'Open water' and 'Open  water' differ only in letter case or in the blanks "
         "between words: they are kept apart"},
        {"one_spelling_each", "--pairs" + json, "3,1\n1,1\n", {"\"warnings\": []"}, ""},
        // clang-format on
    });
}

// Twelve cases rated by three doctors, each case under an ID of its own. Fleiss'
// kappa 0.663551401869159 of the doctors alone, 0.239740820734341 with the IDs
// as a fourth rater (worked out exactly in fractions, apart from the program).
const std::string DoctorRatings = [] {
    const char* ratings[] = {"a,a,a", "a,a,b", "b,b,b", "c,c,c", "a,b,a", "c,c,b",
                             "b,b,b", "a,a,a", "c,a,c", "b,b,b", "a,a,a", "c,c,c"};
    std::string text = "case_id,Dr_A,Dr_B,Dr_C\n";
    for (int i = 0; i < 12; ++i)
        text += "u" + std::to_string(10 + i) + "," + ratings[i] + "\n";
    return text;
}();

TEST_F(FilesAsKept, ColumnsChosenByNameOrNumber) {
    const std::string sheet = "Plot ID,Map class,Reference class,Interpreter\n"
                              "1,Forest,Forest,AB\n2,Water,Forest,\n3,Water,Water,\xff\n"
                              "4,Forest,Forest\n";
    const std::string json = " --report --format json",
                      fleiss = "\"fleiss_kappa\": 0.66355140186915";
    const std::string sizes = "--samples --strata-sizes A=10,B=10 --header";
    const auto refused = [](std::string message) { return "brennic-kappa: " + message; };
    expectEach({
        // clang-format off
        {"spreadsheet_by_names", "--pairs --header --columns 'Map class,Reference class'" + json,
         sheet, 0, {"\"matrix\": [[2, 0], [1, 1]]", "\"label\": \"Forest\""}},
        {"names_in_another_order", "--pairs --header --columns 'Reference class, Map class'" + json,
         sheet, 0, {"\"matrix\": [[2, 1], [0, 1]]"}},
        {"numbers_without_header", "--pairs --columns 3,2" + json, "x,a,b,y\nx,b,b\n", 0,
         {"\"matrix\": [[1, 1], [0, 0]]", "\"label\": \"b\""}},
        {"header_of_numbers_by_position", "--pairs --header --columns 2,3" + json,
         "3,1,2\nz,a,b\nz,b,b\n", 0, {"\"matrix\": [[0, 1], [0, 1]]"}},
        {"r_row_names", "--pairs --header" + json, "map,ref\n1,a,b\n2,b,b\n3,a,a\n", 0,
         {"\"matrix\": [[1, 1], [0, 1]]"}},
        {"header_of_one_name_no_row_names", "--pairs --header" + json, "pairs\na,b\nb,b\n", 0,
         {"\"matrix\": [[0, 1], [0, 1]]"}},
        {"r_row_names_names_from_the_header", "--pairs --header --columns ref,map" + json,
         "map,ref\n1,a,b\n2,b,b\n3,a,a\n", 0, {"\"matrix\": [[1, 1], [0, 1]]", "\"label\": \"b\""}},
        {"ratings_by_names", "--ratings --header --columns Dr_A,Dr_B,Dr_C --format json",
         DoctorRatings, 0, {fleiss, "\"raters\": 3"}},
        {"ratings_by_numbers", "--ratings --header --columns 2,3,4 --format json",
         DoctorRatings, 0, {fleiss}},
        {"samples_by_names", sizes + " --columns s,m,r" + json,
         "id,s,m,r\n1,A,x,x\n2,A,x,y\n3,B,y,y\n", 0, {"\"matrix\": [[1, 1], [0, 1]]"}},
        {"name_not_in_header", "--pairs --header --columns 'Map klass,Reference class'", sheet, 1,
         {refused("--columns 'Map klass' is not a name in the header (line 1): 'Plot ID', "
                  "'Map class', 'Reference class', 'Interpreter'")}, true},
        {"name_without_header", "--pairs --columns 'Map class,3'", sheet, 1,
         {refused("--columns 'Map class' is a name, and only a header line (--header) names "
                  "the columns: give --header, or the column's number")}, true},
        {"number_beyond_header", "--pairs --header --columns 2,5", sheet, 1,
         {refused("--columns '5': the header (line 1) names 4 columns")}, true},
        {"line_short_of_a_column", "--pairs --columns 2,3", "1,a,b\n2,a\n", 1,
         {refused("line 2 holds 2 fields, but --columns takes field 3")}, true},
        {"three_columns_for_pairs", "--pairs --header --columns 1,2,3", sheet, 1,
         {refused("--columns names 3 columns, but --pairs takes two: the classification's, then "
                  "the reference's")}, true},
        {"column_zero", "--pairs --columns 0,1", sheet, 1,
         {refused("--columns '0': columns are counted from 1")}, true},
        {"one_column_twice", "--pairs --header --columns '2,Map class'", sheet, 1,
         {refused("--columns 'Map class' takes column 2, which --columns names already")}, true},
        {"more_fields_without_columns", "--pairs --header", sheet, 1,
         {refused("line 2 holds more than 2 labels; each line holds two: the classification's, "
                  "then the reference's (--columns chooses them among more)")}, true},
        // clang-format on
    });
}

TEST_F(FilesAsKept, ColumnOfIdsIsWarnedAbout) {
    const std::string idWarning = "column 1 (case_id) holds a different value on every line; "
                                  "if it names the units, leave it out with --columns";
    std::string tenPairs = "Plot ID,Map class,Reference class\n", ninePairs = tenPairs,
                tenWithNa = "r1,r2,r3\n";
    for (int i = 1; i <= 10; ++i) {
        tenPairs += std::to_string(i) + ",a,b\n";
        ninePairs += i < 10 ? std::to_string(i) + ",a,b\n" : "";
        tenWithNa += "p" + std::to_string(i) + ",1,2\nNA,2,2\n";
    }
    checkWarned({
        // clang-format off
        {"ratings_header_ids_as_a_rater", "--ratings --header --format json", DoctorRatings,
         {"\"fleiss_kappa\": 0.23974082073434", "\"warnings\": [\"" + idWarning}, idWarning},
        {"ratings_ids_left_out", "--ratings --header --columns Dr_A,Dr_B,Dr_C --format json",
         DoctorRatings, {"\"fleiss_kappa\": 0.66355140186915", "\"warnings\": []"}, ""},
        {"ratings_without_header", "--ratings --format csv", DoctorRatings.substr(23),
         {"\nreport,,warning,,,,,,\"column 1 holds"}, "column 1 holds a different value on every line; if it "
                                         "names the units, leave it out with --columns"},
        {"missing_ratings_not_counted", "--ratings --header", tenWithNa, {"Warning: column 1 (r1) holds"},
         "column 1 (r1) holds a different value on every line; if it names the units, leave it "
         "out with --columns"},
        {"pairs_id_chosen", "--pairs --header --columns 'Plot ID,Reference class' --report",
         tenPairs, {"Warning: column 1 (Plot ID) holds"},
         "column 1 (Plot ID) holds a different value on every line; if it names the units, "
         "leave it out with --columns"},
        {"samples_id_as_stratum", "--samples --strata-sizes 1=5,2=5,3=5,4=5,5=5,6=5,7=5,8=5,9=5,"
         "10=5 --header --columns 1,2,3 --report --format json", tenPairs,
         {"\"warnings\": [\"column 1 (Plot ID)"}, "column 1 (Plot ID) holds a different value "
         "on every line; if it names the units, leave it out with --columns"},
        {"nine_lines_are_too_few", "--pairs --header --columns 1,3 --report", ninePairs, {"KAPPA"}, ""},
        {"a_repeated_value", "--pairs --header --columns 1,3 --report", tenPairs + "10,a,b\n",
         {"KAPPA"}, ""},
        // clang-format on
    });
}

TEST_F(FilesAsKept, QuotedLabelsBetweenBlanks) {
    const std::string json = " --report --format json";
    const std::string rTable =
        "\"map\" \"reference\"\n\"1\" \"Open water\" \"Forest\"\n"
        "\"2\" \"Forest\"   \"Forest\"  \n\"3\" \"Open water\" \"Open water\"\n";
    expectEach({
        // clang-format off
        {"two_quoted_labels", "--pairs" + json, "\"Open water\" \"Forest\"\n\"Forest\" \"Forest\"\n", 0,
         {"\"matrix\": [[0, 1], [0, 1]]", "\"label\": \"Open water\"", "\"label\": \"Forest\""}},
        {"quoted_and_plain", "--pairs" + json, "\"Open water\" Forest\nForest   \"Forest\"\n", 0,
         {"\"matrix\": [[0, 1], [0, 1]]", "\"label\": \"Open water\""}},
        {"r_write_table_with_row_names", "--pairs --header" + json, rTable, 0,
         {"\"matrix\": [[1, 1], [0, 1]]", "\"label\": \"Open water\""}},
        {"ratings_quoted", "--ratings --format json", "\"a b\" \"a b\" \"c\"\n\"c\" \"c\" \"c\"\n", 0,
         {"{\"label\": \"a b\", \"count\": 2}"}},
        {"text_right_after_the_quote", "--pairs", "\"open\"water b\n", 1,
         {"brennic-kappa: line 1, label 1 has text after its closing quote"}, true},
        {"text_after_the_quote_with_delimiters", "--pairs", "\"open\" water,b\n", 1,
         {"brennic-kappa: line 1, label 1 has text after its closing quote"}, true},
        // clang-format on
    });
}

TEST_F(FilesAsKept, SamplesGiveTheReportWithoutReport) {
    const std::string sample = "A,x,x\nA,x,y\nB,y,y\nB,y,x\n",
                      sizes = "--samples --strata-sizes A=10,B=20";
    for (const char* format : {"", " --format json", " --format csv"}) {
        SCOPED_TRACE(format);
        const auto implied = run(sizes + format, sample),
                   asked = run(sizes + " --report" + format, sample);
        EXPECT_EQ(implied.status, 0) << implied.err;
        EXPECT_TRUE(Has(implied.out, "tratified")); // Stratified in the text
        EXPECT_EQ(implied.out, asked.out);
    }
}

// The ratings of a wide table (a header of unit and raters, one unit a line, fields
// split at commas) as one rating a line, unit by unit: an empty rating is left
// out, NA written as it is.
std::string longForm(const std::string& wide) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(wide);
    for (std::string line; std::getline(lines, line);) {
        rows.emplace_back();
        std::istringstream fields(line + ",");
        for (std::string field; std::getline(fields, field, ',');)
            rows.back().push_back(field);
    }
    std::string out = "note,unit,rater,rating\n";
    for (std::size_t u = 1; u < rows.size(); ++u)
        for (std::size_t r = 1; r < rows[u].size(); ++r)
            if (!rows[u][r].empty())
                out += "x," + rows[u][0] + "," + rows[0][r] + "," + rows[u][r] + "\n";
    return out;
}

TEST_F(FilesAsKept, LongRatingsMakeTheReportOfTheWideTable) {
    // clang-format off
    // The table, the columns of its raters, further options.
    const struct { const char* name; std::string wide, raters, args; } rows[] = {
        {"doctors", DoctorRatings, "2,3,4", ""},
        {"missing_ratings", "id,A,B,C\nu1,x,,x\nu2,y,y,NA\nu3,x,y,y\nu4,,,z\nu5,z,z,z\n", "2,3,4", ""},
        {"numbers_weighted", "id,A,B\n1,3,2\n2,1,1\n3,2,3\n4,3,3\n5,1,2\n", "2,3", " --weights ordinal"},
        {"classes_listed", "id,A,B\n1,lo,hi\n2,hi,hi\n3,lo,lo\n", "2,3", " --classes hi,lo --weights linear"},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string json = " --format json" + row.args;
        const auto wide = run("--ratings --header --columns " + row.raters + json, row.wide);
        const auto asLong =
            run("--ratings --long --header --columns unit,rater,rating" + json, longForm(row.wide));
        ASSERT_EQ(wide.status, 0) << wide.err;
        EXPECT_EQ(asLong.status, 0) << asLong.err;
        EXPECT_EQ(asLong.out, wide.out);
    }
    const std::string args = "--ratings --long --header";
    expectEach({
        // clang-format off
        {"rated_twice", args, "u,r,x\nu1,A,a\nu2,A,a\nu1,A,b\n", 1,
         {"brennic-kappa: line 4: rater 'A' rates unit 'u1' a second time (line 2 gave the first)"}, true},
        {"two_fields", args, "u,r,x\nu1,A\n", 1,
         {"brennic-kappa: line 2 holds 2 fields; each line holds three: the unit, the rater, the rating"}, true},
        {"four_fields", "--ratings --long", "u1,A,a\nu1,B,a,b\n", 1,
         {"brennic-kappa: line 2 holds more than 3 fields; each line holds three: the unit, the "
          "rater, the rating (--columns chooses them among more)"}, true},
        {"no_unit", args, "u,r,x\n,A,a\n", 1,
         {"brennic-kappa: line 2, field 1 is empty: the unit must be named"}, true},
        {"columns_for_three", args + " --columns 1,2", "u,r,x\nu1,A,a\n", 1,
         {"brennic-kappa: --columns names 2 columns, but --ratings --long takes three: the unit, "
          "the rater, the rating"}, true},
        // clang-format on
    });
}

TEST_F(FilesAsKept, StrataNamedNearlyRight) {
    const std::string sample = "North,x,x\nNorth,x,y\nsouth,y,y\nsouth,y,x\n";
    const auto refused = [](std::string message) { return "brennic-kappa: " + message; };
    expectEach({
        // clang-format off
        {"lower_case_for_upper", "--samples --strata-sizes north=10,south=10", sample, 1,
         {refused("stratum 'north' of --strata-sizes matches the stratum 'North' of line 1 only "
                  "when letter case is ignored: did you mean North?")}, true},
        {"upper_case_for_lower", "--samples --strata-sizes North=10,SOUTH=10", sample, 1,
         {refused("stratum 'SOUTH' of --strata-sizes matches the stratum 'south' of line 3 only "
                  "when letter case is ignored: did you mean south?")}, true},
        {"no_stratum_alike", "--samples --strata-sizes North=10,east=10", sample, 1,
         {refused("line 3: stratum 'south' has no size in --strata-sizes")}, true},
        {"spelled_as_in_the_file", "--samples --strata-sizes North=10,south=10", sample, 0,
         {"North"}},
        // clang-format on
    });
}

} // namespace
} // namespace brennic::test
