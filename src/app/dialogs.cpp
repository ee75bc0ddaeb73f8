// The file-dialog filter translation and ShowOpenDialog, shared by the windows.

#include "app/dialogs.h"

#include "modify/name_list.h"

#include <QRegularExpression>
#include <QStringList>

namespace qln {

QString QtNameFilter(const QString& filter) {
    QString text = filter;
    if (!text.endsWith(u'|')) text += u'|';
    const QStringList parts = text.split(u'|');
    QStringList filters;
    // parts ends with the empty text after the closing "|". An empty pair is skipped; a name without
    // patterns shows every file.
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString name = parts[i].trimmed();
        const QString patternText = parts[i + 1].trimmed();
        if (patternText.isEmpty() && name.isEmpty()) continue;
        QStringList patterns;
        for (const QString& p : patternText.split(QRegularExpression(QStringLiteral("[;,\\s]+")), Qt::SkipEmptyParts)) {
            const QString pattern = p == QLatin1String("*.*") ? QStringLiteral("*") : p;
            if (!patterns.contains(pattern)) patterns << pattern;
        }
        if (patterns.isEmpty()) patterns << QStringLiteral("*");
        // "DLF Files (*.dlf)" already names its patterns: keep the words, put the real patterns after.
        static const QRegularExpression trailingParens(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
        name.remove(trailingParens);
        if (name.isEmpty()) name = patterns.join(u' ');
        filters << name + QStringLiteral(" (") + patterns.join(u' ') + u')';
    }
    return filters.join(QStringLiteral(";;"));
}

QString ShowOpenDialog(Dialogs& dialogs, QWidget* owner, const QString& filter, const QString& title,
                       const QString& initialFolder) {
    return TrimSpaces(dialogs.OpenFile(owner, filter, title, initialFolder));
}

}  // namespace qln
