// SystemDesktop: QDesktopServices, and Notepad on Windows.

#include "app/desktop.h"

#include <QDesktopServices>
#include <QProcess>

namespace qln {

bool SystemDesktop::OpenInTextEditor(const QString& path) {
#ifdef Q_OS_WIN
    return QProcess::startDetached(QStringLiteral("notepad.exe"), {path});
#else
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
#endif
}

bool SystemDesktop::OpenUrl(const QUrl& url) { return QDesktopServices::openUrl(url); }

}  // namespace qln
