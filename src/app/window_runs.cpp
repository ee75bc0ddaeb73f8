// WindowRuns: the main window's inputs handed to the runs, and the window left as each run leaves it.

#include "app/window_runs.h"

#include "runs/batch_run.h"
#include "app/dialogs.h"
#include "runs/drawing_list_run.h"
#include "runs/file_utils.h"
#include "app/main_window.h"
#include "runs/report_command.h"
#include "host/text_files.h"

#include <QEvent>
#include <QListWidget>

#include <utility>

namespace qln {

WindowRuns::WindowRuns(Form1& window) : QObject(&window), window_(window) {
    connect(&window_, &Form1::modifyRequested, this, &WindowRuns::Modify);
    connect(&window_, &Form1::drawingListRequested, this, &WindowRuns::RunDrawingList);
    connect(&window_, &Form1::drawingReportRequested, this, &WindowRuns::Report);
    connect(&window_, &Form1::stopRequested, this, &WindowRuns::Stop);
    window_.installEventFilter(this);
}

WindowRuns* ConnectRuns(Form1& window) { return new WindowRuns(window); }

void WindowRuns::Begin() {
    stop_ = false;
    window_.SetRunning(true);
}

void WindowRuns::Stop() {
    if (!window_.IsRunning() || stop_) return;
    stop_ = true;
    window_.SetStatus(QStringLiteral("Stopping after the current drawing..."));
}

void WindowRuns::End(bool endProgram) {
    window_.SetRunning(false);
    if (!endProgram && !closeAfterRun_) window_.NotifyRunEnded(window_.Status());
    const bool close = std::exchange(closeAfterRun_, false);
    if (endProgram) window_.EndProgram();
    else if (close) window_.close();
}

bool WindowRuns::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &window_ && event->type() == QEvent::Close && window_.IsRunning()) {
        event->ignore();
        if (closeAfterRun_) return true;
        // Asked first; then the run stops after its current drawing, so that no drawing is left half
        // done, the logs say the run was stopped, and the window closes when the run has ended.
        const auto answer = window_.Context().dialogs.Message(
            &window_, Dialogs::Icon::Question, Form1::kApplicationTitle,
            QStringLiteral("A run is in progress. Stop it after the current drawing and exit?"), Dialogs::Buttons::YesNo);
        if (answer != Dialogs::Answer::Yes || !window_.IsRunning()) return true;
        closeAfterRun_ = true;
        Stop();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void WindowRuns::Modify() {
    if (window_.IsRunning()) return;
    WindowContext& context = window_.Context();

    BatchRunInput input;
    // With no template selected the path ends in the separator, and the template cannot be read.
    const QList<QListWidgetItem*> templates = window_.TemplateList()->selectedItems();
    input.templatePath =
        Form1::FolderPrefix(window_.TemplateFolder()) + (templates.isEmpty() ? QString() : templates.first()->text());
    const QString folder = window_.DrawingFolder();
    const QListWidget* drawings = window_.DrawingList();
    for (int i = 0; i < drawings->count(); ++i) {
        if (drawings->item(i)->isSelected()) input.drawings.append({folder, drawings->item(i)->text()});
    }
    input.delimiter = window_.Delimiter();
    input.audit = window_.AuditEnabled();
    if (!DelimiterFitsTemplate(input.templatePath, input.delimiter)) return;

    Begin();
    BatchRun run(context.hostClass, context.state, window_.UserInterface());
    run.SetStopFlag(&stop_);
    const BatchRunResult result = run.Run(input);
    // A run that reached the drawings leaves none selected; one stopped by the host or the template
    // keeps the selection for the next try.
    if (result.templateRead) window_.ClearDrawingSelection();
    window_.ShowRunOutcome(result.failed, result.errors && result.failed == 0 && !result.stopped);
    End(false);
}

bool WindowRuns::DelimiterFitsTemplate(const QString& templatePath, const QString& delimiter) {
    if (delimiter == QLatin1String(",")) return true;
    const std::optional<QStringList> lines = ReadTextLines(templatePath);
    if (!lines) return true;  // the run reports a template it cannot read
    // The command lines: after "*COMMANDS", neither blank nor a comment.
    bool commands = false;
    bool withComma = false;
    for (const QString& raw : *lines) {
        const QString line = raw.trimmed();
        if (line.startsWith(u'*')) {
            commands = line.compare(QLatin1String("*COMMANDS"), Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!commands || line.isEmpty() || line.startsWith(u'\'')) continue;
        // One command that uses the delimiter: the template was written for it.
        if (line.contains(delimiter)) return true;
        withComma = withComma || line.contains(u',');
    }
    if (!withComma) return true;
    // Commands written with "," and a delimiter of another character would do nothing at all.
    const auto answer = window_.Context().dialogs.Message(
        &window_, Dialogs::Icon::Question, Form1::kApplicationTitle,
        QStringLiteral("The template's commands are separated by \",\", but the delimiter is \"") + delimiter +
            QStringLiteral("\": they would change nothing.\n\nRun it anyway?"),
        Dialogs::Buttons::YesNo);
    return answer == Dialogs::Answer::Yes;
}

void WindowRuns::RunDrawingList() {
    if (window_.IsRunning()) return;
    WindowContext& context = window_.Context();

    // A list file named on the command line goes first; after it the button asks for one.
    QString path = window_.PendingCommandLinePath();
    const bool fromCommandLine = !path.isEmpty();
    if (!fromCommandLine) {
        path = ShowOpenDialog(context.dialogs, &window_, QStringLiteral("DLF Files (*.dlf)|*.dlf|All Files (*.*)|*.*"),
                              QStringLiteral("Open Drawing List File"), context.programFolder);
        if (path.isEmpty()) return;
    }

    Begin();
    DrawingListRun run(context.hostClass, context.state, window_.UserInterface());
    run.SetDelimiter(window_.Delimiter());
    run.SetAudit(window_.AuditEnabled());
    run.SetStopFlag(&stop_);
    const DrawingListRunResult result = run.Run(path, fromCommandLine);
    if (fromCommandLine) window_.ClearPendingCommandLinePath();
    window_.ShowRunOutcome(result.failures, result.errors && result.failures == 0);
    End(result.endProgram);
}

void WindowRuns::Report(const QString& name) {
    if (window_.IsRunning()) return;
    WindowContext& context = window_.Context();
    const QString folder = window_.DrawingFolder();
    window_.SetCurrentDrawing(name, JoinPath(folder, name));

    Begin();
    ReportCommand report(context.hostClass, context.state, window_.UserInterface());
    report.SetAttributes(true);
    const ReportResult result = report.Run(folder, name);
    // Kept when the host could not be started, emptied otherwise.
    if (result.hostStarted) window_.SetCurrentDrawing(QString(), QString());
    End(false);
}

}  // namespace qln
