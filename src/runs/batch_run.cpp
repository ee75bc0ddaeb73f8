#include "runs/batch_run.h"

#include "runs/drawing_workers.h"
#include "runs/file_utils.h"
#include "runs/run_support.h"
#include "host/cautocad.h"
#include "host/text_files.h"

#include <QDir>
#include <QFile>

#include <memory>

namespace qln {

BatchRunResult BatchRun::Run(const BatchRunInput& input) {
    BatchRunResult result;
    frontend_.SetTransientStatus(QStringLiteral("Modification in process..."));

    cAutoCAD session(hostClass_, state_, frontend_);
    if (session.OpenAutoCAD() != 1) {
        frontend_.SetStatus(StartStatus(hostClass_, host::StartStep::kCannotStart));
        return result;
    }
    result.hostStarted = true;

    RunRecord record(input.safety, hostClass_.get(), state_.journalFolder);
    const QDir logs(state_.LogFolder());
    LineWriter audit;
    // A preview's audit lines go where the preview says, never into audit.log.
    LineWriter* auditLog = input.audit ? record.PreviewAudit() : nullptr;
    if (input.audit && !record.Preview()) {
        // A change whose audit line cannot be written must not pass unnoticed: no log, no run.
        if (!OpenLog(audit, logs.filePath(QLatin1String(kAuditLog)), LineWriter::Mode::Append, frontend_)) {
            session.CloseAutoCAD();
            result.logRefused = true;
            return result;
        }
        auditLog = &audit;
    }
    if (auditLog) {
        auditLog->WriteLine(LogTimestamp());
        auditLog->WriteLine(QString());
    }

    QString strErr;
    session.PrepTemplate(input.templatePath, strErr, input.delimiter);

    const QString errPath = logs.filePath(QLatin1String(kErrorLog));
    LineWriter errLog;
    if (!OpenLog(errLog, errPath, LineWriter::Mode::Truncate, frontend_)) {
        audit.Close();
        session.CloseAutoCAD();
        result.logRefused = true;
        return result;
    }

    if (!strErr.isEmpty()) {
        errLog.WriteLine(LogTimestamp() + QStringLiteral("  Template: ") + input.templatePath +
                         QStringLiteral("  Error: ") + strErr);
        errLog.Close();
        audit.Close();
        session.CloseAutoCAD();
        frontend_.SetStatus(QStringLiteral("No text modified. ") + strErr);
        return result;
    }
    result.templateRead = true;
    record.Begin(QStringLiteral("modify"), input.templatePath);

    frontend_.SetBusy(true);
    const Stopwatch clock;
    const QString& delimiter = input.delimiter;
    const int total = static_cast<int>(input.drawings.size());
    const TemplateFields fields = TemplateOf(session);
    const bool preview = record.Preview();
    result.total = total;

    using Outcome = DrawingOutcome;
    DrawingWorkers workers(hostClass_, state_, frontend_, WorkerCount(input.jobs, hostClass_.get()), stop_);
    for (int i = 0; i < total; ++i) {
        frontend_.ProcessEvents();
        if (stop_ && stop_->load()) {
            result.stopped = true;
            break;
        }
        const QString& item = input.drawings.at(i).name;
        const QString drawing = JoinPath(input.drawings.at(i).folder, item);
        const bool parallel = workers.Parallel();
        // Working on the drawing here, the status says so while it is worked on; a worker's drawing is
        // shown when its turn comes.
        const QString processing = QStringLiteral("Processing ") + drawing + QStringLiteral("...");
        if (!parallel) frontend_.Progress(i, total, drawing);
        auto out = std::make_shared<Outcome>();

        auto work = [&, item, drawing, out, parallel, processing](cAutoCAD& s) {
            UseTemplate(s, fields);
            AuditBuffer buffer(auditLog);
            LineWriter* audit = buffer.Writer();
            QString& error = out->error;
            if (!FileExists(drawing)) {
                if (audit) audit->WriteLine(drawing + QStringLiteral(" not found."));
                error = QStringLiteral("File ") + item.toUpper() + QStringLiteral(" not found.");
            } else {
                if (audit) {
                    audit->WriteLine(QStringLiteral("Drawing: ") + drawing);
                    audit->WriteLine(QStringLiteral("Template: ") + input.templatePath);
                }
                record.BeforeDrawing(s, out->record, drawing);
                // A preview reads the drawing and keeps no lock on it.
                const std::int16_t opened = s.OpenDrawing(drawing, preview);
                out->opening = true;
                if (!parallel) frontend_.SetTransientStatus(processing);
                if (opened == 1) {
                    s.GetAttributes(error, delimiter, audit);
                    if (s.CloseDrawing(!preview) == 1) {
                        out->modified = true;
                        const QString unkept = record.AfterDrawing(s, out->record, true);
                        // A save the host carried out only in part (another version asked for) is recorded.
                        if (error.isEmpty() && !s.strWarning.isEmpty()) error = s.strWarning;
                        if (error.isEmpty()) error = unkept;
                    } else {
                        record.AfterDrawing(s, out->record, false);
                        // The changes of this drawing were not written: say so and why, and do not count it.
                        error = QStringLiteral("Error saving file ") + item.toUpper() + QStringLiteral(".") + Reason(s);
                        if (audit) audit->WriteLine(QStringLiteral("Not saved."));
                    }
                } else {
                    record.AfterDrawing(s, out->record, false);
                    error = QStringLiteral("Error opening file ") + item.toUpper() + QStringLiteral(".") + Reason(s);
                }
            }
            out->audit = buffer.Take();
        };

        auto done = [&, i, drawing, out, parallel, processing] {
            if (parallel) {
                frontend_.Progress(i, total, drawing);
                if (out->opening) frontend_.SetTransientStatus(processing);
            }
            if (auditLog) auditLog->WriteEncoded(out->audit);
            record.Count(out->record);
            result.done = i + 1;
            if (out->modified) ++result.modified;
            if (!out->error.isEmpty()) {
                const QString line = QStringLiteral("Drawing: ") + drawing + QStringLiteral("  Error: ") + out->error;
                errLog.WriteLine(LogTimestamp() + QStringLiteral("  ") + line);
                frontend_.FailureLogged(line);
                result.errors = true;
                ++result.failed;
            }
            // What is logged for a drawing reaches the disk before the next one is logged.
            errLog.Flush();
            if (auditLog) auditLog->Flush();
        };
        workers.Add(&session, std::move(work), std::move(done), drawing);
    }
    workers.Finish();
    frontend_.Progress(total, total, QString());
    // A stop asked for during the last drawing still stops the run: it ends as interrupted.
    if (stop_ && stop_->load()) result.stopped = true;
    const QString stopNote = result.stopped ? StoppedNote(result.done, total) : QString();
    if (result.stopped) {
        // A run cut short says so where the user looks afterwards; err.log is kept for it.
        errLog.WriteLine(LogTimestamp() + QStringLiteral("  ") + stopNote);
        if (auditLog) auditLog->WriteLine(stopNote);
    }

    errLog.Close();
    audit.Close();
    session.CloseAutoCAD();
    result.record = record.Finish();
    result.logFailures = LogFailures({&audit, &errLog});
    // Lines of the logs were lost: the user must learn it, not find a log that stops short.
    if (!result.logFailures.isEmpty())
        frontend_.MessageBox(Frontend::Icon::Warning, QString(), result.logFailures.join(u'\n'));
    result.errorLogWritten = errLog.ok();

    if (record.Preview()) {
        frontend_.SetStatus(QStringLiteral("Preview: text for ") + QString::number(result.record.drawingsChanged) +
                            QStringLiteral(" of ") + QString::number(total) +
                            QStringLiteral(" file(s) would be modified (") +
                            QString::number(result.record.textsChanged) + QStringLiteral(" text(s)) in ") +
                            FormatSeconds(clock.Seconds()) + QStringLiteral(" second(s); nothing was saved."));
    } else {
        frontend_.SetStatus(QStringLiteral("Text for ") + QString::number(result.modified) +
                            QStringLiteral(" file(s) modified in ") + FormatSeconds(clock.Seconds()) +
                            QStringLiteral(" second(s).") + (stopNote.isEmpty() ? QString() : u' ' + stopNote));
    }
    if (!result.errors && !result.stopped) QFile::remove(errPath);
    frontend_.SetBusy(false);
    return result;
}

}  // namespace qln
