#pragma once
// Form5, the Find Text window: the criteria of a search over many drawings (space, block and layer
// names, phrase, folder and file pattern, options), Search and Abort, the results box, and
// saving the results to a text or CSV file or to the clipboard. The search itself is SearchRun; this
// window hands it the criteria, shows its status texts in lblSearch and keeps its options in the
// "Options" settings between uses.

#include "runs/search_run.h"
#include "app/window_context.h"

#include <QDialog>
#include <QString>

#include <memory>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QTableView;

namespace qln {

class ResultTableModel;
class WidgetFrontend;

class Form5 final : public QDialog {
    Q_OBJECT
public:
    static inline const QString kCaption = QStringLiteral("QLN - Find Text");

    // Builds the window and applies the stored options. The context's host opens the drawings.
    explicit Form5(const WindowContext& context, QWidget* parent = nullptr);
    ~Form5() override;

    // --- Commands (the buttons) -----------------------------------------------------------------
    void Search();                   // cmdSearch
    void Abort();                    // cmdAbort
    void SaveToTextFile();           // cmdSave
    void SaveToClipboard();          // Command1
    void ChooseFolderAndPattern();   // Command9

    // --- State ------------------------------------------------------------------------------------
    bool IsSearching() const { return searching_; }
    // The result text of the last search: the header and every hit row, or empty.
    const QString& Results() const { return results_; }
    // The folder of the last saved result file (with its separator): where the save dialog opens.
    const QString& SaveFolder() const { return saveFolder_; }
    // The criteria as the controls hold them now.
    SearchCriteria Criteria() const;
    Frontend& UserInterface();

    // Every way of closing ends here (Esc, the close box): the options are written. A search in
    // progress is aborted first; the window closes when it has stopped.
    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void BuildControls();
    void ApplySettings();
    void WriteSettings();
    // The rules of the boxes as they are left: no empty block or layer list, no empty delimiter.
    void FixBlockBox(QLineEdit* box);
    void FixDelimiterBox();
    // While a search goes on Search is disabled and Abort enabled; the Save buttons only with results.
    void SetSearching(bool searching);
    // The results in the text box and the table.
    void ShowResults();
    void FillTable();
    void CopyHandle(int row);
    void Warn(const QString& text);

    WindowContext context_;
    std::unique_ptr<WidgetFrontend> frontend_;

    QGroupBox* frmCriteria = nullptr;
    QComboBox* cboSpace = nullptr;
    QLineEdit* txtBlocks = nullptr;
    QLineEdit* txtLayers = nullptr;
    QLineEdit* txtAttributes = nullptr;  // attribute tags whose values are searched too; empty: none
    QLineEdit* txtSearch = nullptr;
    QLineEdit* txtFolder = nullptr;
    QPushButton* Command9 = nullptr;
    QCheckBox* chkCase = nullptr;
    QCheckBox* chkWhole = nullptr;
    QCheckBox* chkTag = nullptr;
    QCheckBox* chkPath = nullptr;
    QLineEdit* txtDelimiter = nullptr;
    QPushButton* cmdSearch = nullptr;
    QPushButton* cmdAbort = nullptr;
    QGroupBox* frmResults = nullptr;
    QTabWidget* tabResults = nullptr;
    QPlainTextEdit* txtResults = nullptr;
    QTableView* tblResults = nullptr;
    ResultTableModel* table_ = nullptr;
    bool tableStale_ = false;
    QString tableDelimiter_;
    QPushButton* cmdSave = nullptr;
    QPushButton* Command1 = nullptr;
    QCheckBox* chkCSV = nullptr;
    QCheckBox* chkInclude = nullptr;
    QLabel* lblSearch = nullptr;
    QProgressBar* progress_ = nullptr;

    QString results_;
    QString saveFolder_;
    bool searching_ = false;
    bool closeRequested_ = false;
    int closeResult_ = 0;
};

}  // namespace qln
