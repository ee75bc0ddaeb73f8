#pragma once
// The built-in DXF host: a CAD host, reached through the automation interface, that opens and saves
// DXF drawings (ASCII or binary) itself, without any CAD program.
//
//   host::ApplicationClassPtr dxf = qln::dxf::MakeDxfHost();
//   cAutoCAD session(dxf, state, frontend);
//
// Drawings are kept as read and saved as a splice of the unchanged bytes and the changed values. A drawing
// opened read-write is locked (a hidden lock file beside it) until its document is closed; saving writes a
// temporary file beside the drawing, keeps the previous file as <drawing>.bak and then replaces it.

#include "host/automation.h"

#include <QString>

namespace qln::dxf {

host::ApplicationClassPtr MakeDxfHost();

// The files the host keeps beside a drawing: its lock while it is open read-write, and the copy of the
// previous file that a save leaves. Neither ends in ".dxf", and each belongs to one drawing only. A drawing
// reached through a symbolic link has them beside the file the link leads to.
QString LockFileFor(const QString& drawingPath);
QString BackupFileFor(const QString& drawingPath);

// The DXF version ("AC1018") that a SaveAs format code names, or an empty string for an unknown code.
QString VersionForSaveFormat(std::int16_t format);

}  // namespace qln::dxf
