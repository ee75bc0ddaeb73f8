#include "host/dxf/dxf_file.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstring>
#include <limits>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace qln::dxf {

namespace {

host::Error BadFormat(const QString& what) { return {host::kBadFileFormat, what}; }

QString AtLine(qint64 line, const QString& what) { return QStringLiteral("line %1: %2").arg(line).arg(what); }

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

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
    if (bytes.startsWith("AutoCAD Binary DXF")) return BadFormat(QStringLiteral("binary DXF is not supported"));
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
        std::uint8_t codeLineLength = kLongCodeLine;
        if (valueStart - pos < kLongCodeLine) codeLineLength = static_cast<std::uint8_t>(valueStart - pos);
        else f.longCodeLines_.emplace_back(index, pos);
        f.slots_.push_back(Slot{valueStart, static_cast<std::int16_t>(code), codeLineLength,
                                static_cast<std::uint8_t>(next - valueEnd)});
        pos = next;
        if (code == 0) {  // what follows EOF is kept, not read
            QByteArrayView value(data + valueStart, valueEnd - valueStart);
            if (value.trimmed() == "EOF") break;
        }
    }
    f.indexEnd_ = pos;
    return f;
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
    const QByteArrayView v = Trimmed(i);
    double d = 0;
    const char* first = v.data();
    if (!v.isEmpty() && *first == '+') ++first;
    const auto r = std::from_chars(first, v.data() + v.size(), d);
    if (v.isEmpty() || r.ec != std::errc() || r.ptr != v.data() + v.size()) return std::nullopt;
    return d;
}

std::optional<long> DxfFile::Integer(std::uint32_t i) const {
    const QByteArrayView v = Trimmed(i);
    long x = 0;
    const char* first = v.data();
    if (!v.isEmpty() && *first == '+') ++first;
    const auto r = std::from_chars(first, v.data() + v.size(), x);
    if (v.isEmpty() || r.ec != std::errc() || r.ptr != v.data() + v.size()) return std::nullopt;
    return x;
}

}  // namespace qln::dxf
