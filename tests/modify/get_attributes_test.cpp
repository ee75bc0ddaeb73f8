// GetAttributes on the in-memory host: which objects the passes visit per space and block list, the
// selection filters the host receives, the audit log, the result, and host failures along the way.

#include "host/cautocad.h"
#include "host/text_files.h"
#include "support/files.h"
#include "support/recording_frontend.h"
#include "support/test_host.h"

#include <QBuffer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using qln::cAutoCAD;
using testhost::RecordingFrontend;
using testhost::TestEntity;
using testhost::TestHost;

namespace {

class GetAttributesTest : public ::testing::Test {
protected:
    std::shared_ptr<TestHost> host = std::make_shared<TestHost>();
    testhost::TestDrawing& dwg = host->AddDrawing(QStringLiteral("/d/a.dwg"));
    qln::ProgramState state;
    RecordingFrontend ui;
    cAutoCAD session{host, state, ui};
    QTemporaryDir dir;
    QBuffer log;
    qln::LineWriter audit{&log};
    QString err;

    void SetUp() override { log.open(QIODevice::WriteOnly); }

    // Reads a template made of these *INPUT lines and commands.
    void Template(const QByteArray& input, const QByteArray& commands) {
        const QString path = dir.filePath("t.txt");
        ASSERT_TRUE(testhost::WriteFile(path, "*INPUT\r\n" + input + "*COMMANDS\r\n" + commands));
        ASSERT_EQ(session.PrepTemplate(path, err), 1) << err.toStdString();
    }

    // Opens the drawing and applies the template; the host's call log and the audit log start afresh.
    std::int16_t Run(const QString& delimiter = ",", bool withAudit = true) {
        EXPECT_EQ(session.OpenAutoCAD(), 1);
        EXPECT_EQ(session.OpenDrawing(dwg.path), 1);
        host->calls.clear();
        log.buffer().clear();
        log.seek(0);
        ui.events = 0;
        return session.GetAttributes(err, delimiter, withAudit ? &audit : nullptr);
    }

    QStringList AuditLines() {
        const QString all = QString::fromUtf8(log.data());
        if (all.isEmpty()) return {};
        EXPECT_TRUE(all.endsWith("\r\n"));
        QStringList lines = all.split("\r\n");
        lines.removeLast();
        return lines;
    }
    // The audit lines after the four settings lines.
    QStringList ChangeLines() { return AuditLines().mid(4); }
    QStringList Selects() const { return host->CallsTo("Select("); }
};

TEST_F(GetAttributesTest, DefaultsVisitOnlyBlockContentsOfBothSpaces) {
    TestEntity& looseModel = dwg.AddText("MODEL", "loose");
    TestEntity& loosePaper = dwg.AddText("PAPER", "loose");
    TestEntity& inModel = dwg.AddToBlock("A", "in a");
    TestEntity& inPaper = dwg.AddToBlock("B", "in b");
    TestEntity& unreferenced = dwg.AddToBlock("C", "in c");
    dwg.AddInsert("A");
    dwg.AddInsert("B", /*paper=*/true);
    Template("", "u\r\n");

    err = "untouched";
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(err, "untouched");
    EXPECT_EQ(Selects(), (QStringList{"Select(MODELBLOCKS,5,0=INSERT;67=0)", "Select(PAPERBLOCKS,5,0=INSERT;67=1)"}));
    EXPECT_EQ(inModel.text, "IN A");
    EXPECT_EQ(inPaper.text, "IN B");
    EXPECT_EQ(looseModel.text, "loose");
    EXPECT_EQ(loosePaper.text, "loose");
    EXPECT_EQ(unreferenced.text, "in c");
    EXPECT_EQ(AuditLines().mid(0, 4), (QStringList{"Text Type: Single", "Spaces: *", "Blocks: *", "Layers: *"}));
    EXPECT_EQ(ChangeLines().size(), 2);
}

TEST_F(GetAttributesTest, TheBlockListChoosesLooseTextOrBlockContentsPerSpace) {
    TestEntity& looseModel = dwg.AddText("MODEL", "m");
    TestEntity& loosePaper = dwg.AddText("PAPER", "p");
    TestEntity& mtext = dwg.AddText("MODEL", "mt", /*mtext=*/true);
    TestEntity& inBlock = dwg.AddToBlock("A", "b");
    dwg.AddInsert("A");
    dwg.AddInsert("A", /*paper=*/true);

    // Loose model text, and in paper space only block contents, which the list can never admit.
    Template("BLOCK: *Model_Space\r\n", "u\r\n");
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(Selects(), (QStringList{"Select(MODEL,5,0=TEXT;67=0)", "Select(PAPERBLOCKS,5,0=INSERT;67=1)"}));
    EXPECT_EQ(looseModel.text, "M");
    EXPECT_EQ(mtext.text, "mt");
    EXPECT_EQ(loosePaper.text, "p");
    EXPECT_EQ(inBlock.text, "b");
    session.CloseDrawing(false);

    // The same list with the space PAPER visits nothing.
    Template("BLOCK: *MODEL_SPACE\r\nSPACE: paper\r\n", "l\r\n");
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(err, "No data found to process.");
    EXPECT_EQ(AuditLines().last(), "No data found to process.");
    EXPECT_EQ(looseModel.text, "M");
    session.CloseDrawing(false);

    // Loose paper text: the filter's type is set back from INSERT after the model block pass.
    Template("BLOCK: *PAPER_SPACE\r\n", "r,x\r\n");
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(Selects(), (QStringList{"Select(MODELBLOCKS,5,0=INSERT;67=0)", "Select(PAPER,5,0=TEXT;67=1)"}));
    EXPECT_EQ(loosePaper.text, "x");
    EXPECT_EQ(looseModel.text, "M");
    EXPECT_EQ(inBlock.text, "b");
    session.CloseDrawing(false);

    // Multiple-line text selects MTEXT.
    Template("STYLE: mtext\r\nSPACE: MODEL\r\nBLOCK: *MODEL_SPACE\r\n", "u\r\n");
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(Selects(), QStringList{"Select(MODEL,5,0=MTEXT;67=0)"});
    EXPECT_EQ(mtext.text, "MT");
    EXPECT_EQ(ChangeLines(), QStringList{"Upper cased multiple line text object with handle " + mtext.handle});
}

TEST_F(GetAttributesTest, AnUnknownSpaceVisitsNothing) {
    dwg.AddText("MODEL", "m");
    dwg.AddToBlock("A", "b");
    dwg.AddInsert("A");
    Template("SPACE: both\r\n", "u\r\n");
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(err, "No data found to process.");
    EXPECT_TRUE(Selects().isEmpty());
    EXPECT_EQ(AuditLines(),
              (QStringList{"Text Type: Single", "Spaces: BOTH", "Blocks: *", "Layers: *", "No data found to process."}));
}

TEST_F(GetAttributesTest, ABlockReferencedThreeTimesIsVisitedThreeTimesAndReadOnce) {
    TestEntity& text = dwg.AddToBlock("TITLE", "abc");
    dwg.AddToBlock("TITLE", "").type = "LINE";
    for (int i = 0; i < 3; ++i) dwg.AddInsert("TITLE");
    Template("SPACE: MODEL\r\n", "f,abc,abcabc\r\n");
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(text.text, QString("abc").repeated(8));
    EXPECT_EQ(ChangeLines().size(), 3);
    // The definition is read once, its text visited on each reference (a yield for the line, one for the
    // text each time): a model space full of references to itself costs its size once, not per reference.
    EXPECT_EQ(host->CallsTo("Block.Items").size(), 1);
    EXPECT_EQ(ui.events, 4);
    session.CloseDrawing(false);

    // Deleted on the first visit, the text is passed over on the later ones, without an error.
    Template("SPACE: MODEL\r\n", "d\r\n");
    EXPECT_EQ(Run(), 1);
    EXPECT_TRUE(text.deleted);
    EXPECT_EQ(ChangeLines().size(), 1);
    EXPECT_FALSE(session.HasPendingError());
}

TEST_F(GetAttributesTest, OneBlockNameNarrowsTheSelectionTwoNamesDoNot) {
    TestEntity& title = dwg.AddToBlock("TITLE", "t");
    TestEntity& other = dwg.AddToBlock("OTHER", "o");
    TestEntity& third = dwg.AddToBlock("THIRD", "x");
    dwg.AddInsert("title");
    dwg.AddInsert("OTHER");
    dwg.AddInsert("THIRD");

    Template("SPACE: MODEL\r\nBLOCK: Title\r\n", "u\r\n");
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(Selects(), QStringList{"Select(MODELBLOCKS,5,0=INSERT;67=0;2=TITLE)"});
    EXPECT_EQ(AuditLines()[2], "Blocks: TITLE");
    EXPECT_EQ(title.text, "T");
    EXPECT_EQ(other.text, "o");
    session.CloseDrawing(false);

    Template("SPACE: MODEL\r\nBLOCK: title, other\r\n", "r,z\r\n");
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(Selects(), QStringList{"Select(MODELBLOCKS,5,0=INSERT;67=0)"});
    EXPECT_EQ(title.text, "z");
    EXPECT_EQ(other.text, "z");
    EXPECT_EQ(third.text, "x");
}

TEST_F(GetAttributesTest, LayerAndTypeTests) {
    TestEntity& notes = dwg.AddText("MODEL", "a");
    notes.layer = "notes";
    TestEntity& notes2 = dwg.AddText("MODEL", "b");
    notes2.layer = "NOTES2";
    TestEntity& inBlock = dwg.AddToBlock("A", "c");
    inBlock.layer = "Notes";
    TestEntity& mtextInBlock = dwg.AddToBlock("A", "d", /*mtext=*/true);
    mtextInBlock.layer = "NOTES";
    TestEntity& attdef = dwg.AddToBlock("A", "e");
    attdef.type = "ATTDEF";
    attdef.layer = "NOTES";
    TestEntity& reference = dwg.AddToBlock("A", "");
    reference.type = "INSERT";
    reference.name = "B";
    TestEntity& nested = dwg.AddToBlock("B", "f");
    nested.layer = "NOTES";
    dwg.AddInsert("A", /*paper=*/true);

    Template("LAYER: notes\r\nBLOCK: *MODEL_SPACE\r\n", "u\r\n");
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(notes.text, "A");
    EXPECT_EQ(notes2.text, "b");
    EXPECT_EQ(inBlock.text, "c");   // the block list admits no block name
    session.CloseDrawing(false);

    // Only text of the run's type inside blocks, on the listed layer; nested blocks are not followed.
    Template("LAYER: NOTES\r\nSPACE: PAPER\r\n", "u\r\n");
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(inBlock.text, "C");
    EXPECT_EQ(mtextInBlock.text, "d");
    EXPECT_EQ(attdef.text, "e");
    EXPECT_EQ(nested.text, "f");
    EXPECT_TRUE(host->CallsTo("Blocks(B)").isEmpty());
    session.CloseDrawing(false);

    Template("LAYER: NOTES\r\nSPACE: PAPER\r\nSTYLE: MTEXT\r\n", "u\r\n");
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(mtextInBlock.text, "D");
}

TEST_F(GetAttributesTest, SettingsLinesAndTheTextTypeAsWritten) {
    dwg.AddText("MODEL", "abc");
    Template("SPACE: model\r\nBLOCK: *model_space\r\nLAYER:  0 , x\r\n", "p\r\n");
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(AuditLines().mid(0, 4),
              (QStringList{"Text Type: Single", "Spaces: MODEL", "Blocks: *MODEL_SPACE", "Layers: 0   X"}));
    session.CloseDrawing(false);

    Template("STYLE: single\r\nSPACE: model\r\nBLOCK: *model_space\r\n", "p\r\n");
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(AuditLines()[0], "Text Type: SINGLE");
}

TEST_F(GetAttributesTest, WithoutAnAuditLogNothingIsWrittenAndTheResultIsTheSame) {
    TestEntity& a = dwg.AddText("MODEL", "abc");
    TestEntity& m = dwg.AddText("MODEL", "abc", /*mtext=*/true);
    Template("BLOCK: *MODEL_SPACE\r\n", "sd,b\r\nu\r\n");
    EXPECT_EQ(Run(",", /*withAudit=*/false), 1);
    EXPECT_TRUE(a.deleted);
    EXPECT_TRUE(log.data().isEmpty());
    // The handle is read only for the audit lines.
    EXPECT_TRUE(host->CallsTo("Handle").isEmpty());
    session.CloseDrawing(false);

    Template("STYLE: MTEXT\r\nBLOCK: *MODEL_SPACE\r\n", "u\r\nf,B,x\r\n");
    EXPECT_EQ(Run(",", /*withAudit=*/false), 1);
    EXPECT_EQ(m.text, "AxC");
    EXPECT_TRUE(log.data().isEmpty());
    EXPECT_TRUE(host->CallsTo("Handle").isEmpty());
    session.CloseDrawing(false);

    Template("BLOCK: *MODEL_SPACE\r\n", "f,nothing,x\r\n");
    err.clear();
    EXPECT_EQ(Run(",", /*withAudit=*/false), 0);
    EXPECT_EQ(err, "No data found to process.");
    EXPECT_TRUE(log.data().isEmpty());
}

TEST_F(GetAttributesTest, NothingMatchingWalksTheWholeDrawingAndReturnsZero) {
    for (int i = 0; i < 5; ++i) dwg.AddText("MODEL", QString::number(i));
    dwg.AddToBlock("A", "x");
    dwg.AddInsert("A", /*paper=*/true);
    Template("BLOCK: *MODEL_SPACE\r\n", "z,nothing\r\nbogus\r\n");
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(err, "No data found to process.");
    EXPECT_EQ(ui.events, 6);   // five loose texts and the block's one
    EXPECT_EQ(host->CallsTo("TextString[").size(), 5);
}

TEST_F(GetAttributesTest, HostFailuresSkipTheirStepAndTheRunGoesOn) {
    TestEntity& loose = dwg.AddText("PAPER", "p");
    TestEntity& first = dwg.AddToBlock("A", "a");
    TestEntity& second = dwg.AddToBlock("B", "b");
    TestEntity& third = dwg.AddToBlock("C", "c");
    third.layer = "X";
    dwg.AddInsert("A");
    dwg.AddInsert("B");
    dwg.AddInsert("C");
    dwg.AddInsert("B");
    Template("BLOCK: *PAPER_SPACE\r\nLAYER: 0\r\n", "u\r\n");

    // The model selection fails: the paper pass still runs.
    host->FailNext("Select");
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(loose.text, "P");
    EXPECT_EQ(first.text, "a");
    EXPECT_TRUE(session.HasPendingError());
    session.CloseDrawing(false);

    // One block definition cannot be had, one layer cannot be read: the other references go on.
    Template("LAYER: 0, X\r\nSPACE: MODEL\r\n", "f,a,aa\r\nf,b,bb\r\nf,c,cc\r\n");
    host->FailNext("Blocks");
    host->FailNext("Layer");
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(first.text, "a");     // Blocks(A) failed
    EXPECT_EQ(second.text, "bb");   // the first visit of B could not read the layer, the second applied
    EXPECT_EQ(third.text, "cc");
    session.CloseDrawing(false);

    // The host refuses every change (say, text on locked layers): the drawing is not reported as changed,
    // and the audit log gives the host's reason for each.
    host->FailAlways("SetTextString");
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(err, "No data found to process.");
    EXPECT_EQ(ChangeLines(), QStringList(4, "Error: Injected failure") << "No data found to process.");
    session.CloseDrawing(false);

    // Adding the selection set fails every time: nothing is visited and nothing escapes.
    host->FailAlways("Add");
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(err, "No data found to process.");
}

TEST_F(GetAttributesTest, AnEmptyReferenceAmongBlockReferencesIsRecordedAndTheWalkGoesOn) {
    dwg.entities.push_back(nullptr);  // in every selection set
    TestEntity& loose = dwg.AddText("MODEL", "m");
    TestEntity& inBlock = dwg.AddToBlock("A", "a");
    dwg.AddInsert("A");

    // Among loose text it is passed over without a trace.
    Template("SPACE: MODEL\r\nBLOCK: *MODEL_SPACE\r\n", "u\r\n");
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(loose.text, "M");
    EXPECT_FALSE(session.HasPendingError());
    session.CloseDrawing(false);

    // As a block reference it leaves "object not set"; the next reference is still visited.
    Template("SPACE: MODEL\r\n", "u\r\n");
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(inBlock.text, "A");
    EXPECT_EQ(session.PendingError().number, host::kObjectNotSet);
}

TEST_F(GetAttributesTest, WithoutAnOpenDrawingTheResultIsZero) {
    Template("", "u\r\n");
    EXPECT_EQ(session.GetAttributes(err, ",", &audit), 0);
    EXPECT_EQ(err, "No data found to process.");
    EXPECT_EQ(AuditLines().size(), 5);
}

}  // namespace

TEST_F(GetAttributesTest, AttributesOfEveryAdmittedReferenceByTagAndLayer) {
    dwg.AddToBlock("TB", "block text");
    TestEntity& first = dwg.AddInsert("TB");
    TestEntity& rev1 = first.AddAttribute("REV", "a");
    TestEntity& date1 = first.AddAttribute("date", "d");
    TestEntity& other = first.AddAttribute("OTHER", "o");
    TestEntity& second = dwg.AddInsert("TB", /*paper=*/true);
    TestEntity& rev2 = second.AddAttribute("REV", "b");
    rev2.layer = "HIDDEN";
    TestEntity& elsewhere = dwg.AddInsert("X");
    TestEntity& rev3 = elsewhere.AddAttribute("REV", "x");
    dwg.AddToBlock("X", "x text");

    // Without the key no reference is asked for attributes.
    Template("BLOCK: TB\r\n", "p\r\n");
    EXPECT_EQ(Run(), 1);
    EXPECT_TRUE(host->CallsTo("HasAttributes").isEmpty());
    EXPECT_EQ(rev1.text, "a");

    // The tag list (ignoring case) and the layer test on the attribute's own layer; the block test
    // keeps X's attributes out; each reference has attributes of its own. Block text comes first.
    Template("BLOCK: TB\r\nLAYER: 0\r\nATTRIBUTES: rev, DATE\r\nSTYLE: mtext\r\n", "u\r\n");
    session.CloseDrawing(false);
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(rev1.text, "A");
    EXPECT_EQ(date1.text, "D");
    EXPECT_EQ(other.text, "o");
    EXPECT_EQ(rev2.text, "b");
    EXPECT_EQ(rev3.text, "x");
    EXPECT_EQ(AuditLines().mid(4, 1), QStringList{"Attributes: REV  DATE"});
    // The text type applies to the block's text (no MTEXT there), not to attributes.
    EXPECT_EQ(AuditLines().mid(5), (QStringList{
                                       "Upper cased single line text object with text 'a' (Handle: " + rev1.handle + ", Tag: REV)",
                                       "Upper cased single line text object with text 'd' (Handle: " + date1.handle + ", Tag: date)",
                                   }));

    // Every tag with "*"; a reference whose attributes cannot be read is skipped, the next one is not.
    Template("ATTRIBUTES: *\r\nLAYER: 0\r\n", "r,z\r\n");
    session.CloseDrawing(false);
    host->FailNext("GetAttributes");
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(rev1.text, "A");
    EXPECT_EQ(rev3.text, "z");
    EXPECT_EQ(rev2.text, "b");  // on another layer
    EXPECT_EQ(host->CallsTo("TagString").size(), 2);
}
