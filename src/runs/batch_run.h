#pragma once
// The batch modification run: one template applied to the chosen drawings of one folder, in one host
// session, with err.log rewritten per run, audit.log appended, and a timed summary on the status line.

#include "host/automation.h"
#include "host/frontend.h"
#include "host/program_state.h"
#include "runs/run_record.h"

#include <QString>
#include <QList>
#include <QStringList>

#include <atomic>

namespace qln {

// One chosen drawing: its folder and its name as listed (the main window's drawing folder and list item).
struct DrawingItem {
    QString folder;
    QString name;
};

struct BatchRunInput {
    QString templatePath;      // the template folder, a separator, and the chosen template's name
    QList<DrawingItem> drawings;  // the chosen drawings, in list order
    QString delimiter = QStringLiteral(",");
    bool audit = true;         // append to audit.log
    RunSafety safety;          // preview, journal
    // Drawings worked on at once (0: one per processor; 1, the default: one after the other, the run's
    // own thread yielding once per object). A host that serves one session at a time (AutoCAD) always
    // works on one. The logs are the same whatever the number.
    int jobs = 1;
};

struct BatchRunResult {
    bool hostStarted = false;
    bool templateRead = false;
    int modified = 0;          // drawings opened and saved
    int done = 0;              // drawings worked on, failed ones included
    int total = 0;             // drawings chosen
    int failed = 0;            // drawings with an err.log line
    bool errors = false;       // at least one err.log line was written
    bool stopped = false;      // stopped early on request: done < total, and the logs and summary say so
    RunRecordSummary record;   // what the preview found, or the journal kept
    bool logRefused = false;   // audit.log or err.log could not be opened: nothing was done
    bool errorLogWritten = true;  // every err.log line reached the file
    QStringList logFailures;   // a log that could not be written in full, and why, one line each
};

class BatchRun {
public:
    BatchRun(host::ApplicationClassPtr hostClass, ProgramState& state, Frontend& frontend)
        : hostClass_(std::move(hostClass)), state_(state), frontend_(frontend) {}

    // When set (from another thread, a signal handler or the window's Stop), the run stops after the
    // current drawing; the drawing in hand is finished and saved first.
    void SetStopFlag(const std::atomic<bool>* stop) { stop_ = stop; }

    // A caller with a selection of drawings clears it after a run that reached them (templateRead).
    BatchRunResult Run(const BatchRunInput& input);

private:
    host::ApplicationClassPtr hostClass_;
    ProgramState& state_;
    Frontend& frontend_;
    const std::atomic<bool>* stop_ = nullptr;
};

}  // namespace qln
