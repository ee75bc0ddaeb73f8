// The main window's runs timed as a user starts them: the window shown, its folder trees and drawing
// list on the drawings' folder, every drawing selected, then "3) Modify Text" (or "File" with a drawing
// list file). The time runs from the click until the window has handled every event the run left
// behind (the folder views' and the drawing list's reactions to the saved files included), so it can be
// set against `qln-cli modify` on the same drawings. bench/window_vs_cli.py runs both.
//
// usage: qln_window_bench --drawings DIR --template FILE [--list FILE.dlf] [--logs DIR]
// prints: seconds <wall seconds> drawings <count> status <the status line>

#include "app/desktop.h"
#include "app/dialogs.h"
#include "app/main_window.h"
#include "app/window_runs.h"
#include "host/dxf/dxf_host.h"
#include "host/program_state.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>

namespace {

// No one answers: message boxes are acknowledged, the open dialog names the list file.
class QuietDialogs final : public qln::Dialogs {
public:
    QString listFile;
    Answer Message(QWidget*, Icon, const QString& title, const QString& text, Buttons) override {
        std::fprintf(stderr, "message: %s: %s\n", qPrintable(title), qPrintable(text));
        return Answer::Ok;
    }
    std::optional<QString> Input(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    QString OpenFile(QWidget*, const QString&, const QString&, const QString&) override { return listFile; }
    QString SaveFile(QWidget*, const QString&, const QString&, const QString&, const QString&) override { return {}; }
    QString BrowseFolder(QWidget*, const QString&, const QString&) override { return {}; }
};

class NoDesktop final : public qln::Desktop {
public:
    bool OpenInTextEditor(const QString&) override { return true; }
    bool OpenUrl(const QUrl&) override { return true; }
    void Notify(QWidget*, const QString&, const QString&) override {}
};

// Handle events until none has come for `quiet` milliseconds (at most `limit`).
void Settle(int quiet, int limit) {
    QElapsedTimer total;
    total.start();
    QElapsedTimer idle;
    idle.start();
    while (idle.elapsed() < quiet && total.elapsed() < limit) {
        QCoreApplication::sendPostedEvents();
        if (QAbstractEventDispatcher::instance()->processEvents(QEventLoop::AllEvents)) idle.restart();
        else QThread::msleep(2);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOptions({{"drawings", "folder of the drawings", "DIR"},
                       {"template", "template file", "FILE"},
                       {"list", "run this drawing list file with File instead", "FILE"},
                       {"logs", "folder for the logs (default: a temporary one)", "DIR"}});
    parser.process(app);
    const QString drawings = QFileInfo(parser.value("drawings")).absoluteFilePath();
    const QFileInfo templateFile(parser.value("template"));
    if (!QFileInfo(drawings).isDir() || !templateFile.isFile()) {
        std::fprintf(stderr, "usage: qln_window_bench --drawings DIR --template FILE [--list FILE.dlf]\n");
        return 2;
    }

    QTemporaryDir scratch;
    const QString logs = parser.isSet("logs") ? parser.value("logs") : scratch.path();
    qln::ProgramState state;
    QSettings settings(QDir(scratch.path()).filePath("settings.ini"), QSettings::IniFormat);
    QuietDialogs dialogs;
    dialogs.listFile = parser.value("list");
    NoDesktop desktop;
    const host::ApplicationClassPtr hostClass = qln::dxf::MakeDxfHost();
    qln::WindowContext context{state, settings, dialogs, desktop, logs, hostClass->DrawingExtension(), {}, {}, hostClass, {}};

    qln::Form1 window(context);
    qln::ConnectRuns(window);
    window.Load(QString());
    window.show();
    window.SetDrawingFolder(drawings);
    window.SetTemplateFolder(templateFile.absolutePath());
    // The folder views read the folders in the background; they are settled before the clock starts.
    Settle(500, 20000);
    const QList<QListWidgetItem*> tpl = window.TemplateList()->findItems(templateFile.fileName(), Qt::MatchExactly);
    if (tpl.isEmpty()) {
        std::fprintf(stderr, "the template is not listed\n");
        return 2;
    }
    window.TemplateList()->setCurrentItem(tpl.first());
    window.SelectAllDrawings();
    const int count = window.DrawingList()->count();

    QElapsedTimer clock;
    clock.start();
    if (dialogs.listFile.isEmpty()) window.findChild<QPushButton*>("Command15")->click();
    else window.findChild<QPushButton*>("Command5")->click();
    // What the run left for the window to do (file-system notices, list refreshes) belongs to its cost.
    const qint64 run = clock.elapsed();
    Settle(300, 600000);
    const double seconds = static_cast<double>(clock.elapsed() - 300) / 1000.0;
    std::printf("seconds %.3f run %.3f drawings %d status %s\n", seconds, run / 1000.0, count,
                qPrintable(window.Status()));
    return 0;
}
