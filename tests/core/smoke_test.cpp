#include <gtest/gtest.h>

#include "run.h"

TEST(CoreRun, WorkedExampleInMemory) {
    const char* cells[3][3] = {{"20", "5", "0"}, {"3", "15", "2"}, {"2", "5", "48"}};
    auto run = brennic::RunKappaInMemory(3, [&](int r, int c) { return cells[r - 1][c - 1]; }, '.');
    EXPECT_EQ(run.bytes, "\"PC\",\"PO\",\"KAPPA\",\"LO-95% CI\",\"HI-95% CI\",\"SE\",\"Z\"\r\n"
                         " 0.3875  0.83  0.722448979591837  0.599793371618005  0.845104587565668 "
                         " 0.0795394908975717  9.0828967024969 \r\n");
}
