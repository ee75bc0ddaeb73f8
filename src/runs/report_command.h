#pragma once
// The drawing text report: one drawing's single-line or multiple-line text as an HTML page
// (attr.htm), opened with the desktop's program for HTML files.

#include "host/automation.h"
#include "host/frontend.h"
#include "host/program_state.h"

#include <QString>

namespace qln {

struct ReportResult {
    bool hostStarted = false;
    bool created = false;      // the page was written (and handed to the desktop when asked)
    bool openFailed = false;   // asked to open it, the desktop could not: the status names the page
    QString page;              // the page's path
};

class ReportCommand {
public:
    ReportCommand(host::ApplicationClassPtr hostClass, ProgramState& state, Frontend& frontend)
        : hostClass_(std::move(hostClass)), state_(state), frontend_(frontend) {}

    // Where the page goes; attr.htm in the log folder unless set.
    void SetOutput(const QString& page) { output_ = page; }
    // Whether to open the page with the desktop's program (the window always does; the tool on request).
    void SetOpenPage(bool open) { open_ = open; }
    // Whether the attribute values of the block references are listed after the text.
    void SetAttributes(bool attributes) { attributes_ = attributes; }

    // Report the drawing `name` of `folder` (the list item text as listed).
    ReportResult Run(const QString& folder, const QString& name);

private:
    host::ApplicationClassPtr hostClass_;
    ProgramState& state_;
    Frontend& frontend_;
    QString output_;
    bool open_ = true;
    bool attributes_ = false;
};

}  // namespace qln
