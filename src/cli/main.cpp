// brennic-kappa: Cohen's kappa and its companions for one error matrix.
#include <iostream>

#include "cli.h"

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    std::vector<std::string> args(argv + 1, argv + argc);
    return brennic::RunCli(args, std::cin, std::cout, std::cerr);
}
