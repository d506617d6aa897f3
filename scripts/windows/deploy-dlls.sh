#!/usr/bin/env bash
# deploy-dlls.sh FOLDER: copies into FOLDER every DLL that the executables and
# DLLs under it import and that we ship (Qt, our libraries, the MinGW runtime),
# following the imports of what it copies. What is found nowhere here is
# taken for a part of Windows and listed.
set -euo pipefail
source "$(dirname "$0")/env.sh"
folder=$1
dirs=("$MIRLO_WIN64_ROOT/qt6/bin" "$MIRLO_WIN64_ROOT/deps/bin" "${MIRLO_MINGW_DLL_DIRS[@]}")
declare -A seen=()
system=()
pending=()
while IFS= read -r -d '' pe; do pending+=("$pe"); done < <(find "$folder" -iname '*.exe' -print0 -o -iname '*.dll' -print0)
while [ ${#pending[@]} -gt 0 ]; do
  pe=${pending[0]}
  pending=("${pending[@]:1}")
  for dll in $($MIRLO_TRIPLET-objdump -p "$pe" | sed -n 's/^\s*DLL Name: //p'); do
    key=${dll,,}
    [ -n "${seen[$key]:-}" ] && continue
    seen[$key]=1
    found=""
    for dir in "${dirs[@]}"; do
      match=$(find "$dir" -maxdepth 1 -iname "$dll" -print -quit 2>/dev/null || true)
      if [ -n "$match" ]; then found=$match; break; fi
    done
    if [ -n "$found" ]; then
      cp "$found" "$folder/"
      pending+=("$folder/$(basename "$found")")
    else
      system+=("$dll")
    fi
  done
done
echo "Windows' own DLLs imported: ${system[*]:-none}"
