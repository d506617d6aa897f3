#!/usr/bin/env bash
# Builds Qt 6.4.2 qtbase for Windows x86_64 with Debian 12's MinGW-w64 (posix threads), from Debian's own
# qt6-base source package, into $PREFIX (default /opt/mirlo-win64/qt6), then packs it as
# qt6.4.2-mingw-w64-x86_64.tar.xz in $OUT (default: the work folder). About an hour on 2 cores.
# The same recipe as the SDK's build-qt-mingw.sh (../shared/sdk/); sdk.sh runs it when no SDK is there.
# Host tools (moc, rcc, uic) are Debian's qt6-base-dev-tools 6.4.2, the same version.
set -euo pipefail
PREFIX=${PREFIX:-/opt/mirlo-win64/qt6}
WORK=${WORK:-/tmp/qt6-mingw-build}
OUT=${OUT:-$WORK}
export DEBIAN_FRONTEND=noninteractive
apt-get install -y --no-install-recommends g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix \
  qt6-base-dev qt6-base-dev-tools cmake ninja-build xz-utils dpkg-dev >/dev/null
mkdir -p "$WORK/apt/lists/partial" && cd "$WORK"
# Debian's source packages come from the same archive as its binary packages.
cat > "$WORK/src.sources" <<SRC
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
APT=(-o Dir::Etc::SourceList="$WORK/src.sources" -o Dir::Etc::SourceParts=/dev/null -o Dir::State::Lists="$WORK/apt/lists")
apt-get "${APT[@]}" update
# An upstream signature (.asc) the archive lacks is no reason to stop: apt has
# checked what it fetched against the signed index.
apt-get "${APT[@]}" source --download-only qt6-base || ls qt6-base_6.4.2*.orig.tar.xz
rm -rf qtbase-everywhere-src-6.4.2 build && tar xJf qt6-base_6.4.2*.orig.tar.xz
cat > mingw.cmake <<'TC'
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
TC
mkdir build && cd build
# Core, Gui, Widgets, Network (Schannel TLS), Qt's bundled third-party libraries, no OpenGL, no SQL.
# No tablet events: Debian's source leaves out the Wintab header the Windows plugin would need.
../qtbase-everywhere-src-6.4.2/configure -prefix "$PREFIX" -release -opensource -confirm-license \
  -xplatform win32-g++ -qt-host-path /usr -nomake tests -nomake examples \
  -qt-zlib -qt-pcre -qt-freetype -qt-harfbuzz -qt-libpng -qt-libjpeg -qt-doubleconversion \
  -no-opengl -no-dbus -no-icu -schannel -no-openssl \
  -no-feature-sql -no-feature-printsupport -no-feature-vulkan -no-feature-tabletevent \
  -- -GNinja -DCMAKE_TOOLCHAIN_FILE="$WORK/mingw.cmake" -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
cmake --build . --parallel "$(nproc)"
cmake --install .
tar cJf "$OUT/qt6.4.2-mingw-w64-x86_64.tar.xz" -C "$(dirname "$PREFIX")" "$(basename "$PREFIX")"
echo "packed $OUT/qt6.4.2-mingw-w64-x86_64.tar.xz"
