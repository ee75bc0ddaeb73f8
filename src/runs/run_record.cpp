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

void RunRecord::BeforeDrawing(cAutoCAD& session, const QString& drawing) {
    changes_.clear();
    drawing_ = drawing;
    session.changes = &changes_;
    if (!safety_.preview && journal_.IsOpen())
        journal_.Before(drawing, hostClass_ ? hostClass_->SaveBackupFor(drawing) : QString());
}

QString RunRecord::AfterDrawing(cAutoCAD& session, bool saved) {
    session.changes = nullptr;
    const int texts = static_cast<int>(changes_.size());
    QString problem;
    if (saved) {
        if (texts > 0) {
            ++summary_.drawingsChanged;
            summary_.textsChanged += texts;
        }
        if (safety_.changes)
            for (const TextChange& change : changes_) safety_.changes->push_back({drawing_, change});
        if (!safety_.preview && journal_.IsOpen() && !journal_.Saved(texts, &problem))
            problem = QStringLiteral("Journal: ") + problem + u'.';
    }
    changes_.clear();
    return problem;
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
