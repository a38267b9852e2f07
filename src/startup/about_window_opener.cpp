// Loading the About window, or raising the one already open.
#include "startup/about_window_opener.h"

namespace brennic::startup {

AboutWindowOpener::AboutWindowOpener(const AppFacts& facts, const ScreenFacts& screen,
                                     SysInfoServices services)
    : m_facts(facts), m_screen(screen), m_services(services) {}

AboutWindowOpener::~AboutWindowOpener() {
    delete m_window.data();
}

void AboutWindowOpener::Open() {
    if (m_window.isNull())
        m_window = new FrmAbout(m_facts, m_screen, m_services);
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

} // namespace brennic::startup
