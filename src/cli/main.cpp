// qln-cli: Quillon's runs for scripts, servers and anyone without a display.

#include "cli/common.h"
#include "cli/subcommands.h"
#include "runs/program_folders.h"
#include "host/platform.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // What goes to standard output (rows ended by CR LF, say) is the same bytes on every platform.
    qln::platform::UseBinaryStandardOutput();
    QCoreApplication::setOrganizationName(QStringLiteral("QLN"));
    QCoreApplication::setApplicationName(QStringLiteral("QLN"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QLN_VERSION));

    const QStringList args = QCoreApplication::arguments();
    const QString command = args.value(1);
    if (command.isEmpty() || command == u"--help" || command == u"-h" || command == u"help") {
        qln::platform::WriteText(command.isEmpty() ? qln::platform::StandardStream::Error : qln::platform::StandardStream::Output,
                                 qln::cli::Usage());
        return command.isEmpty() ? qln::cli::kBadUsage : qln::cli::kDone;
    }
    if (command == u"--version" || command == u"-v") {
        qln::ProgramState state;
        qln::DecideProgramFolders(state, QCoreApplication::applicationDirPath());
        qln::platform::WriteText(qln::platform::StandardStream::Output, qln::cli::VersionText(state));
        return qln::cli::kDone;
    }
    // Not in the usage: the build writes the installed bash completion with it.
    if (command == u"--bash-completion") {
        std::fputs(qln::cli::BashCompletion().toLocal8Bit().constData(), stdout);
        return qln::cli::kDone;
    }
    const qln::cli::Subcommand* subcommand = qln::cli::FindSubcommand(command);
    if (!subcommand) {
        qln::platform::WriteText(qln::platform::StandardStream::Error,
                                 QStringLiteral("qln-cli: unknown command '") + command + QStringLiteral("'\n") + qln::cli::Usage());
        return qln::cli::kBadUsage;
    }
    // The subcommand's parser sees "qln-cli <command>" as its program name.
    return subcommand->run(*subcommand, QStringList{args.value(0) + u' ' + command} + args.mid(2));
}
