// brennic-kappa run as a process, as scripts use it: the bytes on standard
// output or in the -o file, the error line and the exit status; the matrix that
// --pairs and --transpose make; Gwet's and Stehman's published examples through
// --ratings and --samples; the report in each form, and each mistake by option.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <sstream>

#include "../worked_example.h"
#include "cli/help.h"
#include "core/comparison.h"
#include "core/figure_catalogue.h"
#include "core/ratings.h"
#include "core/stratified.h"
#include "kappa_process.h"

namespace brennic::test {
namespace {

using BrennicKappa = KappaProcessTest;

TEST_F(BrennicKappa, WritesTheResultBytesOrOneErrorLine) {
    const std::string& worked = WorkedExampleFile;
    const std::string example = "'" + nativePath(BRENNIC_EXAMPLES_DIR) + "/worked-example.csv'";
    const std::string& comma = FractionalExampleCommaFile;
    writeFile(dir / "Result.txt", "previous\r\n");
    writeFile(dir / "Header.txt", "previous\r\n");
    expectEach({
        // clang-format off
        {"worked_example_file", example, "", 0, {worked}, true},
        {"blanks_and_tabs_from_stdin", "-", "20 5 0\n3\t15  2\n2 5 48\n", 0, {worked}, true},
        {"semicolons_crlf_blanks", "", "\n20;5;0\r\n\r\n3;15;2\r\n2; 5;48\n", 0, {worked}, true},
        {"comma_separator", "--decimal-separator ,", "2,5 1\n0,5 6\n", 0, {comma}, true},
        {"byte_order_mark_and_cr", "", "\xEF\xBB\xBF" "20 5 0\r3 15 2\r2 5 48", 0, {worked}, true},
        {"o_replaces_the_file", "-o {dir}/Result.txt", "20,5,0\n3,15,2\n2,5,48\n", 0, {""}, true},
        {"arithmetic_error_keeps_header", "-o {dir}/Header.txt", "7 0\n0 0\n", 2, {"exactly 1"}},
        {"not_a_number", "", "\n1 2\n3 x4\n", 1, {"line 3, cell 2: 'x4' is not a number"}},
        {"not_square", "", "1 2\n3\n", 1, {"line 2 has 1 cell, but the first row (line 1) has 2"}},
        {"short_last_line_names_its_own_line", "", "1 2 3\n4 5 6\n\n7 8", 1,
         {"line 4 has 2 cells, but the first row (line 1) has 3: the matrix must be square"}},
        {"too_few_rows", "", "1 2 3\n4 5 6\n", 1, {"the matrix has 2 rows of 3 cells"}},
        {"beyond_the_double_range", "", "1 1e400\n3 4\n", 1,
         {"line 1, cell 2: '1e400' is beyond the range of numbers the program can hold"}},
        {"one_class", "", "5\n", 1, {"at least 2"}},
        {"nothing_read", "", "\n \n", 1, {"no matrix"}},
        {"separator_splits_cells", "--decimal-separator ';'", "2;5 1\n0;5 6\n", 1, {"not ';'"}},
        {"unknown_option", "--fast", "1 2\n3 4\n", 1, {"unknown option"}},
        {"missing_output_directory", "-o {dir}/missing/Result.txt", "1 2\n3 4\n", 3,
         {"cannot create {dir}/missing/Result.txt: No such file or directory"}},
        {"missing_input_file", "{dir}/absent.csv", "", 3,
         {"cannot read {dir}/absent.csv: No such file or directory"}},
        // clang-format on
    });
    EXPECT_EQ(readFile(dir / "Result.txt"), worked);
    EXPECT_EQ(readFile(dir / "Header.txt"), ResultHeader);
}

// A command line with several mistakes is refused for one of them, always the
// same: an unknown option or a refused value first, then an option without its
// input or --report, then two input files, then --weights for --ratings, and only
// then what --samples and --map need and the input file that --map refuses.
TEST_F(BrennicKappa, OfSeveralMistakesTheFirstMetIsNamed) {
    const auto refused = [](const char* name, std::string args, const std::string& message) {
        return KappaRow{name, std::move(args), "", 1, {"brennic-kappa: " + message}, true};
    };
    const std::string inFile = "--map m --reference r {dir}/input";
    expectEach({
        // clang-format off
        refused("unknown_option_first", "--samples --report --bogus", "unknown option '--bogus' (see --help)"),
        refused("option_of_tables_before_sizes", "--samples --transpose",
                "--transpose does not go with --samples"),
        refused("weights_before_sizes", "--samples --report --weights ordinal",
                "--weights ordinal needs --ratings; a matrix report takes none, linear or quadratic"),
        refused("two_files_before_sizes", "--samples --report a b", "only one input file can be given"),
        refused("sizes", "--samples --report", "--samples needs --strata-sizes"),
        refused("bad_window_before_reference", "--window 1,2 --map m",
                "--window needs XOFF,YOFF,XSIZE,YSIZE in whole pixels, not '1,2'"),
        refused("report_before_reference", "--map m --strata s", "--strata needs --report"),
        refused("two_files_before_reference", "--map m a b", "only one input file can be given"),
        refused("reference_before_input_file", "--map m {dir}/input", "--map needs --reference"),
        refused("empty_reference", "--map m --reference ''", "--map needs --reference"),
        refused("input_file", inFile, "--map does not go with an input file"),
        refused("standard_input_named", "--map m --reference r -", "--map does not go with an input file"),
        refused("report_before_input_file", inFile + " --fpc", "--fpc needs --report"),
        // clang-format on
    });
}

#ifndef _WIN32
// A failure to read is no end of the input: nothing is computed from the rows
// read so far. (That -o replaces only an ordinary file is checked in-process, in
// result_file_test.cpp: the command calls the same WriteKappaFile.)
TEST_F(BrennicKappa, ReadFailuresAreRefused) {
    expectEach({{"directory_as_input", "'{dir}'", "", 3, {"cannot read {dir}: Is a directory"}}});
    const int wait = std::system(("'" + nativePath(BRENNIC_KAPPA_PATH) + "' <&- > '" +
                                  (dir / "out").string() + "' 2> '" + (dir / "err").string() + "'")
                                     .c_str());
    EXPECT_EQ(WIFEXITED(wait) ? WEXITSTATUS(wait) : -1, 3);
    EXPECT_EQ(readFile(dir / "out") + readFile(dir / "err"),
              "brennic-kappa: cannot read standard input: Bad file descriptor\n");
}
#endif

using BrennicKappaPairs = KappaProcessTest;

// The "matrix" and the labels of the classes from a JSON report.
std::string matrixAndLabels(const std::string& json) {
    const std::size_t start = json.find("\"matrix\": ");
    std::string found = json.substr(start, json.find('\n', start) - start);
    for (std::size_t at = 0; (at = json.find("\"label\": ", at)) != std::string::npos; ++at)
        found += " " + json.substr(at + 9, json.find(',', at) - at - 9);
    return found;
}

TEST_F(BrennicKappaPairs, PairsAndTransposedMatricesMakeTheMatrixBuiltByHand) {
    // The matrix (rows: classification, columns: reference) and the labels; typed in, the
    // matrix must give the same two lines.
    // clang-format off
    const struct { const char* name; std::string args, input, matrix; } rows[] = {
        {"numeric_labels_in_numeric_order", "--pairs", "10 2\n2 2\n2 10\n10 10\n2 2\n9,10\n",
         "[[2, 0, 1], [0, 0, 1], [1, 0, 1]], \"2\" \"9\" \"10\""},
        {"text_labels_in_order_of_appearance", "--pairs",
         "water;forest\r\n\"forest\";forest\r\nurban\tforest\r\nwater water\r\n",
         "[[1, 1, 0], [0, 1, 0], [0, 1, 0]], \"water\" \"forest\" \"urban\""},
        {"header_and_absent_classes", "--pairs --header --classes c,b,a,d", "map,ground\na,b\nb,b\nb,a\n",
         "[[0, 0, 0, 0], [0, 1, 1, 0], [0, 1, 0, 0], [0, 0, 0, 0]], \"c\" \"b\" \"a\" \"d\""},
        {"quoted_labels_as_spreadsheets_write_them", "--pairs",
         "\"deciduous forest\",\"open water\"\n\"open water\" , \"say \"\"hi\"\", ok\"\n"
         "deciduous forest;open water\n  open water\t deciduous forest  \n",
         "[[0, 2, 0], [1, 0, 1], [0, 0, 0]], \"deciduous forest\" \"open water\" \"say \\\"hi\\\""},
        {"classes_listed_with_blanks_and_a_trailing_delimiter", "--pairs --classes 'b, a'",
         "a,b,\nb;b;\n", "[[1, 0], [1, 0]], \"b\" \"a\""},
        {"missing_left_out", "--pairs --missing NA --missing ''", "a,NA\nNA,b\na,b\n,b\nb,b\n",
         "[[0, 1], [0, 1]], \"a\" \"b\""},
        {"reference_first", "--pairs --transpose", "x y\nx y\ny y\n", "[[0, 0], [2, 1]], \"x\" \"y\""},
        {"transposed_matrix", "--transpose", "20 5 0\n3 15 2\n2 5 48\n",
         "[[20, 3, 2], [5, 15, 5], [0, 2, 48]], \"1\" \"2\" \"3\""},
        // clang-format on
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const auto report = run(row.args + " --report --format json", row.input);
        ASSERT_EQ(report.status, 0) << report.err;
        EXPECT_EQ(matrixAndLabels(report.out), "\"matrix\": " + row.matrix);
        std::string matrix; // "[[2, 0], [1, 3]]" as "2 0\n 1 3\n"
        for (const char c : row.matrix.substr(0, row.matrix.find("]]") + 1))
            matrix += c == ']' ? "\n" : c == '[' || c == ',' ? "" : std::string(1, c);
        const auto lines = run(row.args, row.input), typed = run("", matrix);
        EXPECT_EQ(lines.status, typed.status);
        EXPECT_EQ(lines.out + lines.err, typed.out + typed.err);
    }
}

TEST_F(BrennicKappaPairs, EachMistakeNamesItsLine) {
    std::string many;
    for (int i = 0; i < 300; ++i)
        many += "c" + std::to_string(i) + " c0\n";
    expectEach({
        // clang-format off
        {"one_label", "--pairs", "a b\n\na\n", 1, {"line 3 holds 1 label; each line holds two"}},
        {"three_labels", "--pairs", "a b c\n", 1, {"line 1 holds more than 2 labels"}},
        {"empty_label", "--pairs", "a b\na,\"\"\n", 1, {"line 2, label 2 is empty"}},
        {"empty_between_delimiters", "--pairs", "a;;b\n", 1, {"line 1, label 2 is empty"}},
        {"not_a_listed_class", "--pairs --classes a,b", "a b\nb c\n", 1,
         {"line 2: 'c' is not one of the classes given with --classes"}},
        {"class_listed_twice", "--pairs --classes a,b,a", "a b\n", 1, {"'a' is listed twice"}},
        {"too_many_classes", "--pairs", many, 1, {"the pairs hold 300 classes; at most 254"}},
        {"one_class", "--pairs", "a a\na a\n", 1, {"the pairs hold 1 class; at least 2"}},
        {"trailing_delimiter", "--pairs", "forest,\n", 1, {"line 1, label 2 is empty"}},
        {"quote_not_closed", "--pairs", "a,b\n\"open water,b\n", 1,
         {"line 2, label 1 opens a quote that its line does not close"}},
        {"text_after_a_quote", "--pairs", "\"open\" water,b\n", 1,
         {"line 1, label 1 has text after its closing quote"}},
        {"not_utf8", "--pairs", "x,x\nbad\xff,x\n", 1, {"line 2, label 1 is not valid UTF-8"}},
        {"overlong_slash", "--pairs", "x,\xc0\xaf\n", 1, {"line 1, label 2 is not valid UTF-8"}},
        {"surrogate", "--pairs", "x,\xed\xa0\x80\n", 1, {"line 1, label 2 is not valid UTF-8"}},
        {"terminal_escape", "--pairs", "\x1b[2Jred,x\n", 1,
         {"line 1, label 1 holds a control character (U+001B)"}},
        {"c1_control", "--pairs", "x,a\xc2\x9b\n", 1,
         {"line 1, label 2 holds a control character (U+009B)"}},
        {"line_separator", "--pairs", "a\xe2\x80\xa8" "b,x\n", 1,
         {"line 1, label 1 holds a line or paragraph separator (U+2028)"}},
        {"bidirectional_override", "--pairs", "x;\xe2\x81\xa6y\n", 1,
         {"line 1, label 2 holds a bidirectional control (U+2066)"}},
        {"unlisted_label_shown_as_written", "--pairs --classes a,b", "Gew\xc3\xa4sser,a\n", 1,
         {"line 1: 'Gew\xc3\xa4sser' is not one of the classes"}},
        {"everything_missing", "--pairs --missing NA", "NA,a\nb,NA\n", 1,
         {"no pairs were read: each of the 2 pairs holds a label given with --missing"}},
        {"no_pairs_at_all", "--pairs --missing NA", "\n \n", 1,
         {"no pairs were read: the input holds no pairs of labels"}},
        // clang-format on
    });
}

using BrennicKappaRatings = KappaProcessTest;

// Gwet (2014), the 12 units x 4 raters of irrCAC's cac.raw4raters.
TEST_F(BrennicKappaRatings, GwetsExampleToItsPrintedDigits) {
    const std::string gwet = readFile(BRENNIC_TEST_DATA_DIR "/gwet-2014-4-raters.csv");
    const auto json = run("--ratings --header --format json", gwet);
    ASSERT_EQ(json.status, 0) << json.err;
    // Each coefficient under its name, and the five figures of one (the standard errors
    // of the others are checked to their printed digits in-process, in ratings_test.cpp).
    const std::tuple<const char*, double, double> rows[] = {
        // clang-format off
        {"percent_agreement", 0.8181818, 1e-7}, {"gwet_ac1", 0.77544, 1e-5},
        {"fleiss_kappa", 0.76117, 1e-5}, {"fleiss_kappa_se", 0.15302, 1e-5},
        {"fleiss_kappa_ci_low", 0.424, 1e-3}, {"fleiss_kappa_ci_high", 1, 1e-9},
        {"fleiss_kappa_p", 2.095865e-4, 1e-10}, {"krippendorff_alpha", 0.74342, 1e-5},
        {"conger_kappa", 0.76282, 1e-5}, {"brennan_prediger", 0.77273, 1e-5},
        {"units", 12, 0.5}, {"raters", 4, 0.5}, {"nominal", 0.743, 1e-3}, {"ordinal", 0.815, 1e-3},
        {"interval", 0.849, 1e-3}, {"ratio", 0.797, 1e-3},
        // clang-format on
    };
    for (const auto& [field, printed, lastDigit] : rows)
        EXPECT_NEAR(jsonNumber(json.out, field), printed, lastDigit / 2) << field;
    EXPECT_TRUE(Has(json.out, "{\"label\": \"2\", \"count\": 13}"));

    // --report changes nothing; the text and the CSV carry the same figures.
    EXPECT_EQ(run("--ratings --header --report --format json", gwet).out, json.out);
    // Four significant digits, trailing zeros left out (0.1530 is 0.153).
    EXPECT_TRUE(Has(run("--ratings --header", gwet).out,
                    "fleiss_kappa  0.7612   0.153  0.4244        1  0.0002096\n"));
    const auto text = run("--ratings --header --digits 15", gwet);
    // The table is folded to fit 100 columns: the p-values stand in a second part.
    EXPECT_TRUE(Has(text.out, "fleiss_kappa  0.761169275422411  0.153019203469492  "
                              "0.424376279377015        1\n"));
    EXPECT_TRUE(Has(text.out, " 0.000209586519")); // 2.095865e-4, the last digits as libm gives
    // At 0.9 the interval takes t(0.95, 11) = 1.796 of the printed tables.
    const auto ninety = run("--ratings --header --confidence 0.9 --format json", gwet);
    EXPECT_NEAR(jsonNumber(ninety.out, "fleiss_kappa_ci_low"),
                0.7611692754224112 - 1.796 * 0.15301920346949238, 1e-4);
    const auto csv = run("--ratings --header --format csv --weights quadratic", gwet);
    EXPECT_TRUE(Has(csv.out, "\nreport,,weights,quadratic,,,,,\n"));
    const std::string alpha = "\noverall,,weighted_krippendorff_alpha,";
    EXPECT_NEAR(jsonNumber("\"x\": " + csv.out.substr(csv.out.find(alpha) + alpha.size()), "x"),
                0.849, 5e-4); // quadratic weights: the interval alpha
}

TEST_F(BrennicKappaRatings, FiguresWithoutValueCarryTheirReasons) {
    // Every rating in one class: nothing is left beyond chance.
    const std::string oneClass = "a a\na a\na NA\n";
    const auto json = run("--ratings --format json", oneClass);
    ASSERT_EQ(json.status, 0) << json.err;
    EXPECT_TRUE(Has(json.out, "\"fleiss_kappa\": null"));
    EXPECT_TRUE(Has(json.out, "\"fleiss_kappa\": \"the chance agreement is 1"));
    EXPECT_EQ(json.out.find("krippendorff_alpha_by_level"), std::string::npos); // no numbers
    EXPECT_TRUE(Has(run("--ratings", oneClass).out,
                    "Not defined:\n  fleiss_kappa: the chance agreement is 1"));
    EXPECT_TRUE(Has(run("--ratings --format csv", oneClass).out,
                    "\noverall,,fleiss_kappa,,,,,,\"the chance agreement is 1"));
}

TEST_F(BrennicKappaRatings, RefusalsExitOneWithASentence) {
    expectEach({
        // clang-format off
        {"one_rater", "--ratings", "1\n2\n", 1, {"at least two raters"}},
        {"ragged_line", "--ratings", "1,2\n1,2\n1\n", 1, {"line 3 holds 1 rating"}},
        {"ratings_and_pairs", "--ratings --pairs", "1,2\n", 1, {"does not go with"}},
        {"gwet_weights_on_a_matrix", "--report --weights ordinal", "1 2\n3 4\n", 1,
         {"--weights ordinal needs --ratings"}},
        {"unknown_weights", "--ratings --weights cubic", "1,2\n", 1, {"unknown weights 'cubic'"}},
        {"header_without_labels", "--header", "1 2\n3 4\n", 1,
         {"--header needs --pairs, --ratings or --samples"}},
        // clang-format on
    });
}

using BrennicKappaReport = KappaProcessTest;

TEST_F(BrennicKappaReport, OutputAndMistakesByOption) {
    const std::string worked = "20 5 0\n3 15 2\n2 5 48\n", area = "--report --mapped-area ";
    // 25 25|25 25 (N = 100, every p = 1/4): PO = PC = 1/2, KAPPA = 0, SECI = SE =
    // (1/100)^0.5 = 0.1, so LO = -0.2, HI = 0.2, Z = 0. Large-sample: w_i. = w_.j = 1/2,
    // each term (w_ij - 1)(1 - 0) - (0 - 1/2) = +-1/2, Var = 4 (1/4)(1/4) / (1/4 * 100) =
    // 0.01, and Var0 the same; its interval -+z 0.1 with z = 1.959963984540054 (R's
    // qnorm(0.975)), z_large_sample = 0, p = 1. With two classes the
    // linear weights are 1 and 0: the weighted figures are the unweighted ones.
    // Each class: totals 50, diagonal 25, shares 1/2, conditional kappas
    // (1/4 - 1/4) / (1/2 - 1/4) = 0.
    // The further figures: pa = 1/2 and pi_k = 1/2, so Scott's pe and Gwet's pe
    // are 1/2 and both coefficients 0, as is Brennan-Prediger's; each term
    // w_kl - 1 lies 1/2 from its mean -1/2, so their standard errors are
    // (1/4 / (100 / 4))^0.5 = 0.1, and Brennan-Prediger's (1/4 / (100 / 4))^0.5 too,
    // each interval -+z 0.1. overall_accuracy_se = (1/4 / 99)^0.5, its interval
    // 1/2 -+ z (1/396)^0.5, and Krippendorff's alpha
    // ((1 - e) / 2 + e - 1/2) / (1/2) with e = 1/200, in the digits of doubles.
    // No quantity disagreement; each class allocates 2 (1/2 - 1/4), halved: 1/2.
    // F1 and its means: 2 (1/2)(1/2) / 1 = 1/2 for each of the two classes.
    // The CSV: a row per figure, its se and interval beside it, then a row per
    // class and figure and per cell; the rows below hold section, class, figure,
    // value, se, ci_low and ci_high, the unit and reason columns empty.
    const std::string z = "0.1959963984540054", interval = "0.1,-" + z + "," + z;
    std::string chanceCsv = "section,class,figure,value,se,ci_low,ci_high,unit,reason\n";
    for (const std::string& row : std::vector<std::string>{
             "report,,n,2",
             "report,,confidence,0.95",
             "result_file,,pc,0.5",
             "result_file,,po,0.5",
             "result_file,,kappa,0",
             "result_file,,lo,-0.2",
             "result_file,,hi,0.2",
             "result_file,,se,0.1",
             "result_file,,z,0",
             "overall,,kappa,0," + interval,
             "overall,,kappa_se0,0.1",
             "overall,,z_large_sample,0",
             "overall,,p_two_sided,1",
             "overall,,overall_accuracy,0.5,0.050251890762960605,0.4015081039495562,"
             "0.5984918960504438",
             "overall,,scott_pi,0," + interval,
             "overall,,gwet_ac1,0," + interval,
             "overall,,brennan_prediger,0," + interval,
             "overall,,krippendorff_alpha,0.005",
             "overall,,quantity_disagreement,0",
             "overall,,allocation_disagreement,0.5",
             "overall,,macro_users_accuracy,0.5",
             "overall,,macro_users_classes,2",
             "overall,,macro_producers_accuracy,0.5",
             "overall,,macro_producers_classes,2",
             "overall,,macro_f1,0.5",
             "overall,,macro_f1_classes,2",
             "weighted,,weights,linear",
             "weighted,,kappa,0," + interval,
             "weighted,,kappa_se0,0.1",
             "weighted,,z,0"}) {
        const auto fields = std::count(row.begin(), row.end(), ',');
        chanceCsv += row + std::string(static_cast<std::size_t>(8 - fields), ',') + "\n";
    }
    // Each class's shares 1/2 of 50 counts: se (1/4 / 49)^0.5 = 1/14, interval 1/2 -+ z/14.
    const std::string share = "0.5,0.07142857142857142,0.3600025725328533,0.6399974274671467";
    for (const char* k : {"1", "2"})
        for (const std::string& figure : std::vector<std::string>{
                 "row_total,50,,,", "col_total,50,,,", "diagonal,25,,,", "users_accuracy," + share,
                 "producers_accuracy," + share, "f1,0.5,,,", "row_conditional_kappa,0,,,",
                 "col_conditional_kappa,0,,,", "quantity_disagreement,0,,,",
                 "allocation_disagreement,0.5,,,"})
            chanceCsv += "classes," + std::string(k) + "," + figure + ",,\n";
    chanceCsv += "matrix,1,1,25,,,,,\nmatrix,1,2,25,,,,,\nmatrix,2,1,25,,,,,\nmatrix,2,2,25,,,,,\n";
    std::string large; // 21 classes
    for (int r = 0; r < 21; ++r)
        for (int c = 0; c < 21; ++c)
            large += (r == c ? "9" : "1") + std::string(c < 20 ? " " : "\n");
    expectEach({
        // clang-format off
        {"chance_matrix_whole_csv", "--report --weights linear --format csv", "25 25\n25 25\n", 0,
         {chanceCsv}},
        // Four significant digits unless --digits says otherwise: KAPPA 0.72245, SE
        // 0.079539, Z 9.0829; class 3's user's accuracy 48/55, its se 0.0453534 and
        // interval from 48/55 - 1.959964 0.0453534 = 0.78384.
        {"text_rounds_to_four_digits", "--report", worked, 0,
         {" 0.7224\n", " 0.07954\n", " 9.083\n",
          "\n      3         55         50        48          0.8727            0.04535                 0.7838\n"}},
        {"text_shows_result_file_digits", "--report --digits 15", worked, 0,
         {" 0.722448979591837\n", " 0.0795394908975717\n", " 9.0828967024969\n",
          "\nLarge-sample figures (Fleiss, Cohen and Everitt 1969), not those of Result.txt\n",
          // Class 3 by hand: 48 of 55, se ((48/55)(7/55) / 54)^0.5.
          "\n      3         55         50        48  0.872727272727273  0.0453534228699872\n"}},
        {"text_shows_the_matrix_used", "--report --transpose", worked, 0,
         {"Error matrix (rows: classification, columns: reference)\n", "  20   3   2     25\n",
          "  total  25  20  55    100\n"}},
        {"text_leaves_out_a_large_matrix", "--report", large, 0,
         {"The error matrix of 21 classes is left out here"}},
        {"text_with_comma_separator", "--report --digits 15 --decimal-separator ,",
         "2,5 1\n0,5 6\n", 0,
         {" 0,659090909090909\n", " 1,17234499048346\n"}},
        {"csv_with_decimal_commas", "--report --format csv --decimal-separator ,",
         "25 25\n25 25\n", 0,
         {"\nresult_file;;lo;-0,2;;;;;\n", "\noverall;;kappa;0;0,1;-" + std::string("0,1959963984540054;0,1959963984540054;;\n")}},
        {"undefined_figure_status_0", "--report --format json", "0 5\n0 0\n", 0,
         {"\"z\": null", "\"kappa\": 0,", "\"z\": \"The agreement expected by chance is exactly 0"}},
        {"pairs_left_out_as_missing", "--pairs --missing NA --report --format json",
         "a,NA\nNA,b\na,b\nb,a\n", 0, {"\"left_out\": {\"missing\": 2}"}},
        {"not_a_number", "--report", "1 x\n2 3\n", 1, {"line 1, cell 2: 'x' is not a number"}},
        {"unknown_weights", "--report --weights cubic", worked, 1, {"unknown weights 'cubic'"}},
        {"unknown_format", "--report --format xml", worked, 1, {"unknown format 'xml'"}},
        {"weights_without_report", "--weights linear", worked, 1, {"--weights needs --report"}},
        {"area_not_a_number", area + "1,x,3", worked, 1, {"mapped area 2 ('x') is not a number"}},
        {"area_zero_for_a_row_with_counts", area + "1,0,3", worked, 1,
         {"the mapped area of class '2' is 0, but its row holds counts"}},
        {"area_negative", area + "1,-2,3", worked, 1, {"mapped area 2 ('-2') is negative"}},
        {"area_unknown_label", area + "1=5,2=5,4=5", worked, 1, {"area 3: '4' is not one of the"}},
        {"area_left_out", area + "1=5,3=5", worked, 1, {"mapped-area gives no area for class '2'"}},
        {"area_forms_mixed", area + "1=5,5,5", worked, 1, {"area 2 ('5') should have the form of"}},
        {"negative_count", "--report", "5 -3\n-1 4\n", 1,
         {"Negative counts are in the matrix (the first is -3 in row 1, column 2)"}},
        {"area_count", area + "1,2", worked, 1, {"gives 2 areas, but the matrix has 3 classes"}},
        {"mapped_area_semicolons_with_comma", "--report --format csv --decimal-separator , "
         "--mapped-area '1,5;2;0,5'", "2 1\n1 2\n", 1, {"gives 3 areas, but the matrix has 2"}},
        {"mapped_area_json", "--report --format json --mapped-area 1,3", "3 1\n1 3\n", 0,
         {"\"area_weighted\": {\"overall_accuracy\": 0.75, "}},
        // Weights 1/4, 3/4, U = 3/4 each (se (3/16 / 3)^0.5 = 1/4): accuracy 3/4, its
        // se ((1/16 + 9/16) (3/16) / 3)^0.5 = 10^0.5 / 16; class 1's column 3/16 + 3/16,
        // so P1 = 1/2 and its area 4 (6/16) = 1.5. User's accuracy's interval
        // 3/4 -+ z 1/4, z = 1.959963984540054: to 14 digits, as z comes from the
        // system's erfc, whose last bit differs between systems. Areas as given have
        // no unit.
        {"mapped_area_csv", "--report --format csv --mapped-area 1,3", "3 1\n1 3\n", 0,
         {"\nreport,,n,2,,,,,\n", "\narea_weighted,,overall_accuracy,0.75,0.19764235376052",
          "\nclasses,1,users_accuracy,0.75,0.25,0.26000900386498",
          "\narea_weighted.classes,1,mapped_area,1,,,,,\n",
          "\narea_weighted.classes,1,users_accuracy,0.75,0.25,0.26000900386498",
          "\narea_weighted.classes,1,area,1.5,"}},
        // Weights 1/4, 3/4: accuracy 3/16 + (3/4)(7/8) = 27/32, class 1's area 6 (3/16 + 3/32),
        // 0.84375 and 1.6875 to four digits, the last one even.
        {"mapped_area_text_comma", "--report --decimal-separator , --mapped-area '1,5;4,5'",
         "3 1\n1 7\n", 0, {"area-weighted overall accuracy  0,8438\n", " 1,5 ", " 1,688"}},
        // At 0.9, z = 1.6448536269514715 (Python's NormalDist().inv_cdf(0.95)):
        // 0.7224489795918366 - z 0.059138468723604815, the large-sample kappa and its se.
        {"confidence_level", "--report --confidence 0.9 --format json", worked, 0,
         {"\n  \"confidence\": 0.9,\n", "\"kappa_ci_low\": 0.6251748548194591,"}},
        {"digits_not_a_count", "--report --digits 0", worked, 1,
         {"--digits takes a whole number from 1 to 17, not '0'"}},
        {"confidence_not_a_level", "--report --confidence 95", worked, 1,
         {"--confidence takes a level between 0 and 1 such as 0.95, not '95'"}},
        // The page: what was read and the program in its heading, a date only when given.
        {"html_page", "--report --format html", worked, 0,
         {"<!DOCTYPE html>\n", "<dt>Assessed</dt><dd>standard input</dd>",
          "<dt>Program</dt><dd>brennic-kappa ", "<figure id=\"matrix\">"}},
        {"html_names_a_leap_day", "--report --format html --report-date 2024-02-29", worked, 0,
         {"<dt>Date</dt><dd>2024-02-29</dd>"}},
        {"report_date_no_such_day", "--report --format html --report-date 2023-02-29", worked, 1,
         {"--report-date takes a date as YYYY-MM-DD, such as 2024-05-31, not '2023-02-29'"}},
        {"report_date_month_of_one_digit", "--report --format html --report-date 2024-1-05",
         worked, 1, {"not '2024-1-05'"}},
        {"report_date_month_13", "--report --format html --report-date 2024-13-05", worked, 1,
         {"not '2024-13-05'"}},
        {"report_date_without_html", "--report --report-date 2024-01-05", worked, 1,
         {"--report-date needs --format html"}},
        {"option_for_another_input", "--missing NA", worked, 1, {"--missing needs --pairs"}},
        // clang-format on
    });
    // With -o the report goes to that file, whole, and nothing to standard output;
    // a folder in its place is refused and left as it was.
    writeFile(dir / "page.html", "an older page");
    std::filesystem::create_directory(dir / "folder");
    for (const auto& [args, input] :
         {std::pair<std::string, std::string>{"--report --format html", worked},
          {"--ratings --format html", "1,2\n2,2\n"}}) {
        SCOPED_TRACE(args);
        const KappaOutcome toOutput = run(args, input);
        const KappaOutcome toFile = run(args + " -o {dir}/page.html", input);
        EXPECT_EQ(toFile.status, 0) << toFile.err;
        EXPECT_EQ(toFile.out, "");
        EXPECT_EQ(readFile(dir / "page.html"), toOutput.out);
        EXPECT_FALSE(std::filesystem::exists(dir / "page.html.part"));
        const KappaOutcome toFolder = run(args + " -o {dir}/folder", input);
        EXPECT_EQ(toFolder.status, 3);
        EXPECT_TRUE(Has(toFolder.err, "/folder: it is a folder or no ordinary file"))
            << toFolder.err;
        EXPECT_TRUE(std::filesystem::is_directory(dir / "folder"));
    }
    // Counts that look like proportions: the warning reaches standard error as well.
    const auto proportions = run("--report --format json", "0.2 0.1\n0.1 0.6\n");
    EXPECT_EQ(proportions.status, 0);
    EXPECT_TRUE(Has(proportions.err, "brennic-kappa: warning: The counts add up to 1"));
    EXPECT_TRUE(Has(proportions.out, "\"warnings\": [\"The counts add up to 1"));
}

// --help reads in a terminal of 80 columns, counted in characters; it and the
// help page define every field of the reports, so that a figure added to one
// cannot be left out of them.
TEST_F(BrennicKappaReport, HelpFitsEightyColumnsAndDefinesEveryField) {
    const auto help = run("--help", "");
    ASSERT_EQ(help.status, 0);
    EXPECT_EQ(help.err, "");
    EXPECT_LE(widestLine(help.out), 80u);
    EXPECT_TRUE(Has(help.out, "Usage: brennic-kappa"));
    EXPECT_TRUE(Has(help.out, "--missing TEXT"));
    EXPECT_TRUE(Has(help.out, "C_p\nis the one-sided p-value 1 - T(C/SE, n - 1)"));
    const std::string page = readFile(nativePath(BRENNIC_HELP_PAGE));
    std::istringstream words("units pairable_units raters classes C_se C_ci_low C_ci_high C_p "
                             "krippendorff_alpha_by_level nominal ordinal interval ratio");
    std::vector<std::string> fields{std::istream_iterator<std::string>(words), {}};
    for (std::size_t c = 0; c < RatingsCoefficientCount; ++c)
        for (const RatingWeights weights : {RatingWeights::None, RatingWeights::Ordinal}) {
            fields.emplace_back(
                RatingsCoefficientName(static_cast<RatingsCoefficient>(c), weights));
            EXPECT_TRUE(Has(help.out, fields.back()));
        }
    for (const std::string& field : fields)
        EXPECT_TRUE(Has(page, "<code>" + field + "</code>"));
    // The page's table is the catalogue's, as --help gives it, every field in it.
    const std::string begin = "written by scripts/update-help-page: -->\n",
                      end = "<!-- End of the fields of the figure catalogue. -->";
    const std::size_t from = page.find(begin) + begin.size(), to = page.find(end);
    ASSERT_LT(from, to);
    EXPECT_EQ(page.substr(from, to - from), FieldTableHtml()) << "run scripts/update-help-page";
    for (const auto catalogue :
         {Catalogue<OverallFigure>(), Catalogue<WeightedFigure>(), Catalogue<ClassFigure>(),
          Catalogue<AreaFigure>(), Catalogue<AreaClassFigure>(), Catalogue<StratifiedFigure>(),
          Catalogue<StratifiedClassFigure>(), Catalogue<ComparisonFigure>(),
          Catalogue<ComparisonClassFigure>(), Catalogue<IndependentFigure>()})
        for (const FigureInfo& info : catalogue)
            EXPECT_TRUE(Has(page.substr(from, to - from),
                            "<tr><td><code>" + std::string(info.field) + "</code></td><td>"));
}

using BrennicKappaSamples = KappaProcessTest;

const std::string Stratified = "\"stratified\"";

TEST_F(BrennicKappaSamples, StehmanExampleThroughTheCommand) {
    const std::string sample = readFile(BRENNIC_TEST_DATA_DIR "/stehman-2014-sample.csv");
    // The standard errors of the overall and of B's user's accuracy: the paper's with the
    // correction; worked out apart from it without.
    const std::tuple<std::string, double, double> rows[] = {{" --fpc", 0.08464219, 0.1247822},
                                                            {"", 0.08465617, 0.1248023}};
    for (const auto& [fpc, overallSe, usersBSe] : rows) {
        SCOPED_TRACE(fpc);
        const std::string args =
            "--samples --header --report --strata-sizes A=40000,B=30000,C=20000,D=10000" + fpc;
        const auto json = run(args + " --classes A,B,C,D --format json", sample);
        ASSERT_EQ(json.status, 0) << json.err;
        // Counted by hand from the file, all strata together.
        EXPECT_TRUE(Has(json.out, "\"matrix\": [[6, 1, 1, 0], [4, 9, 3, 0], [0, 1, 3, 2], "
                                  "[0, 1, 2, 7]]"));
        EXPECT_TRUE(Has(json.out, fpc.empty() ? "\"fpc\": false" : "\"fpc\": true"));
        EXPECT_TRUE(Has(json.out, "{\"label\": \"C\", \"size\": 20000, \"sample_units\": 10, "));
        EXPECT_NEAR(jsonNumber(json.out, "overall_accuracy_se", Stratified), overallSe, 5e-9);
        const std::string classB = "{\"class\": 2, \"label\": \"B\", \"users";
        EXPECT_NEAR(jsonNumber(json.out, "users_accuracy_se", classB), usersBSe, 5e-8);
        // F1 of the paper's user's and producer's accuracy of B, 27/47 and 0.794.
        EXPECT_NEAR(jsonNumber(json.out, "f1", classB),
                    2 * (27.0 / 47) * 0.794 / (27.0 / 47 + 0.794), 1e-3);
        // p^_BC: row B, column C of the estimated proportions.
        EXPECT_TRUE(Has(json.out, "\"area_proportions\": [[0.23, "));
        EXPECT_TRUE(Has(json.out, "], [0.12000000000000001, 0.27, 0.08000000000000002, 0], "));
        const auto text = run(args + " --classes A,B,C,D", sample);
        EXPECT_TRUE(
            Has(text.out, "  overall_accuracy          estimated overall accuracy  0.63\n"));
        EXPECT_TRUE(Has(text.out, "      B  0.12  0.27  0.08     0   0.47\n"));
        // The paper's A and C; B and D summed from its rows; all shares add up to 1.
        EXPECT_TRUE(Has(text.out, "\n  total  0.35  0.34   0.2  0.11      1\n"));
        // Every CSV row as wide as the header.
        const std::string csv = run(args + " --format csv", sample).out;
        const auto commas = [&](std::size_t at) {
            return std::count(csv.begin() + at, csv.begin() + csv.find('\n', at), ',');
        };
        for (std::size_t at = 0; at < csv.size(); at = csv.find('\n', at) + 1)
            EXPECT_EQ(commas(at), commas(0)) << csv.substr(at, csv.find('\n', at) - at);
        EXPECT_TRUE(Has(csv, "\nstratified.classes,B,users_accuracy,0.574468085106383,"));
    }
}

TEST_F(BrennicKappaSamples, StratumOfOneUnitAndMissingLabels) {
    // Stratum s2 keeps one unit once the unit with a missing reference is left
    // out: the estimates are formed, every standard error is not.
    const auto json = run("--samples --missing NA --strata-sizes 's1=100, s2 = 50' --report "
                          "--format json",
                          "s1,a,a\ns1,a,b\ns1,b,b,\ns2,b,b\ns2,a,NA\n");
    ASSERT_EQ(json.status, 0) << json.err;
    EXPECT_TRUE(Has(json.out, "{\"label\": \"s2\", \"size\": 50, \"sample_units\": 1, "));
    // By hand: W = 2/3, 1/3; agreement 2/3 in s1, 1 in s2: 4/9 + 1/3 = 7/9.
    EXPECT_NEAR(jsonNumber(json.out, "overall_accuracy", Stratified), 7.0 / 9, 1e-15);
    EXPECT_TRUE(Has(json.out, "\"overall_accuracy_se\": null"));
    EXPECT_TRUE(Has(json.out, "\"users_accuracy_se\": \"Stratum \\\"s2\\\" holds a single sample "
                              "unit"));
}

TEST_F(BrennicKappaSamples, EachRefusalNamesItsStratumOrLine) {
    const std::string sample = "A,x,x\nA,x,y\nB,y,y\nB,y,x\n", s = "--samples --report ";
    const std::string z = s + "--strata-sizes ";
    const auto notWhole = [](const std::string& stratum, const std::string& size) {
        return "the size of stratum '" + stratum + "' in --strata-sizes ('" + size +
               "') is not a positive whole number";
    };
    expectEach({
        // clang-format off
        {"stratum_without_a_size", z + "A=10", sample, 1,
         {"line 3: stratum 'B' has no size in --strata-sizes"}},
        {"size_not_whole", z + "A=10,B=2.5", sample, 1, {notWhole("B", "2.5")}},
        {"size_zero", z + "A=0,B=10", sample, 1, {notWhole("A", "0")}},
        {"size_negative", z + "A=10,B=-4", sample, 1, {notWhole("B", "-4")}},
        {"size_below_the_sample", z + "A=10,B=1", "A,x,x\nA,y,y\nB,y,y\nB,y,x\n", 1,
         {"stratum 'B' holds 2 sample units, more than its size 1 in --strata-sizes"}},
        {"size_without_a_sample", z + "A=10,B=10,C=5", sample, 1,
         {"stratum 'C' has a size in --strata-sizes but no sample unit in the input"}},
        {"two_sizes", z + "A=10,B=10,A=3", sample, 1, {"stratum 'A' is given two sizes in --strata-sizes"}},
        {"not_stratum_equals_size", z + "A=10,B", sample, 1,
         {"entry 2 of --strata-sizes ('B') is not STRATUM=SIZE"}},
        {"two_labels", z + "A=10,B=10", "A,x,x\nB,y\n", 1, {"line 2 holds 2 labels; each line holds three"}},
        {"four_labels", z + "A=1,B=1", "A,x,x,y\n", 1, {"line 1 holds more than 3"}},
        {"unlisted_class", "--classes x,y " + z + "A=10,B=10", "A,x,z\n", 1,
         {"line 1: 'z' is not one of the classes given with --classes"}},
        {"no_sizes", s, sample, 1, {"--samples needs --strata-sizes"}},
        {"fpc_without_samples", "--report --fpc", sample, 1, {"--fpc needs --samples"}},
        {"with_pairs", "--pairs --samples --report", sample, 1, {"does not go with --pairs"}},
        {"transpose_with_samples", "--transpose " + z + "A=10,B=10", sample, 1,
         {"--transpose does not go with --samples"}},
        {"mapped_area_with_samples", z + "A=10,B=10 --mapped-area 1,2", sample, 1,
         {"--mapped-area does not go with --samples"}},
        // clang-format on
    });
}

} // namespace
} // namespace brennic::test

namespace brennic::test {
namespace {

using BrennicKappaDesign = KappaProcessTest;

// Olofsson et al. (2014), section 5.1: four strata, U 0.7, 0.6, 0.9, 0.95 and
// a target standard error of 0.01 give 641 units; Cochran's simple random
// sample for U 0.85 and a half-width of 0.04 gives 307. The allocations are
// worked out by hand in the core's test.
TEST_F(BrennicKappaDesign, OlofssonsExampleAndItsRefusals) {
    const std::string strata = "--design --strata-sizes 1=200000,2=150000,3=3200000,4=6450000 ",
                      olofsson = strata + "--expected-accuracy 1=0.7,2=0.6,3=0.9,4=0.95 ";
    expectEach({
        // clang-format off
        {"olofsson_text", olofsson + "--target-se 0.01", "", 0,
         {"641 units for a standard error of overall accuracy of 0.01, proportional allocation",
          "  stratum      N_h    W_h   U_h  proportional*  equal  neyman\n"
          "        1   200000   0.02   0.7             13    160      23\n"}},
        {"olofsson_json", olofsson + "--target-se 0.01 --allocation neyman --format json", "", 0,
         {"\"sample_size\": 641,", "\"allocation\": \"neyman\", \"chosen\": true, \"units\": [23, 19, 243, 356]"}},
        {"simple_csv", "--design --strata-sizes all=1000000 --expected-accuracy 0.85 "
         "--half-width 0.04 --allocation simple --format csv --decimal-separator ,", "", 0,
         {"section;class;figure;value;se;ci_low;ci_high;unit;reason\n", "\ndesign;;sample_size;307;;;;;\n",
          "\nstrata;all;expected_accuracy;0,85;;;;;\n"}},
        {"stratum_not_held", strata + "--expected-accuracy 1=0.7,5=0.9 --target-se 0.01", "", 1,
         {"--expected-accuracy names stratum '5', which --strata-sizes does not hold"}},
        {"stratum_without_accuracy", strata + "--expected-accuracy 1=0.7,2=0.6 --target-se 0.01", "", 1,
         {"--expected-accuracy gives no accuracy for stratum '3'"}},
        {"unknown_allocation", olofsson + "--target-se 0.01 --allocation optimal", "", 1,
         {"unknown allocation 'optimal'"}},
        {"seed_not_whole", "--design --map m --seed 1.5", "", 1,
         {"--seed takes a whole number of 0 or more, not '1.5'"}},
        {"no_size_rule", olofsson, "", 1, {"needs --target-se, --half-width or --sample-size"}},
        {"input_file_refused", olofsson + "--target-se 0.01 x.csv", "", 1,
         {"--design does not go with an input file"}},
        // clang-format on
    });
}

} // namespace
} // namespace brennic::test
