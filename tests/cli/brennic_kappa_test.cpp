// brennic-kappa run as a process, as scripts use it: the bytes on standard
// output or in the -o file, the error line and the exit status.
#include <gtest/gtest.h>

#include "../worked_example.h"
#include "kappa_process.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace brennic::test {
namespace {

using BrennicKappa = KappaProcessTest;

TEST_F(BrennicKappa, WritesTheResultBytesOrOneErrorLine) {
    const std::string& worked = WorkedExampleFile;
    const std::string example = "'" + nativePath(BRENNIC_EXAMPLES_DIR) + "/worked-example.csv'";
    const struct {
        const char* name;
        std::string args, input, out; // the exact standard output
    } written[] = {
        // clang-format off
        {"worked_example_file", example, "", worked},
        {"blanks_and_tabs_from_stdin", "-", "20 5 0\n3\t15  2\n2 5 48\n", worked},
        {"semicolons_crlf_blank_lines", "", "\n20;5;0\r\n\r\n3;15;2\r\n2; 5;48\n", worked},
        {"comma_separator", "--decimal-separator ,", "2,5 1\n0,5 6\n", FractionalExampleCommaFile},
        {"byte_order_mark_and_cr_line_ends", "", "\xEF\xBB\xBF" "20 5 0\r3 15 2\r2 5 48", worked},
        {"output_option_replaces_the_file", "-o {dir}/Result.txt", "20,5,0\n3,15,2\n2,5,48\n", ""},
        // clang-format on
    };
    writeFile(dir / "Result.txt", "previous\r\n");
    for (const auto& row : written) {
        SCOPED_TRACE(row.name);
        const KappaOutcome outcome = run(row.args, row.input);
        EXPECT_EQ(outcome.status, 0);
        EXPECT_EQ(outcome.out, row.out);
        EXPECT_EQ(outcome.err, "");
    }
    EXPECT_EQ(readFile(dir / "Result.txt"), worked);
    std::string cells255;
    for (int i = 0; i < 255; ++i)
        cells255 += "1 ";
    expectEach({
        // clang-format off
        {"arithmetic_error_leaves_the_header", "-o {dir}/Result.txt", "7 0\n0 0\n", 2, {"exactly 1"}},
        {"not_a_number", "", "\n1 2\n3 x4\n", 1, {"line 3, cell 2: 'x4' is not a number"}},
        {"comma_no_point", "--decimal-separator ,", "1 2\n3 4.5", 1, {"line 2, cell 2: '4.5'"}},
        {"not_square", "", "1 2\n3\n", 1, {"line 2 has 1 cell, but the first row (line 1) has 2"}},
        {"short_last_line_names_its_own_line", "", "1 2 3\n4 5 6\n\n7 8", 1,
         {"line 4 has 2 cells, but the first row (line 1) has 3: the matrix must be square"}},
        {"too_few_rows", "", "1 2 3\n4 5 6\n", 1, {"the matrix has 2 rows of 3 cells"}},
        {"more_rows_than_cells", "", "1 2\n3 4\n5 6\n", 1, {"line 3 is row 3, but the rows have 2 cells"}},
        {"quoted_text_is_cut_and_escaped", "", "1 2\n3 \x1B[31m" + std::string(50, 'a') + "\n", 1,
         {"line 2, cell 2: '\\x1B[31m" + std::string(35, 'a') + "\u2026' is not a number"}},
        {"beyond_the_double_range", "", "1 1e400\n3 4\n", 1,
         {"line 1, cell 2: '1e400' is beyond the range of numbers the program can hold"}},
        {"cell_text_too_long", "", "1 " + std::string(5000, '7') + "\n", 1,
         {"line 1, cell 2 is longer than 4096 characters"}},
        {"more_than_254_cells", "", cells255, 1,
         {"line 1 has more than 254 cells; at most 254 classes are allowed"}},
        {"one_class", "", "5\n", 1, {"at least 2"}},
        {"nothing_read", "", "\n \n", 1, {"no matrix"}},
        {"separator_splits_cells", "--decimal-separator ';'", "2;5 1\n0;5 6\n", 1, {"not ';'"}},
        {"unknown_option", "--fast", "1 2\n3 4\n", 1, {"unknown option"}},
        {"all_zero_cells", "", "0 0\n0 0\n", 2, {"add up to 0"}},
        {"negative_counts_named", "", "1 -1\n-1 2\n", 2,
         {"Negative counts are in the matrix (the first is -1 in row 2, column 1)"}},
        {"missing_output_directory", "-o {dir}/missing/Result.txt", "1 2\n3 4\n", 3,
         {"cannot create {dir}/missing/Result.txt: No such file or directory"}},
        {"missing_input_file", "{dir}/absent.csv", "", 3,
         {"cannot read {dir}/absent.csv: No such file or directory"}},
        // clang-format on
    });
    EXPECT_EQ(readFile(dir / "Result.txt"), ResultHeader);
}

#ifndef _WIN32
// A failure to read is no end of the input: nothing is computed from the rows
// read so far. And a path that is no ordinary file is never replaced.
TEST_F(BrennicKappa, ReadFailuresAndOddOutputPathsAreRefused) {
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0644), 0);
    expectEach({{"directory_as_input", "'{dir}'", "", 3, {"cannot read {dir}: Is a directory"}},
                {"fifo_as_output",
                 "-o '{dir}/fifo'",
                 "1 2\n3 4\n",
                 3,
                 {"{dir}/fifo is not a regular file"}}});
    const int wait = std::system(("'" + nativePath(BRENNIC_KAPPA_PATH) + "' <&- > '" +
                                  (dir / "out").string() + "' 2> '" + (dir / "err").string() + "'")
                                     .c_str());
    EXPECT_EQ(WIFEXITED(wait) ? WEXITSTATUS(wait) : -1, 3);
    EXPECT_EQ(readFile(dir / "out") + readFile(dir / "err"),
              "brennic-kappa: cannot read standard input: Bad file descriptor\n");
}
#endif

} // namespace
} // namespace brennic::test
