#pragma once
// The dialogs of the windows realised with Qt's standard dialogs.

#include "app/dialogs.h"

namespace qln {

class QtDialogs final : public Dialogs {
public:
    Answer Message(QWidget* owner, Icon icon, const QString& title, const QString& text,
                   Buttons buttons = Buttons::Ok) override;
    std::optional<QString> Input(QWidget* owner, const QString& title, const QString& prompt,
                                 const QString& defaultText) override;
    QString OpenFile(QWidget* owner, const QString& filter, const QString& title,
                     const QString& initialFolder) override;
    QString SaveFile(QWidget* owner, const QString& filter, const QString& title, const QString& initialFolder,
                     const QString& defaultName) override;
    QString BrowseFolder(QWidget* owner, const QString& title, const QString& initialFolder) override;
};

}  // namespace qln
