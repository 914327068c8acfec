#!/bin/sh
# Cross-builds the parts of Qt the program uses, for 64-bit Windows, from
# Debian's own qt6-base source, into a cache outside the clone. The cache is
# keyed by version and options, so a second run (or CI on the same machine)
# finds it and returns at once.
# Usage: build-qt.sh CACHE_DIR SQLITE_PREFIX   (prints the install prefix)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
cache=$1
sqlite=$2
version=6.4.2

# Only Core, Gui, Widgets, Sql and Test, the Windows platform and style
# plugins, and the SQLite driver (over build-sqlite.sh's SQLite: Debian's
# repacked source has no SQLite of its own). Debian's repacked source lacks
# src/3rdparty/wintab, hence no tablet events.
options="-release -opensource -confirm-license -nomake examples -nomake tests
  -xplatform win32-g++ -qt-host-path /usr -no-opengl -no-dbus -no-icu
  -sql-sqlite -system-sqlite -no-sql-psql -no-sql-odbc -no-sql-mysql
  -no-sql-db2 -no-sql-ibase -no-sql-oci -no-feature-network -no-feature-printsupport
  -no-feature-concurrent -no-feature-xml -no-feature-tabletevent
  -no-feature-vulkan -qt-zlib -qt-pcre -qt-libpng -qt-libjpeg -qt-freetype
  -qt-harfbuzz -no-feature-accessibility-atspi-bridge -no-pch"
key=$(printf '%s\n' "$version" $options "$sqlite" | sha256sum | cut -c1-12)
prefix=$cache/qt-$version-$key
[ -f "$prefix/.complete" ] && { echo "$prefix"; exit 0; }

src=$cache/src
mkdir -p "$src"
if [ ! -d "$src/qt6-base-$version+dfsg" ]; then
  (cd "$src" && apt-get source -qq qt6-base >/dev/null 2>&1)
fi
work=$cache/qt-build-$key
rm -rf "$work" "$prefix"
mkdir -p "$work"
cd "$work"
# shellcheck disable=SC2086 # one word per option
"$src/qt6-base-$version+dfsg/configure" -prefix "$prefix" $options -- \
  -G Ninja -DCMAKE_TOOLCHAIN_FILE="$here/mingw-w64.cmake" \
  -DCMAKE_CROSSCOMPILING_EMULATOR= \
  -DSQLite3_INCLUDE_DIR="$sqlite/include" -DSQLite3_LIBRARY="$sqlite/lib/libsqlite3.a" \
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake >configure.log 2>&1 ||
  { tail -40 configure.log >&2; exit 1; }
cmake --build . --parallel "$(nproc)" >build.log 2>&1 || { grep -m5 -B2 -A8 'error' build.log >&2; tail -20 build.log >&2; exit 1; }
cmake --install . >install.log 2>&1
touch "$prefix/.complete"
rm -rf "$work"
echo "$prefix"
