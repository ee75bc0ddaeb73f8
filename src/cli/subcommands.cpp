#include "cli/subcommands.h"

#include <algorithm>

namespace qln::cli {

namespace {

constexpr qsizetype kUsageWidth = 100;

// Text cut into lines of at most `width` characters (a longer word stands alone), breaking only at
// blanks outside brackets so that "[--space Both|Model|Paper]" stays whole; lines after the first
// start with `indent`.
QStringList Wrap(const QString& text, qsizetype firstWidth, qsizetype width, const QString& indent) {
    QStringList words;
    QString word;
    int depth = 0;
    for (const QChar c : text) {
        if (c == u'[') ++depth;
        else if (c == u']' && depth > 0) --depth;
        if (c == u' ' && depth == 0) {
            if (!word.isEmpty()) words << word;
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.isEmpty()) words << word;

    QStringList lines;
    QString line;
    for (const QString& w : words) {
        const qsizetype room = lines.isEmpty() ? firstWidth : width;
        if (line.isEmpty()) {
            line = lines.isEmpty() ? w : indent + w;
        } else if (line.size() + 1 + w.size() <= room) {
            line += u' ' + w;
        } else {
            lines << line;
            line = indent + w;
        }
    }
    if (!line.isEmpty()) lines << line;
    return lines;
}

}  // namespace

std::span<const Subcommand> Subcommands() {
    static const Subcommand table[] = {
        {QStringLiteral("modify"),
         QStringLiteral("--template FILE [--delimiter C] [--no-audit] [--log-dir DIR] [--dry-run [--audit FILE]] "
                        "[--no-journal] [--prune-days N] [--jobs N] DRAWING..."),
         QStringLiteral("apply a template to drawings; changes go to audit.log, failures to err.log"),
         ModifyCommandLine, Modify},
        {QStringLiteral("run"),
         QStringLiteral("[--delimiter C] [--no-audit] [--log-dir DIR] [--dry-run [--audit FILE]] [--no-journal] "
                        "[--prune-days N] [--jobs N] LISTFILE"),
         QStringLiteral("run a drawing list file (*.dlf) pairing drawings with templates"), RunCommandLine, Run},
        {QStringLiteral("find"),
         QStringLiteral("[--space Both|Model|Paper] [--blocks LIST] [--layers LIST] [--match-case] [--exact] "
                        "[--mtext] [--attributes LIST] [--no-path] [--delimiter C] [--output FILE] "
                        "[--include-criteria] [--jobs N] PHRASE FILESPEC"),
         QStringLiteral("search drawings for a phrase; one delimited row per hit"), FindCommandLine, Find},
        {QStringLiteral("report"), QStringLiteral("[--mtext] [--attributes] [--output FILE] [--open] DRAWING"),
         QStringLiteral("list a drawing's text as an HTML page"), ReportCommandLine, Report},
        {QStringLiteral("undo"), QStringLiteral("[--no-audit] [--log-dir DIR] [RUN]"),
         QStringLiteral("put back the drawings a run saved (the last run by default), unless changed since"),
         UndoCommandLine, Undo},
        {QStringLiteral("runs"), QStringLiteral("[--prune DAYS]"),
         QStringLiteral("list the journals of past runs, or remove those older than DAYS days"), RunsCommandLine,
         Runs},
    };
    return table;
}

const Subcommand* FindSubcommand(QStringView name) {
    for (const Subcommand& command : Subcommands())
        if (command.name == name) return &command;
    return nullptr;
}

QString Synopsis(const Subcommand& command) {
    return QStringLiteral("qln-cli ") + command.name + u' ' + command.synopsis;
}

QString Usage() {
    qsizetype nameWidth = 0;
    for (const Subcommand& command : Subcommands()) nameWidth = std::max(nameWidth, command.name.size());
    const QString indent(2 + nameWidth + 2, u' ');

    QString usage = QStringLiteral(
        "usage: qln-cli <command> [options] ...\n"
        "\n"
        "Change, find and list the text of many drawings at once.\n"
        "\n"
        "commands:\n");
    for (const Subcommand& command : Subcommands()) {
        const QString head = QStringLiteral("  ") + command.name.leftJustified(nameWidth + 2);
        const QStringList lines = Wrap(command.synopsis, kUsageWidth - head.size(), kUsageWidth, indent);
        usage += head + lines.join(u'\n') + u'\n' + indent + command.summary + u'\n';
    }
    usage += QStringLiteral(
        "\n"
        "common options: --host autocad|dxf, --quiet, --help, --version\n"
        "exit status: 0 done; 1 something failed (see err.log; find: no hit); 2 bad usage, a missing\n"
        "list file or a template error; 3 the host could not be started.\n"
        "'qln-cli <command> --help' describes a command's options.\n");
    return usage;
}

QList<QCommandLineOption> CommonOptions() {
    return {{QStringLiteral("host"),
             QStringLiteral("The CAD host: autocad (AutoCAD through its automation interface, Windows only) or "
                            "dxf (the built-in DXF host). Default: autocad where AutoCAD is installed, else dxf."),
             QStringLiteral("name")},
            {QStringLiteral("quiet"), QStringLiteral("Show no status texts, only errors.")}};
}

QList<QCommandLineOption> ModificationOptions() {
    return {{QStringLiteral("delimiter"),
             QStringLiteral("Separator between the parts of a template command (default \",\")."), QStringLiteral("c")},
            {QStringLiteral("no-audit"), QStringLiteral("Do not append the changes to audit.log.")},
            {QStringLiteral("log-dir"),
             QStringLiteral("Folder for audit.log and err.log (default: the log folder --version names)."),
             QStringLiteral("dir")},
            {QStringLiteral("dry-run"),
             QStringLiteral("Preview: apply the template and show the changes, but save no drawing.")},
            {QStringLiteral("audit"),
             QStringLiteral("Where a preview's changes go (default: standard output)."), QStringLiteral("file")},
            {QStringLiteral("no-journal"),
             QStringLiteral("Keep no journal of the run (it cannot be undone with 'qln-cli undo').")},
            {QStringLiteral("prune-days"),
             QStringLiteral("Remove journals older than N days when the run starts (default 30; 0 keeps them)."),
             QStringLiteral("n")},
            JobsOption()};
}

QCommandLineOption JobsOption() {
    return {QStringLiteral("jobs"),
            QStringLiteral("Drawings worked on at once (default: one per processor; 1: one after the other). "
                           "The logs and results are the same whatever the number; the AutoCAD host works "
                           "on one at a time."),
            QStringLiteral("n")};
}

void BuildParser(const Subcommand& command, QCommandLineParser& parser) {
    const CommandLine own = command.commandLine();
    parser.setApplicationDescription(QString());
    parser.addOptions(own.options);
    for (const Argument& argument : own.arguments)
        parser.addPositionalArgument(argument.name, argument.description, argument.syntax);
    parser.addOptions(CommonOptions());
    parser.addHelpOption();
    parser.addVersionOption();
}

}  // namespace qln::cli
