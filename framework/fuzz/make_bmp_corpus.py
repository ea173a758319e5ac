#!/usr/bin/python3
"""Writes the seed corpus of the bitmap-file fuzz target (framework/fuzz/corpus/bmp): small
valid files of every depth and header version, and damaged ones aimed at each header field,
the masks, the colour table, the pixel data offset and the rows. Plain Python, no imaging
library: the bytes are laid out here field by field.

    /usr/bin/python3 framework/fuzz/make_bmp_corpus.py
"""
import os
import struct

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "bmp")


def bmp(width, height, bits, compression=0, header_size=40, colours=None, colours_used=None,
        masks=None, gap=0, value=lambda x, y: x + y, offset=None):
    if colours is None:
        colours = (1 << bits) if bits <= 8 else 0
    if colours_used is None:
        colours_used = 0 if bits > 8 or colours == (1 << bits) else colours
    info = struct.pack("<IiiHHIIiiII", header_size, width, height, 1, bits, compression, 0,
                       2835, 2835, colours_used, 0)
    extra = b""
    if compression == 3 and masks is not None:
        packed = struct.pack("<III", *masks)
        if header_size >= 52:
            info += packed
        else:
            extra = packed
    info = info.ljust(header_size, b"\0")
    table = b"".join(struct.pack("<BBBB", (i * 37) & 255, (i * 91) & 255, (255 - i) & 255, 0)
                     for i in range(colours))
    head_len = 14 + len(info) + len(extra) + len(table) + gap
    stride = (width * bits + 31) // 32 * 4
    rows = bytearray(stride * abs(height))
    for r in range(abs(height)):
        for x in range(width):
            v = value(x, r)
            if bits == 1:
                rows[r * stride + x // 8] |= (v & 1) << (7 - x % 8)
            elif bits == 4:
                rows[r * stride + x // 2] |= (v & 15) << (4 if x % 2 == 0 else 0)
            else:
                n = bits // 8
                rows[r * stride + x * n: r * stride + x * n + n] = (v & ((1 << bits) - 1)).to_bytes(n, "little")
    if offset is None:
        offset = head_len
    size = head_len + len(rows)
    return (b"BM" + struct.pack("<IHHI", size, 0, 0, offset) + info + extra + table +
            b"\x5a" * gap + bytes(rows))


def main():
    os.makedirs(OUT, exist_ok=True)
    seeds = {
        "bpp1.bmp": bmp(9, 3, 1),
        "bpp4_short_table.bmp": bmp(5, 4, 4, colours=6),
        "bpp8.bmp": bmp(4, 3, 8),
        "bpp8_top_down_gap.bmp": bmp(3, -2, 8, colours=3, gap=7),
        "bpp16_555.bmp": bmp(3, 2, 16, value=lambda x, y: x * 1057 + y * 33),
        "bpp16_565_bitfields.bmp": bmp(3, 2, 16, 3, masks=(0xF800, 0x07E0, 0x001F)),
        "bpp24.bmp": bmp(5, 2, 24, value=lambda x, y: x * 0x10203 + y * 0x300000),
        "bpp32_v5_bitfields.bmp": bmp(2, -2, 32, 3, header_size=124,
                                      masks=(0xFF, 0xFF00, 0xFF0000)),
        "bpp24_v4_header.bmp": bmp(3, 3, 24, header_size=108),
        # damaged
        "bad_signature.bmp": b"BN" + bmp(2, 2, 24)[2:],
        "bad_header_size.bmp": bmp(2, 2, 24, header_size=40)[:14] + struct.pack("<I", 12) +
        bmp(2, 2, 24)[18:],
        "bad_planes.bmp": bmp(2, 2, 24)[:26] + struct.pack("<H", 0) + bmp(2, 2, 24)[28:],
        "bad_rle8.bmp": bmp(2, 2, 8, compression=1),
        "bad_mask_holes.bmp": bmp(2, 2, 16, 3, masks=(0xF00F, 0x0F00, 0x00F0)),
        "bad_mask_overlap.bmp": bmp(2, 2, 32, 3, masks=(0xFFFF00, 0xFF00, 0xFF)),
        "bad_too_many_colours.bmp": bmp(2, 2, 4, colours=16, colours_used=17),
        "bad_offset_into_table.bmp": bmp(2, 2, 8, offset=30),
        "bad_offset_far.bmp": bmp(2, 2, 24, offset=0x7FFFFFF0),
        "bad_huge_dimensions.bmp": bmp(2, 2, 32)[:18] + struct.pack("<ii", 30000, -30000) +
        bmp(2, 2, 32)[26:],
        "bad_rows_cut.bmp": bmp(7, 7, 24)[:-5],
        "bad_table_cut.bmp": bmp(2, 2, 8)[:200],
    }
    for name, data in seeds.items():
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
