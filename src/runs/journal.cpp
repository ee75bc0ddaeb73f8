#include "runs/journal.h"

#include "host/platform.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

#include <algorithm>

namespace qln {

namespace {

constexpr char kJournalFile[] = "journal.txt";
constexpr char kMagic[] = "quillon-journal";
constexpr char kIdFormat[] = "yyyyMMdd-HHmmss";

// Fields are separated by tabs, one record per line: a tab, a line break or a percent sign inside one
// is written as %09, %0A, %0D or %25.
QString Escape(QString field) {
    field.replace(u'%', QStringLiteral("%25"));
    field.replace(u'\t', QStringLiteral("%09"));
    field.replace(u'\n', QStringLiteral("%0A"));
    field.replace(u'\r', QStringLiteral("%0D"));
    return field;
}

QString Unescape(const QString& field) {
    return field.contains(u'%') ? QUrl::fromPercentEncoding(field.toUtf8()) : field;
}

qint64 SizeOf(const QString& path) {
    const QFileInfo info(path);
    return info.exists() ? info.size() : 0;
}

}  // namespace

QString JournalFolder(const QString& folder) {
    QString path = folder;
    if (path.isEmpty()) {
        const QString data = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
        path = QDir(data.isEmpty() ? QDir::home().filePath(QStringLiteral(".local/share/QLN")) : data)
                   .filePath(QStringLiteral("journals"));
    }
    QDir().mkpath(path);
    return path;
}

QByteArray HashOfFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file)) return {};
    return hash.result().toHex();
}

QByteArray MarkOfFile(const QString& path) {
    platform::FileStatus status;
    if (!platform::StatPath(path, status) || status.kind != platform::FileKind::Regular) return {};
    const QFileInfo info(path);
    return "file:" + QByteArray::number(qulonglong(status.id.device)) + ':' + QByteArray::number(qulonglong(status.id.file)) +
           ':' + QByteArray::number(qlonglong(status.size)) + ':' +
           QByteArray::number(info.lastModified().toMSecsSinceEpoch());
}

bool StillAsSaved(const QString& path, const QByteArray& saved) {
    if (saved.startsWith("file:")) return MarkOfFile(path) == saved;
    return HashOfFile(path) == saved;
}

int JournalInfo::Changes() const {
    int total = 0;
    for (const JournalEntry& entry : drawings) total += entry.changes;
    return total;
}

std::optional<JournalInfo> ReadJournal(const QString& folder) {
    QFile file(QDir(folder).filePath(QLatin1String(kJournalFile)));
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    JournalInfo info;
    info.folder = folder;
    bool known = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).chopped(0).trimmed();
        if (line.isEmpty()) continue;
        QStringList fields = line.split(u'\t');
        for (QString& field : fields) field = Unescape(field);
        const QString& key = fields.first();
        if (key == QLatin1String(kMagic)) known = true;
        else if (!known) return std::nullopt;
        else if (key == u"id" && fields.size() > 1) info.id = fields[1];
        else if (key == u"kind" && fields.size() > 1) info.kind = fields[1];
        else if (key == u"source" && fields.size() > 1) info.source = fields[1];
        else if (key == u"started" && fields.size() > 1) info.started = QDateTime::fromString(fields[1], Qt::ISODate);
        else if (key == u"finished") info.finished = true;
        else if (key == u"drawing" && fields.size() >= 5) {
            JournalEntry entry;
            entry.drawing = fields[1];
            entry.previous = fields[2].isEmpty() ? QString() : QDir(folder).filePath(fields[2]);
            entry.savedHash = fields[3].toLatin1();
            entry.changes = fields[4].toInt();
            if (!entry.previous.isEmpty()) info.bytes += SizeOf(entry.previous);
            info.drawings.append(entry);
        }
    }
    if (!known || info.id.isEmpty()) return std::nullopt;
    return info;
}

QList<JournalInfo> ListJournals(const QString& journals) {
    QList<JournalInfo> list;
    const QDir dir(journals);
    for (const QString& name : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name))
        if (auto info = ReadJournal(dir.filePath(name))) list.append(*info);
    std::stable_sort(list.begin(), list.end(), [](const JournalInfo& a, const JournalInfo& b) {
        return a.started != b.started ? a.started < b.started : a.id < b.id;
    });
    return list;
}

int PruneJournals(const QString& journals, int days, const QDateTime& now) {
    int removed = 0;
    const QDateTime limit = now.addDays(-days);
    for (const JournalInfo& info : ListJournals(journals)) {
        if (info.started.isValid() && info.started < limit && QDir(info.folder).removeRecursively()) ++removed;
    }
    return removed;
}

bool RunJournal::Start(const QString& journals, const QString& kind, const QString& source, QString* error) {
    const QDateTime now = QDateTime::currentDateTime();
    const QString base = now.toString(QLatin1String(kIdFormat));
    const QDir root(journals);
    if (!root.exists() && !QDir().mkpath(journals)) {
        if (error) *error = QStringLiteral("the journal folder %1 cannot be made").arg(QDir::toNativeSeparators(journals));
        return false;
    }
    // Making the folder is what reserves the id, so two runs started in the same second take two ids.
    for (int n = 1; n < 1000 && id_.isEmpty(); ++n) {
        const QString id = n == 1 ? base : base + u'-' + QString::number(n);
        if (!root.exists(id) && root.mkdir(id)) id_ = id;
    }
    if (id_.isEmpty()) {
        if (error) *error = QStringLiteral("no journal folder can be made in %1").arg(QDir::toNativeSeparators(journals));
        return false;
    }
    folder_ = root.filePath(id_);
    file_.setFileName(QDir(folder_).filePath(QLatin1String(kJournalFile)));
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Append)) {
        if (error) *error = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(file_.fileName()), file_.errorString());
        QDir(folder_).removeRecursively();
        id_.clear();
        return false;
    }
    WriteLine({QLatin1String(kMagic), QStringLiteral("1")});
    WriteLine({QStringLiteral("id"), id_});
    WriteLine({QStringLiteral("kind"), kind});
    WriteLine({QStringLiteral("source"), source});
    WriteLine({QStringLiteral("started"), now.toString(Qt::ISODate)});
    return true;
}

void RunJournal::WriteLine(const QStringList& fields) {
    QStringList escaped;
    for (const QString& field : fields) escaped << Escape(field);
    file_.write((escaped.join(u'\t') + u'\n').toUtf8());
    // Each line reaches the file before the run goes on, so that a run killed later keeps it.
    file_.flush();
}

QString RunJournal::NextName(const QString& drawing) {
    const QString suffix = QFileInfo(drawing).suffix();
    const QMutexLocker lock(&mutex_);
    return QString::number(++next_) + (suffix.isEmpty() ? QString() : u'.' + suffix);
}

std::optional<RunJournal::Pending> RunJournal::Before(const QString& drawing, const QString& backup,
                                                      bool backupIsPrevious) {
    if (!IsOpen()) return std::nullopt;
    Pending p;
    p.drawing = QFileInfo(drawing).absoluteFilePath();
    platform::FileStatus status;
    if (!platform::StatPath(p.drawing, status) || status.kind != platform::FileKind::Regular) return std::nullopt;
    p.id = status.id;
    p.size = status.size;
    p.backup = backup;
    if (backup.isEmpty()) {
        // No backup will hold the previous version: copy it now, before the save replaces it.
        p.copy = QDir(folder_).filePath(NextName(p.drawing));
        if (!QFile::copy(p.drawing, p.copy)) p.copy.clear();
    } else if (!backupIsPrevious) {
        p.hash = HashOfFile(p.drawing);
    }
    return p;
}

bool RunJournal::Saved(std::optional<Pending> pending, int changes, QString* error) {
    if (!pending) return true;
    Pending& p = *pending;
    QString previous;
    QByteArray saved;
    if (!p.copy.isEmpty()) {
        saved = HashOfFile(p.drawing);
        if (HashOfFile(p.copy) == saved) {
            // The save wrote nothing new: there is nothing to undo.
            QFile::remove(p.copy);
            return true;
        }
        previous = p.copy;
    } else if (p.hash.isEmpty()) {
        // The backup is the previous file itself: a save replaces the drawing by a new file and keeps the
        // old one under the backup's name, so the files are told apart by what they are, not by reading
        // them. The drawing still being the file it was means nothing was saved.
        platform::FileStatus now;
        if (platform::StatPath(p.drawing, now) && now.id == p.id) return true;
        // Only another replacement changes what was saved, so what the file is tells it from a later
        // version, without reading and hashing every drawing saved.
        saved = MarkOfFile(p.drawing);
        platform::FileStatus backup;
        if (platform::StatPath(p.backup, backup) && backup.id == p.id) {
            previous = QDir(folder_).filePath(NextName(p.drawing));
            if (!platform::MakeHardLink(p.backup, previous) && !QFile::copy(p.backup, previous)) previous.clear();
        }
    } else {
        saved = HashOfFile(p.drawing);
        if (saved == p.hash) return true;
        // The backup holds the previous version if its bytes are the ones the drawing had.
        if (HashOfFile(p.backup) == p.hash) {
            previous = QDir(folder_).filePath(NextName(p.drawing));
            if (!platform::MakeHardLink(p.backup, previous) && !QFile::copy(p.backup, previous)) previous.clear();
        }
    }
    WriteEntry(p.drawing, previous.isEmpty() ? QString() : QFileInfo(previous).fileName(), saved, changes,
               previous.isEmpty() ? 0 : p.size);
    if (previous.isEmpty()) {
        if (error)
            *error = QStringLiteral("the previous version of %1 could not be kept in the journal; this drawing cannot be undone")
                         .arg(QDir::toNativeSeparators(p.drawing));
        return false;
    }
    return true;
}

QString RunJournal::KeepCurrent(const QString& drawing) {
    if (!IsOpen()) return {};
    const QString kept = QDir(folder_).filePath(NextName(drawing));
    if (platform::MakeHardLink(drawing, kept) || QFile::copy(drawing, kept)) return kept;
    return {};
}

void RunJournal::Restored(const QString& drawing, const QString& previous, const QByteArray& savedHash) {
    if (!IsOpen()) return;
    WriteEntry(QFileInfo(drawing).absoluteFilePath(), previous.isEmpty() ? QString() : QFileInfo(previous).fileName(),
               savedHash, 0, previous.isEmpty() ? 0 : SizeOf(previous));
}

void RunJournal::WriteEntry(const QString& drawing, const QString& previous, const QByteArray& savedHash,
                            int changes, qint64 previousBytes) {
    const QMutexLocker lock(&mutex_);
    WriteLine({QStringLiteral("drawing"), drawing, previous, QString::fromLatin1(savedHash), QString::number(changes)});
    ++drawings_;
    bytes_ += previousBytes;
}

void RunJournal::Finish() {
    if (!IsOpen()) return;
    WriteLine({QStringLiteral("finished"), QDateTime::currentDateTime().toString(Qt::ISODate)});
    file_.close();
    if (drawings_ == 0) QDir(folder_).removeRecursively();
}

}  // namespace qln
