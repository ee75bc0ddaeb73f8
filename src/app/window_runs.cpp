// WindowRuns: the main window's inputs handed to the runs, and the window left as each run leaves it.

#include "app/window_runs.h"

#include "runs/batch_run.h"
#include "app/dialogs.h"
#include "runs/drawing_list_run.h"
#include "runs/file_utils.h"
#include "app/main_window.h"
#include "runs/journal.h"
#include "app/preview_dialog.h"
#include "runs/report_command.h"
#include "runs/undo_run.h"
#include "host/text_files.h"

#include <QDir>
#include <QEvent>
#include <QListWidget>

#include <utility>

namespace qln {

WindowRuns::WindowRuns(Form1& window) : QObject(&window), window_(window) {
    connect(&window_, &Form1::modifyRequested, this, &WindowRuns::Modify);
    connect(&window_, &Form1::drawingListRequested, this, &WindowRuns::RunDrawingList);
    connect(&window_, &Form1::drawingReportRequested, this, &WindowRuns::Report);
    connect(&window_, &Form1::stopRequested, this, &WindowRuns::Stop);
    connect(&window_, &Form1::previewRequested, this, &WindowRuns::Preview);
    connect(&window_, &Form1::undoRequested, this, &WindowRuns::Undo);
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

std::optional<BatchRunInput> WindowRuns::ModifyInput() {
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
    input.safety.journal = window_.JournalEnabled();
    if (!DelimiterFitsTemplate(input.templatePath, input.delimiter)) return std::nullopt;
    return input;
}

void WindowRuns::Modify() {
    if (window_.IsRunning()) return;
    if (const std::optional<BatchRunInput> input = ModifyInput()) RunModify(*input);
}

void WindowRuns::RunModify(const BatchRunInput& input) {
    WindowContext& context = window_.Context();
    Begin();
    BatchRun run(context.hostClass, context.state, window_.UserInterface());
    run.SetStopFlag(&stop_);
    const BatchRunResult result = run.Run(input);
    // A run that reached the drawings leaves none selected; one stopped by the host or the template
    // keeps the selection for the next try.
    if (result.templateRead) window_.ClearDrawingSelection();
    window_.ShowRunOutcome(result.failed, result.errors && result.failed == 0 && !result.stopped);
    if (result.templateRead) ShowJournal(result.record, input.safety.journal);
    End(false);
}

void WindowRuns::Preview() {
    if (window_.IsRunning()) return;
    WindowContext& context = window_.Context();
    const std::optional<BatchRunInput> modify = ModifyInput();
    if (!modify) return;
    // The audit lines of a preview go nowhere here: the table shows the changes.
    std::vector<RunSafety::Change> changes;
    BatchRunInput preview = *modify;
    preview.safety.preview = true;
    preview.safety.previewAudit = nullptr;
    preview.safety.changes = &changes;

    Begin();
    BatchRun run(context.hostClass, context.state, window_.UserInterface());
    run.SetStopFlag(&stop_);
    const BatchRunResult result = run.Run(preview);
    // The selection stays: Modify in the Preview window runs over it.
    window_.ShowRunOutcome(result.failed, result.errors && result.failed == 0 && !result.stopped);
    const bool closing = closeAfterRun_;
    End(false);
    // Without the template or the host there is nothing to show; the status line says why.
    if (!result.templateRead || closing) return;
    PreviewDialog dialog(&window_, window_.Status(), changes);
    // The real run of what was previewed: the same selection and options, the delimiter question
    // already answered.
    if (dialog.exec() == QDialog::Accepted && !window_.IsRunning()) RunModify(*modify);
}

void WindowRuns::ShowJournal(const RunRecordSummary& record, bool asked) {
    if (!record.journalId.isEmpty()) {
        window_.ShowJournalNote(
            QStringLiteral("Journal kept."),
            QStringLiteral("Run %1: the previous versions of %2 drawing(s), %3 KB. Run > Undo Last Run puts them back.")
                .arg(record.journalId)
                .arg(record.journalDrawings)
                .arg((record.journalBytes + 1023) / 1024));
    } else if (asked && !record.journalProblem.isEmpty()) {
        window_.ShowJournalNote(QStringLiteral("No journal."), record.journalProblem);
    }
}

void WindowRuns::Undo() {
    if (window_.IsRunning()) return;
    WindowContext& context = window_.Context();
    const QString journals = JournalFolder(context.state.journalFolder);
    const QList<JournalInfo> runs = ListJournals(journals);
    if (runs.isEmpty()) {
        context.dialogs.Message(&window_, Dialogs::Icon::Information, Form1::kApplicationTitle,
                                QStringLiteral("There is no run to undo: no journal is kept in ") +
                                    QDir::toNativeSeparators(journals) + u'.');
        return;
    }
    const JournalInfo& last = runs.last();
    const QString what = last.kind == QLatin1String("modify") ? QStringLiteral("Template: ")
                         : last.kind == QLatin1String("run")  ? QStringLiteral("Drawing list file: ")
                         : last.kind == QLatin1String("undo") ? QStringLiteral("Undo of run ")
                                                              : last.kind + QStringLiteral(": ");
    const QString source = last.kind == QLatin1String("undo") ? last.source : QDir::toNativeSeparators(last.source);
    QString question = QStringLiteral("Undo the run %1?\n\n%2%3\n%4 drawing(s), %5 text(s) changed.")
                           .arg(last.id, what, source)
                           .arg(last.drawings.size())
                           .arg(last.Changes());
    if (!last.finished) question += QStringLiteral("\n(That run did not finish.)");
    question += QStringLiteral("\n\nEach drawing goes back to what it was before that run; a drawing changed "
                               "since is left as it is.");
    if (context.dialogs.Message(&window_, Dialogs::Icon::Question, Form1::kApplicationTitle, question,
                                Dialogs::Buttons::YesNo) != Dialogs::Answer::Yes)
        return;

    Begin();
    UndoRun run(context.state, window_.UserInterface(), journals);
    run.SetAudit(window_.AuditEnabled());
    run.SetJournal(window_.JournalEnabled());
    const UndoRunResult result = run.Run(last.id);
    window_.ShowRunOutcome(result.refused, result.errors && result.refused == 0);
    if (!result.journalId.isEmpty())
        window_.ShowJournalNote(QStringLiteral("Journal kept."),
                                QStringLiteral("Run %1: Run > Undo Last Run undoes this undo.").arg(result.journalId));
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
    RunSafety safety;
    safety.journal = window_.JournalEnabled();
    run.SetSafety(safety);
    run.SetStopFlag(&stop_);
    const DrawingListRunResult result = run.Run(path, fromCommandLine);
    if (fromCommandLine) window_.ClearPendingCommandLinePath();
    window_.ShowRunOutcome(result.failures, result.errors && result.failures == 0);
    ShowJournal(result.record, safety.journal);
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
