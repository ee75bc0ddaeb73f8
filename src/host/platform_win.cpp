// platform.h over Win32.

#include "host/platform.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>

#include <fcntl.h>
#include <io.h>
#include <windows.h>

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

}  // namespace

bool MakeHardLink(const QString& target, const QString& linkName) {
    return CreateHardLinkW(Win32Path(linkName).c_str(), Win32Path(target).c_str(), nullptr) != 0;
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

void UseBinaryStandardOutput() {
    std::fflush(stdout);
    _setmode(_fileno(stdout), _O_BINARY);
}

}  // namespace qln::platform
