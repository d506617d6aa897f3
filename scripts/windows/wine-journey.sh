#!/usr/bin/env bash
# The Windows stage's tests of the finished product, under Wine: the mail
# hand-off against a test MAPI mail program (tests/wine/mapi-test.sh), the
# installer made from the Windows build's program folder
# (scripts/windows/installer.sh), and the installed Mirlo's journey
# (tests/wine/journey.py). Run after scripts/windows/build.sh.
#   wine-journey.sh [PROGRAM_FOLDER]
# MP3_TOOL (default: the Linux build's tests/bin/journey_mp3facts, when there)
# decodes the recording; MIRLO_WINE_JOURNEY_STEPS picks the journey's steps.
set -euo pipefail
REPO=$(cd "$(dirname "$0")/../.." && pwd)
if [ -f "$REPO/scripts/windows/env.sh" ]; then source "$REPO/scripts/windows/env.sh"; fi
STAGE=${1:-${MIRLO_WIN64_STAGE:-$REPO/build-win64/stage}}
WORK=$REPO/build-wine
MP3_TOOL=${MP3_TOOL:-$REPO/build/tests/bin/journey_mp3facts}
[ -x "$MP3_TOOL" ] || MP3_TOOL=""
start=$SECONDS

bash "$REPO/tests/wine/mapi-test.sh" "$WORK/mapi"
bash "$REPO/scripts/windows/installer.sh" "$STAGE" "$WORK/installer"
setup=$(ls "$WORK"/installer/Mirlo-*-setup.exe)
MIRLO_TEST_MAPI_PROVIDER=$WORK/mapi/bin/mapiprovider.dll \
  python3 "$REPO/tests/wine/journey.py" "$setup" "$WORK/journey" "$MP3_TOOL"
echo "Windows product tests under Wine: passed in $((SECONDS - start)) s"
