#!/usr/bin/env bash
# Builds the AddressSanitizer + UndefinedBehaviorSanitizer preset (build/asan) and runs the whole
# suite under it, under Xvfb, in the user's locale, ending with ctest's summary. A memory error,
# undefined behaviour or a leak fails the test process that caused it. tests/lsan.supp and
# tests/ubsan.supp only silence reports that lie wholly inside the toolkit's, GTK's, GLib's or
# fontconfig's own libraries, each with its reason.
# Usage: scripts/test-asan.sh [ctest options, e.g. -L db]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=${CUPOM_JOBS:-2}
cd "$root"

cmake --preset asan
cmake --build --preset asan -j"$jobs"

export ASAN_OPTIONS="detect_leaks=1:check_initialization_order=1:strict_init_order=1:${ASAN_OPTIONS:-}"
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0:${LSAN_OPTIONS:-}"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:suppressions=$root/tests/ubsan.supp:${UBSAN_OPTIONS:-}"
# GLib's slice allocator keeps freed blocks in caches that look like leaks; plain malloc does not.
export G_SLICE=always-malloc G_DEBUG=gc-friendly
# No accessibility bridge under Xvfb: it only opens a D-Bus connection that lives until exit.
export NO_AT_BRIDGE=1

export LANG=pt_BR.UTF-8 LC_ALL=pt_BR.UTF-8
xvfb-run -a -s "-screen 0 1600x1200x24" \
  ctest --preset asan -j"$jobs" "$@"
