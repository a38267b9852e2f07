// Brennic's entry: builds the real services and hands them to the start-up
// procedure, which shows the splash window and then the main window.
#include <QApplication>
#include <QLocale>

#include "design/png_picture.h"
#include "platform/file_lookup.h"
#include "platform/pause.h"
#include "platform/program_directory.h"
#include "platform/registry.h"
#include "platform/system_program_starter.h"
#include "startup/about_window_opener.h"
#include "startup/app_facts.h"
#include "startup/info_box.h"
#include "startup/module1.h"
#include "startup/screen_facts.h"
#include "startup/startup_resources.h"
#include "ui/decimal_separator.h"
#include "ui/frm_brennic.h"
#include "ui/qt_services.h"

int main(int argc, char** argv) {
    using namespace brennic;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(startup::BrennicFacts.title));
    startup::InitStartupResources();
    QApplication::setWindowIcon(QIcon(ui::PngPicture(startup::ProgramIconPath())));

    const startup::ScreenFacts screen = startup::PrimaryScreenFacts(app);
    platform::ThreadPause pause;
    platform::SystemProgramStarter starter;
    platform::SystemFileLookup files;
    const std::unique_ptr<platform::Registry> registry = platform::MakeSystemRegistry();
    startup::MessageInfoBox infoBox;
    startup::AboutWindowOpener about(startup::BrennicFacts, screen,
                                     startup::SysInfoServices{*registry, files, starter, infoBox});

    ui::QtMessageBoxes messages;
    ui::QtSaveDialog saveDialog;
    ui::QuitProgramExit programExit;
    const std::string programDirectory = platform::ProgramDirectory();
    const char decimalSeparator = ui::DecimalSeparatorOf(QLocale());

    return startup::RunStartup(screen, pause, [&]() -> QWidget* {
        return new ui::FrmBrennic(ui::FrmBrennicServices{messages, saveDialog, programExit, starter,
                                                         &about, programDirectory, decimalSeparator,
                                                         screen.logicalDpi});
    });
}
