#!/bin/sh
# Registers the tests' fake automation server (a DLL) in the tests' Wine prefix, under its own ProgID
# and as AutoCAD.Application: the prefix belongs to the tests, so no real AutoCAD is ever shadowed.
#
#   register_fake.sh WINE-RUN DLL      (WINE-RUN: cmake/wine-run.sh, which makes the prefix if need be)
set -eu
run=$1
dll=$2
[ -f "$dll" ] || { echo "register_fake: $dll not built" >&2; exit 1; }
# Wine's drive Z: is the root of the Unix file system.
windows_path="Z:$(printf '%s' "$dll" | sed 's|/|\\|g')"
clsid='{6A1C2E40-5B7D-4C1E-9E3A-2F4B8D6C0A11}'
for progid in Quillon.FakeAutomation AutoCAD.Application; do
  "$run" reg add "HKCR\\$progid\\CLSID" /ve /d "$clsid" /f >/dev/null
done
"$run" reg add "HKCR\\CLSID\\$clsid\\InprocServer32" /ve /d "$windows_path" /f >/dev/null
"$run" reg add "HKCR\\CLSID\\$clsid\\InprocServer32" /v ThreadingModel /d Apartment /f >/dev/null
echo "registered $windows_path as Quillon.FakeAutomation and AutoCAD.Application"
