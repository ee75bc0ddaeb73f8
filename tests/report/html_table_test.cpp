// The HTML table writer: mark-up of every presentation argument and its default, the cell rules, bounds
// that do not start at 0, the cell text forms, the result codes, and the page file.

#include "host/cautocad.h"
#include "report/html_table.h"
#include "support/files.h"
#include "support/recording_frontend.h"

#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using qln::HtmlPageOptions;
using qln::HtmlTableOptions;
using qln::NullValue;
using qln::ValueArray;

namespace {

const char* const kDefaultTableTag =
    "<TABLE ALIGN=CENTER BORDER=0 CELLSPACING=0 CELLPADDING=0 WIDTH='100%'><TBODY>\r\n";

class HtmlTableTest : public ::testing::Test {
protected:
    qln::ProgramState state;
    testhost::RecordingFrontend ui;
    qln::cAutoCAD session{nullptr, state, ui};  // the writer needs no host
    QTemporaryDir dir;

    void SetUp() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void TearDown() override { QLocale::setDefault(QLocale::system()); }

    QString Table(const ValueArray& table, const HtmlTableOptions& options = {}) {
        QString out;
        EXPECT_EQ(session.TwoDArrayToHTMLTable(&table, out, options), 1);
        return out;
    }
};

TEST_F(HtmlTableTest, OneCellWithEveryDefault) {
    const ValueArray table = ValueArray::FromRows({{"v"}});
    EXPECT_EQ(Table(table), QString(kDefaultTableTag) + "<TR ALIGN=RIGHT NOWRAP><TD>v</TD></TR>\r\n</TBODY></TABLE>");
}

TEST_F(HtmlTableTest, CellRulesAndBold) {
    const ValueArray table = ValueArray::FromRows({{"a", "b", "c"}, {"d", "e", "f"}, {"g", "h", "i"}});
    // No bold: every cell but the last of a row is kept on one line.
    EXPECT_EQ(Table(table), QString(kDefaultTableTag) +
                                "<TR ALIGN=RIGHT NOWRAP><TD NOWRAP>a</TD><TD NOWRAP>b</TD><TD>c</TD></TR>\r\n"
                                "<TR ALIGN=RIGHT NOWRAP><TD NOWRAP>d</TD><TD NOWRAP>e</TD><TD>f</TD></TR>\r\n"
                                "<TR ALIGN=RIGHT NOWRAP><TD NOWRAP>g</TD><TD NOWRAP>h</TD><TD>i</TD></TR>\r\n"
                                "</TBODY></TABLE>");
    // Bold first and last row: bold wins over the last-column form.
    EXPECT_EQ(Table(table, {.blnBoldFirstRow = true, .blnBoldLastRow = true}),
              QString(kDefaultTableTag) +
                  "<TR ALIGN=RIGHT NOWRAP><TD><STRONG>a</STRONG></TD><TD><STRONG>b</STRONG></TD><TD><STRONG>c</STRONG></TD></TR>\r\n"
                  "<TR ALIGN=RIGHT NOWRAP><TD NOWRAP>d</TD><TD NOWRAP>e</TD><TD>f</TD></TR>\r\n"
                  "<TR ALIGN=RIGHT NOWRAP><TD><STRONG>g</STRONG></TD><TD><STRONG>h</STRONG></TD><TD><STRONG>i</STRONG></TD></TR>\r\n"
                  "</TBODY></TABLE>");
    // One cell per pump call.
    EXPECT_EQ(ui.events, 18);
}

TEST_F(HtmlTableTest, TableAttributes) {
    const ValueArray table = ValueArray::FromRows({{"x"}});
    HtmlTableOptions o;
    o.lngTableAlign = 7;            // no word: an ALIGN with no value
    o.lngTableCellAlign = -1;
    o.strBackground = "img/bg.png";
    o.strBackgroundColor = " #FFD700 ";  // written with its blanks
    o.intBorder = -3;
    o.strBorderColor = "   ";           // blanks only: left out
    o.intCellSpacing = 2;
    o.intCellPadding = 32767;
    o.intWidthPct = 50;
    EXPECT_EQ(Table(table, o),
              "<TABLE ALIGN= BORDER=-3 CELLSPACING=2 CELLPADDING=32767 WIDTH='50%' BACKGROUND='img/bg.png' "
              "BGCOLOR=' #FFD700 '><TBODY>\r\n<TR ALIGN= NOWRAP><TD>x</TD></TR>\r\n</TBODY></TABLE>");
    o.strBorderColor = "red";
    o.lngTableAlign = qln::kAlignLeft;
    o.lngTableCellAlign = qln::kAlignCenter;
    o.strBackground.clear();
    o.blnWrapCellData = true;
    EXPECT_EQ(Table(table, o),
              "<TABLE ALIGN=LEFT BORDER=-3 CELLSPACING=2 CELLPADDING=32767 WIDTH='50%' BGCOLOR=' #FFD700 ' "
              "BORDERCOLOR='red'><TBODY>\r\n<TR ALIGN=CENTER><TD>x</TD></TR>\r\n</TBODY></TABLE>");
}

TEST_F(HtmlTableTest, BoundsOfTheArrayItself) {
    // Rows 1 to 3, columns 5 to 6: first and last row and column are those bounds.
    ValueArray table = ValueArray::Table(1, 3, 5, 6);
    for (int r = 1; r <= 3; ++r)
        for (int c = 5; c <= 6; ++c) table(r, c) = QStringLiteral("%1%2").arg(r).arg(c);
    EXPECT_EQ(Table(table, {.blnBoldFirstColumn = true, .blnBoldLastRow = true}),
              QString(kDefaultTableTag) +
                  "<TR ALIGN=RIGHT NOWRAP><TD><STRONG>15</STRONG></TD><TD>16</TD></TR>\r\n"
                  "<TR ALIGN=RIGHT NOWRAP><TD><STRONG>25</STRONG></TD><TD>26</TD></TR>\r\n"
                  "<TR ALIGN=RIGHT NOWRAP><TD><STRONG>35</STRONG></TD><TD><STRONG>36</STRONG></TD></TR>\r\n"
                  "</TBODY></TABLE>");
    // Negative bounds down to the 16-bit limit; a table without rows is just its tags.
    EXPECT_EQ(Table(ValueArray::Table(-32768, -32768, -1, -1)).count("<TR"), 1);
    EXPECT_EQ(Table(ValueArray::Table(0, -1, 0, 3)), QString(kDefaultTableTag) + "</TBODY></TABLE>");
}

TEST_F(HtmlTableTest, CellTextForms) {
    const ValueArray table = ValueArray::FromRows(
        {{qln::TableValue{}, true, false, std::int64_t{-1234567}, 2.5, 0.1f, "<b>&amp;</b>"}});
    EXPECT_EQ(Table(table), QString(kDefaultTableTag) +
                                "<TR ALIGN=RIGHT NOWRAP><TD NOWRAP></TD><TD NOWRAP>True</TD><TD NOWRAP>False</TD>"
                                "<TD NOWRAP>-1234567</TD><TD NOWRAP>2.5</TD><TD NOWRAP>0.1</TD>"
                                "<TD><b>&amp;</b></TD></TR>\r\n</TBODY></TABLE>");
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_TRUE(Table(table).contains("<TD NOWRAP>2,5</TD><TD NOWRAP>0,1</TD>"));
}

TEST_F(HtmlTableTest, ResultCodes) {
    QString out = QStringLiteral("old");
    EXPECT_EQ(session.TwoDArrayToHTMLTable(nullptr, out), -1);
    const ValueArray oneDimension({{0, 3}});
    EXPECT_EQ(session.TwoDArrayToHTMLTable(&oneDimension, out), -2);
    const ValueArray threeDimensions({{0, 1}, {0, 1}, {0, 1}});
    EXPECT_EQ(session.TwoDArrayToHTMLTable(&threeDimensions, out), -2);
    const ValueArray highFirstRow = ValueArray::Table(40000, 40000, 0, 0);
    EXPECT_EQ(session.TwoDArrayToHTMLTable(&highFirstRow, out), -2);
    const ValueArray lowFirstColumn = ValueArray::Table(0, 0, -32769, -32769);
    EXPECT_EQ(session.TwoDArrayToHTMLTable(&lowFirstColumn, out), -2);
    ValueArray withNull = ValueArray::FromRows({{"a", "b"}, {"c", "d"}});
    withNull(1, 0) = NullValue{};
    EXPECT_EQ(session.TwoDArrayToHTMLTable(&withNull, out), -2);
    EXPECT_EQ(out, "old");  // changed only on success
}

TEST_F(HtmlTableTest, PageWithDefaults) {
    const QString path = dir.filePath("t.htm");
    testhost::WriteFile(path, "an older, longer page that is replaced");
    const ValueArray table = ValueArray::FromRows({{"v"}});
    EXPECT_EQ(session.TwoDArrayToHTMLFile(&table, path), 1);
    EXPECT_EQ(testhost::ReadFile(path),
              QByteArray("<HTML>\r\n<HEAD>\r\n<meta charset=\"utf-8\">\r\n<TITLE>\r\n</TITLE>\r\n</HEAD>\r\n<BODY >\r\n") + kDefaultTableTag +
                  "<TR ALIGN=RIGHT NOWRAP><TD>v</TD></TR>\r\n</TBODY></TABLE>\r\n</BODY>\r\n</HTML>\r\n\r\n");
}

TEST_F(HtmlTableTest, PageArguments) {
    const QString path = dir.filePath("t.htm");
    const ValueArray table = ValueArray::FromRows({{"Name", QString::fromUtf8("Gr\u00F6\u00DFe")}});
    HtmlPageOptions o;
    o.strPageHeading = "  Drawings  ";  // trimmed
    o.strPageTitle = " List ";
    o.strPageBackground = "bg.gif";
    o.strPageBackgroundColor = "white";  // the body tag names the colour first
    o.table.blnBoldFirstRow = true;
    o.table.intBorder = 1;
    EXPECT_EQ(session.TwoDArrayToHTMLFile(&table, path, o), 1);
    EXPECT_EQ(testhost::ReadFile(path),
              QByteArray("<HTML>\r\n<HEAD>\r\n<meta charset=\"utf-8\">\r\n<STRONG><CENTER>Drawings</CENTER></STRONG><BR>\r\n<TITLE>\r\nList\r\n"
                         "</TITLE>\r\n</HEAD>\r\n<BODY  BGCOLOR='white' BACKGROUND='bg.gif'>\r\n"
                         "<TABLE ALIGN=CENTER BORDER=1 CELLSPACING=0 CELLPADDING=0 WIDTH='100%'><TBODY>\r\n"
                         "<TR ALIGN=RIGHT NOWRAP><TD><STRONG>Name</STRONG></TD><TD><STRONG>" +
                         QString::fromUtf8("Gr\u00F6\u00DFe").toUtf8() +  // pages are UTF-8 everywhere
                         "</STRONG></TD></TR>\r\n</TBODY></TABLE>\r\n</BODY>\r\n</HTML>\r\n\r\n"));
    // Blank page arguments are left out.
    o.strPageHeading = o.strPageTitle = o.strPageBackground = o.strPageBackgroundColor = "  ";
    EXPECT_EQ(session.TwoDArrayToHTMLFile(&table, path, o), 1);
    EXPECT_TRUE(testhost::ReadFile(path).startsWith("<HTML>\r\n<HEAD>\r\n<meta charset=\"utf-8\">\r\n<TITLE>\r\n</TITLE>\r\n</HEAD>\r\n<BODY >\r\n"));
}

TEST_F(HtmlTableTest, PageThatIsNotWritten) {
    const ValueArray table = ValueArray::FromRows({{"v"}});
    // A folder that does not exist: still 1, and no file.
    const QString missing = dir.filePath("no/such/folder/t.htm");
    EXPECT_EQ(session.TwoDArrayToHTMLFile(&table, missing), 1);
    EXPECT_FALSE(QFileInfo::exists(missing));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("no")));

    // No table, or one that cannot be rendered: no file, an older one left alone.
    const QString path = dir.filePath("t.htm");
    EXPECT_EQ(session.TwoDArrayToHTMLFile(nullptr, path), -1);
    EXPECT_FALSE(QFileInfo::exists(path));
    testhost::WriteFile(path, "older");
    const ValueArray oneDimension({{1, 2}});
    EXPECT_EQ(session.TwoDArrayToHTMLFile(&oneDimension, path), -2);
    EXPECT_EQ(testhost::ReadFile(path), "older");
}

}  // namespace
