#!/usr/bin/env bash
# The cross toolchain and Qt for MinGW-w64 in $MIRLO_WIN64_ROOT/qt6: the
# toolchain from Debian's packages; Qt unpacked from ../shared/sdk beside the
# clone, or built from Debian's qt6-base source when that is not there (about
# an hour). Does nothing when both are in place.
set -euo pipefail
source "$(dirname "$0")/env.sh"
bash "$MIRLO_REPO/scripts/install-deps.sh"
QT=$MIRLO_WIN64_ROOT/qt6
if [ -f "$QT/lib/cmake/Qt6/Qt6Config.cmake" ]; then
  exit 0
fi
SDK=$(cd "$MIRLO_REPO/.." && pwd)/shared/sdk
TARBALL=$SDK/qt6.4.2-mingw-w64-x86_64.tar.xz
mkdir -p "$MIRLO_WIN64_ROOT"
if [ -f "$TARBALL" ]; then
  echo "Qt for Windows: unpacking $TARBALL"
  tar xJf "$TARBALL" -C "$MIRLO_WIN64_ROOT"
elif [ -f "$SDK/build-qt-mingw.sh" ]; then
  echo "Qt for Windows: building it from Debian's qt6-base source (about an hour)"
  OUT=$MIRLO_WIN64_ROOT PREFIX=$QT bash "$SDK/build-qt-mingw.sh"
else
  echo "No Qt for Windows: neither $TARBALL nor $SDK/build-qt-mingw.sh" >&2
  exit 1
fi
