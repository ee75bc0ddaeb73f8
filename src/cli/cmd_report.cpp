// qln-cli report: the text of one drawing as an HTML page.

#include "runs/file_utils.h"
#include "runs/report_command.h"
#include "cli/common.h"

#include <QDir>
#include <QFileInfo>

namespace qln::cli {

CommandLine ReportCommandLine() {
    return {{{QStringLiteral("mtext"), QStringLiteral("List multiple-line text instead of single-line text.")},
             {QStringLiteral("output"),
              QStringLiteral("Write the page to FILE (default: attr.htm in the log folder --version names)."),
              QStringLiteral("file")},
             {QStringLiteral("open"), QStringLiteral("Open the page with the desktop's program for HTML.")},
             {QStringLiteral("attributes"), QStringLiteral("List the attribute values of the block references after the text.")}},
            {{QStringLiteral("DRAWING"), QStringLiteral("The drawing to list.")}}};
}

int Report(const Subcommand& self, const QStringList& args) {
    QCommandLineParser parser;
    Context ctx;
    if (const std::optional<int> status = Prepare(self, parser, args, ctx)) return *status;
    if (parser.positionalArguments().size() != 1) {
        ctx.ui.Error(QStringLiteral("name one drawing; usage: ") + Synopsis(self));
        return kBadUsage;
    }
    ctx.state.blnMultipleLineText = parser.isSet(QStringLiteral("mtext"));
    const QString drawing = parser.positionalArguments().first();
    const QString folder = FolderPart(drawing);

    ReportCommand report(ctx.host, ctx.state, ctx.ui);
    if (parser.isSet(QStringLiteral("output"))) {
        const QFileInfo output(parser.value(QStringLiteral("output")));
        if (!QDir().mkpath(output.absolutePath())) {
            ctx.ui.Error(QStringLiteral("cannot create the folder of '") + output.filePath() + QStringLiteral("'"));
            return kBadUsage;
        }
        report.SetOutput(output.absoluteFilePath());
    }
    report.SetOpenPage(parser.isSet(QStringLiteral("open")));
    report.SetAttributes(parser.isSet(QStringLiteral("attributes")));
    const ReportResult result =
        report.Run(folder, GetFileName(drawing));
    ctx.ui.Finish();
    if (!result.hostStarted) return kNoHost;
    if (!result.created) return kErrorMark;
    ctx.ui.Say(QStringLiteral("Page: ") + result.page);
    return kDone;
}

}  // namespace qln::cli
