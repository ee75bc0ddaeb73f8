// cAutoCAD::PrepTemplate: read a template file into the session's settings and command list.
//
// A template has free text, then an *INPUT section of settings (STYLE:, SPACE:, BLOCK:, LAYER:,
// VERSION:, ATTRIBUTES:), then, after a line that is exactly "*COMMANDS", one command per line. The
// parser reads and stores; values and commands are judged when a drawing is processed, except the
// regular expressions of g and sg, which must compile before any drawing is touched.

#include "host/cautocad.h"
#include "host/text_files.h"
#include "modify/commands.h"
#include "modify/name_list.h"

namespace qln {

namespace {

// The command list is indexed by a 16-bit signed integer.
constexpr qsizetype kMaxCommands = 32768;

// Upper case per character: a layer or block name such as "Maße" must still match itself afterwards.
QString TrimUpper(const QString& line) { return UpperEachCharacter(TrimSpaces(line)); }

}  // namespace

std::int16_t cAutoCAD::PrepTemplate(const QString& strTemplateFile) {
    QString ignored;
    return PrepTemplate(strTemplateFile, ignored);
}

std::int16_t cAutoCAD::PrepTemplate(const QString& strTemplateFile, QString& strErr) {
    return PrepTemplate(strTemplateFile, strErr, QStringLiteral(","));
}

std::int16_t cAutoCAD::PrepTemplate(const QString& strTemplateFile, QString& strErr, const QString& strDelimiter) {
    strCommands.clear();

    const std::optional<QStringList> lines = ReadTextLines(strTemplateFile);
    if (!lines) {
        strErr = QStringLiteral("Unable to open template file '") + strTemplateFile + QStringLiteral("'.");
        return 0;
    }
    qsizetype next = 0;
    const qsizetype count = lines->size();

    // Skip everything up to the *INPUT line (recognised trimmed and in any case).
    QString line;
    while (next < count) {
        line = TrimUpper(lines->at(next++));
        if (line == u"*INPUT") break;
    }
    if (line != u"*INPUT") {
        strErr = QStringLiteral("Template file requires '*INPUT'.");
        return -1;
    }

    strTextType = QStringLiteral("Single");
    strBlocks = QStringLiteral("*");
    strLayers = QStringLiteral("*");
    strSpaces = QStringLiteral("*");
    strVersion = QStringLiteral("0");
    strAttributes.clear();

    // The settings, up to a line that is exactly "*COMMANDS" as read. A key repeated takes its last value.
    while (next < count) {
        const QString& raw = lines->at(next++);
        if (raw == u"*COMMANDS") {
            line = raw;
            break;
        }
        line = TrimUpper(raw);
        if (line.startsWith(u"STYLE:")) strTextType = TrimSpaces(line.mid(6));
        else if (line.startsWith(u"LAYER:")) strLayers = TrimSpaces(line.mid(6));
        else if (line.startsWith(u"SPACE:")) strSpaces = TrimSpaces(line.mid(6));
        else if (line.startsWith(u"BLOCK:")) strBlocks = TrimSpaces(line.mid(6));
        else if (line.startsWith(u"VERSION:")) strVersion = TrimSpaces(line.mid(8));
        else if (line.startsWith(u"ATTRIBUTES:")) strAttributes = NormaliseNameList(TrimSpaces(line.mid(11)));
    }

    strLayers = NormaliseNameList(strLayers);
    strBlocks = NormaliseNameList(strBlocks);

    // The last line handled decides: a trimmed, upper-cased last line of the file also passes here.
    if (line != u"*COMMANDS") {
        strErr = QStringLiteral("Template file requires '*COMMANDS'.");
        return -2;
    }

    while (next < count) {
        const qsizetype lineNumber = next + 1;
        const QString command = TrimSpaces(lines->at(next++));
        if (command.isEmpty() || command.startsWith(u'\'')) continue;
        if (strCommands.size() >= kMaxCommands) continue;
        // A pattern that cannot be used makes the whole template unusable: better refused now than
        // found out half-way through a set of drawings.
        if (const auto recognised = RecogniseCommand(command, strDelimiter)) {
            if (const auto reason = PatternError(*recognised)) {
                strCommands.clear();
                strErr = QStringLiteral("Template file has an invalid regular expression on line %1: %2.")
                             .arg(lineNumber)
                             .arg(*reason);
                return -4;
            }
        }
        strCommands.append(command);
    }

    if (strCommands.isEmpty()) {
        strErr = QStringLiteral("Template file requires attribute tags.");
        return -3;
    }
    return 1;
}

}  // namespace qln
