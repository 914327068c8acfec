#!/bin/sh
# Builds the Debian package from an ordinary build folder (default: build) and
# checks it without installing it: the desktop entry and the AppStream
# metadata validate, lintian finds no error and no warning that
# packaging/lintian-overrides does not give a reason for, the package holds
# exactly the expected files, no program carries an RPATH or a path of this
# checkout, and the programs start from the unpacked package. Writes only
# in the build folder and a temporary folder it removes.
# shellcheck disable=SC2154 # the settings CMake writes, read below
set -eu

# The window is started below, on an X server of its own.
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" sh "$0" "$@"
fi
cd "$(dirname "$0")/.."
build=${1:-build}

cmake --build "$build" --target package >/dev/null
# Written by CMake: deb, app_id, source_dir, build_dir, has_module, has_cli.
# shellcheck source=/dev/null
. "$build/packaging/package.env"

root=$(mktemp -d)
window=
trap '[ -n "$window" ] && kill "$window" 2>/dev/null; rm -rf "$root"' EXIT INT TERM
fail() {
  echo "check-package: $*" >&2
  exit 1
}

dpkg-deb -x "$deb" "$root/unpacked"
unpacked=$root/unpacked

echo "== desktop entry, AppStream metadata"
desktop=$unpacked/usr/share/applications/$app_id.desktop
# desktop-file-validate fails only on errors; its warnings count here too.
desktop-file-validate "$desktop" >"$root/desktop.txt" 2>&1 || true
cat "$root/desktop.txt"
grep -qE "error:|warning:" "$root/desktop.txt" && fail "the desktop entry does not validate"
# Fails on warnings as well as errors. It still says, as information, that the
# id's first part "example" is not a top-level domain it knows: the project
# owns no domain, and the reserved .example domain is the one that can be
# nobody else's.
appstreamcli validate --no-net "$unpacked/usr/share/metainfo/$app_id.metainfo.xml" ||
  fail "the AppStream metadata does not validate"

echo "== lintian"
# Warnings kept are overridden, with their reasons, in the package's
# usr/share/lintian/overrides/kestrune. Lintian grumbles about root; CI is root.
# Overridden tags are shown too (O:), with their reasons; lintian's own
# --fail-on would count them, so errors and warnings are read off its output.
lintian --fail-on none --show-overrides --tag-display-limit 0 "$deb" >"$root/lintian.txt" 2>&1 ||
  { cat "$root/lintian.txt"; fail "lintian did not run"; }
grep -v "running with root privileges" "$root/lintian.txt" || true
grep -qE "^[EW]: " "$root/lintian.txt" && fail "lintian finds errors or warnings"

echo "== file list"
(cd "$unpacked" && find . ! -type d | sed 's|^\./||' | LC_ALL=C sort) >"$root/files.txt"
LC_ALL=C sort "$build/packaging/expected-files.txt" >"$root/expected.txt"
diff -u "$root/expected.txt" "$root/files.txt" || fail "the package holds other files than expected"

echo "== no RPATH, no path of this checkout"
for binary in $(cd "$unpacked" && find . -type f -exec file {} + | grep ELF | cut -d: -f1); do
  if readelf -d "$unpacked/$binary" | grep -qE "RPATH|RUNPATH"; then
    fail "$binary carries an RPATH"
  fi
done
if grep -rlF -e "$source_dir" -e "$build_dir" "$unpacked"; then
  fail "files above name this checkout"
fi

echo "== the window, started from the unpacked package"
# Its own home, so that the web engine's cache stays in the temporary folder,
# and sites on a closed loopback port, so that nothing leaves the machine.
mkdir "$root/home" "$root/run"
chmod 700 "$root/run"
nowhere=http://127.0.0.1:9/
env -u LD_LIBRARY_PATH HOME="$root/home" XDG_CACHE_HOME="$root/home/.cache" \
  XDG_CONFIG_HOME="$root/home/.config" XDG_DATA_HOME="$root/home/.local/share" \
  XDG_RUNTIME_DIR="$root/run" \
  QTWEBENGINE_DISABLE_SANDBOX=1 QT_LOGGING_RULES="kestrune.pane.debug=true" \
  KESTRUNE_WARRANTY_URL=${nowhere}wcResults.do KESTRUNE_IMEI_SITE=$nowhere \
  KESTRUNE_IOS_SITE=$nowhere KESTRUNE_ICCID_SITE=http://127.0.0.1:9 \
  KESTRUNE_MAKER_SITE=$nowhere KESTRUNE_SHOP_URL=$nowhere \
  "$unpacked/usr/bin/kestrune" >"$root/window.txt" 2>&1 &
window=$!
# The module is looked for once the window has painted for the first time, so
# its line says both: the window showed, and it found the module where the
# package put it (or, in a build without Qt WebEngine, that there is none).
found="web engine module loaded from"
missing="no web engine module"
[ "$has_module" = 1 ] || { found=$missing; missing="web engine module loaded"; }
tries=0
until grep -q "$found" "$root/window.txt"; do
  kill -0 "$window" 2>/dev/null || { cat "$root/window.txt"; fail "the window ended early"; }
  if grep -q "$missing" "$root/window.txt"; then
    cat "$root/window.txt"
    fail "the window did not find the web engine module the package holds"
  fi
  tries=$((tries + 1))
  [ $tries -le 600 ] || { cat "$root/window.txt"; fail "no first paint after 60 s"; }
  sleep 0.1
done
grep "$found" "$root/window.txt"
if [ "$has_module" = 1 ]; then
  grep -q "loaded from \"$unpacked/usr/bin/" "$root/window.txt" ||
    fail "the module did not come from the unpacked package"
fi
kill "$window"
wait "$window" 2>/dev/null || true
window=

if [ "$has_cli" = 1 ]; then
  echo "== the command-line program, offline, from the unpacked package"
  env -u LD_LIBRARY_PATH HOME="$root/home" "$unpacked/usr/bin/kestrune-cli" --offline 356938035643809 \
    >"$root/cli.txt" || fail "kestrune-cli --offline failed"
  cat "$root/cli.txt"
  [ -s "$root/cli.txt" ] || fail "kestrune-cli --offline printed nothing"
fi

echo "check-package: $deb passes"
