#include "runs/search_run.h"

#include "runs/file_utils.h"
#include "runs/run_support.h"
#include "host/cautocad.h"
#include "modify/name_list.h"
#include "search/search_row.h"

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

    QString rows = SearchHeaderRow(criteria.delimiter);
    const QString directory = FolderPart(criteria.fileSpec);
    const QStringList names = ListNames(directory, GetFileName(criteria.fileSpec), Listing::NormalFiles);
    const int total = static_cast<int>(names.size());

    for (int i = 0; i < total; ++i) {
        const QString& name = names.at(i);
        frontend_.SetTransientStatus(QStringLiteral("Searching ") + name + QStringLiteral("..."));
        frontend_.Progress(i, total, name);
        const QString path = directory + name;
        if (session.OpenDrawing(path, true) == 1) {
            std::int32_t hits = 0;
            const QString found = session.SearchAttributes(
                criteria.includePath ? path : name, criteria.space, criteria.blocks, criteria.layers,
                criteria.delimiter, criteria.matchCase, criteria.wholePhrase, criteria.multipleLineText,
                criteria.phrase, hits, criteria.attributes);
            if (!found.isEmpty()) {
                ++result.files;
                result.hits += hits;
                rows += found;
            }
            session.CloseDrawing(false);
        }
        frontend_.ProcessEvents();
        if (state_.blnAbortSearch.load()) {
            frontend_.SetStatus(QStringLiteral("Process aborted."));
            state_.blnAbortSearch = false;
            result.aborted = true;
            break;
        }
    }
    frontend_.Progress(total, total, QString());

    session.CloseAutoCAD();
    if (result.hits != 0) result.text = rows;
    frontend_.SetBusy(false);
    frontend_.SetStatus(QString::number(result.hits) + QStringLiteral(" hits in ") + QString::number(result.files) +
                        QStringLiteral(" files in ") + FormatSeconds(clock.Seconds()) + QStringLiteral(" seconds"));
    return result;
}

}  // namespace qln
