// The drawing text table: every single-line (or every multiple-line) text object of the open drawing
// as one HTML page. Rows are encoded as they are made and kept as bytes; the page is written once at the
// end, when the row count for its title is known.
//
// Everything read from the drawing (block names, layers, handles, texts) and the drawing's own path are
// HTML-escaped before they go into the page: the page is opened in a browser, and a drawing's text
// must show as text there, never act as mark-up or script.

#include "host/cautocad.h"
#include "host/text_files.h"
#include "report/clsconcat.h"
#include "report/html_table.h"
#include "report/number_forms.h"

#include <QDir>
#include <QTemporaryFile>

#include <memory>

namespace qln {

namespace {

const QString kLineBreak = QStringLiteral("\r\n");

const QString kHeaderRow = QStringLiteral(
    "<TR ALIGN=LEFT NOWRAP><TD><STRONG>Space</STRONG></TD><TD><STRONG>Block</STRONG></TD>"
    "<TD><STRONG>Rotation</STRONG></TD><TD><STRONG>Layer</STRONG></TD><TD><STRONG>Handle</STRONG></TD>"
    "<TD><STRONG>X</STRONG></TD><TD><STRONG>Y</STRONG></TD><TD><STRONG>Z</STRONG></TD>"
    "<TD><STRONG>Text</STRONG></TD></TR>");

// The five characters with a meaning in HTML text and attribute values.
QString HtmlEscaped(const QString& text) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    auto special = [](QChar c) { return c == u'&' || c == u'<' || c == u'>' || c == u'"' || c == u'\''; };
    while (i < n && !special(text.at(i))) ++i;
    if (i == n) return text;  // the common case: nothing to escape, no copy
    QString out;
    out.reserve(n + 16);
    out.append(QStringView(text).left(i));
    for (; i < n; ++i) {
        const QChar c = text.at(i);
        switch (c.unicode()) {
            case u'&': out += QStringLiteral("&amp;"); break;
            case u'<': out += QStringLiteral("&lt;"); break;
            case u'>': out += QStringLiteral("&gt;"); break;
            case u'"': out += QStringLiteral("&quot;"); break;
            case u'\'': out += QStringLiteral("&#39;"); break;
            default: out += c;
        }
    }
    return out;
}

// The table mark-up of the rows, in the page's encoding (UTF-8). A row is encoded as soon as it is made, so the
// text never exists both as characters and as bytes; once the bytes pass a megabyte they go on to a
// temporary file, so a drawing of a hundred thousand texts does not hold a page several times its size in
// memory while the rows are made (the title, written first, needs the row count of the last row). The
// length limit counts characters, as the text builder of the other listings does.
class EncodedRows {
public:
    // Append `piece`; false, with nothing appended, when the text would pass the length limit.
    bool Append(const QString& piece) {
        if (chars_ + piece.size() > clsConcat::kMaxLength) return false;
        chars_ += piece.size();
        pending_.append(piece);
        if (pending_.size() >= kEncodeAt && !pending_.back().isHighSurrogate()) Encode();
        return true;
    }
    // Write every row, in order, to `page`.
    void WriteTo(LineWriter& page) {
        Encode();
        if (spill_) {
            Spill();
            if (!spill_->seek(0)) ok_ = false;
            QByteArray chunk;
            while (ok_ && !spill_->atEnd()) {
                chunk = spill_->read(kChunk);
                if (chunk.isEmpty()) ok_ = false;
                page.WriteEncoded(chunk);
            }
        }
        page.WriteEncoded(bytes_);
    }
    // False when the temporary file lost rows.
    bool ok() const { return ok_; }

private:
    static constexpr qsizetype kEncodeAt = 4096;
    static constexpr qsizetype kChunk = qsizetype(1) << 20;
    static constexpr qsizetype kSpillAt = qsizetype(1) << 20;

    // Encode what is pending. It never ends between the two halves of a surrogate pair, so encoding in
    // steps gives the same bytes as encoding the whole.
    void Encode() {
        if (pending_.isEmpty()) return;
        bytes_.append(pending_.toUtf8());
        pending_.clear();
        if (bytes_.size() >= kSpillAt) Spill();
    }
    void Spill() {
        if (!spill_) {
            if (noSpill_) return;
            auto file = std::make_unique<QTemporaryFile>(QDir::temp().filePath(QStringLiteral("qln-report-XXXXXX")));
            if (!file->open()) {  // no temporary file: the rows stay in memory, and it is not asked for again
                noSpill_ = true;
                return;
            }
            spill_ = std::move(file);
        }
        if (bytes_.isEmpty()) return;
        if (spill_->write(bytes_) != bytes_.size()) ok_ = false;
        bytes_.resize(0);  // keeps its room for the next rows
    }

    QString pending_;
    QByteArray bytes_;
    std::unique_ptr<QTemporaryFile> spill_;
    bool noSpill_ = false;
    std::int64_t chars_ = 0;
    bool ok_ = true;
};

}  // namespace

void cAutoCAD::CreateArray(const QString& strHTML, const QString& strFile, bool blnAttributes) {
    pending_.Clear();
    const bool multiple = state_.blnMultipleLineText;
    const QString textType = multiple ? QStringLiteral("MTEXT") : QStringLiteral("TEXT");
    const QString objectName = multiple ? QStringLiteral("AcDbMText") : QStringLiteral("AcDbText");

    EncodedRows rows;
    std::int32_t rowCount = 0;
    auto append = [&](const QString& piece) {
        if (!rows.Append(piece)) pending_.Record({6, QStringLiteral("Overflow")});
    };

    // The four selection sets are made first, in this order; a set that cannot be made is simply empty.
    auto select = [&](const QString& name, const QString& type, std::int16_t paper) {
        return AddSelection(name, {0, 67}, {host::Variant(type), host::Variant(paper)});
    };
    const Selection modelText = select(QStringLiteral("MODEL_SPACE"), textType, 0);
    const Selection modelBlocks = select(QStringLiteral("MODELBLOCKS"), QStringLiteral("INSERT"), 0);
    const Selection paperText = select(QStringLiteral("PAPER_SPACE"), textType, 1);
    const Selection paperBlocks = select(QStringLiteral("PAPERBLOCKS"), QStringLiteral("INSERT"), 1);

    append(QStringLiteral("<TABLE ALIGN=CENTER BORDER=1 CELLSPACING=2 CELLPADDING=2 WIDTH='10%' "
                          "BGCOLOR='#FFD700' BORDERCOLOR='black'><TBODY>") + kLineBreak);
    append(kHeaderRow);

    static const QString kRowStart = QStringLiteral("<TR ALIGN=LEFT NOWRAP>");
    static const QString kCellOpen = QStringLiteral("<TD NOWRAP>");
    static const QString kCellClose = QStringLiteral("</TD>");

    // One row; `spaceCell` and `blockCell` are whole cells, the block name already escaped. A value that
    // cannot be read leaves its cell empty.
    auto appendRow = [&](const host::EntityPtr& entity, const QString& spaceCell, const QString& blockCell) {
        const auto point = pending_.On(entity, [](host::Entity& e) { return e.InsertionPoint(); });
        auto cell = [&](const QString& value) {
            append(kCellOpen);
            append(value);
            append(kCellClose);
        };
        auto text = [&](auto read) -> QString {
            const std::optional<QString> value = pending_.On(entity, read);
            return value ? HtmlEscaped(*value) : QString();
        };
        append(kRowStart);
        append(spaceCell);
        append(blockCell);
        const auto rotation = pending_.On(entity, [](host::Entity& e) { return e.Rotation(); });
        cell(rotation ? FormatRotation(*rotation) : QString());
        cell(text([](host::Entity& e) { return e.Layer(); }));
        cell(text([](host::Entity& e) { return e.Handle(); }));
        for (size_t axis = 0; axis < 3; ++axis) cell(point ? FormatCoordinate((*point)[axis]) : QString());
        append(QStringLiteral("<TD>"));
        append(text([](host::Entity& e) { return e.TextString(); }));
        append(QStringLiteral("</TD></TR>") + kLineBreak);
        ++rowCount;
    };

    // Text lying directly in a space. A set whose Select failed is still enumerated.
    auto listLoose = [&](const Selection& selection, const QString& space, const QString& block) {
        const QString spaceCell = kCellOpen + space + kCellClose;
        const QString blockCell = kCellOpen + block + kCellClose;
        for (const host::EntityPtr& entity : SelectionItems(selection, IfSelectFailed::kEnumerate)) {
            Yield();
            appendRow(entity, spaceCell, blockCell);
        }
    };

    // Text directly inside the definitions of the block references of a space, once per reference. An
    // empty reference leaves "object not set" as the pending error.
    auto listBlocks = [&](const Selection& selection, const QString& space) {
        const QString spaceCell = kCellOpen + space + kCellClose;
        BlockObjects blockTexts(objectName);
        for (const host::EntityPtr& reference : SelectionItems(selection, IfSelectFailed::kEnumerate)) {
            const auto block = ReferencedBlock(reference, IfNullReference::kRecord, blockTexts);
            if (!block) continue;
            const QString blockCell = kCellOpen + HtmlEscaped(block->name) + kCellClose;
            for (const host::EntityPtr& entity : block->items) {
                Yield();
                const auto type = pending_.On(entity, [](host::Entity& e) { return e.ObjectName(); });
                if (type && *type == objectName) appendRow(entity, spaceCell, blockCell);
            }
        }
    };

    listLoose(modelText, QStringLiteral("MODEL"), QStringLiteral("*MODEL_SPACE"));
    listBlocks(modelBlocks, QStringLiteral("MODEL"));
    listLoose(paperText, QStringLiteral("PAPER"), QStringLiteral("*PAPER_SPACE"));
    listBlocks(paperBlocks, QStringLiteral("PAPER"));

    // The attributes of every block reference, model space first, after all the text: Block is the
    // reference's block, the other cells the attribute's own.
    std::int32_t attributeRows = 0;
    auto listAttributes = [&](const Selection& selection, const QString& space) {
        const QString spaceCell = kCellOpen + space + kCellClose;
        for (const host::EntityPtr& reference : SelectionItems(selection, IfSelectFailed::kEnumerate)) {
            if (!reference) continue;
            const auto has = pending_.Try(reference->HasAttributes());
            if (!has || !*has) continue;
            const auto name = pending_.Try(reference->Name());
            const auto attributes = pending_.Try(reference->GetAttributes());
            if (!name || !attributes) continue;
            const QString blockCell = kCellOpen + HtmlEscaped(*name) + kCellClose;
            for (const host::EntityPtr& attribute : *attributes) {
                Yield();
                if (!attribute) continue;
                appendRow(attribute, spaceCell, blockCell);
                ++attributeRows;
            }
        }
    };
    if (blnAttributes) {
        listAttributes(modelBlocks, QStringLiteral("MODEL"));
        listAttributes(paperBlocks, QStringLiteral("PAPER"));
    }

    append(kHeaderRow + kLineBreak + QStringLiteral("</TBODY></TABLE>") + kLineBreak + QStringLiteral("</BODY>") +
           kLineBreak + QStringLiteral("</HTML>"));

    const QString title = QString::number(rowCount - attributeRows) +
                          (multiple ? QStringLiteral(" multiple line text objects") : QStringLiteral(" single line text objects")) +
                          (attributeRows > 0 ? QStringLiteral(" and ") + QString::number(attributeRows) + QStringLiteral(" attributes")
                                         : QString()) +
                          QStringLiteral(" in ") + HtmlEscaped(strFile);

    // Written once, at the end. A file that cannot be created is skipped without a word: the caller
    // checks that the page exists.
    LineWriter page;
    if (!page.Open(strHTML, LineWriter::Mode::Truncate)) {
        pending_.Record({host::kPathAccessError, QStringLiteral("Path/File access error")});
        return;
    }
    // The page is UTF-8 whatever the system's code page, and says so, so that "m²" and non-Latin text
    // show right in every browser.
    auto line = [&page](const QString& text) { page.WriteEncoded(text.toUtf8() + "\r\n"); };
    line(QStringLiteral("<HTML>"));
    line(QStringLiteral("<HEAD>"));
    line(QLatin1String(kHtmlCharset));
    line(QStringLiteral("<STRONG><CENTER>") + title + QStringLiteral("</CENTER></STRONG><BR>"));
    line(QStringLiteral("<TITLE>"));
    line(title);
    line(QStringLiteral("</TITLE>"));
    line(QStringLiteral("</HEAD>"));
    line(QStringLiteral("<BODY>"));
    rows.WriteTo(page);
    line(QString());
    page.Close();
    if (!page.ok() || !rows.ok()) pending_.Record({host::kPathAccessError, QStringLiteral("Path/File access error")});
}

}  // namespace qln
