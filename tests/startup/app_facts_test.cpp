// The version text the splash and About windows show.
#include <gtest/gtest.h>

#include "app_facts.h"

using brennic::startup::AppFacts;
using brennic::startup::VersionText;

TEST(VersionText, WritesTheNumbersWithoutPadding) {
    struct Row {
        const char* name;
        AppFacts facts;
        const char* expected;
    };
    const Row rows[] = {
        {"this_release", brennic::startup::kAppFacts, "Version 1.0.2"},
        {"minor_ten", {"Brennic", 1, 10, 2}, "Version 1.10.2"},
        {"large_numbers", {"Brennic", 12, 345, 6789}, "Version 12.345.6789"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(VersionText(row.facts).toStdString(), row.expected);
    }
    EXPECT_STREQ(brennic::startup::kAppFacts.title, "Brennic");
}
