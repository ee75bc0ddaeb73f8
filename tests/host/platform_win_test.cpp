// host/platform.h over Win32: consoles against files and the NUL device, and hard links past MAX_PATH.

#include "host/platform.h"
#include "support/files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include <windows.h>

using qln::platform::StandardStream;

// Whether each standard stream is a terminal while its handle is swapped for `handle`; nothing is
// printed meanwhile, and the handles are put back before any check reports.
std::vector<bool> TerminalWith(HANDLE handle) {
    std::vector<bool> out;
    for (const auto& [stream, which] : {std::pair{StandardStream::Input, STD_INPUT_HANDLE},
                                        {StandardStream::Output, STD_OUTPUT_HANDLE},
                                        {StandardStream::Error, STD_ERROR_HANDLE}}) {
        const HANDLE saved = GetStdHandle(which);
        SetStdHandle(which, handle);
        out.push_back(qln::platform::IsTerminal(stream));
        SetStdHandle(which, saved);
    }
    return out;
}

TEST(PlatformWin, FilesAndTheNulDeviceAreNoTerminal) {
    QTemporaryDir dir;
    const std::wstring file = QDir::toNativeSeparators(dir.filePath("out.txt")).toStdWString();
    const HANDLE onFile = CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    const HANDLE onNul = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(onFile, INVALID_HANDLE_VALUE);
    ASSERT_NE(onNul, INVALID_HANDLE_VALUE);
    EXPECT_EQ(TerminalWith(onFile), std::vector<bool>(3, false));
    // NUL is a character device, as a console is, but no console.
    EXPECT_EQ(TerminalWith(onNul), std::vector<bool>(3, false));
    EXPECT_EQ(TerminalWith(INVALID_HANDLE_VALUE), std::vector<bool>(3, false));
    CloseHandle(onFile);
    CloseHandle(onNul);
}

// Needs the process started on a console (the Wine entry runs it on a pseudo-terminal, which Wine
// turns into one; QLN_EXPECT_CONSOLE=1 makes a missing console a failure rather than a skip).
TEST(PlatformWin, AConsoleIsATerminal) {
    const HANDLE out = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, 0, nullptr);
    const HANDLE in = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
    DWORD mode = 0;
    if (out == INVALID_HANDLE_VALUE || in == INVALID_HANDLE_VALUE || !GetConsoleMode(out, &mode)) {
        if (qEnvironmentVariable("QLN_EXPECT_CONSOLE") == QLatin1String("1")) FAIL() << "no console";
        GTEST_SKIP() << "not started on a console";
    }
    const std::vector<bool> onOut = TerminalWith(out), onIn = TerminalWith(in);
    EXPECT_TRUE(onIn[0]);
    EXPECT_TRUE(onOut[1]);
    EXPECT_TRUE(onOut[2]);
    CloseHandle(out);
    CloseHandle(in);
}

TEST(PlatformWin, HardLinksPastMaxPathAndWithEitherSeparator) {
    QTemporaryDir dir;
    QString deep = dir.path();
    while (deep.size() < MAX_PATH + 20) deep += QStringLiteral("/a-folder-name-of-some-length");
    ASSERT_TRUE(QDir().mkpath(deep));
    const QString target = deep + "/drawing.dxf";
    ASSERT_TRUE(testhost::WriteFile(target, "one"));
    ASSERT_TRUE(qln::platform::MakeHardLink(target, deep + "/drawing.dxf.bak"));
    EXPECT_EQ(testhost::ReadFile(deep + "/drawing.dxf.bak"), "one");
    ASSERT_TRUE(qln::platform::MakeHardLink(QDir::toNativeSeparators(target), QDir::toNativeSeparators(deep + "/second")));
    EXPECT_EQ(testhost::ReadFile(deep + "/second"), "one");
}
