#pragma once
// Where the program keeps its files, decided once at start from the executable's folder.
//
// A build or a portable copy keeps everything in its own folder, the program folder: faq.fil beside the
// executable, and audit.log, err.log and attr.htm written there too (or in the per-user data folder when
// that folder cannot be written). An installed program, one whose executable sits in <prefix>/bin with
// <prefix>/share/qln/faq.fil present, takes <prefix>/share/qln as its program folder (faq.fil and the
// sample templates) and always writes its logs and report page to the per-user data folder: the
// installation's folders belong to the system, even when the user could write there.

#include "host/program_state.h"

#include <QString>

namespace qln {

// The data folder of an installation, relative to the folder of its executables.
inline constexpr char kInstalledDataFolder[] = "../share/qln";

// Fills state.programFolder, state.logFolder, state.layout and state.logFolderMoved for a program whose
// executable is in `executableFolder`, and creates the log folder when it is the per-user one.
void DecideProgramFolders(ProgramState& state, const QString& executableFolder);

// The folder for audit.log, err.log and attr.htm of a build or portable copy: the program folder when it
// can be written, else the per-user data folder (created when missing). `movedTo` says when the fallback
// was taken.
QString ChooseLogFolder(const QString& programFolder, bool* movedTo = nullptr);

// The per-user data folder (QStandardPaths' application data location, ~/.local/share/QLN/QLN on Linux),
// created when missing.
QString PerUserDataFolder();

// One line saying how the folders were decided, for the About window and `qln-cli --version`:
//   "Installed: data in /usr/share/qln; logs and reports in /home/ann/.local/share/QLN/QLN"
//   "Portable: program folder /opt/qln; logs and reports there too"
//   "Portable: program folder /opt/qln; logs and reports in ... (the program folder cannot be written)"
QString ProgramFoldersLine(const ProgramState& state);

}  // namespace qln
