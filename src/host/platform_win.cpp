// platform.h over Win32.

#include "host/platform.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <string>

#include <fcntl.h>
#include <io.h>
#include <windows.h>
// windows.h names its own ReplaceFile (a macro for ReplaceFileW); this file defines platform.h's.
#undef ReplaceFile

namespace qln::platform {

namespace {

// A path as the wide-character calls of Win32 take it: absolute, with backslashes, and past MAX_PATH
// through the \\?\ form (which takes no "." or ".." and no forward slashes, hence the clean path).
std::wstring Win32Path(const QString& path) {
    QString native = QDir::toNativeSeparators(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
    if (native.size() >= MAX_PATH - 12 && !native.startsWith(QLatin1String("\\\\?\\"))) {
        if (native.startsWith(QLatin1String("\\\\"))) native = QLatin1String("\\\\?\\UNC\\") + native.mid(2);
        else native = QLatin1String("\\\\?\\") + native;
    }
    return native.toStdWString();
}

// The system's words for a Win32 error code, without the line end FormatMessage puts after them.
QString ErrorText(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    QString words = n && text ? QString::fromWCharArray(text, int(n)).trimmed() : QString();
    if (text) LocalFree(text);
    if (words.endsWith(u'.')) words.chop(1);
    if (words.isEmpty()) words = QStringLiteral("Windows error %1").arg(code);
    return words;
}

bool Fail(QString* error, DWORD code = GetLastError()) {
    if (error) *error = ErrorText(code);
    return false;
}

HANDLE Handle(NativeFile f) { return reinterpret_cast<HANDLE>(f); }
NativeFile Native(HANDLE h) { return reinterpret_cast<NativeFile>(h); }

// Every handle lets others read, write, delete and rename the file: the new version of a drawing is
// renamed into place while held open (and locked), and a drawing's backup is made by renaming the
// drawing while it is open.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

QString KindOfDevice(DWORD type) {
    switch (type) {
        case FILE_TYPE_CHAR: return QStringLiteral("a character device");
        case FILE_TYPE_PIPE: return QStringLiteral("a pipe");
        default: return QStringLiteral("a special file");
    }
}

bool Fill(HANDLE h, FileStatus& out, QString* error) {
    out = FileStatus{};
    const DWORD type = GetFileType(h);
    if (type != FILE_TYPE_DISK) {
        if (type == FILE_TYPE_UNKNOWN && GetLastError() != NO_ERROR) return Fail(error);
        out.kind = FileKind::Other;
        out.kindName = KindOfDevice(type);
        return true;
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(h, &info)) return Fail(error);
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        out.kind = FileKind::Folder;
        out.kindName = QStringLiteral("a folder");
    } else if (info.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) {
        out.kind = FileKind::Other;
        out.kindName = QStringLiteral("a device");
    } else {
        out.kind = FileKind::Regular;
        out.kindName = QStringLiteral("a regular file");
    }
    out.size = std::int64_t((std::uint64_t(info.nFileSizeHigh) << 32) | info.nFileSizeLow);
    out.id = {info.dwVolumeSerialNumber, (std::uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
    out.links = info.nNumberOfLinks;
    out.readOnly = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    // The attributes stand in for POSIX permissions: SetOwnership takes over the read-only one.
    out.mode = info.dwFileAttributes;
    return true;
}

bool IsMissing(DWORD code) {
    return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND || code == ERROR_INVALID_NAME ||
           code == ERROR_BAD_NETPATH || code == ERROR_BAD_NET_NAME || code == ERROR_DIRECTORY;
}

}  // namespace

bool MakeHardLink(const QString& target, const QString& linkName, QString* error) {
    if (CreateHardLinkW(Win32Path(linkName).c_str(), Win32Path(target).c_str(), nullptr)) return true;
    return Fail(error);
}

bool IsTerminal(StandardStream stream) {
    const DWORD which = stream == StandardStream::Input    ? STD_INPUT_HANDLE
                        : stream == StandardStream::Output ? STD_OUTPUT_HANDLE
                                                           : STD_ERROR_HANDLE;
    const HANDLE handle = GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return false;
    // A console answers GetConsoleMode; the NUL device is a character device too, but no console.
    DWORD mode = 0;
    return GetFileType(handle) == FILE_TYPE_CHAR && GetConsoleMode(handle, &mode) != 0;
}

bool StatPath(const QString& path, FileStatus& status, QString* error) {
    // No access asked: only the attributes are read, so no program's sharing mode stands in the way.
    // Backup semantics open folders too; symbolic links are followed.
    const HANDLE h = CreateFileW(Win32Path(path).c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        if (IsMissing(code)) {
            status = FileStatus{};
            return true;
        }
        return Fail(error, code);
    }
    const bool ok = Fill(h, status, error);
    CloseHandle(h);
    return ok;
}

bool StatFile(NativeFile file, FileStatus& status, QString* error) { return Fill(Handle(file), status, error); }

NativeFile OpenExisting(const QString& path, Access access, QString* error) {
    const DWORD wanted = access == Access::Read ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
    // Backup semantics let a folder open, so that the caller is told it has a folder rather than
    // "Access is denied"; the handle is not inherited by child processes.
    const HANDLE h = CreateFileW(Win32Path(path).c_str(), wanted, kShareAll, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return Fail(error), kNoFile;
    return Native(h);
}

NativeFile CreateExclusive(const QString& path, QString* error) {
    // CREATE_NEW fails on any existing name, a symbolic link included, which it never follows. The new
    // file takes the folder's inherited permissions.
    const HANDLE h = CreateFileW(Win32Path(path).c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr,
                                 CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return Fail(error), kNoFile;
    return Native(h);
}

std::int64_t ReadSome(NativeFile file, char* data, std::int64_t size, QString* error) {
    DWORD n = 0;
    const DWORD want = DWORD(std::min<std::int64_t>(size, 1 << 30));
    if (ReadFile(Handle(file), data, want, &n, nullptr)) return n;
    const DWORD code = GetLastError();
    if (code == ERROR_HANDLE_EOF || code == ERROR_BROKEN_PIPE) return 0;
    return Fail(error, code), -1;
}

std::int64_t WriteSome(NativeFile file, const char* data, std::int64_t size, QString* error) {
    DWORD n = 0;
    const DWORD want = DWORD(std::min<std::int64_t>(size, 1 << 30));
    if (WriteFile(Handle(file), data, want, &n, nullptr)) return n;
    return Fail(error), -1;
}

bool SyncData(NativeFile file, QString* error) {
    if (FlushFileBuffers(Handle(file))) return true;
    return Fail(error);
}

bool CloseFile(NativeFile file, QString* error) {
    if (CloseHandle(Handle(file))) return true;
    return Fail(error);
}

NativeFile Duplicate(NativeFile file, QString* error) {
    HANDLE copy = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), Handle(file), GetCurrentProcess(), &copy, 0, FALSE,
                         DUPLICATE_SAME_ACCESS))
        return Fail(error), kNoFile;
    return Native(copy);
}

bool SetOwnership(NativeFile file, const FileStatus& like, QString* error) {
    // Owner and group are the access control lists the folder gives its new files, as for any file
    // saved there; what stands for the permissions is the read-only attribute, kept as it was.
    FILE_BASIC_INFO info;
    if (!GetFileInformationByHandleEx(Handle(file), FileBasicInfo, &info, sizeof info)) return Fail(error);
    const DWORD before = info.FileAttributes;
    DWORD after = like.readOnly ? (before | FILE_ATTRIBUTE_READONLY) : (before & ~DWORD(FILE_ATTRIBUTE_READONLY));
    if (after == before) return true;
    // Zero times are left as they are; FILE_ATTRIBUTE_NORMAL stands alone or not at all.
    if (after != FILE_ATTRIBUTE_NORMAL) after &= ~DWORD(FILE_ATTRIBUTE_NORMAL);
    if (after == 0) after = FILE_ATTRIBUTE_NORMAL;
    info.CreationTime.QuadPart = info.LastAccessTime.QuadPart = 0;
    info.LastWriteTime.QuadPart = info.ChangeTime.QuadPart = 0;
    info.FileAttributes = after;
    if (!SetFileInformationByHandle(Handle(file), FileBasicInfo, &info, sizeof info)) return Fail(error);
    return true;
}

bool ReplaceFile(const QString& from, const QString& to, QString* error) {
    const std::wstring source = Win32Path(from), target = Win32Path(to);
    // A virus scanner or the search indexer may hold either file for a moment: a refused rename is tried
    // again for about a second before it counts as failed.
    DWORD code = NO_ERROR;
    for (int attempt = 0; attempt < 10; ++attempt) {
        if (attempt > 0) Sleep(100);
        if (MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        code = GetLastError();
        if (code != ERROR_ACCESS_DENIED && code != ERROR_SHARING_VIOLATION) break;
    }
    return Fail(error, code);
}

// A file with open handles cannot be renamed over, whatever their sharing modes.
bool OpenFilesCanBeReplaced() { return false; }

bool RemoveFile(const QString& path, QString* error) {
    if (DeleteFileW(Win32Path(path).c_str())) return true;
    return Fail(error);
}

bool SyncFolder(const QString&, QString*) { return true; }  // Windows has no such call; renames are written through

// Windows locks are mandatory: a byte far past any drawing's end is locked, so that readers and the
// host, which never go there, are not blocked. The lock belongs to the open file (all its duplicated
// handles) and goes with the last of them or with the process.
bool TryLockFile(NativeFile file, bool* heldElsewhere, QString* error) {
    if (heldElsewhere) *heldElsewhere = false;
    OVERLAPPED at = {};
    at.Offset = 0;
    at.OffsetHigh = DWORD(1) << 30;  // 2^62
    if (LockFileEx(Handle(file), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) return true;
    const DWORD code = GetLastError();
    if (code == ERROR_LOCK_VIOLATION && heldElsewhere) *heldElsewhere = true;
    return Fail(error, code);
}

std::int64_t LockHolder(const FileIdentity&) { return 0; }  // Windows does not tell who holds a lock

std::int64_t CurrentProcessId() { return GetCurrentProcessId(); }

bool ProcessExists(std::int64_t pid) {
    if (pid <= 0 || pid > std::int64_t(MAXDWORD)) return false;
    const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, DWORD(pid));
    if (!process) return GetLastError() == ERROR_ACCESS_DENIED;  // another user's process runs
    DWORD code = 0;
    const bool running = GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
    CloseHandle(process);
    return running;
}

QString HostName() {
    static const QString host = [] {
        wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
        DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
        if (!GetComputerNameW(name, &size)) return QString();
        return QString::fromWCharArray(name, int(size));
    }();
    return host;
}

void UseBinaryStandardOutput() {
    std::fflush(stdout);
    _setmode(_fileno(stdout), _O_BINARY);
}

void WriteText(StandardStream stream, const QString& text) {
    std::FILE* file = stream == StandardStream::Output ? stdout : stderr;
    const HANDLE handle = GetStdHandle(stream == StandardStream::Output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE || GetFileType(handle) != FILE_TYPE_CHAR ||
        !GetConsoleMode(handle, &mode)) {
        // Redirected: UTF-8, as the program's text files and the rows of find are.
        std::fputs(text.toUtf8().constData(), file);
        return;
    }
    std::fflush(file);  // what went through the C runtime before comes first
#ifndef ENABLE_VIRTUAL_TERMINAL_PROCESSING
#define ENABLE_VIRTUAL_TERMINAL_PROCESSING 0x0004
#endif
    // Windows 10 and later draw "\r\033[K" as the progress line needs; older consoles refuse the mode.
    if (!(mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING)) SetConsoleMode(handle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
    const auto* data = reinterpret_cast<const wchar_t*>(text.utf16());
    DWORD left = static_cast<DWORD>(text.size());
    while (left > 0) {
        DWORD written = 0;
        if (!WriteConsoleW(handle, data, std::min<DWORD>(left, 16384), &written, nullptr) || written == 0) return;
        data += written;
        left -= written;
    }
}

}  // namespace qln::platform
