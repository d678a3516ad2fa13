#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang, ASan and UBSan in build/fuzz, runs each for a
# bounded time (CUPOM_FUZZ_SECONDS, 30 s by default) and ends with the executions per target.
# A crash, a hang (10 s on one input), a leak, a sanitizer report or an invariant the target checks
# fails the run; the input that did it is kept in build/fuzz/artifacts/<target>/.
# Usage: scripts/fuzz.sh [target...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/fuzz"
seconds=${CUPOM_FUZZ_SECONDS:-30}
jobs=${CUPOM_JOBS:-2}
targets=(fuzz_importar_cupons fuzz_indice_feed fuzz_resposta_login fuzz_tabela_texto fuzz_geometria_pizza
         fuzz_geometria_barras fuzz_documento_fiscal)
if [ "$#" -gt 0 ]; then targets=("$@"); fi

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCUPOM_FUZZ=ON -DCUPOM_SANITIZE=address,undefined \
  -DCUPOM_BUILD_TESTS=OFF -DCUPOM_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j"$jobs" --target "${targets[@]}"

export ASAN_OPTIONS="detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1:${ASAN_OPTIONS:-}"
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0:${LSAN_OPTIONS:-}"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:suppressions=$root/tests/ubsan.supp:${UBSAN_OPTIONS:-}"

status=0
summary=()
for target in "${targets[@]}"; do
  corpus="$build/corpus/$target"     # grows between runs; the committed seeds stay untouched
  artifacts="$build/artifacts/$target/"
  log="$build/logs/$target.log"
  mkdir -p "$corpus" "$artifacts" "$(dirname "$log")"
  args=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
        -artifact_prefix="$artifacts")
  if [ -f "$root/fuzz/dict/$target.dict" ]; then args+=(-dict="$root/fuzz/dict/$target.dict"); fi

  echo "== $target (${seconds}s)"
  result=ok
  if ! "$build/fuzz/$target" "${args[@]}" "$corpus" "$root/fuzz/corpus/$target" >"$log" 2>&1; then
    result=FAILED
    status=1
    tail -n 60 "$log"
  fi
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  if [ -z "$execs" ]; then  # no final stats after a crash: the last status line's count
    execs=$(grep -o '^#[0-9]*' "$log" | tail -n 1 | tr -d '#')
  fi
  summary+=("$target: ${execs:-?} execs ($result)")
done

echo
echo "Fuzzing summary (${seconds}s per target):"
printf '  %s\n' "${summary[@]}"
exit "$status"
