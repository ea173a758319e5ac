#!/usr/bin/python3
"""Writes the bitmap-file fixtures of the framework's tests with independent tools: Pillow for
1-, 8-, 24- and 32-bit files, ImageMagick (convert) for 4-bit, 16-bit bit-field and 32-bit
version-5 files, and two files ImageMagick writes in a form the reader must refuse.

Every picture is 7 x 5 pixels and follows a formula that the tests compute on their own
(framework/tests/BmpFixtures.h); only the tools' files are committed. Run from anywhere:

    /usr/bin/python3 framework/tests/data/bmp/make_fixtures.py

Needs python3-pil and imagemagick (Debian). ImageMagick is called as /usr/bin/convert.
"""
import os
import subprocess
import tempfile

from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))
W, H = 7, 5
CONVERT = "/usr/bin/convert"


def direct(x, y):
    """The 24- and 32-bit pictures' colour at (x, y)."""
    return ((x * 40 + 15) % 256, (y * 60 + 30) % 256, ((x + y) * 25 + 5) % 256)


def alpha(x, y):
    return (x * 30 + y * 10 + 5) % 256


def up(k, levels):
    """An 8-bit value that both rounding and truncating map back to level k of `levels`."""
    return (k * 255 + levels - 2) // (levels - 1)


def level5(x, y):
    """5-bit red, green and blue levels of the 16-bit 5-5-5 picture."""
    return ((x * 4 + y) % 32, (x * 3 + y * 7) % 32, (x + y * 6) % 32)


def level565(x, y):
    """Red (5 bits), green (6 bits) and blue (5 bits) levels of the 16-bit 5-6-5 picture."""
    return ((x * 4 + y) % 32, (x * 9 + y * 5) % 64, (x + y * 6) % 32)


def palette6(i):
    return (i * 40, 255 - i * 30, (i * i * 7) % 256)


def palette10(i):
    return ((i * 25) % 256, (200 - i * 17) % 256, (i * 61 + 3) % 256)


def gray(x, y):
    return (x * 30 + y * 45) % 256


def one_bit_white(x, y):
    return (x * y + x) % 3 == 0


def rgb_image(colour):
    im = Image.new("RGB", (W, H))
    im.putdata([colour(x, y) for y in range(H) for x in range(W)])
    return im


def rgba_image(colour, a):
    im = Image.new("RGBA", (W, H))
    im.putdata([colour(x, y) + (a(x, y),) for y in range(H) for x in range(W)])
    return im


def out(name):
    return os.path.join(HERE, name)


def magick(im, args, name, writer="BMP"):
    """Writes `im` to a temporary PNG and lets ImageMagick's `writer` (BMP: version 5 headers,
    BMP3: 40-byte headers, BMP2: OS/2 core headers) convert it to `name`."""
    with tempfile.TemporaryDirectory() as tmp:
        source = os.path.join(tmp, "source.png")
        im.save(source)
        subprocess.run([CONVERT, source] + args + [writer + ":" + out(name)], check=True)


def main():
    # Pillow.
    one = Image.new("1", (W, H))
    one.putdata([255 if one_bit_white(x, y) else 0 for y in range(H) for x in range(W)])
    one.save(out("pil_1bit.bmp"))

    g = Image.new("L", (W, H))
    g.putdata([gray(x, y) for y in range(H) for x in range(W)])
    g.save(out("pil_8bit_gray.bmp"))

    p = Image.new("P", (W, H))
    flat = []
    for i in range(6):
        flat += list(palette6(i))
    p.putpalette(flat)
    p.putdata([(x + 2 * y) % 6 for y in range(H) for x in range(W)])
    p.save(out("pil_8bit_6_colours.bmp"))

    rgb_image(direct).save(out("pil_24bit.bmp"))
    rgba_image(direct, alpha).save(out("pil_32bit.bmp"))

    # ImageMagick.
    magick(rgb_image(lambda x, y: palette10((x + 3 * y) % 10)),
           ["-type", "palette"], "im_4bit.bmp", "BMP3")
    magick(rgb_image(lambda x, y: tuple(up(k, 32) for k in level5(x, y))),
           ["-alpha", "off", "-define", "bmp:subtype=RGB555"], "im_16bit_555_v5.bmp")
    magick(rgb_image(lambda x, y: (up(level565(x, y)[0], 32), up(level565(x, y)[1], 64),
                                   up(level565(x, y)[2], 32))),
           ["-alpha", "off", "-define", "bmp:subtype=RGB565"], "im_16bit_565_v5.bmp")
    magick(rgba_image(direct, alpha), [], "im_32bit_alpha_v5.bmp")

    # Files the reader refuses: a 40-byte header that announces bit fields but has no masks
    # after it (the rows start right after the header), and an OS/2 12-byte core header.
    magick(rgb_image(direct), ["-alpha", "off", "-define", "bmp:subtype=RGB565"],
           "bad_im_bitfields_without_masks.bmp", "BMP3")
    magick(rgb_image(direct), [], "bad_im_os2_core_header.bmp", "BMP2")


if __name__ == "__main__":
    main()
