// The runs end to end on DXF drawings in a temporary folder, on the DXF host: the batch modification
// run, the drawing-list run, the text report and the search run. Logs line by line, status texts in
// order, which drawings changed (ezdxf reads them back) and which stayed byte for byte as they were.

#include "support/fault_injection.h"
#include "runs/batch_run.h"
#include "runs/drawing_list_run.h"
#include "runs/report_command.h"
#include "runs/search_run.h"
#include "run_fixture.h"
#include "support/dxf_test_util.h"

#include <QDir>
#include <QLocale>

#include <gmock/gmock.h>

#include <atomic>
#include <map>

using testhost::ReadFile;
using testhost::RunFolderFixture;
using testhost::WriteFile;

namespace {

class DxfRunsTest : public RunFolderFixture {
protected:
    host::ApplicationClassPtr dxf = qln::dxf::MakeDxfHost();
    std::map<QString, QByteArray> written;  // every drawing as the test wrote it

    void SetUp() override {
        RunFolderFixture::SetUp();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }
    void TearDown() override { QLocale::setDefault(QLocale::c()); }

    // A drawing with one loose model-space text per entry (handles 1A, 1B, …), in a hand-written DXF.
    QString Dxf(const QString& relative, const QStringList& texts = {"colour note"}) {
        QByteArray entities;
        for (int i = 0; i < texts.size(); ++i)
            entities += dxftest::Text(QByteArray::number(0x1A + i, 16).toUpper(), texts[i].toUtf8());
        return Put(relative, dxftest::Drawing(entities));
    }
    QString Put(const QString& relative, const QByteArray& bytes) {
        const QString path = root + relative;
        EXPECT_TRUE(WriteFile(path, bytes));
        written[path] = bytes;
        return path;
    }
    // A drawing cut off in the middle of its entities.
    QString Truncated(const QString& relative) {
        const QByteArray whole = dxftest::Drawing(dxftest::Text("1A", "colour note"));
        return Put(relative, whole.left(whole.indexOf("colour")));
    }
    // What the runs say after "Error opening ..." about such a drawing.
    static QString TruncatedReason(const QString& path) {
        return " Cannot open " + QDir::toNativeSeparators(path) + ": line 37: group code 1 has no value line (odd number of lines, or the file is truncated)";
    }
    bool Untouched(const QString& path) const { return ReadFile(path) == written.at(path); }
    // The names of a folder, hidden files included, sorted.
    static QStringList FolderNames(const QString& folder) {
        QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
        return names;
    }
    // The model-space texts of each drawing as ezdxf reads them, or nothing without ezdxf.
    static std::map<QString, QStringList> EzdxfModel(const QStringList& paths) {
        std::map<QString, QStringList> out;
        if (testhost::EzdxfPython().isEmpty()) return out;
        const QJsonObject texts = dxftest::EzdxfTexts(paths);
        for (const QString& p : paths) out[p] = dxftest::PlaceTexts(texts, p, "Model");
        return out;
    }
    static QStringList Settings(const QString& style = "Single") {
        return {"Text Type: " + style, "Spaces: MODEL", "Blocks: *MODEL_SPACE", "Layers: *"};
    }
};

// "Text for 2 file(s) modified in 0.01 second(s)." and the like.
MATCHER_P(SummaryOf, count, "") {
    static const QRegularExpression form(QStringLiteral("^Text for (\\d+) file\\(s\\) modified in "
                                                        "\\d{1,3}(,\\d{3})*\\.\\d\\d second\\(s\\)\\.$"));
    const auto m = form.match(arg);
    return m.hasMatch() && m.captured(1).toInt() == count;
}

TEST_F(DxfRunsTest, BatchRunChangesSavesAndLogsEveryDrawing) {
    const QString a = Dxf("dwg/a.dxf");
    const QString b = Dxf("dwg/b.dxf", {"plain"});
    const QString broken = Truncated("dwg/broken.dxf");
    const QString tpl = Template("t.txt", "f,colour,color\r\n");
    qln::BatchRunInput in;
    in.templatePath = tpl;
    for (const char* name : {"a.dxf", "b.dxf", "gone.dxf", "broken.dxf"}) in.drawings.append({root + "dwg", name});
    const auto result = qln::BatchRun(dxf, state, ui).Run(in);

    EXPECT_EQ(result.modified, 2);  // the drawings opened: a and b
    EXPECT_TRUE(result.errors);
    EXPECT_EQ(Untimed(Log("audit.log")),
              (QStringList{"<time>", "", "Drawing: " + a, "Template: " + tpl} + Settings() +
               QStringList{"Found 'colour' in 'colour note' and replaced with 'color'", "Drawing: " + b,
                           "Template: " + tpl} +
               Settings() +
               QStringList{"No data found to process.", root + "dwg/gone.dxf not found.", "Drawing: " + broken,
                           "Template: " + tpl}));
    EXPECT_EQ(Untimed(Log("err.log")),
              (QStringList{"<time>  Drawing: " + b + "  Error: No data found to process.",
                           "<time>  Drawing: " + root + "dwg/gone.dxf  Error: File GONE.DXF not found.",
                           "<time>  Drawing: " + broken + "  Error: Error opening file BROKEN.DXF." + TruncatedReason(broken)}));
    ASSERT_EQ(ui.statuses.size(), 5) << ui.statuses.join('\n').toStdString();
    EXPECT_EQ(ui.statuses.mid(0, 4), (QStringList{"Modification in process...", "Processing " + a + "...",
                                                  "Processing " + b + "...", "Processing " + broken + "..."}));
    EXPECT_THAT(ui.statuses[4], SummaryOf(2));

    // a was saved with a backup of what it was; b had nothing to change and was not written; the lock
    // files are gone.
    EXPECT_FALSE(Untouched(a));
    EXPECT_EQ(ReadFile(a + ".bak"), written.at(a));
    EXPECT_TRUE(Untouched(b));
    EXPECT_TRUE(Untouched(broken));
    EXPECT_EQ(FolderNames(root + "dwg"), (QStringList{"a.dxf", "a.dxf.bak", "b.dxf", "broken.dxf"}));
    const auto model = EzdxfModel({a, b});
    if (!model.empty()) {
        EXPECT_EQ(model.at(a), QStringList{"color note"});
        EXPECT_EQ(model.at(b), QStringList{"plain"});
    }
}

TEST_F(DxfRunsTest, BatchRunReportsAFailedSaveAVersionItCouldNotWriteAndATemplateError) {
    const QString a = Dxf("dwg/a.dxf");
    const QString b = Dxf("dwg/b.dxf");
    const QString tpl = Template("t.txt", "u\r\n", "SPACE: MODEL\r\nBLOCK: *MODEL_SPACE\r\nVERSION: 2004\r\n");
    // While b is open, something moves it away and puts a folder where it was: the save cannot replace
    // it, even for a user whom permissions do not stop.
    const QString lockOfB = qln::dxf::LockFileFor(b);
    bool swapped = false;
    ui.onEvents = [&](int) {
        if (swapped || !QFileInfo::exists(lockOfB)) return;
        ASSERT_TRUE(QFile::rename(b, b + ".moved"));
        ASSERT_TRUE(QDir().mkpath(b + "/inside"));
        swapped = true;
    };
    qln::BatchRunInput in;
    in.templatePath = tpl;
    in.drawings = {{root + "dwg", "a.dxf"}, {root + "dwg", "b.dxf"}};
    in.jobs = 1;  // the swap happens while the run's own thread works on b
    const auto result = qln::BatchRun(dxf, state, ui).Run(in);
    ASSERT_TRUE(swapped);

    EXPECT_EQ(result.modified, 1);
    EXPECT_EQ(Untimed(Log("err.log")),
              (QStringList{"<time>  Drawing: " + a + "  Error: " + QDir::toNativeSeparators(a) +  // as the host names it
                               " was saved in its own version AC1015 (AutoCAD 2000), not in AC1018 (AutoCAD 2004) as "
                               "asked: the DXF host cannot convert drawings between DXF versions.",
                           "<time>  Drawing: " + b + "  Error: Error saving file B.DXF. Cannot save " +
                               QDir::toNativeSeparators(b) + ": " + QDir::toNativeSeparators(b) + " was replaced by a folder since it was opened"}));
    const QStringList audit = Untimed(Log("audit.log"));
    EXPECT_EQ(audit.mid(audit.size() - 2),
              (QStringList{"Upper cased single line text object with text 'colour note' (Handle: 1A)", "Not saved."}));
    EXPECT_THAT(ui.LastStatus(), SummaryOf(1));
    EXPECT_EQ(FolderNames(root + "dwg"), (QStringList{"a.dxf", "a.dxf.bak", "b.dxf", "b.dxf.moved"}));
    EXPECT_EQ(FolderNames(b), QStringList{"inside"});  // nothing was written in its place
    const auto model = EzdxfModel({a});
    if (!model.empty()) {
        EXPECT_EQ(model.at(a), QStringList{"COLOUR NOTE"});
    }

    // A template without its commands: nothing is opened.
    ui.statuses.clear();
    const QString c = Dxf("dwg/c.dxf");
    const QString bad = root + "templates/bad.txt";
    ASSERT_TRUE(WriteFile(bad, "*INPUT\r\nSPACE: MODEL\r\n"));
    in.templatePath = bad;
    in.drawings = {{root + "dwg", "c.dxf"}};
    const qsizetype auditLines = Log("audit.log").size();
    const auto failed = qln::BatchRun(dxf, state, ui).Run(in);
    EXPECT_EQ(failed.modified, 0);
    EXPECT_EQ(ui.statuses, (QStringList{"Modification in process...",
                                        "No text modified. Template file requires '*COMMANDS'."}));
    EXPECT_EQ(Untimed(Log("err.log")),
              QStringList{"<time>  Template: " + bad + "  Error: Template file requires '*COMMANDS'."});
    EXPECT_EQ(Untimed(Log("audit.log").mid(auditLines)), (QStringList{"<time>", ""}));
    EXPECT_TRUE(Untouched(c));
}

TEST_F(DxfRunsTest, DrawingListSingleTasksTheirFailuresAndEndInLowerCase) {
    const QString a = Dxf("dwg/a.dxf");
    const QString b = Dxf("dwg/b.dxf");
    const QString c = Dxf("dwg/c.dxf", {"plain"});
    const QString d = Dxf("dwg/d.dxf");
    const QString broken = Truncated("dwg/broken.dxf");
    const QString gone = root + "dwg/gone.dxf";
    const QString tpl = Template("t.txt", "f,colour,color\r\n");
    const QString missingTpl = root + "templates/none.txt";
    const QString list = root + "list.dlf";
    ASSERT_TRUE(WriteFile(list, ("' drawings, and what to do with them\r\n" + a + "," + tpl + "\r\n" + gone + "," +
                                 tpl + "\r\n" + broken + "," + tpl + "\r\n" + b + "," + missingTpl + "\r\n" + c + "," +
                                 tpl + "\r\n  end  \r\n" + d + "," + tpl + "\r\n")
                                    .toUtf8()));
    const auto result = qln::DrawingListRun(dxf, state, ui).Run(list, false);

    EXPECT_TRUE(result.endProgram);
    EXPECT_EQ(result.modified, 1);
    EXPECT_EQ(Untimed(Log("err.log")),
              (QStringList{"<time>  Template: " + tpl + "  Drawing: " + gone + "  Error: DWG file not found.",
                           "<time>  Template: " + tpl + "  Drawing: " + broken + "  Error: Error opening DWG file." + TruncatedReason(broken),
                           "<time>  Template: " + missingTpl + "  Drawing: " + b +
                               "  Error: Unable to open template file '" + missingTpl + "'.",
                           "<time>  Template: " + tpl + "  Drawing: " + c +
                               "  Error: Unable to modify text. No data found to process."}));
    EXPECT_EQ(Untimed(Log("audit.log")),
              (QStringList{"<time>", "", "Drawing: " + a, "Template: " + tpl} + Settings() +
               QStringList{"Found 'colour' in 'colour note' and replaced with 'color'", "DWG file not found.",
                           "Drawing: " + broken, "Template: " + tpl, "Drawing: " + c, "Template: " + tpl} +
               Settings() + QStringList{"No data found to process."}));
    EXPECT_EQ(ui.statuses,
              (QStringList{"Modification in process...", "Processing " + a + "...", "DWG file not found.",
                           "Processing " + broken + "...", "Error opening DWG file." + TruncatedReason(broken),
                           "Unable to open template file '" + missingTpl + "'.", "Processing " + c + "...",
                           "Unable to modify text. No data found to process."}));
    EXPECT_FALSE(Untouched(a));
    for (const QString& same : {b, c, d, broken}) EXPECT_TRUE(Untouched(same)) << same.toStdString();
    const auto model = EzdxfModel({a});
    if (!model.empty()) {
        EXPECT_EQ(model.at(a), QStringList{"color note"});
    }
}

TEST_F(DxfRunsTest, DrawingListWildcardsSearchTheTreeOrOneFolder) {
    const QString a1 = Dxf("dwg/A1.dxf");
    const QString b1 = Dxf("dwg/b1.dxf");
    const QString a2 = Dxf("dwg/sub/a2.DXF");
    const QString a3 = Dxf("dwg/sub/deep/a3.dxf");
    const QString hidden = Dxf("dwg/.hidden/a4.dxf");
    const QString other = Put("dwg/a5.txt", "not a drawing");
    const QString tpl = Template("t.txt", "f,colour,colour!\r\n");
    const QString list = root + "tree.dlf";

    // No "." in the file part: ".dxf" is added and every folder below is searched (hidden ones not).
    ASSERT_TRUE(WriteFile(list, (root + "dwg/a*," + tpl + "\r\n").toUtf8()));
    auto result = qln::DrawingListRun(dxf, state, ui).Run(list, false);
    EXPECT_EQ(result.modified, 3);
    EXPECT_THAT(ui.LastStatus(), SummaryOf(3));
    EXPECT_TRUE(ui.statuses.contains("Scanning " + root + "dwg/sub/deep..."));
    for (const QString& same : {b1, hidden, other}) EXPECT_TRUE(Untouched(same)) << same.toStdString();
    EXPECT_TRUE(Log("err.log").isEmpty());
    EXPECT_EQ(Log("audit.log").filter("Drawing: ").size(), 3);
    auto model = EzdxfModel({a1, a2, a3});
    if (!model.empty()) {
        for (const QString& changed : {a1, a2, a3}) EXPECT_EQ(model.at(changed), QStringList{"colour! note"});
    }

    // With a "." the pattern is matched in its own folder only, ignoring case.
    const QByteArray a2After = ReadFile(a2);
    ASSERT_TRUE(WriteFile(list, (root + "dwg/A*.DXF," + tpl + "\r\n").toUtf8()));
    ui.statuses.clear();
    result = qln::DrawingListRun(dxf, state, ui).Run(list, false);
    EXPECT_EQ(result.modified, 1);
    EXPECT_TRUE(ui.statuses.contains("Scanning " + root + "dwg/..."));
    EXPECT_EQ(ReadFile(a2), a2After);
    model = EzdxfModel({a1});
    if (!model.empty()) {
        EXPECT_EQ(model.at(a1), QStringList{"colour!! note"});
    }

    // "*.*" takes the drawing, not the backup its save left beside it.
    ASSERT_TRUE(QFileInfo::exists(a1 + ".bak"));
    ASSERT_TRUE(WriteFile(list, (root + "dwg/A1*.*," + tpl + "\r\n").toUtf8()));
    ui.statuses.clear();
    result = qln::DrawingListRun(dxf, state, ui).Run(list, false);
    EXPECT_EQ(result.modified, 1);
    EXPECT_EQ(Log("audit.log").filter("Drawing: ").mid(4), QStringList{"Drawing: " + a1});

    // A list of comments only: the host starts and stops, nothing is changed, err.log stays, empty.
    QMap<QString, QByteArray> before;
    for (const QString& p : {a1, a2, a3, b1}) before[p] = ReadFile(p);
    ASSERT_TRUE(WriteFile(list, "' only comments\r\n\r\n   ' and blanks, with commas\r\n"));
    ui.statuses.clear();
    result = qln::DrawingListRun(dxf, state, ui).Run(list, false);
    EXPECT_EQ(result.modified, 0);
    EXPECT_EQ(ui.statuses, (QStringList{"Modification in process...", "No text modified."}));
    EXPECT_TRUE(LogExists("err.log"));
    EXPECT_TRUE(Log("err.log").isEmpty());
    for (auto it = before.begin(); it != before.end(); ++it) EXPECT_EQ(ReadFile(it.key()), it.value());
}

TEST_F(DxfRunsTest, NoChangePassesUnnoticedWhenTheDiskOrTheLogsFail) {
    const QString a = Dxf("dwg/a.dxf");
    const QString tpl = Template("t.txt", "r,\x1b[31mred\r\n");  // an escape sequence in the new text
    qln::BatchRunInput in;
    in.templatePath = tpl;
    in.drawings = {{root + "dwg", "a.dxf"}};

    // An audit log that cannot be opened for appending: the run does not start.
    ASSERT_TRUE(QDir().mkpath(logs + "audit.log"));
    auto result = qln::BatchRun(dxf, state, ui).Run(in);
    EXPECT_TRUE(result.logRefused);
    EXPECT_TRUE(ui.LastStatus().startsWith("No text modified. Unable to open the log file '" +
                                           QDir::toNativeSeparators(logs + "audit.log") + "' for writing: "))
        << ui.LastStatus().toStdString();
    EXPECT_TRUE(Untouched(a));
    ASSERT_TRUE(QDir(logs + "audit.log").removeRecursively());

    // The disk fills up during the save: the drawing stays as it was, and the logs say so and why.
    {
        testhost::Faults faults;
        faults.ShortWrites(100, "No space left on device");
        result = qln::BatchRun(dxf, state, ui).Run(in);
    }
    EXPECT_EQ(result.modified, 0);
    EXPECT_EQ(Untimed(Log("err.log")),
              QStringList{"<time>  Drawing: " + a + "  Error: Error saving file A.DXF. Cannot save " + QDir::toNativeSeparators(a) +
                          ": writing " + QDir::toNativeSeparators(root + "dwg/.a.dxf.qln-new") + " failed: No space left on device"});
    EXPECT_EQ(Log("audit.log").last(), "Not saved.");
    EXPECT_TRUE(Untouched(a));
    EXPECT_EQ(FolderNames(root + "dwg"), QStringList{"a.dxf"});

    // Saved; the escape from the template is written visibly into audit.log, never raw.
    result = qln::BatchRun(dxf, state, ui).Run(in);
    EXPECT_EQ(result.modified, 1);
    EXPECT_TRUE(result.logFailures.isEmpty());
    EXPECT_EQ(Log("audit.log").last(), "Replaced 'colour note' with '^[[31mred'");
    EXPECT_FALSE(ReadFile(logs + "audit.log").contains('\x1b'));

    // Writes to the audit log that fail later (a full disk) are reported at the end of the run. Windows
    // has no device that is always full.
    if (!QFileInfo::exists("/dev/full")) return;
    ASSERT_TRUE(QFile::remove(logs + "audit.log"));
    ASSERT_TRUE(QFile::link("/dev/full", logs + "audit.log"));
    result = qln::BatchRun(dxf, state, ui).Run(in);
    ASSERT_EQ(result.logFailures.size(), 1);
    EXPECT_EQ(result.logFailures[0], "Writing the log file '" + logs + "audit.log' failed: No space left on device.");
    EXPECT_EQ(ui.messages, QStringList{"Warning||" + result.logFailures[0]});
}

TEST_F(DxfRunsTest, ReportWritesThePageFromTheDrawingAndLeavesItAlone) {
    const QString a = Put("dwg/a.dxf", dxftest::Drawing(dxftest::Text("1A", "<b>Tom & Jerry</b>", "Notes") +
                                                            dxftest::Text("1B", "second", "0", /*paper=*/true) +
                                                            dxftest::Insert("1C", "TB"),
                                                        dxftest::Block("TB", dxftest::Text("1D", "in block"))));
    const QString page = logs + "attr.htm";
    auto result = qln::ReportCommand(dxf, state, ui).Run(root + "dwg", "a.dxf");
    EXPECT_TRUE(result.created);
    EXPECT_EQ(ui.opened, QStringList{page});
    const QString html = QString::fromUtf8(ReadFile(page));
    EXPECT_TRUE(html.contains(" single line text objects in " + a)) << html.toStdString();
    EXPECT_TRUE(html.contains("&lt;b&gt;Tom &amp; Jerry&lt;/b&gt;"));
    EXPECT_FALSE(html.contains("<b>Tom"));
    EXPECT_TRUE(html.contains("second"));
    EXPECT_TRUE(html.contains("in block"));
    EXPECT_TRUE(html.contains("Notes"));
    EXPECT_EQ(ui.statuses.mid(0, 2), (QStringList{"Opening drawings with the DXF host...", "Creating HTML file from A.DXF..."}));
    EXPECT_TRUE(ui.LastStatus().contains(
        QRegularExpression("^HTML file created in \\d{1,3}(,\\d{3})*\\.\\d\\d seconds$")))
        << ui.LastStatus().toStdString();
    EXPECT_EQ(ui.beeps, 0);
    EXPECT_TRUE(Untouched(a));
    EXPECT_EQ(FolderNames(root + "dwg"), QStringList{"a.dxf"});

    // A drawing that is gone, and one that cannot be read.
    const QString broken = Truncated("dwg/broken.dxf");
    ui.statuses.clear();
    result = qln::ReportCommand(dxf, state, ui).Run(root + "dwg", "gone.dxf");
    EXPECT_FALSE(result.created);
    EXPECT_EQ(ui.LastStatus(), "File GONE.DXF not found.");
    result = qln::ReportCommand(dxf, state, ui).Run(root + "dwg", "broken.dxf");
    EXPECT_FALSE(result.created);
    EXPECT_EQ(ui.LastStatus(), "Error opening file.");
    EXPECT_EQ(ui.beeps, 2);
    EXPECT_TRUE(Untouched(broken));
}

TEST_F(DxfRunsTest, SearchRunWithHitsInOneOfThreeDrawingsAndWithNone) {
    const QString x = Dxf("find/x.dxf", {"colour note", "no match", "Colour chart"});
    const QString y = Dxf("find/y.dxf", {"plain"});
    const QString z = Dxf("find/z.dxf", {"other"});
    const QString broken = Truncated("find/broken.dxf");
    qln::SearchCriteria criteria;
    criteria.blocks = "*MODEL_SPACE";
    criteria.phrase = "colour";
    criteria.fileSpec = root + "find/*.dxf";
    auto result = qln::SearchRun(dxf, state, ui).Run(criteria);

    EXPECT_EQ(result.hits, 2);
    EXPECT_EQ(result.files, 1);
    EXPECT_EQ(result.text, "Drawing,Space,Block,Layer,Rotation,Handle,X,Y,Z,Text\r\n" + x +
                               ",Model,*MODEL_SPACE,0,0,1A,1.5,2.5,0,colour note\r\n" + x +
                               ",Model,*MODEL_SPACE,0,0,1C,1.5,2.5,0,Colour chart\r\n");
    EXPECT_EQ(ui.statuses.mid(0, 2), (QStringList{"Opening drawings with the DXF host...", "DXF host ready"}));
    for (const char* name : {"x.dxf", "y.dxf", "z.dxf", "broken.dxf"})
        EXPECT_TRUE(ui.statuses.contains(QStringLiteral("Searching %1...").arg(name))) << name;
    EXPECT_TRUE(ui.LastStatus().contains(QRegularExpression("^2 hits in 1 files in \\d+\\.\\d\\d seconds$")))
        << ui.LastStatus().toStdString();

    criteria.phrase = "nowhere";
    criteria.includePath = false;
    result = qln::SearchRun(dxf, state, ui).Run(criteria);
    EXPECT_EQ(result.hits, 0);
    EXPECT_TRUE(result.text.isEmpty());
    EXPECT_TRUE(ui.LastStatus().contains(QRegularExpression("^0 hits in 0 files in \\d+\\.\\d\\d seconds$")));
    for (const QString& same : {x, y, z, broken}) EXPECT_TRUE(Untouched(same)) << same.toStdString();
    EXPECT_EQ(FolderNames(root + "find"), (QStringList{"broken.dxf", "x.dxf", "y.dxf", "z.dxf"}));
}

// ---- Several drawings at once ---------------------------------------------------------------------------

// Logs that a run wrote, untimed, for comparing two runs.
struct RunLogs {
    QStringList audit, errors;
    bool operator==(const RunLogs&) const = default;
};

// A frontend that asks the run to stop once it has shown `after` drawings' progress.
class StoppingFrontend final : public qln::Frontend {
public:
    StoppingFrontend(std::atomic<bool>& stop, int after) : stop_(stop), after_(after) {}
    void SetStatus(const QString&) override {}
    void MessageBox(Icon, const QString&, const QString&, bool) override {}
    void Beep() override {}
    void SetBusy(bool) override {}
    void ProcessEvents() override {}
    bool OpenWithDefaultProgram(const QString&) override { return false; }
    void Progress(int done, int, const QString&) override {
        if (done >= after_) stop_ = true;
    }

private:
    std::atomic<bool>& stop_;
    int after_;
};

class DxfJobsTest : public DxfRunsTest {
protected:
    // A folder of drawings of every kind: changed, with nothing to change, cut off, not DXF at all,
    // write-protected, and one that is missing.
    QStringList Mixed(const QString& folder) {
        QStringList names;
        for (int i = 0; i < 14; ++i) {
            const QString name = QStringLiteral("d%1.dxf").arg(i, 2, 10, QLatin1Char('0'));
            Dxf(folder + name, i % 3 == 1 ? QStringList{"plain"} : QStringList{"colour note", QStringLiteral("colour %1").arg(i)});
            names << name;
        }
        Truncated(folder + "cut.dxf");
        Put(folder + "junk.dxf", "not a drawing\n");
        const QString locked = Dxf(folder + "locked.dxf");
        QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ReadUser);
        return names << "cut.dxf" << "junk.dxf" << "locked.dxf" << "gone.dxf";
    }
    // Every drawing back as the test wrote it, the backups gone, the logs gone.
    void Restore(const QString& folder) {
        for (const QString& name : FolderNames(root + folder))
            if (name.endsWith(".bak")) QFile::remove(root + folder + name);
        for (const auto& [path, bytes] : written) {
            QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
            WriteFile(path, bytes);
        }
        QFile::setPermissions(root + folder + "locked.dxf", QFileDevice::ReadOwner | QFileDevice::ReadUser);
        QFile::remove(logs + "audit.log");
        QFile::remove(logs + "err.log");
    }
    RunLogs Logs() const { return {Untimed(Log("audit.log")), Untimed(Log("err.log"))}; }
};

TEST_F(DxfJobsTest, LogsAndRowsAreTheSameForAnyNumberOfJobs) {
    const QStringList names = Mixed("dwg/");
    const QString tpl = Template("t.txt", "f,colour,color\r\n");
    Template("bad.txt", "x,nonsense\r\n");
    const QString list = root + "list.dlf";
    WriteFile(list, ("' mixed\r\n" + root + "dwg/d00.dxf," + tpl + "\r\n" + root + "dwg/d01.dxf," + root +
                     "templates/bad.txt\r\n" + root + "dwg/gone.dxf," + tpl + "\r\n" + root + "dwg/*," + tpl +
                     "\r\n" + root + "dwg/locked.dxf," + tpl + "\r\n" + root + "dwg/d00.dxf," + tpl + "\r\n")
                        .toUtf8());

    std::map<int, RunLogs> batch, lists;
    std::map<int, QString> rows;
    for (int jobs : {1, 4}) {
        Restore("dwg/");
        qln::BatchRunInput in;
        in.templatePath = tpl;
        in.jobs = jobs;
        for (const QString& name : names) in.drawings.append({root + "dwg", name});
        const auto result = qln::BatchRun(dxf, state, ui).Run(in);
        EXPECT_EQ(result.modified, 14) << jobs;  // every drawing that opened and closed, changed or not
        EXPECT_TRUE(result.errors);
        batch[jobs] = Logs();

        // The same drawings again, saved ones in between: each worker sees what the one before saved.
        qln::DrawingListRun run(dxf, state, ui);
        run.SetJobs(jobs);
        Restore("dwg/");
        EXPECT_TRUE(run.Run(list, false).errors);
        lists[jobs] = Logs();

        qln::SearchRun search(dxf, state, ui);
        search.SetJobs(jobs);
        qln::SearchCriteria criteria;
        criteria.blocks = "*MODEL_SPACE";
        criteria.phrase = "colo";
        criteria.fileSpec = root + "dwg/*.dxf";
        QString streamed;
        search.SetRowSink([&](const QString& piece) { streamed += piece; });
        const auto found = search.Run(criteria);
        EXPECT_TRUE(found.text.isEmpty());
        EXPECT_EQ(found.hits, 2 * 9 + 1);  // nine drawings with two, and the write-protected one
        rows[jobs] = streamed;
    }
    EXPECT_EQ(batch[1].audit.size(), 2 + 6 * 14 + 2 * 9 + 5 + 2 * 3 + 1) << batch[1].audit.join('\n').toStdString();
    EXPECT_EQ(batch[1].errors.size(), 5 + 4);  // nothing found in five, and the four that failed
    EXPECT_EQ(batch[1], batch[4]);
    EXPECT_GE(lists[1].errors.size(), 2);
    EXPECT_EQ(lists[1], lists[4]);
    EXPECT_TRUE(rows[1].startsWith("Drawing,Space,"));
    EXPECT_EQ(rows[1], rows[4]);
}

TEST_F(DxfJobsTest, AStopWithSeveralJobsFinishesTheDrawingsInProgressAndNoMore) {
    QStringList names;
    for (int i = 0; i < 40; ++i) {
        names << QStringLiteral("d%1.dxf").arg(i, 2, 10, QLatin1Char('0'));
        Dxf("dwg/" + names.last(), {"colour note"});
    }
    const QString tpl = Template("t.txt", "f,colour,color\r\n");
    std::atomic<bool> stop{false};
    StoppingFrontend stopping(stop, 3);
    qln::BatchRunInput in;
    in.templatePath = tpl;
    in.jobs = 4;
    for (const QString& name : names) in.drawings.append({root + "dwg", name});
    qln::BatchRun run(dxf, state, stopping);
    run.SetStopFlag(&stop);
    const auto result = run.Run(in);

    EXPECT_TRUE(result.stopped);
    EXPECT_GE(result.modified, 3);
    EXPECT_LT(result.modified, 40);
    // Each drawing is whole: saved with its change and its backup, or not touched; nothing is left
    // beside them; the audit log names exactly the drawings saved, the first ones of the list.
    int saved = 0;
    for (int i = 0; i < names.size(); ++i) {
        const QString path = root + "dwg/" + names[i];
        if (Untouched(path)) {
            EXPECT_FALSE(QFileInfo::exists(path + ".bak")) << i;
            continue;
        }
        EXPECT_EQ(i, saved) << "saved out of order";
        ++saved;
        EXPECT_TRUE(ReadFile(path).contains("color note")) << i;
        EXPECT_EQ(ReadFile(path + ".bak"), written.at(path)) << i;
    }
    EXPECT_EQ(saved, result.modified);
    for (const QString& name : FolderNames(root + "dwg")) EXPECT_FALSE(name.startsWith('.')) << name.toStdString();
    EXPECT_EQ(Log("audit.log").filter(QRegularExpression("^Drawing: ")).size(), saved);
}

}  // namespace
