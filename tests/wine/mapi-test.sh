#!/usr/bin/env bash
# The Windows mail hand-off through Wine's Simple MAPI, to the tests' own
# mail program registered as the prefix's default: it records the message
# and a copy of the attachment, which the test program compares.
# Usage: tests/wine/mapi-test.sh [work folder]   (default build-wine/mapi)
set -euo pipefail
REPO=$(cd "$(dirname "$0")/../.." && pwd)
WORK=$(realpath -m "${1:-$REPO/build-wine/mapi}")
source "$REPO/tests/wine/wine-env.sh"
mkdir -p "$WORK/bin"
BIN=$WORK/bin

echo "== building the test mail program and the hand-off test"
$MINGW-gcc-posix -O2 -Wall -Wextra -Werror -shared -static-libgcc \
  -o "$BIN/mapiprovider.dll" "$REPO/tests/wine/mapiprovider/mapiprovider.c"
# The project's warnings (mirlo_warnings in CMakeLists.txt), as errors.
$MINGW-g++-posix -std=c++20 -O1 -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wold-style-cast \
  -Wnon-virtual-dtor -Woverloaded-virtual -Werror -I"$REPO" \
  -isystem "$QT_WIN/include" -isystem "$QT_WIN/include/QtCore" -DQT_NO_DEBUG -DUNICODE -D_UNICODE \
  "$REPO/tests/wine/mapi/mapihandoff_test.cpp" "$REPO/platform/mailhandoff.cpp" "$REPO/platform/windows/mailhandoff.cpp" \
  -L"$QT_WIN/lib" -lQt6Core -lole32 -ladvapi32 -o "$BIN/mapihandoff_test.exe"
cp "$QT_WIN/bin/Qt6Core.dll" "$BIN/"
copy_mingw_runtime "$BIN"

echo "== a fresh Wine prefix with the test mail program as its default"
new_prefix
MAIL_KEY='HKLM\Software\Clients\Mail'
wine reg add "$MAIL_KEY" /ve /d "Mirlo Test Mail" /f >/dev/null
wine reg add "$MAIL_KEY\\Mirlo Test Mail" /v DLLPath /d "$(winpath "$BIN/mapiprovider.dll")" /f >/dev/null

echo "== hand-offs to the default mail program"
wine "$BIN/mapihandoff_test.exe"

echo "== no default mail program"
wine reg delete "$MAIL_KEY" /ve /f >/dev/null
wine "$BIN/mapihandoff_test.exe" --no-mail-program
end_prefix
rm -rf "$WINEPREFIX"
echo "mapi-test: passed"
