// brennic-kappa run as a process, as scripts use it, through the system's
// command interpreter: sh, or cmd.exe on Windows.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>
#ifndef _WIN32
#include <sys/wait.h>
#endif

#include "../core/test_support.h"
#include "../text_width.h"

namespace brennic::test {

// cmd.exe knows only double quotes.
#ifdef _WIN32
constexpr char Quote = '"';
#else
constexpr char Quote = '\'';
#endif

// The build's absolute paths are drive-relative for a Windows program: made
// whole, with Windows separators.
inline std::string nativePath(const char* path) {
    return std::filesystem::absolute(path).make_preferred().string();
}

struct KappaOutcome {
    int status = -1;
    std::string out, err;
};

// A run and what it must give: on success each of `words` on standard output (or
// its one word as the whole output, when `exact`) and nothing on standard error; on
// failure nothing on standard output and one line "brennic-kappa: ..." on standard
// error that holds each of them (or is its one word, when `exact`).
struct KappaRow {
    const char* name;
    std::string args, input;
    int status;
    std::vector<std::string> words;
    bool exact = false;
};

// The number after `"name": ` in a JSON text, after the first `after`.
inline double jsonNumber(const std::string& json, const std::string& name,
                         const std::string& after = "") {
    const std::size_t at = json.find("\"" + name + "\": ", json.find(after));
    EXPECT_NE(at, std::string::npos) << name;
    return at == std::string::npos ? 0.0
                                   : std::strtod(json.c_str() + at + name.size() + 4, nullptr);
}

class KappaProcessTest : public TempDirTest {
  protected:
    // Runs the program with `args`, quoted as for a POSIX shell, and `input` on
    // standard input: the bytes of standard output and of standard error, and
    // the exit status. "{dir}" in the arguments stands for the test's directory.
    KappaOutcome run(const std::string& args, const std::string& input) {
        writeFile(dir / "input", input);
        const auto quote = [](const std::filesystem::path& path) {
            return Quote + path.string() + Quote;
        };
        std::string shellArgs = withDir(args);
        std::replace(shellArgs.begin(), shellArgs.end(), '\'', Quote);
        const std::string command = quote(nativePath(BRENNIC_KAPPA_PATH)) + " " + shellArgs +
                                    " < " + quote(dir / "input") + " > " + quote(dir / "out") +
                                    " 2> " + quote(dir / "err");
#ifdef _WIN32
        // cmd.exe /c drops the first and the last quote of a line that starts with
        // one, so the whole line gets a pair of its own.
        const int status = std::system(('"' + command + '"').c_str());
#else
        const int wait = std::system(command.c_str());
        const int status = WIFEXITED(wait) ? WEXITSTATUS(wait) : -1;
#endif
        return {status, readFile(dir / "out"), readFile(dir / "err")};
    }

    void expectEach(std::initializer_list<KappaRow> rows) {
        for (const KappaRow& row : rows) {
            SCOPED_TRACE(row.name);
            const KappaOutcome outcome = run(row.args, row.input);
            EXPECT_EQ(outcome.status, row.status);
            const std::string& text = row.status == 0 ? outcome.out : outcome.err;
            EXPECT_EQ(row.status == 0 ? outcome.err : outcome.out, "");
            EXPECT_TRUE(row.status == 0 || (text.rfind("brennic-kappa: ", 0) == 0 &&
                                            text.find('\n') == text.size() - 1))
                << "not one error line: " << text;
            for (const std::string& words : row.words)
                EXPECT_TRUE(Has(text, withDir(words)));
            // The whole output; an error line without its end (CR LF on Windows).
            if (row.exact) {
                EXPECT_EQ(row.status == 0 ? text : text.substr(0, text.find_first_of("\r\n")),
                          row.words.at(0));
            }
        }
    }

    std::string withDir(std::string text) const {
        for (std::size_t at; (at = text.find("{dir}")) != std::string::npos;)
            text.replace(at, 5, dir.string());
        return text;
    }
};

} // namespace brennic::test
