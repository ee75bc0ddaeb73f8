#pragma once
// The main window's realisation of the frontend: the status line Label4 (repainted at once), message
// boxes through the dialogs, the system beep, the application's busy pointer, event processing, the
// desktop's default programs, and a progress bar beside the status line that shows only while a run
// reports progress.

#include "host/frontend.h"

#include <QPointer>

class QLabel;
class QProgressBar;
class QWidget;

namespace qln {

class Desktop;
class Dialogs;

class WidgetFrontend final : public Frontend {
public:
    WidgetFrontend(QWidget* owner, QLabel* status, QProgressBar* progress, Dialogs& dialogs, Desktop& desktop);
    ~WidgetFrontend() override;

    void SetStatus(const QString& text) override;
    void MessageBox(Icon icon, const QString& title, const QString& text, bool systemModal = false) override;
    void Beep() override;
    void SetBusy(bool busy) override;
    void ProcessEvents() override;
    bool OpenWithDefaultProgram(const QString& path) override;
    void Progress(int done, int total, const QString& item) override;

private:
    QPointer<QWidget> owner_;
    QPointer<QLabel> status_;
    QPointer<QProgressBar> progress_;
    Dialogs& dialogs_;
    Desktop& desktop_;
    int busyDepth_ = 0;
};

}  // namespace qln
