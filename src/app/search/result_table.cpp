// ParseSearchRows and ResultTableModel.

#include "app/search/result_table.h"

#include <algorithm>

namespace qln {

QList<QStringList> ParseSearchRows(const QString& text, const QString& delimiter) {
    QList<QStringList> rows;
    if (text.isEmpty()) return rows;
    // With a double quote as the delimiter nothing was quoted.
    const bool quoting = delimiter != QLatin1String("\"");
    QStringList fields;
    QString field;
    bool quoted = false;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == u'"') {
                if (i + 1 < n && text.at(i + 1) == u'"') {
                    field += u'"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field += c;
            }
            continue;
        }
        if (quoting && c == u'"' && field.isEmpty()) {
            quoted = true;
        } else if (!delimiter.isEmpty() && text.mid(i, delimiter.size()) == delimiter) {
            fields << field;
            field.clear();
            i += delimiter.size() - 1;
        } else if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < n && text.at(i + 1) == u'\n') ++i;
            fields << field;
            field.clear();
            rows << fields;
            fields.clear();
        } else {
            field += c;
        }
    }
    if (!field.isEmpty() || !fields.isEmpty()) {
        fields << field;
        rows << fields;
    }
    return rows;
}

void ResultTableModel::SetResults(const QString& text, const QString& delimiter) {
    beginResetModel();
    rows_ = ParseSearchRows(text, delimiter);
    header_ = rows_.isEmpty() ? QStringList() : rows_.takeFirst();
    endResetModel();
}

QString ResultTableModel::Field(int row, int column) const {
    if (row < 0 || row >= rows_.size() || column < 0 || column >= rows_.at(row).size()) return QString();
    return rows_.at(row).at(column);
}

int ResultTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ResultTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(header_.size());
}

QVariant ResultTableModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
    return Field(index.row(), index.column());
}

QVariant ResultTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return section + 1;
    return section < header_.size() ? header_.at(section) : QVariant();
}

void ResultTableModel::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column >= header_.size()) return;
    Q_EMIT layoutAboutToBeChanged();
    // Numbers (rotation, coordinates) by value, the rest as text ignoring case; equal rows keep their order.
    auto key = [column](const QStringList& row) { return column < row.size() ? row.at(column) : QString(); };
    std::stable_sort(rows_.begin(), rows_.end(), [&](const QStringList& a, const QStringList& b) {
        const QString x = key(a);
        const QString y = key(b);
        bool xn = false;
        bool yn = false;
        const double dx = x.toDouble(&xn);
        const double dy = y.toDouble(&yn);
        const bool less = xn && yn ? dx < dy : x.compare(y, Qt::CaseInsensitive) < 0;
        const bool greater = xn && yn ? dy < dx : y.compare(x, Qt::CaseInsensitive) < 0;
        return order == Qt::AscendingOrder ? less : greater;
    });
    Q_EMIT layoutChanged();
}

}  // namespace qln
