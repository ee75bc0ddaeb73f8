#!/usr/bin/env bash
# Builds a static QtCore for 64-bit Windows (x86_64-w64-mingw32, posix threads) from the source of the
# qt6-base package this Debian machine has in binary form, and installs it into a per-machine cache, so
# that only the first run on a machine pays for it. Prints the folder of the installed QtCore.
#
#   cmake/windows-qt.sh [--gui] [PREFIX]
#
# --gui builds QtGui, QtWidgets and QtNetwork too (for qln.exe), into a cache folder of their own.
# PREFIX defaults to ${XDG_CACHE_HOME:-~/.cache}/qln/windows-qt-VERSION (windows-qt-gui-VERSION with
# --gui); when it already holds a Qt the script only prints it. Needs root (or sudo) the first time: the source comes through
# apt-get source, from a deb-src entry made from the machine's own apt entry.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
jobs=$(nproc 2>/dev/null || echo 2)
kind=windows-qt
modules=(-DFEATURE_gui=OFF -DFEATURE_widgets=OFF -DFEATURE_network=OFF)
if [ "${1:-}" = --gui ]; then
  shift
  kind=windows-qt-gui
  # The widgets over the Windows platform plugin alone: no OpenGL (nor dynamic OpenGL, which 6.4 keeps
  # otherwise and then fails to build), Vulkan, FreeType or Direct2D (the plugin draws with GDI,
  # and without Direct2D 6.4 cannot link its DirectWrite 3 fonts), TLS, or tablet input (its Wintab
  # header is not in the Debian source); the image formats Qt carries itself.
  modules=(-DFEATURE_gui=ON -DFEATURE_widgets=ON -DFEATURE_network=ON -DFEATURE_opengl=OFF
           -DFEATURE_vulkan=OFF -DFEATURE_freetype=OFF -DFEATURE_fontconfig=OFF -DFEATURE_harfbuzz=ON
           -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_png=OFF -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF
           -DFEATURE_sql=OFF -DFEATURE_ssl=OFF -DFEATURE_openssl=OFF -DFEATURE_schannel=OFF -DFEATURE_direct2d=OFF -DFEATURE_directwrite3=OFF
           -DFEATURE_dynamicgl=OFF -DFEATURE_tabletevent=OFF)
fi

version=$(dpkg-query -W -f='${Version}' qt6-base-dev 2>/dev/null) || {
  echo "windows-qt: qt6-base-dev is not installed (./qln-dev deps)" >&2; exit 1; }
upstream=${version#*:}
upstream=${upstream%%[+-]*}  # 6.4.2+dfsg-10 -> 6.4.2
cache=${XDG_CACHE_HOME:-$HOME/.cache}/qln
prefix=${1:-$cache/$kind-$upstream}
stamp=$prefix/qln-windows-qt.stamp

if [ -f "$stamp" ] && [ -f "$prefix/lib/cmake/Qt6Core/Qt6CoreConfig.cmake" ]; then
  echo "$prefix"
  exit 0
fi

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
work=$cache/$kind-$upstream.work
mkdir -p "$work"
# Two runs at once (two checkouts on one machine): the second waits and then finds the first's QtCore.
exec 9>"$work.lock"
flock 9
if [ -f "$stamp" ]; then echo "$prefix"; exit 0; fi

# The source package, from the same archive as the installed binaries: a deb-src twin of the machine's
# own apt entry, the type being the only change.
src=$(ls -d "$work"/qtbase-src 2>/dev/null || true)
if [ -z "$src" ]; then
  if ! apt-get source --print-uris -q "qt6-base=$version" >/dev/null 2>&1; then
    entry=""
    for f in /etc/apt/sources.list.d/debian.sources /etc/apt/sources.list.d/*.sources; do
      [ -f "$f" ] && grep -q '^Types:.*\bdeb\b' "$f" && { entry=$f; break; }
    done
    if [ -n "$entry" ]; then
      sed 's/^Types:.*/Types: deb-src/' "$entry" | "${sudo[@]}" tee /etc/apt/sources.list.d/qln-deb-src.sources >/dev/null
    elif [ -f /etc/apt/sources.list ]; then
      grep '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' | "${sudo[@]}" tee /etc/apt/sources.list.d/qln-deb-src.list >/dev/null
    else
      echo "windows-qt: no apt source entry to make a deb-src entry from" >&2; exit 1
    fi
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q >&2
  fi
  command -v dpkg-source >/dev/null || "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends dpkg-dev >&2
  rm -rf "$work/download" && mkdir -p "$work/download"
  (cd "$work/download" && apt-get source -q --download-only "qt6-base=$version" >&2 &&
     dpkg-source -x --no-check ./*.dsc "$work/qtbase-src" >&2)
  rm -rf "$work/download"
  src=$work/qtbase-src
fi

# QtCore only, static, with its own pcre2 and zlib; Debian's moc, rcc and the rest run on this machine
# (QT_HOST_PATH). The compilers and search paths are those of the project's toolchain file.
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
build=$work/build
start=$(date +%s)
cmake -S "$src" -B "$build" -G Ninja -Wno-dev \
  -DCMAKE_TOOLCHAIN_FILE="$here/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DQT_HOST_PATH=/usr \
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null || echo x86_64-linux-gnu)/cmake \
  -DBUILD_SHARED_LIBS=OFF \
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
  "${modules[@]}" -DFEATURE_sql=OFF \
  -DFEATURE_testlib=OFF -DFEATURE_xml=OFF -DFEATURE_dbus=OFF -DFEATURE_concurrent=OFF \
  -DFEATURE_printsupport=OFF \
  -DFEATURE_system_pcre2=OFF -DFEATURE_system_zlib=OFF -DFEATURE_zstd=OFF -DFEATURE_icu=OFF \
  -DFEATURE_glib=OFF -DFEATURE_pkg_config=OFF \
  "${launcher[@]}" >&2
cmake --build "$build" -j "$jobs" >&2
rm -rf "$prefix"
cmake --install "$build" >&2
echo "Qt $upstream ($kind) for x86_64-w64-mingw32, built $(date -u +%FT%TZ) in $(( $(date +%s) - start )) s" >"$stamp"
cat "$stamp" >&2
rm -rf "$work"
echo "$prefix"
