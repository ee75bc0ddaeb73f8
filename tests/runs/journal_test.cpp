// Previews and run journals on DXF drawings: a preview writes no byte of any drawing and logs what the
// run would; undo puts back exactly what a run replaced, and never a drawing changed since.

#include "runs/batch_run.h"
#include "runs/drawing_list_run.h"
#include "runs/journal.h"
#include "runs/undo_run.h"
#include "run_fixture.h"
#include "support/dxf_test_util.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDirIterator>

#include <gmock/gmock.h>

#include <map>
#include <unistd.h>

using testhost::ReadFile;
using testhost::RunFolderFixture;
using testhost::WriteFile;

namespace {

class JournalTest : public RunFolderFixture {
protected:
    host::ApplicationClassPtr dxf = qln::dxf::MakeDxfHost();

    QString Dxf(const QString& relative, const QByteArray& text) {
        const QString path = root + relative;
        EXPECT_TRUE(WriteFile(path, dxftest::Drawing(dxftest::Text("1A", text))));
        return path;
    }
    // Every file below the drawing folder with the hash of its bytes.
    std::map<QString, QByteArray> Snapshot() const {
        std::map<QString, QByteArray> files;
        QDirIterator it(root + "dwg", QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            files[path] = QCryptographicHash::hash(ReadFile(path), QCryptographicHash::Sha256);
        }
        return files;
    }
    qln::BatchRunResult Modify(const QStringList& names, const QString& tpl, qln::RunSafety safety = {}) {
        qln::BatchRunInput in;
        in.templatePath = tpl;
        in.safety = safety;
        for (const QString& name : names) in.drawings.append({root + "dwg", name});
        return qln::BatchRun(dxf, state, ui).Run(in);
    }
    qln::UndoRunResult Undo(const QString& id = QString()) {
        return qln::UndoRun(state, ui, state.journalFolder).Run(id);
    }
};

TEST_F(JournalTest, APreviewWritesNothingAndLogsWhatTheRunWill) {
    Dxf("dwg/a.dxf", "colour note");
    Dxf("dwg/b.dxf", "plain");
    WriteFile(root + "dwg/broken.dxf", "0\nSECTION\n2\nENTITIES\n0\nTEXT\n1\n");
    const QString tpl = Template("t.txt", "f,colour,color\r\n");
    const auto before = Snapshot();

    QBuffer preview;
    preview.open(QIODevice::WriteOnly);
    qln::RunSafety safety;
    safety.preview = true;
    safety.previewAudit = &preview;
    std::vector<qln::RunSafety::Change> changes;
    safety.changes = &changes;
    const auto result = Modify({"a.dxf", "b.dxf", "broken.dxf"}, tpl, safety);

    EXPECT_EQ(Snapshot(), before);  // no byte, no backup, no lock or temporary file left
    EXPECT_FALSE(LogExists("audit.log"));
    EXPECT_EQ(Untimed(Log("err.log")).size(), 2);  // b: nothing to change; broken: cannot be opened
    EXPECT_EQ(result.record.drawingsChanged, 1);
    EXPECT_EQ(result.record.textsChanged, 1);
    EXPECT_TRUE(result.record.journalId.isEmpty());
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].drawing, root + "dwg/a.dxf");
    EXPECT_EQ(changes[0].change.handle, "1A");
    EXPECT_EQ(changes[0].change.before, "colour note");
    EXPECT_EQ(changes[0].change.after, "color note");
    EXPECT_THAT(ui.statuses.last().toStdString(),
                testing::StartsWith("Preview: text for 1 of 3 file(s) would be modified (1 text(s)) in "));

    // The real run logs the same lines the preview showed after its mark.
    QStringList shown = QString::fromUtf8(preview.data()).split("\r\n");
    shown.removeLast();
    ASSERT_EQ(shown.takeFirst(), "Preview: these changes are not saved.");
    Modify({"a.dxf", "b.dxf", "broken.dxf"}, tpl);
    EXPECT_EQ(Untimed(Log("audit.log")), Untimed(shown));
    EXPECT_NE(Snapshot(), before);

    // A drawing list previewed changes nothing either.
    const auto saved = Snapshot();
    WriteFile(root + "list.dlf", (root + "dwg/*," + tpl + "\r\n").toUtf8());
    qln::DrawingListRun list(dxf, state, ui);
    QBuffer listPreview;
    listPreview.open(QIODevice::WriteOnly);
    safety.previewAudit = &listPreview;
    safety.changes = nullptr;
    list.SetSafety(safety);
    list.Run(root + "list.dlf", false);
    EXPECT_EQ(Snapshot(), saved);
    EXPECT_TRUE(listPreview.data().startsWith("Preview: these changes are not saved.\r\n"));
}

TEST_F(JournalTest, UndoPutsBackWhatTheRunSavedButNeverLaterWork) {
    const QString a = Dxf("dwg/a.dxf", "colour one");
    const QString b = Dxf("dwg/b.dxf", "colour two");
    const QString c = Dxf("dwg/c.dxf", "colour three");
    const QByteArray aBefore = ReadFile(a), bBefore = ReadFile(b);
    const QString tpl = Template("t.txt", "u\r\n");
    const auto run = Modify({"a.dxf", "b.dxf", "c.dxf"}, tpl);
    ASSERT_FALSE(run.record.journalId.isEmpty());
    EXPECT_EQ(run.record.journalDrawings, 3);
    const QByteArray aAfter = ReadFile(a);
    ASSERT_NE(aAfter, aBefore);

    // Someone works on c after the run; a second run of the same second gets an id of its own.
    WriteFile(c, dxftest::Drawing(dxftest::Text("1A", "later work")));
    const QByteArray cLater = ReadFile(c);

    const auto undo = Undo();
    EXPECT_EQ(undo.id, run.record.journalId);
    EXPECT_EQ(undo.restored, 2);
    EXPECT_EQ(undo.refused, 1);
    EXPECT_EQ(ReadFile(a), aBefore);
    EXPECT_EQ(ReadFile(b), bBefore);
    EXPECT_EQ(ReadFile(c), cLater);
    EXPECT_EQ(Untimed(Log("err.log")),
              QStringList{"<time>  Drawing: " + QDir::toNativeSeparators(c) +
                          "  Error: Not restored: changed since run " + run.record.journalId + "."});
    EXPECT_THAT(Log("audit.log").join('\n').toStdString(),
                testing::HasSubstr(("Restored " + QDir::toNativeSeparators(a) + " from run " + run.record.journalId)
                                       .toStdString()));

    // The undo kept a journal of its own: undoing it brings the run's result back.
    ASSERT_FALSE(undo.journalId.isEmpty());
    const auto redo = Undo();
    EXPECT_EQ(redo.id, undo.journalId);
    EXPECT_EQ(redo.restored, 2);
    EXPECT_EQ(ReadFile(a), aAfter);
    EXPECT_EQ(Undo("no-such-run").found, false);

    // Journals past the age limit go; younger ones stay.
    const QString journals = state.journalFolder;
    EXPECT_EQ(qln::PruneJournals(journals, 30, QDateTime::currentDateTime().addDays(29)), 0);
    EXPECT_EQ(qln::ListJournals(journals).size(), 3);
    EXPECT_EQ(qln::PruneJournals(journals, 30, QDateTime::currentDateTime().addDays(31)), 3);
    EXPECT_TRUE(qln::ListJournals(journals).isEmpty());
}

TEST_F(JournalTest, TheJournalOfAKilledRunUndoesTheDrawingsItSaved) {
    // Where a death test runs the test again from its start in a new process (Windows, which cannot
    // fork), that process works in this one's folders.
    if (const QString shared = qEnvironmentVariable("QLN_KILLED_RUN_ROOT"); !shared.isEmpty()) {
        root = shared;
        logs = state.programFolder = state.logFolder = root + "program/";
        state.journalFolder = root + "journals";
    }
    qputenv("QLN_KILLED_RUN_ROOT", root.toUtf8());
    QList<QByteArray> originals;
    QStringList names;
    for (int i = 0; i < 4; ++i) {
        names << QString("d%1.dxf").arg(i);
        originals << ReadFile(Dxf("dwg/" + names.last(), "colour"));
    }
    const QString tpl = Template("t.txt", "u\r\n");
    // The run is killed as soon as its second drawing is saved.
    const QString second = root + "dwg/d1.dxf";
    EXPECT_EXIT(
        {
            ui.onEvents = [&](int) {
                if (ReadFile(second) != originals[1]) _exit(9);
            };
            Modify(names, tpl);
        },
        testing::ExitedWithCode(9), "");
    qunsetenv("QLN_KILLED_RUN_ROOT");
    ASSERT_NE(ReadFile(root + "dwg/d0.dxf"), originals[0]);
    ASSERT_EQ(ReadFile(root + "dwg/d2.dxf"), originals[2]);

    const auto journals = qln::ListJournals(state.journalFolder);
    ASSERT_EQ(journals.size(), 1);
    EXPECT_FALSE(journals[0].finished);
    const auto undo = Undo();
    EXPECT_EQ(undo.restored, 2);
    EXPECT_EQ(undo.refused, 0);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(ReadFile(root + "dwg/" + names[i]), originals[i]) << i;
}

}  // namespace
