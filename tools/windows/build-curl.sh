#!/bin/sh
# Cross-builds libcurl for 64-bit Windows from Debian's own curl source, with
# Schannel: Windows' own TLS and certificate store, so no OpenSSL and no CA
# bundle are shipped and peers are still verified. Cached like build-qt.sh.
# Usage: build-curl.sh CACHE_DIR   (prints the install prefix)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
cache=$1
version=7.88.1

options="-DBUILD_SHARED_LIBS=ON -DCURL_USE_SCHANNEL=ON -DCURL_USE_OPENSSL=OFF
  -DCURL_ZLIB=ON -DZLIB_INCLUDE_DIR=/usr/x86_64-w64-mingw32/include
  -DZLIB_LIBRARY=/usr/x86_64-w64-mingw32/lib/libz.a
  -DCURL_DISABLE_LDAP=ON -DUSE_LIBIDN2=OFF -DCURL_USE_LIBSSH2=OFF -DUSE_NGHTTP2=OFF
  -DCURL_BROTLI=OFF -DCURL_ZSTD=OFF -DBUILD_CURL_EXE=OFF -DBUILD_TESTING=OFF
  -DENABLE_MANUAL=OFF -DCMAKE_BUILD_TYPE=Release"
key=$(printf '%s\n' "$version" $options | sha256sum | cut -c1-12)
prefix=$cache/curl-$version-$key
[ -f "$prefix/.complete" ] && { echo "$prefix"; exit 0; }

src=$cache/src
mkdir -p "$src"
[ -d "$src/curl-$version" ] || (cd "$src" && apt-get source -qq curl >/dev/null 2>&1)
work=$cache/curl-build-$key
rm -rf "$work" "$prefix"
# shellcheck disable=SC2086 # one word per option
cmake -S "$src/curl-$version" -B "$work" -G Ninja -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DCMAKE_TOOLCHAIN_FILE="$here/mingw-w64.cmake" $options >"$cache/curl-configure.log" 2>&1 ||
  { tail -30 "$cache/curl-configure.log" >&2; exit 1; }
cmake --build "$work" --parallel "$(nproc)" >"$cache/curl-build.log" 2>&1 ||
  { tail -30 "$cache/curl-build.log" >&2; exit 1; }
cmake --install "$work" >/dev/null
touch "$prefix/.complete"
rm -rf "$work"
echo "$prefix"
