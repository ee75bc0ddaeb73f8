// qln-cli undo and qln-cli runs: the run journals.

#include "runs/journal.h"
#include "host/platform.h"
#include "runs/undo_run.h"
#include "cli/common.h"

#include <QDir>

#include <cstdio>

namespace qln::cli {

CommandLine UndoCommandLine() {
    CommandLine line;
    line.options << QCommandLineOption(QStringLiteral("no-audit"), QStringLiteral("Do not append to audit.log."))
                 << QCommandLineOption(QStringLiteral("log-dir"),
                                       QStringLiteral("Folder for audit.log and err.log (default: the program's folder)."),
                                       QStringLiteral("dir"));
    line.arguments << Argument{QStringLiteral("RUN"), QStringLiteral("The run to undo, as 'qln-cli runs' lists it (default: the last run)."),
                               QStringLiteral("[RUN]")};
    return line;
}

int Undo(const Subcommand& self, const QStringList& args) {
    QCommandLineParser parser;
    Context ctx;
    if (const std::optional<int> status = Prepare(self, parser, args, ctx, /*withLogDir=*/true)) return *status;
    if (parser.positionalArguments().size() > 1) {
        ctx.ui.Error(QStringLiteral("name at most one run; usage: ") + Synopsis(self));
        return kBadUsage;
    }
    UndoRun run(ctx.state, ctx.ui, JournalFolder(ctx.state.journalFolder));
    run.SetAudit(!parser.isSet(QStringLiteral("no-audit")));
    const UndoRunResult result = run.Run(parser.positionalArguments().value(0));
    ctx.ui.Finish();
    if (!result.found) return kBadUsage;
    if (!result.journalId.isEmpty())
        ctx.ui.Say(QStringLiteral("Journal %1: 'qln-cli undo %1' undoes this undo.").arg(result.journalId));
    if (result.errors)
        ctx.ui.Say(QStringLiteral("Errors are listed in ") + QDir(ctx.state.LogFolder()).filePath(QStringLiteral("err.log")));
    return result.errors ? kErrorMark : kDone;
}

CommandLine RunsCommandLine() {
    CommandLine line;
    line.options << QCommandLineOption(QStringLiteral("prune"), QStringLiteral("Remove the journals older than DAYS days."),
                                       QStringLiteral("days"));
    return line;
}

int Runs(const Subcommand& self, const QStringList& args) {
    QCommandLineParser parser;
    Context ctx;
    if (const std::optional<int> status = Prepare(self, parser, args, ctx)) return *status;
    if (!parser.positionalArguments().isEmpty()) {
        ctx.ui.Error(QStringLiteral("no arguments expected; usage: ") + Synopsis(self));
        return kBadUsage;
    }
    const QString folder = JournalFolder(ctx.state.journalFolder);
    if (parser.isSet(QStringLiteral("prune"))) {
        bool ok = false;
        const int days = parser.value(QStringLiteral("prune")).toInt(&ok);
        if (!ok || days < 0) {
            ctx.ui.Error(QStringLiteral("--prune takes a number of days"));
            return kBadUsage;
        }
        const int removed = PruneJournals(folder, days);
        ctx.ui.Say(QStringLiteral("%1 journal(s) older than %2 day(s) removed from %3")
                       .arg(removed)
                       .arg(days)
                       .arg(QDir::toNativeSeparators(folder)));
        return kDone;
    }
    // One run per line, oldest first, tab-separated so that scripts can cut it.
    std::fputs("RUN\tKIND\tDRAWINGS\tCHANGES\tKB\tSOURCE\n", stdout);
    for (const JournalInfo& info : ListJournals(folder)) {
        const QString line = QStringLiteral("%1\t%2\t%3\t%4\t%5\t%6%7\n")
                                 .arg(info.id, info.kind)
                                 .arg(info.drawings.size())
                                 .arg(info.Changes())
                                 .arg((info.bytes + 1023) / 1024)
                                 .arg(QDir::toNativeSeparators(info.source),
                                      info.finished ? QString() : QStringLiteral(" (did not finish)"));
        platform::WriteText(platform::StandardStream::Output, line);
    }
    return kDone;
}

}  // namespace qln::cli
