// qln-cli find: search the drawings matching a folder and file pattern for a phrase.

#include "runs/search_run.h"
#include "cli/common.h"
#include "host/text_files.h"

#include <QFile>

#include <cstdio>

namespace qln::cli {

CommandLine FindCommandLine() {
    CommandLine line;
    line.options = {
        {QStringLiteral("space"), QStringLiteral("Both (default), Model or Paper."), QStringLiteral("space"),
         QStringLiteral("Both")},
        {QStringLiteral("blocks"),
         QStringLiteral("Block names, separated by commas; * for the text in every block (default); "
                        "*MODEL_SPACE or *PAPER_SPACE for the text lying directly in a space."),
         QStringLiteral("list"), QStringLiteral("*")},
        {QStringLiteral("layers"), QStringLiteral("Layer names, separated by commas; * for all (default)."),
         QStringLiteral("list"), QStringLiteral("*")},
        {QStringLiteral("match-case"), QStringLiteral("Compare the phrase with its letter case.")},
        {QStringLiteral("exact"), QStringLiteral("The whole text must equal the phrase.")},
        {QStringLiteral("mtext"), QStringLiteral("Search multiple-line text instead of single-line text.")},
        {QStringLiteral("attributes"),
         QStringLiteral("Attribute tags, separated by commas, * for all: search the attribute values of the "
                        "block references too."),
         QStringLiteral("list")},
        {QStringLiteral("no-path"), QStringLiteral("Name drawings by file name only.")},
        {QStringLiteral("delimiter"), QStringLiteral("Field delimiter of the rows (default \",\")."), QStringLiteral("c")},
        {QStringLiteral("output"), QStringLiteral("Write the results to FILE instead of standard output."),
         QStringLiteral("file")},
        {QStringLiteral("include-criteria"), QStringLiteral("Write the search criteria before the results.")},
        JobsOption(),
    };
    line.arguments = {
        {QStringLiteral("PHRASE"), QStringLiteral("The text to search for, as typed.")},
        {QStringLiteral("FILESPEC"), QStringLiteral("Folder and file pattern of the drawings, e.g. /dwg/a*.dxf.")},
    };
    return line;
}

int Find(const Subcommand& self, const QStringList& args) {
    QCommandLineParser parser;
    Context ctx;
    if (const std::optional<int> status = Prepare(self, parser, args, ctx)) return *status;

    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 2) {
        ctx.ui.Error(QStringLiteral("give a phrase and a folder and file pattern; usage: ") + Synopsis(self));
        return kBadUsage;
    }
    const std::optional<QString> delimiter = DelimiterOption(parser, ctx.ui);
    if (!delimiter) return kBadUsage;
    SearchCriteria criteria;
    criteria.space = parser.value(QStringLiteral("space"));
    criteria.blocks = parser.value(QStringLiteral("blocks"));
    criteria.layers = parser.value(QStringLiteral("layers"));
    criteria.matchCase = parser.isSet(QStringLiteral("match-case"));
    criteria.wholePhrase = parser.isSet(QStringLiteral("exact"));
    criteria.multipleLineText = parser.isSet(QStringLiteral("mtext"));
    criteria.attributes = parser.value(QStringLiteral("attributes"));
    criteria.includePath = !parser.isSet(QStringLiteral("no-path"));
    criteria.phrase = positional.at(0);
    criteria.fileSpec = positional.at(1);
    criteria.delimiter = *delimiter;
    if (const QString refusal = SearchRun::Refusal(criteria); !refusal.isEmpty()) {
        ctx.ui.Error(refusal);
        return kBadUsage;
    }
    if (criteria.space != u"Both" && criteria.space != u"Model" && criteria.space != u"Paper") {
        ctx.ui.Error(QStringLiteral("--space is Both, Model or Paper"));
        return kBadUsage;
    }

    const std::optional<int> jobs = JobsOptionValue(parser, ctx.ui);
    if (!jobs) return kBadUsage;

    // The rows are written as the drawings are searched, not held until the end. The file is made
    // when the first rows come (or at the end, empty, for a search that found nothing).
    const bool toFile = parser.isSet(QStringLiteral("output"));
    const QString output = parser.value(QStringLiteral("output"));
    LineWriter file;
    bool opened = false;
    bool refused = false;
    auto open = [&] {
        if (opened) return;
        opened = true;
        refused = !file.Open(output, LineWriter::Mode::Truncate);
    };
    const bool withCriteria = parser.isSet(QStringLiteral("include-criteria"));
    bool first = true;
    auto sink = [&](const QString& piece) {
        const QString text = first && withCriteria ? SearchCriteriaBlock(criteria) + piece : piece;
        first = false;
        if (toFile) {
            open();
            file.Write(text);
        } else {
            const QByteArray bytes = EncodeText(text);
            std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
        }
    };

    CatchInterrupt(ctx.state);
    SearchRun run(ctx.host, ctx.state, ctx.ui);
    run.SetJobs(*jobs);
    run.SetRowSink(sink);
    const SearchResult result = run.Run(criteria);
    ctx.ui.Finish();
    if (!result.hostStarted) return kNoHost;
    if (toFile) {
        open();
        if (refused) {
            ctx.ui.Error(QStringLiteral("cannot write '") + output + QStringLiteral("'"));
            return kErrorMark;
        }
        file.Close();
        if (!file.ok()) {
            ctx.ui.Error(QStringLiteral("could not write all of '") + output + QStringLiteral("'"));
            return kErrorMark;
        }
    } else if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        ctx.ui.Error(QStringLiteral("could not write all of the results to standard output"));
        return kErrorMark;
    }
    return result.hits > 0 ? kDone : kErrorMark;
}

}  // namespace qln::cli
