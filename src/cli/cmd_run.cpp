// qln-cli run: a drawing list file (*.dlf) of drawings and templates (the drawing-list run).

#include "runs/drawing_list_run.h"
#include "cli/common.h"

#include <QDir>

namespace qln::cli {

CommandLine RunCommandLine() {
    return {ModificationOptions(), {{QStringLiteral("LISTFILE"), QStringLiteral("The drawing list file to run.")}}};
}

int Run(const Subcommand& self, const QStringList& args) {
    QCommandLineParser parser;
    Context ctx;
    if (const std::optional<int> status = Prepare(self, parser, args, ctx, /*withLogDir=*/true)) return *status;
    if (parser.positionalArguments().size() != 1) {
        ctx.ui.Error(QStringLiteral("name one drawing list file; usage: ") + Synopsis(self));
        return kBadUsage;
    }
    const std::optional<QString> delimiter = DelimiterOption(parser, ctx.ui);
    if (!delimiter) return kBadUsage;

    QFile previewOut;
    const std::optional<RunSafety> safety = SafetyOptions(parser, ctx.ui, previewOut);
    if (!safety) return kBadUsage;
    const std::optional<int> jobs = JobsOptionValue(parser, ctx.ui);
    if (!jobs) return kBadUsage;

    CatchInterrupt(ctx.state);
    DrawingListRun run(ctx.host, ctx.state, ctx.ui);
    run.SetSafety(*safety);
    run.SetDelimiter(*delimiter);
    run.SetAudit(!parser.isSet(QStringLiteral("no-audit")));
    run.SetStopFlag(&g_stopRun);
    run.SetJobs(*jobs);
    const DrawingListRunResult result = run.Run(parser.positionalArguments().first(), /*fromCommandLine=*/true);
    ctx.ui.Finish();
    if (!result.listFound) return kBadUsage;
    if (!result.hostStarted) return kNoHost;
    if (result.logRefused || !result.listRead) return kBadUsage;
    previewOut.close();
    ReportRecord(result.record, safety->preview, ctx.ui);
    return Ending(ctx, result.stopped, result.errors || result.failures > 0, result.errorLogWritten && result.errors,
                  result.logFailures);
}

}  // namespace qln::cli
