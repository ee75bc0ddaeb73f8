// How the DXF host decodes and encodes drawing text: code pages, \U+XXXX and \M+NXXXX escapes, caret
// notation, and the units a long text may be split between.

#include "host/dxf/dxf_text.h"

#include <gtest/gtest.h>

using qln::dxf::CharsetForCodePage;
using qln::dxf::TextCodec;

namespace {

TEST(DxfText, CodePageNames) {
    EXPECT_EQ(CharsetForCodePage("ANSI_1252"), "windows-1252");
    EXPECT_EQ(CharsetForCodePage(" ansi_1250 "), "windows-1250");
    EXPECT_EQ(CharsetForCodePage("ANSI_932"), "windows-31j");
    EXPECT_EQ(CharsetForCodePage("dos850"), "IBM850");
    EXPECT_EQ(CharsetForCodePage("DOS932"), "windows-31j");
    EXPECT_EQ(CharsetForCodePage("ISO8859-2"), "ISO-8859-2");
    EXPECT_EQ(CharsetForCodePage("UNDEFINED"), "windows-1252");
    EXPECT_EQ(CharsetForCodePage(""), "windows-1252");
}

TEST(DxfText, EncodingFollowsTheVersion) {
    EXPECT_FALSE(TextCodec("AC1018", "ANSI_1252").IsUtf8());
    EXPECT_TRUE(TextCodec("AC1021", "ANSI_1252").IsUtf8());
    EXPECT_TRUE(TextCodec("AC1032", "").IsUtf8());
    EXPECT_FALSE(TextCodec("", "").IsUtf8());
    EXPECT_EQ(TextCodec("AC1015", "ANSI_1251").Name(), "windows-1251");
}

TEST(DxfText, DecodesEscapesAndCarets) {
    const TextCodec cp("AC1015", "ANSI_1252");
    EXPECT_EQ(cp.Decode("caf\xE9 \\U+00E9\\u+00e9 \\U+6F22 \\U+12 ^J^I^ ^x^"), QStringLiteral("café éé 漢 \\U+12 \n\t^^x^"));
    EXPECT_EQ(cp.Decode("\\M+18140|"), QStringLiteral("\u3000|"));  // a double-byte character of code page 932
    const TextCodec utf8("AC1024", "ANSI_1252");
    EXPECT_EQ(utf8.Decode("caf\xC3\xA9 \\U+00E9 ^J"), QStringLiteral("café \\U+00E9 \n"));
    const TextCodec dos("AC1012", "dos850");
    EXPECT_EQ(dos.Decode("\x82\x81"), QStringLiteral("éü"));
}

TEST(DxfText, EncodesWhatTheCodePageLacksAsEscapes) {
    const TextCodec cp("AC1015", "ANSI_1252");
    EXPECT_EQ(cp.Encode(QStringLiteral("café € Ω 😀 ^\n")), "caf\xE9 \x80 \\U+03A9 \\U+D83D\\U+DE00 ^ ^J");
    const TextCodec utf8("AC1032", "");
    EXPECT_EQ(utf8.Encode(QStringLiteral("Ω\t")), "\xCE\xA9^I");
}

TEST(DxfText, RoundTripsInEveryKindOfCodePage) {
    const QString text = QStringLiteral("Aé€ Ωж 漢字 ソ 한국 ^ \\P\t\n end");
    for (const char* page : {"ANSI_1252", "ANSI_1250", "ANSI_1251", "ANSI_932", "ANSI_936", "ANSI_949", "ANSI_950",
                             "ANSI_1361", "DOS437", "ISO8859-1"}) {
        const TextCodec codec("AC1015", page);
        EXPECT_EQ(codec.Decode(codec.Encode(text)), text) << page;
    }
    const TextCodec utf8("AC1021", "");
    EXPECT_EQ(utf8.Decode(utf8.Encode(text)), text);
}

TEST(DxfText, LongTextSplitsOnlyBetweenUnits) {
    // In Shift_JIS the second byte of ソ is a backslash byte: it stays with its first byte.
    const TextCodec sjis("AC1015", "ANSI_932");
    std::vector<int> units;
    const QByteArray encoded = sjis.Encode(QStringLiteral("aソ\\Pb"), &units);
    EXPECT_EQ(encoded, "a\x83\x5C\\Pb");
    EXPECT_EQ(units, (std::vector<int>{1, 3, 5, 6}));  // "\P" is one unit
    const auto pieces = TextCodec::Split(encoded, units, 2);
    EXPECT_EQ(pieces, (std::vector<QByteArray>{"a", "\x83\x5C", "\\P", "b"}));
    EXPECT_EQ(TextCodec::Split({}, {}, 250), std::vector<QByteArray>{QByteArray()});
}

}  // namespace
