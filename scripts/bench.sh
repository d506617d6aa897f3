#!/usr/bin/env bash
# Builds and runs the benchmarks, which print their figures (several runs
# each: minimum, median, maximum, peers side by side). Without arguments, a
# short run of each; arguments go to ctest (e.g. -R bench_upload).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "${BUILD_DIR:-build}" -L bench --output-on-failure -V "$@"
