#pragma once
// The built-in DXF host: a CAD host, reached through the automation interface, that opens and saves
// DXF drawings (ASCII or binary) itself, without any CAD program.
//
//   host::ApplicationClassPtr dxf = qln::dxf::MakeDxfHost();
//   cAutoCAD session(dxf, state, frontend);
//
// Drawings are kept as read and saved as a splice of the unchanged bytes and the changed values. Only
// regular files of a bounded size are opened. A drawing opened read-write is locked (an advisory lock of
// the file itself, whatever name reached it, that dies with the process; a hidden file beside it says
// who holds it and since when) until its document is closed. Saving goes through the file layer
// (host/file_io.h): a temporary file beside the drawing with its owner and permissions, synced, then the
// previous file kept as <drawing>.bak and replaced, each step checked.

#include "host/automation.h"

#include <QString>

namespace qln::dxf {

host::ApplicationClassPtr MakeDxfHost();

// The files the host keeps beside a drawing: who holds its lock while it is open read-write, and the
// previous file that a save leaves. Neither ends in ".dxf", and each belongs to one drawing only. A drawing
// reached through a symbolic link has them beside the file the link leads to.
QString LockFileFor(const QString& drawingPath);
QString BackupFileFor(const QString& drawingPath);
// Whether a file name is one of those (or a temporary file of a save): never a drawing to work on.
bool IsDxfSideFile(const QString& fileName);

// The DXF version ("AC1018") that a SaveAs format code names, or an empty string for an unknown code.
QString VersionForSaveFormat(std::int16_t format);

}  // namespace qln::dxf
