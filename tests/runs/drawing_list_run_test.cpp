// Drawing list files end to end on the in-memory host: line kinds, single and wildcard tasks, END.

#include "runs/drawing_list_run.h"
#include "host/file_io.h"
#include "run_fixture.h"

#include <QLocale>

#include <sys/stat.h>

using qln::DrawingListRun;
using testhost::RunFixture;

namespace {

class DrawingListTest : public RunFixture {
protected:
    void SetUp() override {
        RunFixture::SetUp();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }
    void TearDown() override { QLocale::setDefault(QLocale::c()); }

    QString List(const QByteArray& text) {
        const QString path = root + "list.dlf";
        EXPECT_TRUE(testhost::WriteFile(path, text));
        return path;
    }
    qln::DrawingListRunResult Run(const QString& path, bool fromCommandLine = false) {
        return DrawingListRun(host, state, ui).Run(path, fromCommandLine);
    }
    QByteArray Path(const QString& relative) const { return (root + relative).toUtf8(); }
};

TEST_F(DrawingListTest, ClassifiesLines) {
    DrawingListRun run(host, state, ui);
    using L = DrawingListRun::Line;
    EXPECT_EQ(run.Classify("").kind, L::Ignored);
    EXPECT_EQ(run.Classify("   ' a comment, with a comma").kind, L::Ignored);
    EXPECT_EQ(run.Classify("no comma here").kind, L::Ignored);
    EXPECT_EQ(run.Classify("  end  ").kind, L::End);
    EXPECT_EQ(run.Classify("ENDING,x").kind, L::Single);

    const L single = run.Classify("  /Dwg/A100.dxf, /Templates/Title.txt ");
    EXPECT_EQ(single.kind, L::Single);
    EXPECT_EQ(single.drawing, "/Dwg/A100.dxf");           // case kept for case-sensitive file systems
    EXPECT_EQ(single.templatePath, " /Templates/Title.txt");  // spaces after the comma stay

    const L tree = run.Classify("/dwg/A*,/t.txt");
    EXPECT_EQ(tree.kind, L::Wildcard);
    EXPECT_TRUE(tree.recursive);
    EXPECT_EQ(tree.drawing, "/dwg/A*.dwg");  // the host's drawing extension is appended

    const L folder = run.Classify("/dwg/A*.DWG,/t.txt,more");
    EXPECT_EQ(folder.kind, L::Wildcard);
    EXPECT_FALSE(folder.recursive);
    EXPECT_EQ(folder.templatePath, "/t.txt,more");
}

TEST_F(DrawingListTest, SingleTasksWithTheirOwnTemplates) {
    Drawing("dwg/a.dxf");
    Drawing("dwg/b.dxf", "plain");
    const QString upper = Template("u.txt", "u\r\n");
    const QString fix = Template("f.txt", "f,colour,color\r\n", "SPACE: MODEL\r\nBLOCK: *MODEL_SPACE\r\nVERSION: 2000\r\n");
    const auto result = Run(List("' nightly fixes\r\n" + Path("dwg/a.dxf") + "," + fix.toUtf8() + "\r\n" +
                                 Path("dwg/b.dxf") + "," + upper.toUtf8() + "\r\n"));
    EXPECT_EQ(result.modified, 2);
    EXPECT_EQ(host->Drawing(root + "dwg/a.dxf")->entities[0]->text, "color note");
    EXPECT_EQ(host->Drawing(root + "dwg/a.dxf")->savedFormat, std::optional<std::int16_t>(12));
    EXPECT_EQ(host->Drawing(root + "dwg/b.dxf")->entities[0]->text, "PLAIN");
    EXPECT_FALSE(host->Drawing(root + "dwg/b.dxf")->savedFormat);  // its own template keeps the version
    EXPECT_TRUE(LogExists("err.log"));                              // kept, even empty
    EXPECT_TRUE(Log("err.log").isEmpty());
    EXPECT_TRUE(ui.LastStatus().startsWith("Text for 2 file(s) modified in "));
    const QStringList audit = Log("audit.log");
    EXPECT_EQ(audit.mid(2, 2), (QStringList{"Drawing: " + root + "dwg/a.dxf", "Template: " + fix}));
}

TEST_F(DrawingListTest, FailuresOfSingleTasks) {
    Drawing("dwg/a.dxf", "nothing to change");
    ASSERT_TRUE(testhost::WriteFile(root + "dwg/bad.dxf", "x"));
    const QString tpl = Template("t.txt", "f,colour,color\r\n");
    const QByteArray t = tpl.toUtf8();
    const auto result = Run(List(Path("dwg/missing.dxf") + "," + t + "\r\n" + Path("dwg/bad.dxf") + "," + t +
                                 "\r\n" + Path("dwg/a.dxf") + "," + t + "\r\n" + Path("dwg/a.dxf") + "," +
                                 Path("none.txt") + "\r\n"));
    EXPECT_EQ(result.modified, 0);
    const QString prefix = "<time>  Template: ";
    EXPECT_EQ(Untimed(Log("err.log")),
              (QStringList{prefix + tpl + "  Drawing: " + root + "dwg/missing.dxf  Error: DWG file not found.",
                           prefix + tpl + "  Drawing: " + root + "dwg/bad.dxf  Error: Error opening DWG file. Error opening " + root + "dwg/bad.dxf",
                           prefix + tpl + "  Drawing: " + root +
                               "dwg/a.dxf  Error: Unable to modify text. No data found to process.",
                           prefix + root + "none.txt  Drawing: " + root + "dwg/a.dxf  Error: Unable to open template file '" +
                               root + "none.txt'."}));
    EXPECT_TRUE(Log("audit.log").contains("DWG file not found."));
    EXPECT_EQ(ui.statuses,
              (QStringList{"Modification in process...", "DWG file not found.", "Processing " + root + "dwg/bad.dxf...",
                           "Error opening DWG file. Error opening " + root + "dwg/bad.dxf", "Processing " + root + "dwg/a.dxf...",
                           "Unable to modify text. No data found to process.",
                           "Unable to open template file '" + root + "none.txt'.", "No text modified."}));
    EXPECT_EQ(ui.transient, (QStringList{"Modification in process...", "Processing " + root + "dwg/bad.dxf...",
                                         "Processing " + root + "dwg/a.dxf..."}));
}

TEST_F(DrawingListTest, OnlyCommentsAndBlankLines) {
    const auto result = Run(List("' one\r\n\r\n   \r\njust words\r\n"));
    EXPECT_EQ(result.modified, 0);
    EXPECT_EQ(host->instances, 1);
    EXPECT_FALSE(host->running);
    EXPECT_EQ(ui.LastStatus(), "No text modified.");
    EXPECT_TRUE(LogExists("err.log"));
    EXPECT_TRUE(Log("err.log").isEmpty());
}

TEST_F(DrawingListTest, EndStopsAtOnceAndAsksTheProgramToEnd) {
    Drawing("dwg/a.dxf");
    Drawing("dwg/b.dxf");
    const QByteArray t = Template("t.txt", "u\r\n").toUtf8();
    const auto result = Run(List(Path("dwg/a.dxf") + "," + t + "\r\n  end \r\n" + Path("dwg/b.dxf") + "," + t + "\r\n"));
    EXPECT_TRUE(result.endProgram);
    EXPECT_EQ(host->Drawing(root + "dwg/a.dxf")->saves, 1);
    EXPECT_EQ(host->Drawing(root + "dwg/b.dxf")->saves, 0);
    EXPECT_FALSE(host->running);  // the session was shut down first
    EXPECT_FALSE(ui.LastStatus().startsWith("Text for"));
}

TEST_F(DrawingListTest, WildcardTasksSearchTheTreeOrOneFolder) {
    Drawing("dwg/A1.dwg");
    Drawing("dwg/b1.dwg");
    Drawing("dwg/sub/a2.DWG");
    Drawing("dwg/sub/deep/a3.dwg");
    Drawing("dwg/.hidden/a4.dwg");
    const QByteArray t = Template("t.txt", "u\r\n").toUtf8();

    auto result = Run(List(Path("dwg/a*") + "," + t + "\r\n"));
    EXPECT_EQ(result.modified, 3);
    EXPECT_EQ(host->Drawing(root + "dwg/sub/deep/a3.dwg")->entities[0]->text, "COLOUR NOTE");
    EXPECT_EQ(host->Drawing(root + "dwg/.hidden/a4.dwg")->saves, 0);  // hidden folders are not searched
    EXPECT_EQ(host->Drawing(root + "dwg/b1.dwg")->saves, 0);
    EXPECT_TRUE(ui.transient.contains("Scanning " + root + "dwg/sub..."));
    EXPECT_TRUE(ui.transient.contains("Scanning " + root + "dwg/sub/deep..."));
    EXPECT_EQ(host->instances, 2);  // the run's session and the task's own
    // Every drawing of the task is named in the audit log before its changes.
    const QStringList audit = Log("audit.log");
    const qsizetype deep = audit.indexOf("Drawing: " + root + "dwg/sub/deep/a3.dwg");
    ASSERT_GE(deep, 0);
    EXPECT_EQ(audit.value(deep + 1), "Template: " + root + "templates/t.txt");
    EXPECT_EQ(audit.filter("Drawing: ").size(), 3);
    EXPECT_TRUE(Log("err.log").isEmpty());

    ui.transient.clear();
    result = Run(List(Path("dwg/A*.DWG") + "," + t + "\r\n"));
    EXPECT_EQ(result.modified, 1);  // only dwg/A1.dwg: one folder
    EXPECT_TRUE(ui.transient.contains("Scanning " + root + "dwg/..."));
}

TEST_F(DrawingListTest, WildcardTaskWithABadTemplateSaysSoOnTheStatusLine) {
    Drawing("dwg/a1.dwg");
    const auto result = Run(List(Path("dwg/a*") + "," + Path("nowhere.txt") + "\r\n"));
    EXPECT_EQ(result.modified, 0);
    EXPECT_TRUE(ui.statuses.contains("Unable to modify text. Unable to open template file '" + root + "nowhere.txt'."));
    EXPECT_TRUE(Log("err.log").isEmpty());
    EXPECT_EQ(result.failures, 1);
}

TEST_F(DrawingListTest, CommandLinePathThatDoesNotExist) {
    const auto result = Run("\"" + root + "none.dlf\"", /*fromCommandLine=*/true);
    EXPECT_FALSE(result.listFound);
    EXPECT_EQ(ui.beeps, 1);
    EXPECT_EQ(ui.LastStatus(), "Passed file '\"" + root + "none.dlf\"' does not exist.");
    EXPECT_EQ(host->instances, 0);
}

TEST_F(DrawingListTest, UnreadableListIsReportedNotSilentlyEmpty) {
    // A folder, a FIFO (a reader would wait on it for ever) and a file over the size limit: each refused
    // with its reason, before anything is read from it.
    QDir().mkpath(root + "folder.dlf");
#ifndef _WIN32  // Windows has no FIFOs
    ASSERT_EQ(::mkfifo(QFile::encodeName(root + "fifo.dlf").constData(), 0600), 0);
#endif
    ASSERT_TRUE(testhost::WriteFile(root + "big.dlf", QByteArray(2048, '\'')));
    const qln::fileio::ReadLimits limits = qln::fileio::Limits();
    qln::fileio::SetLimits({limits.drawing, 1024});
    const std::pair<const char*, const char*> cases[] = {
        {"folder.dlf", "It is a folder, not a file."},
#ifndef _WIN32
        {"fifo.dlf", "It is a FIFO (named pipe), not a regular file."},
#endif
        {"big.dlf", "It is 2048 bytes, larger than the 1024 bytes allowed."}};
    for (const auto& [name, says] : cases) {
        const auto result = Run(root + name);
        EXPECT_FALSE(result.listRead) << name;
        EXPECT_TRUE(result.errors) << name;
        EXPECT_EQ(ui.LastStatus(), "Unable to read drawing list file '" + root + name + "'. " + says);
    }
    qln::fileio::SetLimits(limits);
}

TEST_F(DrawingListTest, AFailedSaveIsReported) {
    Drawing("dwg/a.dxf");
    host->FailNext("Close", 1);
    const auto result = Run(List(Path("dwg/a.dxf") + "," + Template("t.txt", "u\r\n").toUtf8() + "\r\n"));
    EXPECT_EQ(result.modified, 0);
    EXPECT_EQ(Untimed(Log("err.log")).value(0).section("  Error: ", 1), "Error saving DWG file.");
    EXPECT_EQ(Log("audit.log").last(), "Not saved.");
    EXPECT_EQ(ui.LastStatus(), "No text modified.");
}

}  // namespace
