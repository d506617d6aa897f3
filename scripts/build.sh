#!/usr/bin/env bash
# Configures and builds Mirlo, Launch, the tests and the benchmarks into build/.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DMIRLO_WARNINGS_AS_ERRORS="${MIRLO_WARNINGS_AS_ERRORS:-OFF}"
cmake --build "$BUILD_DIR" -j "$(nproc)"
