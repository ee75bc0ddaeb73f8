#include "host/dxf/dxf_text.h"

#include "host/code_page.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <optional>

namespace qln::dxf {

// One 8-bit or double-byte code page: Qt's codecs first, the operating system's for those Qt lacks.
class TextCodec::CodePage {
public:
    virtual ~CodePage() = default;
    virtual QString Decode(QByteArrayView bytes) = 0;
    // Append the bytes of one character (a code point as one or two UTF-16 units); false when the code
    // page has no such character.
    virtual bool EncodeChar(QStringView ch, QByteArray& out) = 0;
};

namespace {

class QtCodePage final : public TextCodec::CodePage {
public:
    explicit QtCodePage(const QByteArray& name)
        : decoder_(name.constData(), QStringConverter::Flag::Stateless),
          encoder_(name.constData(), QStringConverter::Flag::Stateless) {}
    bool IsValid() const { return decoder_.isValid() && encoder_.isValid(); }

    QString Decode(QByteArrayView bytes) override {
        decoder_.resetState();
        return decoder_.decode(bytes);
    }
    bool EncodeChar(QStringView ch, QByteArray& out) override {
        // A character the code page lacks comes out as a substitute: only what decodes back to it counts.
        const QByteArray b = encoder_.encode(ch);
        decoder_.resetState();
        if (b.isEmpty() || QString(decoder_.decode(b)) != ch) return false;
        out += b;
        return true;
    }

private:
    QStringDecoder decoder_;
    QStringEncoder encoder_;
};

// What Qt's codecs lack, through the operating system's conversions.
class SystemCodePage final : public TextCodec::CodePage {
public:
    explicit SystemCodePage(std::unique_ptr<CodePageConverter> converter) : converter_(std::move(converter)) {}
    QString Decode(QByteArrayView bytes) override { return converter_->Decode(bytes); }
    bool EncodeChar(QStringView ch, QByteArray& out) override { return converter_->EncodeChar(ch, out); }

private:
    std::unique_ptr<CodePageConverter> converter_;
};

std::unique_ptr<TextCodec::CodePage> OpenCodePage(const QByteArray& name) {
    auto qt = std::make_unique<QtCodePage>(name);
    if (qt->IsValid()) return qt;
    if (auto converter = CodePageConverter::Open(name)) return std::make_unique<SystemCodePage>(std::move(converter));
    return nullptr;
}

int HexValue(QChar c) {
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'a' && u <= 'f') return u - 'a' + 10;
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    return -1;
}

// The value of `count` hex digits at `at`, or -1.
int HexAt(const QString& s, qsizetype at, int count) {
    if (at + count > s.size()) return -1;
    int v = 0;
    for (int k = 0; k < count; ++k) {
        const int h = HexValue(s[at + k]);
        if (h < 0) return -1;
        v = v * 16 + h;
    }
    return v;
}

// The code page of a \M+nXXXX escape (a double-byte character of an Asian code page).
QByteArray CharsetForMbcsIndex(int n) {
    switch (n) {
        case 1: return "windows-31j";
        case 2: return "windows-950";
        case 3: return "windows-949";
        case 4: return "JOHAB";
        case 5: return "GBK";
        default: return {};
    }
}

bool IsAscii(QByteArrayView b) {
    for (char c : b)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

// Caret notation: ^@ .. ^_ stand for the control characters 0 .. 31 and "^ " for a caret.
void DecodeCarets(QString& s, bool escapes) {
    if (!s.contains(u'^') && !(escapes && s.contains(u'\\'))) return;
    QString out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (c == u'^' && i + 1 < s.size()) {
            const char16_t next = s[i + 1].unicode();
            if (next == u' ') {
                out += u'^';
                ++i;
                continue;
            }
            if (next >= 0x40 && next <= 0x5F) {
                out += QChar(next - 0x40);
                ++i;
                continue;
            }
        } else if (escapes && c == u'\\' && i + 2 < s.size() && s[i + 2] == u'+') {
            const QChar kind = s[i + 1];
            if ((kind == u'U' || kind == u'u')) {
                const int v = HexAt(s, i + 3, 4);
                if (v >= 0) {
                    out += QChar(char16_t(v));
                    i += 6;
                    continue;
                }
            } else if (kind == u'M' || kind == u'm') {
                const int index = i + 3 < s.size() ? s[i + 3].digitValue() : -1;
                const int v = HexAt(s, i + 4, 4);
                const QByteArray charset = CharsetForMbcsIndex(index);
                if (v >= 0 && !charset.isEmpty()) {
                    if (auto page = OpenCodePage(charset)) {
                        const char bytes[2] = {char(v >> 8), char(v & 0xFF)};
                        out += page->Decode(QByteArrayView(bytes, 2));
                        i += 7;
                        continue;
                    }
                }
            }
        }
        out += c;
    }
    s = std::move(out);
}

}  // namespace

QByteArray CharsetForCodePage(QByteArrayView codePage) {
    const QByteArray cp = codePage.trimmed().toByteArray().toUpper();
    auto digitsAfter = [&](const char* prefix) -> QByteArray {
        if (!cp.startsWith(prefix)) return {};
        const QByteArray rest = cp.mid(qsizetype(qstrlen(prefix)));
        for (char c : rest)
            if (c < '0' || c > '9') return {};
        return rest;
    };
    auto asian = [](const QByteArray& n) -> QByteArray {
        if (n == "932") return "windows-31j";
        if (n == "936") return "GBK";
        if (n == "949") return "windows-949";
        if (n == "950") return "windows-950";
        if (n == "1361") return "JOHAB";
        return {};
    };
    if (QByteArray n = digitsAfter("ANSI_"); !n.isEmpty()) {
        if (QByteArray a = asian(n); !a.isEmpty()) return a;
        return "windows-" + n;
    }
    if (QByteArray n = digitsAfter("DOS"); !n.isEmpty()) {
        if (QByteArray a = asian(n); !a.isEmpty()) return a;
        return "IBM" + n;
    }
    for (const char* iso : {"ISO8859-", "ISO8859_", "ISO_8859_", "ISO-8859-"})
        if (QByteArray n = digitsAfter(iso); !n.isEmpty()) return "ISO-8859-" + n;
    if (cp == "MACINTOSH" || cp == "MAC-ROMAN") return "macintosh";
    if (cp == "BIG5") return "Big5";
    if (cp == "GB2312") return "GBK";
    if (cp == "KSC5601") return "windows-949";
    if (cp == "JOHAB") return "JOHAB";
    return "windows-1252";  // ASCII, UNDEFINED, absent or unknown: AutoCAD's own default
}

TextCodec::TextCodec(QByteArrayView acadVersion, QByteArrayView codePage) {
    const QByteArrayView v = acadVersion.trimmed();
    bool numeric = false;
    const int number = v.size() > 2 ? QByteArray(v.data() + 2, v.size() - 2).toInt(&numeric) : 0;
    utf8_ = v.startsWith("AC") && numeric && number >= 1021;
    if (utf8_) {
        name_ = QStringLiteral("UTF-8");
        return;
    }
    QByteArray charset = CharsetForCodePage(codePage);
    codePage_ = OpenCodePage(charset);
    if (!codePage_) {
        charset = "windows-1252";
        codePage_ = OpenCodePage(charset);
    }
    name_ = QString::fromLatin1(charset);
}

TextCodec::~TextCodec() = default;

QString TextCodec::Decode(QByteArrayView raw) const {
    QString s;
    if (utf8_) s = QString::fromUtf8(raw);
    else if (IsAscii(raw) || !codePage_) s = QString::fromLatin1(raw);
    else s = codePage_->Decode(raw);
    DecodeCarets(s, /*escapes=*/!utf8_);
    return s;
}

TextForm TextForm::Of(QByteArrayView encoded) {
    TextForm form;
    bool loneCaret = false, escapedCaret = false;
    for (qsizetype i = 0; i < encoded.size(); ++i) {
        const auto b = static_cast<unsigned char>(encoded[i]);
        if (b < 0x20) {
            if (CanStandRaw(b)) form.rawControls |= std::uint32_t(1) << b;
        } else if (b == '^') {
            const int next = i + 1 < encoded.size() ? static_cast<unsigned char>(encoded[i + 1]) : -1;
            if (next == ' ') escapedCaret = true;
            else if (next < 0x40 || next > 0x5F) loneCaret = true;
            if (next == ' ' || (next >= 0x40 && next <= 0x5F)) ++i;  // a caret pair
        }
    }
    form.rawCarets = loneCaret && !escapedCaret;
    return form;
}

QByteArray TextCodec::Encode(const QString& text, std::vector<int>* unitEnds, const TextForm& form) const {
    QByteArray out;
    out.reserve(text.size() + 8);
    bool afterBackslash = false;  // a backslash and the character after it stay together
    auto standsRaw = [&](char16_t control) {
        return TextForm::CanStandRaw(control) && (form.rawControls & (std::uint32_t(1) << control));
    };
    // A caret may stand alone where what follows it cannot make a caret pair of it when read.
    auto caretCanStandAlone = [&](qsizetype next) {
        if (next >= text.size()) return true;
        const char16_t n = text[next].unicode();
        if (n < 0x20) return standsRaw(n);
        if (n >= 0x80) return utf8_;  // a code page may write it as a \U+ escape, starting with a backslash
        return n != u' ' && (n < 0x40 || n > 0x5F);
    };
    for (qsizetype i = 0; i < text.size();) {
        const QChar c = text[i];
        const qsizetype len = (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) ? 2 : 1;
        const QStringView ch = QStringView(text).mid(i, len);
        const char16_t u = c.unicode();
        if (u < 0x20) {
            if (standsRaw(u)) {
                out += char(u);
            } else {
                out += '^';
                out += char(u + 0x40);
            }
        } else if (u == u'^') {
            if (form.rawCarets && caretCanStandAlone(i + 1)) out += '^';
            else out += "^ ";
        } else if (u < 0x80) {
            out += char(u);
        } else if (utf8_) {
            out += ch.toUtf8();
        } else if (!codePage_ || !codePage_->EncodeChar(ch, out)) {
            for (QChar unit : ch) out += QStringLiteral("\\U+%1").arg(unit.unicode(), 4, 16, QLatin1Char('0')).toUpper().toLatin1();
        }
        i += len;
        if (unitEnds) {
            if (afterBackslash && !unitEnds->empty()) unitEnds->back() = int(out.size());
            else unitEnds->push_back(int(out.size()));
        }
        afterBackslash = (u == u'\\') && !afterBackslash;
    }
    return out;
}

std::vector<QByteArray> TextCodec::Split(const QByteArray& encoded, const std::vector<int>& unitEnds, int max) {
    std::vector<QByteArray> pieces;
    int start = 0;
    size_t u = 0;
    while (start < encoded.size()) {
        int end = start;
        while (u < unitEnds.size() && unitEnds[u] - start <= max) end = unitEnds[u++];
        if (end == start) end = std::min<int>(int(encoded.size()), start + max);  // a unit longer than a piece
        pieces.push_back(encoded.mid(start, end - start));
        start = end;
    }
    if (pieces.empty()) pieces.push_back(QByteArray());
    return pieces;
}

}  // namespace qln::dxf
