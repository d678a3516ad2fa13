#!/usr/bin/env bash
# Runs the benchmark programs under a virtual display (they open windows with grids).
#   bench/run.sh [build-dir] [--referencia]
# build-dir defaults to build/ci; it must hold the bench/ executables (CUPOM_BUILD_BENCH=ON,
# an optimised build type). --referencia also times query results filled cell by cell into the
# grid's default table, for comparison (slow: tens of seconds).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/ci}
shift || true
xvfb-run -a -s "-screen 0 1600x1200x24" "$build/bench/bench_db" "$@"
xvfb-run -a -s "-screen 0 1600x1200x24" "$build/bench/bench_sync"
xvfb-run -a -s "-screen 0 1600x1200x24" "$build/bench/bench_precos"
"$build/bench/bench_relatorios"
"$build/bench/bench_categorias"
"$build/bench/bench_importacao_xml"
xvfb-run -a -s "-screen 0 1600x1200x24" "$build/bench/bench_janela_relatorios"
