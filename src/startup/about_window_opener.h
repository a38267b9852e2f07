// The About command's opener, handed to the main window by the program entry:
// there is at most one About window; choosing About again brings it to the front,
// and after it has closed the next one is loaded afresh.
#pragma once

#include <QPointer>

#include "startup/app_facts.h"
#include "startup/frm_about.h"
#include "startup/screen_facts.h"
#include "startup/sys_info.h"
#include "ui/about_opener.h"

namespace brennic::startup {

class AboutWindowOpener final : public ui::AboutOpener {
  public:
    AboutWindowOpener(const AppFacts& facts, const ScreenFacts& screen, SysInfoServices services);
    // Closes an About window still open.
    ~AboutWindowOpener() override;
    AboutWindowOpener(const AboutWindowOpener&) = delete;
    AboutWindowOpener& operator=(const AboutWindowOpener&) = delete;

    void Open() override;
    // The open About window, or null.
    FrmAbout* window() const { return m_window; }

  private:
    AppFacts m_facts;
    ScreenFacts m_screen;
    SysInfoServices m_services;
    QPointer<FrmAbout> m_window;
};

} // namespace brennic::startup
