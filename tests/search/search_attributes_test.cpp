// Searching one open drawing: which text is reached, the name and phrase tests, rows and counts, abort.

#include "host/cautocad.h"
#include "search/search_row.h"
#include "support/recording_frontend.h"
#include "support/test_host.h"

#include <QLocale>

#include <gtest/gtest.h>

using qln::cAutoCAD;
using testhost::RecordingFrontend;
using testhost::TestHost;

namespace {

class SearchTest : public ::testing::Test {
protected:
    std::shared_ptr<TestHost> host = std::make_shared<TestHost>();
    qln::ProgramState state;
    RecordingFrontend ui;
    cAutoCAD session{host, state, ui};
    testhost::TestDrawing* dwg = nullptr;
    std::int32_t total = 0;

    void SetUp() override {
        QLocale::setDefault(QLocale::c());
        dwg = &host->AddDrawing("/d/plan.dxf");
        auto& loose = dwg->AddText("MODEL", "Room 101");
        loose.layer = "NOTES";
        loose.point = {1.5, 2.25, 0};
        loose.rotation = 1.5707963267948966;
        dwg->AddText("MODEL", "room 102 multi", /*mtext=*/true).layer = "NOTES";
        dwg->AddText("PAPER", "Sheet title room").layer = "TITLE";
        dwg->AddToBlock("DOOR", "Room door").layer = "NOTES2";
        dwg->AddToBlock("TITLE", "Project room").layer = "TITLE";
        dwg->AddInsert("DOOR");
        dwg->AddInsert("TITLE", /*paper=*/true);
    }

    QStringList Search(const QString& space, const QString& blocks, const QString& layers, const QString& find,
                       bool matchCase = false, bool whole = false, bool mtext = false,
                       const QString& delimiter = ",") {
        if (!session.objAcad) {
            EXPECT_EQ(session.OpenAutoCAD(), 1);
        }
        EXPECT_EQ(session.OpenDrawing("/d/plan.dxf", true), 1);
        const QString rows = session.SearchAttributes("/d/plan.dxf", space, blocks, layers, delimiter, matchCase,
                                                      whole, mtext, find, total);
        session.CloseDrawing(false);
        QStringList lines = rows.split("\r\n");
        EXPECT_EQ(lines.takeLast(), "");  // every row ends with CR LF
        return lines;
    }
};

TEST_F(SearchTest, AllBlocksSearchesOnlyTextInsideBlocks) {
    EXPECT_EQ(Search("Both", "*", "*", "room"),
              (QStringList{"/d/plan.dxf,Model,DOOR,NOTES2,0,103,0,0,0,Room door",
                           "/d/plan.dxf,Paper,TITLE,TITLE,0,104,0,0,0,Project room"}));
    EXPECT_EQ(total, 2);
}

TEST_F(SearchTest, KeywordsSearchLooseTextInAnyCaseButOnlyAsTheWholeList) {
    EXPECT_EQ(Search("Model", "*model_space", "*", "room"),
              QStringList{"/d/plan.dxf,Model,*MODEL_SPACE,NOTES,1.5707963267949,100,1.5,2.25,0,Room 101"});
    EXPECT_EQ(Search("Paper", " *Paper_Space ", "*", "room"),
              QStringList{"/d/plan.dxf,Paper,*PAPER_SPACE,TITLE,0,102,0,0,0,Sheet title room"});
    // Both spaces with the model keyword: the paper part looks in blocks named by the list, finding none.
    EXPECT_EQ(Search("Both", "*MODEL_SPACE", "*", "room").size(), 1);
    // Not the whole list: a list of block names.
    EXPECT_EQ(Search("Both", "*model_space, TITLE", "*", "room"),
              QStringList{"/d/plan.dxf,Paper,TITLE,TITLE,0,104,0,0,0,Project room"});
}

TEST_F(SearchTest, OneBlockNameNarrowsTheSelectionAndTwoDoNot) {
    Search("Both", "door", "*", "room");
    const QStringList one = host->CallsTo("Select(MODELBLOCKS");
    ASSERT_EQ(one.size(), 1);
    EXPECT_EQ(one[0], "Select(MODELBLOCKS,5,0=INSERT;67=0;2=door)");
    host->calls.clear();
    EXPECT_EQ(Search("Both", "door,title", "*", "room").size(), 2);
    EXPECT_EQ(host->CallsTo("Select(MODELBLOCKS"), QStringList{"Select(MODELBLOCKS,5,0=INSERT;67=0)"});
}

TEST_F(SearchTest, LayerNamesMatchWholeWordsIgnoringCase) {
    EXPECT_EQ(Search("Both", "*", "notes", "room").size(), 0);  // NOTES2 is not NOTES
    EXPECT_EQ(Search("Both", "*", "notes2", "room").size(), 1);
}

TEST_F(SearchTest, PhraseTests) {
    auto& t = dwg->AddToBlock("DOOR", "ABC ");
    t.layer = "X";
    dwg->AddToBlock("DOOR", "abc").layer = "X";
    dwg->AddToBlock("DOOR", "a word here").layer = "X";
    dwg->AddToBlock("DOOR", "word at start").layer = "X";
    EXPECT_EQ(Search("Model", "*", "X", "abc", false, /*whole=*/true).size(), 1);  // not "ABC "
    EXPECT_EQ(Search("Model", "*", "X", "ABC", /*matchCase=*/true, false).size(), 1);
    EXPECT_EQ(Search("Model", "*", "X", "abc", false, false).size(), 2);
    EXPECT_EQ(Search("Model", "*", "X", " word ").size(), 1);
    EXPECT_EQ(Search("Model", "*", "X", "a word here", true, true).size(), 1);
}

TEST_F(SearchTest, TypeFollowsTheMultipleLineOption) {
    dwg->AddToBlock("DOOR", "room in mtext", /*mtext=*/true);
    EXPECT_EQ(Search("Model", "*", "*", "room", false, false, /*mtext=*/true),
              QStringList{"/d/plan.dxf,Model,DOOR,0,0,107,0,0,0,room in mtext"});
    EXPECT_EQ(Search("Model", "*MODEL_SPACE", "*", "room", false, false, true).size(), 1);
}

TEST_F(SearchTest, ABlockReferencedThreeTimesGivesThreeRows) {
    dwg->AddInsert("DOOR");
    dwg->AddInsert("door");
    const QStringList rows = Search("Model", "*", "*", "door");
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[0], rows[1]);
    EXPECT_EQ(QString(rows[1]).replace("DOOR", "door"), rows[2]);
    EXPECT_EQ(total, 3);
}

TEST_F(SearchTest, SpaceIsComparedExactly) {
    EXPECT_TRUE(Search("model", "*", "*", "room").isEmpty());
    EXPECT_TRUE(Search("BOTH", "*MODEL_SPACE", "*", "room").isEmpty());
    EXPECT_EQ(total, 0);
    EXPECT_TRUE(host->CallsTo("Select").isEmpty());
}

TEST_F(SearchTest, FieldsHoldingTheDelimiterOrQuotesStayOneField) {
    dwg->AddToBlock("DOOR", "say \"hi\", room").layer = "a,b";
    const QStringList rows = Search("Model", "*", "*", "say");
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0], "/d/plan.dxf,Model,DOOR,\"a,b\",0,107,0,0,0,\"say \"\"hi\"\", room\"");
    // With a double quote as the delimiter nothing can be quoted.
    EXPECT_EQ(qln::QuoteSearchField("x\"y", "\""), "x\"y");
    EXPECT_EQ(qln::SearchHeaderRow(";"), "Drawing;Space;Block;Layer;Rotation;Handle;X;Y;Z;Text\r\n");
    EXPECT_EQ(qln::QuoteSearchField("two\nlines", ";"), "\"two\nlines\"");
}

TEST_F(SearchTest, CoordinatesKeepSinglePrecisionInTheUsersLocale) {
    auto& far = dwg->AddToBlock("DOOR", "far room");
    far.point = {123456.789, -0.5, 12345678.0};
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QStringList rows = Search("Model", "*", "*", "far", false, false, false, ";");
    QLocale::setDefault(QLocale::c());
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0], "/d/plan.dxf;Model;DOOR;0;0;107;123456,8;-0,5;1,234568E+07;far room");
}

TEST_F(SearchTest, AbortKeepsTheRowsFoundSoFar) {
    for (int i = 0; i < 5; ++i) dwg->AddToBlock("DOOR", QStringLiteral("room %1").arg(i));
    // Abort once the third object of the block has been reached.
    ui.onEvents = [this](int n) { if (n == 4) state.blnAbortSearch = true; };
    const QStringList rows = Search("Both", "*", "*", "room");
    EXPECT_EQ(rows.size(), 2);  // "Room door" and "room 0"; the third object stops the search
    EXPECT_EQ(total, 2);
    EXPECT_TRUE(state.blnAbortSearch);  // left set for the caller
    EXPECT_TRUE(host->CallsTo("Select(PAPERBLOCKS").size() == 1);  // the paper part starts, then stops at once
}

TEST_F(SearchTest, FailingCallsAreSkipped) {
    host->FailNext("Layer", 1);  // the first text's layer cannot be read: that text is skipped
    EXPECT_EQ(Search("Both", "*", "*", "room").size(), 1);
    host->FailNext("Rotation", 1);  // a field that cannot be read stays empty
    EXPECT_EQ(Search("Model", "*", "*", "room"), QStringList{"/d/plan.dxf,Model,DOOR,NOTES2,,103,0,0,0,Room door"});
    host->FailNext("Blocks", 1);
    EXPECT_EQ(Search("Both", "*", "*", "room").size(), 1);

    // An empty block reference is passed over without a pending error; the next one is searched.
    dwg->entities.insert(dwg->entities.begin(), nullptr);
    ASSERT_EQ(session.OpenDrawing("/d/plan.dxf", true), 1);
    EXPECT_EQ(session.SearchAttributes("/d/plan.dxf", "Model", "*", "*", ",", false, false, false, "room", total),
              "/d/plan.dxf,Model,DOOR,NOTES2,0,103,0,0,0,Room door\r\n");
    EXPECT_FALSE(session.HasPendingError());
}

}  // namespace

TEST_F(SearchTest, AttributeValuesOfAdmittedReferencesByTagAndLayer) {
    auto& title = *dwg->entities.back();  // the paper-space reference of TITLE
    auto& rev = title.AddAttribute("REV", "room B");
    rev.layer = "TITLE";
    rev.point = {3, 4, 0};
    title.AddAttribute("NOTE", "room note").layer = "TITLE";
    title.AddAttribute("DATE", "room date").layer = "OTHER";
    auto& door = *dwg->entities[dwg->entities.size() - 2];
    door.AddAttribute("REV", "room door rev").layer = "TITLE";

    // Without tags nothing of the attributes is read.
    Search("Paper", "*", "*", "room");
    EXPECT_TRUE(host->CallsTo("HasAttributes").isEmpty());

    // Tags ignoring case, the attribute's own layer, the block test; after the block's own text; the
    // text type does not matter. Block is the reference's block.
    EXPECT_EQ(session.OpenDrawing("/d/plan.dxf", true), 1);
    const QString rows = session.SearchAttributes("/d/plan.dxf", "Both", "TITLE", "TITLE", ",", false, false,
                                                  /*blnTag=*/true, "room", total, "rev, date");
    session.CloseDrawing(false);
    EXPECT_EQ(rows, "/d/plan.dxf,Paper,TITLE,TITLE,0," + rev.handle + ",3,4,0,room B\r\n");
}
