// Result.txt on disk: the worked examples' exact bytes, what each way a run can
// end leaves in it, where it is put, and how a file that cannot be written is
// reported.
#include <gtest/gtest.h>

#include <cerrno>
#include <system_error>

#include "../worked_example.h"
#include "core/file_copy.h"
#include "core/result_file.h"
#include "core/run.h"
#include "failing_files.h"
#include "test_support.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace brennic {
namespace {

using test::Grid;
const Grid WorkedExample("20 5 0|3 15 2|2 5 48");

const std::string& Header = test::ResultHeader;
using ResultFile = test::TempDirTest;
using Op = test::FailingFiles::Op;

std::string reason(int error) {
    return std::generic_category().message(error);
}

// Each row starts from a longer file of other contents and runs twice.
TEST_F(ResultFile, HoldsTheLastRunOrKeepsThePreviousFile) {
    const std::string previous = "old contents\r\nof any length\r\nand lines\r\n";
    // clang-format off
    const struct { const char* name; int n; Grid grid; char separator; std::string file; } rows[] = {
        {"worked_example", 3, WorkedExample, '.', test::WorkedExampleFile},
        {"fractional_counts_comma", 2, Grid("2,5 1|0,5 6"), ',', test::FractionalExampleCommaFile},
        {"chance_agreement_negative_limit", 2, Grid("5 5|5 5"), '.', Header +
         " 0.5  0.5  0 -0.447213595499958  0.447213595499958  0.223606797749979  0 \r\n"},
        {"arithmetic_error_leaves_header_only", 2, Grid("0 0|0 0"), '.', Header},
        {"cell_not_a_number_keeps_previous", 2, Grid("1 2|3 four"), '.', previous},
        {"empty_cell_keeps_previous", 2, Grid("1 2|_ 4"), '.', previous},
        {"size_out_of_range_keeps_previous", 255, Grid("1 2|3 4"), '.', previous},
        // clang-format on
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        writeFile(dir / "Result.txt", previous);
        for (int run = 0; run < 2; ++run) {
            const auto outcome = RunKappa(row.n, row.grid.cells(), row.separator, dir.string());
            const auto* written = std::get_if<run::Written>(&outcome);
            EXPECT_TRUE(!written || written->resultPath == (dir / "Result.txt").string());
        }
        EXPECT_EQ(readFile(dir / "Result.txt"), row.file);
    }
}

// No test for a separator already at the end: a root directory gives two.
TEST(ResultPath, JoinsTheDirectoryWithoutLookingAtItsEnd) {
    const std::string sep(1, PathSeparator);
    EXPECT_EQ(MakeResultPath(sep), sep + sep + "Result.txt");
}

// Every file operation of a run, failed in turn: the message names the operation,
// the path and the reason, and the file holds what it held before the reset, or
// never more than the header without its values.
TEST_F(ResultFile, EachFailedOperationOfARunIsReportedAndLeavesAWholeFile) {
    const std::string previous = "the figures of an earlier run\r\n", missing = "<missing>";
    // A run on an existing file: open (touch), close, delete, open (create), write
    // (header), close, keep permissions, open (append), write (values), close.
    // clang-format off
    const struct {
        const char* name; Op op; int nth, error; const char* operation; std::string file; bool gone;
    } rows[] = {
        {"touch", Op::Open, 1, EACCES, "create", previous, false},
        {"touch_close", Op::Close, 1, EIO, "write", previous, false},
        {"delete", Op::Delete, 1, EBUSY, "delete", previous, false},
        {"create", Op::Open, 2, EACCES, "create", missing, true},
        {"header_write", Op::Write, 1, ENOSPC, "write", "", true},
        {"keep_permissions", Op::SetPermissions, 1, EPERM, "keep the permissions of", Header, true},
        {"values_open", Op::Open, 3, EMFILE, "open", Header, true},
        {"values_write", Op::Write, 2, ENOSPC, "write", Header, true},
    }; // clang-format on
    const std::filesystem::path path = dir / "Result.txt";
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        writeFile(path, previous);
        test::FailingFiles files;
        files.failAt(row.op, row.nth, row.error);
        const auto outcome = RunKappa(3, WorkedExample.cells(), '.', dir.string(), files);
        const FileError& error = std::get<run::File>(outcome).error; // throws if not a file error
        EXPECT_EQ(DescribeFileError(error), std::string("cannot ") + row.operation + " " +
                                                path.string() + ": " + reason(row.error));
        EXPECT_EQ(error.previousFileGone, row.gone);
        EXPECT_EQ(std::filesystem::exists(path) ? readFile(path) : missing, row.file);
    }
}

TEST_F(ResultFile, ACopyThatFailsLeavesTheDestinationAsItWas) {
    const std::filesystem::path source = dir / "Result.txt", destination = dir / "saved.csv";
    const std::string read = "cannot read " + source.string(),
                      write = "cannot write " + destination.string();
    // clang-format off
    const struct { const char* name; Op op; int nth, error; std::string message; } rows[] = {
        {"source_open", Op::Open, 1, ENOENT, read},       {"source_read", Op::ReadAll, 1, EIO, read},
        {"copy_open", Op::Open, 2, ENOSPC, write},        {"copy_write", Op::Write, 1, ENOSPC, write},
        {"copy_close", Op::Close, 2, EIO, write},         {"rename", Op::Rename, 1, EXDEV, write},
        {"keep_permissions", Op::SetPermissions, 1, EPERM, write},
    }; // clang-format on
    writeFile(source, Header);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        writeFile(destination, "an older copy");
        test::FailingFiles files;
        files.failAt(row.op, row.nth, row.error);
        const auto error = CopyFileReplacing(source.string(), destination.string(), files);
        EXPECT_EQ(DescribeFileError(error.value()), row.message + ": " + reason(row.error));
        EXPECT_EQ(readFile(destination), "an older copy");
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 2) << "no leftovers";
    }
    EXPECT_EQ(CopyFileReplacing(source.string(), destination.string()), std::nullopt);
    EXPECT_EQ(readFile(destination), Header);
}

#ifndef _WIN32
// What stands at the path decides: an ordinary file is made new with its
// permission bits, a link's target is made new and the link stays, anything else
// (a FIFO would hang the program, a device would be deleted) is left alone.
TEST_F(ResultFile, OnlyAnOrdinaryFileIsReplaced) {
    namespace fs = std::filesystem;
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0644), 0);
    fs::create_directory(dir / "folder");
    writeFile(dir / "private", "old");
    fs::permissions(dir / "private", fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink("private", dir / "link");
    fs::create_symlink(dir / "not-yet", dir / "dangling");
    // Each path, and the file that now holds the figures, or none.
    const std::tuple<const char*, const char*> rows[] = {
        {"fifo", nullptr}, {"folder", nullptr}, {"link", "private"}, {"dangling", "not-yet"}};
    for (const auto& [name, madeNew] : rows) {
        SCOPED_TRACE(name);
        const std::string path = (dir / name).string();
        const auto outcome = WriteKappaFile(
            std::get<ErrorMatrix>(ReadErrorMatrix(3, WorkedExample.cells(), '.')), '.', path);
        if (madeNew == nullptr) {
            EXPECT_EQ(DescribeFileError(std::get<run::File>(outcome).error),
                      path + " is not a regular file");
            continue;
        }
        EXPECT_TRUE(fs::is_symlink(fs::symlink_status(path)));
        EXPECT_EQ(readFile(dir / madeNew), test::WorkedExampleFile);
    }
    EXPECT_EQ(fs::status(dir / "fifo").type(), fs::file_type::fifo);
    EXPECT_EQ(fs::status(dir / "private").permissions() & fs::perms::mask,
              fs::perms::owner_read | fs::perms::owner_write);
    // A saved copy keeps to the same rules.
    EXPECT_EQ(DescribeFileError(
                  CopyFileReplacing((dir / "private").string(), (dir / "fifo").string()).value()),
              (dir / "fifo").string() + " is not a regular file");
    writeFile(dir / "other", "x");
    EXPECT_EQ(CopyFileReplacing((dir / "other").string(), (dir / "link").string()), std::nullopt);
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(dir / "link")));
    EXPECT_EQ(readFile(dir / "private"), "x");
}
#endif

} // namespace
} // namespace brennic
