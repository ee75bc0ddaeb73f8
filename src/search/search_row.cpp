#include "search/search_row.h"

namespace qln {

QString QuoteSearchField(const QString& field, const QString& delimiter) {
    if (delimiter == u"\"") return field;
    const bool needsQuotes = (!delimiter.isEmpty() && field.contains(delimiter)) || field.contains(u'"') ||
                             field.contains(u'\r') || field.contains(u'\n');
    if (!needsQuotes) return field;
    QString quoted = field;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

QString SearchRow(const QStringList& fields, const QString& delimiter) {
    QString row;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i) row += delimiter;
        row += QuoteSearchField(fields.at(i), delimiter);
    }
    row += QStringLiteral("\r\n");
    return row;
}

QString SearchHeaderRow(const QString& delimiter) {
    static const QStringList header{QStringLiteral("Drawing"), QStringLiteral("Space"), QStringLiteral("Block"),
                                    QStringLiteral("Layer"),   QStringLiteral("Rotation"), QStringLiteral("Handle"),
                                    QStringLiteral("X"),       QStringLiteral("Y"),     QStringLiteral("Z"),
                                    QStringLiteral("Text")};
    return SearchRow(header, delimiter);
}

}  // namespace qln
