#include "modify/name_list.h"

namespace qln {

std::int16_t CountSpaces(const QString& text) {
    return static_cast<std::int16_t>(text.count(u' '));
}

QString TrimSpaces(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == u' ') ++begin;
    while (end > begin && text.at(end - 1) == u' ') --end;
    return text.mid(begin, end - begin);
}

QString UpperEachCharacter(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        char32_t c = text.at(i).unicode();
        qsizetype width = 1;
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
            width = 2;
        }
        // QChar's mapping is the simple one-to-one mapping; it leaves characters such as "ß" alone.
        const char32_t upper = QChar::toUpper(c);
        if (QChar::requiresSurrogates(upper)) {
            out.append(QChar::highSurrogate(upper));
            out.append(QChar::lowSurrogate(upper));
        } else {
            out.append(QChar(static_cast<char16_t>(upper)));
        }
        i += width;
    }
    return out;
}

QString NormaliseNameList(const QString& trimmedList) {
    if (trimmedList == u"*") return trimmedList;
    QString list = trimmedList;
    list.replace(u',', u' ');
    return u' ' + list + u' ';
}

bool NameListAdmits(const QString& normalisedList, const QString& name) {
    if (normalisedList == u"*") return true;
    return normalisedList.contains(u' ' + name + u' ', Qt::CaseInsensitive);
}

bool NamesSingleBlock(const QString& normalisedList) {
    return !normalisedList.contains(u"*model_space", Qt::CaseInsensitive) &&
           !normalisedList.contains(u"*paper_space", Qt::CaseInsensitive) && CountSpaces(normalisedList) == 2;
}

}  // namespace qln
