#pragma once
// The runs the main window starts: "3) Modify Text" applies the selected template to the selected
// drawings, "File" runs a drawing list file (chosen in the open dialog, or named on the command line),
// and a double-click on a drawing writes its text report and opens it.
//
// The runs themselves are the UI-free classes of qln_core; they show their progress through the
// window's frontend (status line, progress bar, pointer, message boxes). Here they get their inputs
// from the window and leave the window as each run leaves it. One run at a time: while one goes on,
// the buttons that start runs are disabled and requests that still arrive are ignored. Stop, or closing
// the window after the user confirms, ends a modification run after the current drawing; the window
// closes once the run has ended. A run that failed for some drawings leaves the count and a link to
// err.log beside its summary. Preview shows what Modify Text would change before anything is saved;
// Undo Last Run puts back what the last journalled run saved.

#include "runs/batch_run.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <optional>

namespace qln {

class Form1;

class WindowRuns final : public QObject {
    Q_OBJECT
public:
    // Connects to the window's run requests; owned by the window.
    explicit WindowRuns(Form1& window);

    void Modify();                        // Command15
    void RunDrawingList();                // Command5, or the command-line path once the window shows
    void Report(const QString& name);     // double-click on a drawing of List2
    void Stop();                          // cmdStop: the run in progress ends after its current drawing
    // cmdPreview: the modify run over the same selection, saving nothing; its changes in the Preview
    // window, whose Modify goes on to the real run.
    void Preview();
    // Run > Undo Last Run: after the user confirms, puts back the drawings of the last journalled run
    // that have not been changed since.
    void Undo();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // A run starts: the window's run buttons are disabled.
    void Begin();
    // A run ended: the buttons come back; then the program ends (a list's "END"), or a close asked for
    // during the run is carried out.
    void End(bool endProgram);
    // False when the template's commands are written with "," while the delimiter is another
    // character, and the user, asked, does not want to run it anyway.
    bool DelimiterFitsTemplate(const QString& templatePath, const QString& delimiter);
    // What Modify Text and Preview run: the selected template and drawings, the options; nothing when
    // the user chose not to run a template that does not fit the delimiter.
    std::optional<BatchRunInput> ModifyInput();
    void RunModify(const BatchRunInput& input);
    // After a modification run: beside the status, the journal it kept (or why it kept none).
    void ShowJournal(const RunRecordSummary& record, bool asked);

    Form1& window_;
    std::atomic<bool> stop_{false};
    bool closeAfterRun_ = false;
};

// The runs of qln's main window, for the program's lifetime.
WindowRuns* ConnectRuns(Form1& window);

}  // namespace qln
