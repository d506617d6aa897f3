#!/usr/bin/env bash
# Installs what Mirlo needs to build and to run its tests (Debian 12, as root).
set -euo pipefail

build_packages=(
  cmake ninja-build g++ pkg-config ccache
  qt6-base-dev libqt6network6
  portaudio19-dev libasound2-dev libmp3lame-dev libmpg123-dev libgmime-3.0-dev
  libcurl4-openssl-dev # HTTP upload
  googletest libgtest-dev
  dpkg-dev # dpkg-shlibdeps: the Debian package reads its library dependencies
  python3  # draws the icon at each size
)
# Virtual audio devices, test signals, a real proxy and a real mail chain;
# xdotool and lame for the whole-program CPU benchmark.
test_packages=(
  pulseaudio pulseaudio-utils libasound2-plugins alsa-utils
  sox tinyproxy msmtp python3 python3-aiosmtpd openssl ca-certificates
  xvfb xauth xdotool lame
  qt6-translations-l10n
  # The journeys: a window manager, synthesized input, window and clipboard
  # reading, screenshots.
  openbox xdotool x11-utils xclip imagemagick
  # The accessibility bus and a screen reader's view of it; a desktop theme
  # (dark palette, large font) as school desktops set it.
  at-spi2-core python3-pyatspi gir1.2-atspi-2.0 qt6ct
)
# Real servers and a second real proxy for the hand-in tests: nginx with
# php-fpm and squid, started by the tests on 127.0.0.1 (never as services),
# in a network namespace of their own whose loopback iproute2 brings up.
real_server_packages=(nginx php-fpm squid iproute2)
# Sanitizer runtimes come with g++; the fuzz targets need clang's libFuzzer.
check_packages=(
  clang libclang-rt-14-dev
  lintian appstream # the Debian package's checks
)
# The Windows build from Linux (scripts/windows/): MinGW-w64 with posix
# threads, Qt's host tools, Wine for the Windows tests.
windows_packages=(
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-tools
  qt6-base-dev-tools xz-utils wine64 nsis
)

missing=()
for p in "${build_packages[@]}" "${test_packages[@]}" "${real_server_packages[@]}" "${check_packages[@]}" \
  "${windows_packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
# Installed packages start no service of their own (nginx would take port 80).
if [ ! -e /usr/sbin/policy-rc.d ]; then
  printf '#!/bin/sh\nexit 101\n' | $SUDO tee /usr/sbin/policy-rc.d >/dev/null
  $SUDO chmod 755 /usr/sbin/policy-rc.d
  trap '$SUDO rm -f /usr/sbin/policy-rc.d' EXIT
fi
$SUDO apt-get install -y --no-install-recommends "${missing[@]}"
