#!/bin/sh
# Builds Kestrune助理 for Windows on this Debian machine and tests it under
# Wine: cross-builds Qt and libcurl from Debian's own sources into a cache
# outside the clone (once; $KESTRUNE_WINDOWS_CACHE, /var/cache/kestrune/mingw
# by default), cross-builds both programs and their tests with MinGW-w64, runs
# the tests under Wine and Xvfb, compares the Windows kestrune-cli with the
# Linux one, and writes the portable zip and the installer into build-windows/,
# then installs and uninstalls the installer under Wine. Run as root.
set -eu
cd "$(dirname "$0")/../.."
root=$(pwd)
sh tools/windows/install-deps.sh

cache=${KESTRUNE_WINDOWS_CACHE:-/var/cache/kestrune/mingw}
out=$root/build-windows
jobs=$(nproc)
mkdir -p "$cache" "$out"
echo "SQLite, Qt and libcurl for Windows (cached in $cache)"
sqlite=$(sh tools/windows/build-sqlite.sh "$cache")
qt=$(sh tools/windows/build-qt.sh "$cache" "$sqlite")
curl=$(sh tools/windows/build-curl.sh "$cache")

# shellcheck disable=SC1091 # in the clone
. tools/setup/compiler-cache.sh
echo "kestrune for Windows"
cmake -S . -B "$out/win" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/tools/windows/mingw-w64.cmake" \
  -DCMAKE_PREFIX_PATH="$qt;$curl" -DQT_HOST_PATH=/usr \
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DKESTRUNE_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$out/win" -j"$jobs"
sh tools/windows/deploy.sh "$out/win/bin" "$qt" "$curl"

# The Linux programs the Windows ones are compared with: from the test
# command's build where there is one, else built here.
linux=$root/build
if [ ! -f "$linux/CMakeCache.txt" ]; then
  linux=$out/linux
  cmake -S . -B "$linux" -DCMAKE_BUILD_TYPE=Release -DKESTRUNE_BUILD_BENCHMARKS=OFF >/dev/null
fi
cmake --build "$linux" -j"$jobs" --target kestrune-cli kestrune-sample-sites test_encoding_standard

export WINEPREFIX="$out/wine"
# shellcheck disable=SC1091 # in the clone
. tools/windows/wine-env.sh
trap '/usr/lib/wine/wineserver -k 2>/dev/null || true' EXIT
echo "Tests under Wine"
(cd "$out/win" && xvfb-run -a -s "-screen 0 1024x768x24" ctest --output-on-failure -j"$jobs")
sh tools/windows/differential.sh "$linux/bin" "$out/win/bin"
# The window as Wine showed it, the announcement in the light pane.
cp "$out/win/screenshots/form1-light-pane.png" "$out/"

echo "The zip and the installer"
version=$(sed -n 's/^project(Kestrune VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
stage=$out/stage
rm -rf "$stage"
mkdir -p "$stage"
cp "$out/win/bin/kestrune.exe" "$out/win/bin/kestrune-cli.exe" "$stage/"
sh tools/windows/deploy.sh "$stage" "$qt" "$curl"
sh packaging/windows/package.sh "$stage" "$out" "$version"
sh packaging/windows/check-installer.sh "$out/kestrune-$version-setup.exe" "$version"
ls -l "$out/kestrune-$version-win64.zip" "$out/kestrune-$version-setup.exe"
