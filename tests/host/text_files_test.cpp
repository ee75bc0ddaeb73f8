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
    // UTF-8 without a byte order mark; bytes that are not UTF-8 are text of the 8-bit code page (a
    // template written on Windows by an older version: "ß" is 0xDF in code page 1252).
    ASSERT_TRUE(testhost::WriteFile(dir.filePath("u.txt"), "Stra\xC3\x9F" "e \xE2\x89\xA5 1\n"));
    EXPECT_EQ(ReadTextLines(dir.filePath("u.txt")), QStringList{QString::fromUtf8("Straße ≥ 1")});
    ASSERT_TRUE(testhost::WriteFile(dir.filePath("a.txt"), "Stra\xDF" "e\n"));
    EXPECT_EQ(ReadTextLines(dir.filePath("a.txt")), QStringList{QString::fromLocal8Bit("Stra\xDF" "e")});
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
        w.WriteLine(QString::fromUtf8("zweite Zeile: äöü ≥ 中"));
    }
    {
        LineWriter w;
        ASSERT_TRUE(w.Open(path, LineWriter::Mode::Append));
        w.WriteLine("");
        w.Write("tail");
    }
    // UTF-8 on every platform: no character is lost to a code page.
    EXPECT_EQ(testhost::ReadFile(path), "first\r\nzweite Zeile: \xC3\xA4\xC3\xB6\xC3\xBC \xE2\x89\xA5 \xE4\xB8\xAD\r\n\r\ntail");
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
