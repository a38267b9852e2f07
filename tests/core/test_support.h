// Helpers shared by the core tests: a matrix typed as rows of cell texts, and a
// fresh directory for the result file (named after the test and the process, as
// several builds may run the tests at once).
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "error_matrix.h"

namespace brennic::test {

using Rows = std::vector<std::vector<std::string>>;

// The cell texts of `rows`, read as the grid shows them: rows[r-1][c-1].
inline CellText cellsOf(const Rows& rows) {
    return [rows](int r, int c) {
        return rows[static_cast<std::size_t>(r - 1)][static_cast<std::size_t>(c - 1)];
    };
}

// An empty directory of its own for each test, removed afterwards.
class TempDirTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = std::filesystem::temp_directory_path() /
              (std::string("brennic-") + info->test_suite_name() + "-" + info->name() + "-" +
               std::to_string(::getpid()));
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    static std::string readFile(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        return bytes.str();
    }
    static void writeFile(const std::filesystem::path& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }

    std::filesystem::path dir;
};

} // namespace brennic::test
