#pragma once
// The list and folder widgets of the main window's selection panes.

#include <QListWidget>
#include <QString>
#include <QTimer>
#include <QTreeView>

class QFileSystemModel;

namespace qln {

// A list box whose horizontal scroll range is set by its owner (the widest item plus a margin), so
// that long names can be scrolled into view.
class FittedListWidget final : public QListWidget {
    Q_OBJECT
public:
    explicit FittedListWidget(QWidget* parent = nullptr);
    // The width in pixels that the horizontal scroll bar lets the user reach; 0 for no scrolling.
    void SetHorizontalExtent(int pixels);
    int HorizontalExtent() const { return extent_; }

protected:
    void updateGeometries() override;

private:
    int extent_ = 0;
};

// A folder list: the folders of one drive as a tree (folders only, hidden ones left out, sorted by
// name), showing the current folder and its subfolders. Choosing a folder with the mouse or keys
// emits folderChosen; SetFolder moves it without a signal.
class FolderView final : public QTreeView {
    Q_OBJECT
public:
    explicit FolderView(QWidget* parent = nullptr);

    // Show the tree of the drive whose root is `root`.
    void SetDrive(const QString& root);
    // Show `folder` as the current folder (expanded, scrolled into view).
    void SetFolder(const QString& folder);
    // Whether the tree follows changes on disk. A run turns it off: every temporary, backup and renamed
    // drawing would otherwise make the tree re-read the folder.
    void SetWatching(bool watching);
    bool IsWatching() const;
    // Read the tree afresh from the disk, showing the same folder.
    void Reload();
    // The folder shown by a model row (for tests and callers that walk the tree).
    QString FolderAt(const QModelIndex& index) const;
    QModelIndex IndexOf(const QString& folder) const;

Q_SIGNALS:
    void folderChosen(const QString& folder);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    // A new model of the file system in place of the old one.
    void AttachModel();
    void ShowFolder();
    void UserTookOver();

    QFileSystemModel* model_ = nullptr;
    QString root_;
    QString folder_;
    bool updating_ = false;
    // Until the user scrolls or clicks, the current folder is kept in view while the model reads and
    // sorts folders in the background (which moves rows).
    bool settling_ = false;
    QTimer* settle_;
};

}  // namespace qln
