#include "runs/file_utils.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace qln {

namespace {

bool IsSeparator(QChar c) {
#ifdef Q_OS_WIN
    return c == u'\\' || c == u'/';
#else
    return c == u'/';
#endif
}

qsizetype LastSeparator(const QString& path) {
    for (qsizetype i = path.size() - 1; i >= 0; --i)
        if (IsSeparator(path.at(i))) return i;
    return -1;
}

bool IsHidden(const QFileInfo& info) {
    return info.isHidden() || info.fileName().startsWith(u'.');
}

}  // namespace

QString GetFileName(const QString& path) {
    const qsizetype at = LastSeparator(path);
    return at < 0 ? path : path.mid(at + 1);
}

QString FolderPart(const QString& path) {
    const qsizetype at = LastSeparator(path);
    return at < 0 ? QString() : path.left(at + 1);
}

bool HasWildcards(const QString& text) { return text.contains(u'*') || text.contains(u'?'); }

QString JoinPath(const QString& folder, const QString& name) {
    if (folder.isEmpty()) return name;
    if (IsSeparator(folder.back())) return folder + name;
    // The separator the folder is written with ("C:/dwg" stays with slashes on Windows), else the
    // platform's own.
    for (qsizetype i = folder.size() - 1; i >= 0; --i)
        if (IsSeparator(folder.at(i))) return folder + folder.at(i) + name;
    return folder + QDir::separator() + name;
}

bool WildcardMatch(const QString& pattern, const QString& name) {
    // A direct matcher: '*' any run, '?' one character, everything else literal, ignoring case.
    qsizetype p = 0, n = 0, star = -1, mark = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern.at(p) == u'*') {
            star = p++;
            mark = n;
        } else if (p < pattern.size() &&
                   (pattern.at(p) == u'?' || pattern.at(p).toCaseFolded() == name.at(n).toCaseFolded())) {
            ++p;
            ++n;
        } else if (star >= 0) {
            p = star + 1;
            n = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern.at(p) == u'*') ++p;
    return p == pattern.size();
}

QStringList ListNames(const QString& folder, const QString& pattern, Listing what) {
    QDir dir(folder.isEmpty() ? QStringLiteral(".") : folder);
    if (!dir.exists() || !dir.isReadable()) return {};
    // Special files (fifos, sockets, devices) are never listed: opening one could block a run.
    QDir::Filters filters = QDir::NoDotAndDotDot;
    if (what == Listing::Folders) filters |= QDir::Dirs | QDir::NoSymLinks;
    else filters |= QDir::Files;
    if (what == Listing::AllFiles) filters |= QDir::Hidden;

    QStringList names;
    for (const QFileInfo& info : dir.entryInfoList(filters, QDir::Unsorted)) {
        if (what != Listing::AllFiles && IsHidden(info)) continue;
        if (what == Listing::Folders && info.isSymLink()) continue;
        if (!WildcardMatch(pattern, info.fileName())) continue;
        names << info.fileName();
    }
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    return names;
}

bool FileExists(const QString& path) {
    if (path.isEmpty()) return false;
    const QString name = GetFileName(path);
    const QString folder = FolderPart(path);
    if (HasWildcards(name)) {
        if (HasWildcards(folder)) return false;
        return !ListNames(folder, name, Listing::NormalFiles).isEmpty() ||
               !ListNames(folder, name, Listing::Folders).isEmpty();
    }
    if (HasWildcards(folder)) return false;
    const QFileInfo info(path);
    if (!info.exists()) return false;
    // A path ending in a separator names its folder; otherwise the entry itself must not be hidden.
    return name.isEmpty() ? info.isDir() : !IsHidden(info);
}

}  // namespace qln
