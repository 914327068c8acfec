#!/bin/sh
# The Windows kestrune-cli under Wine and the Linux one, against the same
# sample sites and the same identifiers (every sample identifier and some
# that are no identifier), must print the same JSON Lines and exit alike.
# Only the end dates may differ: each is written in its own system's short
# date form, so they are compared for being there, not for their spelling.
# The same goes for the Encoding Standard's labels and indexes: the test of
# them logs a digest of what each index decoded to, and the two platforms'
# digests must agree, index for index.
# Usage: WINEPREFIX=... differential.sh LINUX_BIN_DIR WINDOWS_BIN_DIR
set -eu
linux=$1
windows=$2
# shellcheck disable=SC1091 # in the clone
. "$(dirname "$0")/wine-env.sh"
work=$(mktemp -d)
trap 'kill "$sites" 2>/dev/null; rm -rf "$work"' EXIT

"$linux/kestrune-sample-sites" 0 >"$work/sites.env" &
sites=$!
tries=0
until grep -q '^export' "$work/sites.env" 2>/dev/null; do
  tries=$((tries + 1))
  [ $tries -le 100 ] || { echo "differential.sh: the sample sites did not start" >&2; exit 1; }
  sleep 0.1
done
# shellcheck disable=SC1091 # written just above
. "$work/sites.env"

cat >"$work/identifiers" <<'LIST'
F2LSAMPLE001
F2LSAMPLE002
F2LSAMPLE003
F2LSAMPLE004
F2LSAMPLE005
F2LSAMPLE006
351111111111111
352222222222222
353333333333333
354444444444444
355555555555555
356666666666666
89860012345678901234
89860000000000000000
89869999999999999999
8986001234567890123
89860077777777777777
89860112345678901234
89860312345678901234
89861512345678901234
89441234567890123456
f2lsample001
C07RT086G1HV
490154203237517
123
F2LSAMPLE0012345
ABCDEFGHIJKLMNOPQRSTUVWXYZ
LIST

# An end date begins and ends with a digit ("2/2/2027", "2027/2/2",
# "2 Feb 2027", a time after it); what a site writes there instead (已过期,
# \\, 已换机！) never does, and is compared as it is.
run() { # program → normalised JSON Lines, then the exit status
  status=0
  timeout 60 "$@" --format json --jobs 4 --file - <"$work/identifiers" >"$work/out" 2>/dev/null ||
    status=$?
  tr -d '\r' <"$work/out" |
    sed -E 's/"(warranty_end|phone_support_end)":"[0-9][^"]*[0-9]"/"\1":"<date>"/g' |
    sed -E 's/,"when":"[^"]*"//'
  echo "exit status $status"
}
# Each keeps its own history; run again with --resume, each prints what was
# answered from it (the time of that lookup left out) and asks the rest.
for pass in first resume; do
  more=
  [ $pass = resume ] && more=--resume
  KESTRUNE_HISTORY_FILE="$work/linux.sqlite" run "$linux/kestrune-cli" $more >>"$work/linux.jsonl"
  KESTRUNE_HISTORY_FILE="Z:$work/windows.sqlite" run "$wine" "$windows/kestrune-cli.exe" $more \
    >>"$work/windows.jsonl"
done
grep -q '"from_history":true' "$work/linux.jsonl" ||
  { echo "differential.sh: --resume took nothing from the history" >&2; exit 1; }

lines=$(wc -l <"$work/linux.jsonl")
if ! diff -u "$work/linux.jsonl" "$work/windows.jsonl" >"$work/diff"; then
  echo "differential.sh: Linux and Windows kestrune-cli differ:" >&2
  cat "$work/diff" >&2
  exit 1
fi
grep -q '"warranty_end":"<date>"' "$work/linux.jsonl" ||
  { echo "differential.sh: no end date was compared" >&2; exit 1; }
echo "differential.sh: $((lines / 2 - 1)) identifiers twice (the second time with --resume), the same on Linux and Windows"

# Every label and every index entry of the Encoding Standard, decoded alike.
digests() { # test program... → its digest lines, sorted
  "$@" everyLabelResolves everyIndexEntryDecodes -o "$work/log,txt" >/dev/null 2>&1 ||
    { echo "differential.sh: $1 failed:" >&2; cat "$work/log" >&2; exit 1; }
  tr -d '\r' <"$work/log" | grep -o 'encoding digest .*' | sort
}
digests "$linux/test_encoding_standard" >"$work/linux.digests"
digests "$wine" "$windows/test_encoding_standard.exe" >"$work/windows.digests"
indexes=$(grep -c . "$work/linux.digests" || true)
[ "$indexes" -ge 38 ] ||
  { echo "differential.sh: only $indexes encoding digests on Linux" >&2; exit 1; }
if ! diff -u "$work/linux.digests" "$work/windows.digests" >"$work/diff"; then
  echo "differential.sh: the Encoding Standard decodes otherwise on Linux and Windows:" >&2
  cat "$work/diff" >&2
  exit 1
fi
echo "differential.sh: $indexes encoding digests, the same on Linux and Windows"
