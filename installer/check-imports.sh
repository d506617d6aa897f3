#!/usr/bin/env bash
# check-imports.sh FOLDER: the program folder holds every DLL that its
# executables and plugins import, and no DLL that nothing there imports.
# An import is satisfied by a DLL at the top of FOLDER (where Windows looks
# first, beside the program) or by a part of Windows: one that Wine provides
# (its list of Windows' DLLs) or an API set (api-ms-win-*, ext-ms-*).
# Plugins (DLLs in sub-folders) are loaded by Qt itself: each is a start.
# Every executable and DLL must be a 64-bit Windows one.
set -euo pipefail
folder=$1
objdump=x86_64-w64-mingw32-objdump
wine_dlls=${WINE_WINDOWS_DLLS:-/usr/lib/x86_64-linux-gnu/wine/x86_64-windows}
[ -d "$wine_dlls" ] || { echo "check-imports: no Wine DLL list in $wine_dlls (wine64)" >&2; exit 2; }

declare -A shipped=() windows=() used=()
for f in "$folder"/*.dll "$folder"/*.DLL; do
  [ -e "$f" ] && shipped[$(basename "${f,,}")]=$f
done
for f in "$wine_dlls"/*.dll; do windows[$(basename "${f,,}")]=1; done

missing=()
broken=()
pending=()
while IFS= read -r -d '' pe; do pending+=("$pe"); done < <(
  find "$folder" -maxdepth 1 -iname '*.exe' -print0
  find "$folder" -mindepth 2 -iname '*.dll' -print0)
declare -A visited=()
while [ ${#pending[@]} -gt 0 ]; do
  pe=${pending[0]}
  pending=("${pending[@]:1}")
  [ -n "${visited[$pe]:-}" ] && continue
  visited[$pe]=1
  headers=$($objdump -p "$pe" 2>&1 || true)
  if ! grep -q 'file format pei-x86-64' <<<"$headers"; then
    broken+=("${pe#"$folder"/}")
    continue
  fi
  for dll in $(sed -n 's/^\s*DLL Name: //p' <<<"$headers"); do
    key=${dll,,}
    if [ -n "${shipped[$key]:-}" ]; then
      used[$key]=1
      pending+=("${shipped[$key]}")
    elif [ -z "${windows[$key]:-}" ] && [[ $key != api-ms-win-* && $key != ext-ms-* ]]; then
      missing+=("$(basename "$pe") imports $dll")
    fi
  done
done

unused=()
for key in "${!shipped[@]}"; do
  [ -n "${used[$key]:-}" ] || unused+=("$(basename "${shipped[$key]}")")
done
status=0
if [ ${#broken[@]} -gt 0 ]; then
  printf 'Not a 64-bit Windows executable or DLL: %s\n' "${broken[@]}" >&2
  status=1
fi
if [ ${#missing[@]} -gt 0 ]; then
  printf 'Missing DLL: %s\n' "${missing[@]}" >&2
  status=1
fi
if [ ${#unused[@]} -gt 0 ]; then
  printf 'DLL that nothing imports: %s\n' "${unused[@]}" >&2
  status=1
fi
[ $status -eq 0 ] && echo "check-imports: ${#visited[@]} executables and DLLs, every import found"
exit $status
