#pragma once
// Every modal question the windows ask goes through Dialogs, so that window tests can script the
// answers: message boxes with a choice, input boxes, the open and save file dialogs and the folder
// browser. Notices of the runs go through the Frontend instead.
//
// The interface needs QtCore only; the widget realisation is QtDialogs (qt_dialogs.h).

#include "host/frontend.h"

#include <QString>

#include <optional>

class QWidget;

namespace qln {

class Dialogs {
public:
    using Icon = Frontend::Icon;
    enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
    enum class Answer { Ok, Cancel, Yes, No };

    virtual ~Dialogs() = default;

    // A message box; the answer is the button pressed (closing the box answers Cancel, or Ok/No when
    // the box has no Cancel button).
    virtual Answer Message(QWidget* owner, Icon icon, const QString& title, const QString& text,
                           Buttons buttons = Buttons::Ok) = 0;
    // An input box: the text typed, or nothing when cancelled.
    virtual std::optional<QString> Input(QWidget* owner, const QString& title, const QString& prompt,
                                         const QString& defaultText) = 0;
    // The open-file and save-file dialogs. `filter` pairs display names and patterns with "|"
    // ("Text Files (*.txt)|*.txt|All Files (*.*)|*.*"). The chosen path, or "" when cancelled.
    virtual QString OpenFile(QWidget* owner, const QString& filter, const QString& title,
                             const QString& initialFolder) = 0;
    virtual QString SaveFile(QWidget* owner, const QString& filter, const QString& title,
                             const QString& initialFolder, const QString& defaultName) = 0;
    // The folder browser: the chosen folder, or "" when cancelled.
    virtual QString BrowseFolder(QWidget* owner, const QString& title, const QString& initialFolder) = 0;
};

// A "name|pattern|name|pattern" filter in the form Qt's file dialogs take:
// "name (pattern pattern);;name (pattern)". Patterns separated by ";" become blank-separated, "*.*"
// means every file, and a display name that already ends with its patterns in parentheses keeps its
// words but shows the patterns the dialog really applies.
QString QtNameFilter(const QString& filter);

// The open-file dialog of the main window's commands: the chosen path with blanks trimmed from both
// ends, or "" when the dialog was cancelled.
QString ShowOpenDialog(Dialogs& dialogs, QWidget* owner, const QString& filter, const QString& title,
                       const QString& initialFolder);

}  // namespace qln
