// The operating system's code page conversions behind host/code_page.h (iconv here, Win32 in the
// Windows build): the same bytes for the same text on every platform, so a drawing saved on one reads
// the same on the other.

#include "host/code_page.h"

#include <gtest/gtest.h>

using qln::CodePageConverter;

TEST(CodePage, TheSameBytesOnEveryPlatform) {
    const struct {
        const char* charset;
        QString text;
        QByteArray bytes;
    } cases[] = {
        {"windows-1252", QStringLiteral("€é"), "\x80\xE9"},
        {"windows-1251", QStringLiteral("ж"), "\xE6"},
        {"IBM850", QStringLiteral("éÉ"), "\x82\x90"},
        {"ISO-8859-7", QStringLiteral("Ω"), "\xD9"},
        {"macintosh", QStringLiteral("é"), "\x8E"},
        // A trail byte 0x5C (ソ) is no backslash; Johab's own 0x5C is one, as on Windows.
        {"windows-31j", QStringLiteral("漢字ソ"), "\x8A\xBF\x8E\x9A\x83\x5C"},
        {"GBK", QStringLiteral("汉"), "\xBA\xBA"},
        {"windows-949", QStringLiteral("한"), "\xC7\xD1"},
        {"windows-950", QStringLiteral("漢"), "\xBA\x7E"},
        {"JOHAB", QStringLiteral("한\\"), "\xD0\x65\x5C"},
    };
    for (const auto& c : cases) {
        auto page = CodePageConverter::Open(c.charset);
        ASSERT_TRUE(page) << c.charset;
        EXPECT_EQ(page->Decode(c.bytes), c.text) << c.charset;
        QByteArray encoded;
        for (qsizetype i = 0; i < c.text.size(); ++i) ASSERT_TRUE(page->EncodeChar(QStringView(c.text).mid(i, 1), encoded)) << c.charset;
        EXPECT_EQ(encoded, c.bytes) << c.charset;
    }
}

TEST(CodePage, WhatACodePageLacksIsRefused) {
    auto page = CodePageConverter::Open("windows-1252");
    ASSERT_TRUE(page);
    // No look-alike ("O" for "Ω", "a" for "ā") and nothing appended.
    QByteArray out = "x";
    EXPECT_FALSE(page->EncodeChar(QStringLiteral("Ω"), out));
    EXPECT_FALSE(page->EncodeChar(QStringLiteral("ā"), out));
    EXPECT_FALSE(page->EncodeChar(QStringView(u"\U0001F600"), out));
    EXPECT_EQ(out, "x");
    EXPECT_FALSE(CodePageConverter::Open("no-such-charset"));
    // A lead byte without its trail byte does not stop the text after it.
    auto sjis = CodePageConverter::Open("windows-31j");
    ASSERT_TRUE(sjis);
    EXPECT_TRUE(sjis->Decode("ab\x81").startsWith(QStringLiteral("ab")));
}
