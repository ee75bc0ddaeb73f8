// The drawing text table against the in-memory host: the page to the byte, row order and repeats,
// the text kind, escaping of drawing values, values that cannot be read, and the page file.

#include "host/cautocad.h"
#include "support/files.h"
#include "support/recording_frontend.h"
#include "support/test_host.h"

#include <QLocale>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <cmath>

using qln::cAutoCAD;
using testhost::TestHost;

namespace {

const QByteArray kHeaderRow =
    "<TR ALIGN=LEFT NOWRAP><TD><STRONG>Space</STRONG></TD><TD><STRONG>Block</STRONG></TD>"
    "<TD><STRONG>Rotation</STRONG></TD><TD><STRONG>Layer</STRONG></TD><TD><STRONG>Handle</STRONG></TD>"
    "<TD><STRONG>X</STRONG></TD><TD><STRONG>Y</STRONG></TD><TD><STRONG>Z</STRONG></TD>"
    "<TD><STRONG>Text</STRONG></TD></TR>";

// One data row as the page holds it.
QByteArray Row(const char* space, const char* block, const char* rotation, const char* layer, const char* handle,
               const char* x, const char* y, const char* z, const char* text) {
    QByteArray row = "<TR ALIGN=LEFT NOWRAP>";
    for (const char* v : {space, block, rotation, layer, handle, x, y, z}) row += QByteArray("<TD NOWRAP>") + v + "</TD>";
    return row + "<TD>" + text + "</TD></TR>\r\n";
}

class CreateArrayTest : public ::testing::Test {
protected:
    std::shared_ptr<TestHost> host = std::make_shared<TestHost>();
    testhost::TestDrawing& dwg = host->AddDrawing("/dwg/plan.dwg");
    qln::ProgramState state;
    testhost::RecordingFrontend ui;
    cAutoCAD session{host, state, ui};
    QTemporaryDir dir;
    QString page = dir.filePath("attr.htm");

    void SetUp() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void TearDown() override { QLocale::setDefault(QLocale::system()); }

    // Open the drawing read-only, list it, and return the page's bytes.
    QByteArray Report(const QString& drawing = "/dwg/plan.dwg", const QString& shownAs = "/dwg/plan.dwg") {
        EXPECT_EQ(session.OpenAutoCAD(), 1);
        EXPECT_EQ(session.OpenDrawing(drawing, true), 1);
        session.CreateArray(page, shownAs);
        return testhost::ReadFile(page);
    }

    // The rows of a page: everything between the two header rows.
    static QByteArray Rows(const QByteArray& html) {
        const qsizetype first = html.indexOf(kHeaderRow) + kHeaderRow.size();
        return html.mid(first, html.lastIndexOf(kHeaderRow) - first);
    }
};

TEST_F(CreateArrayTest, SmallDrawingToTheByte) {
    auto& hello = dwg.AddText("MODEL", "hello");  // handle 100
    hello.layer = "NOTES";
    hello.point = {1.5, 2.25, 0};
    hello.rotation = M_PI / 2;
    dwg.AddText("MODEL", "not listed", /*mtext=*/true);  // 101
    dwg.AddInsert("TB");                                  // 102
    auto& inBlock = dwg.AddToBlock("TB", "in block");     // 103
    inBlock.point = {10, 20, 0.5};
    dwg.AddToBlock("TB", "m", /*mtext=*/true);            // 104
    auto& sheet = dwg.AddText("PAPER", "sheet");          // 105
    sheet.point = {12345678, -0.1, 0};
    sheet.layer = "TITLE";

    EXPECT_EQ(Report(),
              "<HTML>\r\n<HEAD>\r\n<meta charset=\"utf-8\">\r\n"
              "<STRONG><CENTER>3 single line text objects in /dwg/plan.dwg</CENTER></STRONG><BR>\r\n"
              "<TITLE>\r\n3 single line text objects in /dwg/plan.dwg\r\n</TITLE>\r\n</HEAD>\r\n<BODY>\r\n"
              "<TABLE ALIGN=CENTER BORDER=1 CELLSPACING=2 CELLPADDING=2 WIDTH='10%' BGCOLOR='#FFD700' "
              "BORDERCOLOR='black'><TBODY>\r\n" +
                  kHeaderRow +
                  "<TR ALIGN=LEFT NOWRAP><TD NOWRAP>MODEL</TD><TD NOWRAP>*MODEL_SPACE</TD><TD NOWRAP>1.5707963267949</TD>"
                  "<TD NOWRAP>NOTES</TD><TD NOWRAP>100</TD><TD NOWRAP>1.5</TD><TD NOWRAP>2.25</TD><TD NOWRAP>0</TD>"
                  "<TD>hello</TD></TR>\r\n"
                  "<TR ALIGN=LEFT NOWRAP><TD NOWRAP>MODEL</TD><TD NOWRAP>TB</TD><TD NOWRAP>0</TD><TD NOWRAP>0</TD>"
                  "<TD NOWRAP>103</TD><TD NOWRAP>10</TD><TD NOWRAP>20</TD><TD NOWRAP>0.5</TD><TD>in block</TD></TR>\r\n"
                  "<TR ALIGN=LEFT NOWRAP><TD NOWRAP>PAPER</TD><TD NOWRAP>*PAPER_SPACE</TD><TD NOWRAP>0</TD>"
                  "<TD NOWRAP>TITLE</TD><TD NOWRAP>105</TD><TD NOWRAP>1.234568E+07</TD><TD NOWRAP>-0.1</TD>"
                  "<TD NOWRAP>0</TD><TD>sheet</TD></TR>\r\n" +
                  kHeaderRow + "\r\n</TBODY></TABLE>\r\n</BODY>\r\n</HTML>\r\n");

    // The four selection sets, in order, with their filters.
    EXPECT_EQ(host->CallsTo("Select("), (QStringList{"Select(MODEL_SPACE,5,0=TEXT;67=0)",
                                                    "Select(MODELBLOCKS,5,0=INSERT;67=0)",
                                                    "Select(PAPER_SPACE,5,0=TEXT;67=1)",
                                                    "Select(PAPERBLOCKS,5,0=INSERT;67=1)"}));
    // One pump call per entity looked at: two loose texts and two entities of the block.
    EXPECT_EQ(ui.events, 4);
}

TEST_F(CreateArrayTest, LargePageKeepsEveryRowInOrder) {
    // About 8 MB of rows: more than the listing keeps in memory, so most of them pass through its
    // temporary file. Non-ASCII texts (two bytes each in UTF-8) and ones outside the basic plane (a
    // surrogate pair) must come out as whole characters wherever the rows are cut: among many short
    // rows, and in two texts each longer than all the listing holds in memory, the first of them
    // starting the temporary file, the second a byte out of step with it.
    constexpr int kTexts = 12002;
    const QString smiles = QStringLiteral("\U0001F600").repeated(700000);
    QByteArray expected;
    for (int i = 0; i < kTexts; ++i) {
        const QString text = i == 0           ? smiles
                             : i == kTexts - 1 ? u'a' + smiles
                             : i % 1000 == 999 ? QStringLiteral("r\u00e9sum\u00e9 %1 \U0001F600").arg(i)
                                               : QStringLiteral("room %1 \u00fcber the long corridor").arg(i);
        dwg.AddText("MODEL", text);
        const QByteArray handle = QByteArray::number(0x100 + i, 16).toUpper();
        expected += Row("MODEL", "*MODEL_SPACE", "0", "0", handle.constData(), "0", "0", "0", text.toUtf8().constData());
    }
    expected = "<HTML>\r\n<HEAD>\r\n<meta charset=\"utf-8\">\r\n"
               "<STRONG><CENTER>12002 single line text objects in /dwg/plan.dwg</CENTER></STRONG><BR>\r\n"
               "<TITLE>\r\n12002 single line text objects in /dwg/plan.dwg\r\n</TITLE>\r\n</HEAD>\r\n<BODY>\r\n"
               "<TABLE ALIGN=CENTER BORDER=1 CELLSPACING=2 CELLPADDING=2 WIDTH='10%' BGCOLOR='#FFD700' "
               "BORDERCOLOR='black'><TBODY>\r\n" +
               kHeaderRow + expected + kHeaderRow + "\r\n</TBODY></TABLE>\r\n</BODY>\r\n</HTML>\r\n";
    const QByteArray html = Report();
    ASSERT_GT(html.size(), 5000000);  // 8 MB in UTF-8; an 8-bit code page has one byte for each smile
    EXPECT_EQ(html.size(), expected.size());
    EXPECT_TRUE(html == expected);  // not EXPECT_EQ: a failure would print megabytes
    EXPECT_FALSE(session.HasPendingError());
}

TEST_F(CreateArrayTest, DrawingWithoutTextOfTheKind) {
    dwg.AddText("MODEL", "multi", /*mtext=*/true);
    EXPECT_EQ(Report(), "<HTML>\r\n<HEAD>\r\n<meta charset=\"utf-8\">\r\n"
                        "<STRONG><CENTER>0 single line text objects in /dwg/plan.dwg</CENTER></STRONG><BR>\r\n"
                        "<TITLE>\r\n0 single line text objects in /dwg/plan.dwg\r\n</TITLE>\r\n</HEAD>\r\n<BODY>\r\n"
                        "<TABLE ALIGN=CENTER BORDER=1 CELLSPACING=2 CELLPADDING=2 WIDTH='10%' BGCOLOR='#FFD700' "
                        "BORDERCOLOR='black'><TBODY>\r\n" +
                            kHeaderRow + kHeaderRow + "\r\n</TBODY></TABLE>\r\n</BODY>\r\n</HTML>\r\n");
}

TEST_F(CreateArrayTest, MultipleLineTextAndWhatIsNeverListed) {
    state.blnMultipleLineText = true;
    dwg.AddText("MODEL", "single");                        // 100
    dwg.AddText("MODEL", "multi", true);                   // 101
    dwg.AddInsert("B");                                    // 102
    dwg.AddToBlock("B", "single in block");                // 103
    dwg.AddToBlock("B", "multi in block", true);           // 104
    dwg.AddToBlock("B", "tag").type = "ATTDEF";            // 105: attribute definitions never
    dwg.AddToBlock("B", "").type = "INSERT";               // 106: a nested reference ...
    dwg.blocks["B"].back()->name = "NESTED";
    dwg.AddToBlock("NESTED", "nested", true);              // 107: ... whose text is not reached
    dwg.AddToBlock("B", "odd case", true).type = "mtext";  // 108: still an AcDbMText

    const QByteArray html = Report();
    EXPECT_TRUE(html.contains("<TITLE>\r\n3 multiple line text objects in /dwg/plan.dwg\r\n"));
    EXPECT_EQ(Rows(html), Row("MODEL", "*MODEL_SPACE", "0", "0", "101", "0", "0", "0", "multi") +
                              Row("MODEL", "B", "0", "0", "104", "0", "0", "0", "multi in block") +
                              Row("MODEL", "B", "0", "0", "108", "0", "0", "0", "odd case"));
    EXPECT_EQ(host->CallsTo("Select(").first(), "Select(MODEL_SPACE,5,0=MTEXT;67=0)");
}

TEST_F(CreateArrayTest, BlocksAreListedOncePerReferenceInEachSpace) {
    // Order: loose model text, model blocks, loose paper text, paper blocks, each in host order.
    dwg.AddInsert("DOOR");                                 // 100
    dwg.AddText("PAPER", "p");                             // 101
    dwg.AddInsert("DOOR", /*paper=*/true);                 // 102
    dwg.AddInsert("door");                                 // 103: names are found ignoring case
    auto& label = dwg.AddToBlock("DOOR", "D1");            // 104
    label.point = {-1, 2, 3};
    label.rotation = 0.5;
    dwg.AddInsert("DOOR");                                 // 105
    dwg.AddText("MODEL", "m");                             // 106
    dwg.AddInsert("MISSING");                              // 107: no definition, nothing listed

    const QByteArray html = Report();
    const QByteArray door = Row("MODEL", "DOOR", "0.5", "0", "104", "-1", "2", "3", "D1");
    EXPECT_EQ(Rows(html), Row("MODEL", "*MODEL_SPACE", "0", "0", "106", "0", "0", "0", "m") + door +
                              Row("MODEL", "door", "0.5", "0", "104", "-1", "2", "3", "D1") + door +
                              Row("PAPER", "*PAPER_SPACE", "0", "0", "101", "0", "0", "0", "p") +
                              Row("PAPER", "DOOR", "0.5", "0", "104", "-1", "2", "3", "D1"));
    EXPECT_TRUE(html.contains("<TITLE>\r\n6 single line text objects in "));
}

TEST_F(CreateArrayTest, DrawingValuesAndPathAreEscaped) {
    auto& t = dwg.AddText("MODEL", "<script>alert('x')</script> & \"q\" R&D <b>");
    t.layer = "A&B";
    dwg.AddInsert("<B>");
    dwg.AddToBlock("<B>", "a > b");
    host->AddDrawing("/dwg/R&D <new>.dwg") = dwg;

    const QByteArray html = Report("/dwg/R&D <new>.dwg", "/dwg/R&D <new>.dwg");
    const QByteArray title = "2 single line text objects in /dwg/R&amp;D &lt;new&gt;.dwg";
    EXPECT_TRUE(html.contains("<STRONG><CENTER>" + title + "</CENTER></STRONG><BR>\r\n<TITLE>\r\n" + title + "\r\n"));
    EXPECT_EQ(Rows(html),
              Row("MODEL", "*MODEL_SPACE", "0", "A&amp;B", "100", "0", "0", "0",
                  "&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt; &amp; &quot;q&quot; R&amp;D &lt;b&gt;") +
                  Row("MODEL", "&lt;B&gt;", "0", "0", "102", "0", "0", "0", "a &gt; b"));
}

TEST_F(CreateArrayTest, ValuesThatCannotBeReadLeaveTheirCellEmpty) {
    auto& a = dwg.AddText("MODEL", "a");          // 100
    a.rotation = 1;
    a.point = {1, 2, 3};
    a.failing = {"Rotation", "InsertionPoint"};
    auto& b = dwg.AddText("MODEL", "b");          // 101
    b.failing = {"Layer", "Handle", "TextString"};
    dwg.AddInsert("BAD");                         // 102: its Name cannot be read
    dwg.entities.back()->failing = {"Name"};
    dwg.AddInsert("OK");                          // 103
    dwg.AddToBlock("BAD", "never");               // 104
    dwg.AddToBlock("OK", "kept");                 // 105
    dwg.AddToBlock("OK", "no type").failing = {"ObjectName"};  // 106: not known to be text

    const QByteArray html = Report();
    EXPECT_EQ(Rows(html), Row("MODEL", "*MODEL_SPACE", "", "0", "100", "", "", "", "a") +
                              Row("MODEL", "*MODEL_SPACE", "0", "", "", "0", "0", "0", "") +
                              Row("MODEL", "OK", "0", "0", "105", "0", "0", "0", "kept"));
    EXPECT_TRUE(session.HasPendingError());
}

TEST_F(CreateArrayTest, HostFailuresSkipOnlyWhatTheyTouch) {
    dwg.AddText("MODEL", "m");
    dwg.AddText("PAPER", "p");
    dwg.AddInsert("B");
    dwg.AddToBlock("B", "b");
    host->FailNext("Add");      // the MODEL_SPACE set cannot be made
    host->FailNext("Blocks");   // nor the definition of the one model reference be found
    const QByteArray html = Report();
    EXPECT_EQ(Rows(html), Row("PAPER", "*PAPER_SPACE", "0", "0", "101", "0", "0", "0", "p"));
    EXPECT_TRUE(html.endsWith("</HTML>\r\n"));
}

TEST_F(CreateArrayTest, PageFile) {
    dwg.AddText("MODEL", QString::fromUtf8("Stra\u00DFe \u00D8 \u4E2D"));
    // An older page is replaced, in the system 8-bit code page (UTF-8 on Linux, the ANSI code page on
    // Windows).
    testhost::WriteFile(page, QByteArray(100000, 'x'));
    const QByteArray html = Report();
    EXPECT_TRUE(html.startsWith("<HTML>\r\n"));
    EXPECT_TRUE(html.contains("<TD>" + QString::fromUtf8("Stra\u00DFe \u00D8 \u4E2D").toUtf8() + "</TD>"));
    EXPECT_TRUE(html.endsWith("</HTML>\r\n"));
    EXPECT_FALSE(html.contains("xxx"));

    // A page that cannot be created: nothing written, nothing raised.
    page = dir.filePath("missing/attr.htm");
    session.CreateArray(page, "/dwg/plan.dwg");
    EXPECT_FALSE(QFileInfo::exists(page));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("missing")));
}

TEST_F(CreateArrayTest, NumbersInTheUsersLocale) {
    auto& t = dwg.AddText("MODEL", "t");
    t.point = {1234.5, -0.25, 12345678.9};
    t.rotation = 0.75;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(Rows(Report()), Row("MODEL", "*MODEL_SPACE", "0,75", "0", "100", "1234,5", "-0,25", "1,234568E+07", "t"));
}

// The page as a browser sees it: every row is a table row, and drawing text stays text.
TEST_F(CreateArrayTest, BrowserShowsEveryRow) {
    const QString chromium = QStandardPaths::findExecutable("chromium");
    if (chromium.isEmpty()) GTEST_SKIP() << "chromium is not installed";

    dwg.AddText("MODEL", "<script>document.body.innerHTML='gone'</script>");
    dwg.AddText("MODEL", "<img src=x onerror=\"document.title='hit'\">");
    dwg.AddInsert("B");
    dwg.AddInsert("B", true);
    dwg.AddToBlock("B", "</TD></TR></TABLE><TABLE><TR><TD>x");
    dwg.AddText("PAPER", "plain");
    Report();

    QTemporaryDir profile;
    QProcess browser;
    browser.start(chromium, {"--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                             "--disable-background-networking", "--disable-component-update", "--disable-sync",
                             "--user-data-dir=" + profile.path(), "--dump-dom",
                             QUrl::fromLocalFile(page).toString()});
    ASSERT_TRUE(browser.waitForFinished(120000)) << "chromium did not finish";
    ASSERT_EQ(browser.exitCode(), 0) << browser.readAllStandardError().right(2000).toStdString();
    const QString dom = QString::fromUtf8(browser.readAllStandardOutput());

    // Five data rows and the header row twice, in one table; no element came from the drawing's text.
    EXPECT_EQ(dom.count("<tr", Qt::CaseInsensitive), 7) << dom.toStdString();
    EXPECT_EQ(dom.count("<table", Qt::CaseInsensitive), 1);
    EXPECT_EQ(dom.count("<script", Qt::CaseInsensitive), 0);
    EXPECT_EQ(dom.count("<img", Qt::CaseInsensitive), 0);
    EXPECT_TRUE(dom.contains("&lt;script&gt;document.body.innerHTML='gone'&lt;/script&gt;"));
    EXPECT_TRUE(dom.contains("<title>\n5 single line text objects in /dwg/plan.dwg\n</title>"));
}

TEST_F(CreateArrayTest, AttributesFollowTheTextWhenAskedAndTheTitleCountsThem) {
    dwg.AddToBlock("TB", "title").layer = "T";
    auto& paper = dwg.AddInsert("TB", /*paper=*/true);
    auto& model = dwg.AddInsert("TB");
    auto& rev = paper.AddAttribute("REV", "B<");
    rev.layer = "TITLE";
    auto& sheet = model.AddAttribute("SHEET", "A-201");
    EXPECT_EQ(session.OpenAutoCAD(), 1);
    EXPECT_EQ(session.OpenDrawing("/dwg/plan.dwg", true), 1);
    session.CreateArray(page, "/dwg/plan.dwg", /*blnAttributes=*/true);
    const QByteArray html = testhost::ReadFile(page);
    EXPECT_TRUE(html.contains("<TITLE>\r\n2 single line text objects and 2 attributes in /dwg/plan.dwg\r\n"));
    EXPECT_EQ(Rows(html), Row("MODEL", "TB", "0", "T", dwg.blocks["TB"][0]->handle.toLatin1(), "0", "0", "0", "title") +
                              Row("PAPER", "TB", "0", "T", dwg.blocks["TB"][0]->handle.toLatin1(), "0", "0", "0", "title") +
                              Row("MODEL", "TB", "0", "0", sheet.handle.toLatin1(), "0", "0", "0", "A-201") +
                              Row("PAPER", "TB", "0", "TITLE", rev.handle.toLatin1(), "0", "0", "0", "B&lt;"));
}

}  // namespace
