#!/usr/bin/env bash
# installer.sh [PROGRAM_FOLDER] [OUT_FOLDER]: Mirlo-<version>-setup.exe from
# the Windows build's program folder (Mirlo.exe, Launch.exe, their DLLs and
# plugins, qt.conf; by default the one scripts/windows/build.sh makes). Its
# executables and DLLs are stripped, Qt's French translations and the
# default program-folder Mirlox.ini added, every import checked
# (installer/check-imports.sh), then NSIS (Debian's nsis) packs it.
set -euo pipefail
REPO=$(cd "$(dirname "$0")/../.." && pwd)
if [ -f "$REPO/scripts/windows/env.sh" ]; then source "$REPO/scripts/windows/env.sh"; fi
STAGE=$(realpath "${1:-${MIRLO_WIN64_STAGE:-$REPO/build-win64/stage}}")
OUT=$(realpath -m "${2:-$(dirname "$STAGE")/installer}")
MINGW=x86_64-w64-mingw32
command -v makensis >/dev/null || { echo "makensis missing: apt-get install nsis" >&2; exit 2; }
for exe in Mirlo.exe Launch.exe; do
  [ -f "$STAGE/$exe" ] || { echo "No $exe in $STAGE: build the Windows programs first" >&2; exit 2; }
done

VERSION=$(sed -n 's/^project(Mirlo VERSION \([0-9.]*\).*/\1/p' "$REPO/CMakeLists.txt")
PAYLOAD=$OUT/payload
rm -rf "$OUT" && mkdir -p "$OUT" && cp -a "$STAGE" "$PAYLOAD"
rm -f "$PAYLOAD/Mirlox.ini" # the program-folder settings are the installer's own step

# Debug information out: it is most of the MinGW runtime's and Qt's size.
find "$PAYLOAD" \( -iname '*.exe' -o -iname '*.dll' \) -exec $MINGW-strip --strip-unneeded {} +
if [ ! -f "$PAYLOAD/translations/qtbase_fr.qm" ]; then
  mkdir -p "$PAYLOAD/translations"
  cp /usr/share/qt6/translations/qtbase_fr.qm "$PAYLOAD/translations/"
fi
if [ ! -f "$PAYLOAD/qt.conf" ]; then
  printf '[Paths]\r\nPrefix = .\r\nPlugins = .\r\nTranslations = translations\r\n' >"$PAYLOAD/qt.conf"
fi
bash "$REPO/installer/check-imports.sh" "$PAYLOAD"

# The installer's icon: Mirlo's picture as a PNG-in-ICO.
python3 - "$REPO/resources/mirlo.png" "$OUT/Mirlo.ico" <<'PY'
import struct, sys
png = open(sys.argv[1], 'rb').read()
w, h = struct.unpack('>II', png[16:24])
entry = struct.pack('<BBBBHHII', w % 256, h % 256, 0, 0, 1, 32, len(png), 22)
open(sys.argv[2], 'wb').write(struct.pack('<HHH', 0, 1, 1) + entry + png)
PY

# What is installed and removed, file by file: the uninstaller removes these
# and nothing else.
winpath() { printf '%s' "${1//\//\\}"; }
{
  while IFS= read -r dir; do
    rel=${dir#"$PAYLOAD"}
    echo "SetOutPath \"\$INSTDIR$(winpath "$rel")\""
    find "$dir" -maxdepth 1 -type f -printf '%f\n' | sort | while IFS= read -r f; do
      echo "File \"$dir/$f\""
    done
  done < <(find "$PAYLOAD" -type d | sort)
} >"$OUT/files.nsh"
{
  (cd "$PAYLOAD" && find . -type f | sort) | while IFS= read -r f; do
    echo "Delete \"\$INSTDIR\\$(winpath "${f#./}")\""
  done
  (cd "$PAYLOAD" && find . -mindepth 1 -type d | sort -r) | while IFS= read -r d; do
    echo "RMDir \"\$INSTDIR\\$(winpath "${d#./}")\""
  done
} >"$OUT/unfiles.nsh"

SETUP=$OUT/Mirlo-$VERSION-setup.exe
makensis -V2 -NOCD -DVERSION="$VERSION" -DICON="$OUT/Mirlo.ico" -DFILES="$OUT/files.nsh" \
  -DUNFILES="$OUT/unfiles.nsh" -DSETTINGS="$REPO/resources/Mirlox.ini" -DOUTFILE="$SETUP" \
  "$REPO/installer/mirlo.nsi"
echo "Installer: $SETUP ($(du -k "$SETUP" | cut -f1) KiB; $(find "$PAYLOAD" -type f | wc -l) files," \
  "$(du -sk "$PAYLOAD" | cut -f1) KiB installed, plus Mirlox.ini and Uninstall.exe)"
