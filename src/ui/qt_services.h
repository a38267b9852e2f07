// The real dialogs and desktop services behind the main window's interfaces.
#pragma once

#include "ui/services.h"

namespace brennic::ui {

class QtMessageBoxes : public MessageBoxes {
  public:
    void Show(const QString& prompt, const QString& title, Icon icon) override;
};

class QtSaveDialog : public SaveDialog {
  public:
    std::optional<QString> AskSavePath(const QString& directory, const QStringList& filters,
                                       int selectedFilter) override;
};

class QuitProgramExit : public ProgramExit {
  public:
    void Exit() override;
};

} // namespace brennic::ui
