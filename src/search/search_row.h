#pragma once
// Rows of search results: fields joined by the delimiter and ended by CR LF.
//
// A field that holds the delimiter, a double quote, CR or LF is written in double quotes with inner
// quotes doubled, so that every row keeps its ten fields for a CSV reader. With a double quote as the
// delimiter nothing is quoted (there is no sound quoting then); every other field is written as it is.

#include <QString>
#include <QStringList>

namespace qln {

QString QuoteSearchField(const QString& field, const QString& delimiter);

// The fields, each quoted where needed, joined by the delimiter, and CR LF.
QString SearchRow(const QStringList& fields, const QString& delimiter);

// The header row: Drawing, Space, Block, Layer, Rotation, Handle, X, Y, Z, Text.
QString SearchHeaderRow(const QString& delimiter);

}  // namespace qln
