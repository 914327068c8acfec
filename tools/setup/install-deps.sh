#!/bin/sh
# Installs, from Debian 12's archive, what building, running and testing the
# program need and the machine lacks, and any packages named as arguments.
# Run as root; does nothing when all is there.
set -eu

packages="cmake make g++ pkg-config ca-certificates ccache
  qt6-base-dev qt6-webengine-dev libgl-dev libcurl4-openssl-dev
  libbenchmark-dev fonts-noto-cjk qt6-translations-l10n dbus-daemon dbus-bin at-spi2-core
  xvfb xauth openbox libx11-dev binutils-mingw-w64-x86-64
  dpkg-dev file lintian desktop-file-utils appstream
  clang-14 libclang-rt-14-dev openssl libssl-dev zlib1g-dev
  libqt6sql6-sqlite libqt6sql6-psql postgresql-15
  $*"

missing=""
for package in $packages; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed"; then
    missing="$missing $package"
  fi
done
[ -z "$missing" ] && exit 0

echo "Installing:$missing"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
# shellcheck disable=SC2086 # one word per package
apt-get install -y -qq --no-install-recommends $missing
