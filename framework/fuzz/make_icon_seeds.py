#!/usr/bin/env python3
"""Writes the seed corpus of the icon-file fuzz target (corpus/icon): small icon files with
bitmap images of 1, 4, 8, 24 and 32 bits and one with a PNG header. Run from any folder."""
import os
import struct

here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "icon")


def image(w, h, bits):
    colours = (1 << bits) if bits <= 8 else 0
    header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, bits, 0, 0, 0, 0, 0, 0)
    table = b"".join(struct.pack("<I", i * 0x010203 & 0xFFFFFF) for i in range(colours))
    row = ((w * bits + 31) // 32) * 4
    mask = ((w + 31) // 32) * 4
    rows = bytes((x * 37 + y) & 0xFF for y in range(h) for x in range(row))
    masks = bytes(0xF0 if y % 2 else 0x0F for y in range(h) for _ in range(mask))
    return header + table + rows + masks


def icon(images):
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    body = b""
    for w, h, bits, data in images:
        out += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, bits, len(data), offset)
        offset += len(data)
        body += data
    return out + body


seeds = {
    "bits1.ico": icon([(8, 8, 1, image(8, 8, 1))]),
    "bits4.ico": icon([(16, 16, 4, image(16, 16, 4))]),
    "bits8_two.ico": icon([(16, 16, 8, image(16, 16, 8)), (32, 32, 8, image(32, 32, 8))]),
    "bits24.ico": icon([(16, 16, 24, image(16, 16, 24))]),
    "bits32.ico": icon([(32, 32, 32, image(32, 32, 32))]),
    "png.ico": icon([(48, 40, 32, b"\x89PNG\r\n\x1a\n\x00\x00\x00\x0dIHDR\x00\x00\x00\x30"
                                  b"\x00\x00\x00\x28\x08\x06\x00\x00\x00")]),
}
os.makedirs(here, exist_ok=True)
for name, data in seeds.items():
    with open(os.path.join(here, name), "wb") as f:
        f.write(data)
