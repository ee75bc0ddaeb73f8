#include "runs/run_support.h"

#include "host/cautocad.h"
#include "host/frontend.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

namespace qln {

namespace {

// The first character of a locale format that is not part of a field (d, M, y, h, m, s, a, A).
QChar SeparatorOf(const QString& format, QChar fallback) {
    static const QString fields = QStringLiteral("dMyhHmsaAptz ");
    for (QChar c : format)
        if (!fields.contains(c) && c != u'\'') return c;
    return fallback;
}

}  // namespace

QString LogTimestamp(const QDateTime& when) {
    const QLocale locale;
    const QChar dateSep = SeparatorOf(locale.dateFormat(QLocale::ShortFormat), u'/');
    const QChar timeSep = SeparatorOf(locale.timeFormat(QLocale::LongFormat), u':');
    const QDate d = when.date();
    const QTime t = when.time();
    int hour12 = t.hour() % 12;
    if (hour12 == 0) hour12 = 12;
    auto two = [](int v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
    return two(d.month()) + dateSep + two(d.day()) + dateSep + QString::number(d.year()) + u' ' + two(hour12) +
           timeSep + two(t.minute()) + timeSep + two(t.second()) + u' ' +
           (t.hour() < 12 ? QStringLiteral("am") : QStringLiteral("pm"));
}

QString FormatSeconds(float seconds) {
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    return locale.toString(static_cast<double>(seconds), 'f', 2);
}

namespace {
// The system's reason for a failed log, put before the message's own full stop: Windows ends its
// reasons with one ("Access denied.").
QString Reason(const LineWriter& log) {
    QString reason = log.errorString();
    while (reason.endsWith(u'.')) reason.chop(1);
    return reason;
}
}  // namespace

bool OpenLog(LineWriter& log, const QString& path, LineWriter::Mode mode, Frontend& frontend) {
    if (!log.Open(path, mode)) {
        frontend.SetStatus(QStringLiteral("No text modified. Unable to open the log file '") + QDir::toNativeSeparators(path) +
                           QStringLiteral("' for writing: ") + Reason(log) + u'.');
        return false;
    }
    log.SetVisibleControls(true);
    return true;
}

QStringList LogFailures(std::initializer_list<const LineWriter*> logs) {
    QStringList failures;
    for (const LineWriter* log : logs) {
        if (!log->ok())
            failures << QStringLiteral("Writing the log file '") + QDir::toNativeSeparators(log->fileName()) +
                            QStringLiteral("' failed: ") + Reason(*log) + u'.';
    }
    return failures;
}

QString Reason(const cAutoCAD& session) {
    if (!session.HasPendingError() || session.PendingError().description.isEmpty()) return {};
    return u' ' + session.PendingError().description;
}

QString StoppedNote(int done, int total, const QString& unit) {
    return QStringLiteral("Stopped by request after %1 of %2 %3.").arg(done).arg(total).arg(unit);
}

}  // namespace qln
