// The runs started from the main window, over real DXF drawings: modify, drawing list files (also from
// the command line) and the text report; and the window while a run goes on.

#include "app/preview_dialog.h"
#include "runs/journal.h"
#include "support/test_host.h"
#include "window_fixture.h"

#include <QAction>
#include <QApplication>
#include <QDirIterator>
#include <QTableWidget>
#include <QCheckBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include <functional>

namespace {

using testhost::ReadFile;
using testhost::WriteFile;

// A small AutoCAD 2000 drawing with one single-line text in model space.
QByteArray DxfWithText(const QByteArray& text) {
    QByteArray out;
    auto pair = [&out](int code, const QByteArray& value) {
        out += QByteArray::number(code).rightJustified(3, ' ') + "\r\n" + value + "\r\n";
    };
    for (const auto& [code, value] : std::initializer_list<std::pair<int, QByteArray>>{
             {0, "SECTION"}, {2, "HEADER"}, {9, "$ACADVER"}, {1, "AC1015"}, {9, "$DWGCODEPAGE"}, {3, "ANSI_1252"},
             {0, "ENDSEC"}, {0, "SECTION"}, {2, "ENTITIES"}, {0, "TEXT"}, {5, "2A"}, {100, "AcDbEntity"}, {8, "0"},
             {100, "AcDbText"}, {10, "1.5"}, {20, "2.5"}, {30, "0.0"}, {40, "2.5"}, {1, text}, {100, "AcDbText"},
             {0, "ENDSEC"}, {0, "EOF"}})
        pair(code, value);
    return out;
}

// Every text the status line showed, caught as it is painted: the runs repaint it at each change.
class StatusRecorder final : public QObject {
public:
    explicit StatusRecorder(QLabel* label) : label_(label) { label_->installEventFilter(this); }
    QStringList texts;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == label_ && event->type() == QEvent::Paint && (texts.isEmpty() || texts.last() != label_->text()))
            texts << label_->text();
        return false;
    }

private:
    QLabel* label_;
};

class WindowRuns : public testhost::WindowTest {
protected:
    void Drawing(const QString& relative, const QByteArray& text) {
        ASSERT_TRUE(WriteFile(Path(relative), DxfWithText(text)));
    }
    QString Template(const QString& relative, const QByteArray& commands) {
        EXPECT_TRUE(WriteFile(Path(relative),
                              "*INPUT\r\nSPACE: MODEL\r\nBLOCK: *MODEL_SPACE\r\n*COMMANDS\r\n" + commands));
        return Path(relative);
    }
    // A log of the program folder, its lines without their timestamps.
    QStringList Log(const QString& name) const {
        static const QRegularExpression stamp(QStringLiteral("^\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d [ap]m"));
        QStringList lines = QString::fromUtf8(ReadFile(QDir(programFolder).filePath(name))).split(QStringLiteral("\r\n"));
        if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
        for (QString& line : lines) line.replace(stamp, QStringLiteral("<time>"));
        return lines;
    }
    bool Logged(const QString& name) const { return QFileInfo::exists(QDir(programFolder).filePath(name)); }

    // Calls `fn` from the event processing of the run about to start, at its `turn`-th yield or later.
    void DuringRun(int turn, std::function<void()> fn) {
        QTimer::singleShot(0, window.get(), [this, turn, fn] {
            if (turn <= 1) fn();
            else DuringRun(turn - 1, fn);
        });
    }

    QPushButton* Button(const char* name) const { return Child<QPushButton>(name); }
};

TEST_F(WindowRuns, ModifyAppliesTheTemplateToTheSelectedDrawingsAndClearsTheSelection) {
    Drawing("dwg/a.dxf", "colour one");
    Drawing("dwg/b.dxf", "colour two");
    Drawing("dwg/c.dxf", "colour three");
    Drawing("dwg/d.dxf", "colour four");
    const QString tpl = Template("tpl/t.txt", "f,colour,color\r\n");
    Store("Dir", Path("dwg"));
    Store("Dir3", Path("tpl"));
    qln::Form1& w = Open();
    StatusRecorder status(Child<QLabel>("Label4"));
    Click(w.TemplateList(), 0);
    Click(w.DrawingList(), 0);
    Click(w.DrawingList(), 1, Qt::ControlModifier);
    Click(w.DrawingList(), 2, Qt::ControlModifier);
    QFile::remove(Path("dwg/b.dxf"));  // gone after the list was filled
    ASSERT_TRUE(Button("Command15")->isEnabled());
    Button("Command15")->click();

    EXPECT_TRUE(ReadFile(Path("dwg/a.dxf")).contains("\r\ncolor one\r\n"));
    EXPECT_TRUE(ReadFile(Path("dwg/c.dxf")).contains("\r\ncolor three\r\n"));
    EXPECT_TRUE(ReadFile(Path("dwg/d.dxf")).contains("\r\ncolour four\r\n"));  // not selected
    // What goes on now shows (at most ten times a second), then the summary.
    ASSERT_GE(status.texts.size(), 2) << status.texts.join(u'\n').toStdString();
    EXPECT_EQ(status.texts.first(), QStringLiteral("Modification in process..."));
    EXPECT_TRUE(QRegularExpression("^Text for 2 file\\(s\\) modified in \\d+[.,]\\d\\d second\\(s\\)\\.$")
                    .match(w.Status())
                    .hasMatch())
        << w.Status().toStdString();
    // The window's drawings, template and options reach the run; its logs are in the program folder.
    EXPECT_EQ(Log("audit.log").mid(0, 4), (QStringList{"<time>", "", "Drawing: " + Path("dwg/a.dxf"), "Template: " + tpl}));
    EXPECT_EQ(Log("err.log"),
              QStringList{"<time>  Drawing: " + Path("dwg/b.dxf") + "  Error: File B.DXF not found."});
    // The failure shows beside the summary, with the way to err.log.
    EXPECT_TRUE(w.RunOutcome().contains("1 failed.")) << w.RunOutcome().toStdString();
    Q_EMIT Child<QLabel>("lblOutcome")->linkActivated(QStringLiteral("err.log"));
    EXPECT_EQ(desktop.edited, QStringList{QDir(programFolder).filePath("err.log")});
    // Nothing stays selected, and the modify button waits for a new selection.
    EXPECT_TRUE(SelectedRows(w.DrawingList()).isEmpty());
    EXPECT_EQ(Text("Label12"), QString());
    EXPECT_FALSE(Button("Command15")->isEnabled());
    EXPECT_TRUE(Button("Command5")->isEnabled());
    EXPECT_FALSE(Child<QProgressBar>("prgRun")->isVisible());
    EXPECT_FALSE(w.IsRunning());
}

// Every file under a folder with its bytes.
QMap<QString, QByteArray> FolderBytes(const QString& folder) {
    QMap<QString, QByteArray> files;
    for (QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();) {
        const QString path = it.next();
        files.insert(path, ReadFile(path));
    }
    return files;
}

TEST_F(WindowRuns, PreviewChangesNoFileShowsTheChangesAndModifyGoesOn) {
    Drawing("dwg/a.dxf", "colour one");
    Drawing("dwg/b.dxf", "grey");
    Template("tpl/t.txt", "f,colour,color\r\nd,grey\r\n");
    Store("Dir", Path("dwg"));
    Store("Dir3", Path("tpl"));
    qln::Form1& w = Open();
    Click(w.TemplateList(), 0);
    Click(w.DrawingList(), 0);
    Click(w.DrawingList(), 1, Qt::ControlModifier);
    const QMap<QString, QByteArray> before = FolderBytes(Path("dwg"));

    QStringList rows;
    QString summary;
    bool unchangedWhileShown = false;
    // The Preview window is modal: looked at, then Modify pressed, from the event loop it runs.
    std::function<void()> inspect = [&] {
        auto* dialog = qobject_cast<qln::PreviewDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            QTimer::singleShot(10, inspect);
            return;
        }
        unchangedWhileShown = FolderBytes(Path("dwg")) == before;
        summary = dialog->findChild<QLabel*>("lblSummary")->text();
        QTableWidget* table = dialog->Table();
        table->sortItems(0);
        for (int r = 0; r < table->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < table->columnCount(); ++c) cells << table->item(r, c)->text();
            rows << cells.join(u'|');
        }
        dialog->findChild<QPushButton*>("cmdModify")->click();
    };
    QTimer::singleShot(0, inspect);
    ASSERT_TRUE(Button("cmdPreview")->isEnabled());
    Button("cmdPreview")->click();

    // Nothing was saved (no drawing, no backup, no journal) while the changes were shown.
    EXPECT_TRUE(unchangedWhileShown);
    EXPECT_EQ(rows, (QStringList{"a.dxf|2A|colour one|color one", "b.dxf|2A|grey|" + qln::PreviewDialog::kDeleted}));
    EXPECT_TRUE(summary.startsWith("Preview: text for 2 of 2 file(s) would be modified (2 text(s))")) << summary.toStdString();
    // Modify ran the real run over the same selection.
    EXPECT_TRUE(ReadFile(Path("dwg/a.dxf")).contains("\r\ncolor one\r\n"));
    EXPECT_FALSE(ReadFile(Path("dwg/b.dxf")).contains("grey"));
    EXPECT_TRUE(QRegularExpression("^Text for 2 file\\(s\\) modified").match(w.Status()).hasMatch())
        << w.Status().toStdString();
}

TEST_F(WindowRuns, UndoLastRunAsksNamingTheRunAndRestoresTheDrawings) {
    Drawing("dwg/a.dxf", "colour one");
    const QString tpl = Template("tpl/t.txt", "f,colour,color\r\n");
    Store("Dir", Path("dwg"));
    Store("Dir3", Path("tpl"));
    qln::Form1& w = Open();
    auto* undo = w.findChild<QAction*>("actUndo");
    ASSERT_NE(undo, nullptr);
    undo->trigger();  // no run yet
    ASSERT_EQ(dialogs.asked.size(), 1);
    EXPECT_TRUE(dialogs.asked.first().startsWith("Message|Information|QLN|There is no run to undo"));

    const QByteArray original = ReadFile(Path("dwg/a.dxf"));
    Click(w.TemplateList(), 0);
    Click(w.DrawingList(), 0);
    Button("Command15")->click();
    ASSERT_NE(ReadFile(Path("dwg/a.dxf")), original);
    EXPECT_EQ(w.JournalNote(), QStringLiteral("Journal kept."));
    const QList<qln::JournalInfo> journals = qln::ListJournals(state.journalFolder);
    ASSERT_EQ(journals.size(), 1);

    dialogs.messageAnswers.push_back(qln::Dialogs::Answer::No);
    undo->trigger();
    EXPECT_EQ(dialogs.asked.last(), "Message|Question|QLN|Undo the run " + journals.first().id + "?\n\nTemplate: " + tpl +
                                        "\n1 drawing(s), 1 text(s) changed.\n\nEach drawing goes back to what it was "
                                        "before that run; a drawing changed since is left as it is.");
    EXPECT_NE(ReadFile(Path("dwg/a.dxf")), original);

    dialogs.messageAnswers.push_back(qln::Dialogs::Answer::Yes);
    undo->trigger();
    EXPECT_EQ(ReadFile(Path("dwg/a.dxf")), original);
    EXPECT_TRUE(Log("audit.log").join(u'\n').contains("Restored " + Path("dwg/a.dxf") + " from run " + journals.first().id))
        << Log("audit.log").join(u'\n').toStdString();
    EXPECT_EQ(w.RunOutcome(), QString());
    EXPECT_FALSE(w.IsRunning());

    // Without the journal setting a run keeps none, and says nothing of one.
    w.findChild<QAction*>("actJournal")->setChecked(false);
    EXPECT_EQ(settings->value("Journal/Keep").toString(), QStringLiteral("0"));
    Click(w.TemplateList(), 0);
    Click(w.DrawingList(), 0);
    Button("Command15")->click();
    EXPECT_EQ(w.JournalNote(), QString());
    EXPECT_EQ(qln::ListJournals(state.journalFolder).size(), 2);  // the run and the undo
}

TEST_F(WindowRuns, ATemplateErrorModifiesNothingAndKeepsTheSelection) {
    Drawing("dwg/a.dxf", "colour");
    ASSERT_TRUE(WriteFile(Path("tpl/bad.txt"), "no sections here\r\n"));
    Store("Dir", Path("dwg"));
    Store("Dir3", Path("tpl"));
    qln::Form1& w = Open();
    const QByteArray before = ReadFile(Path("dwg/a.dxf"));
    Click(w.TemplateList(), 0);
    Click(w.DrawingList(), 0);
    Button("Command15")->click();

    EXPECT_EQ(w.Status(), QStringLiteral("No text modified. Template file requires '*INPUT'."));
    EXPECT_EQ(Log("err.log"), QStringList{"<time>  Template: " + Path("tpl/bad.txt") +
                                          "  Error: Template file requires '*INPUT'."});
    EXPECT_EQ(Log("audit.log"), (QStringList{"<time>", ""}));
    EXPECT_EQ(ReadFile(Path("dwg/a.dxf")), before);
    // The user can choose another template and try again.
    EXPECT_EQ(SelectedRows(w.DrawingList()), QList<int>{0});
    EXPECT_EQ(Text("Label12"), QStringLiteral("1 sel"));
    EXPECT_TRUE(Button("Command15")->isEnabled());
}

TEST_F(WindowRuns, ADelimiterTheTemplateDoesNotUseIsAskedAboutFirst) {
    Drawing("dwg/a.dxf", "colour");
    Template("tpl/t.txt", "f,colour,color\r\n");
    Store("Dir", Path("dwg"));
    Store("Dir3", Path("tpl"));
    Store("Delimiter", ";");
    qln::Form1& w = Open();
    const QByteArray before = ReadFile(Path("dwg/a.dxf"));
    Click(w.TemplateList(), 0);
    Click(w.DrawingList(), 0);
    Button("Command15")->click();  // answered No
    EXPECT_EQ(dialogs.asked, QStringList{"Message|Question|QLN|The template's commands are separated by \",\", but the "
                                         "delimiter is \";\": they would change nothing.\n\nRun it anyway?"});
    EXPECT_EQ(ReadFile(Path("dwg/a.dxf")), before);
    EXPECT_FALSE(Logged("audit.log"));
    EXPECT_EQ(SelectedRows(w.DrawingList()), QList<int>{0});
}

TEST_F(WindowRuns, ACommandLineListRunsAtOnceAndEndStopsTheProgramWithoutSavingSettings) {
    Drawing("dwg/a.dxf", "colour one");
    Drawing("dwg/b.dxf", "colour two");
    const QString tpl = Template("tpl/t.txt", "f,colour,color\r\n");
    const QString list = Path("jobs/list.dlf");
    ASSERT_TRUE(WriteFile(list, ("' the first drawing only\r\n" + Path("dwg/a.dxf") + "," + tpl + "\r\n  end  \r\n" +
                                 Path("dwg/b.dxf") + "," + tpl + "\r\n")
                                    .toUtf8()));
    qln::Form1& w = Open(list);
    Child<QCheckBox>("chkType")->click();
    bool indicator = false;
    DuringRun(1, [&] {
        auto* bar = Child<QProgressBar>("prgRun");
        indicator = bar->isVisible() && bar->minimum() == 0 && bar->maximum() == 0;  // no total known
    });
    w.StartPendingRun();

    EXPECT_TRUE(ReadFile(Path("dwg/a.dxf")).contains("\r\ncolor one\r\n"));
    EXPECT_TRUE(ReadFile(Path("dwg/b.dxf")).contains("\r\ncolour two\r\n"));  // after "END": never read
    EXPECT_TRUE(indicator);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(Stored("TextType"), QStringLiteral("<absent>"));
    EXPECT_EQ(Stored("Dir"), QStringLiteral("<absent>"));
    EXPECT_TRUE(Log("audit.log").contains("Drawing: " + Path("dwg/a.dxf")));
    EXPECT_TRUE(dialogs.asked.isEmpty());
}

TEST_F(WindowRuns, AMissingCommandLineFileIsReportedThenTheButtonAsksForAList) {
    Drawing("dwg/a.dxf", "colour");
    const QString tpl = Template("tpl/t.txt", "f,colour,color\r\n");
    const QString list = Path("jobs/list.dlf");
    ASSERT_TRUE(WriteFile(list, (Path("dwg/a.dxf") + "," + tpl + "\r\n").toUtf8()));
    const QString quoted = u'"' + list + u'"';  // quotes are part of the path
    qln::Form1& w = Open(quoted);
    w.StartPendingRun();
    EXPECT_EQ(w.Status(), "Passed file '" + quoted + "' does not exist.");
    EXPECT_TRUE(w.PendingCommandLinePath().isEmpty());
    EXPECT_TRUE(dialogs.asked.isEmpty());
    EXPECT_FALSE(Logged("err.log"));

    // The button now asks for the list file in the program folder; a cancelled dialog does nothing.
    const QString ask = "Open|DLF Files (*.dlf)|*.dlf|All Files (*.*)|*.*|Open Drawing List File|" + programFolder;
    Button("Command5")->click();
    EXPECT_EQ(dialogs.asked, QStringList{ask});
    EXPECT_EQ(w.Status(), "Passed file '" + quoted + "' does not exist.");

    dialogs.openAnswers.push_back(u' ' + list + u' ');
    Button("Command5")->click();
    EXPECT_EQ(dialogs.asked, (QStringList{ask, ask}));
    EXPECT_TRUE(ReadFile(Path("dwg/a.dxf")).contains("\r\ncolor\r\n"));
    EXPECT_TRUE(w.Status().startsWith("Text for 1 file(s) modified in ")) << w.Status().toStdString();
    EXPECT_TRUE(Logged("err.log"));  // kept after a list run, empty
    EXPECT_TRUE(Log("err.log").isEmpty());
    EXPECT_TRUE(w.isVisible());
}

TEST_F(WindowRuns, DoubleClickWritesTheTextReportAndOpensIt) {
    Drawing("dwg/Plan.dxf", "a <b> & c");
    Drawing("dwg/gone.dxf", "x");
    Store("Dir", Path("dwg"));
    qln::Form1& w = Open();
    ASSERT_EQ(Items(w.DrawingList()), (QStringList{"gone.dxf", "Plan.dxf"}));
    const QString page = QDir(programFolder).filePath("attr.htm");
    QStringList during;
    DuringRun(1, [&] {
        during << w.CurrentDrawingName() << w.CurrentDrawingPath()
               << QString::number(Button("Command5")->isEnabled() || Child<QToolButton>("cmdOpen")->isEnabled());
    });
    DoubleClick(w.DrawingList(), 1);

    EXPECT_EQ(during, (QStringList{"Plan.dxf", Path("dwg/Plan.dxf"), "0"}));
    EXPECT_EQ(desktop.urls, QStringList{QUrl::fromLocalFile(page).toString()});
    EXPECT_TRUE(w.Status().startsWith("HTML file created in ")) << w.Status().toStdString();
    EXPECT_TRUE(w.Status().endsWith(" seconds"));
    const QString html = QString::fromUtf8(ReadFile(page));
    EXPECT_TRUE(html.contains("1 single line text objects in " + Path("dwg/Plan.dxf"))) << html.toStdString();
    EXPECT_TRUE(html.contains("a &lt;b&gt; &amp; c"));
    EXPECT_TRUE(w.CurrentDrawingName().isEmpty());
    EXPECT_TRUE(w.CurrentDrawingPath().isEmpty());
    EXPECT_TRUE(Button("Command5")->isEnabled());

    // A desktop that cannot show the page: the status says so and where the page is.
    desktop.urlsOpen = false;
    DoubleClick(w.DrawingList(), 1);
    EXPECT_TRUE(w.Status().endsWith(" seconds, but no program could open it: " + page)) << w.Status().toStdString();
    desktop.urlsOpen = true;
    desktop.urls.clear();
    desktop.urls << QUrl::fromLocalFile(page).toString();

    // "Multiple Line Text" lists the other kind.
    Child<QCheckBox>("chkType")->click();
    DoubleClick(w.DrawingList(), 1);
    EXPECT_TRUE(QString::fromUtf8(ReadFile(page)).contains("0 multiple line text objects in " + Path("dwg/Plan.dxf")));

    // A drawing deleted after the list was filled.
    QFile::remove(Path("dwg/gone.dxf"));
    DoubleClick(w.DrawingList(), 0);
    EXPECT_EQ(w.Status(), QStringLiteral("File GONE.DXF not found."));
    EXPECT_EQ(desktop.urls.size(), 2);
    EXPECT_TRUE(w.CurrentDrawingName().isEmpty());
}

TEST_F(WindowRuns, NoRunStartsWhileAnotherYieldsAndExitAsksThenStopsAfterTheCurrentDrawing) {
    Drawing("dwg/a.dxf", "colour one");
    Drawing("dwg/b.dxf", "colour two");
    Drawing("dwg/c.dxf", "colour three");
    Template("tpl/t.txt", "f,colour,color\r\n");
    Store("Dir", Path("dwg"));
    Store("Dir3", Path("tpl"));
    qln::Form1& w = Open();
    Click(w.TemplateList(), 0);
    Button("Command13")->click();  // all three

    QStringList seen;
    const QString ask = "Message|Question|QLN|A run is in progress. Stop it after the current drawing and exit?";
    DuringRun(1, [&] {
        seen << QStringLiteral("%1%2%3%4%5")
                    .arg(Button("Command15")->isEnabled())
                    .arg(Button("Command5")->isEnabled())
                    .arg(Child<QToolButton>("cmdOpen")->isEnabled())
                    .arg(Child<QWidget>("Frame1")->isEnabled())
                    .arg(Button("cmdStop")->isEnabled());
        // Whatever reaches the window now starts no second run.
        Q_EMIT w.drawingListRequested();
        Q_EMIT w.modifyRequested();
        DoubleClick(w.DrawingList(), 2);
        // Exit asks; "No" lets the run go on.
        Button("Command2")->click();
        seen << QString::number(w.isVisible());
        DuringRun(1, [&] {
            auto* bar = Child<QProgressBar>("prgRun");
            seen << QStringLiteral("%1/%2").arg(bar->isVisible() ? bar->value() : -1).arg(bar->maximum());
            dialogs.messageAnswers.push_back(qln::Dialogs::Answer::Yes);
            Button("Command2")->click();
        });
    });
    Button("Command15")->click();

    EXPECT_EQ(seen, (QStringList{"00001", "1", "0/3"}));
    EXPECT_EQ(dialogs.asked, (QStringList{ask, ask}));
    EXPECT_TRUE(desktop.urls.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(QDir(programFolder).filePath("attr.htm")));
    EXPECT_TRUE(ReadFile(Path("dwg/a.dxf")).contains("\r\ncolor one\r\n"));
    EXPECT_TRUE(ReadFile(Path("dwg/b.dxf")).contains("\r\ncolour two\r\n"));
    EXPECT_TRUE(ReadFile(Path("dwg/c.dxf")).contains("\r\ncolour three\r\n"));
    // The logs and the summary say the run was stopped, and when.
    EXPECT_TRUE(w.Status().endsWith(" Stopped by request after 1 of 3 drawings.")) << w.Status().toStdString();
    EXPECT_EQ(Log("audit.log").last(), QStringLiteral("Stopped by request after 1 of 3 drawings."));
    EXPECT_EQ(Log("err.log"), QStringList{"<time>  Stopped by request after 1 of 3 drawings."});
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(Stored("Dir"), Path("dwg"));  // an ordinary close: settings written
}

TEST_F(WindowRuns, StopEndsTheRunAfterTheCurrentDrawingWithoutRereadingTheFolders) {
    for (const char* name : {"a", "b", "c", "d"}) Drawing(QStringLiteral("dwg/%1.dxf").arg(name), "colour");
    Template("tpl/t.txt", "f,colour,color\r\n");
    Store("Dir", Path("dwg"));
    Store("Dir3", Path("tpl"));
    qln::Form1& w = Open();
    Click(w.TemplateList(), 0);
    Button("Command13")->click();
    const int fills = w.DrawingListFills();
    QStringList seen;
    DuringRun(2, [&] {
        // Every saved drawing leaves temporary and backup files behind: nothing reads the folder again.
        QCoreApplication::processEvents();
        seen << QString::number(w.FolderTreesWatching()) << QString::number(w.DrawingListFills() - fills);
        Button("cmdStop")->click();
        seen << w.Status();
    });
    Button("Command15")->click();

    EXPECT_EQ(seen, (QStringList{"0", "0", "Stopping after the current drawing..."}));
    // The drawing in hand was finished and saved, the next one not touched.
    EXPECT_TRUE(w.Status().endsWith(" Stopped by request after 1 of 4 drawings.")) << w.Status().toStdString();
    EXPECT_TRUE(ReadFile(Path("dwg/a.dxf")).contains("\r\ncolor\r\n"));
    EXPECT_TRUE(ReadFile(Path("dwg/b.dxf")).contains("\r\ncolour\r\n"));
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.FolderTreesWatching());
    EXPECT_FALSE(Button("cmdStop")->isEnabled());
    EXPECT_TRUE(Child<QWidget>("Frame1")->isEnabled());
    EXPECT_EQ(w.DrawingListFills(), fills);  // the same drawings: not read again at the end either
    EXPECT_EQ(QApplication::focusWidget(), w.DrawingList());
    EXPECT_TRUE(w.RunOutcome().isEmpty());
}

TEST_F(WindowRuns, WhenTheHostCannotStartTheWindowSaysSoAndKeepsTheSelection) {
    auto testHost = std::make_shared<testhost::TestHost>();
    hostClass = testHost;
    Touch({"dwg/a.dwg"});
    testHost->AddDrawing(Path("dwg/a.dwg")).AddText("MODEL", "colour");
    Template("tpl/t.txt", "f,colour,color\r\n");
    Store("Dir", Path("dwg"));
    Store("Dir3", Path("tpl"));
    qln::Form1& w = Open();
    ASSERT_EQ(Items(w.DrawingList()), QStringList{"a.dwg"});
    const QString noHost = "Message|Warning|Error opening AutoCAD|Check to make sure AutoCAD 2000 or greater is "
                           "installed on this machine.\n-2145320900 : Injected failure";

    testHost->FailNext("CreateInstance");
    DoubleClick(w.DrawingList(), 0);
    EXPECT_EQ(w.Status(), QStringLiteral("Unable to start AutoCAD"));
    EXPECT_EQ(dialogs.asked, QStringList{noHost});
    EXPECT_EQ(w.CurrentDrawingName(), QStringLiteral("a.dwg"));  // kept: the report never began
    EXPECT_EQ(w.CurrentDrawingPath(), Path("dwg/a.dwg"));

    Click(w.TemplateList(), 0);
    Click(w.DrawingList(), 0);
    testHost->FailNext("CreateInstance");
    Button("Command15")->click();
    EXPECT_EQ(w.Status(), QStringLiteral("Unable to start AutoCAD"));
    EXPECT_EQ(SelectedRows(w.DrawingList()), QList<int>{0});
    EXPECT_TRUE(Button("Command15")->isEnabled());
}

TEST_F(WindowRuns, LogsGoToTheUserDataFolderWhenTheProgramFolderCannotBeWritten) {
    const QByteArray savedDataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", Path("data").toUtf8());
    programFolder = Path("not-there");  // cannot be written
    Drawing("dwg/a.dxf", "colour");
    Store("Dir", Path("dwg"));
    qln::Form1& w = Open();
    const QString logs = state.LogFolder();
    EXPECT_TRUE(logs.startsWith(Path("data") + u'/')) << logs.toStdString();
    EXPECT_EQ(w.Status(), qln::Form1::kWelcome + " Logs and reports go to " + logs + ".");

    DoubleClick(w.DrawingList(), 0);
    EXPECT_TRUE(QFileInfo(QDir(logs).filePath("attr.htm")).isFile());
    EXPECT_EQ(desktop.urls, QStringList{QUrl::fromLocalFile(QDir(logs).filePath("attr.htm")).toString()});
    if (savedDataHome.isNull()) qunsetenv("XDG_DATA_HOME");
    else qputenv("XDG_DATA_HOME", savedDataHome);
}

}  // namespace
