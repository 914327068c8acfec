#!/bin/sh
# Installs the installer silently under Wine, starts the installed
# kestrune-cli.exe --version, uninstalls silently, and checks that nothing is
# left: not the folder, not the Start-menu entry, not the uninstall key.
# Usage: check-installer.sh SETUP.EXE VERSION   (tools/windows/wine-env.sh sourced)
set -eu
setup=$1
version=$2
drive=$WINEPREFIX/drive_c
folder="$drive/Program Files/Kestrune"
entry="$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/Kestrune助理.lnk"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Kestrune'
fail() { echo "check-installer.sh: $*" >&2; exit 1; }

"$wine" "$setup" /S
[ -f "$folder/kestrune.exe" ] || fail "kestrune.exe was not installed"
[ -f "$entry" ] || fail "no Start-menu entry"
"$wine" reg query "$key" /v UninstallString >/dev/null 2>&1 || fail "no uninstall key"
said=$("$wine" "$folder/kestrune-cli.exe" --version | tr -d '\r')
[ "$said" = "kestrune-cli $version" ] || fail "the installed kestrune-cli says \"$said\""

# The uninstaller copies itself away and returns at once; wait for its end.
"$wine" "$folder/uninstall.exe" /S
tries=0
while [ -e "$folder" ] && [ $tries -lt 300 ]; do
  sleep 0.1
  tries=$((tries + 1))
done
[ ! -e "$folder" ] || fail "left behind: $(cd "$folder" && find . -type f | head -5 | tr '\n' ' ')"
[ ! -e "$entry" ] || fail "the Start-menu entry is left"
! "$wine" reg query "$key" >/dev/null 2>&1 || fail "the uninstall key is left"
echo "check-installer.sh: installed, started and uninstalled without leftovers"
