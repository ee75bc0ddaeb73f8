// The File Specifications window: the stored list, Add with its repeated prompt, Delete, Edit, and
// Select handing an entry to the main window's drawing pane.

#include "search_window_fixture.h"

#include <QLabel>
#include <QListWidget>

namespace {

using testhost::SearchWindowTest;

class FileSpecs : public SearchWindowTest {
protected:
    void StoreSpecs(const QStringList& specs, int from = 0) {
        for (int i = 0; i < specs.size(); ++i) settings->setValue("FSpec/Dir" + QString::number(from + i), specs[i]);
        settings->sync();
    }
    QListWidget* List() const { return Find<QListWidget>("List1"); }
    QString Total() const { return Find<QLabel>("Label1")->text(); }
    QString ButtonStates() const {
        QString s;
        for (const char* b : {"Command2", "Command3", "Command5"}) s += Button(b)->isEnabled() ? u'1' : u'0';
        return s;
    }
    const QString prompt = QStringLiteral("Input|Add File Specification|File Specification\n\n"
                                          "Examples: /home/me/dir1/file???.dxf, /home/me/My Directory/a*.dxf|");
};

TEST_F(FileSpecs, AnEmptyStoreShowsAnEmptyListAndAnEmptyTotal) {
    qln::Form4& w = OpenSpecs();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("QLN - File Specifications Screen"));
    EXPECT_EQ(List()->count(), 0);
    EXPECT_EQ(Total(), QStringLiteral("Total:"));
    EXPECT_EQ(List()->toolTip(), QString());
    EXPECT_EQ(ButtonStates(), QStringLiteral("000"));
    Button("Command4")->click();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(StoredSpec(0), QStringLiteral("<absent>"));
}

TEST_F(FileSpecs, LoadingStopsAtTheFirstGapAndAChangedListIsRewrittenFromDir0) {
    StoreSpecs({"/d/a*.dxf", "/d/b*.dxf"});
    StoreSpecs({"/d/later.dxf"}, 3);
    qln::Form4& w = OpenSpecs();
    EXPECT_EQ(w.Items(), (QStringList{"/d/a*.dxf", "/d/b*.dxf"}));
    EXPECT_EQ(Total(), QStringLiteral("Total: 2"));
    EXPECT_EQ(List()->toolTip(), QStringLiteral(" Double-click on file spec to use "));
    // Clicking an item enables its buttons.
    Click(List(), 1);
    EXPECT_EQ(ButtonStates(), QStringLiteral("111"));

    // Unchanged: the store is not rewritten (Dir3 stays).
    QTest::keyClick(List(), Qt::Key_Escape);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(StoredSpec(3), QStringLiteral("/d/later.dxf"));

    // Edited: exactly the listed items from Dir0 on.
    qln::Form4& again = OpenSpecs();
    Click(List(), 0);
    dialogs.inputAnswers.push_back(QStringLiteral("  /e/x*.dxf  "));
    Button("Command3")->click();
    // An empty answer changes nothing.
    dialogs.inputAnswers.push_back(QStringLiteral("   "));
    Button("Command3")->click();
    EXPECT_EQ(again.Items(), (QStringList{"/e/x*.dxf", "/d/b*.dxf"}));
    EXPECT_EQ(dialogs.asked, (QStringList{"Input|Edit File Specification|File Specification|/d/a*.dxf",
                                          "Input|Edit File Specification|File Specification|/e/x*.dxf"}));
    again.close();
    EXPECT_EQ(QStringList({StoredSpec(0), StoredSpec(1), StoredSpec(2), StoredSpec(3)}),
              (QStringList{"/e/x*.dxf", "/d/b*.dxf", "<absent>", "<absent>"}));
}

TEST_F(FileSpecs, AddAsksAgainUntilCancelledAndSkipsDuplicatesIgnoringCase) {
    StoreSpecs({"/d/A*.DXF"});
    qln::Form4& w = OpenSpecs();
    // A cancelled browser asks nothing more.
    Button("Command1")->click();
    EXPECT_EQ(dialogs.asked, QStringList{"Folder|Select a directory where DWG files exist|" + programFolder});

    dialogs.asked.clear();
    dialogs.folderAnswers.push_back(Path("dwg"));
    dialogs.inputAnswers = {QStringLiteral("/d/a*.dxf"), QStringLiteral(" /d/b*.dxf "), QStringLiteral("/D/B*.dxf"),
                            QStringLiteral("/d/c?.dxf"), QStringLiteral("  ")};
    Button("Command1")->click();
    EXPECT_EQ(w.Items(), (QStringList{"/d/A*.DXF", "/d/b*.dxf", "/d/c?.dxf"}));
    EXPECT_EQ(Total(), QStringLiteral("Total: 3"));
    EXPECT_EQ(state.strLastFolder, Path("dwg"));
    const QString ask = prompt + Path("dwg/*.dxf");
    EXPECT_EQ(dialogs.asked, (QStringList{"Folder|Select a directory where DWG files exist|" + programFolder, ask, ask,
                                          ask, ask, ask}));
    // The next Add starts where this one chose.
    Button("Command1")->click();
    EXPECT_EQ(dialogs.asked.last(), "Folder|Select a directory where DWG files exist|" + Path("dwg"));
    w.close();
    EXPECT_EQ(StoredSpec(2), QStringLiteral("/d/c?.dxf"));
}

TEST_F(FileSpecs, DeletingTheLastItemLeavesTheTotalEmpty) {
    StoreSpecs({"/d/a*.dxf", "/d/b*.dxf"});
    qln::Form4& w = OpenSpecs();
    Click(List(), 0);
    dialogs.messageAnswers = {qln::Dialogs::Answer::No, qln::Dialogs::Answer::Yes, qln::Dialogs::Answer::Yes};
    Button("Command2")->click();
    EXPECT_EQ(w.Items(), (QStringList{"/d/a*.dxf", "/d/b*.dxf"}));
    Button("Command2")->click();
    EXPECT_EQ(w.Items(), QStringList{"/d/b*.dxf"});
    EXPECT_EQ(Total(), QStringLiteral("Total: 1"));
    Click(List(), 0);
    Button("Command2")->click();
    EXPECT_EQ(w.Items(), QStringList());
    EXPECT_EQ(Total(), QString());
    EXPECT_EQ(List()->toolTip(), QString());
    EXPECT_EQ(ButtonStates(), QStringLiteral("000"));
    EXPECT_EQ(dialogs.asked.size(), 3);
    EXPECT_EQ(dialogs.asked.first(),
              QStringLiteral("Message|Question|Delete File Specification|"
                             "Are you sure you want to delete the selected file specification?"));
    w.close();
    EXPECT_EQ(StoredSpec(0), QStringLiteral("<absent>"));
}

TEST_F(FileSpecs, SelectHandsDriveFolderAndPatternToTheMainWindow) {
    Touch({"dwg/a1.dxf", "dwg/a2.dxf", "dwg/b.dxf", "program/x.dxf"});
    StoreSpecs({Path("dwg/a*.dxf"), QStringLiteral("b*.dxf"), QStringLiteral("C:\\My Directory\\a*.dwg")});
    qln::Form1& main = OpenMain();
    ASSERT_EQ(main.DrawingFolder(), programFolder);

    qln::Form4& w = OpenSpecs();
    Click(List(), 0);
    Button("Command5")->click();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(Child<QComboBox>("Drive1")->currentText(), QStringLiteral("/"));
    EXPECT_EQ(main.DrawingFolder(), Path("dwg"));
    EXPECT_EQ(Child<QLineEdit>("Text5")->text(), QStringLiteral("a*.dxf"));
    EXPECT_EQ(Items(main.DrawingList()), (QStringList{"a1.dxf", "a2.dxf"}));

    // Without a folder from the root, only the pattern changes; a double-click selects as well.
    OpenSpecs();
    DoubleClick(List(), 1);
    EXPECT_FALSE(specs->isVisible());
    EXPECT_EQ(main.DrawingFolder(), Path("dwg"));
    EXPECT_EQ(Child<QLineEdit>("Text5")->text(), QStringLiteral("b*.dxf"));
    EXPECT_EQ(Items(main.DrawingList()), QStringList{"b.dxf"});

#ifndef Q_OS_WIN
    // A Windows path names no drive here: the whole text becomes the pattern.
    OpenSpecs();
    Click(List(), 2);
    Button("Command5")->click();
    EXPECT_EQ(main.DrawingFolder(), Path("dwg"));
    EXPECT_EQ(Child<QLineEdit>("Text5")->text(), QStringLiteral("C:\\My Directory\\a*.dwg"));
#endif
    EXPECT_TRUE(dialogs.asked.isEmpty());
}

}  // namespace
