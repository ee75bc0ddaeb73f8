#pragma once
// Program-wide state that several subsystems read: set up by the program at start and handed, with
// its frontend, to every session it creates.

#include <QString>

#include <atomic>

namespace qln {

struct ProgramState {
    // The program's folder: home of audit.log, err.log, faq.fil and attr.htm, default of the folder
    // settings. The program decides it at start (the executable's folder, or a writable substitute).
    QString programFolder;
    // The folder where the runs write their logs and the report page; programFolder unless the program
    // could not write there or the user named another.
    QString logFolder;
    // Where the run journals are kept; empty: the per-user data folder.
    QString journalFolder;
    // The last folder picked in the folder browser.
    QString strLastFolder;
    // Mirror of the main window's "Multiple Line Text" box: the text listing lists multiple-line text
    // when set, single-line text when clear.
    bool blnMultipleLineText = false;
    // Set by Abort (or Ctrl-C); read by the search engine after every object. Atomic so that a signal
    // handler may set it.
    std::atomic<bool> blnAbortSearch{false};

    QString LogFolder() const { return logFolder.isEmpty() ? programFolder : logFolder; }
};

}  // namespace qln
