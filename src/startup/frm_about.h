// frmAbout, the About window: the program's title, version, description and
// disclaimer, OK to close it (also Return and Escape) and System Info to start
// the system-information tool.
#pragma once

#include <QDialog>
#include <vector>

#include "startup/app_facts.h"
#include "startup/screen_facts.h"
#include "startup/sys_info.h"

class QLabel;
class QPushButton;

namespace brennic::startup {

class FrmAbout : public QDialog {
    Q_OBJECT
  public:
    // A window of its own, without a parent, so that it keeps the program running
    // while it is open; it is deleted when it closes.
    FrmAbout(const AppFacts& facts, const ScreenFacts& screen, SysInfoServices services);

    void Ok();
    void SysInfo();

  protected:
    void changeEvent(QEvent* event) override;

  private:
    void createWidgets(double logicalDpi);
    void keepInksReadable();
    void load();

    AppFacts m_facts;
    SysInfoServices m_services;
    QLabel* m_lblTitle = nullptr;
    QLabel* m_lblVersion = nullptr;
    QPushButton* m_cmdOK = nullptr;
    QPushButton* m_cmdSysInfo = nullptr;
    std::vector<QLabel*> m_inkedLabels; // the texts whose colour the design fixes
};

} // namespace brennic::startup
