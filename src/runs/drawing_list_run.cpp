#include "runs/drawing_list_run.h"

#include "runs/file_utils.h"
#include "runs/run_support.h"
#include "host/cautocad.h"
#include "host/text_files.h"
#include "modify/name_list.h"

#include <QDir>

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

    const std::optional<QStringList> lines = ReadTextLines(path);
    const QDir logs(state_.LogFolder());
    LineWriter errLog;
    errLog.Open(logs.filePath(QLatin1String(kErrorLog)), LineWriter::Mode::Truncate);
    LineWriter audit;
    if (audit_ && audit.Open(logs.filePath(QLatin1String(kAuditLog)), LineWriter::Mode::Append)) {
        audit.WriteLine(LogTimestamp());
        audit.WriteLine(QString());
    }
    LineWriter* auditLog = audit.IsOpen() ? &audit : nullptr;

    int count = 0;
    if (!lines) {
        // Not a silent empty run: the user learns that the list itself was the problem.
        result.listRead = false;
        result.errors = true;
        const QString message = QStringLiteral("Unable to read drawing list file '") + path + QStringLiteral("'.");
        errLog.WriteLine(LogTimestamp() + QStringLiteral("  Error: ") + message);
        frontend_.SetStatus(message);
    }
    tasks_ = 0;
    const QStringList none;
    for (const QString& raw : lines ? *lines : none) {
        if (StopRequested()) {
            result.stopped = true;
            break;
        }
        const Line line = Classify(raw);
        if (line.kind == Line::End) {
            result.endProgram = true;
            break;
        }
        if (line.kind == Line::Single) RunSingle(session, line, errLog, auditLog, result);
        else if (line.kind == Line::Wildcard) RunWildcard(line, auditLog, result);
        errLog.Flush();
        if (auditLog) auditLog->Flush();
    }
    count = result.modified;

    errLog.Close();
    audit.Close();
    session.CloseAutoCAD();
    frontend_.SetBusy(false);
    if (result.endProgram) return result;

    frontend_.Progress(tasks_, tasks_, QString());
    if (!result.listRead) return result;
    if (count > 0) {
        frontend_.SetStatus(QStringLiteral("Text for ") + QString::number(count) +
                            QStringLiteral(" file(s) modified in ") + FormatSeconds(clock.Seconds()) +
                            QStringLiteral(" second(s)."));
    } else {
        frontend_.SetStatus(QStringLiteral("No text modified."));
    }
    return result;
}

void DrawingListRun::RunSingle(cAutoCAD& session, const Line& line, LineWriter& errLog, LineWriter* audit,
                               DrawingListRunResult& result) {
    frontend_.Progress(++tasks_, -1, line.drawing);
    QString error;
    session.PrepTemplate(line.templatePath, error);
    if (error.isEmpty()) {
        if (!FileExists(line.drawing)) {
            if (audit) audit->WriteLine(QStringLiteral("DWG file not found."));
            error = QStringLiteral("DWG file not found.");
        } else {
            WriteAuditHeading(audit, line.drawing, line.templatePath);
            error = ModifyDrawing(session, line.drawing, audit, result);
        }
    }
    if (!error.isEmpty()) {
        frontend_.SetStatus(error);
        ++result.failures;
        errLog.WriteLine(LogTimestamp() + QStringLiteral("  Template: ") + line.templatePath +
                         QStringLiteral("  Drawing: ") + line.drawing + QStringLiteral("  Error: ") + error);
        result.errors = true;
    }
}

void DrawingListRun::WriteAuditHeading(LineWriter* audit, const QString& drawing, const QString& templatePath) {
    if (!audit) return;
    audit->WriteLine(QStringLiteral("Drawing: ") + drawing);
    audit->WriteLine(QStringLiteral("Template: ") + templatePath);
}

QString DrawingListRun::ModifyDrawing(cAutoCAD& session, const QString& drawing, LineWriter* audit,
                                      DrawingListRunResult& result) {
    const std::int16_t opened = session.OpenDrawing(drawing, false);
    frontend_.SetTransientStatus(QStringLiteral("Processing ") + drawing + QStringLiteral("..."));
    if (opened != 1) return QStringLiteral("Error opening DWG file.");

    QString error;
    const bool applied = session.GetAttributes(error, delimiter_, audit) == 1;
    if (!applied) error = QStringLiteral("Unable to modify text. ") + error;
    if (session.CloseDrawing(true) != 1) {
        // The drawing's changes were not written: say so, and do not count it.
        if (audit) audit->WriteLine(QStringLiteral("Not saved."));
        return QStringLiteral("Error saving DWG file.");
    }
    if (applied) ++result.modified;
    return error.isEmpty() ? session.strWarning : error;
}

void DrawingListRun::Scan(const QString& folder, const QString& pattern, QStringList& paths) {
    // Depth first: note the folder's subfolders, take its matching files, then search each subfolder.
    const QStringList subfolders = ListNames(folder, QStringLiteral("*"), Listing::Folders);
    for (const QString& sub : subfolders)
        frontend_.SetTransientStatus(QStringLiteral("Scanning ") + folder + sub + QStringLiteral("..."));
    for (const QString& name : ListNames(folder, pattern, Listing::AllFiles)) paths << folder + name;
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
        for (const QString& name : ListNames(folder, pattern, Listing::NormalFiles)) paths << folder + name;
    }
    return paths;
}

void DrawingListRun::RunWildcard(const Line& line, LineWriter* audit, DrawingListRunResult& result) {
    const QStringList paths = Expand(line);

    // A task of its own, in a session of its own; the run's session serves the following lines.
    cAutoCAD session(hostClass_, state_, frontend_);
    if (session.OpenAutoCAD() != 1) return;

    QString error;
    session.PrepTemplate(line.templatePath, error);
    if (!error.isEmpty()) {
        frontend_.SetStatus(QStringLiteral("Unable to modify text. ") + error);
        ++result.failures;
    } else {
        for (const QString& path : paths) {
            if (StopRequested()) {
                result.stopped = true;
                break;
            }
            frontend_.Progress(++tasks_, -1, path);
            error.clear();
            if (!FileExists(path)) {
                error = QStringLiteral("DWG file not found.");
            } else {
                // Each drawing of the task gets its heading, so that its change lines cannot be read
                // as belonging to the drawing logged before it.
                WriteAuditHeading(audit, path, line.templatePath);
                error = ModifyDrawing(session, path, audit, result);
            }
            if (!error.isEmpty()) {
                frontend_.SetStatus(error);
                ++result.failures;
            }
            if (audit) audit->Flush();
        }
    }
    session.CloseAutoCAD();
}

}  // namespace qln
