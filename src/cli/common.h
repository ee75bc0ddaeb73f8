#pragma once
// What every subcommand of qln-cli shares: the program-wide state, the host, the frontend, parsing the
// command line, the delimiter option, exit statuses and Ctrl-C.

#include "cli/cli_frontend.h"
#include "cli/subcommands.h"
#include "host/automation.h"
#include "host/program_state.h"
#include "runs/run_record.h"

#include <QCommandLineParser>
#include <QFile>
#include <QString>
#include <QStringList>

#include <atomic>
#include <optional>

namespace qln::cli {

enum ExitStatus {
    kDone = 0,
    kErrorMark = 1,       // a failure was logged (find: no hit)
    kBadUsage = 2,        // bad usage, a missing list file, a template error
    kNoHost = 3,          // the host could not be started
};

// Set by Ctrl-C: modification runs stop after the current drawing.
extern std::atomic<bool> g_stopRun;

struct Context {
    ProgramState state;
    CliFrontend ui;
    host::ApplicationClassPtr host;
};

// Builds the subcommand's parser, parses args (args[0] names the subcommand) and fills ctx: quiet, the
// host, the program and log folders (--log-dir when withLogDir and given). Returns the exit status to
// end with now (help or version shown, bad usage reported), or nothing when the caller should go on.
std::optional<int> Prepare(const Subcommand& command, QCommandLineParser& parser, const QStringList& args,
                           Context& ctx, bool withLogDir = false);

// What --version prints: "qln-cli VERSION" and, on a second line, how the program's folders were
// decided (where faq.fil is and where the logs go).
QString VersionText(const ProgramState& state);

// Installs the Ctrl-C handler: the first Ctrl-C sets blnAbortSearch (searches) and g_stopRun
// (modification runs); a second one ends the program at once.
void CatchInterrupt(ProgramState& state);

// How a modification run ends: "interrupted" after a Ctrl-C, where the errors are listed (when err.log
// holds them). The exit status: 1 when any of these happened or a log could not be written in full
// (kErrorMark), else 0.
int Ending(Context& ctx, bool stopped, bool failed, bool errorsListed, const QStringList& logFailures);

// The one-character delimiter option: its value, or "," when absent. Nothing on a bad value (more than
// one character, or a blank), which is reported.
std::optional<QString> DelimiterOption(const QCommandLineParser& parser, CliFrontend& ui);

// --jobs: the number given (0 when absent: one per processor). Nothing on a bad value (not a whole
// number from 1 to 1024), which is reported.
std::optional<int> JobsOptionValue(const QCommandLineParser& parser, CliFrontend& ui);
// The preview and journal options of the modification runs (--dry-run, --audit, --no-journal,
// --prune-days). A preview's audit lines go to `previewOut`, opened here on --audit FILE or on standard
// output. Nothing on a bad value, which is reported.
std::optional<RunSafety> SafetyOptions(const QCommandLineParser& parser, CliFrontend& ui, QFile& previewOut);
// After a modification run: where its journal is and how big, or why it has none.
void ReportRecord(const RunRecordSummary& record, bool preview, CliFrontend& ui);

}  // namespace qln::cli
