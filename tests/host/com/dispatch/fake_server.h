#pragma once
// The fake automation server of the dispatch tests: an in-process COM server (a DLL with a class
// factory) whose objects implement IDispatch themselves and behave like a small AutoCAD:
//
//   Application   Documents, Preferences (.OpenSave.XrefDemandLoad, .System.EnableStartupDialog,
//                 .System.ShowWarningMessages), WindowState, Visible, Quit
//   Documents     Count, Item(i), Open(Name, [ReadOnly], [Password]), for-each
//   Document      FullName, ReadOnly, Close([SaveChanges]), SaveAs(FullFileName, [SaveAsType]),
//                 SavedAsType (the fake's own: the last type given to SaveAs), SelectionSets, Blocks
//   SelectionSets Add(Name) (a name in use fails), Count, Item(i), for-each
//   SelectionSet  Name, Count, Item(i), Select(Mode, [Point1], [Point2], [FilterType], [FilterData]),
//                 Delete, for-each. Select takes mode 5 only, the points omitted, the filter types as a
//                 SAFEARRAY of VT_I2 and the data as a SAFEARRAY of VT_VARIANT, as AutoCAD does;
//                 codes 0 (type names, comma-separated), 2 (block name), 8 (layer), 67 (space).
//   Blocks        Item(name) (an unknown name fails), Count, for-each
//   Block         Name, Count, Item(i) — no for-each, so that reading by index is exercised
//   entity        ObjectName, TextString (get, put), Handle, Layer, InsertionPoint (get, put),
//                 Rotation, Name (block references), Delete (an erased entity fails every later call)
//
// Every opened drawing holds the same objects: in model space TEXT "Alpha" on layer 0, TEXT "Beta"
// on NOTES, MTEXT "Gamma", an INSERT of block TITLE; in paper space TEXT "Delta". Block TITLE holds
// TEXT "Drawn by" and TEXT "Checked by".
//
// An Application registers itself as the running instance when made and revokes that in Quit.
// The functions below, found with GetProcAddress, control the fake and let the tests see inside it.

#include <windows.h>

// {6A1C2E40-5B7D-4C1E-9E3A-2F4B8D6C0A11}
inline constexpr CLSID kFakeClsid = {0x6a1c2e40, 0x5b7d, 0x4c1e, {0x9e, 0x3a, 0x2f, 0x4b, 0x8d, 0x6c, 0x0a, 0x11}};
inline constexpr wchar_t kFakeProgId[] = L"Quillon.FakeAutomation";

extern "C" {
// The next `times` calls of `member` (on any object; -1: every call) fail with `hr`, or, when
// `description` is not empty, with DISP_E_EXCEPTION and an EXCEPINFO of that scode and description.
// The member "_NewEnum" is every collection's enumerator.
typedef void (*QlnFakeFailFn)(const wchar_t* member, int times, HRESULT hr, const wchar_t* description);
// Forgets every failure to come and every count.
typedef void (*QlnFakeResetFn)();
// How many of the fake's COM objects are alive (applications, collections, entities, enumerators).
typedef long (*QlnFakeLiveObjectsFn)();
// How many times `member` has been invoked (rejected calls included) since the last reset.
typedef long (*QlnFakeCallsFn)(const wchar_t* member);
}
