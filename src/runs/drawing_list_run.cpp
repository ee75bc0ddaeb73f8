#include "runs/drawing_list_run.h"

#include "runs/drawing_workers.h"
#include "runs/file_utils.h"
#include "runs/run_support.h"
#include "host/cautocad.h"
#include "host/text_files.h"
#include "modify/name_list.h"

#include <QDir>

#include <memory>

namespace qln {

DrawingListRun::Line DrawingListRun::Classify(const QString& raw) const {
    Line line;
    // Lines are judged trimmed and in upper case; the paths keep the case they were written in, so
    // that they still reach their files on a case-sensitive file system.
    const QString text = TrimSpaces(raw);
    const QString upper = text.toUpper();
    if (upper.isEmpty() || upper.startsWith(u'\'')) return line;
    if (upper == u"END") {
        line.kind = Line::End;
        return line;
    }
    const qsizetype comma = text.indexOf(u',');
    if (comma < 0) return line;

    line.drawing = text.left(comma);
    line.templatePath = text.mid(comma + 1);
    const QString filePart = GetFileName(line.drawing);
    if (!HasWildcards(filePart)) {
        line.kind = Line::Single;
        return line;
    }
    line.kind = Line::Wildcard;
    if (!filePart.contains(u'.')) {
        // A pattern without an extension means the host's drawings, in the folder and below it.
        line.drawing += hostClass_ ? hostClass_->DrawingExtension() : QStringLiteral(".dwg");
        line.recursive = true;
    }
    return line;
}

DrawingListRunResult DrawingListRun::Run(const QString& path, bool fromCommandLine) {
    DrawingListRunResult result;
    if (fromCommandLine && !FileExists(path)) {
        frontend_.Beep();
        frontend_.SetStatus(QStringLiteral("Passed file '") + path + QStringLiteral("' does not exist."));
        result.listFound = false;
        return result;
    }

    frontend_.SetBusy(true);
    const Stopwatch clock;
    frontend_.SetTransientStatus(QStringLiteral("Modification in process..."));
    cAutoCAD session(hostClass_, state_, frontend_);
    if (session.OpenAutoCAD() != 1) {
        frontend_.SetBusy(false);
        return result;
    }
    result.hostStarted = true;

    QString unreadable;
    const std::optional<QStringList> lines = ReadTextLines(path, &unreadable);
    const QDir logs(state_.LogFolder());
    LineWriter errLog;
    LineWriter audit;
    // A change whose audit line cannot be written must not pass unnoticed: no log, no run. A preview
    // writes no audit.log: its lines go where the preview says.
    RunRecord record(safety_, hostClass_.get(), state_.journalFolder);
    if (!OpenLog(errLog, logs.filePath(QLatin1String(kErrorLog)), LineWriter::Mode::Truncate, frontend_) ||
        (audit_ && !record.Preview() &&
         !OpenLog(audit, logs.filePath(QLatin1String(kAuditLog)), LineWriter::Mode::Append, frontend_))) {
        errLog.Close();
        session.CloseAutoCAD();
        frontend_.SetBusy(false);
        result.logRefused = true;
        return result;
    }
    record_ = &record;
    LineWriter* auditLog = audit.IsOpen() ? &audit : (audit_ ? record.PreviewAudit() : nullptr);
    if (auditLog) {
        auditLog->WriteLine(LogTimestamp());
        auditLog->WriteLine(QString());
    }
    if (lines) record.Begin(QStringLiteral("run"), path);

    int count = 0;
    if (!lines) {
        // Not a silent empty run: the user learns that the list itself was the problem, and why.
        result.listRead = false;
        result.errors = true;
        const QString message = QStringLiteral("Unable to read drawing list file '") + path + QStringLiteral("'.") +
                                (unreadable.isEmpty() ? QString() : u' ' + unreadable.left(1).toUpper() + unreadable.mid(1) + u'.');
        errLog.WriteLine(LogTimestamp() + QStringLiteral("  Error: ") + message);
        frontend_.SetStatus(message);
    }
    tasks_ = 0;
    DrawingWorkers workers(hostClass_, state_, frontend_, WorkerCount(jobs_, hostClass_.get()), stop_);
    workers_ = &workers;
    const QStringList none;
    QList<Line> tasks;
    for (const QString& raw : lines ? *lines : none) {
        const Line line = Classify(raw);
        if (line.kind != Line::Ignored) tasks.append(line);
        if (line.kind == Line::End) break;
    }
    result.tasks = static_cast<int>(tasks.size()) - (!tasks.isEmpty() && tasks.last().kind == Line::End ? 1 : 0);
    for (const Line& line : tasks) {
        if (StopRequested()) {
            result.stopped = true;
            break;
        }
        if (line.kind == Line::End) {
            result.endProgram = true;
            break;
        }
        if (line.kind == Line::Single) RunSingle(session, line, errLog, auditLog, result);
        else if (line.kind == Line::Wildcard) RunWildcard(line, errLog, auditLog, result);
        ++result.tasksDone;
        // A stop asked for in the task's last drawing ends the list here too.
        if (result.stopped) break;
    }
    workers.Finish();
    workers_ = nullptr;
    count = result.modified;
    // A stop asked for during the last task still stops the run: it ends as interrupted.
    if (StopRequested() && !result.endProgram) result.stopped = true;
    const QString stopNote = result.stopped ? StoppedNote(result.tasksDone, result.tasks, QStringLiteral("tasks")) : QString();
    if (result.stopped) {
        errLog.WriteLine(LogTimestamp() + QStringLiteral("  ") + stopNote);
        if (auditLog) auditLog->WriteLine(stopNote);
    }

    errLog.Close();
    audit.Close();
    session.CloseAutoCAD();
    result.record = record.Finish();
    record_ = nullptr;
    result.logFailures = LogFailures({&audit, &errLog});
    // Lines of the logs were lost: the user must learn it, not find a log that stops short.
    if (!result.logFailures.isEmpty())
        frontend_.MessageBox(Frontend::Icon::Warning, QString(), result.logFailures.join(u'\n'));
    result.errorLogWritten = errLog.ok();
    frontend_.SetBusy(false);
    if (result.endProgram) return result;

    frontend_.Progress(tasks_, tasks_, QString());
    if (!result.listRead) return result;
    const QString after = stopNote.isEmpty() ? QString() : u' ' + stopNote;
    if (record.Preview()) {
        frontend_.SetStatus(QStringLiteral("Preview: text for ") + QString::number(result.record.drawingsChanged) +
                            QStringLiteral(" file(s) would be modified (") +
                            QString::number(result.record.textsChanged) + QStringLiteral(" text(s)) in ") +
                            FormatSeconds(clock.Seconds()) + QStringLiteral(" second(s); nothing was saved."));
    } else if (count > 0) {
        frontend_.SetStatus(QStringLiteral("Text for ") + QString::number(count) +
                            QStringLiteral(" file(s) modified in ") + FormatSeconds(clock.Seconds()) +
                            QStringLiteral(" second(s).") + after);
    } else {
        frontend_.SetStatus(QStringLiteral("No text modified.") + after);
    }
    return result;
}

void DrawingListRun::RunSingle(cAutoCAD& session, const Line& line, LineWriter& errLog, LineWriter* audit,
                               DrawingListRunResult& result) {
    const int task = ++tasks_;
    auto shown = [this, task, drawing = line.drawing] { frontend_.Progress(task, -1, drawing); };
    const bool parallel = workers_->Parallel();
    if (!parallel) shown();
    auto out = std::make_shared<Outcome>();
    session.PrepTemplate(line.templatePath, out->error, delimiter_);
    DrawingWorkers::Work work;
    if (out->error.isEmpty()) {
        work = [this, line, audit, out, fields = TemplateOf(session)](cAutoCAD& s) {
            UseTemplate(s, fields);
            AuditBuffer buffer(audit);
            if (!FileExists(line.drawing)) {
                if (LineWriter* a = buffer.Writer()) a->WriteLine(QStringLiteral("DWG file not found."));
                out->error = QStringLiteral("DWG file not found.");
            } else {
                WriteAuditHeading(buffer.Writer(), line.drawing, line.templatePath);
                ModifyDrawing(s, line.drawing, buffer.Writer(), *out);
            }
            out->audit = buffer.Take();
        };
    }
    // Logged when its turn comes, also a template error: the logs read as if one drawing followed another.
    workers_->Add(&session, std::move(work), [this, line, audit, out, shown, parallel, &errLog, &result] {
        if (parallel) shown();
        Deliver(line.drawing, *out, audit, result);
        if (!out->error.isEmpty()) {
            frontend_.SetStatus(out->error);
            ++result.failures;
            const QString logged = QStringLiteral("Template: ") + line.templatePath + QStringLiteral("  Drawing: ") +
                                   line.drawing + QStringLiteral("  Error: ") + out->error;
            errLog.WriteLine(LogTimestamp() + QStringLiteral("  ") + logged);  // the status line said it already
            result.errors = true;
        }
        errLog.Flush();
        if (audit) audit->Flush();
    }, line.drawing);
}

QString DrawingListRun::Processing(const QString& drawing) {
    return QStringLiteral("Processing ") + drawing + QStringLiteral("...");
}

void DrawingListRun::Deliver(const QString& drawing, Outcome& out, LineWriter* audit, DrawingListRunResult& result) {
    if (workers_->Parallel() && out.opening) frontend_.SetTransientStatus(Processing(drawing));
    if (audit) audit->WriteEncoded(out.audit);
    record_->Count(out.record);
    if (out.modified) ++result.modified;
}

void DrawingListRun::WriteAuditHeading(LineWriter* audit, const QString& drawing, const QString& templatePath) {
    if (!audit) return;
    audit->WriteLine(QStringLiteral("Drawing: ") + drawing);
    audit->WriteLine(QStringLiteral("Template: ") + templatePath);
}

void DrawingListRun::ModifyDrawing(cAutoCAD& session, const QString& drawing, LineWriter* audit, Outcome& out) {
    RunRecord& record = *record_;
    record.BeforeDrawing(session, out.record, drawing);
    // A preview reads the drawing and keeps no lock on it.
    const std::int16_t opened = session.OpenDrawing(drawing, record.Preview());
    out.opening = true;
    // Working on the drawing here, the status says so while it is worked on; a worker's drawing is
    // shown when its turn comes (Deliver).
    if (!workers_->Parallel()) frontend_.SetTransientStatus(Processing(drawing));
    if (opened != 1) {
        record.AfterDrawing(session, out.record, false);
        out.error = QStringLiteral("Error opening DWG file.") + Reason(session);
        return;
    }

    QString error;
    const bool applied = session.GetAttributes(error, delimiter_, audit) == 1;
    if (!applied) error = QStringLiteral("Unable to modify text. ") + error;
    if (session.CloseDrawing(!record.Preview()) != 1) {
        record.AfterDrawing(session, out.record, false);
        // The drawing's changes were not written: say so, and do not count it.
        if (audit) audit->WriteLine(QStringLiteral("Not saved."));
        out.error = QStringLiteral("Error saving DWG file.");
        return;
    }
    const QString unkept = record.AfterDrawing(session, out.record, true);
    out.modified = applied;
    if (!error.isEmpty()) out.error = error;
    else out.error = session.strWarning.isEmpty() ? unkept : session.strWarning;
}

void DrawingListRun::Scan(const QString& folder, const QString& pattern, QStringList& paths) {
    // Depth first: note the folder's subfolders, take its matching files, then search each subfolder.
    const QStringList subfolders = ListNames(folder, QStringLiteral("*"), Listing::Folders);
    for (const QString& sub : subfolders)
        frontend_.SetTransientStatus(QStringLiteral("Scanning ") + folder + sub + QStringLiteral("..."));
    for (const QString& name : ListNames(folder, pattern, Listing::AllFiles))
        if (!IsSideFile(name)) paths << folder + name;
    // Each subfolder with a closing separator: the one its folder is written with (JoinPath).
    for (const QString& sub : subfolders) Scan(JoinPath(JoinPath(folder, sub), QString()), pattern, paths);
}

QStringList DrawingListRun::Expand(const Line& line) {
    const QString folder = FolderPart(line.drawing);
    const QString pattern = GetFileName(line.drawing);
    QStringList paths;
    if (line.recursive) {
        Scan(folder, pattern, paths);
    } else {
        frontend_.SetTransientStatus(QStringLiteral("Scanning ") + folder + QStringLiteral("..."));
        for (const QString& name : ListNames(folder, pattern, Listing::NormalFiles))
            if (!IsSideFile(name)) paths << folder + name;
    }
    return paths;
}

void DrawingListRun::RunWildcard(const Line& line, LineWriter& errLog, LineWriter* audit,
                                 DrawingListRunResult& result) {
    const QStringList paths = Expand(line);

    // A task of its own, in a session of its own; the run's session serves the following lines.
    cAutoCAD session(hostClass_, state_, frontend_);
    if (session.OpenAutoCAD() != 1) return;

    QString error;
    session.PrepTemplate(line.templatePath, error, delimiter_);
    if (!error.isEmpty()) {
        workers_->Add(nullptr, {}, [this, error, &result] {
            frontend_.SetStatus(QStringLiteral("Unable to modify text. ") + error);
            ++result.failures;
        });
    } else {
        const TemplateFields fields = TemplateOf(session);
        const bool parallel = workers_->Parallel();
        for (const QString& path : paths) {
            if (StopRequested()) {
                result.stopped = true;
                break;
            }
            const int task = ++tasks_;
            auto shown = [this, task, path] { frontend_.Progress(task, -1, path); };
            if (!parallel) shown();
            auto out = std::make_shared<Outcome>();
            auto work = [this, path, audit, out, fields, templatePath = line.templatePath](cAutoCAD& s) {
                UseTemplate(s, fields);
                AuditBuffer buffer(audit);
                if (!FileExists(path)) {
                    out->error = QStringLiteral("DWG file not found.");
                } else {
                    // Each drawing of the task gets its heading, so that its change lines cannot be read
                    // as belonging to the drawing logged before it.
                    WriteAuditHeading(buffer.Writer(), path, templatePath);
                    ModifyDrawing(s, path, buffer.Writer(), *out);
                }
                out->audit = buffer.Take();
            };
            workers_->Add(&session, std::move(work), [this, path, audit, out, shown, parallel, &errLog, &result] {
                if (parallel) shown();
                Deliver(path, *out, audit, result);
                if (!out->error.isEmpty()) {
                    frontend_.SetStatus(out->error);
                    ++result.failures;
                }
                errLog.Flush();
                if (audit) audit->Flush();
            }, path);
        }
    }
    // Drawings still in progress were given their template and work in sessions of their own; with one
    // job they are all done by now.
    session.CloseAutoCAD();
}

}  // namespace qln
