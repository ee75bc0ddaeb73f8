#pragma once
// The search over many drawings: every drawing matching a folder-and-file pattern is opened
// read-only, searched for a phrase, and closed; the hit rows of all of them make one result text.

#include "host/automation.h"
#include "host/frontend.h"
#include "host/program_state.h"

#include <QString>

#include <cstdint>
#include <functional>

namespace qln {

struct SearchCriteria {
    QString space = QStringLiteral("Both");   // "Both", "Model" or "Paper"
    QString blocks = QStringLiteral("*");
    QString layers = QStringLiteral("*");
    QString phrase;                           // searched for as typed (not trimmed)
    QString fileSpec;                         // folder and file pattern, e.g. /dwg/a*.dxf
    bool matchCase = false;
    bool wholePhrase = false;                 // the whole text must equal the phrase
    bool multipleLineText = false;
    QString attributes;                       // attribute tags whose values are searched too; empty: none
    bool includePath = true;                  // the Drawing field holds the full path
    QString delimiter = QStringLiteral(",");
};

struct SearchResult {
    bool hostStarted = false;
    bool aborted = false;
    QString text;               // header and rows; empty when nothing was found (or given to the sink)
    std::int32_t hits = 0;
    std::int32_t files = 0;     // drawings with at least one hit
};

// The criteria block written before saved results: seven lines and an empty one, each ended by CR LF.
QString SearchCriteriaBlock(const SearchCriteria& criteria);

class SearchRun {
public:
    SearchRun(host::ApplicationClassPtr hostClass, ProgramState& state, Frontend& frontend)
        : hostClass_(std::move(hostClass)), state_(state), frontend_(frontend) {}

    // The refusal for criteria that cannot start a search ("Enter text phrase to search for.",
    // "Enter folder."), or an empty string.
    static QString Refusal(const SearchCriteria& criteria);

    // Search every matching drawing. ProgramState::blnAbortSearch stops it (checked after every object
    // and between drawings; cleared here when it stopped the search).
    SearchResult Run(const SearchCriteria& criteria);

    // Drawings searched at once (0: one per processor; 1, the default: one after the other); a host that serves one
    // session at a time (AutoCAD) always searches one. The rows come in the same order whatever the number.
    void SetJobs(int jobs) { jobs_ = jobs; }
    // When set, the result text goes here piece by piece as the drawings are searched (the header row
    // with the first rows found) instead of being held whole in SearchResult::text, so that a search
    // over any number of drawings holds only the rows of a few.
    void SetRowSink(std::function<void(const QString&)> sink) { sink_ = std::move(sink); }

private:
    host::ApplicationClassPtr hostClass_;
    ProgramState& state_;
    Frontend& frontend_;
    int jobs_ = 1;
    std::function<void(const QString&)> sink_;
};

}  // namespace qln
