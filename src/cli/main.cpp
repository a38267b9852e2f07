// brennic-kappa: Cohen's kappa and its companions for one error matrix.
#include <cstdio>
#include <iostream>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "cli/cli.h"
#ifndef _WIN32
#include "cli/map_companion.h"
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
    // Standard output carries the result file's bytes, whose CR LF line ends are
    // the program's own: a text-mode stream would turn each into CR CR LF.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    std::ios::sync_with_stdio(false);
    std::vector<std::string> args(argv + 1, argv + argc);
#ifdef _WIN32
    return brennic::RunCli(args, stdin, std::cout, std::cerr);
#else
    // --map is counted by the companion program beside this one, which links GDAL.
    brennic::CompanionMapCounting maps(args);
    return brennic::RunCli(args, stdin, std::cout, std::cerr, &maps);
#endif
}
