// The AutoCAD host adaptor over an in-memory object model that behaves like AutoCAD: the runs end to end
// through it, what AutoCAD refuses, and starting up (which host is chosen, a running instance).

#include "fake_autocad.h"

#include "host/cautocad.h"
#include "host/com/com_host.h"
#include "host/hosts.h"
#include "runs/batch_run.h"
#include "runs/report_command.h"
#include "runs/search_run.h"
#include "runs/run_fixture.h"

#include <QFileInfo>

namespace {

using testhost::RunFolderFixture;

class AutoCadHostTest : public RunFolderFixture {
protected:
    std::shared_ptr<fakeacad::Server> server = std::make_shared<fakeacad::Server>();
    host::ApplicationClassPtr acad = qln::acad::MakeAutoCadHost(server);

    // A drawing file (the runs look for it) and its twin in AutoCAD, which names it with the system's
    // separators.
    fakeacad::Drawing& Dwg(const QString& relative) {
        const QString path = root + relative;
        EXPECT_TRUE(testhost::WriteFile(path, "AC1015"));
        return server->drawings[U(path)];
    }
    static std::u16string U(const QString& path) { return QDir::toNativeSeparators(path).toStdU16String(); }
};

TEST_F(AutoCadHostTest, ModifySearchAndReportThroughTheAdaptor) {
    fakeacad::Drawing& plan = Dwg("dwg/plan.dwg");
    auto note = plan.Add(u"TEXT", u"colour note \u00e9\u4e2d", u"1A");
    note->layer = u"NOTES";
    note->point = {1.5, 2.0, 0.0};
    note->rotation = 0.5;
    plan.Add(u"TEXT", u"paper colour", u"2B", /*paper=*/true);
    plan.Add(u"LINE", u"", u"4D");
    auto title = plan.Add(u"INSERT", u"", u"5E");
    title->block = u"TITLE";
    plan.AddToBlock(u"TITLE", u"TEXT", u"colour title", u"3C");
    auto rev = std::make_shared<fakeacad::Entity>(fakeacad::Entity{u"ATTRIB", u"a", u"6F"});
    rev->tag = u"REV";
    title->attributes.push_back(rev);

    // Modify: loose model-space text, saved as AutoCAD 2004 under its own name.
    const QString tpl = Template("t.txt", "f,colour,color\r\n", "SPACE: MODEL\r\nBLOCK: *MODEL_SPACE\r\nVERSION: 2004\r\n");
    qln::BatchRunInput input{tpl, {{root + "dwg", "plan.dwg"}}};
    const auto modified = qln::BatchRun(acad, state, ui).Run(input);
    EXPECT_TRUE(modified.hostStarted);
    EXPECT_EQ(modified.modified, 1);
    EXPECT_FALSE(modified.errors);
    EXPECT_EQ(note->text, u"color note \u00e9\u4e2d");
    EXPECT_EQ(plan.entities[1]->text, u"paper colour");       // paper space was not asked for
    EXPECT_EQ(plan.blocks[u"TITLE"][0]->text, u"colour title");  // nor blocks
    EXPECT_EQ(plan.savedFormats, std::vector<int>{24});
    const QString path = root + "dwg/plan.dwg";
    for (const std::u16string& call : std::vector<std::u16string>{u"WindowState=2", u"Visible=false", u"OpenSave.XrefDemandLoad=1", u"System.EnableStartupDialog=false",
          u"System.ShowWarningMessages=false", u"Open(" + U(path) + u",ReadOnly=false,Password=)",
          u"SaveAs(" + U(path) + u",24)", u"Close(false)", u"Quit"})
        EXPECT_TRUE(server->Called(call)) << QString::fromStdU16String(call).toStdString();
    EXPECT_TRUE(Log("audit.log").contains(
        QString::fromUtf16(u"Found 'colour' in 'colour note \u00e9\u4e2d' and replaced with 'color'")));

    // The attribute values of the block references a block pass visits.
    const QString attrTpl = Template("a.txt", "f,a,A\r\n", "SPACE: MODEL\r\nBLOCK: TITLE\r\nATTRIBUTES: REV\r\n");
    qln::BatchRunInput attrInput{attrTpl, {{root + "dwg", "plan.dwg"}}};
    EXPECT_EQ(qln::BatchRun(acad, state, ui).Run(attrInput).modified, 1);
    EXPECT_EQ(rev->text, u"A");
    EXPECT_TRUE(Log("audit.log").join('\n').contains("(Handle: 6F, Tag: REV)")) << Log("audit.log").join('\n').toStdString();
    plan.savedFormats.clear();

    // Search: the text inside the block referenced from model space, opened read-only, never saved.
    server->calls.clear();
    qln::SearchCriteria criteria;
    criteria.phrase = "colour";
    criteria.fileSpec = root + "dwg/*.dwg";
    criteria.space = "Model";
    criteria.blocks = "TITLE";
    ui.statuses.clear();
    const auto found = qln::SearchRun(acad, state, ui).Run(criteria);
    EXPECT_EQ(found.hits, 1);
    EXPECT_TRUE(found.text.endsWith(path + ",Model,TITLE,0,0,3C,0,0,0,colour title\r\n")) << found.text.toStdString();
    EXPECT_EQ(ui.statuses.mid(0, 2), (QStringList{"Starting AutoCAD...", "AutoCAD instantiated"}));
    EXPECT_TRUE(server->Called(u"Open(" + U(path) + u",ReadOnly=true,Password=)"));
    EXPECT_TRUE(server->Called(u"Close(false)"));
    EXPECT_TRUE(plan.savedFormats.empty());

    // Report: every single-line text with its handle, layer, point and rotation.
    const auto report = qln::ReportCommand(acad, state, ui).Run(root + "dwg", "plan.dwg");
    ASSERT_TRUE(report.created);
    const QString page = QString::fromUtf8(testhost::ReadFile(report.page));
    for (const QString& part : {QString("3 single line text objects in " + path), QString("1A"), QString("NOTES"),
                                QString("1.5"), QString::fromUtf16(u"color note \u00e9\u4e2d"), QString("colour title")})
        EXPECT_TRUE(page.contains(part)) << part.toStdString();
    EXPECT_FALSE(server->running);
}

// What AutoCAD refuses reaches the session as the same host error, number and description.
TEST_F(AutoCadHostTest, RefusalsOfTheHostAreHostErrors) {
    fakeacad::Drawing& dwg = Dwg("a.dwg");
    auto text = dwg.Add(u"TEXT", u"x", u"1");
    auto app = acad->CreateInstance();
    ASSERT_TRUE(app && *app);
    auto docs = (*app)->Documents();
    ASSERT_TRUE(docs);
    // AutoCAD, a program of its own, is handed the full path of a drawing named from this folder.
    const QString here = QDir::currentPath();
    QDir::setCurrent(root);
    auto doc = (*docs)->Open("a.dwg", false, QString());
    QDir::setCurrent(here);
    ASSERT_TRUE(doc) << doc.error().description.toStdString();
    EXPECT_TRUE(server->Called(u"Open(" + U(root + "a.dwg") + u",ReadOnly=false,Password=)"));

    auto sets = (*doc)->SelectionSets();
    ASSERT_TRUE(sets);
    ASSERT_TRUE((*sets)->Add("S"));
    const auto again = (*sets)->Add("S");
    ASSERT_FALSE(again);
    EXPECT_EQ(again.error().number, fakeacad::kDuplicateName);
    EXPECT_EQ(again.error().description, "Duplicate record name");

    const auto block = (*doc)->Blocks("NOPE");
    ASSERT_FALSE(block);
    EXPECT_EQ(block.error().number, fakeacad::kKeyNotFound);

    auto set = (*sets)->Add("T");
    ASSERT_TRUE((*set)->Select(host::kSelectAll, {0}, {QString("TEXT")}));
    auto items = (*set)->Items();
    ASSERT_TRUE(items && items->size() == 1u);
    const host::EntityPtr entity = (*items)[0];
    ASSERT_TRUE(entity->Delete());
    EXPECT_TRUE(text->deleted);
    EXPECT_EQ(entity->TextString().error().number, fakeacad::kObjectErased);
    EXPECT_EQ(entity->SetTextString("y").error().number, fakeacad::kObjectErased);
    EXPECT_EQ(entity->Delete().error().number, fakeacad::kObjectErased);
    EXPECT_EQ((*set)->Items()->size(), 0u);

    // Another document open in the same AutoCAD is closed, unsaved, when the session ends.
    EXPECT_EQ(*(*docs)->Count(), 1);
    auto missing = (*docs)->Open(root + "b.dwg");
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().description, "Error opening drawing");
    qln::cAutoCAD session(acad, state, ui);
    session.objAcad = *app;
    session.CloseAutoCAD();
    EXPECT_EQ(*(*docs)->Count(), 0);
    EXPECT_TRUE(server->Called(u"Close(false)"));
    EXPECT_EQ(dwg.savedFormats.size(), 0u);
}

TEST_F(AutoCadHostTest, StartingUp) {
    // Nothing registered: the DXF host by default; AutoCAD asked for fails, saying why.
    server->registered = false;
    auto chosen = qln::ChooseHost(std::nullopt, server);
    ASSERT_TRUE(chosen);
    EXPECT_EQ((*chosen)->DrawingExtension(), ".dxf");
    chosen = qln::ChooseHost(qln::HostKind::kAutoCad, server);
    ASSERT_FALSE(chosen);
    EXPECT_EQ(chosen.error().number, qln::kHostUnavailable);
    EXPECT_TRUE(chosen.error().description.contains("not installed")) << chosen.error().description.toStdString();
    // No automation at all (every system but Windows).
    chosen = qln::ChooseHost(qln::HostKind::kAutoCad, nullptr);
    ASSERT_FALSE(chosen);
    EXPECT_TRUE(chosen.error().description.contains("only on Windows"));
    EXPECT_EQ(qln::ChooseHost(std::nullopt, nullptr).ok(), true);

    // Registered: AutoCAD by default, with its drawings and words.
    server->registered = true;
    chosen = qln::ChooseHost(std::nullopt, server);
    ASSERT_TRUE(chosen);
    EXPECT_EQ((*chosen)->DrawingExtension(), ".dwg");
    EXPECT_EQ((*chosen)->StartStatus(host::StartStep::kStarting), "Starting AutoCAD...");
    EXPECT_EQ(qln::ChooseHost(qln::HostKind::kDxf, server).value()->DrawingExtension(), ".dxf");

    // None running is no error; a running one is attached, not started.
    qln::cAutoCAD session(*chosen, state, ui);
    EXPECT_FALSE(session.IsAcadUp());
    EXPECT_FALSE(session.HasPendingError());
    server->running = true;
    EXPECT_TRUE(session.IsAcadUp());
    EXPECT_TRUE(session.objAcad);
    EXPECT_EQ(server->instances, 0);

    // AutoCAD that cannot be started: the session's message names the server's error.
    server->createFails = true;
    EXPECT_EQ(session.OpenAutoCAD(), -1);
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_TRUE(ui.messages[0].endsWith("-2147467259 : Unspecified error")) << ui.messages[0].toStdString();
}

}  // namespace
