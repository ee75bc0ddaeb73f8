// qln-cli: Quillon's runs for scripts, servers and anyone without a display.

#include "cli/common.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

const char kUsage[] =
    "usage: qln-cli <command> [options] ...\n"
    "\n"
    "Change, find and list the text of many drawings at once.\n"
    "\n"
    "commands:\n"
    "  modify  --template FILE [--delimiter C] [--no-audit] [--log-dir DIR] DRAWING...\n"
    "          apply a template to drawings; changes go to audit.log, failures to err.log\n"
    "  run     [--delimiter C] [--no-audit] [--log-dir DIR] LISTFILE\n"
    "          run a drawing list file (*.dlf) pairing drawings with templates\n"
    "  find    [--space Both|Model|Paper] [--blocks LIST] [--layers LIST] [--match-case] [--exact]\n"
    "          [--mtext] [--no-path] [--delimiter C] [--output FILE] [--include-criteria] PHRASE FILESPEC\n"
    "          search drawings for a phrase; one delimited row per hit\n"
    "  report  [--mtext] [--output FILE] [--open] DRAWING\n"
    "          list a drawing's text as an HTML page\n"
    "\n"
    "common options: --host dxf, --quiet, --help, --version\n"
    "exit status: 0 done; 1 something failed (see err.log; find: no hit); 2 bad usage, a missing\n"
    "list file or a template error; 3 the host could not be started.\n"
    "'qln-cli <command> --help' describes a command's options.\n";

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("QLN"));
    QCoreApplication::setApplicationName(QStringLiteral("QLN"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QLN_VERSION));

    const QStringList args = QCoreApplication::arguments();
    const QString command = args.value(1);
    if (command.isEmpty() || command == u"--help" || command == u"-h" || command == u"help") {
        std::fputs(kUsage, command.isEmpty() ? stderr : stdout);
        return command.isEmpty() ? qln::cli::kBadUsage : qln::cli::kDone;
    }
    if (command == u"--version" || command == u"-v") {
        std::printf("qln-cli %s\n", QLN_VERSION);
        return qln::cli::kDone;
    }
    // The subcommand's parser sees "qln-cli <command>" as its program name.
    const QStringList rest = QStringList{args.value(0) + u' ' + command} + args.mid(2);
    if (command == u"modify") return qln::cli::Modify(rest);
    if (command == u"run") return qln::cli::Run(rest);
    if (command == u"find") return qln::cli::Find(rest);
    if (command == u"report") return qln::cli::Report(rest);
    std::fprintf(stderr, "qln-cli: unknown command '%s'\n%s", qPrintable(command), kUsage);
    return qln::cli::kBadUsage;
}
