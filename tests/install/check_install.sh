#!/usr/bin/env bash
# Installs the build into a temporary root (DESTDIR, prefix /usr) and checks the installed program:
# the files are where the desktop and the shell look for them and valid, the installed qln-cli runs
# from another folder as an installed program (its data in share/qln, its logs in the per-user data
# folder, nothing written into the installation), and its bash completion completes.
#
#   check_install.sh BUILD-DIR WORK-DIR
set -uo pipefail
build=$1
work=$2
rm -rf "$work"
mkdir -p "$work/home" "$work/elsewhere"
root=$work/root
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

DESTDIR=$root cmake --install "$build" --prefix /usr >"$work/install.log" 2>&1 || {
  cat "$work/install.log" >&2
  echo "FAIL: cmake --install" >&2
  exit 1
}
usr=$root/usr
for f in bin/qln bin/qln-cli share/qln/faq.fil share/qln/templates/rooms.txt share/qln/drawings/A-101.dxf \
         share/man/man1/qln.1.gz share/man/man1/qln-cli.1.gz share/bash-completion/completions/qln-cli \
         share/applications/org.quillon.Quillon.desktop share/mime/packages/org.quillon.Quillon.xml \
         share/metainfo/org.quillon.Quillon.metainfo.xml share/icons/hicolor/scalable/apps/org.quillon.Quillon.svg \
         share/icons/hicolor/256x256/apps/org.quillon.Quillon.png share/doc/qln/copyright; do
  [ -f "$usr/$f" ] || fail "not installed: $f"
done

# The validators of the desktop and of software centres.
desktop-file-validate "$usr/share/applications/org.quillon.Quillon.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$usr/share/metainfo/org.quillon.Quillon.metainfo.xml" || fail "appstreamcli validate"
# The file type database takes the drawing list type (update-mime-database rejects a broken file).
cp -r "$usr/share/mime" "$work/mime"
if XDG_DATA_HOME=$work update-mime-database "$work/mime" 2>"$work/mime.err" && [ ! -s "$work/mime.err" ]; then
  grep -q 'application/x-qln-dlf' "$work/mime/globs2" || fail "*.dlf is not in the file type database"
else
  cat "$work/mime.err" >&2
  fail "update-mime-database"
fi
for page in qln qln-cli; do
  warnings=$(man --warnings -l "$usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "man $page: $warnings"
done

# The installed qln-cli, run from another folder by a user whose files are under $work/home.
cli() { (cd "$work/elsewhere" && HOME=$work/home XDG_DATA_HOME=$work/home/data "$usr/bin/qln-cli" "$@"); }
cli --help >"$work/help.out" 2>&1 || fail "qln-cli --help"
grep -q '^usage: qln-cli <command>' "$work/help.out" || fail "qln-cli --help: $(head -1 "$work/help.out")"
version=$(cli --version)
[ "$(sed -n 2p <<<"$version")" = "Installed: data in $usr/share/qln; logs and reports in $work/home/data/QLN/QLN" ] ||
  fail "qln-cli --version: $version"
rows=$(cli find --quiet --blocks '*MODEL_SPACE' --layers ROOMS colour "$usr/share/qln/drawings/*.dxf")
[ "$rows" = $'Drawing,Space,Block,Layer,Rotation,Handle,X,Y,Z,Text\r
'"$usr"$'/share/qln/drawings/A-101.dxf,Model,*MODEL_SPACE,ROOMS,0,57,13500,11000,0,COLOUR PRINT ROOM\r' ] ||
  fail "qln-cli find: $rows"
# A modification with an installed template on a copy of an installed drawing: the audit log goes to
# the per-user data folder, never into the installation.
cp "$usr/share/qln/drawings/A-101.dxf" "$work/elsewhere/"
cli modify --quiet --template "$usr/share/qln/templates/rooms.txt" A-101.dxf || fail "qln-cli modify"
grep -q 'Color Print Room' "$work/elsewhere/A-101.dxf" || fail "qln-cli modify: the drawing is unchanged"
grep -q 'Drawing: A-101.dxf' "$work/home/data/QLN/QLN/audit.log" || fail "no audit.log in the per-user data folder"
written=$(find "$root" -newer "$work/install.log" -type f)
[ -z "$written" ] || fail "written into the installation: $written"

# The bash completion completes subcommands, options and option values.
complete_words() {
  bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _qln_cli; echo "${COMPREPLY[*]}"' \
    _ "$usr/share/bash-completion/completions/qln-cli" "$@"
}
[ "$(complete_words qln-cli fi)" = find ] || fail "completion of 'fi': $(complete_words qln-cli fi)"
[ "$(complete_words qln-cli find --space M)" = Model ] || fail "completion of '--space M'"
[ "$(complete_words qln-cli modify --te)" = --template ] || fail "completion of 'modify --te'"
[ "$(complete_words qln-cli report --m)" = --mtext ] || fail "completion of 'report --m'"

[ "$failures" -eq 0 ] && echo "installed and checked in $root"
exit $((failures > 0))
