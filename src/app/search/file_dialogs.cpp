// ShowSaveDialog, StripNull and BrowseForFolder.

#include "app/search/file_dialogs.h"

#include "modify/name_list.h"

#include <QDir>

namespace qln {

QString ShowSaveDialog(Dialogs& dialogs, QWidget* owner, const QString& filter, const QString& title,
                       const QString& initialFolder, const QString& defaultName) {
    return TrimSpaces(dialogs.SaveFile(owner, filter, title, initialFolder, defaultName));
}

QString StripNull(const QString& text) {
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    return nul < 0 ? text : text.left(nul);
}

QString BrowseForFolder(Dialogs& dialogs, QWidget* owner, const QString& title, const QString& initialFolder) {
    return StripNull(dialogs.BrowseFolder(owner, title, initialFolder));
}

QString WithTrailingSeparator(const QString& folder) {
    if (folder.endsWith(QDir::separator()) || folder.endsWith(u'/')) return folder;
    return folder + QDir::separator();
}

QString SpecPromptWithExamples(const QString& extension) {
#ifdef Q_OS_WIN
    const QString one = QStringLiteral("C:\\Dir1\\file???");
    const QString two = QStringLiteral("C:\\My Directory\\a*");
#else
    const QString one = QStringLiteral("/home/me/dir1/file???");
    const QString two = QStringLiteral("/home/me/My Directory/a*");
#endif
    return kSpecPrompt + QStringLiteral("\n\nExamples: ") + one + extension + QStringLiteral(", ") + two + extension;
}

}  // namespace qln
