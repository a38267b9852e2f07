// Result.txt on disk: its exact bytes, what each way a run can end leaves in it,
// where it is put, and how a file that cannot be written is reported.
#include <gtest/gtest.h>

#include <cerrno>
#include <system_error>

#include "result_file.h"
#include "run.h"
#include "test_support.h"

namespace brennic {
namespace {

namespace fs = std::filesystem;

const test::Rows WorkedExample = {{"20", "5", "0"}, {"3", "15", "2"}, {"2", "5", "48"}};

// The header's 52 bytes, written out byte by byte.
const std::string Header = [] {
    const unsigned char bytes[] = {0x22, 0x50, 0x43, 0x22, 0x2C, 0x22, 0x50, 0x4F, 0x22, 0x2C, 0x22,
                                   0x4B, 0x41, 0x50, 0x50, 0x41, 0x22, 0x2C, 0x22, 0x4C, 0x4F, 0x2D,
                                   0x39, 0x35, 0x25, 0x20, 0x43, 0x49, 0x22, 0x2C, 0x22, 0x48, 0x49,
                                   0x2D, 0x39, 0x35, 0x25, 0x20, 0x43, 0x49, 0x22, 0x2C, 0x22, 0x53,
                                   0x45, 0x22, 0x2C, 0x22, 0x5A, 0x22, 0x0D, 0x0A};
    return std::string(std::begin(bytes), std::end(bytes));
}();

using ResultFile = test::TempDirTest;

TEST_F(ResultFile, HoldsTheHeaderAndValuesOfTheLastRunOnly) {
    const struct {
        const char* name;
        char separator;
        const char* valuesLine;
    } rows[] = {
        {"point", '.',
         " 0.3875  0.83  0.722448979591837  0.599793371618005  0.845104587565668 "
         " 0.0795394908975717  9.0828967024969 \r\n"},
        {"comma", ',',
         " 0,3875  0,83  0,722448979591837  0,599793371618005  0,845104587565668 "
         " 0,0795394908975717  9,0828967024969 \r\n"},
    };
    ASSERT_EQ(Header.size(), 52u);
    writeFile(dir / "Result.txt", "old contents\r\nof any length\r\nand lines\r\n");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        // Two runs in a row: the second replaces the first, it does not add to it.
        for (int run = 0; run < 2; ++run) {
            auto outcome = RunKappa(3, test::cellsOf(WorkedExample), row.separator, dir.string());
            const auto* written = std::get_if<run::Written>(&outcome);
            ASSERT_NE(written, nullptr);
            EXPECT_EQ(written->ResultPath, (dir / "Result.txt").string());
        }
        EXPECT_EQ(readFile(dir / "Result.txt"), Header + row.valuesLine);
    }
}

TEST_F(ResultFile, KeepsOrResetsThePreviousFileAsEachFailureRequires) {
    const std::string previous = Header + " 1  1  1  1  1  1  1 \r\n";
    const struct {
        const char* name;
        int n;
        test::Rows rows;
        bool headerOnly; // otherwise the previous file is untouched
    } rows[] = {
        {"cell_not_a_number_keeps_previous", 2, {{"1", "2"}, {"3", "four"}}, false},
        {"empty_cell_keeps_previous", 2, {{"1", "2"}, {"", "4"}}, false},
        {"size_out_of_range_keeps_previous", 255, {{"1", "2"}, {"3", "4"}}, false},
        {"arithmetic_error_leaves_header_only", 2, {{"0", "0"}, {"0", "0"}}, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        writeFile(dir / "Result.txt", previous);
        RunKappa(row.n, test::cellsOf(row.rows), '.', dir.string());
        EXPECT_EQ(readFile(dir / "Result.txt"), row.headerOnly ? Header : previous);
    }
}

TEST_F(ResultFile, JoinsTheDirectoryWithoutLookingAtItsEnd) {
    const std::string sep(1, PathSeparator);
    EXPECT_EQ(MakeResultPath(sep), sep + sep + "Result.txt");
    EXPECT_EQ(MakeResultPath(sep + "opt" + sep + "brennic"),
              sep + "opt" + sep + "brennic" + sep + "Result.txt");

    // A directory text ending in a separator is used as it stands.
    auto outcome = RunKappa(3, test::cellsOf(WorkedExample), '.', dir.string() + sep);
    ASSERT_TRUE(std::holds_alternative<run::Written>(outcome));
    EXPECT_EQ(std::get<run::Written>(outcome).ResultPath, dir.string() + sep + sep + "Result.txt");
    EXPECT_EQ(readFile(dir / "Result.txt").substr(0, 52), Header);
}

// CI runs as root, so the failures come from the shape of the path, not from
// permissions.
TEST_F(ResultFile, NamesTheOperationPathAndReasonOfAFileError) {
    writeFile(dir / "plain-file", "x");
    fs::create_directories(dir / "has-directory" / "Result.txt");
    const struct {
        const char* name;
        fs::path programDirectory;
        int reason;
    } rows[] = {
        {"missing_directory", dir / "missing", ENOENT},
        {"regular_file_as_directory", dir / "plain-file", ENOTDIR},
        {"result_path_is_a_directory", dir / "has-directory", EISDIR},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string path = (row.programDirectory / "Result.txt").string();
        auto outcome =
            RunKappa(3, test::cellsOf(WorkedExample), '.', row.programDirectory.string());
        const auto* file = std::get_if<run::File>(&outcome);
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(file->error.operation, "create");
        EXPECT_EQ(file->error.path, path);
        EXPECT_EQ(file->error.reason, std::generic_category().message(row.reason));

        auto append = AppendResultValues(path, KappaResult{}, '.');
        ASSERT_TRUE(append.has_value());
        EXPECT_EQ(append->operation, "open");
    }
    EXPECT_EQ(readFile(dir / "plain-file"), "x");
}

} // namespace
} // namespace brennic
