// qln, the desktop program: one instance per user, the main window, and the command line as the
// drawing list file to run once the window shows.

#include "app/desktop.h"
#include "app/main_window.h"
#include "app/qt_dialogs.h"
#include "app/single_instance.h"
#include "host/dxf/dxf_host.h"
#include "host/program_state.h"
#include "search/search_windows.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>

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
    // The runs write their logs and report page in the program folder, or in the per-user data folder
    // where the program folder cannot be written.
    if (!QFileInfo(programFolder).isWritable()) {
        const QString data = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
        if (!data.isEmpty() && QDir().mkpath(data)) state.logFolder = QDir::toNativeSeparators(data);
    }
    QSettings settings(QStringLiteral("QLN"), QStringLiteral("QLN"));
    qln::SystemDesktop desktop;
    // The built-in DXF host opens the drawings: the default drawing pattern is "*.dxf".
    qln::WindowContext context{state, settings, dialogs, desktop, programFolder, QStringLiteral(".dxf"), {}, {}};
    context.hostClass = qln::dxf::MakeDxfHost();

    qln::Form1 window(context);
    QObject::connect(&instance, &qln::SingleInstance::activationRequested, &window, &qln::Form1::BringToFront);
    qln::ConnectSearchWindows(window);
    // The whole command line names a drawing list file; Qt's own options are already taken out.
    window.Load(QCoreApplication::arguments().mid(1).join(u' '));
    window.show();
    QTimer::singleShot(0, &window, &qln::Form1::StartPendingRun);
    return app.exec();
}
