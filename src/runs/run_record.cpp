#include "runs/run_record.h"

namespace qln {

void RunRecord::Begin(const QString& kind, const QString& source) {
    if (safety_.preview || !safety_.journal) return;
    const QString folder = JournalFolder(journals_);
    if (safety_.pruneDays > 0) PruneJournals(folder, safety_.pruneDays);
    QString why;
    if (!journal_.Start(folder, kind, source, &why)) summary_.journalProblem = QStringLiteral("no journal is kept: ") + why;
}

LineWriter* RunRecord::PreviewAudit() {
    if (!previewAudit_.IsOpen()) return nullptr;
    if (!previewMarked_) {
        previewAudit_.WriteLine(QStringLiteral("Preview: these changes are not saved."));
        previewMarked_ = true;
    }
    return &previewAudit_;
}

void RunRecord::BeforeDrawing(cAutoCAD& session, Drawing& drawing, const QString& path) {
    drawing.path = path;
    drawing.changes.clear();
    session.changes = &drawing.changes;
    if (!safety_.preview && journal_.IsOpen()) {
        drawing.pending = journal_.Before(path, hostClass_ ? hostClass_->SaveBackupFor(path) : QString(),
                                          hostClass_ && hostClass_->InProcess());
    }
}

QString RunRecord::AfterDrawing(cAutoCAD& session, Drawing& drawing, bool saved) {
    session.changes = nullptr;
    drawing.saved = saved;
    QString problem;
    if (saved && !safety_.preview && journal_.IsOpen() &&
        !journal_.Saved(std::move(drawing.pending), static_cast<int>(drawing.changes.size()), &problem))
        problem = QStringLiteral("Journal: ") + problem + u'.';
    drawing.pending.reset();
    return problem;
}

void RunRecord::Count(Drawing& drawing) {
    if (!drawing.saved) return;
    const int texts = static_cast<int>(drawing.changes.size());
    if (texts > 0) {
        ++summary_.drawingsChanged;
        summary_.textsChanged += texts;
    }
    if (safety_.changes)
        for (TextChange& change : drawing.changes) safety_.changes->push_back({drawing.path, std::move(change)});
    drawing.changes.clear();
}

RunRecordSummary RunRecord::Finish() {
    if (journal_.IsOpen()) {
        journal_.Finish();
        if (journal_.Drawings() > 0) {
            summary_.journalId = journal_.Id();
            summary_.journalDrawings = journal_.Drawings();
            summary_.journalBytes = journal_.Bytes();
        }
    }
    return summary_;
}

}  // namespace qln
