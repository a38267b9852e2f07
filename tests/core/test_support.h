// Helpers shared by the tests: a matrix written as text, and a fresh directory
// for the result file.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "core/error_matrix.h"

namespace brennic::test {

// The cells of "20 5 0|3 15 2|2 5 48": rows split at '|', cells at blanks; "_"
// stands for an empty cell and "~" for a cell holding one blank.
struct Grid {
    explicit Grid(const std::string& text) {
        std::istringstream rows(text);
        for (std::string row; std::getline(rows, row, '|');) {
            std::istringstream cells(row);
            m_rows.emplace_back();
            for (std::string cell; cells >> cell;)
                m_rows.back().push_back(cell == "_" ? "" : cell == "~" ? " " : cell);
        }
    }
    int n() const { return static_cast<int>(m_rows.size()); }
    CellText cells() const {
        return [rows = m_rows](int r, int c) { return rows.at(r - 1).at(c - 1); };
    }

  private:
    std::vector<std::vector<std::string>> m_rows;
};

// `part` within `text`; a failure shows the whole text.
inline ::testing::AssertionResult Has(const std::string& text, const std::string& part) {
    if (text.find(part) != std::string::npos)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "'" << part << "' is not in\n" << text;
}

// An empty directory of its own for each test, named after the test and the
// process, as several builds may run the tests at once.
class TempDirTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = std::filesystem::temp_directory_path() /
              (std::string("brennic-") + info->name() + "-" + std::to_string(::getpid()));
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    static std::string readFile(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    static void writeFile(const std::filesystem::path& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }

    std::filesystem::path dir;
};

} // namespace brennic::test
