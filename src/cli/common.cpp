#include "cli/common.h"

#include "runs/program_folders.h"
#include "host/dxf/dxf_host.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <csignal>

namespace qln::cli {

std::atomic<bool> g_stopRun{false};

namespace {

ProgramState* g_state = nullptr;
volatile std::sig_atomic_t g_interrupts = 0;

extern "C" void OnInterrupt(int) {
    g_interrupts = g_interrupts + 1;
    if (g_interrupts > 1) {
        std::signal(SIGINT, SIG_DFL);
        std::raise(SIGINT);
        return;
    }
    g_stopRun.store(true);
    if (g_state) g_state->blnAbortSearch.store(true);
}

}  // namespace

std::optional<int> Prepare(const Subcommand& command, QCommandLineParser& parser, const QStringList& args,
                           Context& ctx, bool withLogDir) {
    BuildParser(command, parser);
    if (!parser.parse(args)) {
        ctx.ui.Error(parser.errorText());
        ctx.ui.Error(QStringLiteral("usage: ") + Synopsis(command) + QStringLiteral("  (see --help)"));
        return kBadUsage;
    }
    // The program's folders are decided before anything is shown, so that --version can say which.
    DecideProgramFolders(ctx.state, QCoreApplication::applicationDirPath());
    ctx.state.strLastFolder = ctx.state.programFolder;
    if (parser.isSet(QStringLiteral("version"))) {
        std::fputs(VersionText(ctx.state).toLocal8Bit().constData(), stdout);
        return kDone;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs((QStringLiteral("usage: ") + Synopsis(command) + QStringLiteral("\n\n")).toLocal8Bit().constData(),
                   stdout);
        // Qt's help text lists the options after its own usage line; show only the options.
        const QString help = parser.helpText();
        const qsizetype at = help.indexOf(QStringLiteral("Options:"));
        std::fputs(help.mid(at < 0 ? 0 : at).toLocal8Bit().constData(), stdout);
        return kDone;
    }
    ctx.ui.SetQuiet(parser.isSet(QStringLiteral("quiet")));

    const QString hostName = parser.value(QStringLiteral("host"));
    if (hostName.compare(u"dxf", Qt::CaseInsensitive) != 0) {
        ctx.ui.Error(QStringLiteral("unknown host '") + hostName + QStringLiteral("' (the only host is dxf)"));
        return kBadUsage;
    }
    ctx.host = dxf::MakeDxfHost();

    if (withLogDir && parser.isSet(QStringLiteral("log-dir"))) {
        const QString dir = parser.value(QStringLiteral("log-dir"));
        if (!QDir().mkpath(dir)) {
            ctx.ui.Error(QStringLiteral("cannot create the log folder '") + dir + QStringLiteral("'"));
            return kBadUsage;
        }
        ctx.state.logFolder = QFileInfo(dir).absoluteFilePath();
        ctx.state.logFolderMoved = false;
    } else if (ctx.state.logFolderMoved) {
        ctx.ui.Say(QStringLiteral("qln-cli: cannot write to ") + ctx.state.programFolder +
                   QStringLiteral("; logs go to ") + ctx.state.logFolder);
    }
    return std::nullopt;
}

QString VersionText(const ProgramState& state) {
    return QStringLiteral("qln-cli " QLN_VERSION "\n") + ProgramFoldersLine(state) + u'\n';
}

void CatchInterrupt(ProgramState& state) {
    g_state = &state;
    std::signal(SIGINT, OnInterrupt);
}

std::optional<QString> DelimiterOption(const QCommandLineParser& parser, CliFrontend& ui) {
    if (!parser.isSet(QStringLiteral("delimiter"))) return QStringLiteral(",");
    const QString value = parser.value(QStringLiteral("delimiter"));
    if (value.size() != 1 || value == u" ") {
        ui.Error(QStringLiteral("the delimiter must be one character other than a blank"));
        return std::nullopt;
    }
    return value;
}

}  // namespace qln::cli
