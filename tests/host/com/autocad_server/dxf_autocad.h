#pragma once
// A stand-in for AutoCAD whose drawings are real files: AutoCAD's automation objects (Application,
// Preferences, Documents, Document, SelectionSets, SelectionSet, Blocks, Block, entities) as
// com::Objects, each over the object of the built-in DXF host that does the work. Registered as
// AutoCAD.Application in a Wine prefix (dispatch_bridge.cpp), it lets qln-cli.exe --host autocad run
// end to end, and what it saves and logs can be set beside what the DXF host saves and logs.
//
// Like AutoCAD it refuses arguments of another kind than AutoCAD takes (16-bit integers for
// WindowState, XrefDemandLoad, the selection mode, the filter types and SaveAs's format; the two
// omitted points of Select; texts for names and paths), so that the kinds the dispatch layer sends are
// checked too.
//
// Members are found without regard to case. A member a class does not have fails with
// DISP_E_UNKNOWNNAME, so that a caller that cannot tell a property from a method (late binding reads
// both with the same flags) may try Get first and then Call.

#include "host/com/com_object.h"

#include <functional>
#include <string>

namespace acadfake {

// DISP_E_UNKNOWNNAME: the object has no member of that name.
inline constexpr long kUnknownName = -2147352570;

// Told every call that changes something or ends something, as "WindowState=2", "Visible=false",
// "OpenSave.XrefDemandLoad=0", "Open(path,ReadOnly=false)", "SaveAs(path,24)", "Close(true)", "Quit";
// a save the DXF host carried out only in part adds "Warning: ...".
using Record = std::function<void(const std::u16string& call)>;

// A new application with a DXF host application of its own behind it; an error when that cannot start.
com::Result<com::ObjectPtr> MakeApplication(Record record);

}  // namespace acadfake
