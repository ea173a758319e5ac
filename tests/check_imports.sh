#!/usr/bin/env bash
# Checks that each Windows exe given imports only DLLs every stock Windows has (no zlib1.dll,
# no libstdc++ or libwinpthread DLLs): the program must run from its single file. bcrypt (CNG)
# is part of every Windows since Vista.
set -euo pipefail
allowed='^(kernel32|user32|gdi32|msvcrt|shell32|comctl32|comdlg32|msimg32|uxtheme|winmm|imm32|advapi32|bcrypt|ole32|oleaut32|shlwapi|version)\.dll$'
status=0
for exe in "$@"; do
  while read -r dll; do
    if ! [[ "${dll,,}" =~ $allowed ]]; then
      echo "$exe imports $dll" >&2
      status=1
    fi
  done < <(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p')
done
[ $status -eq 0 ] && echo "only system DLLs imported"
exit $status
