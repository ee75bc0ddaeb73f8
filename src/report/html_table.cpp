// The HTML table writer: any two-dimensional table of values as an HTML table element, or as a whole
// page written to a file. Cell values and presentation texts go into the mark-up unchanged, so a
// caller can put mark-up of its own into a cell.

#include "host/cautocad.h"
#include "host/text_files.h"
#include "modify/name_list.h"
#include "report/clsconcat.h"
#include "report/html_table.h"
#include "report/number_forms.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

namespace qln {

// ---- values and arrays --------------------------------------------------------------------------------

std::optional<QString> ValueText(const TableValue& value) {
    struct Visitor {
        std::optional<QString> operator()(std::monostate) const { return QString(); }
        std::optional<QString> operator()(NullValue) const { return std::nullopt; }
        std::optional<QString> operator()(bool b) const {
            return b ? QStringLiteral("True") : QStringLiteral("False");
        }
        std::optional<QString> operator()(std::int64_t n) const { return QString::number(n); }
        std::optional<QString> operator()(float f) const { return FormatSingle(f); }
        std::optional<QString> operator()(double d) const { return FormatDouble(d); }
        std::optional<QString> operator()(const QString& s) const { return s; }
    };
    return std::visit(Visitor{}, value);
}

ValueArray::ValueArray(std::vector<Bounds> dimensions) : bounds_(std::move(dimensions)) {
    size_t count = bounds_.empty() ? 0 : 1;
    for (const Bounds& b : bounds_) {
        const std::int64_t extent = static_cast<std::int64_t>(b.upper) - b.lower + 1;
        count *= extent > 0 ? static_cast<size_t>(extent) : 0;
    }
    cells_.resize(count);
}

ValueArray ValueArray::Table(std::int32_t firstRow, std::int32_t lastRow, std::int32_t firstColumn,
                             std::int32_t lastColumn) {
    return ValueArray({{firstRow, lastRow}, {firstColumn, lastColumn}});
}

ValueArray ValueArray::FromRows(const std::vector<std::vector<TableValue>>& rows) {
    size_t columns = 0;
    for (const auto& row : rows) columns = std::max(columns, row.size());
    ValueArray table = Table(0, static_cast<std::int32_t>(rows.size()) - 1, 0, static_cast<std::int32_t>(columns) - 1);
    for (size_t r = 0; r < rows.size(); ++r)
        for (size_t c = 0; c < rows[r].size(); ++c)
            table(static_cast<std::int32_t>(r), static_cast<std::int32_t>(c)) = rows[r][c];
    return table;
}

size_t ValueArray::Offset(std::span<const std::int32_t> index) const {
    if (index.size() != bounds_.size()) throw std::out_of_range("ValueArray: wrong number of indexes");
    size_t offset = 0;
    for (size_t d = 0; d < bounds_.size(); ++d) {
        const Bounds& b = bounds_[d];
        if (index[d] < b.lower || index[d] > b.upper) throw std::out_of_range("ValueArray: index out of bounds");
        const size_t extent = static_cast<size_t>(static_cast<std::int64_t>(b.upper) - b.lower + 1);
        offset = offset * extent + static_cast<size_t>(static_cast<std::int64_t>(index[d]) - b.lower);
    }
    return offset;
}

TableValue& ValueArray::At(const std::vector<std::int32_t>& index) { return cells_[Offset(index)]; }
const TableValue& ValueArray::At(const std::vector<std::int32_t>& index) const { return cells_[Offset(index)]; }

TableValue& ValueArray::operator()(std::int32_t row, std::int32_t column) {
    const std::int32_t index[] = {row, column};
    return cells_[Offset(index)];
}

const TableValue& ValueArray::operator()(std::int32_t row, std::int32_t column) const {
    const std::int32_t index[] = {row, column};
    return cells_[Offset(index)];
}

// ---- the writer ---------------------------------------------------------------------------------------

namespace {

const QString kLineBreak = QStringLiteral("\r\n");

QString AlignWord(std::int32_t code) {
    switch (code) {
        case kAlignLeft: return QStringLiteral("LEFT");
        case kAlignCenter: return QStringLiteral("CENTER");
        case kAlignRight: return QStringLiteral("RIGHT");
        default: return QString();
    }
}

bool Blank(const QString& text) { return TrimSpaces(text).isEmpty(); }

bool FitsInt16(std::int32_t n) {
    return n >= std::numeric_limits<std::int16_t>::min() && n <= std::numeric_limits<std::int16_t>::max();
}

}  // namespace

std::int16_t cAutoCAD::TwoDArrayToHTMLTable(const ValueArray* varArray, QString& strTable) {
    return TwoDArrayToHTMLTable(varArray, strTable, HtmlTableOptions{});
}

std::int16_t cAutoCAD::TwoDArrayToHTMLTable(const ValueArray* varArray, QString& strTable,
                                            const HtmlTableOptions& o) {
    if (!varArray) return -1;
    // Only a table of rows and columns can be rendered, and its first row and column must be
    // addressable with a 16-bit counter.
    if (varArray->Dimensions() != 2) return -2;
    const ValueArray::Bounds rows = varArray->DimensionBounds(0);
    const ValueArray::Bounds columns = varArray->DimensionBounds(1);
    if (!FitsInt16(rows.lower) || !FitsInt16(columns.lower)) return -2;

    clsConcat builder;
    // Every piece goes through here; an overflowing builder ends the rendering.
    bool overflow = false;
    auto append = [&](const QString& piece) {
        if (!overflow && !builder.SConcat(piece)) overflow = true;
        return !overflow;
    };

    QString tableTag = QStringLiteral("<TABLE ALIGN=") + AlignWord(o.lngTableAlign) +
                       QStringLiteral(" BORDER=") + QString::number(o.intBorder) +
                       QStringLiteral(" CELLSPACING=") + QString::number(o.intCellSpacing) +
                       QStringLiteral(" CELLPADDING=") + QString::number(o.intCellPadding) +
                       QStringLiteral(" WIDTH='") + QString::number(o.intWidthPct) + QStringLiteral("%'");
    // The table tag names the image before the colour (the page's body tag has them the other way).
    if (!Blank(o.strBackground)) tableTag += QStringLiteral(" BACKGROUND='") + o.strBackground + u'\'';
    if (!Blank(o.strBackgroundColor)) tableTag += QStringLiteral(" BGCOLOR='") + o.strBackgroundColor + u'\'';
    if (!Blank(o.strBorderColor)) tableTag += QStringLiteral(" BORDERCOLOR='") + o.strBorderColor + u'\'';
    tableTag += QStringLiteral("><TBODY>") + kLineBreak;
    append(tableTag);

    const QString rowTag = QStringLiteral("<TR ALIGN=") + AlignWord(o.lngTableCellAlign) +
                           (o.blnWrapCellData ? QString() : QStringLiteral(" NOWRAP")) + u'>';
    static const QString kBoldOpen = QStringLiteral("<TD><STRONG>");
    static const QString kBoldClose = QStringLiteral("</STRONG></TD>");
    static const QString kLastOpen = QStringLiteral("<TD>");
    static const QString kNoWrapOpen = QStringLiteral("<TD NOWRAP>");
    static const QString kClose = QStringLiteral("</TD>");

    for (std::int64_t r = rows.lower; r <= rows.upper; ++r) {
        append(rowTag);
        for (std::int64_t c = columns.lower; c <= columns.upper; ++c) {
            Yield();
            // The first rule that applies: bold first row, bold first column, bold last row, last
            // column (the only cell that may wrap), any other cell.
            const bool bold = (o.blnBoldFirstRow && r == rows.lower) || (o.blnBoldFirstColumn && c == columns.lower) ||
                              (o.blnBoldLastRow && r == rows.upper);
            const QString& open = bold ? kBoldOpen : c == columns.upper ? kLastOpen : kNoWrapOpen;
            const QString& close = bold ? kBoldClose : kClose;
            append(open);
            const std::optional<QString> value =
                ValueText((*varArray)(static_cast<std::int32_t>(r), static_cast<std::int32_t>(c)));
            if (!value) return -2;  // a cell without a text form
            append(*value);
            if (!append(close)) return -2;
        }
        if (!append(QStringLiteral("</TR>") + kLineBreak)) return -2;
    }
    if (!append(QStringLiteral("</TBODY></TABLE>"))) return -2;

    strTable = builder.GetString();
    return 1;
}

std::int16_t cAutoCAD::TwoDArrayToHTMLFile(const ValueArray* varArray, const QString& strHTMLFile) {
    return TwoDArrayToHTMLFile(varArray, strHTMLFile, HtmlPageOptions{});
}

std::int16_t cAutoCAD::TwoDArrayToHTMLFile(const ValueArray* varArray, const QString& strHTMLFile,
                                           const HtmlPageOptions& o) {
    if (!varArray) return -1;
    // A table that cannot be rendered gives no page: the caller learns of it from the result, and no
    // page with a missing table is left behind looking like a success.
    QString table;
    const std::int16_t rendered = TwoDArrayToHTMLTable(varArray, table, o.table);
    if (rendered != 1) return rendered;

    clsConcat page;
    bool ok = true;
    auto append = [&](const QString& piece) { ok = ok && page.SConcat(piece); };

    append(QStringLiteral("<HTML>") + kLineBreak + QStringLiteral("<HEAD>") + kLineBreak + QLatin1String(kHtmlCharset) +
           kLineBreak);
    // The heading stands inside the head element, before the title, as in the text report page;
    // browsers show it at the top of the body.
    const QString heading = TrimSpaces(o.strPageHeading);
    if (!heading.isEmpty())
        append(QStringLiteral("<STRONG><CENTER>") + heading + QStringLiteral("</CENTER></STRONG><BR>") + kLineBreak);
    append(QStringLiteral("<TITLE>") + kLineBreak);
    const QString title = TrimSpaces(o.strPageTitle);
    if (!title.isEmpty()) append(title + kLineBreak);
    append(QStringLiteral("</TITLE>") + kLineBreak + QStringLiteral("</HEAD>") + kLineBreak);
    // "<BODY " keeps its blank even without attributes; the colour comes before the image here.
    QString bodyTag = QStringLiteral("<BODY ");
    if (!Blank(o.strPageBackgroundColor)) bodyTag += QStringLiteral(" BGCOLOR='") + o.strPageBackgroundColor + u'\'';
    if (!Blank(o.strPageBackground)) bodyTag += QStringLiteral(" BACKGROUND='") + o.strPageBackground + u'\'';
    append(bodyTag + u'>' + kLineBreak);
    append(table);
    table.clear();
    append(kLineBreak + QStringLiteral("</BODY>") + kLineBreak + QStringLiteral("</HTML>") + kLineBreak);
    if (!ok) return -2;

    // One write of the whole page as one line. A file that cannot be created or written is not
    // reported here: the result stays 1 and a caller that must know checks that the file exists.
    LineWriter file;
    if (file.Open(strHTMLFile, LineWriter::Mode::Truncate)) {
        // UTF-8 whatever the system's code page, as the page's head declares.
        file.WriteEncoded(page.GetString().toUtf8() + "\r\n");
        file.Close();
    }
    return 1;
}

}  // namespace qln
