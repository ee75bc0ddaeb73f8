#pragma once
// The save-file dialog and the folder browser of the search windows, asked through the dialogs seam.

#include "app/dialogs.h"

#include <QString>

class QWidget;

namespace qln {

// The save-file dialog: `filter` pairs display names and patterns with "|" ("Text Files
// (*.txt)|*.txt|All Files (*.*)|*.*"), `defaultName` is the file name offered in `initialFolder`.
// The chosen path with blanks trimmed from both ends, or "" when the dialog was cancelled. The dialog
// asks before it lets the user pick a file that exists.
QString ShowSaveDialog(Dialogs& dialogs, QWidget* owner, const QString& filter, const QString& title,
                       const QString& initialFolder, const QString& defaultName);

// The text up to its first NUL character, or the whole text when it holds none.
QString StripNull(const QString& text);

// The folder browser, opened at `initialFolder`: the chosen folder as the platform gives it (a drive
// root ends with a separator, other folders do not), or "" when the user cancels.
QString BrowseForFolder(Dialogs& dialogs, QWidget* owner, const QString& title, const QString& initialFolder);

// The folder followed by a separator, unless it already ends with one.
QString WithTrailingSeparator(const QString& folder);

// The title of the folder browser and the prompts that ask for a folder and file pattern, shared by
// the Find Text window and the File Specifications window.
inline const QString kBrowseTitle = QStringLiteral("Select a directory where DWG files exist");
inline const QString kAddSpecTitle = QStringLiteral("Add File Specification");
inline const QString kSpecPrompt = QStringLiteral("File Specification");
// The prompt with examples in this platform's form and of the host's drawings (`extension`, ".dwg"):
// "Examples: C:\Dir1\file???.dwg, C:\My Directory\a*.dwg" on Windows, "/dir1/file???.dxf, ..." elsewhere.
QString SpecPromptWithExamples(const QString& extension);

}  // namespace qln
