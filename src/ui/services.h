// What the main window needs from outside itself: message boxes, the save dialog,
// ending the program. Each is an interface so that
// tests drive the real window with stand-ins and no dialog ever stays open.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace brennic::ui {

class MessageBoxes {
  public:
    enum class Icon { Critical, Warning, Information };
    virtual ~MessageBoxes() = default;
    // A modal box with an OK button only; returns when the user has closed it.
    virtual void Show(const QString& prompt, const QString& title, Icon icon) = 0;
};

class SaveDialog {
  public:
    virtual ~SaveDialog() = default;
    // Asks for a file to save to, opening in `directory` with the file-type list
    // `filters` ("Description (*.ext)" each) and `selectedFilter` (from 0) chosen.
    // Does not ask before replacing a file and adds no suffix. Nothing on Cancel.
    virtual std::optional<QString> AskSavePath(const QString& directory, const QStringList& filters,
                                               int selectedFilter) = 0;
};

class ProgramExit {
  public:
    virtual ~ProgramExit() = default;
    // Ends the program at once, whatever windows are open.
    virtual void Exit() = 0;
};

} // namespace brennic::ui
