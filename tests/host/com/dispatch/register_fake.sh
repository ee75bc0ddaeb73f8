#!/bin/sh
# Registers a fake automation server of the tests (a DLL) in the tests' Wine prefix under a class id
# and ProgIDs: the prefix belongs to the tests, so no real AutoCAD is ever shadowed.
#
#   register_fake.sh WINE-RUN DLL CLSID PROGID...   (WINE-RUN: cmake/wine-run.sh, which makes the prefix)
set -eu
run=$1
dll=$2
clsid=$3
shift 3
[ -f "$dll" ] || { echo "register_fake: $dll not built" >&2; exit 1; }
# Wine's drive Z: is the root of the Unix file system.
windows_path="Z:$(printf '%s' "$dll" | sed 's|/|\\|g')"
for progid in "$@"; do
  "$run" reg add "HKCR\\$progid\\CLSID" /ve /d "$clsid" /f >/dev/null
done
"$run" reg add "HKCR\\CLSID\\$clsid\\InprocServer32" /ve /d "$windows_path" /f >/dev/null
"$run" reg add "HKCR\\CLSID\\$clsid\\InprocServer32" /v ThreadingModel /d Apartment /f >/dev/null
echo "registered $windows_path as $*"
