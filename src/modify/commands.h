#pragma once
// The template command language: recognising a command line, applying it to one text object, and the
// audit line that records each change.
//
// A command is a one-letter code (p u l d c) on its own, or a code of one or two letters followed at
// once by the delimiter and its argument(s) (f,find,replacement  sd,text  r,new text ...). The codes are
// tried in a fixed order and the first that recognises the line decides; a line that none recognises
// does nothing. g and sg find by regular expression (g,pattern,replacement with \1 ... \9 for the
// captured groups).

#include "host/automation.h"
#include "host/pending_error.h"

#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace qln {

class LineWriter;
struct TextChange;

// One row of the command table: what a code tests and what it does.
struct CommandRow {
    enum class Argument { None, Single, FindAndReplacement };
    enum class Test { Always, Contains, Equals, Matches };
    enum class Effect { ProperCase, UpperCase, LowerCase, Delete, Clear, ReplaceFound, ReplaceWhole, ReplaceMatches };
    // The families of audit wording.
    enum class Wording { ProperCased, UpperCased, LowerCased, Deleted, ClearedPlain, Cleared, Found, Replaced,
                         FoundEqual, FoundPattern };

    const char16_t* code;      // lower case
    Argument argument;         // None: the whole line is the code
    Test test;
    Qt::CaseSensitivity cs;    // of the test (and of the search of f/sf, the pattern of g/sg)
    Effect effect;
    Wording wording;
};

// A recognised command line.
struct Command {
    const CommandRow* row = nullptr;
    QString find;          // the find text, or the single argument of r d sd z sz c sc x sx
    QString replacement;   // the replacement of f sf w sw a sa g sg; the argument of r
    // g and sg: the find text compiled (Unicode; case folded for g). It may be invalid: see PatternError.
    QRegularExpression pattern;
};

// Why a command's regular expression does not compile ("missing closing parenthesis"), or nothing when
// it is no g/sg command or its pattern is sound.
std::optional<QString> PatternError(const Command& command);

// The command a line stands for with delimiter D, or none when no row recognises it. Codes are matched
// ignoring case; D exactly as given (an empty D recognises only the one-letter commands).
std::optional<Command> RecogniseCommand(const QString& line, const QString& delimiter);

// Every recognisable line of a command list, in order (lines no row recognises are left out: they do
// nothing).
std::vector<Command> RecogniseCommands(const QStringList& lines, const QString& delimiter);

// Whether a command's test passes on text T. An empty search text is contained in every non-empty text
// and in no empty one; it equals only the empty text.
bool CommandTestPasses(const Command& command, const QString& text);

// The text a command leaves (for the effects that write text; Delete leaves T unchanged here).
QString CommandResult(const Command& command, const QString& text);

// The audit line of a command on an object with text T and handle H, in the wording for single-line
// or multiple-line text. An attribute (tag given) always takes the single-line wording with its tag
// beside the handle: "... (Handle: 2F, Tag: REV)".
QString AuditLine(const Command& command, bool blnMText, const QString& text, const QString& handle,
                  const QString* tag = nullptr);
// Whether that line quotes the handle (so it need only be read from the host then).
bool AuditLineNeedsHandle(const Command& command, bool blnMText, bool attribute = false);

// Case conversions. Upper and lower case use Qt's full Unicode mappings. Proper case upper-cases the
// first character of every word and lower-cases the rest; words are separated by space, tab, LF, VT,
// FF, CR or NUL only, so "(note)" and "2nd" keep their lower-case letters.
QString ProperCase(const QString& text);

// Every non-overlapping occurrence of find in text, left to right, replaced by replacement; inserted text
// is not searched again. An empty find text leaves the text as it is.
QString ReplaceOccurrences(const QString& text, const QString& find, const QString& replacement,
                           Qt::CaseSensitivity cs);

// Every match of pattern in text, left to right, replaced by replacement, in which \1 ... \9 stand
// for the captured groups (a group that took no part is empty); every other character is literal. A
// match of the empty string inserts the replacement once and the search moves on. An empty or invalid
// pattern leaves the text as it is.
QString ReplaceMatches(const QString& text, const QRegularExpression& pattern, const QString& replacement);

// The command step: run the whole list on one object, as a pipeline (each command reads the text the
// commands before it left). Sets blnModified whenever a command applies (never clears it) and writes one
// audit line per change, quoting the text as it was before it (no audit when audit is nullptr). Host
// failures are recorded in pending and the step goes on with the next command; a change the host
// refused is not counted and has no audit line. `tag` is given for an attribute reference: its audit
// lines name it (and take the single-line wording whatever blnMText says).
// When `changes` is given, an object that any command changed is added to it (its handle, its text
// before the first change and after the last), for previews and counts.
void RunCommands(host::Entity& object, const std::vector<Command>& commands, bool blnMText, LineWriter* audit,
                 host::PendingError& pending, bool& blnModified, const QString* tag = nullptr,
                 std::vector<TextChange>* changes = nullptr);

}  // namespace qln
