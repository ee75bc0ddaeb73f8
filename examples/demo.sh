#!/usr/bin/env bash
# Quillon's sample run: its three jobs (modify, find, report) over copies of the sample drawings.
#
#   examples/demo.sh BUILD-DIR [WORK-FOLDER]
#
# BUILD-DIR is the folder that holds qln-cli (./qln-dev demo passes build/). The sample drawings,
# templates and drawing list file are copied into WORK-FOLDER (examples/out/ unless given) and changed
# there; nothing in examples/ itself is touched. A work folder left by an earlier demo is replaced;
# any other folder that is not empty is refused.
#
# Exit status: 0 when every step did what it should; otherwise the status of the step that did not
# (qln-cli's own: 1 a failure was logged or nothing found, 2 bad usage, 3 no host), or 1 when the
# check of the modified drawings failed, or 2 when this script was called wrongly.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd -P)
marker=.qln-demo

usage() {
  sed -n '4p' "$0" | sed 's/^# *//' >&2
}

fail() {
  echo "demo: $*" >&2
  exit 2
}

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  printf 'usage: ' >&2
  usage
  exit 2
fi

cli="$1/qln-cli"
[ -x "$cli" ] || fail "$cli is not there: build first (./qln-dev build), or name the folder that holds qln-cli"
cli="$(cd "$1" && pwd -P)/qln-cli"

# The work folder: made fresh for every demo, and only ever removed when an earlier demo made it. A
# comma in its path would split the task lines of the drawing list file.
work=${2:-$here/out}
comma="the work folder's path holds a comma, which would split the task lines of a drawing list file: name another"
case $work in *,*) fail "$comma" ;; esac
if [ -e "$work" ] || [ -L "$work" ]; then
  if [ -f "$work/$marker" ]; then
    rm -rf -- "$work" || fail "cannot remove the earlier demo's folder $work"
  elif [ ! -d "$work" ] || [ -n "$(ls -A -- "$work")" ]; then
    fail "$work is there and is not an earlier demo's work folder; name another (examples/demo.sh BUILD-DIR FOLDER)"
  fi
fi
mkdir -p -- "$work" || fail "cannot make the work folder $work"
work=$(cd "$work" && pwd -P)
case $work in *,*) fail "$comma" ;; esac

# --- output helpers ---------------------------------------------------------------------------------

step=0
steps=5

heading() {
  step=$((step + 1))
  printf '\n[%d/%d] %s\n' "$step" "$steps" "$1"
  shift
  for line in "$@"; do printf '      %s\n' "$line"; done
}

# A shell word as a user would type it: quoted only when it holds anything but plain characters.
shell_word() {
  case $1 in
    '' | *[!A-Za-z0-9_./:=@%+,-]*) printf "'%s'" "${1//\'/\'\\\'\'}" ;;
    *) printf '%s' "$1" ;;
  esac
}

# Run qln-cli in the work folder, showing the command first; stop the demo when its exit status is not 0.
qln() {
  printf '\n  $ qln-cli'
  for arg in "$@"; do printf ' '; shell_word "$arg"; done
  printf '\n'
  (cd "$work" && "$cli" "$@")
  local status=$?
  if [ "$status" -ne 0 ]; then
    echo "demo: qln-cli $1 ended with exit status $status; the demo stops here." >&2
    echo "demo: its logs are in $work/logs" >&2
    exit "$status"
  fi
}

# A template without its notes: the settings and the commands that the run reads.
show_template() {
  printf '      %s:\n' "$1"
  tr -d '\r' <"$work/$1" | awk '
    /^ *\*[Ii][Nn][Pp][Uu][Tt] *$/ { on = 1 }
    on && $0 !~ /^ *'"'"'/ && $0 !~ /^ *$/ { print "          " $0 }'
}

# A text file of the program (lines ended by CR LF), indented.
show_file() {
  tr -d '\r' <"$1" | sed 's/^/      /'
}

# --- the work folder -----------------------------------------------------------------------------------

cp -R "$here/drawings" "$work/drawings" || fail "cannot copy the sample drawings to $work"
cp -R "$here/templates" "$work/templates" || fail "cannot copy the sample templates to $work"
mkdir -p "$work/logs" "$work/report"
echo "Made by examples/demo.sh; the next demo replaces this folder." >"$work/$marker"

# The drawing list file with the work folder's full path in place of @WORK@ (the runs take paths as
# they are written; a list file's own folder plays no part).
while IFS= read -r line || [ -n "$line" ]; do
  printf '%s\n' "${line//@WORK@/"$work"}"
done <"$here/samples.dlf" >"$work/samples.dlf"

cat <<EOF
Quillon demo: modify, find and report over the sample drawings
==============================================================

qln-cli:      $cli
Work folder:  $work
              The six sample drawings (DXF, AutoCAD 2000 to 2018) and five templates of examples/
              were copied here; the demo changes the copies only. Every command below runs in
              this folder.
EOF

# --- 1. modify --------------------------------------------------------------------------------------------

heading "Modify: one template applied to two drawings" \
  "rooms.txt selects the single-line text lying directly in model space on layer ROOMS, spells" \
  "colour as color, and puts every room name in proper case."
show_template templates/rooms.txt
qln modify --template templates/rooms.txt --log-dir logs drawings/A-101.dxf drawings/A-102.dxf

# --- 2. block attributes and regular expressions -------------------------------------------------------

heading "Modify block attributes: renumber the floor plans, new revision and date" \
  "sheet-info.txt changes the attributes SHEET, REV and DATE of the block SHEET-INFO in paper" \
  "space: every reference keeps its own values. g, and sg, find by regular expression; \\1 puts" \
  "in what the brackets caught, so A-101 becomes A-201."
show_template templates/sheet-info.txt
qln modify --template templates/sheet-info.txt --log-dir logs drawings/A-101.dxf drawings/A-102.dxf

# --- 3. a drawing list file ---------------------------------------------------------------------------

heading "Run a drawing list file: different templates for different drawings" \
  "samples.dlf pairs drawings, or wildcard patterns of drawings, with templates" \
  "(@WORK@ stands for the work folder; its copy there holds the full path):"
tr -d '\r' <"$here/samples.dlf" | grep -v -e "^ *'" -e '^ *$' | sed 's/^/          /'
printf '      %s\n' \
  "A-1*.dxf has an extension: the matching drawings of that folder only. structure/* has none:" \
  ".dxf is added and every folder below is searched too. END stops the run at once, so no" \
  "summary line follows. The templates:"
show_template templates/mtext-notes.txt
show_template templates/notes.txt
show_template templates/title-block.txt
qln run --log-dir logs "$work/samples.dlf"

# --- 4. find ----------------------------------------------------------------------------------------------

heading "Find: every text lying in model space that says color, in the drawings of one folder" \
  "One row per hit: drawing, space, block, layer, rotation, handle, X, Y, Z, text. A field that" \
  "holds the delimiter (a comma) is put in double quotes, so the file reads as CSV."
qln find --blocks '*MODEL_SPACE' --output found.csv color 'drawings/*.dxf'
echo
echo "      found.csv:"
show_file "$work/found.csv"

# --- 5. report --------------------------------------------------------------------------------------------

heading "Report: all the single-line text of one drawing as an HTML page" \
  "Text inside a block is listed once for every reference to the block: the three fire" \
  "extinguisher symbols (block FIRE-EXT) give three rows."
qln report --output report/A-101.htm drawings/A-101.dxf
title=$(tr -d '\r' <"$work/report/A-101.htm" | sed -n '/^<TITLE>$/{n;p;q;}')
echo "      The page's title: $title"

# --- the logs ---------------------------------------------------------------------------------------------

printf '\nThe audit log, %s: every change, with the text as it was before it.\n' "$work/logs/audit.log"
printf '("Handle" is the text object'"'"'s handle.)\n\n'
show_file "$work/logs/audit.log"

if [ -s "$work/logs/err.log" ]; then
  printf '\nThe error log, %s:\n' "$work/logs/err.log"
  show_file "$work/logs/err.log"
else
  printf '\nThe error log, %s, is empty: nothing failed.\n' "$work/logs/err.log"
fi

# --- an independent check ------------------------------------------------------------------------------

checked=""
if /usr/bin/python3 -c 'import ezdxf' 2>/dev/null; then
  printf '\nChecking the modified drawings with ezdxf, an independent DXF library:\n      '
  if ! /usr/bin/python3 "$here/check_samples.py" --after-demo "$work"; then
    echo "demo: the modified drawings are not what the templates should have made of them" >&2
    exit 1
  fi
  checked=yes
fi

cat <<EOF

Where things are
----------------
  Modified drawings:  $work/drawings/  (open them in any DXF viewer)
  Backups:            beside each drawing, NAME.dxf.bak: the drawing as it was before its last save
  Logs:               $work/logs/audit.log (appended by every run) and err.log (rewritten by every run)
  Search results:     $work/found.csv
  Report page:        $work/report/A-101.htm  (open it in a web browser)
  The originals:      $here/drawings/ (unchanged)

Things to try (in $work):
  $(shell_word "$cli") find FE 'drawings/*.dxf'
  $(shell_word "$cli") find --mtext --space Paper --blocks '*PAPER_SPACE' notes 'drawings/*.dxf'
  $(shell_word "$cli") report --mtext --output report/A-501.htm drawings/A-501.dxf
  $(shell_word "$cli") --help
The user guide is in docs/ (templates.md, drawing-lists.md, search.md, qln-cli.md).
EOF
[ -n "$checked" ] || echo "(python3-ezdxf is not installed, so the modified drawings were not checked with it.)"
exit 0
