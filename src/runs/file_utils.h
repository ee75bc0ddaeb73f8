#pragma once
// Small file procedures the runs share: whether a path exists as a directory listing sees it, the
// file-name part of a path, and listings of names matching a wildcard pattern.

#include <QString>
#include <QStringList>

namespace qln {

// True when the directory listing gives an entry for path: a file or a folder that is not hidden. A
// path whose name holds "*" or "?" exists when anything matches it (ignoring case). Any failure
// (an empty or malformed path, an unreadable folder) gives false.
bool FileExists(const QString& path);

// The text after the last path separator; the whole path when there is none.
QString GetFileName(const QString& path);

// The path up to and including its last separator; empty when there is none.
QString FolderPart(const QString& path);

// Whether text holds a wildcard character ("*" or "?").
bool HasWildcards(const QString& text);

// folder + name, with one separator between them (none added when folder already ends with one).
QString JoinPath(const QString& folder, const QString& name);

// Whether a file name matches a pattern of "*" and "?", ignoring case, on every platform.
bool WildcardMatch(const QString& pattern, const QString& name);

enum class Listing {
    NormalFiles,        // files that are not hidden
    AllFiles,           // files, hidden ones included
    Folders,            // folders that are not hidden, without "." and ".."
};

// The names in folder matching pattern (ignoring case), sorted by name. Folder links are not listed as
// folders (a scan never follows them). Empty when the folder cannot be read.
QStringList ListNames(const QString& folder, const QString& pattern, Listing what);

}  // namespace qln
