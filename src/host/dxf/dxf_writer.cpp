// Saving a drawing: its bytes as they were read, with the changed text values and the deleted pairs
// spliced in. New pairs are laid out like the pairs beside them (code line width, line ends).

#include "host/dxf/dxf_drawing.h"

#include <algorithm>

namespace qln::dxf {

namespace {

QByteArray LineEndOf(const DxfFile& f, std::uint32_t ref) {
    QByteArray eol = f.ValueLineEnd(ref).toByteArray();
    return eol.isEmpty() ? QByteArray("\n") : eol;
}

// A code line for `code` laid out like the code line of pair `ref` (right-aligned to the same width).
QByteArray CodeLineLike(const DxfFile& f, std::uint32_t ref, int code) {
    const QByteArrayView line = f.CodeLine(ref);
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    qsizetype lead = 0;
    while (lead < line.size() && blank(line[lead])) ++lead;
    qsizetype digitsEnd = lead;
    while (digitsEnd < line.size() && !blank(line[digitsEnd]) && line[digitsEnd] != '\r' && line[digitsEnd] != '\n')
        ++digitsEnd;
    const QByteArray number = QByteArray::number(code);
    QByteArray out = lead > 0 ? number.rightJustified(digitsEnd, ' ') : number;
    out += line.sliced(digitsEnd).toByteArray();  // trailing blanks and the line end
    return out;
}

// A new pair of group `code` (a text value) laid out like pair `ref`; in a binary file, the code's bytes
// and the value ended by NUL.
QByteArray NewPair(const DxfFile& f, std::uint32_t ref, int code, const QByteArray& value) {
    if (f.IsBinary()) return f.BinaryCode(code) + value + '\0';
    return CodeLineLike(f, ref, code) + value + LineEndOf(f, ref);
}

// Where a missing group 1 goes in the record from `begin`: after the insertion point, height and (MTEXT)
// layout values.
std::uint32_t TextInsertionPoint(const DxfFile& f, std::uint32_t begin, std::uint32_t end) {
    std::uint32_t after = begin;
    for (std::uint32_t q = begin + 1; q < end; ++q) {
        const int c = f.Code(q);
        if (c == 101 || c >= 1000) break;
        if (c == 3 || c == 10 || c == 20 || c == 30 || c == 40 || c == 41 || c == 46 || c == 71 || c == 72) after = q;
    }
    return after;
}

}  // namespace

void Drawing::TextEditsFor(std::uint32_t e, const TextEdit& t, std::vector<ByteEdit>& out) const {
    const DxfFile& f = file_;
    const EntityRecord& r = entities_[e];
    // A single group 1 holds the whole text.
    auto writeSingle = [&](std::uint32_t one, std::uint32_t begin, std::uint32_t end) {
        if (one != kNone) {
            out.push_back({f.At(one).valueStart, f.At(one).valueEnd, t.encoded});
        } else {
            const std::uint32_t after = TextInsertionPoint(f, begin, end);
            out.push_back({f.PairEnd(after), f.PairEnd(after), NewPair(f, after, 1, t.encoded)});
        }
    };
    const std::uint32_t embedded = EmbeddedText(e);
    const bool mtext = EqualsIgnoringCase(Type(e), "MTEXT");
    if (!mtext && embedded == kNone) {
        writeSingle(TextPairs(e, nullptr), r.begin, r.ownEnd);
        return;
    }
    // MTEXT, or the embedded MTEXT of a multi-line attribute, whose own group 1 (before the embedded
    // object) takes the whole text too, as the CAD host writes it.
    std::uint32_t begin = r.begin;
    if (embedded != kNone) {
        writeSingle(TextPairsFrom(r.begin, r.ownEnd, false, nullptr), r.begin, embedded);
        begin = embedded;
    }
    std::vector<std::uint32_t> slots;
    const std::uint32_t one = TextPairsFrom(begin, r.ownEnd, true, &slots);
    const std::vector<QByteArray> pieces = TextCodec::Split(t.encoded, t.unitEnds);
    const size_t wanted = pieces.size() - 1;  // pieces in group 3; the last goes to group 1
    const size_t common = std::min(wanted, slots.size());
    for (size_t i = 0; i < common; ++i) out.push_back({f.At(slots[i]).valueStart, f.At(slots[i]).valueEnd, pieces[i]});
    for (size_t i = wanted; i < slots.size(); ++i) out.push_back({f.At(slots[i]).codeStart, f.PairEnd(slots[i]), {}});

    // New pairs go before the group 1 (or where it would be), laid out like their neighbours.
    QByteArray inserted;
    const std::uint32_t ref = !slots.empty() ? slots.front() : (one != kNone ? one : TextInsertionPoint(f, begin, r.ownEnd));
    for (size_t i = common; i < wanted; ++i) {
        inserted += slots.empty() || f.IsBinary() ? NewPair(f, ref, 3, pieces[i])
                                                  : f.CodeLine(ref).toByteArray() + pieces[i] + LineEndOf(f, ref);
    }
    if (one != kNone) {
        if (!inserted.isEmpty()) out.push_back({f.At(one).codeStart, f.At(one).codeStart, inserted});
        out.push_back({f.At(one).valueStart, f.At(one).valueEnd, pieces.back()});
    } else {
        const std::uint32_t after = TextInsertionPoint(f, begin, r.ownEnd);
        inserted += NewPair(f, ref, 1, pieces.back());
        out.push_back({f.PairEnd(after), f.PairEnd(after), inserted});
    }
}

host::Result<std::vector<Drawing::ByteEdit>> Drawing::Edits() const {
    std::vector<ByteEdit> edits;
    for (const auto& [e, t] : edits_)
        if (!entityDeleted_[e]) TextEditsFor(e, t, edits);
    for (std::uint32_t q = 0; q < pairDeleted_.Size();) {
        if (!pairDeleted_[q]) {
            ++q;
            continue;
        }
        std::uint32_t end = q;
        while (end < pairDeleted_.Size() && pairDeleted_[end]) ++end;
        edits.push_back({file_.At(q).codeStart, file_.PairEnd(end - 1), {}});
        q = end;
    }
    std::sort(edits.begin(), edits.end(), [](const ByteEdit& a, const ByteEdit& b) {
        return a.start != b.start ? a.start < b.start : a.end < b.end;
    });
    for (size_t i = 1; i < edits.size(); ++i) {
        if (edits[i].start < edits[i - 1].end)
            return host::Error{host::kHostFailure, QStringLiteral("internal error: two changes overlap at byte %1").arg(edits[i].start)};
    }
    return edits;
}

host::Status Drawing::Write(QIODevice& out) const {
    auto edits = Edits();
    if (!edits) return edits.error();
    const QByteArray& bytes = file_.Bytes();
    std::uint32_t pos = 0;
    auto put = [&](const char* data, qint64 size) {
        return size == 0 || out.write(data, size) == size;
    };
    for (const ByteEdit& e : *edits) {
        if (!put(bytes.constData() + pos, e.start - pos) || !put(e.bytes.constData(), e.bytes.size()))
            return host::Error{host::kPathAccessError, out.errorString()};
        pos = e.end;
    }
    if (!put(bytes.constData() + pos, bytes.size() - pos)) return host::Error{host::kPathAccessError, out.errorString()};
    return {};
}

}  // namespace qln::dxf
