#!/usr/bin/python3
"""Makes two GIFs shaped like the ones the program's window shows, for the animator tests.

Run with Debian's Python: /usr/bin/python3 make_window_gifs.py  (writes data/*.gif)

strip50x8.gif   50 x 8, 24 frames, each 50 x 8 at the origin; a 16-entry global colour table,
                local tables of 64 or 128 entries on most frames; every frame transparent,
                delay 9 (90 ms), disposal 2; a NETSCAPE2.0 loop extension with count 0.
spinner24.gif   24 x 24, 48 frames; a 256-entry global table; delay 4 (40 ms) on every frame,
                disposal 1 or 2; some frames smaller than the screen at an offset, the last four
                1 x 1; every frame transparent; a NETSCAPE2.0 loop extension with count 0 and a
                comment extension.

The byte writers (screen, image, LZW encoder) are the GIF core fixtures' own.
"""
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "data", "gif"))
from make_fixtures import bits_for, frame_data, gce, image, screen  # noqa: E402

LOOP0 = b"!\xff\x0bNETSCAPE2.0\x03\x01\x00\x00\x00"


def palette(count, seed):
    return [((i * 37 + seed) % 256, (i * 91 + seed * 3) % 256, (i * 53 + 17 * seed) % 256)
            for i in range(count)]


def min_code_size(count):
    return max(2, bits_for(count))


def make_strip():
    w, h = 50, 8
    global_map = palette(16, 1)
    out = bytearray(screen(w, h, global_map, background=0)) + LOOP0
    for f in range(24):
        # Most frames carry a local table of 64 or 128 entries; every fourth uses the global one.
        local = None if f % 4 == 3 else palette(64 if f % 2 == 0 else 128, f + 2)
        count = len(local) if local else len(global_map)
        trans = 0
        pixels = []
        for y in range(h):
            for x in range(w):
                # A moving bar on a transparent ground.
                inside = (x + 2 * f) % 50 < 12 and 1 <= y <= 6
                pixels.append(1 + (x * 7 + y * 3 + f) % (count - 1) if inside else trans)
        out += gce(delay=9, disposal=2, trans=trans)
        out += image(0, 0, w, h, frame_data(pixels, min_code_size(count)), lmap=local)
    out += b";"
    return bytes(out)


def make_spinner():
    w, h = 24, 24
    global_map = palette(256, 5)
    out = bytearray(screen(w, h, global_map, background=3)) + LOOP0
    out += b"!\xfe" + bytes([14]) + b"made for tests" + b"\x00"
    for f in range(48):
        if f >= 44:
            left, top, fw, fh = 11 + (f - 44), 11, 1, 1
        elif f % 3 == 1:
            left, top, fw, fh = 4 + f % 5, 6, 14, 12
        else:
            left, top, fw, fh = 0, 0, w, h
        trans = 255
        pixels = []
        for y in range(fh):
            for x in range(fw):
                cx, cy = left + x - 12, top + y - 12
                on = (cx * cx + cy * cy) < 100 and (cx + cy + f) % 4 != 0
                pixels.append((f * 5 + x + 2 * y) % 255 if on else trans)
        if fw == 1:
            pixels = [f * 3]
        out += gce(delay=4, disposal=1 if f % 2 == 0 else 2, trans=trans)
        out += image(left, top, fw, fh, frame_data(pixels, 8))
    out += b";"
    return bytes(out)


def main():
    os.makedirs(os.path.join(HERE, "data"), exist_ok=True)
    for name, data in (("strip50x8", make_strip()), ("spinner24", make_spinner())):
        with open(os.path.join(HERE, "data", name + ".gif"), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
