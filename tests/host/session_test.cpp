// The session's life cycle against the in-memory host: result codes, the three open attempts, the save
// version table, and shutting the host down.

#include "host/cautocad.h"
#include "support/recording_frontend.h"
#include "support/test_host.h"

#include <gtest/gtest.h>

using qln::cAutoCAD;
using testhost::RecordingFrontend;
using testhost::TestHost;

namespace {

class SessionTest : public ::testing::Test {
protected:
    std::shared_ptr<TestHost> host = std::make_shared<TestHost>();
    qln::ProgramState state;
    RecordingFrontend ui;
    cAutoCAD session{host, state, ui};

    void SetUp() override { host->AddDrawing(QStringLiteral("/dwg/a.dwg")); }
};

TEST_F(SessionTest, StartsTheHostHiddenAndMinimised) {
    EXPECT_EQ(session.OpenAutoCAD(), 1);
    EXPECT_TRUE(session.objAcad);
    EXPECT_EQ(host->calls.mid(0, 6),
              (QStringList{"CreateInstance", "WindowState=2", "Visible=0", "XrefDemandLoad=1",
                           "EnableStartupDialog=0", "ShowWarningMessages=0"}));
    EXPECT_TRUE(ui.messages.isEmpty());
}

TEST_F(SessionTest, ConfigurationFailuresAreIgnored) {
    host->FailAlways("Visible");
    host->FailAlways("Preferences");
    EXPECT_EQ(session.OpenAutoCAD(), 1);
    EXPECT_FALSE(session.HasPendingError());
}

TEST_F(SessionTest, HostThatCannotBeCreatedShowsTheMessageAndLeavesNoHost) {
    host->FailNext("CreateInstance", 1, {429, "ActiveX component can't create object"});
    EXPECT_EQ(session.OpenAutoCAD(), -1);
    EXPECT_FALSE(session.objAcad);
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.messages[0],
              "Warning|Error opening AutoCAD|Check to make sure AutoCAD 2000 or greater is installed on this "
              "machine.\n429 : ActiveX component can't create object");
    // Without a host no drawing can be opened.
    EXPECT_EQ(session.OpenDrawing("/dwg/a.dwg"), -1);
    EXPECT_TRUE(host->CallsTo("Open").isEmpty());
}

TEST_F(SessionTest, IsAcadUpOnlyAttaches) {
    EXPECT_FALSE(session.IsAcadUp());
    EXPECT_FALSE(session.blnAcadUp);
    EXPECT_EQ(host->instances, 0);

    cAutoCAD first(host, state, ui);
    ASSERT_EQ(first.OpenAutoCAD(), 1);
    host->runningInstanceAvailable = true;
    EXPECT_TRUE(session.IsAcadUp());
    EXPECT_TRUE(session.objAcad);
    EXPECT_EQ(host->instances, 1);
    session.CloseAutoCAD();
    EXPECT_FALSE(session.blnAcadUp);
    EXPECT_FALSE(session.objAcad);
}

TEST_F(SessionTest, OpensReadWriteOrReadOnlyWithTheFullArgumentFormFirst) {
    ASSERT_EQ(session.OpenAutoCAD(), 1);
    EXPECT_EQ(session.OpenDrawing("/dwg/a.dwg"), 1);
    EXPECT_TRUE(session.objDoc);
    EXPECT_EQ(host->CallsTo("Open"), QStringList{"Open(/dwg/a.dwg,ReadOnly=0,Password=)"});
    ASSERT_EQ(session.CloseDrawing(false), 1);

    EXPECT_EQ(session.OpenDrawing("/dwg/a.dwg", true), 1);
    EXPECT_TRUE(host->open.at(0).readOnly);
}

TEST_F(SessionTest, OnlyTheLastOfThreeOpenAttemptsDecides) {
    ASSERT_EQ(session.OpenAutoCAD(), 1);
    host->FailNext("Open", 2);
    EXPECT_EQ(session.OpenDrawing("/dwg/a.dwg", true), 1);
    EXPECT_EQ(host->CallsTo("Open"),
              (QStringList{"Open(/dwg/a.dwg,ReadOnly=1,Password=)", "Open(/dwg/a.dwg,ReadOnly=1,Password=-)",
                           "Open(/dwg/a.dwg,ReadOnly=-,Password=-)"}));
    EXPECT_FALSE(session.HasPendingError());
}

TEST_F(SessionTest, MissingDrawingFailsAfterThreeAttempts) {
    ASSERT_EQ(session.OpenAutoCAD(), 1);
    EXPECT_EQ(session.OpenDrawing("/dwg/missing.dwg"), -2);
    EXPECT_EQ(host->CallsTo("Open").size(), 3);
    EXPECT_FALSE(session.objDoc);
    EXPECT_TRUE(session.HasPendingError());
}

struct VersionCase {
    const char* version;
    int format;  // 0: saved in its own format by Close(true)
};

class SaveVersionTest : public SessionTest, public ::testing::WithParamInterface<VersionCase> {};

TEST_P(SaveVersionTest, SavesInTheFormatTheTemplateNames) {
    const VersionCase c = GetParam();
    ASSERT_EQ(session.OpenAutoCAD(), 1);
    session.strVersion = QString::fromUtf8(c.version);
    ASSERT_EQ(session.OpenDrawing("/dwg/a.dwg"), 1);
    EXPECT_EQ(session.CloseDrawing(true), 1);
    EXPECT_FALSE(session.objDoc);
    if (c.format) {
        EXPECT_EQ(host->CallsTo("SaveAs"), QStringList{QStringLiteral("SaveAs(/dwg/a.dwg,%1)").arg(c.format)});
        EXPECT_EQ(host->CallsTo("Close"), QStringList{"Close(/dwg/a.dwg,0)"});
    } else {
        EXPECT_TRUE(host->CallsTo("SaveAs").isEmpty());
        EXPECT_EQ(host->CallsTo("Close"), QStringList{"Close(/dwg/a.dwg,1)"});
    }
    EXPECT_EQ(host->Drawing("/dwg/a.dwg")->saves, 1);
}

INSTANTIATE_TEST_SUITE_P(VersionTable, SaveVersionTest,
                         ::testing::Values(VersionCase{"0", 0}, VersionCase{"2007", 36}, VersionCase{"2004", 24},
                                           VersionCase{"18", 24}, VersionCase{"2000", 12}, VersionCase{"15", 12},
                                           VersionCase{"14", 8}, VersionCase{"13", 4}, VersionCase{"", 0},
                                           VersionCase{"2004 ", 0}, VersionCase{"R2000", 0}, VersionCase{"21", 0},
                                           VersionCase{"2010", 0}));

TEST_F(SessionTest, CloseWithoutSavingNeverSaves) {
    ASSERT_EQ(session.OpenAutoCAD(), 1);
    for (const char* version : {"0", "2007", "13", ""}) {
        session.strVersion = QString::fromUtf8(version);
        ASSERT_EQ(session.OpenDrawing("/dwg/a.dwg"), 1);
        EXPECT_EQ(session.CloseDrawing(false), 1);
    }
    EXPECT_TRUE(host->CallsTo("SaveAs").isEmpty());
    EXPECT_EQ(host->Drawing("/dwg/a.dwg")->saves, 0);
}

TEST_F(SessionTest, FailedSaveIsReportedAndTheDrawingStillClosed) {
    ASSERT_EQ(session.OpenAutoCAD(), 1);
    session.strVersion = "2004";
    host->FailNext("SaveAs");
    ASSERT_EQ(session.OpenDrawing("/dwg/a.dwg"), 1);
    EXPECT_EQ(session.CloseDrawing(true), -1);
    EXPECT_FALSE(session.objDoc);
    EXPECT_TRUE(host->open.empty());

    // Closing with nothing open fails too: the document reference is empty.
    EXPECT_EQ(session.CloseDrawing(true), -1);

    // Saved in its own format by closing: a failed save still closes the drawing, unsaved.
    session.strVersion = "0";
    host->FailNext("Close");
    ASSERT_EQ(session.OpenDrawing("/dwg/a.dwg"), 1);
    EXPECT_EQ(session.CloseDrawing(true), -1);
    EXPECT_EQ(host->CallsTo("Close").mid(host->CallsTo("Close").size() - 2),
              (QStringList{"Close(/dwg/a.dwg,1)", "Close(/dwg/a.dwg,0)"}));
    EXPECT_TRUE(host->open.empty());
    EXPECT_EQ(host->Drawing("/dwg/a.dwg")->saves, 0);
}

TEST_F(SessionTest, CloseAutoCADClosesEveryDocumentUnsavedThenQuits) {
    host->AddDrawing("/dwg/b.dwg");
    host->AddDrawing("/dwg/c.dwg");
    ASSERT_EQ(session.OpenAutoCAD(), 1);
    // Open three documents without closing them (the session tracks only the last).
    ASSERT_EQ(session.OpenDrawing("/dwg/a.dwg"), 1);
    ASSERT_EQ(session.OpenDrawing("/dwg/b.dwg"), 1);
    ASSERT_EQ(session.OpenDrawing("/dwg/c.dwg"), 1);
    host->calls.clear();

    session.CloseAutoCAD();
    EXPECT_TRUE(host->open.empty());
    EXPECT_EQ(host->CallsTo("Close"),
              (QStringList{"Close(/dwg/a.dwg,0)", "Close(/dwg/b.dwg,0)", "Close(/dwg/c.dwg,0)"}));
    EXPECT_EQ(host->calls.last(), "Quit");
    EXPECT_FALSE(host->running);
    EXPECT_FALSE(session.objAcad);
    EXPECT_FALSE(session.objDoc);
    for (const auto& [path, drawing] : host->drawings) EXPECT_EQ(drawing.saves, 0) << path.toStdString();
}

TEST_F(SessionTest, CloseAutoCADGoesOnPastFailuresAndWithoutAHost) {
    ASSERT_EQ(session.OpenAutoCAD(), 1);
    ASSERT_EQ(session.OpenDrawing("/dwg/a.dwg"), 1);
    host->FailAlways("Close");
    session.CloseAutoCAD();
    EXPECT_EQ(host->calls.last(), "Quit");
    EXPECT_FALSE(session.objAcad);

    cAutoCAD never(host, state, ui);
    never.CloseAutoCAD();  // no host was started: nothing to do, nothing raised
    EXPECT_FALSE(never.blnAcadUp);
}

}  // namespace
