#pragma once
// Form1, the main window of qln: the drawing pane (drive, folder, file pattern, drawing list), the
// template pane (drive, folder, template list), the options (audit log, text type, field delimiter),
// the command buttons and the status line. It keeps the user's choices in the "Options" settings.
//
// The commands that run over drawings (modify, drawing list, text report, find text, file
// specifications) are signals; the windows and runs that carry them out connect to them.

#include "app/window_context.h"

#include <QList>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <memory>

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QFileSystemWatcher;
class QLineEdit;
class QListWidget;
class QMenu;
class QMenuBar;
class QProgressBar;
class QPushButton;
class QTimer;
class QToolButton;

namespace qln {

class FittedListWidget;
class FolderView;
class WidgetFrontend;

class Form1 final : public QWidget {
    Q_OBJECT
public:
    static inline const QString kApplicationTitle = QStringLiteral("QLN");
    static inline const QString kWindowTitle = QStringLiteral("Quillon (QLN)");
    static inline const QString kWelcome = QStringLiteral("Welcome to Quillon! Press the F1 key for help.");

    explicit Form1(const WindowContext& context, QWidget* parent = nullptr);
    ~Form1() override;

    // The load step: title, program folder, stored settings, both lists, then the command line
    // (trimmed; empty or "/p" means none). Without a command-line path the welcome text is shown.
    void Load(const QString& commandLine);

    // --- Command-line drawing list ---------------------------------------------------------------
    // The drawing list file named on the command line, until the drawing-list run consumes it.
    const QString& PendingCommandLinePath() const { return pendingPath_; }
    void ClearPendingCommandLinePath() { pendingPath_.clear(); }
    // Called once the window shows: asks for the drawing-list run when a path is pending.
    void StartPendingRun();

    // --- What the runs read and change -------------------------------------------------------------
    WindowContext& Context() { return context_; }
    Frontend& UserInterface();
    void SetStatus(const QString& text);
    QString Status() const;
    // The current folders of the two panes, in native form.
    QString DrawingFolder() const;
    QString TemplateFolder() const;
    // The folder followed by a separator, unless it already ends with one (a drive root).
    static QString FolderPrefix(const QString& folder);
    QListWidget* DrawingList() const;
    QListWidget* TemplateList() const;
    QString Delimiter() const;
    bool AuditEnabled() const;
    // Whether runs keep a journal (Tools > Keep a Journal of Each Run, stored as "Journal/Keep").
    bool JournalEnabled() const;
    // The drawing the text report works on (its list text and full path); empty between reports.
    const QString& CurrentDrawingName() const { return currentDrawingName_; }
    const QString& CurrentDrawingPath() const { return currentDrawingPath_; }
    void SetCurrentDrawing(const QString& name, const QString& path);
    // While a run is in progress the buttons that start runs are disabled, so that no run starts
    // inside another one's event processing, and so are the panes (whose changes would change the
    // run's selection); Stop is enabled. Afterwards they come back (the modify button by its rule), the
    // drawing list is read again once if its drawings changed, and the drawing list has the focus.
    void SetRunning(bool running);
    bool IsRunning() const { return running_; }
    // The modify button is enabled exactly when a template and at least one drawing are selected.
    void ApplyRunButtonRule();
    // Modify Text and Preview go together.
    void EnableModify(bool enabled);
    // After a modification run: no drawing stays selected, the count goes, the modify button is disabled.
    void ClearDrawingSelection();
    // End the program at once, as a drawing list's "END" line asks: the window closes without writing
    // the settings, and the event loop ends.
    void EndProgram();
    // After a run's summary: how many drawings (or tasks) failed and a link to err.log, or nothing
    // when none did. `errorsLogged` without failures (an unreadable list) still links the log.
    void ShowRunOutcome(int failed, bool errorsLogged);
    QString RunOutcome() const;
    // After a run that kept a journal: a short note beside the status, the details in its tool tip.
    // Cleared when the next run starts.
    void ShowJournalNote(const QString& note, const QString& details);
    QString JournalNote() const;
    // A run ended: a window in the background asks for the user's attention.
    void NotifyRunEnded(const QString& summary);
    // How many times the drawing list was filled from the folder (for the tests of refreshing).
    int DrawingListFills() const { return drawingListFills_; }
    bool FolderTreesWatching() const;

    // --- What the file specifications window sets -------------------------------------------------
    // Each returns false and changes nothing when the value cannot be applied.
    bool SetDrawingDrive(const QString& drive);
    bool SetDrawingFolder(const QString& folder);
    void SetDrawingPattern(const QString& pattern);
    bool SetTemplateFolder(const QString& folder);

    // --- Commands -----------------------------------------------------------------------------------
    void RefreshDrawings();
    void RefreshTemplates();
    void SelectAllDrawings();
    void UnselectAllDrawings();
    void ShowHelp();
    void ShowAbout();
    // Open audit.log or err.log of the log folder in the text editor; says so, with the path, when
    // the file is not there or nothing could open it.
    void OpenLog(const QString& name);
    // Ask before closing by Esc; a run in progress asks its own question on close.
    void ConfirmClose();
    // Bring the window to the front (asked by a second instance).
    void BringToFront();

Q_SIGNALS:
    void modifyRequested();                              // Command15
    void drawingListRequested();                         // Command5, or a command-line path at start-up
    void drawingReportRequested(const QString& name);    // double-click on a drawing
    void findTextRequested();                            // cmdOpen
    void fileSpecificationsRequested();                  // Command9
    void stopRequested();                                // cmdStop: end the run after the current drawing
    void previewRequested();                             // cmdPreview: what Modify Text would change
    void undoRequested();                                // Run > Undo Last Run

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // One selection pane: its drive list, folder list and current folder.
    struct Pane {
        QComboBox* drive = nullptr;
        QComboBox* path = nullptr;    // typed or pasted folders, recent ones in its drop-down
        FolderView* dir = nullptr;
        FittedListWidget* list = nullptr;
        QString folder;
    };

    // The controls, pane by pane, then arranged and connected.
    void BuildControls();
    void MakePane(Pane& pane, const QString& driveName, const QString& dirName, const QString& listName);
    QGroupBox* BuildDrawingPane();
    QGroupBox* BuildTemplatePane();
    void BuildCommands();
    QGroupBox* BuildMessages();
    QMenuBar* BuildMenus();
    void BuildHostMenu(QMenu* menu);
    void ArrangeControls();
    void ConnectControls();
    // The window's size and place: as last left, within the screen's free area.
    void PlaceOnScreen();
    void ApplySettings();
    void WriteSettings();

    QString DefaultDrive() const;
    QString DriveOf(const QString& folder) const;
    bool ApplyDrive(Pane& pane, const QString& drive);
    bool MoveFolder(Pane& pane, const QString& folder);
    void OnDriveChosen(Pane& pane, int index);
    void OnFolderChosen(Pane& pane, const QString& folder);
    void OnPathEntered(Pane& pane);
    void RememberFolder(const QString& folder);
    void FolderChanged(Pane& pane);
    // The drawing list read again only when the drawings on disk are not those it lists; the status
    // and the selection of drawings still listed stay.
    void RefreshDrawingsIfChanged();
    void FillDrawingList(const QStringList& names);
    // Open a file of the program in the text editor; when nothing opens it, say so with its path.
    void OpenInEditorOrSay(const QString& path);

    void OnDrawingSelectionChanged();
    void OnTemplateSelectionChanged();
    void OnTemplateDoubleClicked();
    void FitScrollWidth(FittedListWidget* list);
    void CheckScreenSize();

    WindowContext context_;
    std::unique_ptr<WidgetFrontend> frontend_;

    Pane drawings_;
    Pane templates_;
    QGroupBox* Frame1 = nullptr;
    QGroupBox* Frame4 = nullptr;
    QGroupBox* Frame5 = nullptr;
    QLineEdit* Text5 = nullptr;
    QPushButton* Command13 = nullptr;
    QPushButton* Command14 = nullptr;
    QPushButton* Command9 = nullptr;
    QPushButton* Command15 = nullptr;
    QPushButton* cmdPreview = nullptr;
    QPushButton* Command5 = nullptr;
    QToolButton* cmdOpen = nullptr;
    QCheckBox* chkAudit = nullptr;
    QCheckBox* chkType = nullptr;
    QLineEdit* txtDelimiter = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label12 = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* lblOutcome = nullptr;
    QLabel* lblJournal = nullptr;
    QToolButton* cmdAuditLog = nullptr;
    QPushButton* cmdStop = nullptr;
    QMenuBar* menuBar_ = nullptr;
    QList<QAction*> runActions_;   // the menu entries that start runs or change the selection
    QAction* stopAction_ = nullptr;
    QAction* journalAction_ = nullptr;
    QFileSystemWatcher* drawingWatcher_ = nullptr;
    QTimer* drawingRecheck_ = nullptr;
    QPushButton* Command4 = nullptr;
    QPushButton* Command2 = nullptr;

    int patternRowHeight_ = 0;
    int drawingListFills_ = 0;
    QString pendingPath_;
    QString currentDrawingName_;
    QString currentDrawingPath_;
    std::int16_t lastDrawingIndex_ = 0;
    bool loading_ = false;
    bool handlingSelection_ = false;
    bool running_ = false;
    bool writeSettingsOnClose_ = true;
    // The screen-size notice: armed when the window loses activation to anything but the notice.
    bool sizeNoticeArmed_ = true;
    bool sizeNoticeOpen_ = false;
    bool framedOnce_ = false;
};

}  // namespace qln
