// Stand-ins for the platform services and the message box, which record what the
// windows ask of them.
#pragma once

#include <QString>
#include <functional>
#include <vector>

#include "../platform/test_support.h"
#include "platform/pause.h"
#include "startup/info_box.h"
#include "startup/sys_info.h"

namespace brennic::startup::standins {

struct Shown {
    QString text, title;
    QWidget* parent;
};

// Records each pause and runs `during` in it, so a test can look at the windows
// while the start-up is blocked.
struct RecordingPause final : platform::Pause {
    void Sleep(std::chrono::milliseconds duration) override {
        pauses.push_back(duration);
        if (during)
            during();
    }
    std::vector<std::chrono::milliseconds> pauses;
    std::function<void()> during;
};

// All the About window's services, empty: no registry values, no files; the
// message box records.
struct AboutStandIns : InfoBox {
    void Inform(QWidget* parent, const QString& text, const QString& title) override {
        shown.push_back({text, title, parent});
    }
    platform::test::TestRegistry registry;
    platform::test::FakeFiles files;
    platform::test::RecordingStarter starter;
    std::vector<Shown> shown;
    SysInfoServices services() { return {registry, files, starter, *this}; }
};

} // namespace brennic::startup::standins
