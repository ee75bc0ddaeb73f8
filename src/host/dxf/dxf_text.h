#pragma once
// How a drawing stores text: its encoding (UTF-8 from AutoCAD 2007, AC1021, on; before that the code page
// named by $DWGCODEPAGE with \U+XXXX escapes for other characters), and the caret notation of control
// characters (^J for a line feed, ^I for a tab, "^ " for a caret).

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

namespace qln::dxf {

// How a value as written holds its control characters and carets, so that a changed text keeps that
// form: a tab that stood raw is written raw again, one written as ^I as ^I. Line breaks (and NUL) cannot
// stand raw in a value and are always caret-encoded.
struct TextForm {
    std::uint32_t rawControls = 0;  // bit c: control character c stood raw
    bool rawCarets = false;         // carets stood alone, never written as "^ "
    // The form of a value as the file holds it.
    static TextForm Of(QByteArrayView encoded);
    static bool CanStandRaw(char16_t control) { return control != 0 && control != u'\n' && control != u'\r'; }
};

class TextCodec {
public:
    // `acadVersion` is $ACADVER ("AC1015"; empty for a drawing without it), `codePage` is $DWGCODEPAGE
    // ("ANSI_1252"; empty when absent).
    TextCodec(QByteArrayView acadVersion, QByteArrayView codePage);
    ~TextCodec();
    TextCodec(const TextCodec&) = delete;
    TextCodec& operator=(const TextCodec&) = delete;

    bool IsUtf8() const { return utf8_; }
    // The name of the character set used for the drawing's text ("UTF-8", "windows-1252", ...).
    QString Name() const { return name_; }

    // A value as the CAD host shows it: escapes and caret notation decoded.
    QString Decode(QByteArrayView raw) const;

    // A text as it is written to the file. `unitEnds` (optional) receives the end of every unit that must
    // not be split between two lines of a long text: one character's bytes, an escape, a caret pair, a
    // backslash with the character after it.
    // `form`: how the value being replaced wrote control characters and carets (by default caret notation).
    QByteArray Encode(const QString& text, std::vector<int>* unitEnds = nullptr, const TextForm& form = {}) const;

    // Split an encoded text into pieces of at most `max` bytes at unit ends.
    static std::vector<QByteArray> Split(const QByteArray& encoded, const std::vector<int>& unitEnds, int max = 250);

    class CodePage;  // one 8-bit or double-byte character set

private:
    bool utf8_ = false;
    QString name_;
    std::unique_ptr<CodePage> codePage_;
};

// The character set name for a $DWGCODEPAGE value (ANSI_1252 -> windows-1252, DOS850 -> IBM850, ...).
QByteArray CharsetForCodePage(QByteArrayView codePage);

}  // namespace qln::dxf
