#pragma once
// What the runs share: the log timestamp, the elapsed-time summary form, a clock for elapsed seconds,
// and the names of the log files (their folder: runs/program_folders.h).

#include "host/automation.h"
#include "host/text_files.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include <initializer_list>

namespace qln {

// Local date and time as "mm/dd/yyyy hh:mm:ss am/pm", with the locale's date and time separators.
QString LogTimestamp(const QDateTime& when = QDateTime::currentDateTime());

// Seconds in the form "###,###,##0.00": thousands grouped with the locale's separator, two decimals.
QString FormatSeconds(float seconds);

// A stopwatch for the summaries (monotonic: a run across midnight still measures its own length).
class Stopwatch {
public:
    Stopwatch() { timer_.start(); }
    void Restart() { timer_.restart(); }
    float Seconds() const { return static_cast<float>(timer_.nsecsElapsed() / 1e9); }

private:
    QElapsedTimer timer_;
};

// What the status line says at a moment of starting the run's host, in the host's own words; a run
// without a host cannot start one.
inline QString StartStatus(const host::ApplicationClassPtr& hostClass, host::StartStep step) {
    if (hostClass) return hostClass->StartStatus(step);
    return step == host::StartStep::kCannotStart ? QStringLiteral("Unable to start the host") : QString();
}
class Frontend;
class cAutoCAD;

// Open a log, its control characters shown visibly. When it cannot be opened, the status line says so
// (with the reason) and false comes back: the run must not start.
bool OpenLog(LineWriter& log, const QString& path, LineWriter::Mode mode, Frontend& frontend);

// For each of the logs a run wrote that lost a write: "Writing PATH failed: REASON".
QStringList LogFailures(std::initializer_list<const LineWriter*> logs);

// " " + the host's description of the last failure of the session (why a drawing did not open or was
// not saved), or nothing when it gave none.
QString Reason(const cAutoCAD& session);

// What a run stopped on request says in its logs and after its summary:
// "Stopped by request after 3 of 10 drawings." (`unit` names what was counted).
QString StoppedNote(int done, int total, const QString& unit = QStringLiteral("drawings"));

// File names of the program's outputs.
inline constexpr char kAuditLog[] = "audit.log";
inline constexpr char kErrorLog[] = "err.log";
inline constexpr char kReportPage[] = "attr.htm";

}  // namespace qln
