#!/usr/bin/env bash
# Runs the window's generators (pictures with their stored forms, the reference text) into a
# scratch folder and compares what they write, byte for byte, with the files committed in this
# folder; a file that differs, is missing or is no longer generated fails the check. The
# description MainForm.dfm must carry exactly what the generators write (its pictures, glyphs,
# skins, image strip and Memo2's lines).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
python=/usr/bin/python3
work=$(mktemp -d "${TMPDIR:-/tmp}/vornada-design.XXXXXX")
trap 'rm -rf "$work"' EXIT

"$python" "$here/make_pictures.py" --out "$work"
"$python" "$here/make_reference.py" --out "$work"

status=0
if ! diff -r "$here/pictures" "$work/pictures"; then status=1; fi
if ! diff -r "$here/stored" "$work/stored"; then status=1; fi
if ! cmp "$here/reference.txt" "$work/reference.txt"; then status=1; fi
if ! "$python" "$here/description_data.py" "$work/stored" "$work/reference.txt"; then status=1; fi
if [ "$status" -ne 0 ]; then
  echo "check_generated: the committed files differ from what the generators write" >&2
  exit 1
fi
echo "check_generated: $(ls "$work/pictures" | wc -l) pictures, $(ls "$work/stored" | wc -l) stored forms and the reference text reproduced byte for byte"
