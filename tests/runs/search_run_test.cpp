// The search over many drawings: results, totals, abort between drawings.

#include "runs/search_run.h"
#include "run_fixture.h"

using qln::SearchCriteria;
using qln::SearchRun;
using testhost::RunFixture;

namespace {

class SearchRunTest : public RunFixture {
protected:
    SearchCriteria criteria;
    void SetUp() override {
        RunFixture::SetUp();
        criteria.blocks = "*MODEL_SPACE";
        criteria.space = "Model";
        criteria.phrase = "colour";
        criteria.fileSpec = root + "dwg/*.dxf";
    }
    qln::SearchResult Run() { return SearchRun(host, state, ui).Run(criteria); }
};

TEST_F(SearchRunTest, RowsOfEveryDrawingWithHitsAfterTheHeader) {
    Drawing("dwg/a.dxf", "no");
    Drawing("dwg/b.dxf", "colour one");
    Drawing("dwg/c.dxf", "nothing");
    const auto result = Run();
    EXPECT_EQ(result.hits, 1);
    EXPECT_EQ(result.files, 1);
    EXPECT_EQ(result.text, "Drawing,Space,Block,Layer,Rotation,Handle,X,Y,Z,Text\r\n" + root +
                               "dwg/b.dxf,Model,*MODEL_SPACE,0,0,100,0,0,0,colour one\r\n");
    EXPECT_TRUE(ui.LastStatus().startsWith("1 hits in 1 files in ")) << ui.LastStatus().toStdString();
    EXPECT_EQ(ui.transient, (QStringList{"Starting AutoCAD...", "AutoCAD instantiated", "Searching a.dxf...",
                                         "Searching b.dxf...", "Searching c.dxf..."}));
    EXPECT_EQ(ui.statuses.mid(0, 5), ui.transient);
    EXPECT_EQ(host->CallsTo("Open").size(), 3);
    for (const QString& call : host->CallsTo("Open")) EXPECT_TRUE(call.contains("ReadOnly=1"));

    criteria.includePath = false;
    criteria.delimiter = ";";
    EXPECT_EQ(Run().text.section("\r\n", 1, 1), "b.dxf;Model;*MODEL_SPACE;0;0;100;0;0;0;colour one");
}

TEST_F(SearchRunTest, NoHitsLeavesTheResultEmpty) {
    Drawing("dwg/a.dxf", "no");
    const auto result = Run();
    EXPECT_TRUE(result.text.isEmpty());
    EXPECT_TRUE(ui.LastStatus().startsWith("0 hits in 0 files in "));
    criteria.fileSpec = root + "nowhere/*.dxf";
    EXPECT_TRUE(Run().text.isEmpty());
}

TEST_F(SearchRunTest, AbortStopsAfterTheCurrentDrawing) {
    Drawing("dwg/a.dxf", "colour a");
    Drawing("dwg/b.dxf", "colour b");
    // Event 1 is the engine's yield on the first drawing's text, event 2 the run's after that drawing.
    ui.onEvents = [this](int n) { if (n == 2) state.blnAbortSearch = true; };
    const auto result = Run();
    EXPECT_TRUE(result.aborted);
    EXPECT_EQ(result.hits, 1);  // the first drawing's hit stays; its loop stopped after it
    EXPECT_EQ(host->CallsTo("Open").size(), 1);
    EXPECT_FALSE(state.blnAbortSearch);  // cleared by the run
    EXPECT_TRUE(ui.statuses.contains("Process aborted."));
    EXPECT_TRUE(ui.LastStatus().startsWith("1 hits in 1 files in "));
}

TEST_F(SearchRunTest, RefusalsAndTheCriteriaBlock) {
    criteria.phrase = "   ";
    EXPECT_EQ(SearchRun::Refusal(criteria), "Enter text phrase to search for.");
    criteria.phrase = " x ";
    criteria.fileSpec = " ";
    EXPECT_EQ(SearchRun::Refusal(criteria), "Enter folder.");
    criteria.fileSpec = "/d/*.dxf";
    EXPECT_EQ(SearchRun::Refusal(criteria), "");
    criteria.matchCase = true;
    EXPECT_EQ(qln::SearchCriteriaBlock(criteria),
              "*** Search Criteria ***\r\nSpace: Model\r\nBlocks: *MODEL_SPACE\r\nLayers: *\r\nSearch Text:  x \r\n"
              "Folder Spec: /d/*.dxf\r\nMatch Case: Y   Whole Word: N   Multiple Line Text: N   Delimiter: ,\r\n\r\n");
}

}  // namespace
