// The batch modification run end to end on the in-memory host: logs, status texts, failures.

#include "runs/batch_run.h"
#include "run_fixture.h"

#include <QLocale>

using qln::BatchRun;
using qln::BatchRunInput;
using testhost::RunFixture;

namespace {

class BatchRunTest : public RunFixture {
protected:
    void SetUp() override {
        RunFixture::SetUp();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }
    void TearDown() override { QLocale::setDefault(QLocale::c()); }

    BatchRunInput Input(const QString& templatePath, const QStringList& names, bool audit = true) {
        BatchRunInput in;
        in.templatePath = templatePath;
        for (const QString& n : names) in.drawings.append({root + "dwg", n});
        in.audit = audit;
        return in;
    }
    qln::BatchRunResult Run(const BatchRunInput& in) { return BatchRun(host, state, ui).Run(in); }
};

TEST_F(BatchRunTest, ModifiesEveryChosenDrawingAndLogsEachChange) {
    Drawing("dwg/a.dxf");
    Drawing("dwg/B.dxf", "another colour");
    const QString tpl = Template("t.txt", "f,colour,color\r\n");
    const auto result = Run(Input(tpl, {"a.dxf", "B.dxf"}));

    EXPECT_EQ(result.modified, 2);
    EXPECT_FALSE(result.errors);
    EXPECT_EQ(host->Drawing(root + "dwg/a.dxf")->entities[0]->text, "color note");
    EXPECT_EQ(host->Drawing(root + "dwg/B.dxf")->entities[0]->text, "another color");
    EXPECT_EQ(host->Drawing(root + "dwg/B.dxf")->saves, 1);
    EXPECT_EQ(Untimed(Log("audit.log")),
              (QStringList{"<time>", "", "Drawing: " + root + "dwg/a.dxf", "Template: " + tpl, "Text Type: Single",
                           "Spaces: MODEL", "Blocks: *MODEL_SPACE", "Layers: *",
                           "Found 'colour' in 'colour note' and replaced with 'color'",
                           "Drawing: " + root + "dwg/B.dxf", "Template: " + tpl, "Text Type: Single",
                           "Spaces: MODEL", "Blocks: *MODEL_SPACE", "Layers: *",
                           "Found 'colour' in 'another colour' and replaced with 'color'"}));
    EXPECT_FALSE(LogExists("err.log"));  // no error: deleted at the end
    ASSERT_EQ(ui.statuses.size(), 4);
    EXPECT_EQ(ui.statuses.mid(0, 3), (QStringList{"Modification in process...", "Processing " + root + "dwg/a.dxf...",
                                                  "Processing " + root + "dwg/B.dxf..."}));
    EXPECT_EQ(ui.transient, ui.statuses.mid(0, 3));  // the summary is the one lasting text
    EXPECT_TRUE(ui.LastStatus().startsWith("Text for 2 file(s) modified in ")) << ui.LastStatus().toStdString();
    EXPECT_TRUE(ui.LastStatus().endsWith(" second(s)."));
    EXPECT_EQ(ui.busyDepth, 0);
    EXPECT_FALSE(host->running);  // the host was quit
}

TEST_F(BatchRunTest, AuditAppendsAndCanBeTurnedOff) {
    Drawing("dwg/a.dxf");
    ASSERT_TRUE(testhost::WriteFile(logs + "audit.log", "earlier run\r\n"));
    const QString tpl = Template("t.txt", "u\r\n");
    Run(Input(tpl, {"a.dxf"}));
    EXPECT_EQ(Log("audit.log").first(), "earlier run");

    const QByteArray before = testhost::ReadFile(logs + "audit.log");
    Run(Input(tpl, {"a.dxf"}, /*audit=*/false));
    EXPECT_EQ(testhost::ReadFile(logs + "audit.log"), before);
    EXPECT_EQ(host->Drawing(root + "dwg/a.dxf")->saves, 2);
}

TEST_F(BatchRunTest, NoDrawingChosenStillStartsAndStopsTheHost) {
    const auto result = Run(Input(Template("t.txt", "u\r\n"), {}));
    EXPECT_EQ(result.modified, 0);
    EXPECT_EQ(host->instances, 1);
    EXPECT_FALSE(host->running);
    EXPECT_FALSE(LogExists("err.log"));
    EXPECT_TRUE(ui.LastStatus().startsWith("Text for 0 file(s) modified in "));
}

TEST_F(BatchRunTest, EachFailingDrawingGetsItsLineAndTheRunGoesOn) {
    Drawing("dwg/a.dxf");
    Drawing("dwg/nothing.dxf", "no match here");
    Drawing("dwg/c.dxf");
    ASSERT_TRUE(testhost::WriteFile(root + "dwg/locked.dxf", "x"));  // a file the host cannot open
    // The first drawing failing keeps err.log too.
    const auto result = Run(Input(Template("t.txt", "f,colour,color\r\n"),
                                  {"gone.dxf", "a.dxf", "locked.dxf", "nothing.dxf", "c.dxf"}));

    EXPECT_EQ(result.modified, 3);  // a, nothing and c were opened (whatever the engine found)
    EXPECT_TRUE(result.errors);
    EXPECT_EQ(Untimed(Log("err.log")),
              (QStringList{"<time>  Drawing: " + root + "dwg/gone.dxf  Error: File GONE.DXF not found.",
                           "<time>  Drawing: " + root + "dwg/locked.dxf  Error: Error opening file LOCKED.DXF. Error opening " + root + "dwg/locked.dxf",
                           "<time>  Drawing: " + root + "dwg/nothing.dxf  Error: No data found to process."}));
    const QStringList audit = Log("audit.log");
    EXPECT_TRUE(audit.contains(root + "dwg/gone.dxf not found."));
    EXPECT_TRUE(audit.contains("Drawing: " + root + "dwg/locked.dxf"));
    EXPECT_TRUE(audit.contains("No data found to process."));
    EXPECT_EQ(host->Drawing(root + "dwg/c.dxf")->entities[0]->text, "color note");
}

TEST_F(BatchRunTest, TemplateErrorStopsBeforeAnyDrawing) {
    Drawing("dwg/a.dxf");
    const QString tpl = root + "templates/";  // no template chosen: the path ends with a separator
    const auto result = Run(Input(tpl, {"a.dxf"}));
    EXPECT_FALSE(result.templateRead);
    EXPECT_TRUE(host->CallsTo("Open").isEmpty());
    EXPECT_EQ(ui.LastStatus(), "No text modified. Unable to open template file '" + tpl + "'.");
    EXPECT_EQ(Untimed(Log("err.log")),
              QStringList{"<time>  Template: " + tpl + "  Error: Unable to open template file '" + tpl + "'."});
    EXPECT_EQ(Untimed(Log("audit.log")), (QStringList{"<time>", ""}));
    EXPECT_FALSE(host->running);
}

TEST_F(BatchRunTest, HostThatCannotStartLeavesTheLogsAlone) {
    host->FailAlways("CreateInstance");
    const auto result = Run(Input(Template("t.txt", "u\r\n"), {"a.dxf"}));
    EXPECT_FALSE(result.hostStarted);
    EXPECT_EQ(ui.LastStatus(), "Unable to start AutoCAD");
    EXPECT_EQ(ui.messages.size(), 1);
    EXPECT_FALSE(LogExists("err.log"));
    EXPECT_FALSE(LogExists("audit.log"));
}

TEST_F(BatchRunTest, AFailedSaveIsReportedAndNotCounted) {
    Drawing("dwg/a.dxf");
    Drawing("dwg/b.dxf");
    host->FailNext("Close", 1);
    const auto result = Run(Input(Template("t.txt", "f,colour,color\r\n"), {"a.dxf", "b.dxf"}));
    EXPECT_EQ(result.modified, 1);
    EXPECT_EQ(Untimed(Log("err.log")),
              QStringList{"<time>  Drawing: " + root + "dwg/a.dxf  Error: Error saving file A.DXF. Injected failure"});
    const QStringList audit = Log("audit.log");
    const qsizetype change = audit.indexOf("Found 'colour' in 'colour note' and replaced with 'color'");
    ASSERT_GE(change, 0);
    EXPECT_EQ(audit.value(change + 1), "Not saved.");
    EXPECT_TRUE(ui.LastStatus().startsWith("Text for 1 file(s) modified in "));
}

TEST_F(BatchRunTest, SavingInAnotherVersionThanAskedIsLoggedButCounted) {
    // A host that could save only in the drawing's own version leaves a warning; the run logs it as
    // that drawing's line and still counts the drawing.
    Drawing("dwg/a.dxf").saveAsWarning = "Saved as AC1015: the host cannot write AC1018.";
    const QString tpl = Template("t.txt", "u\r\n", "SPACE: MODEL\r\nBLOCK: *MODEL_SPACE\r\nVERSION: 2004\r\n");
    const auto result = Run(Input(tpl, {"a.dxf"}));
    EXPECT_EQ(host->Drawing(root + "dwg/a.dxf")->savedFormat, std::optional<std::int16_t>(24));
    EXPECT_EQ(result.modified, 1);
    EXPECT_EQ(Untimed(Log("err.log")),
              QStringList{"<time>  Drawing: " + root + "dwg/a.dxf  Error: Saved as AC1015: the host cannot write AC1018."});
}

TEST_F(BatchRunTest, AStopRequestEndsTheRunAfterTheCurrentDrawing) {
    Drawing("dwg/a.dxf");
    Drawing("dwg/b.dxf");
    std::atomic<bool> stop{false};
    ui.onEvents = [&](int n) { if (n == 2) stop = true; };  // requested while the first drawing is worked on
    BatchRun run(host, state, ui);
    run.SetStopFlag(&stop);
    const auto result = run.Run(Input(Template("t.txt", "u\r\n"), {"a.dxf", "b.dxf"}));
    EXPECT_TRUE(result.stopped);
    EXPECT_EQ(result.modified, 1);
    EXPECT_EQ(result.done, 1);
    EXPECT_EQ(result.total, 2);
    EXPECT_EQ(host->Drawing(root + "dwg/b.dxf")->saves, 0);
    EXPECT_FALSE(host->running);
    // The summary, err.log and audit.log say the run was cut short, and after which drawing.
    EXPECT_TRUE(ui.statuses.last().endsWith(" second(s). Stopped by request after 1 of 2 drawings."))
        << ui.statuses.last().toStdString();
    EXPECT_EQ(Untimed(Log("err.log")), QStringList{"<time>  Stopped by request after 1 of 2 drawings."});
    EXPECT_EQ(Log("audit.log").last(), QStringLiteral("Stopped by request after 1 of 2 drawings."));

    // Asked for during the last (here the only) drawing: it is finished, and the run still ends as stopped.
    stop = false;
    ui.onEvents = [&](int n) { if (n == 2) stop = true; };
    ui.events = 0;
    const auto single = run.Run(Input(Template("t.txt", "u\r\n"), {"a.dxf"}));
    EXPECT_TRUE(single.stopped);
    EXPECT_EQ(single.modified, 1);
}

}  // namespace
