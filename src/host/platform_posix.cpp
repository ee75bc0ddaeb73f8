// platform.h over POSIX (Linux first: LockHolder reads /proc/locks).

#include "host/platform.h"

#include <QFile>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <limits.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace qln::platform {

namespace {

bool Fail(QString* error) {
    if (error) *error = QString::fromLocal8Bit(std::strerror(errno));
    return false;
}

QByteArray Native(const QString& path) { return QFile::encodeName(path); }

int Fd(NativeFile f) { return static_cast<int>(f); }

void Fill(const struct stat& st, FileStatus& out) {
    out = FileStatus{};
    const mode_t type = st.st_mode & S_IFMT;
    switch (type) {
        case S_IFREG: out.kind = FileKind::Regular; out.kindName = QStringLiteral("a regular file"); break;
        case S_IFDIR: out.kind = FileKind::Folder; out.kindName = QStringLiteral("a folder"); break;
        case S_IFIFO: out.kind = FileKind::Other; out.kindName = QStringLiteral("a FIFO (named pipe)"); break;
        case S_IFCHR: out.kind = FileKind::Other; out.kindName = QStringLiteral("a character device"); break;
        case S_IFBLK: out.kind = FileKind::Other; out.kindName = QStringLiteral("a block device"); break;
        case S_IFSOCK: out.kind = FileKind::Other; out.kindName = QStringLiteral("a socket"); break;
        default: out.kind = FileKind::Other; out.kindName = QStringLiteral("a special file"); break;
    }
    out.size = static_cast<std::int64_t>(st.st_size);
    out.id = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
    out.links = static_cast<std::uint64_t>(st.st_nlink);
    out.readOnly = (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
    out.owner = st.st_uid;
    out.group = st.st_gid;
    out.mode = st.st_mode & 07777;
}

}  // namespace

bool MakeHardLink(const QString& target, const QString& linkName, QString* error) {
    if (::link(Native(target).constData(), Native(linkName).constData()) == 0) return true;
    return Fail(error);
}

bool IsTerminal(StandardStream stream) {
    const int fd = stream == StandardStream::Input    ? STDIN_FILENO
                   : stream == StandardStream::Output ? STDOUT_FILENO
                                                      : STDERR_FILENO;
    return ::isatty(fd) == 1;
}

bool StatPath(const QString& path, FileStatus& status, QString* error) {
    struct stat st;
    if (::stat(Native(path).constData(), &st) == 0) {
        Fill(st, status);
        return true;
    }
    if (errno == ENOENT || errno == ENOTDIR) {
        status = FileStatus{};
        return true;
    }
    return Fail(error);
}

bool StatFile(NativeFile file, FileStatus& status, QString* error) {
    struct stat st;
    if (::fstat(Fd(file), &st) != 0) return Fail(error);
    Fill(st, status);
    return true;
}

NativeFile OpenExisting(const QString& path, Access access, QString* error) {
    const int flags = (access == Access::Read ? O_RDONLY : O_RDWR) | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    int fd;
    do fd = ::open(Native(path).constData(), flags);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) return Fail(error), kNoFile;
    // O_NONBLOCK stays: regular files, the only ones read or written, ignore it.
    return fd;
}

NativeFile CreateExclusive(const QString& path, QString* error) {
    int fd;
    do fd = ::open(Native(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) return Fail(error), kNoFile;
    return fd;
}

std::int64_t ReadSome(NativeFile file, char* data, std::int64_t size, QString* error) {
    ssize_t n;
    do n = ::read(Fd(file), data, static_cast<size_t>(std::min<std::int64_t>(size, SSIZE_MAX)));
    while (n < 0 && errno == EINTR);
    if (n < 0) return Fail(error), -1;
    return n;
}

std::int64_t WriteSome(NativeFile file, const char* data, std::int64_t size, QString* error) {
    ssize_t n;
    do n = ::write(Fd(file), data, static_cast<size_t>(std::min<std::int64_t>(size, SSIZE_MAX)));
    while (n < 0 && errno == EINTR);
    if (n < 0) return Fail(error), -1;
    return n;
}

bool SyncData(NativeFile file, QString* error) {
#if defined(__APPLE__)
    if (::fcntl(Fd(file), F_FULLFSYNC) == 0) return true;
#elif defined(_POSIX_SYNCHRONIZED_IO) && _POSIX_SYNCHRONIZED_IO > 0
    if (::fdatasync(Fd(file)) == 0) return true;
#else
    if (::fsync(Fd(file)) == 0) return true;
#endif
    return Fail(error);
}

bool CloseFile(NativeFile file, QString* error) {
    // EINTR leaves the descriptor closed on Linux: closing again could close another file's.
    if (::close(Fd(file)) == 0 || errno == EINTR) return true;
    return Fail(error);
}

NativeFile Duplicate(NativeFile file, QString* error) {
    const int fd = ::fcntl(Fd(file), F_DUPFD_CLOEXEC, 0);
    if (fd < 0) return Fail(error), kNoFile;
    return fd;
}

bool SetOwnership(NativeFile file, const FileStatus& like, QString* error) {
    bool kept = true;
    static const uid_t user = ::geteuid();
    static const gid_t group = ::getegid();
    if (like.owner != user || like.group != group) {
        // chown before chmod: giving a file away clears its set-user-ID and set-group-ID bits.
        if (::fchown(Fd(file), like.owner, like.group) != 0) {
            kept = Fail(error);
            ::fchown(Fd(file), uid_t(-1), like.group);  // the group alone, where this user belongs to it
        }
    }
    if (::fchmod(Fd(file), like.mode) != 0) return Fail(error);
    return kept;
}

bool ReplaceFile(const QString& from, const QString& to, QString* error) {
    if (::rename(Native(from).constData(), Native(to).constData()) == 0) return true;
    return Fail(error);
}

bool OpenFilesCanBeReplaced() { return true; }

bool RemoveFile(const QString& path, QString* error) {
    if (::unlink(Native(path).constData()) == 0) return true;
    return Fail(error);
}

bool SyncFolder(const QString& folder, QString* error) {
    const int fd = ::open(Native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return Fail(error);
    // Some file systems cannot sync a folder (EINVAL): nothing more can be done there.
    const bool ok = ::fsync(fd) == 0 || errno == EINVAL || errno == EROFS;
    if (!ok) Fail(error);
    ::close(fd);
    return ok;
}

bool TryLockFile(NativeFile file, bool* heldElsewhere, QString* error) {
    if (heldElsewhere) *heldElsewhere = false;
    int r;
    do r = ::flock(Fd(file), LOCK_EX | LOCK_NB);
    while (r != 0 && errno == EINTR);
    if (r == 0) return true;
    if (errno == EWOULDBLOCK && heldElsewhere) *heldElsewhere = true;
    return Fail(error);
}

std::int64_t LockHolder(const FileIdentity& id) {
    // Lines like "3: FLOCK  ADVISORY  WRITE 4711 08:01:1234567 0 EOF" (device as hex major:minor).
    std::FILE* locks = std::fopen("/proc/locks", "re");
    if (!locks) return 0;
    const QByteArray wanted = QByteArray::number(major(id.device), 16).rightJustified(2, '0') + ':' +
                              QByteArray::number(minor(id.device), 16).rightJustified(2, '0') + ':' +
                              QByteArray::number(static_cast<qulonglong>(id.file));
    char line[512];
    std::int64_t pid = 0;
    while (pid == 0 && std::fgets(line, sizeof line, locks)) {
        const QList<QByteArray> fields = QByteArray(line).simplified().split(' ');
        // A blocked waiter's line starts with "->" and has one field more; it holds nothing.
        if (fields.size() < 6 || fields[1] == "->" || fields[1] != "FLOCK") continue;
        if (fields[5] == wanted) pid = fields[4].toLongLong();
    }
    std::fclose(locks);
    return pid;
}

std::int64_t CurrentProcessId() { return ::getpid(); }  // a fork gets its own number: never cached

bool ProcessExists(std::int64_t pid) {
    if (pid <= 0 || pid > std::int64_t(INT_MAX)) return false;
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

QString HostName() {
    static const QString host = [] {
        char name[256] = {};
        if (::gethostname(name, sizeof name - 1) != 0) return QString();
        return QString::fromLocal8Bit(name);
    }();
    return host;
}

void WriteText(StandardStream stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream == StandardStream::Output ? stdout : stderr);
}

void UseBinaryStandardOutput() {}  // POSIX streams never change line ends

}  // namespace qln::platform
