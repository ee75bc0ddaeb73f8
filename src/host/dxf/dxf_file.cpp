#include "host/dxf/dxf_file.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstring>
#include <limits>
#include <type_traits>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace qln::dxf {

namespace {

host::Error BadFormat(const QString& what) { return {host::kBadFileFormat, what}; }

QString AtLine(qint64 line, const QString& what) { return QStringLiteral("line %1: %2").arg(line).arg(what); }

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The start of a binary DXF file, NUL included.
const QByteArrayView kBinarySentinel("AutoCAD Binary DXF\r\n\x1a\0", 22);

// A DWG file starts with its version ("AC1015") followed by binary data, not by a line end.
bool LooksLikeDwg(const QByteArray& b) {
    if (b.size() < 7 || !b.startsWith("AC")) return false;
    for (int i = 2; i < 6; ++i)
        if (b[i] < '0' || b[i] > '9') return false;
    return b[6] != '\r' && b[6] != '\n';
}

// Finds line ends 64 bytes at a time: a bit mask of the line-end bytes of the block holding the position
// asked for, kept for the next question. DXF lines are a few bytes long, so most questions are answered
// from the mask of the block before.
class LineEnds {
public:
    LineEnds(const char* data, std::uint32_t size, char eol) : data_(data), size_(size), eol_(eol) {}

    // The first line end at or after `pos`, or the size when there is none.
    std::uint32_t Next(std::uint32_t pos) {
        while (pos < size_) {
            const std::uint32_t block = pos & ~std::uint32_t(63);
            if (block != block_) Load(block);
            const std::uint64_t ahead = mask_ & (~std::uint64_t(0) << (pos - block));
            if (ahead) return block + std::uint32_t(std::countr_zero(ahead));
            pos = block + 64;
        }
        return size_;
    }

private:
    void Load(std::uint32_t block) {
        block_ = block;
        mask_ = 0;
        const char* p = data_ + block;
        if (size_ - block >= 64) {
#ifdef __SSE2__
            const __m128i eol = _mm_set1_epi8(eol_);
            for (int i = 0; i < 4; ++i) {
                const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
                const auto bits = std::uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, eol)));
                mask_ |= std::uint64_t(bits) << (16 * i);
            }
            return;
#endif
        }
        const std::uint32_t count = std::min<std::uint32_t>(64, size_ - block);
        for (std::uint32_t i = 0; i < count; ++i)
            if (p[i] == eol_) mask_ |= std::uint64_t(1) << i;
    }

    const char* data_;
    std::uint32_t size_;
    char eol_;
    std::uint32_t block_ = 1;  // no block starts there: the first question loads one
    std::uint64_t mask_ = 0;
};

}  // namespace

QString Excerpt(QByteArrayView bytes, int max) {
    QString out;
    for (qsizetype i = 0; i < bytes.size() && i < max; ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c >= 0x20 && c < 0x7f) out += QChar(c);
        else out += QStringLiteral("\\x%1").arg(c, 2, 16, QLatin1Char('0'));
    }
    if (bytes.size() > max) out += QStringLiteral("...");
    return out;
}

host::Result<DxfFile> DxfFile::Parse(QByteArray bytes) {
    if (bytes.isEmpty()) return BadFormat(QStringLiteral("the file is empty"));
    if (bytes.startsWith(kBinarySentinel)) return ParseBinary(std::move(bytes));
    if (LooksLikeDwg(bytes))
        return BadFormat(QStringLiteral("this is a DWG drawing (%1), not a DXF file").arg(QString::fromLatin1(bytes.left(6))));
    if (quint64(bytes.size()) >= std::numeric_limits<std::uint32_t>::max())
        return BadFormat(QStringLiteral("the file is too large (4 GiB or more)"));

    DxfFile f;
    f.bytes_ = std::move(bytes);
    const char* const data = f.bytes_.constData();
    const std::uint32_t n = static_cast<std::uint32_t>(f.bytes_.size());

    // Lines end with LF (a CR before it belongs to the line end); a file without any LF uses CR alone.
    const bool crOnly = std::memchr(data, '\n', n) == nullptr && std::memchr(data, '\r', n) != nullptr;
    const char eolChar = crOnly ? '\r' : '\n';
    LineEnds lineEnds(data, n, eolChar);
    // One line from `pos`: its content end (line end excluded) and the start of the next line.
    auto lineAt = [&](std::uint32_t pos, std::uint32_t& contentEnd, std::uint32_t& next) {
        const std::uint32_t eol = lineEnds.Next(pos);
        if (eol == n) {
            contentEnd = next = n;
            return;
        }
        next = eol + 1;
        contentEnd = (!crOnly && eol > pos && data[eol - 1] == '\r') ? eol - 1 : eol;
    };

    std::uint32_t pos = 0;
    if (f.bytes_.startsWith("\xEF\xBB\xBF")) pos = 3;  // UTF-8 byte-order mark, kept as it is
    // One pass over the bytes. A pair takes ten bytes or more in practice; the room reserved beyond what
    // is used is never touched, so it costs address space, not memory.
    f.slots_.reserve(size_t(n) / 6 + 16);

    while (pos < n) {
        const std::uint32_t index = static_cast<std::uint32_t>(f.slots_.size());
        const qint64 line = Line(index);
        std::uint32_t codeEnd, valueStart;
        lineAt(pos, codeEnd, valueStart);
        // The group code: an integer, blanks around it allowed.
        std::uint32_t a = pos, b = codeEnd;
        while (a < b && IsBlank(data[a])) ++a;
        while (b > a && IsBlank(data[b - 1])) --b;
        int code = 0;
        const auto parsed = std::from_chars(data + a, data + b, code);
        if (a == b) return BadFormat(AtLine(line, QStringLiteral("empty line where a group code was expected")));
        if (parsed.ec != std::errc() || parsed.ptr != data + b || (b - a) > 8) {
            return BadFormat(AtLine(line, QStringLiteral("group code \"%1\" is not a number")
                                              .arg(Excerpt(QByteArrayView(data + a, b - a)))));
        }
        if (code < std::numeric_limits<std::int16_t>::min() || code > std::numeric_limits<std::int16_t>::max())
            return BadFormat(AtLine(line, QStringLiteral("group code %1 is out of range").arg(code)));
        if (valueStart >= n)
            return BadFormat(AtLine(line, QStringLiteral("group code %1 has no value line (odd number of lines, or the file is truncated)").arg(code)));
        std::uint32_t valueEnd, next;
        lineAt(valueStart, valueEnd, next);
        if (valueEnd - valueStart > kMaxLineLength)
            return BadFormat(AtLine(line + 1, QStringLiteral("the line is longer than %1 bytes").arg(kMaxLineLength)));
        f.AddPair(pos, code, valueStart, valueEnd, next);
        pos = next;
        if (code == 0) {  // what follows EOF is kept, not read
            QByteArrayView value(data + valueStart, valueEnd - valueStart);
            if (value.trimmed() == "EOF") break;
        }
    }
    f.indexEnd_ = pos;
    return f;
}

DxfFile::BinaryType DxfFile::TypeOf(int code) {
    auto in = [code](int first, int last) { return code >= first && code <= last; };
    if (in(310, 319) || code == 1004) return BinaryType::Chunk;
    if (in(290, 299)) return BinaryType::Bool;
    if (in(60, 79) || in(170, 179) || in(270, 289) || in(370, 389) || in(400, 409) || in(1060, 1070))
        return BinaryType::Int16;
    if (in(90, 99) || in(420, 459) || code == 1071) return BinaryType::Int32;
    if (in(160, 169)) return BinaryType::Int64;
    if (in(10, 59) || in(110, 149) || in(210, 239) || in(460, 469) || in(1010, 1059)) return BinaryType::Double;
    return BinaryType::String;
}

host::Result<DxfFile> DxfFile::ParseBinary(QByteArray bytes) {
    if (quint64(bytes.size()) >= std::numeric_limits<std::uint32_t>::max())
        return BadFormat(QStringLiteral("the file is too large (4 GiB or more)"));
    DxfFile f;
    f.bytes_ = std::move(bytes);
    f.binary_ = true;
    const auto* const data = reinterpret_cast<const unsigned char*>(f.bytes_.constData());
    const std::uint32_t n = static_cast<std::uint32_t>(f.bytes_.size());
    std::uint32_t pos = std::uint32_t(kBinarySentinel.size());
    // The first pair is (0, "SECTION"): a second NUL after the sentinel's tells two-byte group codes.
    f.shortCodes_ = pos + 1 < n && data[pos + 1] != 0;
    auto at = [](std::uint32_t p, const QString& what) {
        return BadFormat(QStringLiteral("byte %1: %2").arg(p).arg(what));
    };
    f.slots_.reserve(size_t(n) / 8 + 16);
    while (pos < n) {
        const std::uint32_t start = pos;
        int code = 0;
        if (f.shortCodes_) {
            code = data[pos++];
            if (code == 255) {  // a code above 254 follows in two bytes
                if (n - pos < 2) return at(start, QStringLiteral("the file ends inside a group code (is it truncated?)"));
                code = std::int16_t(data[pos] | (data[pos + 1] << 8));
                pos += 2;
            }
        } else {
            if (n - pos < 2) return at(start, QStringLiteral("the file ends inside a group code (is it truncated?)"));
            code = std::int16_t(data[pos] | (data[pos + 1] << 8));
            pos += 2;
        }
        std::uint32_t valueStart = pos, valueEnd = 0, next = 0;
        const BinaryType type = TypeOf(code);
        auto fixed = [&](std::uint32_t size) {
            if (n - pos < size) return false;
            valueEnd = next = pos + size;
            return true;
        };
        bool whole = true;
        switch (type) {
            case BinaryType::String: {
                const void* nul = std::memchr(data + pos, 0, n - pos);
                if (!nul) {
                    whole = false;
                    break;
                }
                valueEnd = std::uint32_t(static_cast<const unsigned char*>(nul) - data);
                next = valueEnd + 1;
                if (valueEnd - valueStart > kMaxLineLength)
                    return at(valueStart, QStringLiteral("the value is longer than %1 bytes").arg(kMaxLineLength));
                break;
            }
            case BinaryType::Chunk:
                if (pos >= n) {
                    whole = false;
                    break;
                }
                valueStart = pos + 1;
                pos = valueStart;
                whole = fixed(data[valueStart - 1]);
                break;
            case BinaryType::Bool: whole = fixed(1); break;
            case BinaryType::Int16: whole = fixed(2); break;
            case BinaryType::Int32: whole = fixed(4); break;
            case BinaryType::Int64:
            case BinaryType::Double: whole = fixed(8); break;
        }
        if (!whole) {
            return at(start, QStringLiteral("group code %1 has no whole value (is the file truncated?)").arg(code));
        }
        f.AddPair(start, code, valueStart, valueEnd, next);
        pos = next;
        if (code == 0 && QByteArrayView(f.bytes_.constData() + valueStart, valueEnd - valueStart) == "EOF") break;
    }
    f.indexEnd_ = pos;
    return f;
}

template <class T>
T DxfFile::BinaryValue(std::uint32_t i) const {
    // Little-endian, whatever the machine's order.
    std::uint64_t u = 0;
    const char* p = bytes_.constData() + slots_[i].valueStart;
    for (size_t k = 0; k < sizeof(T); ++k) u |= std::uint64_t(static_cast<unsigned char>(p[k])) << (8 * k);
    if constexpr (std::is_floating_point_v<T>) return std::bit_cast<T>(u);
    else return T(static_cast<std::make_unsigned_t<T>>(u));
}

QString DxfFile::Where(std::uint32_t i) const {
    if (binary_) return QStringLiteral("byte %1").arg(CodeStart(i));
    return QStringLiteral("line %1").arg(Line(i));
}

QByteArray DxfFile::ValueText(std::uint32_t i) const {
    if (binary_) {
        switch (TypeOf(slots_[i].code)) {
            case BinaryType::String: break;
            case BinaryType::Double: return QByteArray::number(*Number(i), 'g', 17);
            case BinaryType::Chunk: return Value(i).toByteArray().toHex().toUpper();
            default: return QByteArray::number(qlonglong(*Integer(i)));
        }
    }
    return Value(i).toByteArray();
}

QByteArray DxfFile::BinaryCode(int code) const {
    QByteArray out;
    if (shortCodes_ && code >= 0 && code < 255) return QByteArray(1, char(code));
    if (shortCodes_) out += char(255);
    out += char(code & 0xFF);
    out += char((code >> 8) & 0xFF);
    return out;
}

std::uint32_t DxfFile::LongCodeLineStart(std::uint32_t i) const {
    const auto it = std::lower_bound(longCodeLines_.begin(), longCodeLines_.end(), std::make_pair(i, std::uint32_t(0)));
    return it->second;
}

QByteArray ReadFileBytes(QFile& file) {
    const qint64 size = file.size();
    if (size <= 0 || size >= std::numeric_limits<std::uint32_t>::max()) return file.readAll();
    QByteArray bytes(size, Qt::Uninitialized);
    qint64 got = 0;
    while (got < size) {
        const qint64 r = file.read(bytes.data() + got, size - got);
        if (r <= 0) break;
        got += r;
    }
    bytes.truncate(got);
    if (got == size) bytes += file.readAll();  // a file that grew while it was read
    return bytes;
}

std::optional<double> DxfFile::Number(std::uint32_t i) const {
    if (binary_) {
        switch (TypeOf(slots_[i].code)) {
            case BinaryType::Double: return BinaryValue<double>(i);
            case BinaryType::String: break;  // a number written as text
            case BinaryType::Chunk: return std::nullopt;
            default: return double(*Integer(i));
        }
    }
    const QByteArrayView v = Trimmed(i);
    double d = 0;
    const char* first = v.data();
    if (!v.isEmpty() && *first == '+') ++first;
    const auto r = std::from_chars(first, v.data() + v.size(), d);
    if (v.isEmpty() || r.ec != std::errc() || r.ptr != v.data() + v.size()) return std::nullopt;
    return d;
}

std::optional<long> DxfFile::Integer(std::uint32_t i) const {
    if (binary_) {
        switch (TypeOf(slots_[i].code)) {
            case BinaryType::Bool: return long(static_cast<unsigned char>(bytes_[slots_[i].valueStart]));
            case BinaryType::Int16: return long(BinaryValue<std::int16_t>(i));
            case BinaryType::Int32: return long(BinaryValue<std::int32_t>(i));
            case BinaryType::Int64: return long(BinaryValue<std::int64_t>(i));
            case BinaryType::Double: {
                const double d = BinaryValue<double>(i);
                if (!(d >= -9.2e18 && d <= 9.2e18) || d != double(long(d)))
                    return std::nullopt;
                return long(d);
            }
            case BinaryType::Chunk: return std::nullopt;
            case BinaryType::String: break;
        }
    }
    const QByteArrayView v = Trimmed(i);
    long x = 0;
    const char* first = v.data();
    if (!v.isEmpty() && *first == '+') ++first;
    const auto r = std::from_chars(first, v.data() + v.size(), x);
    if (v.isEmpty() || r.ec != std::errc() || r.ptr != v.data() + v.size()) return std::nullopt;
    return x;
}

}  // namespace qln::dxf
