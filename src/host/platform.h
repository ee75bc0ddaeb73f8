#pragma once
// The few calls of the operating system that Qt does not make for the program, behind one small
// interface: platform_posix.cpp realises it on Linux and other POSIX systems, a Win32 file does on
// Windows. Whatever Qt already does portably goes through Qt instead: QSaveFile replaces a file
// atomically (temporary file, sync to disk, rename), QLockFile locks, QFileInfo::canonicalFilePath
// tells which file a path reaches.

#include <QString>

namespace qln::platform {

// Give the existing file `target` the second name `linkName`, a hard link: both names reach the same
// file, so nothing is copied. False when that cannot be done (`linkName` exists, the two are on
// different volumes, the file system has no hard links, no permission); the caller copies instead.
bool MakeHardLink(const QString& target, const QString& linkName);

enum class StandardStream { Input, Output, Error };

// Whether the process's standard stream is a terminal (a console on Windows) rather than a file or a
// pipe: progress drawn for a person goes only there.
bool IsTerminal(StandardStream stream);

// From now on, bytes written to the standard output reach it unchanged. The C runtime on Windows
// turns every LF into CR LF by default, which gives lines already ended by CR LF a second CR.
void UseBinaryStandardOutput();

}  // namespace qln::platform
