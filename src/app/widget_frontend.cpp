// WidgetFrontend: what the runs show, in the main window.

#include "app/widget_frontend.h"

#include "app/desktop.h"
#include "app/dialogs.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QUrl>

namespace qln {

WidgetFrontend::WidgetFrontend(QWidget* owner, QLabel* status, QProgressBar* progress, Dialogs& dialogs,
                               Desktop& desktop)
    : owner_(owner), status_(status), progress_(progress), dialogs_(dialogs), desktop_(desktop) {
    if (progress_) progress_->hide();
    pending_.setSingleShot(true);
    QObject::connect(&pending_, &QTimer::timeout, [this] { ShowPending(); });
}

WidgetFrontend::~WidgetFrontend() {
    // A run that ended without switching the pointer back leaves no busy pointer behind.
    while (busyDepth_ > 0) {
        QApplication::restoreOverrideCursor();
        --busyDepth_;
    }
}

void WidgetFrontend::SetStatus(const QString& text) {
    if (!status_) return;
    // A lasting text replaces whatever transient one waits.
    statusPending_ = false;
    status_->setText(text);
    status_->repaint();
}

void WidgetFrontend::SetTransientStatus(const QString& text) {
    pendingStatus_ = text;
    statusPending_ = true;
    if (IntervalPassed()) ShowPending();
    else if (!pending_.isActive()) pending_.start();
}

void WidgetFrontend::ShowPending() {
    pending_.stop();
    shown_.start();
    if (statusPending_ && status_) {
        statusPending_ = false;
        status_->setText(pendingStatus_);
        status_->repaint();
    }
    if (pendingDone_ >= 0 && progress_ && progress_->isVisible()) {
        progress_->setValue(pendingDone_);
        progress_->setToolTip(pendingItem_);
        pendingDone_ = -1;
        progress_->repaint();
    }
}

void WidgetFrontend::MessageBox(Icon icon, const QString& title, const QString& text, bool systemModal) {
    // Qt has no box above every application; a box owned by no window is the closest.
    dialogs_.Message(systemModal ? nullptr : owner_.data(), icon, title, text);
}

void WidgetFrontend::Beep() { QApplication::beep(); }

void WidgetFrontend::SetBusy(bool busy) {
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        ++busyDepth_;
    } else if (busyDepth_ > 0) {
        QApplication::restoreOverrideCursor();
        if (--busyDepth_ == 0 && progress_) progress_->hide();
    }
}

void WidgetFrontend::ProcessEvents() {
    if (yieldInterval_ > 0 && yielded_.isValid() && yielded_.elapsed() < yieldInterval_) return;
    yielded_.start();
    QCoreApplication::processEvents();
}

bool WidgetFrontend::OpenWithDefaultProgram(const QString& path) {
    return desktop_.OpenUrl(QUrl::fromLocalFile(path));
}

void WidgetFrontend::Progress(int done, int total, const QString& item) {
    if (!progress_) return;
    if (total >= 0 && done >= total) {
        pendingDone_ = -1;
        progress_->hide();
        return;
    }
    const int maximum = total < 0 ? 0 : total;
    // A bar that comes up, or changes its total, shows at once; the count within a run moves at most
    // every tenth of a second.
    if (progress_->isVisible() && progress_->maximum() == maximum && !IntervalPassed()) {
        if (total >= 0) pendingDone_ = done;
        pendingItem_ = item;
        if (!pending_.isActive()) pending_.start();
        return;
    }
    if (total < 0) {
        // Unknown total: a bar that only shows that work goes on.
        progress_->setRange(0, 0);
    } else {
        // The drawings done of all the run's drawings.
        progress_->setRange(0, total);
        progress_->setValue(done);
        progress_->setFormat(QStringLiteral("%v of %m"));
    }
    progress_->setToolTip(item);
    progress_->show();
    progress_->repaint();
    shown_.start();
}

}  // namespace qln
