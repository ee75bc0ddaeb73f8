// Reading and writing the program's text files.

#include "host/text_files.h"
#include "support/files.h"

#include <QBuffer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace qln;

TEST(TextFiles, SplitsOnEveryKindOfLineEnd) {
    EXPECT_EQ(SplitTextLines("a\r\nb\nc\rd"), (QStringList{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitTextLines("a\r\n\r\nb\r\n"), (QStringList{"a", "", "b"}));
    EXPECT_EQ(SplitTextLines("\n"), QStringList{""});
    EXPECT_TRUE(SplitTextLines("").isEmpty());
}

TEST(TextFiles, ReadsAFileOrSaysItCannot) {
    QTemporaryDir dir;
    ASSERT_TRUE(testhost::WriteFile(dir.filePath("t.txt"), "\xEF\xBB\xBFone\r\ntwo"));
    EXPECT_EQ(ReadTextLines(dir.filePath("t.txt")), (QStringList{"one", "two"}));
    EXPECT_FALSE(ReadTextLines(dir.filePath("none.txt")));
    EXPECT_FALSE(ReadTextLines(dir.path()));
    EXPECT_FALSE(ReadTextLines(""));
}

TEST(TextFiles, WritesLinesWithCrLfAndAppends) {
    QTemporaryDir dir;
    const QString path = dir.filePath("log.txt");
    {
        LineWriter w;
        ASSERT_TRUE(w.Open(path, LineWriter::Mode::Truncate));
        w.WriteLine("first");
        w.WriteLine(QString::fromUtf8("zweite Zeile: äöü"));
    }
    {
        LineWriter w;
        ASSERT_TRUE(w.Open(path, LineWriter::Mode::Append));
        w.WriteLine("");
        w.Write("tail");
    }
    // In the system's 8-bit code page: UTF-8 on Linux, the ANSI code page on Windows.
    EXPECT_EQ(testhost::ReadFile(path),
              "first\r\n" + QString::fromUtf8("zweite Zeile: äöü").toLocal8Bit() + "\r\n\r\ntail");
    LineWriter none;
    EXPECT_FALSE(none.Open(dir.filePath("no/such/folder/log.txt"), LineWriter::Mode::Append));
    EXPECT_FALSE(none.IsOpen());
    none.WriteLine("ignored");  // writing to a closed writer does nothing

    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    LineWriter mem(&buffer);
    mem.WriteLine("x");
    EXPECT_EQ(buffer.data(), QByteArray("x\r\n"));
}
