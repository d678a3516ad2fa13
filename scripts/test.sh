#!/usr/bin/env bash
# The test command: installs what is missing, builds, and runs every test (GUI tests under Xvfb) in
# the user's real locale:
#   1. the libFuzzer targets, each for a bounded time (scripts/fuzz.sh), and meanwhile, on the core
#      a running fuzz target leaves free, the Debian package and its checks (scripts/test-package.sh);
#   2. the synchronisation and reply-reading tests under ThreadSanitizer (scripts/test-tsan.sh);
#   3. the whole suite under AddressSanitizer and UndefinedBehaviorSanitizer (scripts/test-asan.sh);
#   4. the whole suite on the optimised build with warnings as errors, ending with ctest's summary
#      (built during steps 2 and 3 at the lowest priority).
# CUPOM_TEST_QUICK=1 runs only the last step. Extra arguments go to that step's ctest.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
preset=${CUPOM_PRESET:-ci}
export CUPOM_JOBS=${CUPOM_JOBS:-$(nproc)}

"$root/scripts/install-deps.sh"
cd "$root"

# These builds are made with Ninja; one left by a checkout that made them with Make would stop
# CMake ("generator does not match"), so it is made again from scratch.
for pasta in build/ci build/asan build/tsan build/package-release; do
  if [ -f "$pasta/CMakeCache.txt" ] && ! grep -qx 'CMAKE_GENERATOR:INTERNAL=Ninja' "$pasta/CMakeCache.txt"; then
    rm -rf "$pasta"
  fi
done

etapa() { printf '\n==== %s (%s)\n' "$1" "$(date +%T)"; }

if [ "${CUPOM_TEST_QUICK:-0}" != 1 ]; then
  etapa "Debian package (in the background, reported after fuzzing)"
  pacote_log="$root/build/test-package.log"
  mkdir -p "$root/build"
  # A session of its own, so that an early exit stops the whole build with it.
  CUPOM_JOBS=1 setsid "$root/scripts/test-package.sh" >"$pacote_log" 2>&1 &
  pacote=$!
  trap 'kill -- -"$pacote" 2>/dev/null || true' EXIT
  etapa "fuzzing"
  CUPOM_FUZZ_SECONDS=${CUPOM_FUZZ_SECONDS:-10} "$root/scripts/fuzz.sh"
  etapa "Debian package"
  pacote_status=0
  wait "$pacote" || pacote_status=$?
  trap - EXIT
  cat "$pacote_log"
  if [ "$pacote_status" -ne 0 ]; then
    echo "The Debian package stage failed (exit $pacote_status)." >&2
    exit "$pacote_status"
  fi
  # The last step's build goes on meanwhile at the lowest priority, so it only takes the CPU
  # time the sanitizer stages leave idle (their tests mostly wait on timers, windows and sockets).
  cmake --preset "$preset" >/dev/null
  build_log="$root/build/build-$preset.log"
  setsid nice -n 19 cmake --build --preset "$preset" -j"$CUPOM_JOBS" >"$build_log" 2>&1 &
  build=$!
  trap 'kill -- -"$build" 2>/dev/null || true' EXIT
  etapa "ThreadSanitizer"
  "$root/scripts/test-tsan.sh"
  etapa "AddressSanitizer and UndefinedBehaviorSanitizer"
  "$root/scripts/test-asan.sh"
  # Its outcome is not judged here: the build below finishes it and reports any error.
  wait "$build" || true
  trap - EXIT
fi

etapa "suite ($preset)"
cmake --preset "$preset"
cmake --build --preset "$preset" -j"$CUPOM_JOBS"

export LANG=pt_BR.UTF-8 LC_ALL=pt_BR.UTF-8
xvfb-run -a -s "-screen 0 1600x1200x24" \
  ctest --preset "$preset" -j"$CUPOM_JOBS" "$@"
