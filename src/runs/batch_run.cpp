#include "runs/batch_run.h"

#include "runs/file_utils.h"
#include "runs/run_support.h"
#include "host/cautocad.h"
#include "host/text_files.h"

#include <QDir>
#include <QFile>

namespace qln {

BatchRunResult BatchRun::Run(const BatchRunInput& input) {
    BatchRunResult result;
    frontend_.SetTransientStatus(QStringLiteral("Modification in process..."));

    cAutoCAD session(hostClass_, state_, frontend_);
    if (session.OpenAutoCAD() != 1) {
        frontend_.SetStatus(QStringLiteral("Unable to start AutoCAD"));
        return result;
    }
    result.hostStarted = true;

    const QDir logs(state_.LogFolder());
    LineWriter audit;
    if (input.audit && audit.Open(logs.filePath(QLatin1String(kAuditLog)), LineWriter::Mode::Append)) {
        audit.WriteLine(LogTimestamp());
        audit.WriteLine(QString());
    }
    LineWriter* auditLog = audit.IsOpen() ? &audit : nullptr;

    QString strErr;
    session.PrepTemplate(input.templatePath, strErr);

    const QString errPath = logs.filePath(QLatin1String(kErrorLog));
    LineWriter errLog;
    errLog.Open(errPath, LineWriter::Mode::Truncate);

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

    frontend_.SetBusy(true);
    const Stopwatch clock;
    const QString& delimiter = input.delimiter;
    const int total = static_cast<int>(input.drawings.size());
    result.total = total;

    for (int i = 0; i < total; ++i) {
        frontend_.ProcessEvents();
        if (stop_ && stop_->load()) {
            result.stopped = true;
            break;
        }
        result.done = i + 1;
        const QString& item = input.drawings.at(i).name;
        const QString drawing = JoinPath(input.drawings.at(i).folder, item);
        frontend_.Progress(i, total, drawing);
        QString error;

        if (!FileExists(drawing)) {
            if (auditLog) auditLog->WriteLine(drawing + QStringLiteral(" not found."));
            error = QStringLiteral("File ") + item.toUpper() + QStringLiteral(" not found.");
        } else {
            if (auditLog) {
                auditLog->WriteLine(QStringLiteral("Drawing: ") + drawing);
                auditLog->WriteLine(QStringLiteral("Template: ") + input.templatePath);
            }
            const std::int16_t opened = session.OpenDrawing(drawing, false);
            frontend_.SetTransientStatus(QStringLiteral("Processing ") + drawing + QStringLiteral("..."));
            if (opened == 1) {
                session.GetAttributes(error, delimiter, auditLog);
                if (session.CloseDrawing(true) == 1) {
                    ++result.modified;
                    // A save the host carried out only in part (another version asked for) is recorded.
                    if (error.isEmpty() && !session.strWarning.isEmpty()) error = session.strWarning;
                } else {
                    // The changes of this drawing were not written: say so, and do not count it.
                    error = QStringLiteral("Error saving file ") + item.toUpper() + QStringLiteral(".");
                    if (auditLog) auditLog->WriteLine(QStringLiteral("Not saved."));
                }
            } else {
                error = QStringLiteral("Error opening file ") + item.toUpper() + QStringLiteral(".");
            }
        }

        if (!error.isEmpty()) {
            errLog.WriteLine(LogTimestamp() + QStringLiteral("  Drawing: ") + drawing + QStringLiteral("  Error: ") +
                             error);
            result.errors = true;
            ++result.failed;
        }
        // What is logged for a drawing reaches the disk before the next one starts.
        errLog.Flush();
        if (auditLog) auditLog->Flush();
    }
    frontend_.Progress(total, total, QString());
    const QString stopNote = result.stopped ? StoppedNote(result.done, total) : QString();
    if (result.stopped) {
        // A run cut short says so where the user looks afterwards; err.log is kept for it.
        errLog.WriteLine(LogTimestamp() + QStringLiteral("  ") + stopNote);
        if (auditLog) auditLog->WriteLine(stopNote);
    }

    errLog.Close();
    audit.Close();
    session.CloseAutoCAD();

    frontend_.SetStatus(QStringLiteral("Text for ") + QString::number(result.modified) +
                        QStringLiteral(" file(s) modified in ") + FormatSeconds(clock.Seconds()) +
                        QStringLiteral(" second(s).") + (stopNote.isEmpty() ? QString() : u' ' + stopNote));
    if (!result.errors && !result.stopped) QFile::remove(errPath);
    frontend_.SetBusy(false);
    return result;
}

}  // namespace qln
