#!/usr/bin/env bash
# Builds the program's Debian package, build/package/cupom-dashboard_<version>_<arch>.deb, from a
# hardened release build of the program alone (the "package" preset: no tests, benchmarks or local
# service) and prints its path. Install it with: apt install ./build/package/cupom-dashboard_*.deb
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=${CUPOM_JOBS:-$(nproc)}
cd "$root"

"$root/scripts/install-deps.sh"

rm -rf build/package
cmake --preset package
cmake --build --preset package -j"$jobs"
cpack --preset package
rm -rf build/package/_CPack_Packages
ls "$root"/build/package/cupom-dashboard_*.deb
