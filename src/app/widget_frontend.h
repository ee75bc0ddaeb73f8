#pragma once
// The main window's realisation of the frontend: the status line Label4 (repainted at once), message
// boxes through the dialogs, the system beep, the application's busy pointer, event processing, the
// desktop's default programs, and a progress bar beside the status line that shows only while a run
// reports progress.

#include "host/frontend.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>

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

    // How often transient texts and the bar's count may change, in milliseconds; 0 for every change.
    void SetUpdateInterval(int milliseconds) {
        interval_ = milliseconds;
        pending_.setInterval(milliseconds);
    }

    // How often the runs' yields let the window handle its events, in milliseconds; 0 for every yield.
    // The engines yield after every object of a drawing, far more often than a person can click.
    void SetYieldInterval(int milliseconds) { yieldInterval_ = milliseconds; }

    void SetStatus(const QString& text) override;
    // What goes on now ("Processing ...") changes with every drawing: shown at most every tenth of a
    // second, the latest one last, so that a run does not spend its time painting texts no one can read.
    void SetTransientStatus(const QString& text) override;
    void MessageBox(Icon icon, const QString& title, const QString& text, bool systemModal = false) override;
    void Beep() override;
    void SetBusy(bool busy) override;
    void ProcessEvents() override;
    bool OpenWithDefaultProgram(const QString& path) override;
    void Progress(int done, int total, const QString& item) override;

private:
    // Shows the latest transient text and bar value now, and restarts the interval.
    void ShowPending();
    bool IntervalPassed() const { return interval_ <= 0 || !shown_.isValid() || shown_.elapsed() >= interval_; }

    QPointer<QWidget> owner_;
    QPointer<QLabel> status_;
    QPointer<QProgressBar> progress_;
    Dialogs& dialogs_;
    Desktop& desktop_;
    int busyDepth_ = 0;
    int interval_ = 0;
    int yieldInterval_ = 0;
    QElapsedTimer yielded_;
    QElapsedTimer shown_;
    QTimer pending_;
    QString pendingStatus_;
    bool statusPending_ = false;
    int pendingDone_ = -1;
    QString pendingItem_;
};

}  // namespace qln
