// Files as spreadsheets, R and GIS tools write them, through brennic-kappa as a
// process: each ends in the right figures, a warning, or one refusal, never in
// figures computed from data read the wrong way.
#include <gtest/gtest.h>

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
        {"ratings_csv", "--ratings --format csv", "3,3.0\n1,1\n", {"\nwarning,,,\"" + joined3}, joined3},
        {"letter_case_kept_apart", "--pairs" + json, "Forest,forest\nforest,forest\n",
         {"\"matrix\": [[0, 1], [0, 1]]"}, forest},
        {"blanks_between_words_kept_apart", "--pairs --report --format csv",
         "Open water;Open  water\nOpen  water;Open  water\n",
         {"\nwarning,,,,,,,,,,,,the classes 'Open water' and 'Open  water' differ"},
         "the classes 'Open water' and 'Open  water' differ only in letter case or in the blanks "
         "between words: they are kept apart"},
        {"one_spelling_each", "--pairs" + json, "3,1\n1,1\n", {"\"warnings\": []"}, ""},
        // clang-format on
    });
}

} // namespace
} // namespace brennic::test
