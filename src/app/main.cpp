// qln, the desktop program: one instance per user, the main window, and the command line as the
// drawing list file to run once the window shows.

#include "app/desktop.h"
#include "app/main_window.h"
#include "app/qt_dialogs.h"
#include "app/single_instance.h"
#include "app/window_runs.h"
#include "app/host_setting.h"
#include "host/program_state.h"
#include "runs/program_folders.h"
#include "app/search/search_windows.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QListWidget>
#include <QSettings>
#include <QTimer>

#include <cstdio>

namespace {

// A drawing handed over by the desktop ("Open With Quillon"): the drawing pane moves to its folder and
// selects it, ready for a template. Anything else on the command line names a drawing list file.
bool IsDrawing(const QString& path, const QString& drawingExtension) {
    return path.endsWith(drawingExtension, Qt::CaseInsensitive) && QFileInfo(path).isFile();
}

void SelectDrawing(qln::Form1& window, const QString& path) {
    const QFileInfo drawing(path);
    if (!window.SetDrawingFolder(QDir::toNativeSeparators(drawing.absolutePath()))) return;
    const QList<QListWidgetItem*> items = window.DrawingList()->findItems(drawing.fileName(), Qt::MatchFixedString);
    if (items.isEmpty()) return;
    window.DrawingList()->setCurrentItem(items.first());
    items.first()->setSelected(true);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("QLN"));
    QCoreApplication::setApplicationName(QStringLiteral("QLN"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QLN_VERSION));
    // The desktop entry's name: the window manager matches the windows to it (and to its icon).
    QGuiApplication::setDesktopFileName(QStringLiteral("org.quillon.Quillon"));

    qln::QtDialogs dialogs;
    qln::SingleInstance instance(qln::SingleInstance::DefaultName());
    if (!qln::EnsureSingleInstance(instance, dialogs, qln::Form1::kApplicationTitle)) return 0;

    // Beside the executable (a build or a portable copy) or an installation's folders: decided once, here.
    qln::ProgramState state;
    qln::DecideProgramFolders(state, QCoreApplication::applicationDirPath());
    const QString programFolder = QDir::toNativeSeparators(state.programFolder);
    QSettings settings(QStringLiteral("QLN"), QStringLiteral("QLN"));
    qln::SystemDesktop desktop;
    // The host of the "CAD Host" setting opens the drawings; its extension makes the default drawing
    // pattern. One that cannot be had here gives way to the built-in DXF host, and the user is told why.
    const qln::StartupHost startup = qln::HostFromSettings(settings);
    if (!startup.problem.isEmpty()) {
        QString why = startup.problem;
        while (why.endsWith(u'.')) why.chop(1);
        dialogs.Message(nullptr, qln::Dialogs::Icon::Warning, qln::Form1::kApplicationTitle,
                        QStringLiteral("The chosen CAD host cannot be used: ") + why +
                            QStringLiteral(".\n\nThe built-in DXF host opens the drawings instead "
                                           "(Tools > CAD Host chooses another for the next start)."));
    }
    const host::ApplicationClassPtr hostClass = startup.hostClass;
    qln::WindowContext context{state, settings, dialogs, desktop, programFolder, hostClass->DrawingExtension(),
                               {}, {}, hostClass, {}};

    qln::Form1 window(context);
    QObject::connect(&instance, &qln::SingleInstance::activationRequested, &window, &qln::Form1::BringToFront);
    qln::ConnectSearchWindows(window);
    qln::ConnectRuns(window);
    // The whole command line names a drawing list file, or a drawing to select; Qt's own options are
    // already taken out. When a portable copy cannot write its folder, the logs go to the per-user data
    // folder (said on the status line, and here for a start from a terminal).
    const QString commandLine = QCoreApplication::arguments().mid(1).join(u' ');
    const bool drawing = IsDrawing(commandLine, hostClass->DrawingExtension());
    window.Load(drawing ? QString() : commandLine);
    if (drawing) SelectDrawing(window, commandLine);
    if (state.logFolderMoved) {
        std::fprintf(stderr, "qln: cannot write to %s; logs and reports go to %s\n", qPrintable(programFolder),
                     qPrintable(state.LogFolder()));
    }
    window.show();
    QTimer::singleShot(0, &window, &qln::Form1::StartPendingRun);
    return app.exec();
}
