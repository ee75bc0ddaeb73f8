// SystemDesktop: QDesktopServices, and Notepad on Windows.

#include "app/desktop.h"

#include <QApplication>
#include <QDesktopServices>
#include <QProcess>
#include <QSystemTrayIcon>
#include <QWidget>

namespace qln {

bool SystemDesktop::OpenInTextEditor(const QString& path) {
#ifdef Q_OS_WIN
    return QProcess::startDetached(QStringLiteral("notepad.exe"), {path});
#else
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
#endif
}

bool SystemDesktop::OpenUrl(const QUrl& url) { return QDesktopServices::openUrl(url); }

void SystemDesktop::Notify(QWidget* window, const QString& title, const QString& text) {
    QApplication::alert(window);
    if (!QSystemTrayIcon::isSystemTrayAvailable() || !QSystemTrayIcon::supportsMessages()) return;
    // One icon for the program's lifetime, shown only while a message needs it.
    static QSystemTrayIcon* tray = [] {
        auto* icon = new QSystemTrayIcon(QApplication::windowIcon(), qApp);
        QObject::connect(icon, &QSystemTrayIcon::messageClicked, icon, &QSystemTrayIcon::hide);
        return icon;
    }();
    tray->show();
    tray->showMessage(title, text, QSystemTrayIcon::Information, 8000);
}

}  // namespace qln
