#!/bin/sh
# Runs a test program built for Windows under Wine (CTest's emulator for the
# Windows build). What the program writes goes through files: written
# straight into CTest's pipes, Qt Test's output stalls under Wine. Qt Test's
# log is passed on as it grows, so that a test CTest ends at its time-out
# still shows how far it came; the rest of what Wine and the program say
# follows when it ends.
program=$1
shift
log=$(mktemp)
out=$(mktemp)
trap 'rm -f "$log" "$out"' EXIT
/usr/lib/wine/wine64 "$program" -o "Z:$log,txt" "$@" >"$out" 2>&1 </dev/null &
test=$!
tail -s 0.2 -n +1 -f --pid="$test" "$log" &
status=0
wait "$test" || status=$?
wait
cat "$out"
exit $status
