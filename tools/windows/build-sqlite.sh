#!/bin/sh
# Cross-builds SQLite for 64-bit Windows from Debian's own sqlite3 source, for
# Qt's SQLite driver (the history's store). Debian's source tree carries no
# one-file amalgamation, so the host makes it (configure, make sqlite3.c: needs
# tclsh) and MinGW compiles it into a static library. Cached like build-qt.sh.
# Usage: build-sqlite.sh CACHE_DIR   (prints the install prefix)
set -eu
cache=$1
version=3.40.1

# The compile-time options Debian builds its own libsqlite3 with that the
# history relies on (FTS5 for its free-text search), and thread safety.
options="-O2 -DSQLITE_THREADSAFE=1 -DSQLITE_ENABLE_FTS5 -DSQLITE_ENABLE_COLUMN_METADATA
  -DSQLITE_DEFAULT_FOREIGN_KEYS=0 -DSQLITE_OMIT_LOAD_EXTENSION"
key=$(printf '%s\n' "$version" $options | sha256sum | cut -c1-12)
prefix=$cache/sqlite-$version-$key
[ -f "$prefix/.complete" ] && { echo "$prefix"; exit 0; }

src=$cache/src
mkdir -p "$src"
[ -d "$src/sqlite3-$version" ] || (cd "$src" && apt-get source -qq sqlite3 >/dev/null 2>&1)
work=$cache/sqlite-build-$key
rm -rf "$work" "$prefix"
mkdir -p "$work" "$prefix/include" "$prefix/lib"
(cd "$work" && "$src/sqlite3-$version/configure" >configure.log 2>&1 && make sqlite3.c >make.log 2>&1) ||
  { tail -30 "$work/configure.log" "$work/make.log" >&2; exit 1; }
# shellcheck disable=SC2086 # one word per option
x86_64-w64-mingw32-gcc-posix $options -c "$work/sqlite3.c" -o "$work/sqlite3.o"
x86_64-w64-mingw32-gcc-ar-posix rcs "$prefix/lib/libsqlite3.a" "$work/sqlite3.o"
cp "$work/sqlite3.h" "$work/sqlite3ext.h" "$prefix/include/"
touch "$prefix/.complete"
rm -rf "$work"
echo "$prefix"
