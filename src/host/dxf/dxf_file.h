#pragma once
// The bytes of an ASCII DXF file and an index of its group-code/value pairs.
//
// The file is read once and kept as it is. The index holds, for each pair, where its code line and its
// value line start and where the value ends; no string is made per pair. Lines may end with CR LF, LF or
// CR. Everything after the EOF pair (and a byte-order mark before the first pair) is kept but not indexed.

#include "host/result.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace qln::dxf {

struct Pair {
    std::uint32_t codeStart;   // first byte of the group-code line
    std::uint32_t valueStart;  // first byte of the value line
    std::uint32_t valueEnd;    // end of the value, its line end excluded
    std::int16_t code;
};

class DxfFile {
public:
    // Index `bytes`; a file that is not ASCII DXF gives a description of what is wrong and where.
    static host::Result<DxfFile> Parse(QByteArray bytes);

    // The longest value line accepted (AutoCAD writes at most 2049 characters to a line).
    static constexpr std::uint32_t kMaxLineLength = 65536;

    const QByteArray& Bytes() const { return bytes_; }
    std::uint32_t Size() const { return static_cast<std::uint32_t>(pairs_.size()); }
    const Pair& At(std::uint32_t i) const { return pairs_[i]; }
    int Code(std::uint32_t i) const { return pairs_[i].code; }
    // The value as written, without its line end.
    QByteArrayView Value(std::uint32_t i) const {
        return QByteArrayView(bytes_.constData() + pairs_[i].valueStart, pairs_[i].valueEnd - pairs_[i].valueStart);
    }
    // The value without surrounding blanks (structure names, numbers, handles).
    QByteArrayView Trimmed(std::uint32_t i) const { return Value(i).trimmed(); }
    bool Is(std::uint32_t i, int code, const char* value) const {
        return i < Size() && pairs_[i].code == code && Trimmed(i) == QByteArrayView(value);
    }
    // The first byte after the pair (its value line end included).
    std::uint32_t PairEnd(std::uint32_t i) const { return i + 1 < Size() ? pairs_[i + 1].codeStart : indexEnd_; }
    // The line end that follows the pair's value ("\r\n", "\n", "\r", or empty at the end of the file).
    QByteArrayView ValueLineEnd(std::uint32_t i) const {
        return QByteArrayView(bytes_.constData() + pairs_[i].valueEnd, PairEnd(i) - pairs_[i].valueEnd);
    }
    // The code line with its line end, as written.
    QByteArrayView CodeLine(std::uint32_t i) const {
        return QByteArrayView(bytes_.constData() + pairs_[i].codeStart, pairs_[i].valueStart - pairs_[i].codeStart);
    }
    // 1-based line number of the pair's code line.
    static qint64 Line(std::uint32_t i) { return 2 * qint64(i) + 1; }
    // The end of the indexed bytes: after the EOF pair's value line.
    std::uint32_t IndexEnd() const { return indexEnd_; }

    std::optional<double> Number(std::uint32_t i) const;
    std::optional<long> Integer(std::uint32_t i) const;

private:
    QByteArray bytes_;
    std::vector<Pair> pairs_;
    std::uint32_t indexEnd_ = 0;
};

// A short, printable excerpt of raw bytes for error messages.
QString Excerpt(QByteArrayView bytes, int max = 24);

}  // namespace qln::dxf
