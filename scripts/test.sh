#!/usr/bin/env bash
# The test command: installs what is missing, builds, and runs every test (GUI tests under Xvfb)
# in the user's real locale, ending with ctest's summary.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
preset=${CUPOM_PRESET:-ci}

"$root/scripts/install-deps.sh"
cd "$root"
cmake --preset "$preset"
cmake --build --preset "$preset" -j"$(nproc)"

export LANG=pt_BR.UTF-8 LC_ALL=pt_BR.UTF-8
xvfb-run -a -s "-screen 0 1600x1200x24" \
  ctest --preset "$preset" -j"$(nproc)" "$@"
