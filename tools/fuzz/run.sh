#!/bin/sh
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for a bounded time. Any crash,
# sanitizer report, wrong result a target checks, or input slower than
# FUZZ_TIMEOUT seconds fails the run.
#
#   tools/fuzz/run.sh                       every target, FUZZ_SECONDS (20) each
#   tools/fuzz/run.sh date cuts             only these
#   FUZZ_SECONDS=600 tools/fuzz/run.sh      a longer run
#
# Inputs that reach new code are kept in build-fuzz/fuzz/corpus/<target> and
# read again by the next run; what failed is written to
# build-fuzz/fuzz/artifacts/<target>/, the whole output to build-fuzz/fuzz/logs/.
set -eu
cd "$(dirname "$0")/../.."

seconds=${FUZZ_SECONDS:-20}
timeout=${FUZZ_TIMEOUT:-5}
build=${FUZZ_BUILD:-build-fuzz}
all="date decode cuts iccid serial serial_charset imei ios"
targets=${*:-$all}

# What each target may grow an input to: big enough for the slow pages
# below, small elsewhere so that the fuzzer spends its time on the reading.
max_len() {
  case $1 in
  iccid) echo 700000 ;;
  date | serial | imei) echo 300000 ;;
  *) echo 65536 ;;
  esac
}

# The lookups keep a loopback server's connections in flight across inputs,
# which libFuzzer's leak check after every input takes for leaks (and costs
# most of the time); LeakSanitizer still checks at the end of the run.
leak_option() {
  case $1 in
  iccid | serial | serial_charset | imei | ios) echo "-detect_leaks=0" ;;
  *) echo "-detect_leaks=1" ;;
  esac
}

launcher=""
command -v ccache >/dev/null && launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
cmake -S . -B "$build" -DKESTRUNE_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++-14 $launcher >/dev/null
names=""
for target in $targets; do names="$names fuzz_$target"; done
# shellcheck disable=SC2086 # one word per target
cmake --build "$build" -j"$(nproc)" --target $names

out="$build/fuzz"
mkdir -p "$out/logs"

# Seeds too big to keep in the repository, made afresh: pages that were once
# slow to read.
generated="$out/generated"
rm -rf "$generated"
mkdir -p "$generated/date" "$generated/iccid" "$generated/serial" "$generated/imei"
blanks=$(head -c 262144 /dev/zero | tr '\0' ' ')
# A date cut short, then 256 K blanks: the date patterns once backtracked over
# them (the first byte picks en_US).
printf '\001June 10%sx' "$blanks" >"$generated/date/date-then-256k-blanks"
printf '#container<div class="registration-true"></div><h3>Repairs and Service Coverage: Active June 10%sx</h3>' \
  "$blanks" >"$generated/serial/section-date-then-256k-blanks"
printf '<td>Warranty(repairs and service coverage): Active</td><td>Warranty expiration date:</td><td>June 10%sx</td></table>' \
  "$blanks" >"$generated/imei/warranty-date-then-256k-blanks"
# 200 000 "ßa": each "ß" upper-cases to two letters, which once made the ICCID
# reading rebuild the page for every one.
{
  printf '<html><body><table><tr><td>运营商：</td><td><div class="style14">'
  yes 'ßa' | head -n 200000 | tr -d '\n'
  printf '</div></td></tr></table></body></html>'
} >"$generated/iccid/200k-sharp-s"

failed=""
summary=""
for target in $targets; do
  corpus="$out/corpus/$target"
  artifacts="$out/artifacts/$target"
  log="$out/logs/$target.log"
  mkdir -p "$corpus" "$artifacts"
  seeds="fuzz/corpus/$target"
  [ -d "$generated/$target" ] && seeds="$seeds $generated/$target"
  echo "== fuzz_$target: $seconds s (log: $log)"
  started=$(date +%s)
  status=0
  # shellcheck disable=SC2086 # the seed directories are separate words
  "$build/bin/fuzz_$target" "$corpus" $seeds \
    -max_total_time="$seconds" -timeout="$timeout" -max_len="$(max_len "$target")" \
    -dict="fuzz/dict/$target.dict" "$(leak_option "$target")" \
    -artifact_prefix="$artifacts/" -print_final_stats=1 >"$log" 2>&1 || status=$?
  took=$(($(date +%s) - started))
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)
  size=$(grep -o 'corp: [0-9]*/[0-9]*[a-zA-Z]*' "$log" | tail -n 1 | cut -d' ' -f2)
  line="fuzz_$target: ${runs:-?} runs, ${rate:-?} exec/s, corpus ${size:-?}, ${took} s"
  if [ "$status" -ne 0 ]; then
    failed="$failed $target"
    line="$line: FAILED"
    grep -E -m 3 'wrong result|ERROR: (libFuzzer|AddressSanitizer|LeakSanitizer)|runtime error' "$log" || true
    grep -A1 -m 1 'wrong result' "$log" | tail -n 1 | cut -c1-300 || true
    ls "$artifacts"
  fi
  echo "$line"
  summary="$summary$line
"
done

printf '\n%s' "$summary"
if [ -n "$failed" ]; then
  echo "failed:$failed (inputs in $out/artifacts/<target>/)" >&2
  exit 1
fi
