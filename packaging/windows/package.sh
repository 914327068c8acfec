#!/bin/sh
# What a Windows user downloads, from a deployed folder (tools/windows/deploy.sh):
# the portable zip and the installer, both written into OUT.
# Usage: package.sh STAGE OUT VERSION
set -eu
here=$(cd "$(dirname "$0")" && pwd)
stage=$(cd "$1" && pwd)
out=$(mkdir -p "$2" && cd "$2" && pwd)
version=$3
name=kestrune-$version

# The zip unpacks into a folder of its own.
rm -rf "$out/$name" "$out/$name-win64.zip"
cp -r "$stage" "$out/$name"
(cd "$out" && zip -qr9X "$name-win64.zip" "$name")
rm -rf "$out/$name"

# The installer's lists of what it puts in place and takes away again: the
# uninstaller removes files, then folders deepest first.
lists=$(mktemp -d)
trap 'rm -rf "$lists"' EXIT
(cd "$stage" && find . -type d | sort -r) | while read -r dir; do
  [ "$dir" = . ] || printf 'RMDir "$INSTDIR\\%s"\n' "$(echo "${dir#./}" | tr / '\\')"
done >"$lists/folders"
(cd "$stage" && find . -type f | sort) | while read -r file; do
  printf 'Delete "$INSTDIR\\%s"\n' "$(echo "${file#./}" | tr / '\\')"
done >"$lists/uninstall.nsh"
cat "$lists/folders" >>"$lists/uninstall.nsh"
printf 'File /r "%s/*"\n' "$stage" >"$lists/install.nsh"

makensis -V2 -DVERSION="$version" -DOUTFILE="$out/$name-setup.exe" \
  -DICON="$here/../../app/resources/art/kestrune.ico" \
  -DFILES="$lists/install.nsh" -DUNFILES="$lists/uninstall.nsh" "$here/kestrune.nsi"
