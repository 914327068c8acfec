#!/bin/sh
# Makes FOLDER's Windows programs runnable on their own: copies in every DLL
# they need, found in the given prefixes (Qt, curl, the MinGW runtime), and the
# Qt plugins and translations they load at run time, in the layout Qt looks
# for beside a program (platforms/, styles/, imageformats/, sqldrivers/,
# translations/).
# Then checks that every DLL named in any import table is in FOLDER or is
# Windows' own (one Wine provides), and fails naming any other.
# Usage: deploy.sh FOLDER QT_PREFIX CURL_PREFIX
set -eu
folder=$1
qt=$2
curl=$3
objdump=x86_64-w64-mingw32-objdump
gcc_dlls=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")
search="$qt/bin $curl/bin $gcc_dlls /usr/x86_64-w64-mingw32/lib"
windows_dlls=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows

for plugin in platforms/qwindows styles/qwindowsvistastyle \
    imageformats/qjpeg imageformats/qgif imageformats/qico sqldrivers/qsqlite; do
  mkdir -p "$folder/$(dirname $plugin)"
  cp "$qt/plugins/$plugin.dll" "$folder/$plugin.dll"
done
mkdir -p "$folder/translations"
# Qt's own texts (buttons, context menus) in the user's language: the "qt"
# catalogue and the modules' catalogues it names.
for file in /usr/share/qt6/translations/qt_*.qm /usr/share/qt6/translations/qtbase_*.qm \
    /usr/share/qt6/translations/qtmultimedia_*.qm; do
  case $file in */qt_help_*) ;; *) cp "$file" "$folder/translations/" ;; esac
done

imports() { "$objdump" -p "$1" | sed -n 's/^\s*DLL Name: //p'; }
found_in() { # prints the file named $1 (any case) in the folders given after it
  name=$1; shift
  for dir in "$@"; do
    match=$(find "$dir" -maxdepth 1 -iname "$name" 2>/dev/null | head -1)
    [ -n "$match" ] && { echo "$match"; return 0; }
  done
  return 1
}

# Copying a DLL brings its own imports: go round until nothing is added.
added=1
while [ "$added" = 1 ]; do
  added=0
  for binary in $(find "$folder" -iname '*.exe' -o -iname '*.dll'); do
    for name in $(imports "$binary"); do
      found_in "$name" "$folder" >/dev/null && continue
      # shellcheck disable=SC2086 # one word per folder
      if source=$(found_in "$name" $search); then
        cp "$source" "$folder/"
        added=1
      fi
    done
  done
done

status=0
for binary in $(find "$folder" -iname '*.exe' -o -iname '*.dll'); do
  for name in $(imports "$binary"); do
    # API sets (api-ms-win-*, ext-ms-*) are names the loader maps onto
    # Windows' own DLLs.
    case $name in api-ms-win-* | ext-ms-*) continue ;; esac
    found_in "$name" "$folder" "$windows_dlls" >/dev/null && continue
    echo "deploy.sh: $binary needs $name, which is neither in $folder nor Windows' own" >&2
    status=1
  done
done
exit $status
