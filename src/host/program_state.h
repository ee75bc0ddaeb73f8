#pragma once
// Program-wide state that several subsystems read: set up by the program at start and handed, with
// its frontend, to every session it creates.

#include <QString>

#include <atomic>

namespace qln {

struct ProgramState {
    // How the two folders below were decided at start (runs/program_folders.h): beside the executable
    // (a build or a portable copy), or as an installed program.
    enum class Layout { Undecided, Portable, Installed };
    Layout layout = Layout::Undecided;
    // The program's folder: home of faq.fil (and of the logs and attr.htm in a portable copy), default
    // of the folder settings. The executable's folder, or an installation's data folder.
    QString programFolder;
    // The folder where the runs write their logs and the report page: programFolder in a portable copy
    // that can write there, else the per-user data folder, or the folder the user named.
    QString logFolder;
    // Where the run journals are kept; empty: the per-user data folder.
    QString journalFolder;
    // Set when a portable copy's folder could not be written and the logs went to the per-user folder.
    bool logFolderMoved = false;
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
