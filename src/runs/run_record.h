#pragma once
// What a modification run keeps besides its logs: in a preview, the changes it would make (and no
// saved drawing); otherwise its journal, the previous version of every drawing it saves, for undo.
// The batch run and the drawing-list run call it at the same points of each drawing.

#include "host/automation.h"
#include "host/cautocad.h"
#include "host/text_files.h"
#include "runs/journal.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <optional>
#include <vector>

namespace qln {

// The safety options of a modification run, the same for both kinds of run.
struct RunSafety {
    // Open each drawing read-only, apply the template, save nothing. The audit lines go to
    // `previewAudit` (standard output, say), after a line that marks them as a preview.
    bool preview = false;
    QIODevice* previewAudit = nullptr;
    // Keep a journal of the run (ignored in a preview), and the age in days past which old journals are
    // removed when the run starts (0: kept).
    bool journal = true;
    int pruneDays = 30;
    // When set, every change of the run is added here with its drawing (the window's preview table).
    struct Change {
        QString drawing;
        TextChange change;
    };
    std::vector<Change>* changes = nullptr;
};

// What a run reports of its preview or its journal.
struct RunRecordSummary {
    int drawingsChanged = 0;   // drawings with at least one text changed (or, in a preview, that would be)
    int textsChanged = 0;
    QString journalId;         // empty when no journal was kept
    int journalDrawings = 0;
    qint64 journalBytes = 0;
    QString journalProblem;    // why there is no journal, or what it could not keep
};

class RunRecord {
public:
    // `journals`: the folder of the journals (empty: the per-user one).
    RunRecord(const RunSafety& safety, const host::ApplicationClass* hostClass, const QString& journals)
        : safety_(safety), hostClass_(hostClass), journals_(journals),
          previewAudit_(safety.preview ? safety.previewAudit : nullptr) {}

    bool Preview() const { return safety_.preview; }

    // At the start of the run: removes old journals and starts this run's. `kind` and `source` say what
    // the run is ("modify" and the template, "run" and the list file).
    void Begin(const QString& kind, const QString& source);
    // The audit log of a preview, on the preview's device and marked as a preview; null when the run
    // is no preview or its audit lines go nowhere.
    LineWriter* PreviewAudit();

    // What the record keeps of one drawing while it is worked on.
    struct Drawing {
        QString path;
        std::vector<TextChange> changes;
        std::optional<RunJournal::Pending> pending;
        bool saved = false;
    };
    // Around each drawing: before it is opened, with the session whose changes are counted; after it
    // was closed, `saved` telling whether the host saved it (in a preview: whether it was processed).
    // AfterDrawing gives what the journal could not keep of this drawing, for its err.log line; empty
    // when all is well. Both may run on several threads at once, each for its own drawing.
    void BeforeDrawing(cAutoCAD& session, Drawing& drawing, const QString& path);
    QString AfterDrawing(cAutoCAD& session, Drawing& drawing, bool saved);
    // Then, on the run's thread and in the order of the run: the drawing counted in the summary.
    void Count(Drawing& drawing);

    // At the end: closes the journal; the figures for the summary.
    RunRecordSummary Finish();

private:
    const RunSafety& safety_;
    const host::ApplicationClass* hostClass_;
    QString journals_;
    LineWriter previewAudit_;
    bool previewMarked_ = false;
    RunJournal journal_;
    RunRecordSummary summary_;
};

// What one drawing of a modification run left: worked on by a worker (or on the run's thread), and
// written to the logs on the run's thread in the order of the list.
struct DrawingOutcome {
    QByteArray audit;
    QString error;
    bool modified = false;
    bool opening = false;  // the drawing was found and its opening tried
    RunRecord::Drawing record;
};

}  // namespace qln
