#pragma once
// The search results as a table: one column per field of the rows (Drawing, Space, Block, Layer,
// Rotation, Handle, X, Y, Z, Text), sortable by any column (numbers by value). The rows are read back
// from the delimited text the search wrote, quoted fields included.

#include <QAbstractTableModel>
#include <QList>
#include <QString>
#include <QStringList>

namespace qln {

// The rows of delimited text: fields split at the delimiter, a field in double quotes may hold the
// delimiter, doubled quotes and line ends. The first row is the header.
QList<QStringList> ParseSearchRows(const QString& text, const QString& delimiter);

class ResultTableModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kHandleColumn = 5;

    explicit ResultTableModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

    // The header row names the columns; an empty text empties the table.
    void SetResults(const QString& text, const QString& delimiter);
    QString Field(int row, int column) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    void sort(int column, Qt::SortOrder order) override;

private:
    QStringList header_;
    QList<QStringList> rows_;
};

}  // namespace qln
