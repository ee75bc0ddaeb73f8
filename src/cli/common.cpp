#include "cli/common.h"

#include "runs/run_support.h"
#include "host/hosts.h"
#include "host/platform.h"
#include "runs/program_folders.h"

#include <QCoreApplication>
#include <cstdio>
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
        platform::WriteText(platform::StandardStream::Output, VersionText(ctx.state));
        return kDone;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        platform::WriteText(platform::StandardStream::Output, QStringLiteral("usage: ") + Synopsis(command) + QStringLiteral("\n\n"));
        // Qt's help text lists the options after its own usage line; show only the options.
        const QString help = parser.helpText();
        const qsizetype at = help.indexOf(QStringLiteral("Options:"));
        platform::WriteText(platform::StandardStream::Output, help.mid(at < 0 ? 0 : at));
        return kDone;
    }
    ctx.ui.SetQuiet(parser.isSet(QStringLiteral("quiet")));

    // Without --host, the machine's default: AutoCAD where it is installed, else the DXF host.
    std::optional<HostKind> requested;
    if (parser.isSet(QStringLiteral("host"))) {
        const QString hostName = parser.value(QStringLiteral("host"));
        requested = HostKindFromName(hostName);
        if (!requested) {
            ctx.ui.Error(QStringLiteral("unknown host '") + hostName + QStringLiteral("' (the hosts are autocad and dxf)"));
            return kBadUsage;
        }
    }
    auto chosen = ChooseHost(requested);
    if (!chosen) {
        ctx.ui.Error(chosen.error().description);
        return kNoHost;
    }
    ctx.host = *chosen;

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

int Ending(Context& ctx, bool stopped, bool failed, bool errorsListed, const QStringList& logFailures) {
    if (stopped) ctx.ui.Error(QStringLiteral("interrupted: stopped after the current drawing"));
    if (failed && errorsListed)
        ctx.ui.Say(QStringLiteral("Errors are listed in ") + QDir(ctx.state.LogFolder()).filePath(QStringLiteral("err.log")));
    // The log failures were shown by the run (as a message) already.
    return stopped || failed || !logFailures.isEmpty() ? kErrorMark : kDone;
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

std::optional<int> JobsOptionValue(const QCommandLineParser& parser, CliFrontend& ui) {
    if (!parser.isSet(QStringLiteral("jobs"))) return 0;
    bool ok = false;
    const int jobs = parser.value(QStringLiteral("jobs")).toInt(&ok);
    if (!ok || jobs < 1 || jobs > 1024) {
        ui.Error(QStringLiteral("--jobs takes a whole number from 1 to 1024"));
        return std::nullopt;
    }
    return jobs;
}

std::optional<RunSafety> SafetyOptions(const QCommandLineParser& parser, CliFrontend& ui, QFile& previewOut) {
    RunSafety safety;
    safety.preview = parser.isSet(QStringLiteral("dry-run"));
    safety.journal = !parser.isSet(QStringLiteral("no-journal"));
    if (parser.isSet(QStringLiteral("prune-days"))) {
        bool ok = false;
        safety.pruneDays = parser.value(QStringLiteral("prune-days")).toInt(&ok);
        if (!ok || safety.pruneDays < 0) {
            ui.Error(QStringLiteral("--prune-days takes a number of days (0 keeps every journal)"));
            return std::nullopt;
        }
    }
    if (parser.isSet(QStringLiteral("audit")) && !safety.preview) {
        ui.Error(QStringLiteral("--audit FILE names where a preview's changes go; use it with --dry-run"));
        return std::nullopt;
    }
    if (safety.preview) {
        if (parser.isSet(QStringLiteral("audit"))) {
            previewOut.setFileName(parser.value(QStringLiteral("audit")));
            if (!previewOut.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
                ui.Error(QStringLiteral("cannot write '") + previewOut.fileName() + QStringLiteral("': ") +
                         previewOut.errorString());
                return std::nullopt;
            }
        } else if (!previewOut.open(stdout, QIODevice::WriteOnly)) {
            ui.Error(QStringLiteral("cannot write to standard output"));
            return std::nullopt;
        }
        safety.previewAudit = &previewOut;
    }
    return safety;
}

void ReportRecord(const RunRecordSummary& record, bool preview, CliFrontend& ui) {
    if (preview) return;
    if (!record.journalProblem.isEmpty()) ui.Error(record.journalProblem);
    if (record.journalId.isEmpty()) return;
    ui.Say(QStringLiteral("Journal %1: the previous versions of %2 drawing(s), %3 KB; 'qln-cli undo %1' puts them back.")
               .arg(record.journalId)
               .arg(record.journalDrawings)
               .arg((record.journalBytes + 1023) / 1024));
}

}  // namespace qln::cli
