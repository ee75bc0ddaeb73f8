// platform.h over POSIX.

#include "host/platform.h"

#include <QFile>

#include <unistd.h>

namespace qln::platform {

bool MakeHardLink(const QString& target, const QString& linkName) {
    const QByteArray from = QFile::encodeName(target), to = QFile::encodeName(linkName);
    return ::link(from.constData(), to.constData()) == 0;
}

bool IsTerminal(StandardStream stream) {
    const int fd = stream == StandardStream::Input    ? STDIN_FILENO
                   : stream == StandardStream::Output ? STDOUT_FILENO
                                                      : STDERR_FILENO;
    return ::isatty(fd) == 1;
}

void UseBinaryStandardOutput() {}  // POSIX streams never change line ends

}  // namespace qln::platform
