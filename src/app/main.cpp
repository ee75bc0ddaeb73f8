// qln, the desktop program: one instance per user, the main window, and the command line as the
// drawing list file to run once the window shows.

#include "app/desktop.h"
#include "app/main_window.h"
#include "app/qt_dialogs.h"
#include "app/single_instance.h"
#include "app/window_runs.h"
#include "host/dxf/dxf_host.h"
#include "host/program_state.h"
#include "app/search/search_windows.h"

#include <QApplication>
#include <QDir>
#include <QSettings>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("QLN"));
    QCoreApplication::setApplicationName(QStringLiteral("QLN"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QLN_VERSION));

    qln::QtDialogs dialogs;
    qln::SingleInstance instance(qln::SingleInstance::DefaultName());
    if (!qln::EnsureSingleInstance(instance, dialogs, qln::Form1::kApplicationTitle)) return 0;

    const QString programFolder = QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
    qln::ProgramState state;
    QSettings settings(QStringLiteral("QLN"), QStringLiteral("QLN"));
    qln::SystemDesktop desktop;
    // The built-in DXF host opens the drawings; its extension makes the default drawing pattern.
    const host::ApplicationClassPtr hostClass = qln::dxf::MakeDxfHost();
    qln::WindowContext context{state, settings, dialogs, desktop, programFolder, hostClass->DrawingExtension(),
                               {}, {}, hostClass, {}};

    qln::Form1 window(context);
    QObject::connect(&instance, &qln::SingleInstance::activationRequested, &window, &qln::Form1::BringToFront);
    qln::ConnectSearchWindows(window);
    qln::ConnectRuns(window);
    // The whole command line names a drawing list file; Qt's own options are already taken out. The load
    // step also decides where the logs go: the program folder, or the per-user data folder when the
    // program folder cannot be written (said on the status line, and here for a start from a terminal).
    window.Load(QCoreApplication::arguments().mid(1).join(u' '));
    if (state.LogFolder() != programFolder) {
        std::fprintf(stderr, "qln: cannot write to %s; logs and reports go to %s\n", qPrintable(programFolder),
                     qPrintable(state.LogFolder()));
    }
    window.show();
    QTimer::singleShot(0, &window, &qln::Form1::StartPendingRun);
    return app.exec();
}
