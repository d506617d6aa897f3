#!/usr/bin/env bash
# Installs what Mirlo needs to build and to run its tests (Debian 12, as root).
set -euo pipefail

build_packages=(
  cmake ninja-build g++ pkg-config ccache
  qt6-base-dev libqt6network6
  portaudio19-dev libasound2-dev libmp3lame-dev libmpg123-dev libgmime-3.0-dev
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
)
# Sanitizer runtimes come with g++; the fuzz targets need clang's libFuzzer.
check_packages=(
  clang libclang-rt-14-dev
  lintian appstream # the Debian package's checks
)

missing=()
for p in "${build_packages[@]}" "${test_packages[@]}" "${check_packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends "${missing[@]}"
