// brennic-kappa run as a process, as scripts use it, through the system's
// command interpreter: sh, or cmd.exe on Windows.
#pragma once

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#ifndef _WIN32
#include <sys/wait.h>
#endif

#include "../core/test_support.h"

namespace brennic::test {

struct KappaOutcome {
    int status = -1;
    std::string out, err;
};

class KappaProcessTest : public TempDirTest {
  protected:
    // Runs the program with `args`, quoted as for a POSIX shell, and `input` on
    // standard input: the bytes of standard output and of standard error, and
    // the exit status.
    KappaOutcome run(const std::string& args, const std::string& input) {
        writeFile(dir / "input", input);
        const std::string command = quote(kappaPath()) + " " + shellArgs(args) + " < " +
                                    quote((dir / "input").string()) + " 2> " +
                                    quote((dir / "err").string());
        KappaOutcome outcome;
        FILE* pipe = openPipe(command);
        char buffer[4096];
        for (std::size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            outcome.out.append(buffer, got);
        outcome.status = closePipe(pipe);
        outcome.err = readFile(dir / "err");
        return outcome;
    }

#ifdef _WIN32
    // The build's absolute paths, drive-relative for a Windows program, made
    // whole and with Windows separators for cmd.exe.
    static std::string windowsPath(const char* path) {
        return std::filesystem::absolute(path).make_preferred().string();
    }
    static std::string kappaPath() {
        return windowsPath(BRENNIC_KAPPA_PATH);
    }
    static std::string examplesDir() {
        return windowsPath(BRENNIC_EXAMPLES_DIR);
    }

  private:
    static std::string quote(const std::string& text) {
        return '"' + text + '"';
    }
    // cmd.exe knows only double quotes.
    static std::string shellArgs(std::string args) {
        std::replace(args.begin(), args.end(), '\'', '"');
        return args;
    }
    // cmd.exe /c drops the first and the last quote of a line that starts with
    // one, so the whole line gets a pair of its own. Binary, so that the bytes
    // arrive as the program wrote them.
    static FILE* openPipe(const std::string& command) {
        return _popen(('"' + command + '"').c_str(), "rb");
    }
    static int closePipe(FILE* pipe) {
        return _pclose(pipe);
    }
#else
    static std::string kappaPath() {
        return BRENNIC_KAPPA_PATH;
    }
    static std::string examplesDir() {
        return BRENNIC_EXAMPLES_DIR;
    }

  private:
    static std::string quote(const std::string& text) {
        return "'" + text + "'";
    }
    static std::string shellArgs(const std::string& args) {
        return args;
    }
    static FILE* openPipe(const std::string& command) {
        return popen(command.c_str(), "r");
    }
    static int closePipe(FILE* pipe) {
        const int status = pclose(pipe);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
#endif
};

} // namespace brennic::test
