// The bash completion of qln-cli, written from the subcommand table: the subcommands, each one's
// options, the values an option offers, and file names for everything else.

#include "cli/subcommands.h"

#include <QRegularExpression>

namespace qln::cli {

namespace {

// The words bash offers after an option that takes a value, or a compgen action, or nothing for file
// names (bash's default completion, which the script falls back on).
struct ValueCompletion {
    QString words;   // "Both Model Paper"
    QString action;  // "-d" for folders
};

bool IsWord(const QString& text) {
    static const QRegularExpression word(QStringLiteral("^[A-Za-z0-9_.-]+$"));
    return word.match(text).hasMatch();
}

ValueCompletion CompleteValue(const Subcommand& command, const QCommandLineOption& option) {
    // Choices the usage line spells out: "--space Both|Model|Paper".
    const QString name = option.names().constFirst();
    const QRegularExpression choices(QStringLiteral("--") + QRegularExpression::escape(name) +
                                     QStringLiteral(" ([A-Za-z0-9_|]+\\|[A-Za-z0-9_|]+)"));
    const QRegularExpressionMatch m = choices.match(command.synopsis);
    if (m.hasMatch()) return {m.captured(1).split(u'|').join(u' '), {}};
    if (option.valueName() == QLatin1String("dir")) return {{}, QStringLiteral("-d")};
    if (option.valueName() == QLatin1String("file")) return {};
    // Otherwise the default, when it is a plain word ("--host dxf"); lists and characters have none.
    QStringList words;
    for (const QString& value : option.defaultValues())
        if (IsWord(value)) words << value;
    return {words.join(u' '), {}};
}

// "-x" or "--name", as the option is typed.
QString Flag(const QString& name) { return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name; }

QString Quoted(const QString& text) { return u'\'' + QString(text).replace(u'\'', QStringLiteral("'\\''")) + u'\''; }

}  // namespace

QString BashCompletion() {
    QStringList names;
    for (const Subcommand& command : Subcommands()) names << command.name;

    QString valueCases;    // "cmd:--opt) words=...; action=... ;;"
    QString optionCases;   // "cmd) opts=... ;;"
    for (const Subcommand& command : Subcommands()) {
        QList<QCommandLineOption> options = command.commandLine().options;
        options << CommonOptions();
        QStringList flags;
        for (const QCommandLineOption& option : options) {
            for (const QString& n : option.names()) flags << Flag(n);
            if (option.valueName().isEmpty()) continue;
            const ValueCompletion value = CompleteValue(command, option);
            QStringList patterns;
            for (const QString& n : option.names()) patterns << command.name + u':' + Flag(n);
            valueCases += QStringLiteral("        %1) words=%2; action=%3 ;;\n")
                              .arg(patterns.join(u'|'), Quoted(value.words), Quoted(value.action));
        }
        flags << QStringLiteral("--help") << QStringLiteral("--version");
        optionCases += QStringLiteral("        %1) opts=%2 ;;\n").arg(command.name, Quoted(flags.join(u' ')));
    }

    return QStringLiteral(
               "# bash completion for qln-cli, written by `qln-cli --bash-completion`.\n"
               "_qln_cli() {\n"
               "    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n"
               "    local command=${COMP_WORDS[1]} words= action= opts=\n"
               "    COMPREPLY=()\n"
               "    if [ \"$COMP_CWORD\" -eq 1 ]; then\n"
               "        COMPREPLY=($(compgen -W %1 -- \"$cur\"))\n"
               "        return 0\n"
               "    fi\n"
               "    # The value of an option that takes one.\n"
               "    case \"$command:$prev\" in\n"
               "%2"
               "        *) prev= ;;\n"
               "    esac\n"
               "    if [ -n \"$prev\" ]; then\n"
               "        if [ -n \"$action\" ]; then compopt -o filenames 2>/dev/null; COMPREPLY=($(compgen $action -- \"$cur\"))\n"
               "        elif [ -n \"$words\" ]; then COMPREPLY=($(compgen -W \"$words\" -- \"$cur\"))\n"
               "        fi\n"
               "        return 0\n"
               "    fi\n"
               "    # The command's options; anything else is a file name (bash's default completion).\n"
               "    case \"$command\" in\n"
               "%3"
               "        *) return 0 ;;\n"
               "    esac\n"
               "    if [[ $cur == -* ]]; then COMPREPLY=($(compgen -W \"$opts\" -- \"$cur\")); fi\n"
               "    return 0\n"
               "}\n"
               "complete -o bashdefault -o default -F _qln_cli qln-cli\n")
        .arg(Quoted(names.join(u' ') + QStringLiteral(" help --help --version")), valueCases, optionCases);
}

}  // namespace qln::cli
