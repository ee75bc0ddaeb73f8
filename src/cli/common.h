#pragma once
// What every subcommand of qln-cli shares: the common options, the program-wide state, the host, the
// frontend, exit statuses and Ctrl-C.

#include "cli/cli_frontend.h"
#include "host/automation.h"
#include "host/program_state.h"

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <atomic>

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

// Adds --host, --quiet and --help to a subcommand's parser.
void AddCommonOptions(QCommandLineParser& parser);

// Adds --delimiter, --no-audit and --log-dir, the options of the modification runs.
void AddModificationOptions(QCommandLineParser& parser);

// Parses args (args[0] names the subcommand) and fills ctx: quiet, the host, the program and log
// folders (--log-dir when withLogDir and given). Returns -1 when the caller should go on, or an exit
// status (help shown, bad usage reported).
int Prepare(QCommandLineParser& parser, const QStringList& args, Context& ctx, const QString& usage,
            bool withLogDir = false);

// Installs the Ctrl-C handler: the first Ctrl-C sets blnAbortSearch (searches) and g_stopRun
// (modification runs); a second one ends the program at once.
void CatchInterrupt(ProgramState& state);

// The one-character delimiter option: its value, or "," when absent. Empty on a bad value.
QString DelimiterOption(const QCommandLineParser& parser);

int Modify(const QStringList& args);
int Run(const QStringList& args);
int Find(const QStringList& args);
int Report(const QStringList& args);

}  // namespace qln::cli
