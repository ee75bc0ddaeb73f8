#pragma once
// Undo of a run: every drawing a journalled run saved is put back as it was before that run, unless it
// has been changed since (its bytes are no longer those the run saved), which is refused drawing by
// drawing so that later work is never overwritten. An undo is a run of its own: it writes audit.log
// and err.log lines and a journal, so an undo can be undone too.

#include "host/frontend.h"
#include "host/program_state.h"

#include <QString>

namespace qln {

struct UndoRunResult {
    bool found = false;       // the journal asked for exists
    QString id;               // the run that was undone
    int restored = 0;
    int refused = 0;          // changed since, missing, or its previous version not kept
    bool errors = false;      // at least one err.log line
    QString journalId;        // the undo's own journal, when it restored anything
};

class UndoRun {
public:
    UndoRun(ProgramState& state, Frontend& frontend, QString journals)
        : state_(state), frontend_(frontend), journals_(std::move(journals)) {}

    void SetAudit(bool audit) { audit_ = audit; }
    void SetJournal(bool journal) { journal_ = journal; }

    // Undo the run `id`, or the last run when it is empty.
    UndoRunResult Run(const QString& id);

private:
    ProgramState& state_;
    Frontend& frontend_;
    QString journals_;
    bool audit_ = true;
    bool journal_ = true;
};

}  // namespace qln
