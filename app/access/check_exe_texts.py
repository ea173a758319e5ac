#!/usr/bin/env python3
"""Checks that an exe holds none of the access texts: searches its bytes for each one in ANSI
(one byte a character) and in UTF-16LE, and must find none. To show that the search can find
what is there, it must find the application title in both encodings.

    python3 check_exe_texts.py EXE
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_access_digests import PASSWORDS  # noqa: E402

PRESENT = "Vornada-Ver-1.1"


def encodings(text: str):
    return {"ANSI": text.encode("cp1252"), "UTF-16LE": text.encode("utf-16-le")}


def main() -> int:
    with open(sys.argv[1], "rb") as f:
        data = f.read()
    failed = False
    for name, needle in encodings(PRESENT).items():
        if data.find(needle) < 0:
            print(f"FAIL: the search does not find {PRESENT!r} in {name}, which the exe holds")
            failed = True
    for password in PASSWORDS:
        for name, needle in encodings(password).items():
            at = data.find(needle)
            if at >= 0:
                print(f"FAIL: an access text is in the exe in {name} at offset {at}")
                failed = True
            # Case-insensitively too: an upper- or lower-cased copy is as good as the text.
            if name == "ANSI" and data.lower().find(needle.lower()) >= 0:
                print("FAIL: an access text is in the exe in ANSI, in another letter case")
                failed = True
    if failed:
        return 1
    print(f"PASS: {len(PASSWORDS)} access texts absent in ANSI and UTF-16LE; "
          f"{PRESENT!r} found in both")
    return 0


if __name__ == "__main__":
    sys.exit(main())
