#!/bin/sh
# Installs, from Debian 12's archive, what the Windows build needs beyond the
# Linux one: the MinGW-w64 cross compiler, Wine to test under, NSIS for the
# installer, and Debian's source packages of Qt and curl, which need a deb-src
# entry (added in a file of its own). Run as root; does nothing when all is there.
set -eu

packages="g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 libz-mingw-w64-dev
  wine64 nsis ninja-build zip unzip dpkg-dev xvfb xauth qt6-translations-l10n"
sources=/etc/apt/sources.list.d/kestrune-deb-src.sources

missing=""
for package in $packages; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed"; then
    missing="$missing $package"
  fi
done
have_sources=yes
grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ || grep -qs '^deb-src' /etc/apt/sources.list ||
  have_sources=no
[ -z "$missing" ] && [ $have_sources = yes ] && exit 0

if [ $have_sources = no ]; then
  cat >"$sources" <<'LIST'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
LIST
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
# shellcheck disable=SC2086 # one word per package
[ -z "$missing" ] || apt-get install -y -qq --no-install-recommends $missing
