// qln-cli modify: one template applied to the named drawings (the batch modification run).

#include "runs/batch_run.h"
#include "runs/file_utils.h"
#include "cli/common.h"

#include <QDir>
#include <QFileInfo>

namespace qln::cli {

CommandLine ModifyCommandLine() {
    CommandLine line;
    line.options << QCommandLineOption(QStringLiteral("template"), QStringLiteral("The template file to apply."),
                                       QStringLiteral("file"))
                 << ModificationOptions();
    line.arguments << Argument{QStringLiteral("DRAWING"), QStringLiteral("Drawings to modify."),
                               QStringLiteral("DRAWING...")};
    return line;
}

int Modify(const Subcommand& self, const QStringList& args) {
    QCommandLineParser parser;
    Context ctx;
    if (const std::optional<int> status = Prepare(self, parser, args, ctx, /*withLogDir=*/true)) return *status;

    if (!parser.isSet(QStringLiteral("template"))) {
        ctx.ui.Error(QStringLiteral("no template given (--template FILE)"));
        return kBadUsage;
    }
    if (parser.positionalArguments().isEmpty()) {
        ctx.ui.Error(QStringLiteral("no drawing given; usage: ") + Synopsis(self));
        return kBadUsage;
    }
    const std::optional<QString> delimiter = DelimiterOption(parser, ctx.ui);
    if (!delimiter) return kBadUsage;
    BatchRunInput input;
    input.delimiter = *delimiter;
    input.templatePath = parser.value(QStringLiteral("template"));
    input.audit = !parser.isSet(QStringLiteral("no-audit"));
    QFile previewOut;
    const std::optional<RunSafety> safety = SafetyOptions(parser, ctx.ui, previewOut);
    if (!safety) return kBadUsage;
    input.safety = *safety;
    const std::optional<int> jobs = JobsOptionValue(parser, ctx.ui);
    if (!jobs) return kBadUsage;
    input.jobs = *jobs;
    for (const QString& drawing : parser.positionalArguments()) {
        if (HasWildcards(GetFileName(drawing)) && !QFileInfo::exists(drawing)) {
            ctx.ui.Error(QStringLiteral("'") + drawing +
                         QStringLiteral("' is a pattern: name the drawings (the shell expands an unquoted pattern) "
                                        "or use a drawing list file with 'qln-cli run'"));
            return kBadUsage;
        }
        // The folder and the name as the main window would hold them; the path stays as typed.
        const QString folder = FolderPart(drawing);
        input.drawings.append({folder,
                               GetFileName(drawing)});
    }

    CatchInterrupt(ctx.state);
    BatchRun run(ctx.host, ctx.state, ctx.ui);
    run.SetStopFlag(&g_stopRun);
    const BatchRunResult result = run.Run(input);
    ctx.ui.Finish();
    if (!result.hostStarted) return kNoHost;
    if (result.logRefused || !result.templateRead) return kBadUsage;
    previewOut.close();
    ReportRecord(result.record, input.safety.preview, ctx.ui);
    return Ending(ctx, result.stopped, result.errors, result.errorLogWritten, result.logFailures);
}

}  // namespace qln::cli
