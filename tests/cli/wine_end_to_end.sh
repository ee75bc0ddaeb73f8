#!/usr/bin/env bash
# qln-cli.exe under Wine against this machine's qln-cli over the sample drawings: the same four jobs
# (modify, a drawing list run with single and wildcard tasks, find --output, report) in two copies of
# examples/, one reached by Linux paths, one by Windows paths (C:\..., backslashes, a list file with
# CR LF line ends). Both must give the same saved drawings byte for byte, the same exit statuses and
# messages, the same audit and error log lines (CR LF ended on both), rows and report page.
#
#   tests/cli/wine_end_to_end.sh NATIVE-QLN-CLI QLN-CLI.EXE EXAMPLES-DIR WORK-DIR
#
# First qln-cli.exe --host autocad, against the stand-in AutoCAD registered as AutoCAD.Application in
# the prefix QLN_WINEPREFIX_AUTOCAD (tests/host/com/autocad_server), modifies drawings that qln-cli
# --host dxf modifies here. The stand-in keeps its drawings with the DXF host, so the saved drawings
# and the logs must be alike too, and its record of the calls it was given must show the session's
# start-up, the opens, the saves in the template's version and the quit.
#
# Runs Windows programs through cmake/wine-run.sh (QLN_WINE_RUN) in the prefix QLN_WINEPREFIX. Text
# files are UTF-8 on both sides and compared as they are, but for the work folder's path.
set -euo pipefail
[ $# -eq 4 ] || { sed -n '8p' "$0" | sed 's/^# *//' >&2; exit 2; }
native=$1 exe=$2 examples=$3 out=$4
run=${QLN_WINE_RUN:?QLN_WINE_RUN names cmake/wine-run.sh}
prefix=${QLN_WINEPREFIX:?QLN_WINEPREFIX names the Wine prefix}
acad_prefix=${QLN_WINEPREFIX_AUTOCAD:?QLN_WINEPREFIX_AUTOCAD names the prefix with the stand-in AutoCAD}
export LANG=C.UTF-8 TZ=UTC  # a UTF-8 locale every Debian machine has
unset LC_ALL

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# The prefix is made on first use: start the program once before its C: drive is written to.
"$run" "$exe" --version >/dev/null

lin=$out/linux
win_dir=qln-e2e-$$
win=$prefix/drive_c/$win_dir  # C:\qln-e2e-PID inside Wine
winpath="C:\\$win_dir"
zpath="Z:${win//\//\\}"  # the same folder from the AutoCAD prefix, where C: is another
trap 'rm -rf "$win"' EXIT
rm -rf "$lin" && mkdir -p "$lin"
mkdir -p "$win"
for w in "$lin" "$win"; do
  cp -R "$examples/drawings" "$examples/templates" "$w/"
  mkdir -p "$w/logs" "$w/report"
done
# The list file: full paths of each side; the Windows one with backslashes and CR LF line ends.
sed "s#@WORK@#$lin#g" "$examples/samples.dlf" >"$lin/samples.dlf"
while IFS= read -r line || [ -n "$line" ]; do
  line=${line//@WORK@/$winpath}
  case $line in "'"*) ;; *) line=${line//\//\\} ;; esac
  printf '%s\r\n' "$line"
done <"$examples/samples.dlf" >"$win/samples.dlf"

# One job on both sides: COMMAND ARGS with forward slashes, turned into backslashes for Windows (except
# the leading option names and patterns such as *MODEL_SPACE, which hold none). With `host` set to
# autocad, Windows runs it with --host autocad in the AutoCAD prefix and this side with --host dxf.
host=
job() {
  local name=$1 command=$2
  shift 2
  local winargs=() here=() there=() there_prefix=$prefix there_path=$winpath
  if [ "$host" = autocad ]; then
    here=(--host dxf) there=(--host autocad) there_prefix=$acad_prefix there_path=$zpath
  fi
  for a in "$@"; do
    a=${a//$lin/$there_path}
    winargs+=("${a//\//\\}")
  done
  set +e
  (cd "$lin" && "$native" "$command" ${here[@]+"${here[@]}"} "$@" >"$out/$name.linux.out" 2>"$out/$name.linux.err")
  local ls=$?
  (cd "$win" && QLN_WINEPREFIX=$there_prefix QLN_FAKE_AUTOCAD_LOG="$zpath\\calls-$name.txt" \
     "$run" "$exe" "$command" ${there[@]+"${there[@]}"} "${winargs[@]}" >"$out/$name.windows.out" 2>"$out/$name.windows.err")
  local ws=$?
  set -e
  [ "$ls" -eq "$ws" ] || fail "$name: exit status $ws under Wine, $ls here"
  [ "$ls" -le 1 ] || fail "$name: exit status $ls here ($(head -c 300 "$out/$name.linux.err"))"
  same_text "$out/$name.linux.out" "$out/$name.windows.out" "$name: standard output" console
  same_text "$out/$name.linux.err" "$out/$name.windows.err" "$name: standard error" console
}

# Windows text as this side writes it: paths of the work folder and separators made alike, the log
# timestamp blanked.
normal() {  # FILE SIDE
  local file=$1 side=$2
  if [ "$side" = windows ]; then
    sed -e "s#C:\\\\$win_dir#@WORK@#g" -e "s#C:/$win_dir#@WORK@#g" -e "s#${zpath//\\/\\\\}#@WORK@#g" -e "s#${zpath//\\//}#@WORK@#g" \
        -e 's#\\\(drawings\|templates\|structure\|details\|logs\|report\|samples\.dlf\|[A-Z]-[0-9]*\.dxf\(\.bak\)\?\|[a-z0-9-]*\.txt\|[A-Z]-[0-9]*\.htm\|\.\.\.\)#/\1#g' "$file"
  else
    sed -e "s#$lin#@WORK@#g" "$file"
  fi | sed -E -e 's#^[0-9]{1,2}/[0-9]{1,2}/[0-9]{4} [0-9]{1,2}:[0-9]{2}:[0-9]{2}( [AaPp][Mm])?\r?$#(timestamp)#' \
               -e 's#[0-9]+(\.[0-9]+)? second(s|\(s\))#(n) seconds#g' \
               -e 's#(Journal |undo )[0-9]{8}-[0-9]{6}(-[0-9]+)?#\1(journal)#g'
}

same_text() {  # LINUX-FILE WINDOWS-FILE WHAT MODE
  local a=$1 b=$2 what=$3 mode=$4
  if [ "$mode" = file ]; then
    # Every line of a log or result ends with CR LF, on both sides, and no CR stands alone.
    for f in "$a" "$b"; do
      local lines crs crlfs
      lines=$(wc -l <"$f") crs=$(tr -cd '\r' <"$f" | wc -c) crlfs=$(grep -c $'\r$' "$f" || true)
      [ "$crs" = "$lines" ] && [ "$crlfs" = "$lines" ] || fail "$what: not every line of $f ends with CR LF"
      [ -z "$(tail -c 1 "$f")" ] || fail "$what: $f does not end with a line end"
    done
  fi
  # Console text is compared without CR: Wine's standard handles pass the program's line ends on.
  # With parallel workers, a wildcard task's folders are scanned while earlier drawings are still
  # being reported, so the "Scanning" lines are compared among themselves and the rest in order.
  local part
  for part in rest scanning; do
    if ! diff -u <(normal "$a" linux | tr -d '\r' | pick $part) <(normal "$b" windows | tr -d '\r' | pick $part) \
        >"$out/diff.tmp" 2>&1; then
      fail "$what differs (- here, + under Wine):"
      head -40 "$out/diff.tmp" >&2
    fi
  done
}

pick() {  # rest | scanning
  if [ "$1" = scanning ]; then grep '^Scanning ' || true; else grep -v '^Scanning ' || true; fi
}

# With the stand-in AutoCAD: a template saving in the drawing's own version (Close saving), over
# drawings named from the work folder, and one asking for 2004 (SaveAs with format 24) over a 2004
# drawing and one that cannot be read, named in full (the host's error names the file it was given).
for w in "$lin" "$win"; do
  sed '/^LAYER: NOTES/a VERSION: 2004' "$examples/templates/notes.txt" >"$w/templates/notes-2004.txt"
  printf '0\nSECTION\n2\nENTITIES\n0\nTEXT\n8\n' >"$w/drawings/X-999.dxf"
done
host=autocad
job acad-own modify --template templates/notes.txt --log-dir logs drawings/A-102.dxf drawings/structure/S-102.dxf
job acad-2004 modify --template templates/notes-2004.txt --log-dir logs \
  "$lin/drawings/structure/S-101.dxf" "$lin/drawings/X-999.dxf"
host=
rm -f "$lin/drawings/X-999.dxf" "$win/drawings/X-999.dxf"
# Started, set up as the session sets AutoCAD up, each drawing opened by its full path, saved (by
# Close, or by SaveAs in the format of 2004), and quit; the drawing that cannot be read is tried in the
# three forms of Open.
startup='Started
WindowState=2
Visible=false
OpenSave.XrefDemandLoad=1
System.EnableStartupDialog=false
System.ShowWarningMessages=false'
opened() { echo "Open(@WORK@/drawings/$1,ReadOnly=false,Password=)"; }
expected_own="$startup
$(opened A-102.dxf)
Close(true)
$(opened structure/S-102.dxf)
Close(true)
Quit"
expected_2004="$startup
$(opened structure/S-101.dxf)
SaveAs(@WORK@/drawings/structure/S-101.dxf,24)
Close(false)
$(opened X-999.dxf)
Open(@WORK@/drawings/X-999.dxf,ReadOnly=false)
Open(@WORK@/drawings/X-999.dxf)
Quit"
for name in acad-own acad-2004; do
  [ -f "$win/calls-$name.txt" ] || { fail "$name: the stand-in AutoCAD was never started"; continue; }
  normal "$win/calls-$name.txt" windows | tr -d '\r' >"$out/calls-$name.txt"
  [ "$name" = acad-own ] && want=$expected_own || want=$expected_2004
  diff -u <(printf '%s\n' "$want") "$out/calls-$name.txt" >"$out/diff.tmp" ||
    { fail "$name: the stand-in AutoCAD was called otherwise (- expected, + called):"; cat "$out/diff.tmp" >&2; }
done

job modify modify --template templates/rooms.txt --log-dir logs drawings/A-101.dxf drawings/A-102.dxf
job run run --log-dir logs "$lin/samples.dlf"
job find find --blocks '*MODEL_SPACE' --output found.csv color 'drawings/*.dxf'
job find-stdout find --blocks '*MODEL_SPACE' color 'drawings/*.dxf'
# Rows on standard output keep their own CR LF, as in the file, with no CR added.
same_text "$out/find-stdout.linux.out" "$out/find-stdout.windows.out" "find: rows on standard output" file
job report report --output report/A-101.htm drawings/A-101.dxf
# A message naming a drawing with letters beyond ASCII and the ANSI code page reaches the stream whole.
job report-missing report "drawings/Straße ≥ 2.dxf"

# The saved drawings and their backups, byte for byte.
lfiles=$(cd "$lin" && find drawings -type f | sort)
wfiles=$(cd "$win" && find drawings -type f | sort)
[ "$lfiles" = "$wfiles" ] || fail "the drawings folders differ: here [$lfiles], under Wine [$wfiles]"
changed=0
for f in $lfiles; do
  [ -f "$win/$f" ] || continue
  cmp -s "$lin/$f" "$win/$f" || fail "$f: the bytes saved under Wine differ from those saved here"
  cmp -s "$lin/$f" "$examples/$f" 2>/dev/null || changed=$((changed + 1))
done
[ "$changed" -gt 0 ] || fail "no drawing was changed: the jobs did nothing to compare"

for f in logs/audit.log logs/err.log found.csv report/A-101.htm; do
  if [ ! -f "$lin/$f" ] || [ ! -f "$win/$f" ]; then
    [ -f "$lin/$f" ] || [ -f "$win/$f" ] || continue
    fail "$f was written on one side only"
    continue
  fi
  same_text "$lin/$f" "$win/$f" "$f" file
done
[ -s "$lin/logs/audit.log" ] || fail "the audit log is empty"

if [ "$failures" -gt 0 ]; then
  cp -R "$win" "$out/windows" 2>/dev/null || true
  echo "$failures difference(s); both work folders are in $out" >&2
  exit 1
fi
echo "qln-cli.exe under Wine and qln-cli here: $changed drawing files, $(wc -l <"$lin/logs/audit.log") audit lines, $(($(wc -l <"$lin/found.csv") - 1)) rows and the report page alike"
