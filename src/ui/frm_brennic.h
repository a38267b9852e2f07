// frmBrennic, the main window: the user sizes the grid, types the error matrix
// into it cell by cell and runs the computation.
//
// How a run flows: Do It reads the grid's cell texts one by one (moving the grid's
// current cell as it goes) -> the core checks them, makes Result.txt new and
// computes the seven figures -> the figures are appended to Result.txt -> the
// status bar names the file and "Output file" shows it. Nothing is kept between
// runs but the state record and the file.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <optional>
#include <string>

#include "ui/main_window_state.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace brennic {
class FileSystem;
}

namespace brennic::platform {
class ProgramStarter;
}

namespace brennic::ui {

// The title of every message about what the user typed.
inline constexpr QLatin1String InputErrorTitle{"Error in your input"};

class AboutOpener;
class FlexGrid;
class HelpWindow;
class MessageBoxes;
class ProgramExit;
class SaveDialog;
class StatusBar;
class UpDown;

// Everything the window reaches outside itself, handed in by the program entry.
struct FrmBrennicServices {
    MessageBoxes& messages;
    SaveDialog& saveDialog;
    ProgramExit& programExit;
    platform::ProgramStarter& starter;
    AboutOpener* about = nullptr;
    std::string programDirectory; // where Result.txt and the help live
    char decimalSeparator = '.';  // of the user's number format
    double logicalDpi = 96.0;     // turns the designed twips into pixels
    FileSystem* files = nullptr;  // Result.txt and saved copies; the system's if none
};

class FrmBrennic : public QMainWindow {
    Q_OBJECT
  public:
    explicit FrmBrennic(FrmBrennicServices services, QWidget* parent = nullptr);
    ~FrmBrennic() override;

    const MainWindowState& state() const { return m_state; }

    // The commands, as the widgets and menus call them.
    void Apply();
    void EnterCommand();
    void TimerStep();
    void DoIt();
    void OutputView();
    void InputView();
    void SaveAs();
    void HowTo();
    void Exit();
    void About();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void createWidgets();
    void createMenus();
    void createTimer();
    void setTabOrder();
    void loadStep();
    void placeStatusBar();
    void coverInputControls(bool covered);
    void showInputError(const QString& prompt);
    bool sizeBoxNumber(double& number) const;
    FileSystem& files() const;
    void noteSizeTyped(const QString& text) { m_typedSize = text; }

    FrmBrennicServices m_services;
    MainWindowState m_state;
    // Result.txt holds both lines of the last run that reached it: a later run
    // that makes it new and stops before its values clears this.
    bool m_resultsWritten = false;
    std::optional<QString> m_typedSize; // what the user typed into Text1 since the last tick

    QWidget* m_client = nullptr;
    QLabel* m_label1 = nullptr;
    QLineEdit* m_text1 = nullptr;
    UpDown* m_upDown1 = nullptr;
    FlexGrid* m_grid = nullptr;
    QLineEdit* m_txtInput = nullptr;
    QPushButton* m_cmdEnter = nullptr;
    QPushButton* m_cmdApply = nullptr;
    QPushButton* m_cmdDoIt = nullptr;
    StatusBar* m_statusBar1 = nullptr;
    QPlainTextEdit* m_rtfBox = nullptr;
    QTimer* m_timer1 = nullptr;
    QPointer<HelpWindow> m_helpWindow; // How-to's own window, while it is open

    QAction* m_mnuFileSaveAs = nullptr;
    QAction* m_mnuFileExit = nullptr;
    QAction* m_mnuViewInput = nullptr;
    QAction* m_mnuViewOutput = nullptr;
    QAction* m_mnuHelpHowto = nullptr;
    QAction* m_mnuAbout = nullptr;
};

} // namespace brennic::ui
