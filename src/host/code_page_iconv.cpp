// host/code_page.h over the C library's iconv.

#include "host/code_page.h"

#include <iconv.h>

#include <cerrno>

namespace qln {

namespace {

class IconvConverter final : public CodePageConverter {
public:
    explicit IconvConverter(const QByteArray& name) {
        // The C library's Johab reads byte 0x5C as a won sign; Windows (code page 1361) as a backslash.
        wonIsBackslash_ = name.toUpper() == "JOHAB";
        to_ = iconv_open("UTF-16LE", name.constData());
        from_ = iconv_open(name.constData(), "UTF-16LE");
    }
    ~IconvConverter() override {
        if (to_ != Invalid()) iconv_close(to_);
        if (from_ != Invalid()) iconv_close(from_);
    }
    bool IsValid() const { return to_ != Invalid() && from_ != Invalid(); }

    QString Decode(QByteArrayView bytes) override {
        QString out;
        iconv(to_, nullptr, nullptr, nullptr, nullptr);
        char* in = const_cast<char*>(bytes.data());
        size_t inLeft = size_t(bytes.size());
        QByteArray buffer(int(inLeft * 4 + 8), Qt::Uninitialized);
        while (inLeft > 0) {
            char* o = buffer.data();
            size_t oLeft = size_t(buffer.size());
            const size_t r = iconv(to_, &in, &inLeft, &o, &oLeft);
            out += QString::fromUtf16(reinterpret_cast<const char16_t*>(buffer.constData()),
                                      (buffer.size() - qsizetype(oLeft)) / 2);
            if (r == size_t(-1) && errno != E2BIG) {  // a byte that is no character: replace it, go on
                out += QChar::ReplacementCharacter;
                ++in;
                --inLeft;
                iconv(to_, nullptr, nullptr, nullptr, nullptr);
            }
        }
        if (wonIsBackslash_) out.replace(QChar(0x20A9), u'\\');
        return out;
    }

    bool EncodeChar(QStringView ch, QByteArray& out) override {
        if (wonIsBackslash_ && ch == u"\\") {
            out += '\\';
            return true;
        }
        iconv(from_, nullptr, nullptr, nullptr, nullptr);
        char* in = reinterpret_cast<char*>(const_cast<QChar*>(ch.data()));
        size_t inLeft = size_t(ch.size()) * 2;
        char buffer[16];
        char* o = buffer;
        size_t oLeft = sizeof buffer;
        if (iconv(from_, &in, &inLeft, &o, &oLeft) == size_t(-1) || inLeft != 0) return false;
        if (iconv(from_, nullptr, nullptr, &o, &oLeft) == size_t(-1)) return false;
        if (o == buffer || Decode(QByteArrayView(buffer, o - buffer)) != ch) return false;
        out.append(buffer, o - buffer);
        return true;
    }

private:
    static iconv_t Invalid() { return reinterpret_cast<iconv_t>(-1); }
    bool wonIsBackslash_ = false;
    iconv_t to_;
    iconv_t from_;
};

}  // namespace

std::unique_ptr<CodePageConverter> CodePageConverter::Open(const QByteArray& charset) {
    auto converter = std::make_unique<IconvConverter>(charset);
    if (converter->IsValid()) return converter;
    // The C library names some Windows code pages by number only ("windows-949" is its CP949).
    const QByteArray name = charset.toUpper();
    if (!name.startsWith("WINDOWS-")) return nullptr;
    converter = std::make_unique<IconvConverter>("CP" + name.mid(8));
    if (converter->IsValid()) return converter;
    return nullptr;
}

}  // namespace qln
