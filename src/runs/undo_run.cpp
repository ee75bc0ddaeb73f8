#include "runs/undo_run.h"

#include "runs/journal.h"
#include "runs/run_support.h"
#include "host/text_files.h"

#include <QDir>
#include <QFileInfo>
#include <QCryptographicHash>
#include <QSaveFile>

namespace qln {

namespace {

// Writes the bytes of `from` over `drawing` through a temporary file beside it (replaced only once the
// whole file is on disk), keeping the drawing's permissions. The hash of what was written, or empty.
QByteArray PutBack(const QString& from, const QString& drawing, QString* error) {
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly)) {
        *error = in.errorString();
        return {};
    }
    const QFile::Permissions permissions = QFileInfo(drawing).permissions();
    QSaveFile out(drawing);
    out.setDirectWriteFallback(false);
    if (!out.open(QIODevice::WriteOnly)) {
        *error = out.errorString();
        return {};
    }
    const QByteArray bytes = in.readAll();
    if (in.error() != QFileDevice::NoError || out.write(bytes) != bytes.size() || !out.commit()) {
        *error = in.error() != QFileDevice::NoError ? in.errorString() : out.errorString();
        out.cancelWriting();
        return {};
    }
    QFile::setPermissions(drawing, permissions);
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

}  // namespace

UndoRunResult UndoRun::Run(const QString& id) {
    UndoRunResult result;
    const QList<JournalInfo> journals = ListJournals(journals_);
    const JournalInfo* target = nullptr;
    for (const JournalInfo& info : journals)
        if (id.isEmpty() || info.id == id) target = &info;
    if (!target) {
        frontend_.SetStatus(id.isEmpty() ? QStringLiteral("No run to undo: there is no journal in ") +
                                               QDir::toNativeSeparators(journals_) + u'.'
                                         : QStringLiteral("No journal of run ") + id + u'.');
        return result;
    }
    result.found = true;
    result.id = target->id;
    frontend_.SetBusy(true);
    const Stopwatch clock;

    const QDir logs(state_.LogFolder());
    LineWriter audit;
    if (audit_ && audit.Open(logs.filePath(QLatin1String(kAuditLog)), LineWriter::Mode::Append)) {
        audit.WriteLine(LogTimestamp());
        audit.WriteLine(QString());
    }
    const QString errPath = logs.filePath(QLatin1String(kErrorLog));
    LineWriter errLog;
    errLog.Open(errPath, LineWriter::Mode::Truncate);

    RunJournal journal;
    QString why;
    if (journal_ && !journal.Start(journals_, QStringLiteral("undo"), target->id, &why))
        frontend_.SetStatus(QStringLiteral("No journal is kept of this undo: ") + why);

    const int total = static_cast<int>(target->drawings.size());
    int done = 0;
    for (const JournalEntry& entry : target->drawings) {
        frontend_.Progress(done++, total, entry.drawing);
        const QString shown = QDir::toNativeSeparators(entry.drawing);
        QString error;
        if (entry.previous.isEmpty() || !QFileInfo::exists(entry.previous)) {
            error = QStringLiteral("Not restored: the journal holds no previous version of it.");
        } else if (!QFileInfo(entry.drawing).isFile()) {
            error = QStringLiteral("Not restored: the drawing is no longer there.");
        } else if (!StillAsSaved(entry.drawing, entry.savedHash)) {
            error = QStringLiteral("Not restored: changed since run ") + target->id + u'.';
        } else {
            // What stands there now is kept first, so that this undo can be undone in turn.
            const QString kept = journal.KeepCurrent(entry.drawing);
            QString reason;
            const QByteArray restored = PutBack(entry.previous, entry.drawing, &reason);
            if (restored.isEmpty()) {
                if (!kept.isEmpty()) QFile::remove(kept);
                error = QStringLiteral("Not restored: ") + reason;
            } else {
                journal.Restored(entry.drawing, kept, restored);
                ++result.restored;
                if (audit.IsOpen()) audit.WriteLine(QStringLiteral("Restored ") + shown + QStringLiteral(" from run ") + target->id);
            }
        }
        if (!error.isEmpty()) {
            ++result.refused;
            result.errors = true;
            errLog.WriteLine(LogTimestamp() + QStringLiteral("  Drawing: ") + shown + QStringLiteral("  Error: ") + error);
            frontend_.SetStatus(shown + QStringLiteral(": ") + error);
        }
        errLog.Flush();
        if (audit.IsOpen()) audit.Flush();
    }
    frontend_.Progress(total, total, QString());
    journal.Finish();
    if (journal.Drawings() > 0) result.journalId = journal.Id();
    errLog.Close();
    audit.Close();
    if (!result.errors) QFile::remove(errPath);

    QString summary = QString::number(result.restored) + QStringLiteral(" of ") + QString::number(total) +
                      QStringLiteral(" drawing(s) of run ") + target->id + QStringLiteral(" restored in ") +
                      FormatSeconds(clock.Seconds()) + QStringLiteral(" second(s).");
    if (result.refused > 0) summary += u' ' + QString::number(result.refused) + QStringLiteral(" not restored.");
    frontend_.SetStatus(summary);
    frontend_.SetBusy(false);
    return result;
}

}  // namespace qln
