// Brennic's entry: builds the real services and hands them to the start-up
// procedure, which shows the splash window and then the main window.
#include <QApplication>
#include <QLocale>

#include "about_window_opener.h"
#include "app_facts.h"
#include "decimal_separator.h"
#include "file_lookup.h"
#include "frm_brennic.h"
#include "info_box.h"
#include "module1.h"
#include "pause.h"
#include "png_picture.h"
#include "program_directory.h"
#include "qt_services.h"
#include "registry.h"
#include "screen_facts.h"
#include "startup_resources.h"
#include "system_program_starter.h"

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
