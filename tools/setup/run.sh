#!/bin/sh
# Installs what is missing, builds the program and starts it against the
# sample sites on 127.0.0.1: made-up answers, not real data. Without these
# settings, build/bin/kestrune asks the sites built into it.
set -eu
cd "$(dirname "$0")/../.."
sh tools/setup/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target kestrune kestrune-sample-sites

port=${KESTRUNE_SAMPLE_PORT:-8765}
settings=$(mktemp)
build/bin/kestrune-sample-sites "$port" >"$settings" &
sites=$!
trap 'kill $sites 2>/dev/null; rm -f "$settings"' EXIT INT TERM
while ! grep -q KESTRUNE_SHOP_URL "$settings"; do
  kill -0 $sites 2>/dev/null || { echo "the sample sites did not start" >&2; exit 1; }
  sleep 0.1
done
. "$settings"
echo "Sample sites on http://127.0.0.1:$port (made-up answers, not real data)."

# The web engine refuses to start as root unless its sandbox is off.
[ "$(id -u)" = 0 ] && export QTWEBENGINE_DISABLE_SANDBOX=1
build/bin/kestrune
