// brennic-kappa --pairs and --transpose run as a process: the error matrix each
// input makes, shown back in JSON, against matrices built by hand; the same
// figures as from that matrix typed in; and each mistake named with its line.
#include <gtest/gtest.h>

#include "kappa_process.h"

namespace brennic::test {
namespace {

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
    const struct {
        const char* name;
        std::string args, input;
        std::string matrix;     // rows: classification, columns: reference
        std::string sameAsText; // the matrix typed in, giving the same two lines
    } rows[] = {
        // clang-format off
        {"numeric_labels_in_numeric_order", "--pairs", "10 2\n2 2\n2 10\n10 10\n2 2\n9,10\n",
         "[[2, 0, 1], [0, 0, 1], [1, 0, 1]], \"2\" \"9\" \"10\"", "2 0 1\n0 0 1\n1 0 1\n"},
        {"text_labels_in_order_of_appearance", "--pairs",
         "water;forest\r\n\"forest\";forest\r\nurban\tforest\r\nwater water\r\n",
         "[[1, 1, 0], [0, 1, 0], [0, 1, 0]], \"water\" \"forest\" \"urban\"", "1 1 0\n0 1 0\n0 1 0\n"},
        {"header_and_absent_classes", "--pairs --header --classes c,b,a,d", "map,ground\na,b\nb,b\nb,a\n",
         "[[0, 0, 0, 0], [0, 1, 1, 0], [0, 1, 0, 0], [0, 0, 0, 0]], \"c\" \"b\" \"a\" \"d\"",
         "0 0 0 0\n0 1 1 0\n0 1 0 0\n0 0 0 0\n"},
        {"quoted_labels_as_spreadsheets_write_them", "--pairs",
         "\"deciduous forest\",\"open water\"\n\"open water\" , \"say \"\"hi\"\", ok\"\n"
         "deciduous forest;open water\n  open water\t deciduous forest  \n",
         "[[0, 2, 0], [1, 0, 1], [0, 0, 0]], \"deciduous forest\" \"open water\" \"say \\\"hi\\\"",
         "0 2 0\n1 0 1\n0 0 0\n"},
        {"classes_listed_with_blanks_and_a_trailing_delimiter", "--pairs --classes 'b, a'",
         "a,b,\nb;b;\n", "[[1, 0], [1, 0]], \"b\" \"a\"", "1 0\n1 0\n"},
        {"missing_labels_left_out", "--pairs --missing NA --missing ''", "a,NA\nNA,b\na,b\n,b\nb,b\n",
         "[[0, 1], [0, 1]], \"a\" \"b\"", "0 1\n0 1\n"},
        {"reference_first", "--pairs --transpose", "x y\nx y\ny y\n", "[[0, 0], [2, 1]], \"x\" \"y\"",
         "0 0\n2 1\n"},
        {"transposed_matrix", "--transpose", "20 5 0\n3 15 2\n2 5 48\n",
         "[[20, 3, 2], [5, 15, 5], [0, 2, 48]], \"1\" \"2\" \"3\"", "20 3 2\n5 15 5\n0 2 48\n"},
        // clang-format on
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const auto report = run(row.args + " --report --format json", row.input);
        ASSERT_EQ(report.status, 0) << report.err;
        EXPECT_EQ(matrixAndLabels(report.out), "\"matrix\": " + row.matrix);
        const auto lines = run(row.args, row.input), typed = run("", row.sameAsText);
        EXPECT_EQ(lines.status, typed.status);
        EXPECT_EQ(lines.out + lines.err, typed.out + typed.err);
    }
}

TEST_F(BrennicKappaPairs, EachMistakeNamesItsLine) {
    std::string manyClasses;
    for (int i = 0; i < 300; ++i)
        manyClasses += "c" + std::to_string(i) + " c0\n";
    expectEach({
        // clang-format off
        {"one_label", "--pairs", "a b\n\na\n", 1, {"line 3 holds 1 label; each line holds two"}},
        {"three_labels", "--pairs", "a b c\n", 1, {"line 1 holds more than 2 labels"}},
        {"empty_label", "--pairs", "a b\na,\"\"\n", 1, {"line 2, label 2 is empty"}},
        {"empty_between_delimiters", "--pairs", "a;;b\n", 1, {"line 1, label 2 is empty"}},
        {"not_a_listed_class", "--pairs --classes a,b", "a b\nb c\n", 1,
         {"line 2: 'c' is not one of the classes given with --classes"}},
        {"class_listed_twice", "--pairs --classes a,b,a", "a b\n", 1, {"'a' is listed twice"}},
        {"too_many_classes", "--pairs", manyClasses, 1, {"the pairs hold 300 classes; at most 254"}},
        {"one_class", "--pairs", "a a\na a\n", 1, {"the pairs hold 1 class; at least 2"}},
        {"no_pairs", "--pairs --header", "map ground\n\n", 1, {"no pairs were read"}},
        {"header_without_pairs", "--header", "1 2\n3 4\n", 1, {"--header needs --pairs"}},
        {"trailing_delimiter_leaves_a_label_empty", "--pairs", "forest,\n", 1, {"line 1, label 2 is empty"}},
        {"quote_not_closed", "--pairs", "a,b\n\"open water,b\n", 1,
         {"line 2, label 1 opens a quote that its line does not close"}},
        {"text_after_a_quote", "--pairs", "\"open\" water,b\n", 1,
         {"line 1, label 1 has text after its closing quote"}},
        {"not_utf8", "--pairs", "x,x\nbad\xff,x\n", 1, {"line 2, label 1 is not valid UTF-8"}},
        {"overlong_slash", "--pairs", "x,\xc0\xaf\n", 1, {"line 1, label 2 is not valid UTF-8"}},
        {"surrogate", "--pairs", "x,\xed\xa0\x80\n", 1, {"line 1, label 2 is not valid UTF-8"}},
        {"terminal_escape", "--pairs", "\x1b[2Jred,x\n", 1,
         {"line 1, label 1 holds a control character (U+001B)"}},
        {"c1_control", "--pairs", "x,a\xc2\x9b\n", 1, {"line 1, label 2 holds a control character (U+009B)"}},
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

} // namespace
} // namespace brennic::test
