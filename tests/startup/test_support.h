// Stand-ins for the platform services and the message box, which record what the
// windows ask of them.
#pragma once

#include <QString>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "../platform/test_support.h"
#include "file_lookup.h"
#include "info_box.h"
#include "memory_registry.h"
#include "pause.h"
#include "program_starter.h"
#include "sys_info.h"

namespace brennic::startup::standins {

using platform::test::FakeFiles;
using platform::test::RecordingStarter;

class RecordingInfoBox final : public InfoBox {
  public:
    void Inform(QWidget* parent, const QString& text, const QString& title) override {
        shown.push_back({text, title, parent});
    }
    struct Shown {
        QString text;
        QString title;
        QWidget* parent;
    };
    std::vector<Shown> shown;
};

// Records each pause and runs `during` in it, so a test can look at the windows
// while the start-up is blocked.
class RecordingPause final : public platform::Pause {
  public:
    void Sleep(std::chrono::milliseconds duration) override {
        pauses.push_back(duration);
        if (during)
            during();
    }
    std::vector<std::chrono::milliseconds> pauses;
    std::function<void()> during;
};

// All the About window's services, empty: no registry values, no files.
struct AboutStandIns {
    platform::MemoryRegistry registry;
    FakeFiles files;
    RecordingStarter starter;
    RecordingInfoBox infoBox;
    SysInfoServices services() { return {registry, files, starter, infoBox}; }
};

} // namespace brennic::startup::standins
