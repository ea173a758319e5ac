#!/usr/bin/env bash
# Checks that the program does not import the system libraries it loads at their first use
# (CNG for the access check, the shell for opening a web address, visual styles): an imported
# library is loaded and set up before the program's first line runs, which shows in its
# start-up time.
#   check_start_imports.sh EXE
set -euo pipefail
later='^(bcrypt|shell32|uxtheme)\.dll$'
status=0
while read -r dll; do
  if [[ "${dll,,}" =~ $later ]]; then
    echo "$1 imports $dll, which it should load at its first use" >&2
    status=1
  fi
done < <(x86_64-w64-mingw32-objdump -p "$1" | sed -n 's/^\s*DLL Name: //p')
[ $status -eq 0 ] && echo "no library loaded at first use is imported"
exit $status
