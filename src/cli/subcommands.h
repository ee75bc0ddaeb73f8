#pragma once
// The subcommands of qln-cli, in one table: what dispatches them, the top-level usage text, each one's
// usage line and its options and arguments (for --help, and for anything that completes a command
// line) all come from it.

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <span>

namespace qln::cli {

// A positional argument as --help lists it.
struct Argument {
    QString name;
    QString description;
    QString syntax = {};  // how it is shown in Qt's usage line, when not by its name
};

// What a subcommand takes besides the common options.
struct CommandLine {
    QList<QCommandLineOption> options;  // in the order --help lists them
    QList<Argument> arguments;
};

struct Subcommand {
    QString name;
    QString synopsis;  // its options and arguments, as its usage line shows them after "qln-cli NAME"
    QString summary;   // what it does, in one line of the top-level usage
    CommandLine (*commandLine)();
    // Runs it; args[0] is "qln-cli NAME", the program name its parser reports.
    int (*run)(const Subcommand& self, const QStringList& args);
};

// Every subcommand, in the order the usage lists them.
std::span<const Subcommand> Subcommands();
// The subcommand of that name, or null.
const Subcommand* FindSubcommand(QStringView name);

// "qln-cli NAME SYNOPSIS", on one line.
QString Synopsis(const Subcommand& command);
// The top-level usage: every subcommand with its synopsis and summary, the common options, the exit
// statuses.
QString Usage();

// The bash completion script of qln-cli (subcommands, their options and option values), printed by the
// hidden top-level option --bash-completion and installed with the program (completion.cpp).
QString BashCompletion();

// The options every subcommand has besides --help and --version: --host and --quiet.
QList<QCommandLineOption> CommonOptions();
// The options of the modification runs (modify, run): --delimiter, --no-audit, --log-dir, and the
// preview and journal options.
QList<QCommandLineOption> ModificationOptions();
// --jobs N of the runs that work on many drawings (modify, run, find).
QCommandLineOption JobsOption();
// A parser for the subcommand: its own options and arguments, the common options, --help and
// --version (Qt's own, which also bring -h, --help-all and -v).
void BuildParser(const Subcommand& command, QCommandLineParser& parser);

// The subcommands' own parts (cmd_modify.cpp, cmd_run.cpp, cmd_find.cpp, cmd_report.cpp, cmd_undo.cpp).
CommandLine ModifyCommandLine();
int Modify(const Subcommand& self, const QStringList& args);
CommandLine RunCommandLine();
int Run(const Subcommand& self, const QStringList& args);
CommandLine FindCommandLine();
int Find(const Subcommand& self, const QStringList& args);
CommandLine ReportCommandLine();
int Report(const Subcommand& self, const QStringList& args);
CommandLine UndoCommandLine();
int Undo(const Subcommand& self, const QStringList& args);
CommandLine RunsCommandLine();
int Runs(const Subcommand& self, const QStringList& args);

}  // namespace qln::cli
