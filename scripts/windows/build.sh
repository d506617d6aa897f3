#!/usr/bin/env bash
# Builds the Windows programs from Linux in one command: the toolchain and Qt
# (sdk.sh), the libraries (build-libs.sh, cached), Mirlo.exe and Launch.exe
# into $MIRLO_WIN64_BUILD/bin, then the program folder in $MIRLO_WIN64_STAGE
# with every DLL and plugin they need. BUILD_TESTING=ON also builds the tests
# (scripts/windows/test.sh runs them).
set -euo pipefail
source "$(dirname "$0")/env.sh"
start=$SECONDS
bash "$MIRLO_REPO/scripts/windows/sdk.sh"
bash "$MIRLO_REPO/scripts/windows/build-libs.sh"
echo "SDK and libraries ready in $((SECONDS - start)) s"

# pkg-config is asked again each time: a library rebuilt may have moved.
cmake -S "$MIRLO_REPO" -B "$MIRLO_WIN64_BUILD" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$MIRLO_TOOLCHAIN" \
  -U 'pkgcfg_lib_*' -U '__pkg_config_checked_*' \
  -DMIRLO_WIN64_ROOT="$MIRLO_WIN64_ROOT" -DCMAKE_BUILD_TYPE=Release \
  -DBUILD_TESTING="${BUILD_TESTING:-OFF}" -DMIRLO_WARNINGS_AS_ERRORS="${MIRLO_WARNINGS_AS_ERRORS:-OFF}" >/dev/null
cmake --build "$MIRLO_WIN64_BUILD" -j "$(nproc)"

# The program folder: the programs, the plugins Qt loads at run time, qt.conf
# so that Qt looks for them (and its translations) there, then every DLL any
# of these imports that is ours to ship, followed to the end.
QT=$MIRLO_WIN64_ROOT/qt6
rm -rf "$MIRLO_WIN64_STAGE" && mkdir -p "$MIRLO_WIN64_STAGE/translations"
cp "$MIRLO_WIN64_BUILD/bin/Mirlo.exe" "$MIRLO_WIN64_BUILD/bin/Launch.exe" "$MIRLO_WIN64_STAGE/"
# The French guide, beside the programs, where Mirlo looks for it.
cp -r "$MIRLO_WIN64_BUILD/bin/help" "$MIRLO_WIN64_STAGE/"
for plugin in platforms/qwindows styles/qwindowsvistastyle tls/qschannelbackend tls/qcertonlybackend \
  imageformats/qgif imageformats/qico imageformats/qjpeg; do
  mkdir -p "$MIRLO_WIN64_STAGE/$(dirname "$plugin")"
  cp "$QT/plugins/$plugin.dll" "$MIRLO_WIN64_STAGE/$plugin.dll"
done
cp /usr/share/qt6/translations/qtbase_fr.qm "$MIRLO_WIN64_STAGE/translations/"
printf '[Paths]\r\nPrefix = .\r\nPlugins = .\r\nTranslations = translations\r\n' >"$MIRLO_WIN64_STAGE/qt.conf"
bash "$MIRLO_REPO/scripts/windows/deploy-dlls.sh" "$MIRLO_WIN64_STAGE"
# Debian's MinGW runtime keeps its debugging symbols (libstdc++ alone is 23 MB).
find "$MIRLO_WIN64_STAGE" \( -iname '*.exe' -o -iname '*.dll' \) -exec "$MIRLO_TRIPLET-strip" --strip-unneeded {} +
echo "Windows programs in $MIRLO_WIN64_STAGE ($((SECONDS - start)) s)"
