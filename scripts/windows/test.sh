#!/usr/bin/env bash
# Builds the Windows programs and their unit tests (scripts/windows/build.sh)
# and runs each test program under Wine, in a throw-away prefix, headless
# (Qt's offscreen platform). Fails when any test fails.
set -euo pipefail
source "$(dirname "$0")/env.sh"
start=$SECONDS
BUILD_TESTING=ON bash "$MIRLO_REPO/scripts/windows/build.sh"
built=$SECONDS

TESTS=$MIRLO_WIN64_BUILD/tests/bin
mkdir -p "$TESTS/platforms"
cp "$MIRLO_WIN64_ROOT/qt6/plugins/platforms/qoffscreen.dll" "$TESTS/platforms/"
bash "$MIRLO_REPO/scripts/windows/deploy-dlls.sh" "$TESTS" >/dev/null

export WINEPREFIX
WINEPREFIX=$(mktemp -d /tmp/mirlo-wine.XXXXXX)
WINESERVER=$(dirname "$MIRLO_WINE")/wineserver
# No Mono or Gecko prompt: the tests need neither.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" QT_QPA_PLATFORM=offscreen
unset DISPLAY WAYLAND_DISPLAY
cleanup() {
  "$WINESERVER" -k 2>/dev/null || true
  rm -rf "$WINEPREFIX"
}
trap cleanup EXIT
"$MIRLO_WINE" wineboot -i >/dev/null 2>&1
"$WINESERVER" -p 60 || true # the same server for every test program

failed=()
for exe in "$TESTS"/test_*.exe; do
  name=$(basename "$exe" .exe)
  status=0
  output=$(cd "$TESTS" && "$MIRLO_WINE" "$exe" 2>&1) || status=$?
  # The totals, and what failed in full.
  tr -d '\r' <<<"$output" | sed -n -e 's/^\[==========\] \(.* ran\).*/'"$name"' under Wine: \1/p' \
    -e '/^\[  PASSED  \]/p' -e '/Failure$/,/^\[  FAILED  \]/p'
  [ "$status" -eq 0 ] || failed+=("$name")
done
echo "Windows stage: built in $((built - start)) s, tests under Wine in $((SECONDS - built)) s"
if [ ${#failed[@]} -gt 0 ]; then
  echo "Failed under Wine: ${failed[*]}" >&2
  exit 1
fi
