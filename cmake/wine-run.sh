#!/bin/sh
# Runs a Windows program under Wine in the private prefix of the build (QLN_WINEPREFIX, or
# wine-prefix/ beside this build's programs), made on first use. Wine's own messages are silenced.
#
#   cmake/wine-run.sh PROGRAM.exe [ARGUMENTS...]
set -eu
wine=${QLN_WINE64:-/usr/lib/wine/wine64}
[ -x "$wine" ] || { echo "wine-run: $wine not found (Debian package wine64)" >&2; exit 127; }
prefix=${QLN_WINEPREFIX:-${WINEPREFIX:-$(pwd)/wine-prefix}}
mkdir -p "$(dirname "$prefix")"
export WINEPREFIX="$prefix" WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
# Two tests may start at once: the first makes the prefix, the other waits for it.
if [ ! -f "$prefix/system.reg" ]; then
  flock "$prefix.lock" sh -c '[ -f "$WINEPREFIX/system.reg" ] || { "$1" wineboot --init >/dev/null 2>&1; "$(dirname "$1")/wineserver" -w 2>/dev/null || true; }' sh "$wine"
fi
exec "$wine" "$@"
