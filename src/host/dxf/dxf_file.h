#pragma once
// The bytes of a DXF file, ASCII or binary, and an index of its group-code/value pairs.
//
// The file is read once and kept as it is. The index holds, for each pair, where its value line starts
// and the lengths that give its code line and value end; no string is made per pair. Lines may end with CR LF, LF or
// CR. Everything after the EOF pair (and a byte-order mark before the first pair) is kept but not indexed.
//
// Binary DXF (what CAD programs write when asked for a smaller, faster DXF) starts with the sentinel
// "AutoCAD Binary DXF" CR LF SUB NUL, kept like a byte-order mark. Each pair is its group code (one byte,
// or 255 and two bytes, in Release 12 drawings; two bytes, little-endian, from Release 13 on) and its value:
// a NUL-terminated string, a little-endian integer or double of the size its group code gives, or a binary
// chunk (a length byte and the bytes). There the "code line" is the code's bytes (and a chunk's length
// byte) and the "line end" the NUL after a string (nothing after a number); so text values, which are
// strings in both forms, are read and replaced alike.

#include "host/result.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QString>

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace qln::dxf {

// Where one pair lies in the bytes.
struct Pair {
    std::uint32_t codeStart;   // first byte of the group-code line
    std::uint32_t valueStart;  // first byte of the value line
    std::uint32_t valueEnd;    // end of the value, its line end excluded
    std::int16_t code;
};

// One section of a drawing: its name, upper case, and its pairs.
struct Section {
    QByteArray name;
    std::uint32_t begin;  // first pair after the name
    std::uint32_t end;    // the ENDSEC pair
};

// Structure names (entity and object types, group names) compare ignoring case.
inline bool EqualsIgnoringCase(QByteArrayView a, const char* b) {
    const qsizetype n = qsizetype(qstrlen(b));
    return a.size() == n && qstrnicmp(a.data(), n, b, n) == 0;
}

class DxfFile {
public:
    // Index `bytes`; a file that is not ASCII DXF gives a description of what is wrong and where.
    static host::Result<DxfFile> Parse(QByteArray bytes);

    // The longest value line, for the reader and the writer alike: a drawing with a longer line is
    // refused, and so is a change of a single-line text that would need one, so that every saved drawing
    // opens again. (AutoCAD writes at most 2049 characters to a line; the readers of the field take
    // longer ones.)
    static constexpr std::uint32_t kMaxLineLength = 65536;

    const QByteArray& Bytes() const { return bytes_; }
    bool IsBinary() const { return binary_; }
    std::uint32_t Size() const { return static_cast<std::uint32_t>(slots_.size()); }
    Pair At(std::uint32_t i) const { return {CodeStart(i), slots_[i].valueStart, ValueEnd(i), slots_[i].code}; }
    int Code(std::uint32_t i) const { return slots_[i].code; }
    // The value as written, without its line end.
    QByteArrayView Value(std::uint32_t i) const {
        return QByteArrayView(bytes_.constData() + slots_[i].valueStart, ValueEnd(i) - slots_[i].valueStart);
    }
    // The value without surrounding white space (structure names, numbers, handles).
    QByteArrayView Trimmed(std::uint32_t i) const {
        const char* a = bytes_.constData() + slots_[i].valueStart;
        const char* b = bytes_.constData() + ValueEnd(i);
        while (a < b && IsSpace(*a)) ++a;
        while (b > a && IsSpace(b[-1])) --b;
        return QByteArrayView(a, b - a);
    }
    bool Is(std::uint32_t i, int code, const char* value) const {
        return i < Size() && slots_[i].code == code && Trimmed(i) == QByteArrayView(value);
    }
    // The first byte after the pair (its value line end included).
    std::uint32_t PairEnd(std::uint32_t i) const { return i + 1 < Size() ? CodeStart(i + 1) : indexEnd_; }
    // The line end that follows the pair's value ("\r\n", "\n", "\r", or empty at the end of the file).
    QByteArrayView ValueLineEnd(std::uint32_t i) const {
        const std::uint32_t end = ValueEnd(i);
        return QByteArrayView(bytes_.constData() + end, PairEnd(i) - end);
    }
    // The code line with its line end, as written.
    QByteArrayView CodeLine(std::uint32_t i) const {
        const std::uint32_t start = CodeStart(i);
        return QByteArrayView(bytes_.constData() + start, slots_[i].valueStart - start);
    }
    // The end of the record that starts at pair `k`: its next pair of group 0, or `end`.
    std::uint32_t RecordEnd(std::uint32_t k, std::uint32_t end) const {
        ++k;
        while (k < end && slots_[k].code != 0) ++k;
        return k;
    }
    // 1-based line number of the pair's code line (in an ASCII file).
    static qint64 Line(std::uint32_t i) { return 2 * qint64(i) + 1; }
    // Where the pair is, for messages: "line N", or "byte N" in a binary file.
    QString Where(std::uint32_t i) const;
    // A value as text: the value itself, or (a number of a binary file) the number written out.
    QByteArray ValueText(std::uint32_t i) const;
    // The code line for a new pair of group `code`: in a binary file the code's bytes.
    QByteArray BinaryCode(int code) const;
    // The end of the indexed bytes: after the EOF pair's value line.
    std::uint32_t IndexEnd() const { return indexEnd_; }

    std::optional<double> Number(std::uint32_t i) const;
    std::optional<long> Integer(std::uint32_t i) const;

private:
    // Eight bytes a pair: a large drawing has millions of pairs, each about ten bytes of text. The code
    // line's start and the value's end follow from the value's start and the lengths of the code line and
    // of the value's line end. A code line of 255 bytes or more (blanks around the code) keeps its start
    // in `longCodeLines_`.
    struct Slot {
        std::uint32_t valueStart;
        std::int16_t code;
        std::uint8_t codeLineLength;  // kLongCodeLine: see longCodeLines_
        std::uint8_t lineEndLength;   // 0, 1 or 2: the value line's end
    };
    static_assert(sizeof(Slot) == 8);
    static constexpr std::uint8_t kLongCodeLine = 255;

    static bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
    std::uint32_t CodeStart(std::uint32_t i) const {
        const Slot& s = slots_[i];
        return s.codeLineLength != kLongCodeLine ? s.valueStart - s.codeLineLength : LongCodeLineStart(i);
    }
    std::uint32_t ValueEnd(std::uint32_t i) const { return PairEnd(i) - slots_[i].lineEndLength; }
    std::uint32_t LongCodeLineStart(std::uint32_t i) const;

    // How a binary file holds the value of a group code.
    enum class BinaryType : std::uint8_t { String, Int16, Int32, Int64, Double, Bool, Chunk };
    static BinaryType TypeOf(int code);
    static host::Result<DxfFile> ParseBinary(QByteArray bytes);
    // Record the next pair: its code line starts at codeStart, its value runs from valueStart to
    // valueEnd, and the pair after it starts at next.
    void AddPair(std::uint32_t codeStart, int code, std::uint32_t valueStart, std::uint32_t valueEnd, std::uint32_t next) {
        const std::uint32_t index = static_cast<std::uint32_t>(slots_.size());
        std::uint8_t codeLineLength = kLongCodeLine;
        if (valueStart - codeStart < kLongCodeLine) codeLineLength = static_cast<std::uint8_t>(valueStart - codeStart);
        else longCodeLines_.emplace_back(index, codeStart);
        slots_.push_back(Slot{valueStart, static_cast<std::int16_t>(code), codeLineLength,
                              static_cast<std::uint8_t>(next - valueEnd)});
    }
    template <class T>
    T BinaryValue(std::uint32_t i) const;

    QByteArray bytes_;
    bool binary_ = false;
    bool shortCodes_ = false;  // binary, Release 12: one-byte group codes
    std::vector<Slot> slots_;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> longCodeLines_;  // (pair, code line start), by pair
    std::uint32_t indexEnd_ = 0;
};

// All bytes of an open file, read into a buffer of the file's size (no growing and copying on the way).
QByteArray ReadFileBytes(QFile& file);

// A short, printable excerpt of raw bytes for error messages.
QString Excerpt(QByteArrayView bytes, int max = 24);

}  // namespace qln::dxf
