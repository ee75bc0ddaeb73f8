#pragma once
// Form4, the File Specifications window: a list of folders with file patterns ("/dwg/a*.dxf") kept in
// the "FSpec" settings (Dir0, Dir1, ...). Add asks for a folder and then for patterns in it, Edit and
// Delete change the list, and Select (or a double-click) hands the chosen entry to the main
// window's drawing pane: drive, folder and pattern when it names a folder from the root, otherwise
// the pattern alone.

#include "app/window_context.h"

#include <QDialog>
#include <QString>

class QLabel;
class QListWidget;
class QPushButton;

namespace qln {

class Form1;

class Form4 final : public QDialog {
    Q_OBJECT
public:
    static inline const QString kCaption = QStringLiteral("QLN - File Specifications Screen");

    // Builds the window over the main window it serves and loads the stored list.
    Form4(const WindowContext& context, Form1& mainWindow);

    // --- Commands (the buttons) -----------------------------------------------------------------
    void Add();        // Command1
    void Delete();     // Command2
    void Edit();       // Command3
    void Select();     // Command5, or a double-click on an item

    QStringList Items() const;
    bool Changed() const { return blnChanged; }

    // Every way of closing ends here (Close, Esc, Select, the close box): a changed list is written.
    void done(int result) override;

private:
    void BuildControls();
    void Load();
    void WriteList();
    void ShowTotal();
    void FollowSelection();
    QString SelectedSpec() const;

    WindowContext context_;
    Form1& main_;
    QListWidget* List1 = nullptr;
    QLabel* Label1 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command3 = nullptr;
    QPushButton* Command4 = nullptr;
    QPushButton* Command5 = nullptr;
    bool blnChanged = false;
};

}  // namespace qln
