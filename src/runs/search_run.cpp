#include "runs/search_run.h"

#include "runs/drawing_workers.h"
#include "runs/file_utils.h"
#include "runs/run_support.h"
#include "host/cautocad.h"
#include "modify/name_list.h"
#include "search/search_row.h"

#include <memory>

namespace qln {

QString SearchRun::Refusal(const SearchCriteria& criteria) {
    if (TrimSpaces(criteria.phrase).isEmpty()) return QStringLiteral("Enter text phrase to search for.");
    if (TrimSpaces(criteria.fileSpec).isEmpty()) return QStringLiteral("Enter folder.");
    return {};
}

QString SearchCriteriaBlock(const SearchCriteria& c) {
    auto yn = [](bool b) { return b ? QStringLiteral("Y") : QStringLiteral("N"); };
    const QString crlf = QStringLiteral("\r\n");
    return QStringLiteral("*** Search Criteria ***") + crlf + QStringLiteral("Space: ") + c.space + crlf +
           QStringLiteral("Blocks: ") + c.blocks + crlf + QStringLiteral("Layers: ") + c.layers + crlf +
           QStringLiteral("Search Text: ") + c.phrase + crlf + QStringLiteral("Folder Spec: ") + c.fileSpec + crlf +
           QStringLiteral("Match Case: ") + yn(c.matchCase) + QStringLiteral("   Whole Word: ") + yn(c.wholePhrase) +
           QStringLiteral("   Multiple Line Text: ") + yn(c.multipleLineText) + QStringLiteral("   Delimiter: ") +
           c.delimiter + crlf + crlf;
}

SearchResult SearchRun::Run(const SearchCriteria& criteria) {
    SearchResult result;
    frontend_.SetTransientStatus(StartStatus(hostClass_, host::StartStep::kStarting));
    cAutoCAD session(hostClass_, state_, frontend_);
    if (session.OpenAutoCAD() != 1) {
        frontend_.SetStatus(StartStatus(hostClass_, host::StartStep::kCannotStart));
        return result;
    }
    result.hostStarted = true;
    frontend_.SetTransientStatus(StartStatus(hostClass_, host::StartStep::kStarted));
    frontend_.SetBusy(true);
    const Stopwatch clock;

    const QString header = SearchHeaderRow(criteria.delimiter);
    QString rows;
    const QString directory = FolderPart(criteria.fileSpec);
    const QStringList names = ListNames(directory, GetFileName(criteria.fileSpec), Listing::NormalFiles);
    const int total = static_cast<int>(names.size());

    struct Found {
        QString rows;
        std::int32_t hits = 0;
    };
    DrawingWorkers workers(hostClass_, state_, frontend_, WorkerCount(jobs_, hostClass_.get()), &state_.blnAbortSearch);
    const bool parallel = workers.Parallel();
    for (int i = 0; i < total; ++i) {
        const QString& name = names.at(i);
        auto shown = [this, i, total, name] {
            frontend_.SetTransientStatus(QStringLiteral("Searching ") + name + QStringLiteral("..."));
            frontend_.Progress(i, total, name);
        };
        if (!parallel) shown();
        auto out = std::make_shared<Found>();
        auto work = [&criteria, path = directory + name, name, out](cAutoCAD& s) {
            if (s.OpenDrawing(path, true) != 1) return;
            out->rows = s.SearchAttributes(criteria.includePath ? path : name, criteria.space, criteria.blocks,
                                           criteria.layers, criteria.delimiter, criteria.matchCase,
                                           criteria.wholePhrase, criteria.multipleLineText, criteria.phrase,
                                           out->hits, criteria.attributes);
            s.CloseDrawing(false);
        };
        workers.Add(&session, std::move(work), [&, out, shown] {
            if (parallel) shown();
            if (out->rows.isEmpty()) return;
            // The header goes first, with the first rows: a search without hits has no result text.
            const bool first = result.hits == 0 && result.files == 0;
            ++result.files;
            result.hits += out->hits;
            if (sink_) sink_(first ? header + out->rows : out->rows);
            else rows += first ? header + out->rows : out->rows;
        });
        if (!parallel) frontend_.ProcessEvents();
        if (state_.blnAbortSearch.load()) break;
    }
    workers.Finish();
    if (state_.blnAbortSearch.load()) {
        frontend_.SetStatus(QStringLiteral("Process aborted."));
        state_.blnAbortSearch = false;
        result.aborted = true;
    }
    frontend_.Progress(total, total, QString());

    session.CloseAutoCAD();
    if (result.hits != 0) result.text = rows;  // empty when the rows went to the sink
    frontend_.SetBusy(false);
    frontend_.SetStatus(QString::number(result.hits) + QStringLiteral(" hits in ") + QString::number(result.files) +
                        QStringLiteral(" files in ") + FormatSeconds(clock.Seconds()) + QStringLiteral(" seconds"));
    return result;
}

}  // namespace qln
