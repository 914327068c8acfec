#!/bin/sh
# Installs, from Debian 12's archive, what the Windows build needs beyond the
# Linux one: the MinGW-w64 cross compiler, Wine to test under, NSIS for the
# installer; and a deb-src entry (in a file of its own) for Debian's source
# packages of Qt and curl. Run as root; does nothing when all is there.
set -eu
cd "$(dirname "$0")/../.."

if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ && ! grep -qs '^deb-src' /etc/apt/sources.list; then
  cat >/etc/apt/sources.list.d/kestrune-deb-src.sources <<'LIST'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
LIST
  DEBIAN_FRONTEND=noninteractive apt-get update -qq
fi
sh tools/setup/install-deps.sh g++-mingw-w64-x86-64-posix libz-mingw-w64-dev \
  wine64 nsis ninja-build zip tcl
