// host/code_page.h over Win32: MultiByteToWideChar and WideCharToMultiByte with the number of the
// Windows code page that a character set name stands for.

#include "host/code_page.h"

#include <windows.h>

namespace qln {

namespace {

// The Windows code page of a character set name; 0 for a name that stands for none.
UINT CodePageNumber(const QByteArray& charset) {
    const QByteArray name = charset.toUpper();
    auto number = [](const QByteArray& digits) -> UINT {
        bool ok = false;
        const uint n = digits.toUInt(&ok);
        return ok ? UINT(n) : 0;
    };
    if (name == "WINDOWS-31J") return 932;
    if (name == "GBK") return 936;
    if (name == "BIG5") return 950;
    if (name == "JOHAB") return 1361;
    if (name == "MACINTOSH") return 10000;
    if (name.startsWith("WINDOWS-")) return number(name.mid(8));
    if (name.startsWith("IBM")) return number(name.mid(3));
    if (name.startsWith("ISO-8859-")) {
        const UINT part = number(name.mid(9));
        return part >= 1 && part <= 16 ? 28590 + part : 0;
    }
    return 0;
}

class Win32Converter final : public CodePageConverter {
public:
    explicit Win32Converter(UINT codePage) : codePage_(codePage) {}

    QString Decode(QByteArrayView bytes) override {
        if (bytes.isEmpty()) return {};
        // A byte that is no character becomes the code page's default character; the rest is kept.
        const int n = MultiByteToWideChar(codePage_, 0, bytes.data(), int(bytes.size()), nullptr, 0);
        if (n <= 0) return QString(bytes.size(), QChar::ReplacementCharacter);
        QString out(n, Qt::Uninitialized);
        MultiByteToWideChar(codePage_, 0, bytes.data(), int(bytes.size()), reinterpret_cast<wchar_t*>(out.data()), n);
        return out;
    }

    bool EncodeChar(QStringView ch, QByteArray& out) override {
        if (ch.isEmpty()) return false;
        char buffer[16];
        BOOL usedDefault = FALSE;
        // No best fit: an "a" for an "ä" is not the character asked for.
        const int n = WideCharToMultiByte(codePage_, WC_NO_BEST_FIT_CHARS, reinterpret_cast<const wchar_t*>(ch.utf16()),
                                          int(ch.size()), buffer, int(sizeof buffer), nullptr, &usedDefault);
        if (n <= 0 || usedDefault) return false;
        if (Decode(QByteArrayView(buffer, n)) != ch) return false;
        out.append(buffer, n);
        return true;
    }

private:
    UINT codePage_;
};

}  // namespace

std::unique_ptr<CodePageConverter> CodePageConverter::Open(const QByteArray& charset) {
    const UINT codePage = CodePageNumber(charset);
    if (codePage == 0 || !IsValidCodePage(codePage)) return nullptr;
    return std::make_unique<Win32Converter>(codePage);
}

}  // namespace qln
