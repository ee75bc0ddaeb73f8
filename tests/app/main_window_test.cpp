// The main window: start-up and settings, the selection panes, keys and the window-level commands.

#include "app/pane_widgets.h"
#include "window_fixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QLocale>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QToolButton>

namespace {

using testhost::WindowTest;

using MainWindow = WindowTest;

TEST_F(MainWindow, FirstStartWithAnEmptyStoreShowsTheDefaults) {
    Touch({"program/b.dxf", "program/A.DXF", "program/notes.txt", "program/.hidden.dxf"});
    qln::Form1& w = Open();

    EXPECT_EQ(w.windowTitle(), QStringLiteral("Quillon (QLN)"));
    EXPECT_EQ(w.DrawingFolder(), programFolder);
    EXPECT_EQ(w.TemplateFolder(), programFolder);
    EXPECT_EQ(Child<QComboBox>("Drive1")->currentText(), QStringLiteral("/"));
    EXPECT_EQ(Child<QComboBox>("Drive3")->currentText(), QStringLiteral("/"));
    EXPECT_EQ(Child<QLineEdit>("txtDelimiter")->text(), QStringLiteral(","));
    EXPECT_TRUE(Child<QCheckBox>("chkAudit")->isChecked());
    EXPECT_FALSE(Child<QCheckBox>("chkType")->isChecked());
    EXPECT_FALSE(state.blnMultipleLineText);
    EXPECT_EQ(Child<QLineEdit>("Text5")->text(), QStringLiteral("*.dxf"));
    EXPECT_EQ(state.programFolder, programFolder);
    EXPECT_EQ(state.strLastFolder, programFolder);
    // Drawings match ignoring case and are sorted by name; hidden files stay out.
    EXPECT_EQ(Items(w.DrawingList()), (QStringList{"A.DXF", "b.dxf"}));
    EXPECT_EQ(Items(w.TemplateList()), QStringList{"notes.txt"});
    EXPECT_EQ(Text("Label3"), QStringLiteral("2 files"));
    EXPECT_EQ(Text("Label5"), QStringLiteral("1 files"));
    EXPECT_EQ(w.Status(), QStringLiteral("Welcome to Quillon! Press the F1 key for help."));
    EXPECT_FALSE(Child<QPushButton>("Command15")->isEnabled());
    EXPECT_TRUE(dialogs.asked.isEmpty());
}

TEST_F(MainWindow, SettingsAreWrittenAtExitAndRestored) {
    Touch({"dwg/one.dxf", "dwg/two.dxf", "tpl/t.txt"});
    qln::Form1& w = Open();
    ASSERT_TRUE(w.SetDrawingFolder(Path("dwg")));
    ASSERT_TRUE(w.SetTemplateFolder(Path("tpl")));
    Child<QLineEdit>("txtDelimiter")->setText(QStringLiteral(";"));
    Child<QCheckBox>("chkAudit")->click();
    Child<QCheckBox>("chkType")->click();
    EXPECT_TRUE(state.blnMultipleLineText);
    Child<QLineEdit>("Text5")->setText(QStringLiteral("o*.dxf"));
    EXPECT_EQ(Stored("Dir"), QStringLiteral("<absent>"));

    w.close();
    EXPECT_EQ(Stored("Drive"), QStringLiteral("/"));
    EXPECT_EQ(Stored("Dir"), Path("dwg"));
    EXPECT_EQ(Stored("Drive3"), QStringLiteral("/"));
    EXPECT_EQ(Stored("Dir3"), Path("tpl"));
    EXPECT_EQ(Stored("Delimiter"), QStringLiteral(";"));
    EXPECT_EQ(Stored("Audit"), QStringLiteral("0"));
    EXPECT_EQ(Stored("TextType"), QStringLiteral("1"));
    EXPECT_EQ(Stored("FExt"), QStringLiteral("<absent>"));  // the pattern is not kept

    state.blnMultipleLineText = false;
    qln::Form1& again = Reopen();
    EXPECT_EQ(again.DrawingFolder(), Path("dwg"));
    EXPECT_EQ(again.TemplateFolder(), Path("tpl"));
    EXPECT_EQ(again.Delimiter(), QStringLiteral(";"));
    EXPECT_FALSE(again.AuditEnabled());
    EXPECT_TRUE(Child<QCheckBox>("chkType")->isChecked());
    EXPECT_TRUE(state.blnMultipleLineText);
    EXPECT_EQ(Items(again.DrawingList()), (QStringList{"one.dxf", "two.dxf"}));
    EXPECT_EQ(Items(again.TemplateList()), QStringList{"t.txt"});
}

TEST_F(MainWindow, AStoredPatternIsAppliedLast) {
    Touch({"dwg/a1.dxf", "dwg/b1.dxf"});
    Store("Dir", Path("dwg"));
    Store("FExt", "B*");
    qln::Form1& w = Open();
    EXPECT_EQ(Child<QLineEdit>("Text5")->text(), QStringLiteral("B*"));
    EXPECT_EQ(Items(w.DrawingList()), QStringList{"b1.dxf"});
    // The drawing refresh empties the status line; the welcome text comes after it.
    EXPECT_EQ(w.Status(), qln::Form1::kWelcome);
}

TEST_F(MainWindow, StoredValuesThatCannotBeAppliedAreSkippedSilently) {
    Touch({"tpl/t.txt", "afile.txt"});
    Store("Drive", "/no/such/drive");
    Store("Dir", Path("deleted"));
    Store("Dir3", Path("afile.txt"));  // a file, not a folder
    Store("Audit", "yes");
    Store("TextType", "2");
    Store("Delimiter", "");
    qln::Form1& w = Open();

    // The drive cannot be applied, so the drawing folder stays where it started; the stored template
    // drive (absent: the root) moved the template folder, and the bad "Dir3" left it there.
    EXPECT_EQ(w.DrawingFolder(), programFolder);
    EXPECT_EQ(w.TemplateFolder(), QStringLiteral("/"));
    EXPECT_TRUE(w.AuditEnabled());
    EXPECT_FALSE(Child<QCheckBox>("chkType")->isChecked());
    EXPECT_EQ(w.Delimiter(), QStringLiteral(","));
    EXPECT_TRUE(dialogs.asked.isEmpty());

    Store("Drive", "/");
    qln::Form1& again = Open();
    // With the drive applied, the deleted "Dir" leaves the drawing folder where the drive put it.
    EXPECT_EQ(again.DrawingFolder(), QStringLiteral("/"));
    EXPECT_TRUE(dialogs.asked.isEmpty());
}

TEST_F(MainWindow, CommandLineNamesTheDrawingListToRun) {
    for (const QString& none : {QString(), QStringLiteral("    "), QStringLiteral("  /p  ")}) {
        qln::Form1& w = Open(none);
        QSignalSpy runs(&w, &qln::Form1::drawingListRequested);
        EXPECT_TRUE(w.PendingCommandLinePath().isEmpty()) << none.toStdString();
        EXPECT_EQ(w.Status(), qln::Form1::kWelcome);
        w.StartPendingRun();
        EXPECT_EQ(runs.count(), 0);
    }

    qln::Form1& w = Open(QStringLiteral("  \"/data/my list.dlf\"  "));
    QSignalSpy runs(&w, &qln::Form1::drawingListRequested);
    EXPECT_EQ(w.PendingCommandLinePath(), QStringLiteral("\"/data/my list.dlf\""));  // quotes stay
    EXPECT_TRUE(w.Status().isEmpty());
    w.StartPendingRun();
    EXPECT_EQ(runs.count(), 1);

    EXPECT_EQ(Open(QStringLiteral("/p /data/a.dlf")).PendingCommandLinePath(), QStringLiteral("/p /data/a.dlf"));
}

TEST_F(MainWindow, ModifyButtonNeedsATemplateAndADrawing) {
    Touch({"dwg/a.dxf", "dwg/b.dxf", "dwg2/c.dxf", "tpl/t1.txt", "tpl/t2.txt", "tpl2/t3.txt"});
    Store("Dir", Path("dwg"));
    Store("Dir3", Path("tpl"));
    qln::Form1& w = Open();
    auto* modify = Child<QPushButton>("Command15");

    Click(w.TemplateList(), 0);
    EXPECT_FALSE(modify->isEnabled());
    Click(w.DrawingList(), 1);
    EXPECT_TRUE(modify->isEnabled());
    Click(w.DrawingList(), 1, Qt::ControlModifier);  // unselects it
    EXPECT_TRUE(SelectedRows(w.DrawingList()).isEmpty());
    EXPECT_FALSE(modify->isEnabled());
    Click(w.DrawingList(), 0);
    EXPECT_TRUE(modify->isEnabled());

    // A folder change empties the list: disabled until a drawing is selected again.
    ASSERT_TRUE(w.SetDrawingFolder(Path("dwg2")));
    EXPECT_FALSE(modify->isEnabled());
    Click(w.DrawingList(), 0);
    EXPECT_TRUE(modify->isEnabled());
    ASSERT_TRUE(w.SetTemplateFolder(Path("tpl2")));
    EXPECT_FALSE(modify->isEnabled());
    Click(w.TemplateList(), 0);
    EXPECT_TRUE(modify->isEnabled());

    // While a run goes on no run can be started; afterwards the rule decides again.
    w.SetRunning(true);
    EXPECT_FALSE(modify->isEnabled());
    EXPECT_FALSE(Child<QPushButton>("Command5")->isEnabled());
    EXPECT_FALSE(Child<QToolButton>("cmdOpen")->isEnabled());
    w.SetRunning(false);
    EXPECT_TRUE(modify->isEnabled());
    EXPECT_TRUE(Child<QPushButton>("Command5")->isEnabled());
}

TEST_F(MainWindow, SelectAllAndUnselectAllReportTheWholeList) {
    QStringList names;
    for (int i = 1; i <= 12; ++i) names << QStringLiteral("dwg/d%1.dxf").arg(i, 2, 10, QChar(u'0'));
    Touch(names);
    Touch({"tpl/t.txt"});
    Store("Dir", Path("dwg"));
    Store("Dir3", Path("tpl"));
    qln::Form1& w = Open();
    Click(w.TemplateList(), 0);
    Click(w.DrawingList(), 2);
    Click(w.DrawingList(), 5, Qt::ControlModifier);
    Click(w.DrawingList(), 9, Qt::ControlModifier);
    EXPECT_EQ(Text("Label12"), QStringLiteral("3 sel"));

    Child<QPushButton>("Command13")->click();
    EXPECT_EQ(SelectedRows(w.DrawingList()).size(), 12);
    EXPECT_EQ(Text("Label12"), QStringLiteral("12 sel"));
    EXPECT_EQ(w.Status(), QStringLiteral("12 drawing(s) selected."));
    EXPECT_TRUE(Child<QPushButton>("Command15")->isEnabled());

    Child<QPushButton>("Command14")->click();
    EXPECT_TRUE(SelectedRows(w.DrawingList()).isEmpty());
    EXPECT_EQ(Text("Label12"), QString());
    EXPECT_EQ(w.Status(), QStringLiteral("12 drawing(s) unselected."));
    EXPECT_FALSE(Child<QPushButton>("Command15")->isEnabled());
}

TEST_F(MainWindow, AFolderWithoutDrawingsDisablesTheSelectionButtons) {
    Touch({"dwg/a.dxf", "empty/readme.txt"});
    Store("Dir", Path("dwg"));
    qln::Form1& w = Open();
    EXPECT_TRUE(Child<QPushButton>("Command13")->isEnabled());
    EXPECT_EQ(w.DrawingList()->toolTip(), QStringLiteral(" Double-click on file to view text "));

    ASSERT_TRUE(w.SetDrawingFolder(Path("empty")));
    EXPECT_EQ(w.DrawingList()->count(), 0);
    EXPECT_EQ(Text("Label3"), QString());
    EXPECT_FALSE(Child<QPushButton>("Command13")->isEnabled());
    EXPECT_FALSE(Child<QPushButton>("Command14")->isEnabled());
    EXPECT_EQ(w.DrawingList()->toolTip(), QString());
    EXPECT_EQ(Text("Label5"), QString());  // no templates there
    EXPECT_EQ(w.TemplateList()->toolTip(), QString());
}

TEST_F(MainWindow, ThePatternBoxFiltersAtEachKeystroke) {
    const QString longName = QStringLiteral("a-drawing-with-a-name-much-wider-than-the-list-box-can-show-at-once.dxf");
    Touch({"dwg/A1.dxf", "dwg/a2.DXF", "dwg/B1.dxf", "dwg/.a3.dxf", "dwg/A4.txt", "dwg/" + longName});
    Store("Dir", Path("dwg"));
    qln::Form1& w = Open();
    auto* pattern = Child<QLineEdit>("Text5");
    pattern->clear();
    EXPECT_EQ(w.DrawingList()->count(), 5);  // an empty pattern lists every file but the hidden one

    QStringList seen;
    pattern->setFocus();
    for (QChar c : QStringLiteral("A*.dxf")) {
        QTest::keyClick(pattern, c.toLatin1());
        seen << pattern->text() + u'=' + Items(w.DrawingList()).join(u',');
    }
    EXPECT_EQ(seen, (QStringList{
                        "A=",
                        "A*=" + longName + ",A1.dxf,a2.DXF,A4.txt",
                        "A*.=",
                        "A*.d=",
                        "A*.dx=",
                        "A*.dxf=" + longName + ",A1.dxf,a2.DXF",
                    }));
    EXPECT_EQ(Text("Label3"), QStringLiteral("3 files"));

    // The horizontal scroll range reaches the end of the widest name, and a little beyond.
    auto* list = static_cast<qln::FittedListWidget*>(w.DrawingList());
    const int widest = QFontMetrics(w.font()).horizontalAdvance(longName);
    EXPECT_EQ(list->HorizontalExtent(), widest + 25);
    EXPECT_EQ(list->horizontalScrollBar()->maximum(), widest + 25 - list->viewport()->width());
}

TEST_F(MainWindow, TheDelimiterBoxRefusesBlanksAndIsNeverLeftEmpty) {
    qln::Form1& w = Open();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    auto* delimiter = Child<QLineEdit>("txtDelimiter");
    delimiter->setFocus();
    delimiter->clear();
    QTest::keyClick(delimiter, ';');
    QTest::keyClick(delimiter, Qt::Key_Space);
    EXPECT_EQ(delimiter->text(), QStringLiteral(";"));

    delimiter->clear();
    Child<QLineEdit>("Text5")->setFocus();
    EXPECT_EQ(delimiter->text(), QStringLiteral(","));
}

TEST_F(MainWindow, ClickingTheSameDrawingAgainKeepsTheStatus) {
    Touch({"dwg/a.dxf", "dwg/b.dxf", "dwg/c.dxf", "dwg/d.dxf"});
    testhost::WriteFile(Path("dwg/c.dxf"), QByteArray(1234, 'x'));
    Store("Dir", Path("dwg"));
    qln::Form1& w = Open();
    const QString welcome = w.Status();

    Click(w.DrawingList(), 0);  // the first drawing: the index does not change
    EXPECT_EQ(w.Status(), welcome);
    Click(w.DrawingList(), 2);
    EXPECT_EQ(w.Status(), QString());
    const QFileInfo c(Path("dwg/c.dxf"));
    EXPECT_EQ(Text("Label2"), QLocale().toString(c.lastModified(), QLocale::ShortFormat) + QStringLiteral("  1234"));
    EXPECT_EQ(Text("Label12"), QStringLiteral("1 sel"));

    Child<QPushButton>("Command13")->click();
    Click(w.DrawingList(), 2);  // selects only c again: same index, status stays
    EXPECT_EQ(w.Status(), QStringLiteral("4 drawing(s) selected."));
    Click(w.DrawingList(), 3);
    EXPECT_EQ(w.Status(), QString());

    // Unselecting the clicked drawing empties its date; a file gone since listing keeps the label.
    Click(w.DrawingList(), 3, Qt::ControlModifier);
    EXPECT_EQ(Text("Label2"), QString());
    Click(w.DrawingList(), 2);
    const QString shown = Text("Label2");
    QFile::remove(Path("dwg/a.dxf"));
    Click(w.DrawingList(), 0);
    EXPECT_EQ(Text("Label2"), shown);
}

TEST_F(MainWindow, TemplateLabelsAndDoubleClickOpenTheTemplate) {
    Touch({"tpl/first.txt", "tpl/second.txt"});
    Store("Dir3", Path("tpl"));
    qln::Form1& w = Open();
    EXPECT_EQ(w.TemplateList()->toolTip(), QStringLiteral(" Double-click on file to open in text editor "));
    Click(w.TemplateList(), 1);
    EXPECT_TRUE(Text("Label6").endsWith(QStringLiteral("  6")));
    DoubleClick(w.TemplateList(), 1);
    EXPECT_EQ(desktop.edited, QStringList{Path("tpl/second.txt")});
}

TEST_F(MainWindow, KeysF1AndEscape) {
    qln::Form1& w = Open();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    auto* list = w.DrawingList();
    QTest::keyClick(list, Qt::Key_F1, Qt::ShiftModifier);
    QTest::keyClick(list, Qt::Key_F1, Qt::ControlModifier);
    EXPECT_TRUE(desktop.edited.isEmpty());
    QTest::keyClick(list, Qt::Key_F1);
    EXPECT_EQ(desktop.edited, QStringList{programFolder + QStringLiteral("/faq.fil")});

    // A desktop that cannot open the FAQ file: the user is told where it is.
    desktop.editorOpens = false;
    QTest::keyClick(list, Qt::Key_F1);
    EXPECT_EQ(dialogs.asked, QStringList{"Message|Warning|QLN|No program could be started to show the file. Open it "
                                         "yourself:\n" + programFolder + "/faq.fil"});

    // Esc asks before the window closes.
    dialogs.asked.clear();
    Child<QLineEdit>("txtDelimiter")->setText(QStringLiteral("|"));
    QTest::keyClick(Child<QLineEdit>("Text5"), Qt::Key_Escape);
    EXPECT_EQ(dialogs.asked, QStringList{"Message|Question|QLN|Exit QLN?"});
    EXPECT_TRUE(w.isVisible());
    dialogs.messageAnswers.push_back(qln::Dialogs::Answer::Yes);
    QTest::keyClick(Child<QLineEdit>("Text5"), Qt::Key_Escape);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(Stored("Delimiter"), QStringLiteral("|"));
}

TEST_F(MainWindow, OnASmallScreenTheWindowFitsAndItsPlaceIsRemembered) {
    available = QRect(0, 0, 800, 540);
    qln::Form1& w = Open();
    EXPECT_TRUE(available.contains(w.geometry())) << w.geometry().width() << "x" << w.geometry().height();
    // The status line and Exit stay in the window; the panes scroll.
    for (const char* name : {"Label4", "Command2", "Command4"}) {
        QWidget* child = Child<QWidget>(name);
        EXPECT_TRUE(w.rect().contains(QRect(child->mapTo(&w, QPoint(0, 0)), child->size()))) << name;
    }

    available = QRect(0, 0, 1280, 900);
    w.resize(700, 500);
    w.move(40, 60);
    qln::Form1& again = Reopen();
    EXPECT_EQ(again.size(), QSize(700, 500));
    EXPECT_EQ(again.pos(), QPoint(40, 60));
}

TEST_F(MainWindow, AFolderTypedInThePathBoxMovesThePaneAndIsOfferedAgain) {
    Touch({"dwg/a.dxf", "other/b.dxf"});
    Store("Dir", Path("dwg"));
    qln::Form1& w = Open();
    auto* path = Child<QComboBox>("Path1");
    EXPECT_EQ(path->currentText(), Path("dwg"));

    path->setEditText(Path("nowhere"));
    QTest::keyClick(path->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(w.DrawingFolder(), Path("dwg"));
    EXPECT_EQ(w.Status(), "Folder not found or not readable: " + Path("nowhere"));

    path->setEditText(Path("other"));
    QTest::keyClick(path->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(w.DrawingFolder(), Path("other"));
    EXPECT_EQ(Items(w.DrawingList()), QStringList{"b.dxf"});
    // Both panes offer it among the recent folders, this start and the next.
    EXPECT_EQ(Child<QComboBox>("Path3")->findText(Path("other")), 0);
    qln::Form1& again = Reopen();
    (void)again;
    EXPECT_EQ(Child<QComboBox>("Path1")->findText(Path("other")), 0);
}

TEST_F(MainWindow, ADriveThatCannotBeReadIsReportedAndTheFolderStays) {
    Touch({"dwg/a.dxf"});
    drives << Path("gone");
    Store("Dir", Path("dwg"));
    qln::Form1& w = Open();
    auto* drive = Child<QComboBox>("Drive1");
    ASSERT_EQ(drive->count(), 2);
    const int gone = drive->findText(Path("gone"));
    drive->setCurrentIndex(gone);
    Q_EMIT drive->activated(gone);

    EXPECT_EQ(dialogs.asked, QStringList{"Message|Warning|QLN|Error 76: Path not found"});
    EXPECT_EQ(w.DrawingFolder(), Path("dwg"));
    EXPECT_EQ(Items(w.DrawingList()), QStringList{"a.dxf"});
    EXPECT_EQ(drive->currentText(), QStringLiteral("/"));

    // A drive that can be read moves the folder list to its root.
    QDir().mkpath(Path("gone"));
    Q_EMIT drive->activated(gone);
    EXPECT_EQ(w.DrawingFolder(), Path("gone"));
    EXPECT_EQ(drive->currentText(), Path("gone"));
}

TEST_F(MainWindow, ChoosingAFolderInTheFolderListRefreshesThePane) {
    Touch({"dwg/sub/x.dxf", "dwg/y.dxf"});
    Store("Dir", Path("dwg"));
    qln::Form1& w = Open();
    EXPECT_EQ(Items(w.DrawingList()), QStringList{"y.dxf"});
    auto* dir = Child<qln::FolderView>("Dir1");
    dir->setCurrentIndex(dir->IndexOf(Path("dwg/sub")));
    EXPECT_EQ(w.DrawingFolder(), Path("dwg/sub"));
    EXPECT_EQ(Items(w.DrawingList()), QStringList{"x.dxf"});
}

TEST_F(MainWindow, TheScreenSizeNoticeComesOncePerActivation) {
    auto activate = [this] {
        QEvent on(QEvent::WindowActivate);
        QCoreApplication::sendEvent(window.get(), &on);
    };
    auto deactivate = [this] {
        QEvent off(QEvent::WindowDeactivate);
        QCoreApplication::sendEvent(window.get(), &off);
    };
    const QString notice = QStringLiteral("Message|None|QLN|QLN is best suited for display setting 600 by 800 and greater.");
    // The box takes the activation while it is up and hands it back when it closes.
    dialogs.whileMessageOpen = [&] {
        deactivate();
        QCoreApplication::postEvent(window.get(), new QEvent(QEvent::WindowActivate));
    };

    screen = QSize(1024, 480);  // only one of the two limits undercut
    Open();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    deactivate();
    activate();
    EXPECT_TRUE(dialogs.asked.isEmpty());

    screen = QSize(640, 480);
    Open();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QCoreApplication::processEvents();
    EXPECT_EQ(dialogs.asked, QStringList{notice});
    activate();
    EXPECT_EQ(dialogs.asked, QStringList{notice});
    deactivate();
    activate();
    QCoreApplication::processEvents();
    EXPECT_EQ(dialogs.asked, (QStringList{notice, notice}));
}

TEST_F(MainWindow, ControlsCarryTheirCaptionsAndTips) {
    Open();
    auto caption = [this](const char* name) { return Child<QAbstractButton>(name)->text(); };
    auto tip = [this](const char* name) { return Child<QWidget>(name)->toolTip(); };
    EXPECT_EQ(Child<QGroupBox>("Frame1")->title(), QStringLiteral("1) Select Drawings to Modify"));
    EXPECT_EQ(Child<QGroupBox>("Frame4")->title(), QStringLiteral("2) Select Template File to Use"));
    EXPECT_EQ(Child<QGroupBox>("Frame5")->title(), QStringLiteral("System Messages"));
    EXPECT_EQ(caption("Command15"), QStringLiteral("3) &Modify Text"));
    EXPECT_EQ(caption("Command13"), QStringLiteral("Select All"));
    EXPECT_EQ(caption("Command14"), QStringLiteral("Unselect All"));
    EXPECT_EQ(caption("Command9"), QStringLiteral(".."));
    EXPECT_EQ(caption("Command5"), QStringLiteral("&File"));
    EXPECT_EQ(caption("Command4"), QStringLiteral("&About"));
    EXPECT_EQ(caption("Command2"), QStringLiteral("E&xit"));
    EXPECT_EQ(caption("chkAudit"), QStringLiteral("Update audit log file"));
    EXPECT_EQ(caption("chkType"), QStringLiteral("Multiple Line Text"));
    EXPECT_EQ(Text("Label1"), QStringLiteral("Delimiter"));
    EXPECT_EQ(tip("Command15"), QStringLiteral(" Modify text in selected drawings "));
    EXPECT_EQ(tip("cmdOpen"), QStringLiteral(" Search drawings for specific text  "));
    EXPECT_EQ(tip("Command9"), QStringLiteral("File spec screen"));
    EXPECT_EQ(tip("Drive3"), QStringLiteral(" Select disk drive "));
    EXPECT_EQ(tip("Dir1"), QStringLiteral(" Select directory "));
    EXPECT_EQ(tip("Command14"), QStringLiteral(" Unselect all drawings "));

    // The commands of the later windows and runs are signals.
    QSignalSpy modify(window.get(), &qln::Form1::modifyRequested);
    QSignalSpy list(window.get(), &qln::Form1::drawingListRequested);
    QSignalSpy find(window.get(), &qln::Form1::findTextRequested);
    QSignalSpy fileSpecs(window.get(), &qln::Form1::fileSpecificationsRequested);
    Child<QPushButton>("Command5")->click();
    Child<QToolButton>("cmdOpen")->click();
    Child<QPushButton>("Command9")->click();
    EXPECT_EQ(list.count(), 1);
    EXPECT_EQ(find.count(), 1);
    EXPECT_EQ(fileSpecs.count(), 1);
    EXPECT_EQ(modify.count(), 0);
}

TEST_F(MainWindow, DrawingsDroppedOnTheWindowAreSelectedAndATemplateOnItsPane) {
    Touch({"dwg/a.dxf", "dwg/b.dxf", "dwg/c.dxf", "tpl/one.txt", "tpl/two.txt"});
    qln::Form1& w = Open();
    auto drop = [&w](const QStringList& relative, QWidget* onto) {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& path : relative) urls << QUrl::fromLocalFile(path);
        data.setUrls(urls);
        const QPoint at = onto->mapTo(&w, onto->rect().center());
        // As a drag does it: entering names the target, the drop goes there.
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&w, &enter);
        QDropEvent event(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&w, &event);
    };
    drop({Path("dwg/a.dxf"), Path("dwg/c.dxf")}, Child<QWidget>("List2"));
    EXPECT_EQ(w.DrawingFolder(), Path("dwg"));
    EXPECT_EQ(SelectedRows(w.DrawingList()), (QList<int>{0, 2}));
    EXPECT_EQ(Text("Label12"), QStringLiteral("2 sel"));

    drop({Path("tpl/two.txt")}, Child<QWidget>("List1"));
    EXPECT_EQ(w.TemplateFolder(), Path("tpl"));
    ASSERT_EQ(w.TemplateList()->selectedItems().size(), 1);
    EXPECT_EQ(w.TemplateList()->selectedItems().first()->text(), QStringLiteral("two.txt"));
    EXPECT_TRUE(Child<QPushButton>("Command15")->isEnabled());

    // A folder dropped on the drawings is their folder.
    drop({Path("tpl")}, Child<QWidget>("List2"));
    EXPECT_EQ(w.DrawingFolder(), Path("tpl"));
}

}  // namespace
