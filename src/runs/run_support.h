#pragma once
// What the runs share: the log timestamp, the elapsed-time summary form, the log files' folder, and a
// clock for elapsed seconds.

#include <QDateTime>
#include <QElapsedTimer>
#include <QString>

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

// The folder for audit.log, err.log and attr.htm: the program folder when it can be written, else the
// per-user data folder (created when missing). `movedTo` says when the fallback was taken.
QString ChooseLogFolder(const QString& programFolder, bool* movedTo = nullptr);

// What a run stopped on request says in its logs and after its summary:
// "Stopped by request after 3 of 10 drawings." (`unit` names what was counted).
QString StoppedNote(int done, int total, const QString& unit = QStringLiteral("drawings"));

// File names of the program's outputs.
inline constexpr char kAuditLog[] = "audit.log";
inline constexpr char kErrorLog[] = "err.log";
inline constexpr char kReportPage[] = "attr.htm";

}  // namespace qln
