# shellcheck shell=bash
# Shared by the Wine tests (sourced): a throw-away Wine prefix and the
# MinGW runtime. Needs WORK (a folder of the test's own) set before sourcing.
WINE_LOADER=${MIRLO_WINE:-/usr/lib/wine/wine64}
WINESERVER=$(dirname "$WINE_LOADER")/wineserver
MINGW=x86_64-w64-mingw32
MINGW_DLL_DIRS=("/usr/lib/gcc/$MINGW/12-posix" "/usr/$MINGW/lib")
export QT_WIN=${MIRLO_WIN64_ROOT:-/opt/mirlo-win64}/qt6
export WINEPREFIX=$WORK/prefix
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko download offers, no desktop menu entries from the prefix.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

wine() { "$WINE_LOADER" "$@"; }

# A fresh prefix; its server ends with the test.
new_prefix() {
  rm -rf "$WINEPREFIX"
  wine wineboot -i >/dev/null 2>&1
  trap 'end_prefix' EXIT
}

end_prefix() {
  "$WINESERVER" -k 2>/dev/null || true
}

# A Unix path as Windows programs in the prefix see it (drive Z: is /).
winpath() { printf 'Z:%s' "$(realpath -m "$1" | tr / '\\')"; }

# The MinGW runtime DLLs copied into a folder.
copy_mingw_runtime() {
  local name dir
  for name in libgcc_s_seh-1.dll libstdc++-6.dll libwinpthread-1.dll; do
    for dir in "${MINGW_DLL_DIRS[@]}"; do
      if [ -f "$dir/$name" ]; then cp "$dir/$name" "$1/"; break; fi
    done
  done
}
