#!/usr/bin/env bash
# The cross toolchain and Qt for MinGW-w64 in $MIRLO_WIN64_ROOT/qt6: the
# toolchain from Debian's packages; Qt unpacked from ../shared/sdk beside the
# clone (or MIRLO_SDK_DIR), or built from Debian's qt6-base source by
# build-qt.sh when that is not there (about an hour). Does nothing when both
# are in place.
set -euo pipefail
source "$(dirname "$0")/env.sh"
bash "$MIRLO_REPO/scripts/install-deps.sh"
QT=$MIRLO_WIN64_ROOT/qt6
if [ -f "$QT/lib/cmake/Qt6/Qt6Config.cmake" ]; then
  exit 0
fi
# The SDK folder beside the clone (CI), or beside the folder of worktrees.
SDK=${MIRLO_SDK_DIR:-}
for candidate in "$MIRLO_REPO/../shared/sdk" "$MIRLO_REPO/../../shared/sdk"; do
  if [ -z "$SDK" ] && [ -d "$candidate" ]; then SDK=$(cd "$candidate" && pwd); fi
done
TARBALL=$SDK/qt6.4.2-mingw-w64-x86_64.tar.xz
mkdir -p "$MIRLO_WIN64_ROOT"
if [ -n "$SDK" ] && [ -f "$TARBALL" ]; then
  echo "Qt for Windows: unpacking $TARBALL"
  tar xJf "$TARBALL" -C "$MIRLO_WIN64_ROOT"
else
  echo "Qt for Windows: no SDK beside the clone, building it from Debian's qt6-base source (about an hour)"
  PREFIX=$QT WORK=$MIRLO_WIN64_ROOT/work/qt6 bash "$MIRLO_REPO/scripts/windows/build-qt.sh"
fi
