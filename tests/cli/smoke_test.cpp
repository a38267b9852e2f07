#include <gtest/gtest.h>

#include <sstream>

#include "cli.h"

TEST(Cli, Version) {
    std::istringstream in;
    std::ostringstream out, err;
    EXPECT_EQ(brennic::RunCli({"--version"}, in, out, err), 0);
    EXPECT_EQ(out.str(), "brennic-kappa 1.0.2\n");
}
