#pragma once
// The file layer: reading, saving and locking the files the program works on, so that nothing is lost
// whatever the machine does (a full disk, a failing sync, a run killed half-way) and nothing hostile is
// read (a FIFO, a device, a file of gigabytes).
//
//   auto bytes = fileio::ReadRegularFile(path, fileio::Limits().textFile);   // refused: not regular, too big
//
//   auto locked = fileio::LockedFile::Open(path, infoPath, fileio::Limits().drawing);
//   ... locked->Bytes() ...
//   fileio::SaveRequest save{path, backupPath, &locked->Status(), /*keepLocked=*/true};
//   auto saved = fileio::SaveReplacing(save, [&](QIODevice& out) { return drawing.Write(out); });
//
// Saving writes a temporary file beside the target, gives it the target's owner, group and permissions,
// syncs and closes it (every write looped and checked), then keeps the previous file as the backup (a
// second name for it, put in place by a rename) and renames the new file over the target. Any failure
// before that last rename leaves the target as it was and says why.
//
// The operating-system calls are platform.h's; the steps that can fail on a failing machine pass through
// a fault-injection seam (SetFaultInjector) so that tests can fail them on demand.

#include "host/platform.h"
#include "host/result.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <optional>
#include <set>

namespace qln::fileio {

// ---- Settings ------------------------------------------------------------------------------------------

// The most the program reads of one file; anything larger is refused with a message saying so.
struct ReadLimits {
    std::int64_t drawing = std::int64_t(2) << 30;   // 2 GB
    std::int64_t textFile = std::int64_t(16) << 20; // templates and drawing list files: 16 MB
};
const ReadLimits& Limits();
void SetLimits(const ReadLimits& limits);

// "512 bytes", "16 MB", "4.1 GB".
QString SizeText(std::int64_t bytes);

// ---- Fault injection -----------------------------------------------------------------------------------

enum class Step { Write, Sync, Close, Rename, Link };

// Called before each step of a save. Return an error text to make the step fail with it (as the system
// would: "No space left on device"); for a Write, lowering *size instead makes it a short write.
class FaultInjector {
public:
    virtual ~FaultInjector() = default;
    virtual std::optional<QString> Before(Step step, const QString& path, std::int64_t* size) = 0;
};
// The injector every save consults from now on (nullptr: none). For tests only.
void SetFaultInjector(FaultInjector* injector);

// ---- Reading -------------------------------------------------------------------------------------------

// Why `path` cannot be read as a file of at most maxBytes, judged before anything is opened: it does not
// exist, is a folder, is not a regular file (a FIFO, a device), or is too large. Its status when it can.
host::Result<platform::FileStatus> CheckReadable(const QString& path, std::int64_t maxBytes);

// The whole of a regular file of at most maxBytes, read once, or why not.
host::Result<QByteArray> ReadRegularFile(const QString& path, std::int64_t maxBytes);

// ---- An open file --------------------------------------------------------------------------------------

// One open file, closed (unchecked) when dropped; Close() reports what closing says.
class File {
public:
    File() = default;
    explicit File(platform::NativeFile f) : f_(f) {}
    File(File&& other) noexcept : f_(std::exchange(other.f_, platform::kNoFile)) {}
    File& operator=(File&& other) noexcept;
    ~File();
    platform::NativeFile get() const { return f_; }
    bool isOpen() const { return f_ != platform::kNoFile; }
    host::Status Close(const QString& path);

private:
    platform::NativeFile f_ = platform::kNoFile;
};

// ---- Locked files --------------------------------------------------------------------------------------

// A regular file open for reading and writing under its exclusive lock, read whole. The lock belongs to
// the file, whichever name reached it (hard links, symbolic links), and dies with the process that holds
// it, however it ends: a run that was killed never blocks the file. Beside the file, `infoPath` says who
// holds it and since when, for the message another run gives; it is removed when the lock goes, and one
// left behind by a killed run is simply overwritten.
class LockedFile {
public:
    // maxBytes < 0: lock only, read nothing.
    static host::Result<LockedFile> Open(const QString& path, const QString& infoPath, std::int64_t maxBytes);
    LockedFile() = default;  // holds nothing
    LockedFile(LockedFile&&) noexcept = default;
    LockedFile& operator=(LockedFile&&) noexcept;
    ~LockedFile();

    const platform::FileStatus& Status() const { return status_; }
    QByteArray TakeBytes() { return std::move(bytes_); }
    // After the file was replaced by a save (or made by one): hold the new file's lock, taken by
    // SaveReplacing, with its information at `infoPath` from now on.
    void Adopt(File newFile, const platform::FileStatus& status, const QString& infoPath);
    void Release();
    // Where an open file cannot be replaced (platform::OpenFilesCanBeReplaced), the save closes the file
    // just before renaming the new one over it, keeping the lock information; when that rename fails,
    // Reacquire opens and locks `path` again, if it is still the same file.
    void CloseForReplacing();
    host::Status Reacquire(const QString& path);

private:
    File file_;
    platform::FileStatus status_;
    QString infoPath_;
    QByteArray bytes_;
};

// A file open for reading only, read whole (no lock: readers never block anyone).
host::Result<QByteArray> ReadWhole(const QString& path, std::int64_t maxBytes, platform::FileStatus* status = nullptr);

// ---- Saving --------------------------------------------------------------------------------------------

struct SaveRequest {
    QString target;                                  // the file to replace or create (no link: its real path)
    QString backup;                                  // where the previous file goes; empty for none
    const platform::FileStatus* previous = nullptr;  // the file replaced; nullptr when there is none
    const platform::FileStatus* like = nullptr;      // a new file's owner, group and permissions: this file's
    bool keepLocked = false;                         // hand back the new file open and locked
    LockedFile* lockedTarget = nullptr;              // the saver's lock of `previous`, if it holds one
};

struct SaveOutcome {
    File locked;              // keepLocked: the new file, locked
    platform::FileStatus status;
    QStringList warnings;     // done, but not all as it should be (no backup, an owner or a link not kept)
};

// Save what `write` writes to the device it is given as the new content of request.target (see the top
// of this file). The failure says which step failed and the system's reason; the target is unchanged.
host::Result<SaveOutcome> SaveReplacing(const SaveRequest& request,
                                        const std::function<host::Status(QIODevice&)>& write);

// Folders whose entries changed (by a rename), synced once each when the work is done rather than once
// per file.
class FolderSyncs {
public:
    ~FolderSyncs() { SyncAll(); }
    void Note(const QString& folder) { folders_.insert(folder); }
    // The folders that could not be synced, with the reason, one line each.
    QStringList SyncAll();

private:
    std::set<QString> folders_;
};

// The text of the lock information kept beside a locked file: "<pid>\n<host>\n<ISO time>\n".
struct LockInfo {
    std::int64_t pid = 0;
    QString host;
    QString since;  // local date and time, "yyyy-MM-dd hh:mm:ss"
};
std::optional<LockInfo> ReadLockInfo(const QString& infoPath);

}  // namespace qln::fileio
