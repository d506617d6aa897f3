#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer into
# build-asan/ and runs the test suite under them (benchmarks excluded). Any
# report fails a test: sanitizers abort the process on their first finding.
# Warnings are enforced by the regular build; optimised sanitizer code only
# adds false alarms.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${SANITIZE_BUILD_DIR:-build-asan}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS=-O1 \
  -DMIRLO_SANITIZE=ON -DMIRLO_WARNINGS_AS_ERRORS=OFF
cmake --build "$BUILD_DIR" -j "$(nproc)"
# Leaks inside system libraries (fontconfig, PulseAudio, GLib) are not ours
# to fix; memory errors and undefined behaviour are.
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1:detect_stack_use_after_return=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$(nproc)" -LE bench "$@"
