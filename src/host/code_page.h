#pragma once
// The conversions of the operating system for the 8-bit and double-byte character sets that Qt's own
// codecs lack (those of old drawings: Windows and DOS code pages, Johab, Big5, ...). One realisation
// per platform: code_page_iconv.cpp (the C library's iconv), code_page_win.cpp (Win32).

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <memory>

namespace qln {

class CodePageConverter {
public:
    virtual ~CodePageConverter() = default;

    // The converter of a character set named as CharsetForCodePage names them ("windows-1252",
    // "IBM850", "ISO-8859-7", "macintosh", "Big5", "GBK", "windows-949", "windows-950", "windows-31j",
    // "JOHAB"); null when the system cannot convert it.
    static std::unique_ptr<CodePageConverter> Open(const QByteArray& charset);

    // Bytes of the character set as text; a byte that is no character does not stop the rest.
    virtual QString Decode(QByteArrayView bytes) = 0;
    // Append the bytes of one character (a code point as one or two UTF-16 units); false, and nothing
    // appended, when the character set has no such character (a look-alike substitute does not count).
    virtual bool EncodeChar(QStringView ch, QByteArray& out) = 0;
};

}  // namespace qln
