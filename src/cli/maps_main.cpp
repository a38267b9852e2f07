// brennic-kappa-maps: brennic-kappa's own command line with map reading, which
// brennic-kappa starts in its place for --map.
#include <cstdio>
#include <iostream>

#include <unistd.h>

#include "cli/cli.h"
#include "cli/gdal_map_counting.h"

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    std::vector<std::string> args(argv + 1, argv + argc);
    brennic::GdalMapCounting maps(std::cerr, isatty(STDERR_FILENO) != 0);
    return brennic::RunCli(args, stdin, std::cout, std::cerr, &maps);
}
