#pragma once
// The Preview window of Modify Text: every change the template would make, one row per text (drawing,
// handle, old text, new text; a text the template would delete says so), under the run's summary. Modify
// goes on to the real run over the same selection; Close leaves everything as it is.

#include "runs/run_record.h"

#include <QDialog>

#include <vector>

class QTableWidget;

namespace qln {

class PreviewDialog final : public QDialog {
    Q_OBJECT
public:
    static inline const QString kDeleted = QStringLiteral("(deleted)");

    PreviewDialog(QWidget* parent, const QString& summary, const std::vector<RunSafety::Change>& changes);

    QTableWidget* Table() const { return table_; }

private:
    QTableWidget* table_ = nullptr;
};

}  // namespace qln
