// The Find Text window: options and their settings, the search with its status line, abort and close
// during a search, saving and copying the results, the ".." prompt, the field rules, the way in from
// the main window, and a search of real DXF drawings.

#include "host/dxf/dxf_host.h"
#include "support/dxf_test_util.h"
#include "app/search/search_windows.h"
#include "search_window_fixture.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QProgressBar>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QToolButton>

namespace {

using testhost::SearchWindowTest;
using FindWindow = SearchWindowTest;

const QString kHeader = QStringLiteral("Drawing,Space,Block,Layer,Rotation,Handle,X,Y,Z,Text\r\n");

QString Status(const qln::Form5& w) { return w.findChild<QLabel*>(QStringLiteral("lblSearch"))->text(); }

// Run `act` the first time a search reaches the drawing at `index` of its listing (before it is opened).
void AtDrawing(qln::Form5& w, int index, std::function<void()> act) {
    auto* bar = w.findChild<QProgressBar*>(QStringLiteral("prgSearch"));
    auto done = std::make_shared<bool>(false);
    QObject::connect(bar, &QProgressBar::valueChanged, &w, [index, act, done](int value) {
        if (value != index || *done) return;
        *done = true;
        act();
    });
}

TEST_F(FindWindow, ANewWindowShowsTheDefaults) {
    qln::Form5& w = OpenFind();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("QLN - Find Text"));
    auto* space = Find<QComboBox>("cboSpace");
    ASSERT_EQ(space->count(), 3);
    EXPECT_EQ(QStringList({space->itemText(0), space->itemText(1), space->itemText(2)}),
              (QStringList{"Both", "Model", "Paper"}));
    EXPECT_EQ(space->currentText(), QStringLiteral("Both"));
    EXPECT_EQ(Edit("txtBlocks")->text(), QStringLiteral("*"));
    EXPECT_EQ(Edit("txtLayers")->text(), QStringLiteral("*"));
    EXPECT_EQ(Edit("txtSearch")->text(), QStringLiteral("Enter text phrase here"));
    EXPECT_EQ(Edit("txtFolder")->text(), QString());
    EXPECT_EQ(Edit("txtDelimiter")->text(), QStringLiteral(","));
    EXPECT_EQ(Edit("txtDelimiter")->maxLength(), 1);
    for (const char* box : {"chkCase", "chkWhole", "chkTag", "chkCSV", "chkInclude"})
        EXPECT_FALSE(Check(box)->isChecked()) << box;
    EXPECT_TRUE(Check("chkPath")->isChecked());
    EXPECT_TRUE(Button("cmdSearch")->isEnabled());
    EXPECT_FALSE(Button("cmdAbort")->isEnabled());
    EXPECT_EQ(w.SaveFolder(), state.strLastFolder);
}

TEST_F(FindWindow, OptionsAreWrittenAtCloseAndReadAtLoad) {
    // Values that cannot be applied leave their controls as a new window has them.
    Store("Space", "model");
    Store("Case", "x");
    Store("FieldDelimiter", " ");
    Store("Path", "0");
    qln::Form5& first = OpenFind();
    EXPECT_EQ(Find<QComboBox>("cboSpace")->currentText(), QStringLiteral("Both"));
    EXPECT_FALSE(Check("chkCase")->isChecked());
    EXPECT_EQ(Edit("txtDelimiter")->text(), QStringLiteral(","));
    EXPECT_FALSE(Check("chkPath")->isChecked());

    Find<QComboBox>("cboSpace")->setCurrentText(QStringLiteral("Paper"));
    for (const char* box : {"chkCase", "chkWhole", "chkTag", "chkPath", "chkInclude", "chkCSV"}) Check(box)->click();
    Edit("txtDelimiter")->setText(QStringLiteral(";"));
    Edit("txtBlocks")->setText(QStringLiteral("TITLE, FRAME"));
    Edit("txtLayers")->setText(QStringLiteral("NOTES"));
    Edit("txtSearch")->setText(QStringLiteral(" word "));
    Edit("txtFolder")->setText(QStringLiteral("/d/a*.dxf"));
    // Esc anywhere closes the window.
    QTest::keyClick(Find<QPlainTextEdit>("txtResults"), Qt::Key_Escape);
    EXPECT_FALSE(first.isVisible());

    const QStringList keys{"Space", "Case", "Whole", "Tag", "Path", "FieldDelimiter", "Blocks",
                           "Layers", "Search", "Folder", "Include", "CSV", "TextFile"};
    QStringList stored;
    for (const QString& key : keys) stored << key + u'=' + Stored(key);
    EXPECT_EQ(stored, (QStringList{"Space=Paper", "Case=1", "Whole=1", "Tag=1", "Path=1", "FieldDelimiter=;",
                                   "Blocks=TITLE, FRAME", "Layers=NOTES", "Search= word ", "Folder=/d/a*.dxf",
                                   "Include=1", "CSV=1", "TextFile=" + programFolder}));

    ReopenFind();
    const qln::SearchCriteria c = find->Criteria();
    EXPECT_EQ(c.space, QStringLiteral("Paper"));
    EXPECT_TRUE(c.matchCase && c.wholePhrase && c.multipleLineText && c.includePath);
    EXPECT_EQ(c.delimiter, QStringLiteral(";"));
    EXPECT_EQ(c.blocks, QStringLiteral("TITLE, FRAME"));
    EXPECT_EQ(c.layers, QStringLiteral("NOTES"));
    EXPECT_EQ(c.phrase, QStringLiteral(" word "));
    EXPECT_EQ(c.fileSpec, QStringLiteral("/d/a*.dxf"));
    EXPECT_TRUE(Check("chkInclude")->isChecked());
    EXPECT_TRUE(Check("chkCSV")->isChecked());
}

TEST_F(FindWindow, MissingPhraseOrFolderIsRefusedWithTheFocusOnItsBox) {
    qln::Form5& w = OpenFind();
    Criteria(QStringLiteral("   "));
    Button("cmdSearch")->click();
    Edit("txtSearch")->setText(QStringLiteral("note"));
    Edit("txtFolder")->setText(QStringLiteral("  "));
    const QWidget* afterPhrase = w.focusWidget();
    Button("cmdSearch")->click();
    EXPECT_EQ(dialogs.asked, (QStringList{"Message|Warning|QLN|Enter text phrase to search for.",
                                          "Message|Warning|QLN|Enter folder."}));
    EXPECT_EQ(afterPhrase, Edit("txtSearch"));
    EXPECT_EQ(w.focusWidget(), Edit("txtFolder"));
    EXPECT_EQ(host->instances, 0);
    EXPECT_EQ(Status(w), QString());
}

TEST_F(FindWindow, SearchShowsTheRowsOfTheDrawingWithHitsAndItsSummary) {
    Drawing("dwg/a.dxf", "nothing here");
    Drawing("dwg/b.dxf", "colour note");
    Drawing("dwg/c.dxf", "plain");
    Touch({"dwg/notes.txt"});
    qln::Form5& w = OpenFind();
    Criteria(QStringLiteral("colour"));
    QStringList during;
    AtDrawing(w, 1, [&] {
        during << Status(w) << QString::number(Button("cmdSearch")->isEnabled()) +
                                   QString::number(Button("cmdAbort")->isEnabled());
    });
    Button("cmdSearch")->click();

    EXPECT_EQ(during, (QStringList{"Searching b.dxf...", "01"}));
    const QString expected = kHeader + Path("dwg/b.dxf") + ",Model,*MODEL_SPACE,0,0,100,0,0,0,colour note\r\n";
    EXPECT_EQ(w.Results(), expected);
    EXPECT_EQ(Find<QPlainTextEdit>("txtResults")->toPlainText(), QString(expected).replace("\r\n", "\n"));
    EXPECT_TRUE(Status(w).startsWith(QStringLiteral("1 hits in 1 files in "))) << Status(w).toStdString();
    EXPECT_TRUE(Status(w).endsWith(QStringLiteral(" seconds")));
    EXPECT_TRUE(Button("cmdSearch")->isEnabled());
    EXPECT_FALSE(Button("cmdAbort")->isEnabled());
    EXPECT_EQ(host->CallsTo("Open").size(), 3);
    EXPECT_FALSE(host->running);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(FindWindow, NoHitsLeaveNothingToSave) {
    Drawing("dwg/a.dxf", "colour");
    qln::Form5& w = OpenFind();
    Criteria(QStringLiteral("colour"));
    Button("cmdSearch")->click();
    ASSERT_FALSE(w.Results().isEmpty());

    // The next search finds nothing: the earlier results go.
    Edit("txtSearch")->setText(QStringLiteral("absent"));
    Button("cmdSearch")->click();
    EXPECT_TRUE(w.Results().isEmpty());
    EXPECT_TRUE(Find<QPlainTextEdit>("txtResults")->toPlainText().isEmpty());
    EXPECT_TRUE(Status(w).startsWith(QStringLiteral("0 hits in 0 files in ")));
    // Nothing to save: the buttons are disabled, and a save asked for all the same says so.
    EXPECT_FALSE(Button("cmdSave")->isEnabled());
    EXPECT_FALSE(Button("Command1")->isEnabled());
    w.SaveToTextFile();
    w.SaveToClipboard();
    EXPECT_EQ(dialogs.asked, (QStringList{"Message|Warning|QLN|No results to save.",
                                          "Message|Warning|QLN|No results to save."}));
}

TEST_F(FindWindow, ResultsAlsoShowAsASortableTableWhoseRowsGiveTheirHandle) {
    Drawing("dwg/a.dxf", "colour b, with a comma");
    Drawing("dwg/b.dxf", "colour a");
    Drawing("dwg/c.dxf", "colour c");
    available = QRect(0, 0, 800, 540);  // a small screen: the window fits in it
    qln::Form5& w = OpenFind();
    EXPECT_TRUE(available.contains(QRect(w.pos(), w.size()))) << w.width() << "x" << w.height();
    Criteria(QStringLiteral("colour"));
    Button("cmdSearch")->click();
    EXPECT_TRUE(Button("cmdSave")->isEnabled());

    Find<QTabWidget>("tabResults")->setCurrentIndex(1);
    auto* table = Find<QTableView>("tblResults");
    QAbstractItemModel* model = table->model();
    ASSERT_EQ(model->rowCount(), 3);
    ASSERT_EQ(model->columnCount(), 10);
    EXPECT_EQ(model->headerData(9, Qt::Horizontal).toString(), QStringLiteral("Text"));
    EXPECT_EQ(model->index(0, 9).data().toString(), QStringLiteral("colour b, with a comma"));  // quoted in the text
    table->sortByColumn(9, Qt::AscendingOrder);
    QStringList texts;
    for (int row = 0; row < 3; ++row) texts << model->index(row, 9).data().toString();
    EXPECT_EQ(texts, (QStringList{"colour a", "colour b, with a comma", "colour c"}));

    QGuiApplication::clipboard()->clear();
    Q_EMIT table->doubleClicked(model->index(1, 2));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), model->index(1, 5).data().toString());
    EXPECT_FALSE(QGuiApplication::clipboard()->text().isEmpty());
}

TEST_F(FindWindow, AbortStopsBeforeTheNextDrawing) {
    Drawing("dwg/a.dxf", "colour a");
    Drawing("dwg/b.dxf", "colour b");
    Drawing("dwg/c.dxf", "colour c");
    qln::Form5& w = OpenFind();
    Criteria(QStringLiteral("colour"));
    AtDrawing(w, 1, [&] { Button("cmdAbort")->click(); });
    Button("cmdSearch")->click();

    EXPECT_EQ(w.Results(), kHeader + Path("dwg/a.dxf") + ",Model,*MODEL_SPACE,0,0,100,0,0,0,colour a\r\n");
    // b was being opened when Abort came: its search stopped at once; c was never opened.
    EXPECT_EQ(host->CallsTo("Open").size(), 2);
    EXPECT_TRUE(Status(w).startsWith(QStringLiteral("1 hits in 1 files in ")));
    EXPECT_FALSE(state.blnAbortSearch);
    EXPECT_FALSE(Button("cmdAbort")->isEnabled());

    // The next search runs to its end.
    Button("cmdSearch")->click();
    EXPECT_TRUE(Status(w).startsWith(QStringLiteral("3 hits in 3 files in ")));
}

TEST_F(FindWindow, ClosingDuringASearchAbortsItAndThenCloses) {
    Drawing("dwg/a.dxf", "colour a");
    Drawing("dwg/b.dxf", "colour b");
    Drawing("dwg/c.dxf", "colour c");
    qln::Form5& w = OpenFind();
    Criteria(QStringLiteral("colour"));
    bool visibleAfterClose = false;
    AtDrawing(w, 1, [&] {
        w.close();
        visibleAfterClose = w.isVisible();
    });
    Button("cmdSearch")->click();

    EXPECT_TRUE(visibleAfterClose);  // the search winds up first
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(host->CallsTo("Open").size(), 2);
    EXPECT_FALSE(host->running);
    EXPECT_FALSE(state.blnAbortSearch);
    EXPECT_EQ(Stored("Search"), QStringLiteral("colour"));
}

TEST_F(FindWindow, HostThatCannotStartKeepsTheEarlierResults) {
    Drawing("dwg/a.dxf", "colour");
    qln::Form5& w = OpenFind();
    Criteria(QStringLiteral("colour"));
    Button("cmdSearch")->click();
    const QString before = w.Results();
    ASSERT_FALSE(before.isEmpty());
    host->FailAlways("CreateInstance");
    Button("cmdSearch")->click();
    EXPECT_EQ(Status(w), QStringLiteral("Unable to start AutoCAD"));
    EXPECT_EQ(w.Results(), before);
    EXPECT_TRUE(Button("cmdSearch")->isEnabled());
    EXPECT_FALSE(Button("cmdAbort")->isEnabled());
}

TEST_F(FindWindow, SavedFilesWithAndWithoutTheCriteria) {
    Drawing("dwg/b.dxf", "colour; note");
    qln::Form5& w = OpenFind();
    Criteria(QStringLiteral("colour"));
    Check("chkPath")->setChecked(false);
    Button("cmdSearch")->click();
    const QString results = w.Results();
    ASSERT_EQ(results, kHeader + "b.dxf,Model,*MODEL_SPACE,0,0,100,0,0,0,colour; note\r\n");

    // Cancelled: nothing written, the folder kept.
    Button("cmdSave")->click();
    EXPECT_EQ(w.SaveFolder(), state.strLastFolder);

    // The dialog's answer may carry a NUL and blank fill after the path.
    const QString plain = Path("out/results.txt");
    QDir().mkpath(Path("out"));
    dialogs.saveAnswers.push_back(plain + QChar(u'\0') + QStringLiteral("    "));
    Button("cmdSave")->click();
    EXPECT_EQ(testhost::ReadFile(plain), (results + "\r\n").toUtf8());
    EXPECT_EQ(w.SaveFolder(), Path("out/"));

    // CSV with a semicolon and the criteria: the same rows, the criteria block before them.
    Check("chkCSV")->setChecked(true);
    Check("chkInclude")->setChecked(true);
    Edit("txtDelimiter")->setText(QStringLiteral(";"));
    Button("cmdSearch")->click();
    const QString csv = Path("out/r.csv");
    dialogs.saveAnswers.push_back(csv);
    Button("cmdSave")->click();
    const QString saved = QString::fromUtf8(testhost::ReadFile(csv));
    EXPECT_EQ(saved, "*** Search Criteria ***\r\nSpace: Model\r\nBlocks: *MODEL_SPACE\r\nLayers: *\r\n"
                     "Search Text: colour\r\nFolder Spec: " + Path("dwg/*.dxf") + "\r\n"
                     "Match Case: N   Whole Word: N   Multiple Line Text: N   Delimiter: ;\r\n\r\n"
                     "Drawing;Space;Block;Layer;Rotation;Handle;X;Y;Z;Text\r\n"
                     "b.dxf;Model;*MODEL_SPACE;0;0;100;0;0;0;\"colour; note\"\r\n\r\n");

    const QString text = QStringLiteral("Save|Text Files (*.txt)|*.txt|All Files (*.*)|*.*|Save Text File|");
    const QString csvFilter = QStringLiteral("Save|CSV Files (*.csv)|*.csv|All Files (*.*)|*.*|Save Text File|");
    EXPECT_EQ(dialogs.asked, (QStringList{
                                 text + programFolder + "|file.txt",
                                 text + programFolder + "|file.txt",
                                 "Message|Information|QLN|File " + plain + " saved.",
                                 csvFilter + Path("out/") + "|file.csv",
                                 "Message|Information|QLN|File " + csv + " saved.",
                             }));
    w.close();
    EXPECT_EQ(Stored("TextFile"), Path("out/"));
}

TEST_F(FindWindow, ASaveThatFailsIsReportedAsSuch) {
    Drawing("dwg/b.dxf", "colour");
    qln::Form5& w = OpenFind();
    Criteria(QStringLiteral("colour"));
    Button("cmdSearch")->click();
    ASSERT_FALSE(w.Results().isEmpty());
    const QString path = Path("missing-folder/r.txt");
    dialogs.saveAnswers.push_back(path);
    Button("cmdSave")->click();
    EXPECT_EQ(dialogs.asked.last(), "Message|Warning|QLN|File " + path + " could not be saved.");
    EXPECT_FALSE(QFileInfo::exists(path));
}

TEST_F(FindWindow, TheClipboardGetsTheResultsAndTheCriteriaWhenAsked) {
    Drawing("dwg/b.dxf", "colour");
    qln::Form5& w = OpenFind();
    Criteria(QStringLiteral("colour"));
    Button("cmdSearch")->click();
    Button("Command1")->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), w.Results());
    Check("chkInclude")->setChecked(true);
    Button("Command1")->click();
    const QString withCriteria = qln::SearchCriteriaBlock(w.Criteria()) + w.Results();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), withCriteria);
    EXPECT_TRUE(withCriteria.contains(QStringLiteral("Delimiter: ,\r\n\r\nDrawing,")));
    EXPECT_EQ(dialogs.asked, (QStringList{
                                 "Message|Information|QLN|" + QString::number(w.Results().size()) +
                                     " bytes copied to the Clipboard ",
                                 "Message|Information|QLN|" + QString::number(withCriteria.size()) +
                                     " bytes copied to the Clipboard ",
                             }));
}

TEST_F(FindWindow, TheFolderButtonAsksForAFolderThenForAPattern) {
    OpenFind();
    auto* folder = Edit("txtFolder");
    const QString prompt = QStringLiteral(
        "Add File Specification|File Specification\n\nExamples: /home/me/dir1/file???.dxf, /home/me/My Directory/a*.dxf|");

    // Cancelled browser: nothing asked after it.
    Button("Command9")->click();
    dialogs.folderAnswers.push_back(Path("dwg"));
    dialogs.inputAnswers.push_back(QStringLiteral("  ") + Path("dwg/a*.dxf") + QStringLiteral("  "));
    Button("Command9")->click();
    EXPECT_EQ(folder->text(), Path("dwg/a*.dxf"));
    EXPECT_EQ(state.strLastFolder, Path("dwg"));

    // With a folder and pattern in the box the browser starts at its folder; a cancelled prompt empties it.
    dialogs.folderAnswers.push_back(QStringLiteral("/"));
    Button("Command9")->click();
    EXPECT_EQ(folder->text(), QString());
    EXPECT_EQ(state.strLastFolder, QStringLiteral("/"));

    EXPECT_EQ(dialogs.asked, (QStringList{
                                 "Folder|Select a directory where DWG files exist|" + programFolder,
                                 "Folder|Select a directory where DWG files exist|" + programFolder,
                                 "Input|" + prompt + Path("dwg/*.dxf"),
                                 "Folder|Select a directory where DWG files exist|" + Path("dwg/"),
                                 "Input|" + prompt + "/*.dxf",
                             }));
}

TEST_F(FindWindow, BoxesLeftEmptyGetTheirDefaultsAndTheDelimiterTakesNoBlank) {
    qln::Form5& w = OpenFind();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    auto* blocks = Edit("txtBlocks");
    auto* layers = Edit("txtLayers");
    auto* delimiter = Edit("txtDelimiter");
    blocks->setFocus();
    blocks->setText(QStringLiteral("   "));
    layers->setFocus();
    EXPECT_EQ(blocks->text(), QStringLiteral("*"));
    layers->clear();
    delimiter->setFocus();
    EXPECT_EQ(layers->text(), QStringLiteral("*"));

    delimiter->clear();
    QTest::keyClick(delimiter, Qt::Key_Space);
    QTest::keyClick(delimiter, ';');
    QTest::keyClick(delimiter, ':');
    EXPECT_EQ(delimiter->text(), QStringLiteral(";"));
    delimiter->clear();
    blocks->setFocus();
    EXPECT_EQ(delimiter->text(), QStringLiteral(","));
}

TEST_F(FindWindow, TheMainWindowOpensBothSearchWindowsModally) {
    qln::Form1& main = OpenMain();
    qln::ConnectSearchWindows(main);
    Store("Search", "stored phrase");
    QStringList seen;
    auto closeModal = [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) return;
        seen << modal->objectName() + u'|' + modal->windowTitle();
        if (auto* phrase = modal->findChild<QLineEdit*>(QStringLiteral("txtSearch"))) seen << phrase->text();
        modal->close();
    };
    QTimer::singleShot(0, closeModal);
    Child<QToolButton>("cmdOpen")->click();
    QTimer::singleShot(0, closeModal);
    Child<QPushButton>("Command9")->click();
    EXPECT_EQ(seen, (QStringList{"Form5|QLN - Find Text", "stored phrase", "Form4|QLN - File Specifications Screen"}));
}

// The built-in DXF host end to end: three drawings, the phrase in a block of one of them.
TEST_F(FindWindow, SearchesRealDxfDrawings) {
    using dxftest::Pairs;
    hostClass = qln::dxf::MakeDxfHost();
    const QByteArray title = dxftest::Block("TITLE", dxftest::Text("30", "Sheet colour", "NOTES"));
    ASSERT_TRUE(testhost::WriteFile(Path("dwg/a.dxf"), dxftest::Drawing(dxftest::Text("20", "plain"))));
    ASSERT_TRUE(testhost::WriteFile(Path("dwg/b.dxf"), dxftest::Drawing(dxftest::Insert("40", "TITLE"), title)));
    ASSERT_TRUE(testhost::WriteFile(Path("dwg/c.DXF"), dxftest::Drawing(dxftest::Text("21", "colour loose"))));
    const QByteArray before = testhost::ReadFile(Path("dwg/b.dxf"));
    qln::Form5& w = OpenFind();
    Edit("txtSearch")->setText(QStringLiteral("COLOUR"));
    Edit("txtFolder")->setText(Path("dwg/*.dxf"));
    Button("cmdSearch")->click();

    EXPECT_EQ(w.Results(), kHeader + Path("dwg/b.dxf") + ",Model,TITLE,NOTES,0,30,1.5,2.5,0,Sheet colour\r\n");
    EXPECT_TRUE(Status(w).startsWith(QStringLiteral("1 hits in 1 files in "))) << Status(w).toStdString();
    // Searched read-only: the drawing is untouched and no lock or backup stays behind.
    EXPECT_EQ(testhost::ReadFile(Path("dwg/b.dxf")), before);
    EXPECT_EQ(QDir(Path("dwg")).entryList(QDir::Files | QDir::Hidden),
              (QStringList{"a.dxf", "b.dxf", "c.DXF"}));

    // Loose model-space text, with the exact phrase.
    Edit("txtBlocks")->setText(QStringLiteral("*model_space"));
    Edit("txtSearch")->setText(QStringLiteral("colour loose"));
    Check("chkWhole")->setChecked(true);
    Check("chkPath")->setChecked(false);
    Button("cmdSearch")->click();
    EXPECT_EQ(w.Results(), kHeader + "c.DXF,Model,*MODEL_SPACE,0,0,21,1.5,2.5,0,colour loose\r\n");
}

}  // namespace
