#include "app/preview_dialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace qln {

PreviewDialog::PreviewDialog(QWidget* parent, const QString& summary, const std::vector<RunSafety::Change>& changes)
    : QDialog(parent) {
    setObjectName(QStringLiteral("PreviewDialog"));
    setWindowTitle(QStringLiteral("Preview of Modify Text"));

    auto* label = new QLabel(summary, this);
    label->setObjectName(QStringLiteral("lblSummary"));
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);

    table_ = new QTableWidget(static_cast<int>(changes.size()), 4, this);
    table_->setObjectName(QStringLiteral("tblChanges"));
    table_->setHorizontalHeaderLabels(
        {QStringLiteral("Drawing"), QStringLiteral("Handle"), QStringLiteral("Old Text"), QStringLiteral("New Text")});
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->verticalHeader()->hide();
    table_->setWordWrap(false);
    table_->horizontalHeader()->setStretchLastSection(true);
    // Filled with sorting off (rows would move while being filled); sortable afterwards.
    table_->setSortingEnabled(false);
    int row = 0;
    for (const RunSafety::Change& c : changes) {
        auto* drawing = new QTableWidgetItem(QFileInfo(c.drawing).fileName());
        drawing->setToolTip(QDir::toNativeSeparators(c.drawing));
        table_->setItem(row, 0, drawing);
        table_->setItem(row, 1, new QTableWidgetItem(c.change.handle));
        table_->setItem(row, 2, new QTableWidgetItem(c.change.before));
        auto* after = new QTableWidgetItem(c.change.deleted ? kDeleted : c.change.after);
        if (c.change.deleted) {
            QFont italic = after->font();
            italic.setItalic(true);
            after->setFont(italic);
        }
        table_->setItem(row, 3, after);
        ++row;
    }
    table_->setSortingEnabled(true);
    table_->resizeColumnsToContents();

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* modify = buttons->addButton(QStringLiteral("&Modify"), QDialogButtonBox::AcceptRole);
    modify->setObjectName(QStringLiteral("cmdModify"));
    modify->setToolTip(QStringLiteral(" Modify the text of the selected drawings now "));
    QPushButton* close = buttons->addButton(QStringLiteral("&Close"), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("cmdClose"));
    close->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(table_, 1);
    layout->addWidget(buttons);
    resize(760, 420);
}

}  // namespace qln
