#!/bin/sh
# Installs the installer silently under Wine, starts the installed
# kestrune-cli.exe --version, uninstalls silently, and checks that nothing is
# left: no file or folder the installer made (the Start-menu entry among
# them), not the uninstall key.
# Usage: WINEPREFIX=... check-installer.sh SETUP.EXE VERSION
set -eu
setup=$1
version=$2
# shellcheck disable=SC1091 # in the clone
. "$(dirname "$0")/../../tools/windows/wine-env.sh"
drive=$WINEPREFIX/drive_c
folder="$drive/Program Files/Kestrune"
entry="$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/Kestrune助理.lnk"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Kestrune'
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "check-installer.sh: $*" >&2; exit 1; }
# Every path on the drive but the temporary folders, where the uninstaller
# runs from a copy of itself that Windows removes only at the next start.
files() {
  (cd "$drive" && find . \( -path './users/*/Temp' -o -path './users/*/AppData/Local/Temp' \) \
    -prune -o -print | LC_ALL=C sort)
}
leftovers() {
  files | LC_ALL=C comm -13 "$work/before" -
  if "$wine" reg query "$key" >/dev/null 2>&1; then echo "the key $key"; fi
}

[ ! -e "$folder" ] || fail "$folder is there before installing"
files >"$work/before"
"$wine" "$setup" /S
[ -f "$folder/kestrune.exe" ] || fail "kestrune.exe was not installed"
[ -f "$entry" ] || fail "no Start-menu entry"
"$wine" reg query "$key" /v UninstallString >/dev/null 2>&1 || fail "no uninstall key"
said=$("$wine" "$folder/kestrune-cli.exe" --version | tr -d '\r')
[ "$said" = "kestrune-cli $version" ] || fail "the installed kestrune-cli says \"$said\""

# The uninstaller copies itself away and returns at once: what it leaves is
# looked at until it is nothing or the uninstaller has had ten seconds.
"$wine" "$folder/uninstall.exe" /S
tries=0
while [ -n "$(leftovers)" ] && [ $tries -lt 20 ]; do
  sleep 0.5
  tries=$((tries + 1))
done
left=$(leftovers)
[ -z "$left" ] || fail "the uninstaller left:
$left"
echo "check-installer.sh: installed, started and uninstalled without leftovers"
