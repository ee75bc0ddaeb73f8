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
