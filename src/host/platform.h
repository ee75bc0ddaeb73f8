#pragma once
// The few calls of the operating system that Qt does not make for the program, behind one small
// interface: platform_posix.cpp realises it on Linux and other POSIX systems, a Win32 file does on
// Windows. The file layer (file_io.h) builds reading, saving and locking drawings on the file calls
// here; whatever Qt already does portably and well enough (listing folders, canonical paths) goes
// through Qt instead.
//
// Every call that can fail returns false (or kNoFile) and, when `error` is given, puts there the
// system's own words for the failure ("No space left on device"). None of them throws.

#include <QString>

#include <cstdint>

namespace qln::platform {

// Give the existing file `target` the second name `linkName`, a hard link: both names reach the same
// file, so nothing is copied. False when that cannot be done (`linkName` exists, the two are on
// different volumes, the file system has no hard links, no permission).
bool MakeHardLink(const QString& target, const QString& linkName, QString* error = nullptr);

enum class StandardStream { Input, Output, Error };

// Whether the process's standard stream is a terminal (a console on Windows) rather than a file or a
// pipe: progress drawn for a person goes only there.
bool IsTerminal(StandardStream stream);

// ---- Files ---------------------------------------------------------------------------------------------

// An open file: a file descriptor (POSIX) or a HANDLE (Windows), as an integer.
using NativeFile = std::intptr_t;
inline constexpr NativeFile kNoFile = -1;

enum class FileKind { Missing, Regular, Folder, Other };

// Which file a name reaches, whatever the name: two hard links (or a link and its target) give equal
// identities. Device and file number (POSIX st_dev/st_ino; Windows volume serial and file index).
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t file = 0;
    bool operator==(const FileIdentity&) const = default;
};

struct FileStatus {
    FileKind kind = FileKind::Missing;
    QString kindName;           // for messages: "a folder", "a FIFO", "a character device", ...
    std::int64_t size = 0;      // bytes, for regular files
    FileIdentity id;
    std::uint64_t links = 1;    // how many names the file has
    bool readOnly = false;      // write-protected for everyone (no write permission; the read-only attribute)
    // What a replacement takes over to stay the same file to its users (owner, group, permissions),
    // in the platform's own terms.
    std::uint32_t owner = 0, group = 0, mode = 0;
};

// The status of what `path` reaches, following symbolic links. A missing file is no failure (kind
// Missing); false only when the system cannot say (a folder on the way cannot be searched).
bool StatPath(const QString& path, FileStatus& status, QString* error = nullptr);
bool StatFile(NativeFile file, FileStatus& status, QString* error = nullptr);

// Open an existing file for reading, or for reading and writing. Never blocks on a special file (a FIFO
// without a writer opens at once), never makes a terminal the process's controlling one; the caller
// checks with StatFile that it has a regular file before reading from it.
enum class Access { Read, ReadWrite };
NativeFile OpenExisting(const QString& path, Access access, QString* error = nullptr);
// Create a new file for writing, failing when the name exists (whatever it is: a link is not followed).
// Only the user may read it until SetOwnership gives it its final permissions.
NativeFile CreateExclusive(const QString& path, QString* error = nullptr);
// Read up to `size` bytes at the file position: the count read (0 at the end), or -1.
std::int64_t ReadSome(NativeFile file, char* data, std::int64_t size, QString* error = nullptr);
// Write up to `size` bytes: the count written, which may be short, or -1.
std::int64_t WriteSome(NativeFile file, const char* data, std::int64_t size, QString* error = nullptr);
// Put the file's data on the disk (fdatasync; FlushFileBuffers).
bool SyncData(NativeFile file, QString* error = nullptr);
// Close the file; false when the system reports a failure of data written through it.
bool CloseFile(NativeFile file, QString* error = nullptr);
// A second handle of the same open file: a lock taken on one is held by both until both are closed.
NativeFile Duplicate(NativeFile file, QString* error = nullptr);

// Give a new file the owner, group and permissions recorded in `like`. Permissions are always given;
// false, with the file left with this user as owner, when the owner or the group cannot be kept (only
// an administrator may give a file to another user).
bool SetOwnership(NativeFile file, const FileStatus& like, QString* error = nullptr);

// Rename `from` to `to`, replacing what `to` names (the file itself, never a link's target) in one step:
// at every instant `to` names the old file or the new one.
bool ReplaceFile(const QString& from, const QString& to, QString* error = nullptr);
// Whether ReplaceFile can replace a file that is open (POSIX: yes). Where it cannot (Windows refuses to
// rename over a file with open handles), whoever holds the target open closes it just before.
bool OpenFilesCanBeReplaced();
bool RemoveFile(const QString& path, QString* error = nullptr);
// Put the folder's entries (names created, renamed, removed) on the disk. Where the system has no such
// call (Windows) it succeeds and does nothing.
bool SyncFolder(const QString& folder, QString* error = nullptr);

// ---- Locks ---------------------------------------------------------------------------------------------

// Take the exclusive advisory lock of an open file without waiting (flock; LockFileEx). The lock belongs
// to the file, not to a name, and goes when every handle of it is closed or the process ends, however it
// ends. False when another handle (in this process or another) holds it; `*heldElsewhere` then true.
bool TryLockFile(NativeFile file, bool* heldElsewhere, QString* error = nullptr);
// The process holding the lock of a file, when the system tells (Linux: /proc/locks); 0 when unknown.
std::int64_t LockHolder(const FileIdentity& id);

// ---- Processes -----------------------------------------------------------------------------------------

std::int64_t CurrentProcessId();
// Whether a process of that number runs on this computer now.
bool ProcessExists(std::int64_t pid);
QString HostName();

// From now on, bytes written to the standard output reach it unchanged. The C runtime on Windows
// turns every LF into CR LF by default, which gives lines already ended by CR LF a second CR.
void UseBinaryStandardOutput();

// Write `text` to the standard output or error stream. A console on Windows is given it as UTF-16, so
// that every letter shows whatever the console's code page, and is asked to act on the terminal
// sequences the progress line uses; a file or a pipe on Windows gets UTF-8, as the text files do (the
// ANSI code page would lose letters); a POSIX stream gets the system's 8-bit encoding.
void WriteText(StandardStream stream, const QString& text);

}  // namespace qln::platform
