#!/bin/sh
# Runs a test program built for Windows under Wine (CTest's emulator for the
# Windows build). What the program writes goes through files and is shown
# afterwards: written straight into CTest's pipes, Qt Test's output stalls
# under Wine.
program=$1
shift
log=$(mktemp)
out=$(mktemp)
status=0
/usr/lib/wine/wine64 "$program" -o "Z:$log,txt" "$@" >"$out" 2>&1 </dev/null || status=$?
cat "$out" "$log"
rm -f "$log" "$out"
exit $status
