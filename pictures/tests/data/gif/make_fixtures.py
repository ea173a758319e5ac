#!/usr/bin/python3
"""Makes the GIF test fixtures in this directory and their expectation files.

Run with Debian's Python (it needs PIL): /usr/bin/python3 make_fixtures.py
Also needs giflib's tools (gifbuild) and ImageMagick (/usr/bin/convert).

Fixtures come from independent encoders: gifbuild (from a text description), PIL and
ImageMagick; the ones whose byte structure matters (minimum code sizes, a code table that fills
up, truncated data) are assembled here with a small LZW encoder written for this script.

For every fixture NAME.gif that giflib can decode, NAME.expect holds the frames as giflib's
gifbuild -d decodes them (for the hand-assembled ones this is also checked against the pixels
that were encoded). For damaged fixtures, NAME.expect holds what a decoder must give: the pixels
that the complete data describes and index 0 for the rest. Format:
    frames COUNT
    frame LEFT TOP WIDTH HEIGHT DAMAGED      (once per frame, followed by HEIGHT rows)
    ROW                                       (two hex digits per pixel, rows top-down)
"""
import io
import os
import random
import subprocess
import sys

from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))
CONVERT = "/usr/bin/convert"


# ---- a small GIF writer ---------------------------------------------------------------------

def lzw_encode(pixels, min_code_size, clear_first=True, reset_when_full=True, end_code=True,
               stop_after=None):
    """Returns (data bytes, list of (end bit, pixels so far) after each code).

    reset_when_full=False keeps the full table (a "deferred clear"): no entries are added once
    4096 codes exist and codes stay 12 bits wide. stop_after=N stops after N pixels (as if the
    image ended there)."""
    clear = 1 << min_code_size
    end = clear + 1
    out = bytearray()
    acc = 0
    nbits = 0
    total_bits = 0
    marks = []
    state = {"size": min_code_size + 1}

    def emit(code):
        nonlocal acc, nbits, total_bits
        acc |= code << nbits
        nbits += state["size"]
        total_bits += state["size"]
        while nbits >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            nbits -= 8

    table = {}
    next_free = clear + 2
    last_assigned = -1
    done_pixels = 0
    if clear_first:
        emit(clear)
    prefix = None
    prefix_len = 0
    if stop_after is not None:
        pixels = pixels[:stop_after]
    for p in pixels:
        if prefix is None:
            prefix, prefix_len = p, 1
            continue
        key = (prefix, p)
        if key in table:
            prefix = table[key]
            prefix_len += 1
            continue
        emit(prefix)
        done_pixels += prefix_len
        marks.append((total_bits, done_pixels))
        if next_free < 4096:
            table[key] = next_free
            last_assigned = next_free
            next_free += 1
            if last_assigned >= (1 << state["size"]) and state["size"] < 12:
                state["size"] += 1
        prefix, prefix_len = p, 1
        if reset_when_full and last_assigned > 4093:
            emit(prefix)
            done_pixels += 1
            marks.append((total_bits, done_pixels))
            emit(clear)
            table = {}
            next_free = clear + 2
            last_assigned = -1
            state["size"] = min_code_size + 1
            prefix = None
    if prefix is not None:
        emit(prefix)
        done_pixels += prefix_len
        marks.append((total_bits, done_pixels))
        if (last_assigned >= 0 and last_assigned + 1 == (1 << state["size"])
                and state["size"] < 12 and next_free < 4096):
            state["size"] += 1
    if end_code:
        emit(end)
    if nbits:
        out.append(acc & 0xFF)
    return bytes(out), marks


def sub_blocks(data, sizes=None):
    """Data sub-blocks of 255 bytes (or of the given sizes, the rest in blocks of 255)."""
    out = bytearray()
    pos = 0
    sizes = list(sizes or [])
    while pos < len(data):
        n = sizes.pop(0) if sizes else 255
        n = min(n, len(data) - pos)
        out.append(n)
        out += data[pos:pos + n]
        pos += n
    return bytes(out)


def color_map(entries, count):
    out = bytearray()
    for i in range(count):
        r, g, b = entries[i] if i < len(entries) else (0, 0, 0)
        out += bytes([r, g, b])
    return bytes(out)


def bits_for(count):
    bits = 1
    while (1 << bits) < count:
        bits += 1
    return bits


def screen(width, height, gmap=None, background=0, version=b"89a"):
    out = bytearray(b"GIF" + version)
    out += width.to_bytes(2, "little") + height.to_bytes(2, "little")
    if gmap:
        bits = bits_for(len(gmap))
        out += bytes([0x80 | ((bits - 1) << 4) | (bits - 1), background, 0])
        out += color_map(gmap, 1 << bits)
    else:
        out += bytes([0, background, 0])
    return bytes(out)


def gce(delay=0, disposal=0, trans=None):
    packed = (disposal << 2) | (1 if trans is not None else 0)
    return bytes([0x21, 0xF9, 4, packed]) + delay.to_bytes(2, "little") + \
        bytes([trans or 0, 0])


def image(left, top, width, height, data_with_blocks, lmap=None, interlaced=False):
    out = bytearray(b",")
    for v in (left, top, width, height):
        out += v.to_bytes(2, "little")
    packed = 0x40 if interlaced else 0
    if lmap:
        bits = bits_for(len(lmap))
        packed |= 0x80 | (bits - 1)
    out.append(packed)
    if lmap:
        out += color_map(lmap, 1 << bits_for(len(lmap)))
    out += data_with_blocks
    return bytes(out)


def frame_data(pixels, min_code_size, **kw):
    data, _ = lzw_encode(pixels, min_code_size, **kw)
    return bytes([min_code_size]) + sub_blocks(data) + b"\x00"


# ---- expectation files ----------------------------------------------------------------------

KEY_LETTERS = None


def parse_dump(text):
    """Frames of a gifbuild -d dump: list of (left, top, width, height, rows of indices)."""
    lines = text.splitlines()
    frames = []
    screen_keys = {}
    i = 0
    cur = None

    def read_map(start):
        keys = {}
        j = start
        index = 0
        while lines[j].strip() != "end":
            parts = lines[j].split()
            if parts and parts[0] == "rgb":
                if "is" in parts:
                    keys[parts[parts.index("is") + 1]] = index
                index += 1
            j += 1
        return keys, j + 1

    while i < len(lines):
        line = lines[i].strip()
        if line == "screen map":
            screen_keys, i = read_map(i + 1)
            continue
        if line.startswith("image #"):
            cur = {"left": 0, "top": 0, "keys": screen_keys}
            frames.append(cur)
        elif line.startswith("image left"):
            cur["left"] = int(line.split()[2])
        elif line.startswith("image top"):
            cur["top"] = int(line.split()[2])
        elif line == "image map":
            cur["keys"], i = read_map(i + 1)
            continue
        elif line.startswith("image bits"):
            parts = line.split()
            w, h = int(parts[2]), int(parts[4])
            hexmode = parts[-1] == "hex"
            rows = []
            for r in range(h):
                raw = lines[i + 1 + r].rstrip("\n")
                if hexmode:
                    rows.append([int(raw[2 * k:2 * k + 2], 16) for k in range(w)])
                else:
                    rows.append([cur["keys"][raw[k]] for k in range(w)])
            cur["width"], cur["height"], cur["rows"] = w, h, rows
            i += h + 1
            continue
        i += 1
    return [(f["left"], f["top"], f["width"], f["height"], f["rows"]) for f in frames]


def giflib_frames(path):
    result = subprocess.run(["gifbuild", "-d", path], capture_output=True, text=True)
    if result.returncode != 0:
        sys.exit(f"giflib cannot decode {path}: {result.stderr}")
    return parse_dump(result.stdout)


def write_expect(name, frames, damaged=None):
    damaged = damaged or [0] * len(frames)
    with open(os.path.join(HERE, name + ".expect"), "w") as f:
        f.write(f"frames {len(frames)}\n")
        for (left, top, w, h, rows), dmg in zip(frames, damaged):
            f.write(f"frame {left} {top} {w} {h} {dmg}\n")
            for row in rows:
                f.write("".join(f"{v:02x}" for v in row) + "\n")


def rows_of(pixels, width):
    return [pixels[k:k + width] for k in range(0, len(pixels), width)]


def save(name, data):
    with open(os.path.join(HERE, name + ".gif"), "wb") as f:
        f.write(data)


def gifbuild(name, text):
    path = os.path.join(HERE, name + ".gif")
    with open(path, "wb") as f:
        subprocess.run(["gifbuild"], input=text.encode(), stdout=f, check=True)
    write_expect(name, giflib_frames(path))


def check_against_giflib(name, expected_frames):
    got = giflib_frames(os.path.join(HERE, name + ".gif"))
    if got != expected_frames:
        sys.exit(f"{name}: giflib decodes other pixels than were encoded")


# ---- fixtures -------------------------------------------------------------------------------

def make_maps():
    gifbuild("maps", """screen width 6
screen height 4
screen colors 4
screen background 1
screen map
\trgb 255 255 255 is a
\trgb 255 000 000 is b
\trgb 000 255 000 is c
\trgb 000 000 255 is d
end
image
image left 0
image top 0
image bits 6 by 4
abcdab
bcdabc
cdabcd
dabcda
image
image left 1
image top 1
image map
\trgb 010 020 030 is x
\trgb 040 050 060 is y
end
image bits 3 by 2
xyx
yxy
image
image left 2
image top 0
image map
""" + "".join(f"\trgb {i * 16:03d} {255 - i * 16:03d} 007 is {'0123456789abcdef'[i]}\n"
              for i in range(16)) + """end
image bits 4 by 4
0123
4567
89ab
cdef
""")


def make_interlace():
    parts = ["""screen width 3
screen height 8
screen colors 8
screen background 0
screen map
""" + "".join(f"\trgb {i * 30:03d} 000 000 is {i}\n" for i in range(8)) + "end\n"]
    for h in range(1, 9):
        parts.append("image\nimage left 0\nimage top 0\nimage interlaced\n")
        parts.append(f"image bits 3 by {h}\n")
        for r in range(h):
            parts.append("".join(str((r + x) % 8) for x in range(3)) + "\n")
    gifbuild("interlace", "".join(parts))


def make_loop():
    gifbuild("loop65535", """screen width 2
screen height 2
screen colors 2
screen background 0
screen map
\trgb 000 000 000 is a
\trgb 255 255 255 is b
end
netscape loop 65535
image
image bits 2 by 2
ab
ba
image
image bits 2 by 2
ba
ab
""")


def make_comments():
    gifbuild("comments", """screen width 2
screen height 1
screen colors 2
screen background 0
screen map
\trgb 000 000 000 is a
\trgb 255 255 255 is b
end
comment
first frame
end
graphics control
\tdisposal mode 1
\tdelay 12
end
image
image bits 2 by 1
ab
comment
second
frame
end
image
image bits 2 by 1
ba
comment
after one
end
comment
after two
end
""")


def make_plaintext():
    # Graphic control, plain text, frame: the plain text discards the graphic control.
    # Plain text, graphic control, frame: the graphic control stays.
    # The 12 bytes of the plain-text header (grid position and size, cell size, colours);
    # gifbuild puts the block size 12 in front. No zero bytes: gifbuild's text is C strings.
    header = "\\x01" * 4 + "\\x02\\x01\\x01\\x01\\x01\\x01\\x01\\x01"
    gifbuild("plaintext", f"""screen width 2
screen height 1
screen colors 2
screen background 0
screen map
\trgb 000 000 000 is a
\trgb 255 255 255 is b
end
graphics control
\tdelay 5
\ttransparent index 1
end
extension 01
{header}
Hi
end
image
image bits 2 by 1
ab
extension 01
{header}
Yo
end
graphics control
\tdelay 7
\ttransparent index 0
end
image
image bits 2 by 1
ba
""")


def make_disposal():
    # Screen 4 x 3. Colours: 0 white, 1 red, 2 green, 3 blue, 4 black, 5 yellow (transparent).
    gifbuild("disposal", """screen width 4
screen height 3
screen colors 8
screen background 4
screen map
\trgb 255 255 255 is w
\trgb 255 000 000 is r
\trgb 000 255 000 is g
\trgb 000 000 255 is b
\trgb 000 000 000 is k
\trgb 255 255 000 is y
\trgb 128 128 128 is m
\trgb 000 255 255 is c
end
graphics control
\tdisposal mode 1
\tdelay 10
\ttransparent index 5
end
image
image bits 4 by 3
rrrr
rrrr
rrrr
graphics control
\tdisposal mode 2
\tdelay 20
\ttransparent index 5
end
image
image left 1
image top 1
image bits 2 by 2
yg
gg
graphics control
\tdisposal mode 3
\tdelay 30
end
image
image left 0
image top 0
image bits 2 by 1
bb
graphics control
\tdisposal mode 0
\tdelay 40
\ttransparent index 5
end
image
image left 2
image top 0
image bits 2 by 2
kk
ky
""")


def write_pam(name, width, height, rgba):
    header = (f"P7\nWIDTH {width}\nHEIGHT {height}\nDEPTH 4\nMAXVAL 255\n"
              "TUPLTYPE RGB_ALPHA\nENDHDR\n").encode()
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(header + bytes(rgba))


def make_disposal_pams():
    # What pictool writes for disposal.gif: frame 1 as giflib decodes it (yellow, index 5, is
    # transparent), and the composed screen of frame 3 worked out by hand from the disposal
    # methods (yellow, the key colour, shows where nothing is drawn).
    colors = {0: (255, 255, 255), 1: (255, 0, 0), 2: (0, 255, 0), 3: (0, 0, 255),
              4: (0, 0, 0), 5: (255, 255, 0)}
    left, top, w, h, rows = giflib_frames(os.path.join(HERE, "disposal.gif"))[1]
    rgba = []
    for row in rows:
        for v in row:
            rgba += list(colors[v]) + [0 if v == 5 else 255]
    write_pam("disposal_frame1.pam", w, h, rgba)
    letters = {"R": 1, "K": 4, "Y": 5}
    screen = ["RRKK", "RYKR", "RYYR"]
    rgba = []
    for row in screen:
        for ch in row:
            v = letters[ch]
            rgba += list(colors[v]) + [0 if v == 5 else 255]
    write_pam("disposal_screen3.pam", 4, 3, rgba)


def make_pil_anim():
    # Three frames, each with its own palette, transparency and disposal 2, as PIL writes them.
    frames = []
    for n in range(3):
        im = Image.new("P", (12, 6))
        pal = []
        for i in range(16):
            pal += [(i * 16 + n * 40) % 256, (255 - i * 16) % 256, (n * 80 + i * 3) % 256]
        im.putpalette(pal)
        im.putdata([(x * 3 + y * 5 + n) % 16 for y in range(6) for x in range(12)])
        frames.append(im)
    buf = io.BytesIO()
    frames[0].save(buf, format="GIF", save_all=True, append_images=frames[1:], loop=0,
                   duration=90, disposal=2, transparency=0, optimize=False)
    save("pil_anim", buf.getvalue())
    write_expect("pil_anim", giflib_frames(os.path.join(HERE, "pil_anim.gif")))


def make_im_anim():
    # ImageMagick: frames at offsets, disposal "previous", interlaced, looping.
    path = os.path.join(HERE, "im_anim.gif")
    subprocess.run([CONVERT, "-size", "20x10", "xc:navy",
                    "-dispose", "previous", "-delay", "15",
                    "(", "-size", "6x4", "xc:orange", "-repage", "+3+2", ")",
                    "(", "-size", "5x5", "gradient:red-green", "-repage", "+12+4", ")",
                    "-loop", "0", "-interlace", "GIF", "+dither", "-colors", "16",
                    path], check=True)
    write_expect("im_anim", giflib_frames(path))


def make_code_sizes():
    gmap = [(i, 255 - i, (i * 7) % 256) for i in range(256)]
    # 8-bit colour table, frames whose minimum code size 2..8 is smaller than the table's
    # bits: only the pixel values decide the code size.
    data = screen(8, 4, gmap)
    frames = []
    for m in range(2, 9):
        pixels = [(x * 3 + y * 7 + m) % (1 << m) for y in range(4) for x in range(8)]
        data += image(0, 0, 8, 4, frame_data(pixels, m))
        frames.append((0, 0, 8, 4, rows_of(pixels, 8)))
    save("codesize_small", data + b";")
    check_against_giflib("codesize_small", frames)
    write_expect("codesize_small", frames)

    # 2-bit colour table (4 entries), minimum code sizes 2..8 larger than needed.
    small = [(0, 0, 0), (255, 0, 0), (0, 255, 0), (0, 0, 255)]
    data = screen(8, 4, small)
    frames = []
    for m in range(2, 9):
        pixels = [(x + y * 2 + m) % 4 for y in range(4) for x in range(8)]
        data += image(0, 0, 8, 4, frame_data(pixels, m))
        frames.append((0, 0, 8, 4, rows_of(pixels, 8)))
    save("codesize_large", data + b";")
    check_against_giflib("codesize_large", frames)
    write_expect("codesize_large", frames)

    # Minimum code size 9: legal for this decoder (giflib refuses anything above 8).
    pixels = [(x * 5 + y) % 4 for y in range(4) for x in range(8)]
    save("codesize9", screen(8, 4, small) + image(0, 0, 8, 4, frame_data(pixels, 9)) + b";")
    write_expect("codesize9", [(0, 0, 8, 4, rows_of(pixels, 8))])

    # Minimum code sizes outside 2..9 (0, 1, 10, 12): clamped, the frames damaged.
    data = screen(8, 4, small)
    for m in (0, 1, 10, 12):
        # The data is what an encoder with that code size would write (as far as possible).
        enc = frame_data(pixels, max(2, min(m, 11)))
        data += image(0, 0, 8, 4, bytes([m]) + enc[1:])
    save("codesize_bad", data + b";")


def make_table_full():
    # A 256-colour noise image long enough that the code table fills to 4096 entries without
    # a clear code: the decoder must stop adding entries and go on with 12-bit codes.
    rnd = random.Random(4096)
    w, h = 80, 80
    pixels = [rnd.randrange(256) for _ in range(w * h)]
    data, marks = lzw_encode(pixels, 8, reset_when_full=False)
    assert len(marks) > 4096 - 258 + 500, "the table does not fill"
    gmap = [(i, (i * 3) % 256, (i * 5) % 256) for i in range(256)]
    save("table_full", screen(w, h, gmap) +
         image(0, 0, w, h, bytes([8]) + sub_blocks(data) + b"\x00") + b";")
    frames = [(0, 0, w, h, rows_of(pixels, w))]
    check_against_giflib("table_full", frames)
    write_expect("table_full", frames)


def make_truncated():
    # Frame 1 complete; frame 2's last data sub-block is cut short by the end of the file. The
    # sub-blocks are sized so that the complete ones end exactly after a code.
    small = [(0, 0, 0), (255, 0, 0), (0, 255, 0), (0, 0, 255)]
    w, h = 16, 16
    p1 = [(x + y) % 4 for y in range(h) for x in range(w)]
    rnd = random.Random(7)
    p2 = [rnd.randrange(4) for _ in range(w * h)]
    data2, marks = lzw_encode(p2, 2)
    # The first code boundary that falls on a byte boundary at or after byte 40.
    cut_bits, cut_pixels = next((b, p) for b, p in marks if b % 8 == 0 and b >= 320)
    first = cut_bits // 8
    blocks = bytes([2, first]) + data2[:first] + bytes([len(data2) - first]) + data2[first:]
    gif = (screen(w, h, small) + image(0, 0, w, h, frame_data(p1, 2)) +
           image(0, 0, w, h, blocks[:len(blocks) - 5]))
    save("truncated", gif)
    expected2 = p2[:cut_pixels] + [0] * (w * h - cut_pixels)
    write_expect("truncated", [(0, 0, w, h, rows_of(p1, w)), (0, 0, w, h, rows_of(expected2, w))],
                 damaged=[0, 1])


def make_short_data():
    # The end code comes after half the pixels: the rest keeps index 0 and the frame is damaged.
    small = [(0, 0, 0), (255, 0, 0), (0, 255, 0), (0, 0, 255)]
    w, h = 8, 4
    pixels = [(x * 3 + y) % 4 for y in range(h) for x in range(w)]
    save("short_data", screen(w, h, small) +
         image(0, 0, w, h, frame_data(pixels, 2, stop_after=16)) + b";")
    write_expect("short_data", [(0, 0, w, h, rows_of(pixels[:16] + [0] * 16, w))], damaged=[1])


def make_stray_bytes():
    small = [(0, 0, 0), (255, 255, 255)]
    pixels = [0, 1, 1, 0]
    body = screen(2, 2, small) + image(0, 0, 2, 2, frame_data(pixels, 2))
    # A stray byte right after a frame's data ends the parsing without an error.
    save("stray_after_frame", body + b"x" + image(0, 0, 2, 2, frame_data(pixels, 2)) + b";")
    write_expect("stray_after_frame", [(0, 0, 2, 2, rows_of(pixels, 2))])
    # No colour table anywhere: reads, but no frame can be decoded.
    save("no_color_table", screen(2, 2) + image(0, 0, 2, 2, frame_data(pixels, 2)) + b";")
    # Comments after the last frame, then a stray byte and more data: "Stream read error".
    comment = b"!\xfe\x05hello\x00"
    save("stray_after_comment", body + comment + b"x;")


def make_huge_frames():
    # A file of about two kilobytes whose 20 frames of 8192 x 8192 would take 1.3 GB decoded:
    # the picture's memory budget stops the decoding with "Out of memory".
    gray = [(i, i, i) for i in range(256)]
    frame = image(0, 0, 8192, 8192, frame_data([1], 8))
    save("huge_frames", screen(8192, 8192, gray) + frame * 20 + b";")


def main():
    make_maps()
    make_interlace()
    make_loop()
    make_comments()
    make_plaintext()
    make_disposal()
    make_disposal_pams()
    make_pil_anim()
    make_im_anim()
    make_code_sizes()
    make_table_full()
    make_truncated()
    make_short_data()
    make_stray_bytes()
    make_huge_frames()


if __name__ == "__main__":
    main()
