// host/platform.h over Win32: consoles against files and the NUL device, and hard links past MAX_PATH.

#include "host/platform.h"
#include "support/files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <windows.h>

using qln::platform::StandardStream;

TEST(PlatformWin, TellsAConsoleFromAFileForEachStandardStream) {
    QTemporaryDir dir;
    const std::wstring file = QDir::toNativeSeparators(dir.filePath("out.txt")).toStdWString();
    const HANDLE onFile = CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    const HANDLE onNul = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(onFile, INVALID_HANDLE_VALUE);
    ASSERT_NE(onNul, INVALID_HANDLE_VALUE);
    // A console of this process's own (a test run has its streams on pipes or files).
    const bool ownConsole = AllocConsole() != 0;
    const HANDLE conOut = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, 0, nullptr);
    const HANDLE conIn = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     nullptr, OPEN_EXISTING, 0, nullptr);
    const struct {
        StandardStream stream;
        DWORD which;
        HANDLE console;
    } streams[] = {{StandardStream::Input, STD_INPUT_HANDLE, conIn},
                   {StandardStream::Output, STD_OUTPUT_HANDLE, conOut},
                   {StandardStream::Error, STD_ERROR_HANDLE, conOut}};
    for (const auto& s : streams) {
        // Nothing is printed while the handle is swapped; it is put back before any check reports.
        const HANDLE saved = GetStdHandle(s.which);
        SetStdHandle(s.which, s.console);
        const bool console = qln::platform::IsTerminal(s.stream);
        SetStdHandle(s.which, onFile);
        const bool file = qln::platform::IsTerminal(s.stream);
        SetStdHandle(s.which, onNul);
        const bool nul = qln::platform::IsTerminal(s.stream);
        SetStdHandle(s.which, saved);
        if (s.console != INVALID_HANDLE_VALUE) EXPECT_TRUE(console) << int(s.stream);
        EXPECT_FALSE(file) << int(s.stream);
        EXPECT_FALSE(nul) << int(s.stream);
    }
    EXPECT_NE(conOut, INVALID_HANDLE_VALUE) << "no console could be opened";
    for (HANDLE h : {conOut, conIn, onFile, onNul})
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    if (ownConsole) FreeConsole();
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
