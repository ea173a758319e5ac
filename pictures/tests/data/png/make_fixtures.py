#!/usr/bin/python3
"""Writes the PNG test fixtures of this directory.

Valid images come from encoders independent of ours: Pillow (python3-pil) and ImageMagick
(/usr/bin/convert) for the formats Pillow cannot write (16-bit colour, 2- and 4-bit gray,
Adam7 interlacing). Files that need a particular chunk layout (several IDAT chunks, a trailing
IDAT, a cHRM chunk, wrong CRCs) are re-chunked from those encoders' output, and the broken
files are assembled here with Python's zlib. Every file is small; the set is committed and
this script rebuilds it byte for byte:

    /usr/bin/python3 make_fixtures.py        (run in this directory)

Run with Debian's /usr/bin/python3, which has Pillow.
"""
import io
import os
import random
import struct
import subprocess
import sys
import tempfile
import zlib

from PIL import Image, PngImagePlugin

HERE = os.path.dirname(os.path.abspath(__file__))
CONVERT = "/usr/bin/convert"
SIGNATURE = b"\x89PNG\r\n\x1a\n"


# ---- chunk helpers ----

def chunk(ctype, data):
    return struct.pack(">I", len(data)) + ctype + data + struct.pack(">I", zlib.crc32(ctype + data))


def split_chunks(png):
    assert png[:8] == SIGNATURE
    pos, out = 8, []
    while pos < len(png):
        (length,) = struct.unpack(">I", png[pos:pos + 4])
        ctype = png[pos + 4:pos + 8]
        out.append((ctype, png[pos + 8:pos + 8 + length]))
        pos += 12 + length
    return out


def join_chunks(chunks):
    return SIGNATURE + b"".join(chunk(t, d) for t, d in chunks)


def ihdr(width, height, depth, colour, interlace=0, compression=0, filt=0):
    return struct.pack(">IIBBBBB", width, height, depth, colour, compression, filt, interlace)


def raw_rows(rows):
    """Rows of bytes, each prefixed with filter type 0."""
    return b"".join(b"\x00" + bytes(r) for r in rows)


def header_of(png):
    t, d = split_chunks(png)[0]
    assert t == b"IHDR"
    return struct.unpack(">IIBBBBB", d)


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


# ---- deterministic content ----

def noise(seed):
    rng = random.Random(seed)
    return lambda: rng.random()


def rgba_pixels(width, height, seed):
    rnd = noise(seed)
    px = []
    for y in range(height):
        for x in range(width):
            r = (x * 255) // max(1, width - 1)
            g = (y * 255) // max(1, height - 1)
            b = int(rnd() * 256) & 0xFF
            inside = (x - width / 2) ** 2 + (y - height / 2) ** 2 < (min(width, height) / 3) ** 2
            a = 255 if inside else (x * 7 + y * 13) % 256
            px.append((r, g, b, a))
    return px


def pil_png(image, **params):
    buf = io.BytesIO()
    image.save(buf, "PNG", **params)
    return buf.getvalue()


def magick(args, src_bytes, src_ext):
    with tempfile.TemporaryDirectory() as tmp:
        src = os.path.join(tmp, "in." + src_ext)
        dst = os.path.join(tmp, "out.png")
        with open(src, "wb") as f:
            f.write(src_bytes)
        fmt = args[-1] if args and args[-1].endswith(":") else ""
        opts = args[:-1] if fmt else args
        subprocess.run([CONVERT, src, "-define", "png:exclude-chunk=all"] + opts + [fmt + dst],
                       check=True)
        with open(dst, "rb") as f:
            return f.read()


def pam(width, height, depth, maxval, tupltype, samples):
    head = ("P7\nWIDTH %d\nHEIGHT %d\nDEPTH %d\nMAXVAL %d\nTUPLTYPE %s\nENDHDR\n"
            % (width, height, depth, maxval, tupltype)).encode()
    fmt = ">%dH" if maxval > 255 else "%dB"
    return head + struct.pack(fmt % len(samples), *samples)


def expect(png, depth, colour, interlace):
    w, h, d, c, _, _, i = header_of(png)
    assert (d, c, i) == (depth, colour, interlace), (d, c, i, depth, colour, interlace)
    return png


# ---- valid images ----

def valid_fixtures():
    W, H = 37, 23
    px = rgba_pixels(W, H, 1)
    rgba = Image.new("RGBA", (W, H))
    rgba.putdata(px)
    rgb = rgba.convert("RGB")
    gray = rgb.convert("L")

    out = {}
    out["gray1.png"] = expect(pil_png(gray.convert("1")), 1, 0, 0)
    out["gray8.png"] = expect(pil_png(gray), 8, 0, 0)
    g16 = Image.new("I;16", (W, H))
    g16.putdata([(p[0] * 257 + p[2]) & 0xFFFF for p in px])
    out["gray16.png"] = expect(pil_png(g16), 16, 0, 0)
    out["rgb8.png"] = expect(pil_png(rgb), 8, 2, 0)
    out["rgba8.png"] = expect(pil_png(rgba), 8, 6, 0)
    la = rgba.convert("LA")
    out["ga8.png"] = expect(pil_png(la), 8, 4, 0)

    # Palettes of 2, 4, 16 and 256 entries.
    for bits in (1, 2, 4, 8):
        pal = rgb.quantize(colors=1 << bits, dither=Image.Dither.NONE)
        out["pal%d.png" % bits] = expect(pil_png(pal, bits=bits), bits, 3, 0)

    # Transparency: palette with many alpha values (blended), one alpha-0 entry (key colour),
    # one partly transparent entry; gray and RGB key colours.
    pal8 = rgb.quantize(colors=200, dither=Image.Dither.NONE)
    out["pal8_trns.png"] = expect(pil_png(pal8, transparency=bytes((i * 37) % 256 for i in range(200))), 8, 3, 0)
    pal4 = rgb.quantize(colors=16, dither=Image.Dither.NONE)
    out["pal4_key.png"] = expect(pil_png(pal4, bits=4, transparency=bytes([255, 255, 0])), 4, 3, 0)
    out["pal4_partial.png"] = expect(pil_png(pal4, bits=4, transparency=bytes([255, 128])), 4, 3, 0)
    out["gray8_trns.png"] = expect(pil_png(gray, transparency=gray.getpixel((3, 3))), 8, 0, 0)
    out["rgb8_trns.png"] = expect(pil_png(rgb, transparency=rgb.getpixel((5, 2))), 8, 2, 0)

    # Formats Pillow cannot write, from ImageMagick.
    rgb16 = pam(W, H, 3, 65535, "RGB", [(v << 8) | ((x * 37 + v) & 0xFF) for p in px for x, v in enumerate(p[:3])])
    rgba16 = pam(W, H, 4, 65535, "RGB_ALPHA", [(v << 8) | ((x * 91 + v) & 0xFF) for p in px for x, v in enumerate(p)])
    ga16 = pam(W, H, 2, 65535, "GRAYSCALE_ALPHA",
               [(v << 8) | ((v * 13 + i) & 0xFF) for p in px for i, v in enumerate((p[0], p[3]))])
    ga8 = pam(W, H, 2, 255, "GRAYSCALE_ALPHA", [v for p in px for v in (p[1], p[3])])
    gray2 = pam(W, H, 1, 3, "GRAYSCALE", [p[0] >> 6 for p in px])
    gray4 = pam(W, H, 1, 15, "GRAYSCALE", [p[1] >> 4 for p in px])
    rgba8 = pam(W, H, 4, 255, "RGB_ALPHA", [v for p in px for v in p])
    gray_opts = lambda d: ["-define", "png:color-type=0", "-define", "png:bit-depth=%d" % d]
    out["rgb16.png"] = expect(magick(["-depth", "16", "PNG48:"], rgb16, "pam"), 16, 2, 0)
    out["rgba16.png"] = expect(magick(["-depth", "16", "PNG64:"], rgba16, "pam"), 16, 6, 0)
    out["ga16.png"] = expect(magick(["-depth", "16", "-define", "png:color-type=4", "-define", "png:bit-depth=16"], ga16, "pam"), 16, 4, 0)
    out["gray2.png"] = expect(magick(["-depth", "2"] + gray_opts(2), gray2, "pam"), 2, 0, 0)
    out["gray4.png"] = expect(magick(["-depth", "4"] + gray_opts(4), gray4, "pam"), 4, 0, 0)
    chunks = split_chunks(out["gray2.png"])
    out["gray2_trns.png"] = join_chunks(chunks[:1] + [(b"tRNS", struct.pack(">H", 2))] + chunks[1:])

    # Adam7 interlacing, also of images smaller than a pass.
    il = ["-interlace", "PNG"]
    out["rgba8_i.png"] = expect(magick(il + ["PNG32:"], rgba8, "pam"), 8, 6, 1)
    out["rgb16_i.png"] = expect(magick(il + ["-depth", "16", "PNG48:"], rgb16, "pam"), 16, 2, 1)
    out["ga8_i.png"] = expect(magick(il + ["-define", "png:color-type=4", "-define", "png:bit-depth=8"], ga8, "pam"), 8, 4, 1)
    out["gray2_i.png"] = expect(magick(il + ["-depth", "2"] + gray_opts(2), gray2, "pam"), 2, 0, 1)
    out["gray1_i.png"] = expect(magick(il + ["-depth", "1"] + gray_opts(1),
                                       pam(W, H, 1, 1, "GRAYSCALE", [p[2] >> 7 for p in px]), "pam"), 1, 0, 1)
    pal_src = pal4.convert("RGB").tobytes()
    out["pal4_i.png"] = expect(magick(il + ["-define", "png:bit-depth=4", "PNG8:"],
                                      pam(W, H, 3, 255, "RGB", list(pal_src)), "pam"), 4, 3, 1)
    tiny = pam(3, 2, 4, 255, "RGB_ALPHA", [10, 20, 30, 255, 40, 50, 60, 0, 70, 80, 90, 128,
                                          100, 110, 120, 1, 130, 140, 150, 254, 160, 170, 180, 77])
    out["tiny_i.png"] = expect(magick(il + ["PNG32:"], tiny, "pam"), 8, 6, 1)

    # The form of the window's pictures: 8-bit RGBA with pHYs and iTXt.
    icon = Image.new("RGBA", (24, 31))
    icon.putdata(rgba_pixels(24, 31, 7))
    info = PngImagePlugin.PngInfo()
    info.add_itxt("Comment", "Vornada icon \u2713", lang="en", tkey="Kommentar")
    out["icon_phys_itxt.png"] = expect(pil_png(icon, pnginfo=info, dpi=(72, 72)), 8, 6, 0)

    # Ancillary chunks: gAMA (0.5 and the usual 1/2.2), tEXt, zTXt, tIME, sBIT.
    info = PngImagePlugin.PngInfo()
    info.add(b"gAMA", struct.pack(">I", 50000))
    info.add_text("Title", "gamma 0.5")
    info.add_text("Note", "compressed text", zip=True)
    info.add(b"tIME", struct.pack(">HBBBBB", 2021, 12, 31, 23, 59, 58))
    info.add(b"sBIT", bytes([8, 8, 8]))
    out["gamma50000.png"] = expect(pil_png(rgb, pnginfo=info), 8, 2, 0)
    info = PngImagePlugin.PngInfo()
    info.add(b"gAMA", struct.pack(">I", 45455))
    out["gamma45455.png"] = expect(pil_png(rgb, pnginfo=info), 8, 2, 0)
    info = PngImagePlugin.PngInfo()
    info.add(b"gAMA", struct.pack(">I", 100000))
    out["pal8_gamma.png"] = expect(pil_png(pal8, pnginfo=info), 8, 3, 0)
    out["gray4_gamma.png"] = expect(magick(["-depth", "4"] + gray_opts(4), gray4, "pam"), 4, 0, 0)
    chunks = split_chunks(out["gray4_gamma.png"])
    chunks.insert(1, (b"gAMA", struct.pack(">I", 70000)))
    out["gray4_gamma.png"] = join_chunks(chunks)

    # Chunk layouts: several IDAT chunks, a trailing IDAT holding only the zlib checksum,
    # cHRM before and after PLTE, wrong CRCs everywhere.
    chunks = split_chunks(out["rgba8.png"])
    idat = b"".join(d for t, d in chunks if t == b"IDAT")
    rest = [(t, d) for t, d in chunks if t not in (b"IDAT", b"IEND")]
    pieces = [idat[i:i + 97] for i in range(0, len(idat), 97)]
    out["multi_idat.png"] = join_chunks(rest + [(b"IDAT", p) for p in pieces] + [(b"IEND", b"")])
    out["trailing_idat.png"] = join_chunks(rest + [(b"IDAT", idat[:-4]), (b"IDAT", idat[-4:]),
                                                   (b"IEND", b"")])
    chunks = split_chunks(out["pal4.png"])
    chrm = struct.pack(">8I", 31270, 32900, 64000, 33000, 30000, 60000, 15000, 6000)
    out["chrm.png"] = join_chunks(chunks[:1] + [(b"cHRM", chrm)] + chunks[1:2] + [(b"cHRM", chrm)]
                                  + chunks[2:])
    bad = bytearray(out["gray8.png"])
    pos = 8
    while pos < len(bad):
        (length,) = struct.unpack(">I", bad[pos:pos + 4])
        bad[pos + 8 + length] ^= 0x5A  # first CRC byte
        pos += 12 + length
    out["bad_crcs.png"] = bytes(bad)

    # Largest width the picture takes: 65535 x 2, 1-bit gray.
    rows = [bytes([0xAA] * 8191 + [0x80]), bytes([0x0F] * 8192)]
    out["width65535.png"] = join_chunks([(b"IHDR", ihdr(65535, 2, 1, 0)),
                                         (b"IDAT", zlib.compress(raw_rows(rows), 9)),
                                         (b"IEND", b"")])
    return out


# ---- broken images (expected error kind in the file name's table in the tests) ----

def broken_fixtures():
    gray_rows = [[(x * 40 + y * 10) % 256 for x in range(4)] for y in range(4)]
    good_idat = zlib.compress(raw_rows(gray_rows))
    head = (b"IHDR", ihdr(4, 4, 8, 0))
    end = (b"IEND", b"")

    def png(*chunks):
        return join_chunks(list(chunks))

    out = {}
    out["err_signature.png"] = b"\x89PNG\r\n\x1a\x0a"[:7] + b"\x00" + png(head, (b"IDAT", good_idat), end)[8:]
    out["err_empty.png"] = b""
    out["err_ihdr_not_first.png"] = png((b"gAMA", struct.pack(">I", 45455)), head, (b"IDAT", good_idat), end)
    out["err_ihdr_short.png"] = png((b"IHDR", ihdr(4, 4, 8, 0)[:12]), (b"IDAT", good_idat), end)
    out["err_width65536.png"] = png((b"IHDR", ihdr(65536, 1, 8, 0)), (b"IDAT", good_idat), end)
    out["err_height65536.png"] = png((b"IHDR", ihdr(1, 65536, 8, 0)), (b"IDAT", good_idat), end)
    out["err_compression.png"] = png((b"IHDR", ihdr(4, 4, 8, 0, compression=1)), (b"IDAT", good_idat), end)
    out["err_interlace2.png"] = png((b"IHDR", ihdr(4, 4, 8, 0, interlace=2)), (b"IDAT", good_idat), end)
    out["err_zero_width.png"] = png((b"IHDR", ihdr(0, 4, 8, 0)), (b"IDAT", good_idat), end)
    out["err_colour1.png"] = png((b"IHDR", ihdr(4, 4, 8, 1)), (b"IDAT", good_idat), end)
    out["err_colour7.png"] = png((b"IHDR", ihdr(4, 4, 8, 7)), (b"IDAT", good_idat), end)
    out["err_rgb_depth4.png"] = png((b"IHDR", ihdr(4, 4, 4, 2)), (b"IDAT", good_idat), end)
    out["err_ga_depth1.png"] = png((b"IHDR", ihdr(4, 4, 1, 4)), (b"IDAT", good_idat), end)
    out["err_pal_depth16.png"] = png((b"IHDR", ihdr(4, 4, 16, 3)), (b"IDAT", good_idat), end)
    pal_head = (b"IHDR", ihdr(4, 4, 8, 3))
    out["err_plte_length.png"] = png(pal_head, (b"PLTE", bytes(10)), (b"IDAT", good_idat), end)
    out["err_plte_257.png"] = png(pal_head, (b"PLTE", bytes(771)), (b"IDAT", good_idat), end)
    out["err_plte_empty.png"] = png(pal_head, (b"PLTE", b""), (b"IDAT", good_idat), end)
    out["err_trns_257.png"] = png(pal_head, (b"PLTE", bytes(range(48))), (b"tRNS", bytes(257)),
                                  (b"IDAT", good_idat), end)
    out["err_no_idat.png"] = png(head, end)
    # 69 bytes that declare 60000 x 60000 gray pixels (3.4 GB): beyond any picture's memory
    # budget, so loading fails before the image is made.
    out["err_declares_60000.png"] = png((b"IHDR", ihdr(60000, 60000, 8, 0)),
                                        (b"IDAT", zlib.compress(bytes(3))), end)
    # Image data that stops after two rows, then IEND.
    half = zlib.compressobj()
    partial = half.compress(raw_rows(gray_rows)) + half.flush(zlib.Z_SYNC_FLUSH)
    out["err_missing_parts.png"] = png(head, (b"IDAT", partial[:len(partial) // 2]), end)
    # A complete zlib stream holding only two rows, followed by IEND.
    out["err_short_stream.png"] = png(head, (b"IDAT", zlib.compress(raw_rows(gray_rows[:2]))), end)
    # The same, with unread bytes after the stream in the same chunk.
    out["err_stream_end.png"] = png(head, (b"IDAT", zlib.compress(raw_rows(gray_rows[:2])) + bytes(16)), end)
    # Corrupt deflate data and a corrupt zlib header.
    corrupt = bytearray(good_idat)
    corrupt[2] = 0xFF  # block type 3 (reserved)
    out["err_zlib_data.png"] = png(head, (b"IDAT", bytes(corrupt)), end)
    out["err_zlib_header.png"] = png(head, (b"IDAT", b"\x78\x00" + good_idat[2:]), end)
    # A zlib stream that asks for a preset dictionary.
    dict_stream = zlib.compressobj(zdict=b"vornada preset dictionary")
    with_dict = dict_stream.compress(raw_rows(gray_rows)) + dict_stream.flush()
    out["err_dictionary.png"] = png(head, (b"IDAT", with_dict), end)
    # Image data continued by a chunk that is not IDAT.
    out["err_idat_then_text.png"] = png(head, (b"IDAT", good_idat[:10]), (b"tEXt", b"a\x00b"),
                                        (b"IDAT", good_idat[10:]), end)
    # The file ends inside the image data, after the image data, and inside a chunk.
    full = png(head, (b"IDAT", good_idat), end)
    out["err_cut_in_idat.png"] = full[:8 + 25 + 8 + len(good_idat) // 2]
    out["err_cut_after_idat.png"] = full[:8 + 25 + 12 + len(good_idat)]
    out["err_cut_in_length.png"] = full[:8 + 25 + 12 + len(good_idat) + 2]
    return out


def expected_pams(fixtures):
    """RGBA PAM files of some fixtures as Pillow decodes them, for pictool's decode command."""
    out = {}
    for name in ("icon_phys_itxt.png", "pal8_trns.png"):
        image = Image.open(io.BytesIO(fixtures[name])).convert("RGBA")
        w, h = image.size
        out[name[:-4] + ".pam"] = pam(w, h, 4, 255, "RGB_ALPHA", list(image.tobytes()))
    return out


def main():
    fixtures = valid_fixtures()
    fixtures.update(broken_fixtures())
    fixtures.update(expected_pams(fixtures))
    for name, data in sorted(fixtures.items()):
        write(name, data)
    print("wrote %d fixtures" % len(fixtures))


if __name__ == "__main__":
    sys.exit(main())
