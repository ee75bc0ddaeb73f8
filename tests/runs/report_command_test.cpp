// The drawing text report command: its four outcomes.

#include "runs/report_command.h"
#include "run_fixture.h"

using qln::ReportCommand;
using testhost::RunFixture;

namespace {

class ReportCommandTest : public RunFixture {
protected:
    qln::ReportResult Run(const QString& name) { return ReportCommand(host, state, ui).Run(root + "dwg", name); }
};

TEST_F(ReportCommandTest, WritesThePageAndHandsItToTheDesktop) {
    Drawing("dwg/plan.dxf", "a <b> & c");
    const auto result = Run("plan.dxf");
    EXPECT_TRUE(result.created);
    EXPECT_EQ(result.page, logs + "attr.htm");
    EXPECT_EQ(ui.opened, QStringList{logs + "attr.htm"});
    EXPECT_TRUE(ui.LastStatus().startsWith("HTML file created in ")) << ui.LastStatus().toStdString();
    EXPECT_TRUE(ui.LastStatus().endsWith(" seconds"));
    EXPECT_EQ(ui.beeps, 0);
    EXPECT_EQ(ui.statuses.mid(0, 2), (QStringList{"Starting AutoCAD...", "Creating HTML file from PLAN.DXF..."}));
    EXPECT_EQ(ui.transient, ui.statuses.mid(0, 2));
    const QString page = QString::fromUtf8(testhost::ReadFile(logs + "attr.htm"));
    EXPECT_TRUE(page.contains("1 single line text objects in " + root + "dwg/plan.dxf"));
    EXPECT_TRUE(page.contains("a &lt;b&gt; &amp; c"));  // the text is escaped in the page
    // The drawing was opened read-only and closed unsaved.
    EXPECT_EQ(host->CallsTo("Open").value(0), "Open(" + root + "dwg/plan.dxf,ReadOnly=1,Password=)");
    EXPECT_EQ(host->Drawing(root + "dwg/plan.dxf")->saves, 0);
    EXPECT_FALSE(host->running);
}

TEST_F(ReportCommandTest, MissingDrawingIsNamedInUpperCase) {
    const auto result = Run("gone.dxf");
    EXPECT_FALSE(result.created);
    EXPECT_EQ(ui.LastStatus(), "File GONE.DXF not found.");
    EXPECT_EQ(ui.beeps, 1);
    EXPECT_EQ(host->instances, 1);  // started and shut down again
    EXPECT_FALSE(host->running);
}

TEST_F(ReportCommandTest, DrawingTheHostCannotOpen) {
    ASSERT_TRUE(testhost::WriteFile(root + "dwg/bad.dxf", "x"));
    EXPECT_FALSE(Run("bad.dxf").created);
    EXPECT_EQ(ui.LastStatus(), "Error opening file.");
    EXPECT_EQ(ui.beeps, 1);
}

TEST_F(ReportCommandTest, AnOldPageDoesNotPassForANewOne) {
    Drawing("dwg/plan.dxf");
    const QString page = logs + "attr.htm";
    ASSERT_TRUE(testhost::WriteFile(page, "an earlier report"));
    // While the page is built, the earlier one must be gone; then make writing the new one fail by
    // putting a folder where the page should go.
    bool oldPageSeen = false;
    ui.onEvents = [&](int) {
        oldPageSeen |= QFileInfo(page).isFile();
        QDir().mkpath(page);
    };
    const auto result = Run("plan.dxf");
    EXPECT_FALSE(oldPageSeen);
    EXPECT_FALSE(result.created);
    EXPECT_EQ(ui.LastStatus(), "Error creating HTML file.");
    EXPECT_TRUE(ui.opened.isEmpty());
}

TEST_F(ReportCommandTest, HostThatCannotStart) {
    host->FailAlways("CreateInstance");
    EXPECT_FALSE(Run("plan.dxf").hostStarted);
    EXPECT_EQ(ui.LastStatus(), "Unable to start AutoCAD");
    EXPECT_EQ(ui.beeps, 0);
}

}  // namespace
