#pragma once
// The drawing-list run: a drawing list file (*.dlf) pairs drawings, or wildcard specifications of
// drawings in folder trees, with templates; each task line is run in turn in one unattended run.
//
//   ' a comment
//   /dwg/a100.dxf,/templates/title.txt          one drawing
//   /dwg/project/*,/templates/notes.txt         every drawing in and below /dwg/project
//   /dwg/project/A*.DXF,/templates/notes.txt    matching drawings of that folder only
//   END                                         ends the program at once

#include "host/automation.h"
#include "host/frontend.h"
#include "host/program_state.h"
#include "runs/run_record.h"

#include <QString>
#include <QStringList>

#include <atomic>

namespace qln {

class cAutoCAD;
class DrawingWorkers;
class LineWriter;

struct DrawingListRunResult {
    bool listFound = true;     // false: the list file named on the command line does not exist
    bool listRead = true;      // false: the list file could not be read
    bool hostStarted = false;
    bool endProgram = false;   // an "END" line: the caller ends the program at once (settings unsaved)
    bool errors = false;       // at least one err.log line was written, or the list could not be read
    bool stopped = false;      // stopped early on request: the logs and the summary say after which task
    int modified = 0;
    int tasks = 0;             // task lines of the list (up to an "END")
    int tasksDone = 0;         // task lines worked on
    int failures = 0;          // tasks and drawings that failed, wildcard ones (status line only) included
    RunRecordSummary record;   // what the preview found, or the journal kept
    bool logRefused = false;   // audit.log or err.log could not be opened: nothing was done
    bool errorLogWritten = true;  // every err.log line reached the file
    QStringList logFailures;   // a log that could not be written in full, and why, one line each
};

class DrawingListRun {
public:
    DrawingListRun(host::ApplicationClassPtr hostClass, ProgramState& state, Frontend& frontend)
        : hostClass_(std::move(hostClass)), state_(state), frontend_(frontend) {}

    void SetDelimiter(const QString& delimiter) { delimiter_ = delimiter; }
    void SetAudit(bool audit) { audit_ = audit; }
    void SetStopFlag(const std::atomic<bool>* stop) { stop_ = stop; }
    void SetSafety(const RunSafety& safety) { safety_ = safety; }
    // Drawings worked on at once (0: one per processor; 1, the default: one after the other); a host that serves one
    // session at a time (AutoCAD) always works on one. The logs are the same whatever the number.
    void SetJobs(int jobs) { jobs_ = jobs; }

    // Run the list file at path. `fromCommandLine`: the path was passed to the program rather than
    // chosen in a dialog, so it is checked first ("Passed file '…' does not exist.").
    DrawingListRunResult Run(const QString& path, bool fromCommandLine);

    // How a line of a list file reads (after trimming and upper-casing for the tests).
    struct Line {
        enum Kind { Ignored, End, Single, Wildcard } kind = Ignored;
        QString drawing;       // the drawing path or pattern, in the case it was written
        QString templatePath;  // everything after the first comma, unchanged
        bool recursive = false;
    };
    Line Classify(const QString& line) const;

private:
    using Outcome = DrawingOutcome;
    void RunSingle(cAutoCAD& session, const Line& line, LineWriter& errLog, LineWriter* audit,
                   DrawingListRunResult& result);
    void RunWildcard(const Line& line, LineWriter& errLog, LineWriter* audit, DrawingListRunResult& result);
    static void WriteAuditHeading(LineWriter* audit, const QString& drawing, const QString& templatePath);
    // Open, modify and save one drawing (on any thread): the error text for it in out.error, or none.
    void ModifyDrawing(cAutoCAD& session, const QString& drawing, LineWriter* audit, Outcome& out);
    // On the run's thread: a drawing's audit lines and counts.
    void Deliver(const QString& drawing, Outcome& out, LineWriter* audit, DrawingListRunResult& result);
    static QString Processing(const QString& drawing);
    QStringList Expand(const Line& line);
    void Scan(const QString& folder, const QString& pattern, QStringList& paths);
    bool StopRequested() const { return stop_ && stop_->load(); }
    // A backup, lock or temporary file of the host: a wildcard never takes it for a drawing.
    bool IsSideFile(const QString& name) const { return hostClass_ && hostClass_->IsSideFile(name); }

    host::ApplicationClassPtr hostClass_;
    ProgramState& state_;
    Frontend& frontend_;
    QString delimiter_ = QStringLiteral(",");
    bool audit_ = true;
    const std::atomic<bool>* stop_ = nullptr;
    RunSafety safety_;
    RunRecord* record_ = nullptr;  // during Run
    DrawingWorkers* workers_ = nullptr;  // during Run
    int jobs_ = 1;
    int tasks_ = 0;
};

}  // namespace qln
