#!/usr/bin/env bash
# Builds the Debian package from build/, checks it with lintian (any error
# fails), installs it with apt on this machine,
# starts the installed Mirlo offscreen up to its first-run dialog, then purges
# it and every package it pulled in. Run as root (CI); safe to run again after
# an interrupted run.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=$(realpath "${BUILD_DIR:-build}")
export DEBIAN_FRONTEND=noninteractive

# Packages installed before the check: what the clean-up restores. Kept on
# disk so that a run killed half-way is cleaned up by the next one.
STATE=/var/tmp/mirlo-package-check.before

installed_packages() {
  dpkg-query -W -f='${db:Status-Abbrev} ${binary:Package}\n' | awk '$1 ~ /^[ih]i/ {print $2}' | sort
}

clean_up() {
  [ -f "$STATE" ] || return 0
  if dpkg-query -W -f='${Status}' mirlo 2>/dev/null | grep -qv "not-installed"; then
    apt-get purge -y -q mirlo >/dev/null
  fi
  local added
  added=$(comm -13 "$STATE" <(installed_packages) | tr '\n' ' ')
  if [ -n "${added// /}" ]; then
    echo "Removing what the package pulled in: $added"
    # shellcheck disable=SC2086
    apt-get purge -y -q $added >/dev/null
  fi
  rm -f "$STATE"
}

fail() {
  echo "package check: $*" >&2
  exit 1
}

clean_up # a previous run that did not finish
if dpkg-query -W -f='${Status}' mirlo 2>/dev/null | grep -q "install ok installed"; then
  fail "a mirlo package is already installed here; remove it first (apt-get purge mirlo)"
fi

# The package.
rm -f "$BUILD_DIR"/mirlo_*.deb
(cd "$BUILD_DIR" && cpack -G DEB -B "$BUILD_DIR" >/dev/null)
debs=("$BUILD_DIR"/mirlo_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "no mirlo_<version>_<arch>.deb in $BUILD_DIR"
deb=${debs[0]}
echo "Built $(basename "$deb"), $(stat -c %s "$deb") bytes"
dpkg-deb -f "$deb" Depends
dpkg-deb -f "$deb" Depends | grep -q "qt6-translations-l10n" || fail "no dependency on Qt's French translations"
dpkg-deb -f "$deb" Depends | grep -q "libqt6widgets6" || fail "library dependencies not computed"

# Debian's own checks: no error from lintian, AppStream metadata accepted.
lintian --pedantic --fail-on error "$deb" || fail "lintian reports errors (above)"
echo "lintian: no error"

# Install with apt, as an administrator would.
installed_packages >"$STATE"
trap clean_up EXIT
apt-get install -y -q --no-install-recommends "$deb" >/dev/null

for f in /usr/lib/mirlo/Mirlo /usr/lib/mirlo/Launch; do
  [ -x "$f" ] || fail "$f missing"
done
[ "$(readlink /usr/bin/mirlo)" = "../lib/mirlo/Mirlo" ] || fail "/usr/bin/mirlo does not link to the program"
shared=/etc/mirlo/Mirlox.ini
[ -f $shared ] && [ ! -L $shared ] || fail "shared settings file $shared"
[ ! -e /usr/lib/mirlo/Mirlox.ini ] || fail "a settings file left in the program folder"
dpkg-query --showformat='${Conffiles}' -W mirlo | grep -q " $shared " ||
  fail "the shared settings file is not a configuration file"
[ -f /usr/share/applications/mirlo.desktop ] || fail "desktop entry missing"
icons=(/usr/share/icons/hicolor/{48x48,64x64,128x128,256x256}/apps/mirlo.png
  /usr/share/icons/hicolor/scalable/apps/mirlo.svg)
for f in "${icons[@]}"; do
  [ -f "$f" ] || fail "icon $f missing"
done
for f in /usr/share/man/man1/mirlo.1.gz /usr/share/man/man1/mirlo-launch.1.gz; do
  [ -f "$f" ] || fail "manual page $f missing"
done
metainfo=/usr/share/metainfo/fr.mirlo_ecole.mirlo.metainfo.xml
appstreamcli validate --no-net "$metainfo" || fail "AppStream refuses $metainfo"
dpkg-query -W qt6-translations-l10n >/dev/null || fail "Qt's French translations not installed"

# First start of the installed program: the settings dialog comes first. The
# school's settings are read from /etc/mirlo: school mode makes the pupil's
# folder on the share at start-up.
home=$(mktemp -d)
chmod 755 "$home"
printf '[IniPath]\r\nLocation=Lycee\r\nPerso=%s\r\n' "$home/share" >$shared
mkdir "$home/share"
(cd "$home" && HOME="$home" APPDATA="$home" XDG_CONFIG_HOME="$home" XDG_RUNTIME_DIR="$home" \
  QT_QPA_PLATFORM=offscreen MIRLO_REPORT_SHOWN=1 exec mirlo >"$home/stdout" 2>"$home/stderr") &
mirlo_pid=$!
for _ in $(seq 200); do
  [ -s "$home/stdout" ] || ! kill -0 "$mirlo_pid" 2>/dev/null && break
  sleep 0.1
done
kill "$mirlo_pid" 2>/dev/null || true
wait "$mirlo_pid" 2>/dev/null || true
shown=$(head -n 1 "$home/stdout")
if [ "$shown" != "shown Enregistrement Mp3 - Paramétrage" ]; then
  cat "$home/stderr" >&2
  rm -rf "$home"
  fail "the installed Mirlo did not reach its first-run dialog (got: '$shown')"
fi
[ -d "$home/share/Mirlo" ] || fail "the installed Mirlo did not read the school's settings in $shared"
rm -rf "$home"
echo "Installed Mirlo read $shared and reached its first-run dialog"

# Removal leaves nothing behind.
clean_up
trap - EXIT
for f in /usr/lib/mirlo /usr/bin/mirlo /etc/mirlo /usr/share/applications/mirlo.desktop "${icons[@]}"; do
  [ ! -e "$f" ] && [ ! -L "$f" ] || fail "$f left after removal"
done
echo "Package installed, started and removed cleanly"
