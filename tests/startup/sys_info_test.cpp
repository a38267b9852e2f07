// StartSysInfo's message: shown, titled and placed over the About window, for
// every way the lookup (tested in tests/platform) ends without a started tool.
#include <QWidget>
#include <gtest/gtest.h>

#include "test_support.h"

using namespace brennic::startup;
using namespace brennic::platform;

TEST(StartSysInfo, SaysTheToolIsUnavailableUnlessItStarted) {
    const std::vector<std::uint8_t> program{'C', ':', '\\', 'm', 's', 'i', '.', 'e', 'x', 'e', 0};
    const struct {
        const char* name;
        bool registered;
        bool starterSucceeds;
        bool expectedMessage;
    } rows[] = {
        {"started", true, true, false},
        {"cannot_start", true, false, true},
        {"not_registered", false, true, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        standins::AboutStandIns standIns;
        if (row.registered)
            standIns.registry.SetValue(kHkeyLocalMachine, kSysInfoKey, kSysInfoValue, kRegSz,
                                       program);
        standIns.starter.succeeds = row.starterSucceeds;
        QWidget parent;

        StartSysInfo(standIns.services(), QStringLiteral("Brennic"), &parent);

        ASSERT_EQ(standIns.infoBox.shown.size(), row.expectedMessage ? 1u : 0u);
        if (row.expectedMessage) {
            EXPECT_EQ(standIns.infoBox.shown[0].text,
                      QStringLiteral("System Information Is Unavailable At This Time"));
            EXPECT_EQ(standIns.infoBox.shown[0].title, QStringLiteral("Brennic"));
            EXPECT_EQ(standIns.infoBox.shown[0].parent, &parent);
        }
    }
}
