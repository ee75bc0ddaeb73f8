// The template command language: the command table, recognition of a line, the tests and effects, the
// audit wording, and the command step that runs a whole list on one text object.

#include "modify/commands.h"

#include "host/cautocad.h"
#include "host/text_files.h"

#include <QRegularExpressionMatchIterator>

#include <array>

namespace qln {

namespace {

using Arg = CommandRow::Argument;
using Test = CommandRow::Test;
using Effect = CommandRow::Effect;
using Wording = CommandRow::Wording;
constexpr Qt::CaseSensitivity kIgnoreCase = Qt::CaseInsensitive;
constexpr Qt::CaseSensitivity kExactCase = Qt::CaseSensitive;

// The command table, in the order the rows are tried. A leading s makes a test exact-case; w/a, d/z
// and c/x differ only in the test (contains or equals the whole text).
constexpr std::array<CommandRow, 22> kCommandTable{{
    {u"p", Arg::None, Test::Always, kIgnoreCase, Effect::ProperCase, Wording::ProperCased},
    {u"u", Arg::None, Test::Always, kIgnoreCase, Effect::UpperCase, Wording::UpperCased},
    {u"l", Arg::None, Test::Always, kIgnoreCase, Effect::LowerCase, Wording::LowerCased},
    {u"d", Arg::None, Test::Always, kIgnoreCase, Effect::Delete, Wording::Deleted},
    {u"c", Arg::None, Test::Always, kIgnoreCase, Effect::Clear, Wording::ClearedPlain},
    {u"f", Arg::FindAndReplacement, Test::Contains, kIgnoreCase, Effect::ReplaceFound, Wording::Found},
    {u"sf", Arg::FindAndReplacement, Test::Contains, kExactCase, Effect::ReplaceFound, Wording::Found},
    {u"w", Arg::FindAndReplacement, Test::Contains, kIgnoreCase, Effect::ReplaceWhole, Wording::Found},
    {u"sw", Arg::FindAndReplacement, Test::Contains, kExactCase, Effect::ReplaceWhole, Wording::Found},
    {u"r", Arg::Single, Test::Always, kIgnoreCase, Effect::ReplaceWhole, Wording::Replaced},
    {u"a", Arg::FindAndReplacement, Test::Equals, kIgnoreCase, Effect::ReplaceWhole, Wording::FoundEqual},
    {u"sa", Arg::FindAndReplacement, Test::Equals, kExactCase, Effect::ReplaceWhole, Wording::FoundEqual},
    {u"d", Arg::Single, Test::Contains, kIgnoreCase, Effect::Delete, Wording::Deleted},
    {u"sd", Arg::Single, Test::Contains, kExactCase, Effect::Delete, Wording::Deleted},
    {u"z", Arg::Single, Test::Equals, kIgnoreCase, Effect::Delete, Wording::Deleted},
    {u"sz", Arg::Single, Test::Equals, kExactCase, Effect::Delete, Wording::Deleted},
    {u"c", Arg::Single, Test::Contains, kIgnoreCase, Effect::Clear, Wording::Cleared},
    {u"sc", Arg::Single, Test::Contains, kExactCase, Effect::Clear, Wording::Cleared},
    {u"x", Arg::Single, Test::Equals, kIgnoreCase, Effect::Clear, Wording::Cleared},
    {u"sx", Arg::Single, Test::Equals, kExactCase, Effect::Clear, Wording::Cleared},
    {u"g", Arg::FindAndReplacement, Test::Matches, kIgnoreCase, Effect::ReplaceMatches, Wording::FoundPattern},
    {u"sg", Arg::FindAndReplacement, Test::Matches, kExactCase, Effect::ReplaceMatches, Wording::FoundPattern},
}};

bool IsWordSeparator(QChar c) {
    switch (c.unicode()) {
        case u' ': case u'\t': case u'\n': case u'\v': case u'\f': case u'\r': case u'\0':
            return true;
        default:
            return false;
    }
}

// Whether row recognises line: the whole line is the code, or it starts with the code followed by D.
// The line's part is lower-cased before the comparison and D is not, so a D that is an upper-case letter
// never matches.
bool Recognises(const CommandRow& row, const QString& line, const QString& delimiter) {
    const QString code = QString::fromUtf16(row.code);
    if (row.argument == Arg::None) return line.toLower() == code;
    if (delimiter.isEmpty()) return false;
    return line.left(code.size() + delimiter.size()).toLower() == code + delimiter;
}

}  // namespace

std::optional<Command> RecogniseCommand(const QString& line, const QString& delimiter) {
    for (const CommandRow& row : kCommandTable) {
        if (!Recognises(row, line, delimiter)) continue;
        Command command;
        command.row = &row;
        const qsizetype prefix = QStringView(row.code).size() + delimiter.size();
        switch (row.argument) {
            case Arg::None:
                break;
            case Arg::Single:
                // Everything after the prefix, further delimiters included.
                (row.effect == Effect::ReplaceWhole ? command.replacement : command.find) = line.mid(prefix);
                break;
            case Arg::FindAndReplacement: {
                // The find text runs up to the last delimiter, so it may hold D and the replacement not.
                // With D only in the prefix the find text is empty.
                const qsizetype last = line.lastIndexOf(delimiter);
                if (last < prefix) {
                    command.replacement = line.mid(prefix);
                } else {
                    command.find = line.mid(prefix, last - prefix);
                    command.replacement = line.mid(last + delimiter.size());
                }
                break;
            }
        }
        if (row.test == Test::Matches) {
            QRegularExpression::PatternOptions options = QRegularExpression::UseUnicodePropertiesOption;
            if (row.cs == kIgnoreCase) options |= QRegularExpression::CaseInsensitiveOption;
            command.pattern = QRegularExpression(command.find, options);
        }
        return command;
    }
    return std::nullopt;
}

std::optional<QString> PatternError(const Command& command) {
    if (command.row->test != Test::Matches || command.pattern.isValid()) return std::nullopt;
    return command.pattern.errorString();
}

std::vector<Command> RecogniseCommands(const QStringList& lines, const QString& delimiter) {
    std::vector<Command> commands;
    commands.reserve(static_cast<size_t>(lines.size()));
    for (const QString& line : lines) {
        if (auto command = RecogniseCommand(line, delimiter)) commands.push_back(std::move(*command));
    }
    return commands;
}

bool CommandTestPasses(const Command& command, const QString& text) {
    const CommandRow& row = *command.row;
    switch (row.test) {
        case Test::Always:
            return true;
        case Test::Contains:
            // A search from the first character: an empty find text is found in any non-empty text only.
            if (command.find.isEmpty()) return !text.isEmpty();
            return text.contains(command.find, row.cs);
        case Test::Equals:
            return text.compare(command.find, row.cs) == 0;
        case Test::Matches:
            // An empty pattern is taken like f's empty find text.
            if (command.find.isEmpty()) return !text.isEmpty();
            return command.pattern.isValid() && command.pattern.match(text).hasMatch();
    }
    return false;
}

QString CommandResult(const Command& command, const QString& text) {
    switch (command.row->effect) {
        case Effect::ProperCase: return ProperCase(text);
        case Effect::UpperCase: return text.toUpper();
        case Effect::LowerCase: return text.toLower();
        case Effect::Clear: return QString();
        case Effect::ReplaceFound: return ReplaceOccurrences(text, command.find, command.replacement, command.row->cs);
        case Effect::ReplaceWhole: return command.replacement;
        case Effect::ReplaceMatches: return ReplaceMatches(text, command.pattern, command.replacement);
        case Effect::Delete: break;
    }
    return text;
}

QString ProperCase(const QString& text) {
    QString out;
    out.reserve(text.size());
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        if (IsWordSeparator(text.at(i))) {
            out.append(text.at(i++));
            continue;
        }
        qsizetype end = i + 1;
        while (end < n && !IsWordSeparator(text.at(end))) ++end;
        // The first character of the word is one code point: two UTF-16 units for a surrogate pair.
        const qsizetype first = (text.at(i).isHighSurrogate() && i + 1 < end && text.at(i + 1).isLowSurrogate()) ? 2 : 1;
        out.append(text.mid(i, first).toUpper());
        out.append(text.mid(i + first, end - i - first).toLower());
        i = end;
    }
    return out;
}

QString ReplaceOccurrences(const QString& text, const QString& find, const QString& replacement,
                           Qt::CaseSensitivity cs) {
    // (QString::replace would insert the replacement between every two characters for an empty find.)
    if (find.isEmpty()) return text;
    QString out = text;
    return out.replace(find, replacement, cs);
}

QString ReplaceMatches(const QString& text, const QRegularExpression& pattern, const QString& replacement) {
    if (pattern.pattern().isEmpty() || !pattern.isValid()) return text;
    QString out;
    qsizetype done = 0;
    // The iterator moves past a match of the empty string, so such a pattern cannot loop.
    QRegularExpressionMatchIterator matches = pattern.globalMatch(text);
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        out += QStringView(text).mid(done, match.capturedStart() - done);
        for (qsizetype i = 0; i < replacement.size(); ++i) {
            const QChar c = replacement.at(i);
            if (c == u'\\' && i + 1 < replacement.size() && replacement.at(i + 1) >= u'1' && replacement.at(i + 1) <= u'9') {
                out += match.captured(replacement.at(++i).digitValue());
                continue;
            }
            out += c;
        }
        done = match.capturedEnd();
    }
    out += QStringView(text).mid(done);
    return out;
}

bool AuditLineNeedsHandle(const Command& command, bool blnMText, bool attribute) {
    if (attribute) return true;
    switch (command.row->wording) {
        case Wording::Found:
        case Wording::Replaced:
        case Wording::FoundPattern:
            return blnMText;
        default:
            return true;
    }
}

QString AuditLine(const Command& command, bool blnMText, const QString& text, const QString& handle,
                  const QString* tag) {
    const QString q = QStringLiteral("'");
    // An attribute takes the single-line wording; its tag goes beside the handle, or after the line when
    // the wording names no handle in brackets.
    if (tag) blnMText = false;
    const QString handleNote = tag ? QStringLiteral("(Handle: ") + handle + QStringLiteral(", Tag: ") + *tag + u')'
                                   : QStringLiteral("(Handle: ") + handle + u')';
    const QString trailer = tag ? u' ' + handleNote : QString();
    auto object = [&](const QString& verb) {
        return blnMText ? verb + QStringLiteral(" multiple line text object with handle ") + handle
                        : verb + QStringLiteral(" single line text object with text '") + text + QStringLiteral("' ") +
                              handleNote;
    };
    auto foundHandle = [&](const QString& newText) {
        return QStringLiteral("Found Handle: ") + handle + QStringLiteral(" and replaced with '") + newText + q;
    };
    switch (command.row->wording) {
        case Wording::ProperCased: return object(QStringLiteral("Proper cased"));
        case Wording::UpperCased: return object(QStringLiteral("Upper cased"));
        case Wording::LowerCased: return object(QStringLiteral("Lower cased"));
        case Wording::Deleted: return object(QStringLiteral("Deleted"));
        case Wording::Cleared: return object(QStringLiteral("Cleared"));
        case Wording::ClearedPlain:
            // The one-letter c names the handle first on single-line text.
            return blnMText ? object(QStringLiteral("Cleared"))
                            : QStringLiteral("Cleared single line text object with handle ") + handle +
                                  QStringLiteral(" and text '") + text + q +
                                  (tag ? QStringLiteral(" (Tag: ") + *tag + u')' : QString());
        case Wording::Found:
            return blnMText ? foundHandle(command.replacement)
                            : QStringLiteral("Found '") + command.find + QStringLiteral("' in '") + text +
                                  QStringLiteral("' and replaced with '") + command.replacement + q + trailer;
        case Wording::FoundPattern: {
            // The whole new text, since the replacement alone does not say what came of the matches.
            const QString newText = CommandResult(command, text);
            return blnMText ? foundHandle(newText)
                            : QStringLiteral("Found '") + command.find + QStringLiteral("' in '") + text +
                                  QStringLiteral("' and replaced with '") + newText + q + trailer;
        }
        case Wording::Replaced:
            return blnMText ? foundHandle(command.replacement)
                            : QStringLiteral("Replaced '") + text + QStringLiteral("' with '") + command.replacement + q +
                                  trailer;
        case Wording::FoundEqual:
            return QStringLiteral("Found '") + command.find + QStringLiteral("' ") + handleNote +
                   QStringLiteral(" and replaced with '") + command.replacement + q;
    }
    return QString();
}

void RunCommands(host::Entity& object, const std::vector<Command>& commands, bool blnMText, LineWriter* audit,
                 host::PendingError& pending, bool& blnModified, const QString* tag,
                 std::vector<TextChange>* changes) {
    std::optional<TextChange> change;
    // The record is made before a delete, which leaves nothing to ask the handle of. Reading it for
    // the record is no member of the run's, so a failure to read it is not the run's error.
    const auto record = [&](const QString& before, const QString& after, bool deleted) {
        if (!changes) return;
        if (!change) {
            change.emplace();
            if (auto handle = object.Handle()) change->handle = *handle;
            change->before = before;
        }
        change->after = after;
        change->deleted = deleted;
    };
    for (const Command& command : commands) {
        // T as the commands before this one left it; a text that cannot be read cannot be tested.
        const std::optional<QString> text = pending.Try(object.TextString());
        if (!text || !CommandTestPasses(command, *text)) continue;

        // The audit line quotes the object as it is before the change. A line whose handle cannot be
        // read is left out; the change is still made.
        std::optional<QString> line;
        if (audit) {
            std::optional<QString> handle;
            if (AuditLineNeedsHandle(command, blnMText, tag != nullptr)) handle = pending.Try(object.Handle());
            else handle.emplace();
            if (handle) line = AuditLine(command, blnMText, *text, *handle, tag);
        }

        // A change the host refuses (a locked layer, a text too long for the drawing) is neither counted
        // nor recorded as made; the audit log says why it was not. A text that stays as it is is not
        // written back.
        const bool deletes = command.row->effect == Effect::Delete;
        bool done = false;
        if (deletes) {
            if (changes && !change) record(*text, *text, false);
            done = pending.Try(object.Delete());
            if (done) record(*text, QString(), true);
        } else {
            const QString result = CommandResult(command, *text);
            done = result == *text || pending.Try(object.SetTextString(result));
            if (done && result != *text) record(*text, result, false);
        }
        if (!done) {
            if (audit) audit->WriteLine(QStringLiteral("Error: ") + pending.error().description);
            continue;
        }

        blnModified = true;
        if (line) audit->WriteLine(*line);
        // Nothing is left to change: later commands would only fail on the erased object.
        if (deletes) break;
    }
    // A text that commands left as it was is no change (a delete that failed, say).
    if (change && (change->deleted || change->after != change->before)) changes->push_back(std::move(*change));
}

}  // namespace qln
