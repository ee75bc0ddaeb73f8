#include "runs/report_command.h"

#include "runs/file_utils.h"
#include "runs/run_support.h"
#include "host/cautocad.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace qln {

ReportResult ReportCommand::Run(const QString& folder, const QString& name) {
    ReportResult result;
    const QString drawing = JoinPath(folder, name);
    result.page = output_.isEmpty() ? QDir(state_.LogFolder()).filePath(QLatin1String(kReportPage)) : output_;

    frontend_.SetBusy(true);
    frontend_.SetTransientStatus(StartStatus(hostClass_, host::StartStep::kStarting));
    cAutoCAD session(hostClass_, state_, frontend_);
    if (session.OpenAutoCAD() != 1) {
        frontend_.SetBusy(false);
        frontend_.SetStatus(StartStatus(hostClass_, host::StartStep::kCannotStart));
        return result;
    }
    result.hostStarted = true;

    QString message;
    Stopwatch clock;
    if (!FileExists(drawing)) {
        message = QStringLiteral("File ") + name.toUpper() + QStringLiteral(" not found.");
    } else {
        clock.Restart();
        frontend_.SetTransientStatus(QStringLiteral("Creating HTML file from ") + name.toUpper() +
                                     QStringLiteral("..."));
        if (session.OpenDrawing(drawing, true) != 1) {
            message = QStringLiteral("Error opening file.");
        } else {
            // A page left by an earlier report must not pass for this one if building it fails.
            QFile::remove(result.page);
            session.CreateArray(result.page, drawing, attributes_);
            session.CloseDrawing(false);
            if (QFileInfo(result.page).isFile()) {
                result.created = true;
                if (open_) result.openFailed = !frontend_.OpenWithDefaultProgram(result.page);
            } else {
                message = QStringLiteral("Error creating HTML file.");
            }
        }
    }

    session.CloseAutoCAD();
    frontend_.SetBusy(false);
    if (!message.isEmpty()) {
        frontend_.Beep();
        frontend_.SetStatus(message);
    } else {
        const QString created = QStringLiteral("HTML file created in ") + FormatSeconds(clock.Seconds()) +
                                QStringLiteral(" seconds");
        // No browser started: not a success the user can see, so the page is named for opening by hand.
        if (result.openFailed) {
            frontend_.Beep();
            frontend_.SetStatus(created + QStringLiteral(", but no program could open it: ") +
                                QDir::toNativeSeparators(result.page));
        } else {
            frontend_.SetStatus(created);
        }
    }
    return result;
}

}  // namespace qln
