// FittedListWidget and FolderView.

#include "app/pane_widgets.h"

#include <QFileSystemModel>
#include <QHeaderView>
#include <QScrollBar>

#include <utility>

namespace qln {

FittedListWidget::FittedListWidget(QWidget* parent) : QListWidget(parent) {
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

void FittedListWidget::SetHorizontalExtent(int pixels) {
    extent_ = qMax(0, pixels);
    updateGeometries();
}

void FittedListWidget::updateGeometries() {
    QListWidget::updateGeometries();
    // The list's own guess of its content width is replaced by the extent its owner measured.
    horizontalScrollBar()->setRange(0, qMax(0, extent_ - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
}

FolderView::FolderView(QWidget* parent) : QTreeView(parent) {
    header()->hide();
    setSortingEnabled(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformRowHeights(true);
    setAnimated(false);
    settle_ = new QTimer(this);
    settle_->setSingleShot(true);
    settle_->setInterval(30);
    connect(settle_, &QTimer::timeout, this, [this] {
        if (settling_) ShowFolder();
    });
    connect(verticalScrollBar(), &QScrollBar::sliderPressed, this, &FolderView::UserTookOver);
    AttachModel();
}

void FolderView::AttachModel() {
    QFileSystemModel* old = model_;
    model_ = new QFileSystemModel(this);
    model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    model_->setReadOnly(true);
    QItemSelectionModel* oldSelection = selectionModel();
    setModel(model_);
    delete oldSelection;
    delete old;
    for (int column = 1; column < model_->columnCount(); ++column) hideColumn(column);
    sortByColumn(0, Qt::AscendingOrder);
    auto resettle = [this] {
        if (settling_) settle_->start();
    };
    connect(model_, &QFileSystemModel::directoryLoaded, this, resettle);
    connect(model_, &QAbstractItemModel::layoutChanged, this, resettle);
    connect(model_, &QAbstractItemModel::rowsInserted, this, resettle);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& current) {
        if (updating_ || !current.isValid()) return;
        // The user's own choice: the tree stays as the user left it.
        UserTookOver();
        folder_ = FolderAt(current);
        Q_EMIT folderChosen(folder_);
    });
}

void FolderView::SetDrive(const QString& root) {
    if (root == root_) return;
    root_ = root;
    updating_ = true;
    model_->setRootPath(root);
    setRootIndex(model_->index(root));
    updating_ = false;
}

void FolderView::SetFolder(const QString& folder) {
    // The folder the user just picked: the tree stays as it is, so that no row moves under the pointer
    // (its subfolders open with the arrow or a double-click).
    if (folder == folder_ && currentIndex().isValid() && currentIndex() == model_->index(folder)) return;
    folder_ = folder;
    settling_ = true;
    updating_ = true;
    collapseAll();
    updating_ = false;
    ShowFolder();
}

void FolderView::ShowFolder() {
    updating_ = true;
    const QModelIndex index = model_->index(folder_);
    if (index.isValid()) {
        setCurrentIndex(index);
        scrollTo(index, QAbstractItemView::PositionAtCenter);
        expand(index);
    } else {
        setCurrentIndex(QModelIndex());
    }
    updating_ = false;
}

void FolderView::UserTookOver() {
    settling_ = false;
    settle_->stop();
}

void FolderView::mousePressEvent(QMouseEvent* event) {
    UserTookOver();
    QTreeView::mousePressEvent(event);
}

void FolderView::keyPressEvent(QKeyEvent* event) {
    UserTookOver();
    QTreeView::keyPressEvent(event);
}

void FolderView::wheelEvent(QWheelEvent* event) {
    UserTookOver();
    QTreeView::wheelEvent(event);
}

void FolderView::SetWatching(bool watching) {
    // Off, the model's file-system watcher goes, with every notice it would have sent. On again, the
    // folders read from now on are watched; those read before are watched again after Reload (F5),
    // which reads the tree afresh, a cost a run should not pay at its end.
    model_->setOption(QFileSystemModel::DontWatchForChanges, !watching);
}

void FolderView::Reload() {
    const QString root = std::exchange(root_, QString());
    const QString folder = std::exchange(folder_, QString());
    updating_ = true;
    AttachModel();
    updating_ = false;
    if (!root.isEmpty()) SetDrive(root);
    if (!folder.isEmpty()) SetFolder(folder);
}

bool FolderView::IsWatching() const { return !model_->testOption(QFileSystemModel::DontWatchForChanges); }

QString FolderView::FolderAt(const QModelIndex& index) const { return model_->filePath(index); }

QModelIndex FolderView::IndexOf(const QString& folder) const { return model_->index(folder); }

}  // namespace qln
