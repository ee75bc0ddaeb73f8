// QtDialogs: QMessageBox, QInputDialog and QFileDialog behind the Dialogs interface.

#include "app/qt_dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace qln {

namespace {

QMessageBox::Icon BoxIcon(Dialogs::Icon icon) {
    switch (icon) {
        case Dialogs::Icon::Information: return QMessageBox::Information;
        case Dialogs::Icon::Warning: return QMessageBox::Warning;
        case Dialogs::Icon::Critical: return QMessageBox::Critical;
        case Dialogs::Icon::Question: return QMessageBox::Question;
        case Dialogs::Icon::None: break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

Dialogs::Answer QtDialogs::Message(QWidget* owner, Icon icon, const QString& title, const QString& text,
                                   Buttons buttons) {
    QMessageBox::StandardButtons standard = QMessageBox::Ok;
    QMessageBox::StandardButton escape = QMessageBox::Ok;
    switch (buttons) {
        case Buttons::Ok: break;
        case Buttons::OkCancel: standard = QMessageBox::Ok | QMessageBox::Cancel; escape = QMessageBox::Cancel; break;
        case Buttons::YesNo: standard = QMessageBox::Yes | QMessageBox::No; escape = QMessageBox::No; break;
        case Buttons::YesNoCancel:
            standard = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
            escape = QMessageBox::Cancel;
            break;
    }
    QMessageBox box(BoxIcon(icon), title, text, standard, owner);
    box.setEscapeButton(escape);
    switch (box.exec()) {
        case QMessageBox::Ok: return Answer::Ok;
        case QMessageBox::Yes: return Answer::Yes;
        case QMessageBox::No: return Answer::No;
        default: break;
    }
    return Answer::Cancel;
}

std::optional<QString> QtDialogs::Input(QWidget* owner, const QString& title, const QString& prompt,
                                        const QString& defaultText) {
    QInputDialog dialog(owner);
    dialog.setWindowTitle(title);
    dialog.setLabelText(prompt);
    dialog.setTextValue(defaultText);
    // Wide enough for its whole title and for a long path without scrolling.
    const QFontMetrics metrics(dialog.font());
    dialog.setMinimumWidth(qMax(metrics.horizontalAdvance(title) + 160,
                                qMin(metrics.horizontalAdvance(defaultText) + 80, 720)));
    dialog.resize(qMax(dialog.minimumWidth(), 460), dialog.sizeHint().height());
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.textValue();
}

QString QtDialogs::OpenFile(QWidget* owner, const QString& filter, const QString& title,
                            const QString& initialFolder) {
    // getOpenFileName only accepts files that exist.
    return QDir::toNativeSeparators(QFileDialog::getOpenFileName(owner, title, initialFolder, QtNameFilter(filter)));
}

QString QtDialogs::SaveFile(QWidget* owner, const QString& filter, const QString& title,
                            const QString& initialFolder, const QString& defaultName) {
    QString start = initialFolder;
    if (!defaultName.isEmpty()) start = start.isEmpty() ? defaultName : QDir(initialFolder).filePath(defaultName);
    // getSaveFileName asks before it lets the user pick a file that exists.
    return QDir::toNativeSeparators(QFileDialog::getSaveFileName(owner, title, start, QtNameFilter(filter)));
}

QString QtDialogs::BrowseFolder(QWidget* owner, const QString& title, const QString& initialFolder) {
    return QDir::toNativeSeparators(QFileDialog::getExistingDirectory(owner, title, initialFolder));
}

}  // namespace qln
