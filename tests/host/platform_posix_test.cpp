// The terminal test of host/platform.h on POSIX systems: a pseudo-terminal against /dev/null.

#include "host/platform.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

using qln::platform::StandardStream;

TEST(Platform, TellsATerminalFromAFileForEachStandardStream) {
    const int terminal = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(terminal, 0);
    ASSERT_EQ(::grantpt(terminal), 0);
    ASSERT_EQ(::unlockpt(terminal), 0);
    const int side = ::open(::ptsname(terminal), O_RDWR | O_NOCTTY);
    ASSERT_GE(side, 0);
    const int null = ::open("/dev/null", O_RDWR);
    ASSERT_GE(null, 0);
    const struct {
        StandardStream stream;
        int fd;
    } streams[] = {{StandardStream::Input, STDIN_FILENO}, {StandardStream::Output, STDOUT_FILENO},
                   {StandardStream::Error, STDERR_FILENO}};
    for (const auto& s : streams) {
        // Nothing is printed while the stream is swapped; it is put back before any check reports.
        const int saved = ::dup(s.fd);
        ::dup2(side, s.fd);
        const bool onTerminal = qln::platform::IsTerminal(s.stream);
        ::dup2(null, s.fd);
        const bool onFile = qln::platform::IsTerminal(s.stream);
        ::dup2(saved, s.fd);
        ::close(saved);
        EXPECT_TRUE(onTerminal) << int(s.stream);
        EXPECT_FALSE(onFile) << int(s.stream);
    }
    ::close(null);
    ::close(side);
    ::close(terminal);
}
