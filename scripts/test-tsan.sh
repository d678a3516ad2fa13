#!/usr/bin/env bash
# Builds the ThreadSanitizer preset and runs the synchronisation tests, those of the SQL
# terminal, which reads its statements on a thread of its own, and the table read in two halves
# at once, under it, under Xvfb.
# Any data race between the worker thread, the GUI thread and the database object, or between the
# threads that read a reply, fails the run;
# tests/tsan.supp only silences reports that lie wholly inside the toolkit's own libraries.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=${CUPOM_JOBS:-2}
cd "$root"

cmake --preset tsan
cmake --build --preset tsan -j"$jobs" --target test_sync test_terminal test_db_grid test_db

# exitcode: a test process with a report fails even when its assertions pass.
export TSAN_OPTIONS="suppressions=$root/tests/tsan.supp exitcode=66 second_deadlock_stack=1 history_size=4 ${TSAN_OPTIONS:-}"
# Debian 12's kernels randomise mmap with more bits than this TSan runtime can map around;
# run with address randomisation off when the runtime refuses to start otherwise.
runner=()
if ! "$root/build/tsan/tests/sync/test_sync" --gtest_list_tests >/dev/null 2>&1; then
  runner=(setarch "$(uname -m)" -R)
fi

timeout 1200 "${runner[@]}" xvfb-run -a -s "-screen 0 1600x1200x24" \
  ctest --test-dir build/tsan -R '^(SincronizarTeste|LeituraFeed|TerminalTest|GridTest)\.|^BancoTest\.LinhasLidas' --timeout 300 --output-on-failure "$@"
