#include "host/file_io.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <limits>

namespace qln::fileio {

using host::Error;
using host::Result;
using host::Status;
using platform::FileKind;
using platform::FileStatus;
using platform::kNoFile;

namespace {

ReadLimits g_limits;
FaultInjector* g_faults = nullptr;

// A step of a save, failed on demand by the fault injector first.
std::optional<QString> Injected(Step step, const QString& path, std::int64_t* size = nullptr) {
    if (!g_faults) return std::nullopt;
    std::int64_t ignored = 0;
    return g_faults->Before(step, path, size ? size : &ignored);
}

QString Shown(const QString& path) { return QDir::toNativeSeparators(path); }

QString FolderOf(const QString& path) { return QFileInfo(path).path(); }

QString NameOf(const QString& path) { return QFileInfo(path).fileName(); }

// Write all of data, however many calls it takes; a short count is not a failure, a count of 0 is.
Status WriteAll(platform::NativeFile f, const QString& path, const char* data, std::int64_t size) {
    while (size > 0) {
        std::int64_t chunk = size;
        QString why;
        if (auto fault = Injected(Step::Write, path, &chunk)) {
            why = *fault;
        } else {
            chunk = std::clamp<std::int64_t>(chunk, 1, size);
            const std::int64_t written = platform::WriteSome(f, data, chunk, &why);
            if (written > 0) {
                data += written;
                size -= written;
                continue;
            }
            if (written == 0) why = QStringLiteral("nothing more could be written");
        }
        return Error{host::kPathAccessError, QStringLiteral("writing %1 failed: %2").arg(Shown(path), why)};
    }
    return {};
}

// What the save writes goes through this device: collected in large pieces, each written with WriteAll.
// After a failure every write fails, and Finish says why.
class FileWriter final : public QIODevice {
public:
    FileWriter(platform::NativeFile f, QString path) : f_(f), path_(std::move(path)) {
        open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }
    Status Finish() {
        Flush();
        return status_;
    }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override {
        if (!status_) return -1;
        if (size >= kPiece) {
            Flush();
            if (status_) status_ = WriteAll(f_, path_, data, size);
        } else {
            pending_.append(data, size);
            if (pending_.size() >= kPiece) Flush();
        }
        if (!status_) {
            setErrorString(status_.error().description);
            return -1;
        }
        return size;
    }

private:
    static constexpr qint64 kPiece = 1 << 20;
    void Flush() {
        if (status_ && !pending_.isEmpty()) status_ = WriteAll(f_, path_, pending_.constData(), pending_.size());
        pending_.clear();
    }

    platform::NativeFile f_;
    QString path_;
    QByteArray pending_;
    Status status_;
};

// Read an open regular file whole: `expected` bytes as its status said, more if it grew while read, but
// never more than maxBytes.
Result<QByteArray> ReadOpen(platform::NativeFile f, const QString& path, std::int64_t expected, std::int64_t maxBytes) {
    QByteArray bytes(qsizetype(std::min(expected, maxBytes)), Qt::Uninitialized);
    qsizetype got = 0;
    for (;;) {
        if (got == bytes.size()) {
            // Full: one more read tells the end from a file that grew.
            char probe[4096];
            QString why;
            const std::int64_t n = platform::ReadSome(f, probe, sizeof probe, &why);
            if (n < 0) return Error{host::kPathAccessError, QStringLiteral("reading failed: %1").arg(why)};
            if (n == 0) break;
            if (got + n > maxBytes)
                return Error{host::kPathAccessError, QStringLiteral("it is larger than the %1 allowed").arg(SizeText(maxBytes))};
            bytes.append(probe, qsizetype(n));
            got += qsizetype(n);
            bytes.resize(qsizetype(std::min<std::int64_t>(maxBytes, std::int64_t(got) * 2)));
            continue;
        }
        QString why;
        const std::int64_t n = platform::ReadSome(f, bytes.data() + got, bytes.size() - got, &why);
        if (n < 0) return Error{host::kPathAccessError, QStringLiteral("reading failed: %1").arg(why)};
        if (n == 0) break;  // shorter than it was: it shrank while read
        got += qsizetype(n);
    }
    bytes.truncate(got);
    (void)path;
    return bytes;
}

QString LockInfoText() {
    return QString::number(platform::CurrentProcessId()) + u'\n' + platform::HostName() + u'\n' +
           QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")) + u'\n';
}

// Write the lock information beside a locked file; one left by a killed run is replaced. A name there
// that is not a file of ours (a link, a folder) is never written through.
Status WriteLockInfo(const QString& infoPath) {
    QString why;
    File info(platform::CreateExclusive(infoPath, &why));
    if (!info.isOpen()) {
        platform::RemoveFile(infoPath);
        info = File(platform::CreateExclusive(infoPath, &why));
    }
    if (!info.isOpen())
        return Error{host::kPermissionDenied, QStringLiteral("no file can be made in its folder (%1)").arg(why)};
    const QByteArray text = LockInfoText().toUtf8();
    Status s = WriteAll(info.get(), infoPath, text.constData(), text.size());
    if (s) s = info.Close(infoPath);
    if (!s) platform::RemoveFile(infoPath);
    return s;
}

// Who holds the lock of a file, as far as can be told.
QString HolderText(const platform::FileIdentity& id, const QString& infoPath) {
    const std::int64_t holder = platform::LockHolder(id);
    const std::optional<LockInfo> info = ReadLockInfo(infoPath);
    const bool here = info && info->host == platform::HostName();
    if (info && (here ? (holder == info->pid || (holder == 0 && platform::ProcessExists(info->pid))) : holder == 0)) {
        QString who = QStringLiteral("by process %1").arg(info->pid);
        if (!here && !info->host.isEmpty()) who += QStringLiteral(" on ") + info->host;
        return who + QStringLiteral(" since ") + info->since;
    }
    if (holder > 0) return QStringLiteral("by process %1").arg(holder);
    return QStringLiteral("by another program");
}

}  // namespace

const ReadLimits& Limits() { return g_limits; }
void SetLimits(const ReadLimits& limits) { g_limits = limits; }
void SetFaultInjector(FaultInjector* injector) { g_faults = injector; }

QString SizeText(std::int64_t bytes) {
    constexpr std::int64_t KB = 1024, MB = KB * 1024, GB = MB * 1024;
    auto scaled = [](std::int64_t v, std::int64_t unit, const char* name) {
        const double x = double(v) / double(unit);
        const bool whole = v % unit == 0;
        return QString::number(x, 'f', whole ? 0 : 1) + u' ' + QLatin1String(name);
    };
    if (bytes >= GB) return scaled(bytes, GB, "GB");
    if (bytes >= MB) return scaled(bytes, MB, "MB");
    if (bytes >= 10 * KB) return scaled(bytes, KB, "KB");
    return QString::number(bytes) + QStringLiteral(" bytes");
}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        if (isOpen()) platform::CloseFile(f_);
        f_ = std::exchange(other.f_, kNoFile);
    }
    return *this;
}

File::~File() {
    if (isOpen()) platform::CloseFile(f_);
}

Status File::Close(const QString& path) {
    if (!isOpen()) return {};
    const platform::NativeFile f = std::exchange(f_, kNoFile);
    QString why;
    if (auto fault = Injected(Step::Close, path)) {
        platform::CloseFile(f);
        why = *fault;
    } else if (platform::CloseFile(f, &why)) {
        return {};
    }
    return Error{host::kPathAccessError, QStringLiteral("closing %1 failed: %2").arg(Shown(path), why)};
}

Result<FileStatus> CheckReadable(const QString& path, std::int64_t maxBytes) {
    FileStatus st;
    QString why;
    if (!platform::StatPath(path, st, &why)) return Error{host::kPathAccessError, why};
    switch (st.kind) {
        case FileKind::Missing: return Error{host::kFileNotFound, QStringLiteral("the file does not exist")};
        case FileKind::Folder: return Error{host::kPathAccessError, QStringLiteral("it is a folder, not a file")};
        case FileKind::Other:
            return Error{host::kPathAccessError, QStringLiteral("it is %1, not a regular file").arg(st.kindName)};
        case FileKind::Regular: break;
    }
    if (st.size > maxBytes)
        return Error{host::kPathAccessError,
                     QStringLiteral("it is %1, larger than the %2 allowed").arg(SizeText(st.size), SizeText(maxBytes))};
    return st;
}

namespace {
// An existing file opened, and its status, when it is a regular file: a name checked before may reach
// something else by the time it is opened.
struct OpenedFile {
    File file;
    FileStatus status;
};
Result<OpenedFile> OpenRegular(const QString& path, platform::Access access) {
    QString why;
    File f(platform::OpenExisting(path, access, &why));
    if (!f.isOpen()) return Error{host::kPermissionDenied, why};
    FileStatus st;
    if (!platform::StatFile(f.get(), st, &why)) return Error{host::kPathAccessError, why};
    if (st.kind != FileKind::Regular)
        return Error{host::kPathAccessError, QStringLiteral("it is %1, not a regular file").arg(st.kindName)};
    return OpenedFile{std::move(f), st};
}
}  // namespace

Result<QByteArray> ReadWhole(const QString& path, std::int64_t maxBytes, FileStatus* status) {
    auto checked = CheckReadable(path, maxBytes);
    if (!checked) return checked.error();
    auto opened = OpenRegular(path, platform::Access::Read);
    if (!opened) return opened.error();
    auto bytes = ReadOpen(opened->file.get(), path, opened->status.size, maxBytes);
    if (bytes && status) *status = opened->status;
    return bytes;
}

Result<QByteArray> ReadRegularFile(const QString& path, std::int64_t maxBytes) { return ReadWhole(path, maxBytes); }

// ---- LockedFile -----------------------------------------------------------------------------------------

namespace {
// `path` opened for reading and writing, a regular file, under its lock: the open file and its status.
Result<OpenedFile> OpenAndLock(const QString& path, const QString& infoPath) {
    auto opened = OpenRegular(path, platform::Access::ReadWrite);
    if (!opened) return opened.error();
    QString why;
    bool held = false;
    if (!platform::TryLockFile(opened->file.get(), &held, &why)) {
        if (held)
            return Error{host::kPermissionDenied,
                         QStringLiteral("it is already open for writing ") + HolderText(opened->status.id, infoPath)};
        return Error{host::kPermissionDenied, QStringLiteral("it cannot be locked: %1").arg(why)};
    }
    return opened;
}
}  // namespace

Result<LockedFile> LockedFile::Open(const QString& path, const QString& infoPath, std::int64_t maxBytes) {
    auto checked = CheckReadable(path, maxBytes < 0 ? std::numeric_limits<std::int64_t>::max() : maxBytes);
    if (!checked) return checked.error();
    if (checked->readOnly) return Error{host::kPermissionDenied, QStringLiteral("the file is write-protected")};
    // A save by another run can give the name to a new file between opening and locking: then the file
    // locked is no longer the drawing, and the name is opened again.
    for (int attempt = 0; attempt < 5; ++attempt) {
        auto opened = OpenAndLock(path, infoPath);
        if (!opened) return opened.error();
        QString why;
        FileStatus now;
        if (!platform::StatPath(path, now, &why)) return Error{host::kPathAccessError, why};
        if (now.id != opened->status.id) continue;

        LockedFile locked;
        locked.file_ = std::move(opened->file);
        locked.status_ = opened->status;
        const FileStatus& st = locked.status_;
        if (auto s = WriteLockInfo(infoPath); !s) return s.error();
        locked.infoPath_ = infoPath;
        if (maxBytes < 0) return locked;
        auto bytes = ReadOpen(locked.file_.get(), path, st.size, maxBytes);
        if (!bytes) return bytes.error();  // the lock and its information go with `locked`
        locked.bytes_ = std::move(bytes.value());
        return locked;
    }
    return Error{host::kPermissionDenied, QStringLiteral("it keeps being replaced while it is opened")};
}

LockedFile& LockedFile::operator=(LockedFile&& other) noexcept {
    if (this != &other) {
        Release();
        file_ = std::move(other.file_);
        status_ = other.status_;
        infoPath_ = std::exchange(other.infoPath_, QString());
        bytes_ = std::move(other.bytes_);
    }
    return *this;
}

LockedFile::~LockedFile() { Release(); }

void LockedFile::Adopt(File newFile, const FileStatus& status, const QString& infoPath) {
    if (infoPath != infoPath_) {
        if (!infoPath_.isEmpty()) platform::RemoveFile(infoPath_);
        infoPath_ = WriteLockInfo(infoPath) ? infoPath : QString();
    }
    file_ = std::move(newFile);
    status_ = status;
}

void LockedFile::Release() {
    // The information goes first, while the lock is still held: nobody else can have written it.
    if (!infoPath_.isEmpty()) platform::RemoveFile(std::exchange(infoPath_, QString()));
    file_ = File();
}

void LockedFile::CloseForReplacing() { file_ = File(); }

Status LockedFile::Reacquire(const QString& path) {
    auto opened = OpenAndLock(path, infoPath_);
    if (!opened) return opened.error();
    if (opened->status.id != status_.id) return Error{host::kPathAccessError, QStringLiteral("it was replaced meanwhile")};
    file_ = std::move(opened->file);
    return {};
}

std::optional<LockInfo> ReadLockInfo(const QString& infoPath) {
    auto bytes = ReadWhole(infoPath, 4096);
    if (!bytes) return std::nullopt;
    const QStringList lines = QString::fromUtf8(*bytes).split(u'\n');
    if (lines.size() < 3) return std::nullopt;
    LockInfo info;
    bool ok = false;
    info.pid = lines[0].toLongLong(&ok);
    if (!ok) return std::nullopt;
    info.host = lines[1];
    info.since = lines[2];
    return info;
}

// ---- Saving ---------------------------------------------------------------------------------------------

Result<SaveOutcome> SaveReplacing(const SaveRequest& request, const std::function<Status(QIODevice&)>& write) {
    const QString& target = request.target;
    const QString folder = FolderOf(target);
    const QString name = NameOf(target);
    // Beside the target, hidden, and never ending like a drawing. The target is locked by its saver, so
    // no other run writes these names at the same time; what a killed run left of them is replaced.
    const QString fresh = QDir(folder).filePath(u'.' + name + QStringLiteral(".qln-new"));
    const QString backupFresh = QDir(folder).filePath(u'.' + name + QStringLiteral(".qln-bak"));
    const QString shownTarget = Shown(target);

    QString why;
    if (request.previous) {
        // Only the file that was opened is replaced: not whatever took its name since (a folder, say).
        FileStatus now;
        if (!platform::StatPath(target, now, &why))
            return Error{host::kPathAccessError, QStringLiteral("%1 cannot be examined: %2").arg(shownTarget, why)};
        if (now.kind != FileKind::Regular || now.id != request.previous->id)
            return Error{host::kPathAccessError,
                         QStringLiteral("%1 was replaced by %2 since it was opened").arg(shownTarget, now.kind == FileKind::Missing ? QStringLiteral("nothing (it was removed)") : now.kindName)};
    }
    File out(platform::CreateExclusive(fresh, &why));
    if (!out.isOpen()) {
        platform::RemoveFile(fresh);
        out = File(platform::CreateExclusive(fresh, &why));
    }
    if (!out.isOpen())
        return Error{host::kPathAccessError, QStringLiteral("no new file can be made beside %1: %2").arg(shownTarget, why)};

    auto fail = [&](const Error& e) -> Result<SaveOutcome> {
        out = File();
        platform::RemoveFile(fresh);
        return e;
    };

    SaveOutcome outcome;
    {
        FileWriter device(out.get(), fresh);
        const Status written = write(device);
        const Status finished = device.Finish();
        if (!finished) return fail(finished.error());
        if (!written) return fail(written.error());
    }
    if (const FileStatus* like = request.previous ? request.previous : request.like) {
        if (!platform::SetOwnership(out.get(), *like, &why))
            outcome.warnings << QStringLiteral("%1 was saved, but its owner could not be kept: %2").arg(shownTarget, why);
    }
    if (auto fault = Injected(Step::Sync, fresh)) why = *fault;
    else if (platform::SyncData(out.get(), &why)) why.clear();
    if (!why.isEmpty())
        return fail(Error{host::kPathAccessError, QStringLiteral("syncing %1 to the disk failed: %2").arg(Shown(fresh), why)});
    if (request.keepLocked) {
        bool held = false;
        platform::TryLockFile(out.get(), &held);
        outcome.locked = File(platform::Duplicate(out.get()));
        platform::StatFile(outcome.locked.get(), outcome.status);
    }
    if (auto closed = out.Close(fresh); !closed) {
        outcome.locked = File();
        return fail(closed.error());
    }

    // Hard links of the target other than its backup would go on naming the previous file.
    if (request.previous && request.previous->links > 1) {
        std::uint64_t others = request.previous->links - 1;
        FileStatus bak;
        if (!request.backup.isEmpty() && platform::StatPath(request.backup, bak) && bak.id == request.previous->id) --others;
        if (others > 0)
            outcome.warnings << QStringLiteral("%1 was saved as a new file: its %2 other name(s) (hard links) still "
                                               "name the previous version")
                                    .arg(shownTarget)
                                    .arg(others);
    }

    // The backup, last: a second name of the previous file, put in place by a rename, so that the old
    // backup is replaced only once the new file is known to be whole on the disk.
    bool backupByRename = false;
    if (request.previous && !request.backup.isEmpty()) {
        auto link = [&] {
            if (auto fault = Injected(Step::Link, backupFresh)) return why = *fault, false;
            return platform::MakeHardLink(target, backupFresh, &why);
        };
        bool linked = link();
        if (!linked) {
            platform::RemoveFile(backupFresh);
            linked = link();
        }
        if (linked) {
            if (auto fault = Injected(Step::Rename, request.backup)) why = *fault;
            else if (platform::ReplaceFile(backupFresh, request.backup, &why)) why.clear();
            if (!why.isEmpty()) {
                platform::RemoveFile(backupFresh);
                outcome.warnings << QStringLiteral("No backup of %1 could be kept: %2").arg(shownTarget, why);
            }
        } else {
            // No hard links here: the previous file itself becomes the backup, just before the new one
            // takes its name.
            backupByRename = true;
        }
    }
    if (backupByRename) {
        if (!platform::ReplaceFile(target, request.backup, &why)) {
            outcome.warnings << QStringLiteral("No backup of %1 could be kept: %2").arg(shownTarget, why);
            backupByRename = false;
        }
    }

    // Where open files cannot be renamed over, the saver's lock of the previous file goes just before. The
    // new file is locked already, so whoever opens the name from now on meets a lock either way.
    const bool closedTarget = request.lockedTarget && !platform::OpenFilesCanBeReplaced();
    if (closedTarget) request.lockedTarget->CloseForReplacing();
    if (auto fault = Injected(Step::Rename, target)) why = *fault;
    else if (platform::ReplaceFile(fresh, target, &why)) why.clear();
    if (!why.isEmpty()) {
        if (backupByRename) platform::ReplaceFile(request.backup, target);  // the previous file back in place
        QString unlocked;
        if (closedTarget) {
            if (auto again = request.lockedTarget->Reacquire(target); !again)
                unlocked = QStringLiteral(" (and it is no longer locked: %1)").arg(again.error().description);
        }
        outcome.locked = File();
        return fail(Error{host::kPathAccessError, QStringLiteral("%1 could not be replaced: %2%3").arg(shownTarget, why, unlocked)});
    }
    return outcome;
}

QStringList FolderSyncs::SyncAll() {
    QStringList failed;
    for (const QString& folder : folders_) {
        QString why;
        if (!platform::SyncFolder(folder, &why))
            failed << QStringLiteral("The folder %1 could not be synced to the disk: %2").arg(Shown(folder), why);
    }
    folders_.clear();
    return failed;
}

}  // namespace qln::fileio
