#!/bin/sh
# Installs what is missing, builds, and runs every test: once in an ordinary
# build, once under AddressSanitizer and UndefinedBehaviorSanitizer; then the
# command-line program's tests, whose lookups run on several threads at once,
# under ThreadSanitizer; then each fuzz target for a bounded time
# (tools/fuzz/run.sh, FUZZ_SECONDS each); then builds the Debian package from
# the ordinary build and checks it.
set -eu
cd "$(dirname "$0")/../.."
sh tools/setup/install-deps.sh
# shellcheck disable=SC1091 # in the clone
. tools/setup/compiler-cache.sh

jobs=$(nproc)
# The web engine refuses to start as root unless its sandbox is off.
export QTWEBENGINE_DISABLE_SANDBOX=1

for variant in build build-sanitize; do
  sanitize=OFF
  [ "$variant" = build-sanitize ] && sanitize=ON
  cmake -S . -B "$variant" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRUNE_SANITIZE=$sanitize \
    -DKESTRUNE_BUILD_BENCHMARKS=$([ $sanitize = ON ] && echo OFF || echo ON) >/dev/null
  cmake --build "$variant" -j"$jobs"
  # One X server for the window's tests; the others need none.
  (cd "$variant" && xvfb-run -a -s "-screen 0 1024x768x24" ctest --output-on-failure -j"$jobs")
done

# Only what those tests need is built, so that this stays short.
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRUNE_SANITIZE_THREAD=ON \
  -DKESTRUNE_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build build-tsan -j"$jobs" --target test_cli test_cli_history
(cd build-tsan && ctest --output-on-failure -j"$jobs" -R '^test_cli(_history)?$')

sh tools/fuzz/run.sh
# Once, from the ordinary build: the sanitizer build is no program to ship.
sh packaging/check-package.sh build
