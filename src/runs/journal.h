#pragma once
// The run journal: every modification run keeps, in a folder of its own in the per-user data folder,
// the previous version of each drawing it saved and the hash of what it saved, so that the run can be
// undone later without touching work done since.
//
//   <journals>/<run id>/journal.txt      what the run was and, one line per saved drawing, its path, the
//                                        name of its previous version here and the hash of the saved file
//   <journals>/<run id>/1.dxf, 2.dxf ... the previous versions (hard links where the file system allows)
//
// The run id is the run's start time (yyyyMMdd-HHmmss, with "-2", "-3" ... for runs started in the same
// second). journal.txt is written a line at a time as each drawing is saved, so the journal of a run
// that was killed half-way still undoes the drawings that run saved.

#include "host/platform.h"

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QList>
#include <QMutex>
#include <QString>

#include <optional>

namespace qln {

// The per-user folder of the journals (created when missing), or `folder` when the caller names one.
QString JournalFolder(const QString& folder = QString());

// SHA-256 of a file's bytes, in hexadecimal; empty when it cannot be read.
QByteArray HashOfFile(const QString& path);
// What a file is, without reading it: "file:" + its device and file number, size and time of last
// change. A journal keeps it in place of the hash of a file that only a replacement could have
// changed since (a save by the DXF host makes a new file); empty when there is no such file.
QByteArray MarkOfFile(const QString& path);
// Whether the file at `path` is still the one a journal recorded as saved (by its hash or its mark).
bool StillAsSaved(const QString& path, const QByteArray& saved);

struct JournalEntry {
    QString drawing;          // the path the run reached the drawing by, made absolute
    QString previous;         // the file in the journal folder holding its previous version; empty: not kept
    QByteArray savedHash;     // SHA-256 of the file the run saved, or its mark (MarkOfFile)
    int changes = 0;          // texts changed in it
};

struct JournalInfo {
    QString id;
    QString folder;
    QString kind;             // "modify", "run" or "undo"
    QString source;           // the template, the drawing list file, or the run an undo undid
    QDateTime started;
    bool finished = false;    // false: the run did not end normally (killed, say)
    QList<JournalEntry> drawings;
    qint64 bytes = 0;         // size of the previous versions kept
    int Changes() const;
};

// Reads one journal folder; nothing when it holds no journal.
std::optional<JournalInfo> ReadJournal(const QString& folder);
// Every journal in the journals folder, oldest first.
QList<JournalInfo> ListJournals(const QString& journals);
// Removes the journals started more than `days` days before `now`; how many were removed.
int PruneJournals(const QString& journals, int days, const QDateTime& now = QDateTime::currentDateTime());

// The journal a run writes.
class RunJournal {
public:
    // Creates the run's folder and its journal.txt. False (with the reason) when it cannot be made;
    // the run then goes on without a journal and says so.
    bool Start(const QString& journals, const QString& kind, const QString& source, QString* error);
    bool IsOpen() const { return file_.isOpen(); }

    // What the journal notes of a drawing before it is saved, handed back to Saved after the save.
    struct Pending {
        QString drawing;
        QString backup;
        QString copy;          // a copy made before the save, when the host leaves no backup
        QByteArray hash;       // of the file before the save, when its backup is compared by content
        platform::FileIdentity id;
        qint64 size = -1;
        QDateTime modified;
    };
    // Before a drawing is opened for a save: notes which file it is. `backup` is the file the host's
    // save leaves the previous version in (empty: none), which the journal then links instead of
    // copying now. `backupIsPrevious`: the backup is the previous file itself (the same file under a
    // second name, or renamed), so it is recognised by what file it is, without reading it; otherwise
    // its bytes are compared with the drawing's as they were. Nothing when the drawing is no file.
    // Before and Saved may be called from several threads at once, for different drawings.
    std::optional<Pending> Before(const QString& drawing, const QString& backup, bool backupIsPrevious);
    // After the drawing was saved: keeps its previous version, records the hash of what was saved.
    // A save that changed nothing on disk is not recorded. False when the previous version could not
    // be kept (the drawing cannot be undone), with the reason.
    bool Saved(std::optional<Pending> pending, int changes, QString* error);
    // After an undo put back a drawing: `previous` is the file it held before (already kept here by
    // KeepCurrent), `savedHash` the hash of what now stands in its place.
    void Restored(const QString& drawing, const QString& previous, const QByteArray& savedHash);
    // Keeps the drawing's present bytes in the journal (a link, or a copy), before an undo replaces it.
    QString KeepCurrent(const QString& drawing);

    // Ends the journal; a journal of a run that saved nothing is removed.
    void Finish();

    QString Id() const { return id_; }
    QString Folder() const { return folder_; }
    int Drawings() const { return drawings_; }
    qint64 Bytes() const { return bytes_; }

private:
    QString NextName(const QString& drawing);
    void WriteEntry(const QString& drawing, const QString& previous, const QByteArray& savedHash, int changes,
                    qint64 previousBytes);
    void WriteLine(const QStringList& fields);

    QString id_;
    QString folder_;
    QFile file_;
    QMutex mutex_;  // the file, the names and the counts, for runs that save from several threads
    int next_ = 0;
    int drawings_ = 0;
    qint64 bytes_ = 0;
};

}  // namespace qln
