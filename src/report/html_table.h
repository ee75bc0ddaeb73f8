#pragma once
// Tables of values for the HTML table writer (cAutoCAD::TwoDArrayToHTMLTable / TwoDArrayToHTMLFile)
// and the presentation arguments of the two writer members, with their defaults.

#include <QString>

#include <cstdint>
#include <optional>
#include <span>
#include <variant>
#include <vector>

namespace qln {

// The line in the head of every page the program writes: the pages are UTF-8.
inline constexpr char kHtmlCharset[] = "<meta charset=\"utf-8\">";

// A cell that holds "no value" and has no text form (a database null). A table holding one cannot be
// rendered.
struct NullValue {
    bool operator==(const NullValue&) const = default;
};

// One cell: empty, null, a boolean, a whole number, a single, a double, or a text.
using TableValue = std::variant<std::monostate, NullValue, bool, std::int64_t, float, double, QString>;

// The text form of a cell: empty for an empty cell; "True" / "False"; whole numbers in plain decimal;
// singles and doubles in the number forms of report/number_forms.h (the user's decimal separator);
// text unchanged. No value for a null.
std::optional<QString> ValueText(const TableValue& value);

// An array of values with any number of dimensions, each with its own lower and upper bound (bounds
// need not start at 0: rows 1 to 3 and columns 5 to 6 is a 3 x 2 table). A dimension whose upper
// bound is below its lower bound is empty. New cells are empty.
class ValueArray {
public:
    struct Bounds {
        std::int32_t lower = 0;
        std::int32_t upper = -1;
    };

    explicit ValueArray(std::vector<Bounds> dimensions);
    // A two-dimensional table, rows firstRow..lastRow, columns firstColumn..lastColumn.
    static ValueArray Table(std::int32_t firstRow, std::int32_t lastRow, std::int32_t firstColumn,
                            std::int32_t lastColumn);
    // A two-dimensional table from rows of values, bounds from 0; short rows are padded with empty
    // cells. FromRows({{"Name", "Size"}, {"a.dxf", 1200}}).
    static ValueArray FromRows(const std::vector<std::vector<TableValue>>& rows);

    int Dimensions() const { return static_cast<int>(bounds_.size()); }
    // The bounds of dimension d, counted from 0 (0 = rows, 1 = columns of a table).
    const Bounds& DimensionBounds(int d) const { return bounds_.at(static_cast<size_t>(d)); }

    // The cell at one index per dimension; std::out_of_range when the index is outside the bounds.
    TableValue& At(const std::vector<std::int32_t>& index);
    const TableValue& At(const std::vector<std::int32_t>& index) const;
    // The cell at (row, column) of a two-dimensional table.
    TableValue& operator()(std::int32_t row, std::int32_t column);
    const TableValue& operator()(std::int32_t row, std::int32_t column) const;

private:
    size_t Offset(std::span<const std::int32_t> index) const;

    std::vector<Bounds> bounds_;
    std::vector<TableValue> cells_;  // last dimension varies fastest
};

// Alignment codes of the table and of its rows: 0 LEFT, 1 CENTER, 2 RIGHT; any other code writes the
// ALIGN attribute with no value.
enum HtmlAlign : std::int32_t { kAlignLeft = 0, kAlignCenter = 1, kAlignRight = 2 };

// The presentation arguments of TwoDArrayToHTMLTable, in their order, with their defaults. Texts are
// written into the mark-up as they are given (a caller may pass mark-up on purpose); an empty or
// all-blank text leaves its attribute out.
struct HtmlTableOptions {
    std::int32_t lngTableAlign = kAlignCenter;    // alignment of the table
    QString strBackground{};                      // background image of the table
    QString strBackgroundColor{};                 // background colour of the table
    std::int16_t intBorder = 0;                   // border width
    QString strBorderColor{};                     // border colour
    std::int16_t intCellSpacing = 0;
    std::int16_t intCellPadding = 0;
    std::int16_t intWidthPct = 100;               // table width in percent
    std::int32_t lngTableCellAlign = kAlignRight; // alignment of every row
    bool blnWrapCellData = false;                 // false keeps each row's cells on one line
    bool blnBoldFirstRow = false;
    bool blnBoldFirstColumn = false;
    bool blnBoldLastRow = false;
};

// The arguments of TwoDArrayToHTMLFile after the file path: the page's own four, then the table's.
struct HtmlPageOptions {
    QString strPageHeading{};                     // shown in bold, centred, above the table
    QString strPageTitle{};                       // the page title
    QString strPageBackground{};                  // background image of the page
    QString strPageBackgroundColor{};             // background colour of the page
    HtmlTableOptions table{};
};

}  // namespace qln
