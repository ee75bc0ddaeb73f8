// The parts around the main window: the open dialog and its filter, the single instance, the About
// window and the frontend the runs show their progress through.

#include "app/about_window.h"
#include "app/host_setting.h"
#include "app/single_instance.h"
#include "app/widget_frontend.h"
#include "window_fixture.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QSignalSpy>
#include <QUuid>

namespace {

using testhost::WindowTest;

TEST(FileDialogFilter, PairsBecomeQtNameFilters) {
    EXPECT_EQ(qln::QtNameFilter(QStringLiteral("DLF Files (*.dlf)|*.dlf|All Files (*.*)|*.*")),
              QStringLiteral("DLF Files (*.dlf);;All Files (*)"));
    // The closing "|" may be there or not.
    EXPECT_EQ(qln::QtNameFilter(QStringLiteral("Text Files (*.txt)|*.txt|")), QStringLiteral("Text Files (*.txt)"));
    EXPECT_EQ(qln::QtNameFilter(QStringLiteral("Drawings|*.dwg;*.dxf|Anything|*")),
              QStringLiteral("Drawings (*.dwg *.dxf);;Anything (*)"));
}

TEST_F(WindowTest, TheStoredHostSettingPicksTheHostAndTheMenuStoresTheNextOne) {
    settings->setValue(QStringLiteral("Host/Kind"), QStringLiteral("dxf"));
    qln::StartupHost chosen = qln::HostFromSettings(*settings);
    ASSERT_NE(chosen.hostClass, nullptr);
    EXPECT_EQ(chosen.hostClass->DrawingExtension(), QStringLiteral(".dxf"));
    EXPECT_EQ(chosen.problem, QString());
#ifndef _WIN32
    // AutoCAD is not to be had here: the DXF host, and why.
    settings->setValue(QStringLiteral("Host/Kind"), QStringLiteral("autocad"));
    chosen = qln::HostFromSettings(*settings);
    ASSERT_NE(chosen.hostClass, nullptr);
    EXPECT_EQ(chosen.hostClass->DrawingExtension(), QStringLiteral(".dxf"));
    EXPECT_TRUE(chosen.problem.contains(QStringLiteral("Windows"))) << chosen.problem.toStdString();
#endif
    // The menu shows the stored choice and stores another for the next start.
    settings->setValue(QStringLiteral("Host/Kind"), QStringLiteral("dxf"));
    qln::Form1& w = Open();
    EXPECT_TRUE(w.findChild<QAction*>("actHost_dxf")->isChecked());
    w.findChild<QAction*>("actHost_auto")->trigger();
    EXPECT_EQ(settings->value(QStringLiteral("Host/Kind")).toString(), QStringLiteral("auto"));
    EXPECT_TRUE(w.Status().contains(QStringLiteral("next start"))) << w.Status().toStdString();
}

TEST(OpenDialog, AnswersTrimmedOrEmptyWhenCancelled) {
    testhost::ScriptedDialogs dialogs;
    const QString filter = QStringLiteral("DLF Files (*.dlf)|*.dlf|All Files (*.*)|*.*");
    EXPECT_EQ(qln::ShowOpenDialog(dialogs, nullptr, filter, QStringLiteral("Open Drawing List File"), QStringLiteral("/p")),
              QString());
    dialogs.openAnswers.push_back(QStringLiteral("  /data/my list.dlf  "));
    EXPECT_EQ(qln::ShowOpenDialog(dialogs, nullptr, filter, QStringLiteral("Open Drawing List File"), QStringLiteral("/p")),
              QStringLiteral("/data/my list.dlf"));
    EXPECT_EQ(dialogs.asked.first(), QStringLiteral("Open|") + filter + QStringLiteral("|Open Drawing List File|/p"));
}

TEST(SingleInstance, ASecondInstanceIsRefusedAndRaisesTheFirst) {
    const QString name = QStringLiteral("qln-test-") + QUuid::createUuid().toString(QUuid::Id128).left(12);
    testhost::ScriptedDialogs dialogs;
    auto first = std::make_unique<qln::SingleInstance>(name);
    ASSERT_TRUE(qln::EnsureSingleInstance(*first, dialogs, QStringLiteral("QLN")));
    QSignalSpy raised(first.get(), &qln::SingleInstance::activationRequested);

    qln::SingleInstance second(name);
    EXPECT_FALSE(qln::EnsureSingleInstance(second, dialogs, QStringLiteral("QLN")));
    EXPECT_EQ(dialogs.asked, QStringList{"Message|Warning|QLN|QLN is already running! Look in your System Tray."});
    EXPECT_TRUE(raised.count() == 1 || raised.wait(3000));
    EXPECT_EQ(raised.count(), 1);

    // Another name is another instance; once the first has ended its name is free again.
    EXPECT_TRUE(qln::SingleInstance(name + QStringLiteral("-other")).Claim());
    first.reset();
    qln::SingleInstance third(name);
    EXPECT_TRUE(third.Claim());
    EXPECT_FALSE(qln::SingleInstance(name).Claim());
}

using Windows = WindowTest;

TEST_F(Windows, AskedToComeToTheFrontTheMinimisedWindowShowsAgain) {
    qln::Form1& w = Open();
    w.showMinimized();
    ASSERT_TRUE(w.isMinimized());
    w.BringToFront();
    EXPECT_FALSE(w.isMinimized());
    EXPECT_TRUE(w.isVisible());
}

TEST_F(Windows, AboutWindowLinks) {
    qln::Form1& w = Open();
    qln::Form3 about(w.Context(), &w);
    QStringList texts;
    for (QLabel* label : about.findChildren<QLabel*>()) texts << label->text();
    const QString all = texts.join(u'\n');
    EXPECT_TRUE(all.contains(QStringLiteral("Quillon (QLN)")));
    EXPECT_TRUE(all.contains(QStringLiteral("Version ") + QStringLiteral(QLN_VERSION)));
    EXPECT_TRUE(all.contains(QStringLiteral("All Rights Reserved")));
    EXPECT_TRUE(all.contains("Portable: program folder " + programFolder + "; logs and reports there too"));

    Q_EMIT about.findChild<QLabel*>(QStringLiteral("lblFaq"))->linkActivated(QStringLiteral("faq"));
    EXPECT_EQ(desktop.edited, QStringList{programFolder + QStringLiteral("/faq.fil")});

    Q_EMIT about.findChild<QLabel*>(QStringLiteral("lblWebSite"))->linkActivated(qln::Form3::kWebSite);
    EXPECT_EQ(desktop.urls, QStringList{qln::Form3::kWebSite});
    EXPECT_TRUE(dialogs.asked.isEmpty());
    desktop.urlsOpen = false;
    Q_EMIT about.findChild<QLabel*>(QStringLiteral("lblEmail"))->linkActivated(qln::Form3::kEmailAddress);
    EXPECT_EQ(dialogs.asked, QStringList{"Message|Warning|QLN|Could not start a mail program. Write to "
                                         "support@quillon.example.org."});
    Q_EMIT about.findChild<QLabel*>(QStringLiteral("lblWebSite"))->linkActivated(qln::Form3::kWebSite);
    EXPECT_EQ(dialogs.asked.last(), "Message|Warning|QLN|Could not find associated browser.\n" + qln::Form3::kWebSite);
}

TEST_F(Windows, TheFrontendShowsRunsInTheMainWindow) {
    qln::Form1& w = Open();
    qln::Frontend& ui = w.UserInterface();
    auto* bar = Child<QProgressBar>("prgRun");
    EXPECT_FALSE(bar->isVisible());

    ui.SetStatus(QStringLiteral("Processing /d/a.dxf..."));
    EXPECT_EQ(Text("Label4"), QStringLiteral("Processing /d/a.dxf..."));
    ui.SetBusy(true);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    ui.Progress(1, 4, QStringLiteral("a.dxf"));
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->value(), 1);
    EXPECT_EQ(bar->maximum(), 4);
    ui.Progress(4, 4, QString());
    EXPECT_FALSE(bar->isVisible());
    ui.Progress(7, -1, QStringLiteral("x.dxf"));  // total unknown
    EXPECT_TRUE(bar->isVisible());
    ui.SetBusy(false);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(bar->isVisible());

    // Texts of what goes on now change at most ten times a second; the latest one shows, and a lasting
    // text replaces a waiting one.
    QTest::qWait(150);
    ui.SetTransientStatus(QStringLiteral("Processing /d/b.dxf..."));
    ui.SetTransientStatus(QStringLiteral("Processing /d/c.dxf..."));
    EXPECT_EQ(Text("Label4"), QStringLiteral("Processing /d/b.dxf..."));
    QTest::qWait(150);
    EXPECT_EQ(Text("Label4"), QStringLiteral("Processing /d/c.dxf..."));
    ui.SetTransientStatus(QStringLiteral("Processing /d/d.dxf..."));
    ui.SetStatus(QStringLiteral("Done."));
    QTest::qWait(150);
    EXPECT_EQ(Text("Label4"), QStringLiteral("Done."));

    ui.MessageBox(qln::Frontend::Icon::Warning, QStringLiteral("Error opening AutoCAD"), QStringLiteral("text"));
    EXPECT_EQ(dialogs.asked, QStringList{"Message|Warning|Error opening AutoCAD|text"});
    EXPECT_TRUE(ui.OpenWithDefaultProgram(QStringLiteral("/p/attr.htm")));
    EXPECT_EQ(desktop.urls, QStringList{"file:///p/attr.htm"});
}

}  // namespace
