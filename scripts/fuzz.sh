#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time,
# starting from its seed corpus in fuzz/corpus (copied, so the repository is
# never written). A finding fails the script. FUZZ_SECONDS sets the time.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${FUZZ_BUILD_DIR:-build-fuzz}
SECONDS_EACH=${FUZZ_SECONDS:-60}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DMIRLO_FUZZ=ON
targets=(inifile parameterimport password digittext replyjudge)
cmake --build "$BUILD_DIR" -j "$(nproc)" --target "${targets[@]/#/fuzz_}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ASAN_OPTIONS=detect_leaks=0
export QT_QPA_PLATFORM=offscreen
# Scratch files on tmpfs: each run writes settings files.
[ -d /dev/shm ] && export TMPDIR=/dev/shm
for t in "${targets[@]}"; do
  mkdir -p "$work/$t"
  cp -r "fuzz/corpus/$t/." "$work/$t/"
  echo "== fuzz_$t for ${SECONDS_EACH}s"
  status=0
  (cd "$work" && "$OLDPWD/$BUILD_DIR/fuzz/fuzz_$t" -max_total_time="$SECONDS_EACH" \
    -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 "$work/$t" >"$work/$t.log" 2>&1) || status=$?
  grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$work/$t.log" || true
  if [ "$status" -ne 0 ]; then
    echo "fuzz_$t found a fault (exit $status):" >&2
    tail -n 60 "$work/$t.log" >&2
    for f in "$work"/crash-* "$work"/timeout-* "$work"/oom-* "$work"/leak-*; do
      [ -e "$f" ] && { echo "input $f:" >&2; od -c "$f" | head -20 >&2; }
    done
    exit 1
  fi
done
