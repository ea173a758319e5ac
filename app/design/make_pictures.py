#!/usr/bin/python3
"""Draws every picture of the main window and writes them, with the stored forms in which a
design description embeds them.

Run with Debian's Python and Pillow (python3-pil) and the DejaVu fonts (fonts-dejavu-core):

    /usr/bin/python3 app/design/make_pictures.py [--out DIR]

DIR defaults to this folder. The script writes

    DIR/pictures/NAME.bmp|png|gif   the pictures as files
    DIR/stored/NAME.bitmap          a bitmap property's stored form: 4-byte length + bitmap file
    DIR/stored/NAME.picture         a picture holder's stored form: length byte, class name
                                    ("TBitmap" + the bitmap's stored form, "TPngGraphic" + the
                                    PNG file, "TGIFImage" + 4-byte length + GIF)
    DIR/stored/NAME.gifimage        a GIF picture property's stored form: 4-byte length + GIF

`python3 make_pictures.py --hex FILE [INDENT]` prints a stored form as the binary value a
description holds ({ then lines of 64 hexadecimal digits, then }).

Everything is drawn from code with fixed numbers (shapes at 8x size reduced with a box filter,
text with FreeType at its pixel size), so running the script again gives the same bytes.

Skins are strips of equal cells after a marker column whose top pixel is the skin's
transparent colour; a pixel of that colour is cut out of the control's window. Shapes are
anti-aliased against the colour the control stands on (white panels for the caption buttons
and switches, the question panel's pink for the answers); a pixel that a shape covers less than
a quarter becomes transparent. Every cell of a skin has the transparent pixels in the same
places, because the window takes its shape from the first cell.
"""
import argparse
import io
import os
import struct
import sys

from PIL import Image, ImageDraw, ImageFont, PngImagePlugin

HERE = os.path.dirname(os.path.abspath(__file__))
FONT_DIR = "/usr/share/fonts/truetype/dejavu"
S = 8  # supersampling factor for shapes

# ---- the palette ----------------------------------------------------------------------------

WHITE = (255, 255, 255)
NAVY = (0, 64, 128)            # the editor panel's border
BLUE = (0, 128, 192)           # the title's colour
MID_BLUE = (0, 102, 178)
LIGHT_BLUE = (147, 201, 255)   # the password panel's border
PASS_BG = (244, 244, 255)      # the password panel
PINK_BG = (255, 242, 242)      # the question panel
PINK_BORDER = (255, 176, 176)
GREEN = (46, 160, 67)
DARK_GREEN = (25, 120, 45)
RED = (214, 52, 52)
DARK_RED = (168, 22, 22)
INK = (64, 72, 84)             # dark grey-blue for glyph outlines and text
GREY = (128, 134, 144)
LIGHT_GREY = (200, 204, 210)
DISABLED = (190, 192, 196)
FACE = (246, 244, 242)         # between the flat button's white top and its bottom colour
THEMED_FACE = (240, 240, 240)  # a themed push button's face
FUCHSIA = (255, 0, 255)
BLACK = (0, 0, 0)


# ---- drawing helpers ------------------------------------------------------------------------

class Layer:
    """An RGBA drawing at S times the pixel size; coordinates are in output pixels (pixel x covers
    x .. x + 1), widths in pixels."""

    def __init__(self, w, h):
        self.w, self.h = w, h
        self.img = Image.new("RGBA", (w * S, h * S), (0, 0, 0, 0))
        self.d = ImageDraw.Draw(self.img)

    @staticmethod
    def _c(colour, alpha=255):
        return tuple(colour[:3]) + (alpha,)

    def _box(self, x0, y0, x1, y1):
        return [round(x0 * S), round(y0 * S), round(x1 * S) - 1, round(y1 * S) - 1]

    def rect(self, x0, y0, x1, y1, colour):
        self.d.rectangle(self._box(x0, y0, x1, y1), fill=self._c(colour))

    def rrect(self, x0, y0, x1, y1, r, fill=None, outline=None, width=1.0):
        self.d.rounded_rectangle(self._box(x0, y0, x1, y1), radius=round(r * S),
                                 fill=self._c(fill) if fill else None,
                                 outline=self._c(outline) if outline else None,
                                 width=round(width * S) if outline else 0)

    def ellipse(self, cx, cy, rx, ry, fill=None, outline=None, width=1.0):
        self.d.ellipse(self._box(cx - rx, cy - ry, cx + rx, cy + ry),
                       fill=self._c(fill) if fill else None,
                       outline=self._c(outline) if outline else None,
                       width=round(width * S) if outline else 0)

    def polygon(self, points, colour):
        self.d.polygon([(x * S, y * S) for x, y in points], fill=self._c(colour))

    def line(self, points, width, colour, caps=True):
        pts = [(x * S, y * S) for x, y in points]
        self.d.line(pts, fill=self._c(colour), width=max(1, round(width * S)), joint="curve")
        if caps:
            r = width * S / 2
            for x, y in (pts[0], pts[-1]):
                self.d.ellipse([x - r, y - r, x + r, y + r], fill=self._c(colour))

    def arc(self, cx, cy, r, start, end, width, colour):
        """An arc of the circle of radius r (to the middle of the stroke), angles in degrees
        clockwise from 3 o'clock, with round ends."""
        import math
        box = [(cx - r - width / 2) * S, (cy - r - width / 2) * S,
               (cx + r + width / 2) * S - 1, (cy + r + width / 2) * S - 1]
        self.d.arc(box, start, end, fill=self._c(colour), width=round(width * S))
        for a in (start, end):
            x = cx + r * math.cos(math.radians(a))
            y = cy + r * math.sin(math.radians(a))
            rr = width * S / 2
            self.d.ellipse([x * S - rr, y * S - rr, x * S + rr, y * S + rr], fill=self._c(colour))

    def image(self):
        return self.img.resize((self.w, self.h), Image.Resampling.BOX)


def over(bottom, top):
    """`top` (RGBA) over `bottom` (RGBA), same size."""
    return Image.alpha_composite(bottom, top)


def solid(w, h, colour):
    return Image.new("RGBA", (w, h), tuple(colour[:3]) + (255,))


def vertical_gradient(w, h, top, bottom):
    img = Image.new("RGBA", (w, h))
    px = img.load()
    for y in range(h):
        t = y / max(1, h - 1)
        c = tuple(round(top[i] + (bottom[i] - top[i]) * t) for i in range(3)) + (255,)
        for x in range(w):
            px[x, y] = c
    return img


def font(bold, size):
    name = "DejaVuSans-Bold.ttf" if bold else "DejaVuSans.ttf"
    return ImageFont.truetype(os.path.join(FONT_DIR, name), size)


def text_layer(w, h, x, y, text, fnt, colour):
    """Text drawn by FreeType at its pixel size (hinted, anti-aliased) on a transparent layer;
    (x, y) is the left end of the baseline."""
    layer = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    ImageDraw.Draw(layer).text((x, y), text, font=fnt, fill=tuple(colour) + (255,), anchor="ls")
    return layer


def text_width(text, fnt):
    return round(fnt.getlength(text))


def flatten(img, background):
    """An RGBA picture over an opaque colour, as RGB."""
    return over(solid(img.width, img.height, background), img).convert("RGB")


def shape_coverage(w, h, draw):
    """Coverage (0..255) of a shape drawn by `draw(layer)` in white."""
    layer = Layer(w, h)
    draw(layer)
    return layer.image().getchannel("A")


def cut_to_shape(content, coverage, outside, key):
    """A cell: where the shape covers a pixel at least a quarter, the content blended against the
    colour outside the shape by the coverage; elsewhere the transparent colour `key`."""
    w, h = content.size
    out = Image.new("RGB", (w, h))
    src = content.convert("RGB").load()
    cov = coverage.load()
    dst = out.load()
    for y in range(h):
        for x in range(w):
            a = cov[x, y]
            if a < 64:
                dst[x, y] = key
                continue
            c = tuple(round((src[x, y][i] * a + outside[i] * (255 - a)) / 255) for i in range(3))
            if c == key:  # the transparent colour never appears inside a shape
                c = tuple(min(255, v + 1) for v in c)
            dst[x, y] = c
    return out


def strip(cells, key):
    """A skin: the marker column (the transparent colour) and the cells side by side."""
    w, h = cells[0].size
    skin = Image.new("RGB", (1 + w * len(cells), h), key)
    for i, cell in enumerate(cells):
        skin.paste(cell, (1 + i * w, 0))
    return skin


# ---- caption buttons: 181 x 29, four 45 x 29 cells ------------------------------------------

CAPTION_W, CAPTION_H = 45, 29

CAPTION_STATES = {
    # state: (fill, outline, glyph colour, glyph offset)
    "normal": ((248, 249, 252), (220, 226, 235), (74, 86, 104), 0),
    "hot": ((226, 236, 248), (160, 186, 220), NAVY, 0),
    "down": ((200, 218, 240), (120, 156, 205), (0, 48, 100), 1),
    "disabled": ((246, 246, 246), (230, 230, 230), DISABLED, 0),
}
CLOSE_STATES = {
    "normal": CAPTION_STATES["normal"],
    "hot": ((253, 232, 232), (232, 160, 160), RED, 0),
    "down": ((246, 200, 200), (214, 120, 120), DARK_RED, 1),
    "disabled": CAPTION_STATES["disabled"],
}


def caption_shape(layer):
    # Hangs from the panel's top border: square top corners, rounded bottom ones.
    layer.rrect(0, -6, CAPTION_W, CAPTION_H, 5, fill=WHITE)


def glyph_info(layer, c, dy):
    layer.ellipse(23, 15 + dy, 7.4, 7.4, outline=c, width=1.35)
    layer.ellipse(23, 11.1 + dy, 1.15, 1.15, fill=c)
    layer.rect(22, 13 + dy, 24, 19 + dy, c)


def glyph_minimise(layer, c, dy):
    layer.rect(18, 17 + dy, 28, 19 + dy, c)


def glyph_close(layer, c, dy):
    layer.line([(18.5, 10.5 + dy), (27.5, 19.5 + dy)], 1.6, c)
    layer.line([(27.5, 10.5 + dy), (18.5, 19.5 + dy)], 1.6, c)


def glyph_back(layer, c, dy):
    # A left arrow whose shaft is dashed.
    layer.line([(22, 9.8 + dy), (16.8, 15 + dy), (22, 20.2 + dy)], 1.7, c)
    for x0, x1 in ((17, 21), (23, 26), (28, 31)):
        layer.rect(x0, 14 + dy, x1, 16 + dy, c)


def caption_skin(glyph, states):
    coverage = shape_coverage(CAPTION_W, CAPTION_H, caption_shape)
    cells = []
    for state in ("normal", "hot", "down", "disabled"):
        fill, outline, colour, dy = states[state]
        layer = Layer(CAPTION_W, CAPTION_H)
        layer.rrect(0, -6, CAPTION_W, CAPTION_H, 5, fill=fill, outline=outline, width=1)
        glyph(layer, colour, dy)
        cells.append(cut_to_shape(layer.image(), coverage, WHITE, FUCHSIA))
    return strip(cells, FUCHSIA)


# ---- answers: 245 x 28, four 61 x 28 cells --------------------------------------------------

ANSWER_W, ANSWER_H = 61, 28


def answer_shape(layer):
    layer.rrect(0, 0, ANSWER_W, ANSWER_H, 6, fill=WHITE)


def tick(layer, x, y, c):
    layer.line([(x, y + 5), (x + 3.6, y + 8.6), (x + 10.5, y + 1)], 2.1, c)


def cross(layer, x, y, c):
    layer.line([(x + 1, y + 1), (x + 8.5, y + 8.5)], 2.1, c)
    layer.line([(x + 8.5, y + 1), (x + 1, y + 8.5)], 2.1, c)


def answer_skin(word, mark, mark_width, states):
    coverage = shape_coverage(ANSWER_W, ANSWER_H, answer_shape)
    fnt = font(True, 12)
    cells = []
    for state in ("normal", "hot", "down", "disabled"):
        top, bottom, outline, mark_colour, text_colour, dy = states[state]
        face = vertical_gradient(ANSWER_W, ANSWER_H, top, bottom)
        frame = Layer(ANSWER_W, ANSWER_H)
        frame.rrect(0, 0, ANSWER_W, ANSWER_H, 6, outline=outline, width=1)
        gap = 5
        total = mark_width + gap + text_width(word, fnt)
        x0 = (ANSWER_W - total) // 2
        icon = Layer(ANSWER_W, ANSWER_H)
        mark(icon, x0, 9 + dy, mark_colour)
        cell = over(over(face, frame.image()), icon.image())
        cell = over(cell, text_layer(ANSWER_W, ANSWER_H, x0 + mark_width + gap, 18 + dy, word, fnt,
                                     text_colour))
        cells.append(cut_to_shape(cell, coverage, PINK_BG, FUCHSIA))
    return strip(cells, FUCHSIA)


YES_STATES = {
    # top, bottom, outline, mark, text, offset
    "normal": (WHITE, (250, 244, 244), (232, 184, 184), GREEN, (56, 60, 66), 0),
    "hot": ((238, 250, 241), (224, 243, 229), (110, 190, 130), DARK_GREEN, (24, 84, 40), 0),
    "down": ((214, 238, 221), (222, 242, 228), (70, 160, 95), (20, 105, 40), (20, 72, 34), 1),
    "disabled": ((247, 247, 247), (241, 241, 241), (222, 222, 222), DISABLED, (172, 174, 178), 0),
}
NO_STATES = {
    "normal": YES_STATES["normal"][:3] + (RED, (56, 60, 66), 0),
    "hot": ((253, 238, 238), (249, 226, 226), (226, 130, 130), (196, 36, 36), (120, 28, 28), 0),
    "down": ((246, 212, 212), (250, 224, 224), (200, 90, 90), DARK_RED, (100, 18, 18), 1),
    "disabled": YES_STATES["disabled"],
}


# ---- switches: 369 x 10, eight 46 x 10 cells ------------------------------------------------

SWITCH_W, SWITCH_H = 46, 10

# Capital letters five pixels high, for words that must fit in a 10-pixel switch.
PIXEL_FONT = {
    "В": ["###.", "#..#", "###.", "#..#", "###."],
    "Ы": ["#...#", "#...#", "###.#", "#.#.#", "###.#"],
    "К": ["#..#", "#.#.", "##..", "#.#.", "#..#"],
    "Л": [".###", ".#.#", ".#.#", ".#.#", "##.#"],
}


def pixel_word_width(word):
    return sum(len(PIXEL_FONT[ch][0]) for ch in word) + len(word) - 1


def draw_pixel_word(img, x, y, word, colour):
    px = img.load()
    for ch in word:
        rows = PIXEL_FONT[ch]
        for dy, row in enumerate(rows):
            for dx, bit in enumerate(row):
                if bit == "#":
                    px[x + dx, y + dy] = tuple(colour) + (255,)
        x += len(rows[0]) + 1


def switch_shape(layer):
    layer.rrect(0, 0, SWITCH_W, SWITCH_H, 5, fill=WHITE)


SWITCH_STATES = [
    # checked, track, outline, knob fill, knob outline, text, knob shift
    (False, (226, 230, 236), (170, 178, 190), WHITE, (150, 158, 170), (96, 104, 116), 0),   # normal
    (False, (214, 224, 238), (110, 146, 196), WHITE, (80, 128, 196), (52, 74, 110), 0),     # hot
    (False, (196, 204, 216), (100, 110, 126), (236, 236, 236), (96, 104, 118), (60, 66, 76), 2),  # down
    (False, (243, 243, 243), (214, 214, 214), (250, 250, 250), (218, 218, 218), (196, 196, 196), 0),  # disabled
    (True, (52, 168, 83), (34, 128, 60), WHITE, (34, 128, 60), WHITE, 0),                   # normal
    (True, (64, 190, 100), (26, 112, 52), WHITE, (26, 112, 52), WHITE, 0),                  # hot
    (True, (36, 138, 66), (20, 96, 44), (236, 236, 236), (20, 96, 44), (226, 240, 230), 2),  # down
    (True, (196, 226, 204), (176, 208, 184), (250, 250, 250), (184, 212, 192), (244, 250, 246), 0),  # disabled
]


def switch_skin():
    coverage = shape_coverage(SWITCH_W, SWITCH_H, switch_shape)
    cells = []
    for checked, track, outline, knob, knob_outline, text, shift in SWITCH_STATES:
        layer = Layer(SWITCH_W, SWITCH_H)
        layer.rrect(0, 0, SWITCH_W, SWITCH_H, 5, fill=track, outline=outline, width=1)
        # The knob slides a little toward the other end while pressed.
        cx = (SWITCH_W - 5 - shift) if checked else (5 + shift)
        layer.ellipse(cx, 5, 3.9, 3.9, fill=knob, outline=knob_outline, width=1)
        cell = layer.image()
        word = "ВКЛ" if checked else "ВЫКЛ"
        ww = pixel_word_width(word)
        if checked:
            x = 2 + (SWITCH_W - 10 - 2 - ww) // 2
        else:
            x = 10 + (SWITCH_W - 2 - 10 - ww + 1) // 2
        draw_pixel_word(cell, x, 3, word, text)
        cells.append(cut_to_shape(cell, coverage, WHITE, BLACK))
    return strip(cells, BLACK)


# ---- PNG pictures -----------------------------------------------------------------------------

def title_icon():
    """24 x 31: the hosts file, a page of entries with a globe (the names it resolves)."""
    w, h = 24, 31
    page = Layer(w, h)
    fold = 6
    page.polygon([(1, 1), (19 - fold, 1), (19, 1 + fold), (19, 29), (1, 29)], NAVY)
    page.polygon([(2, 2), (18.6 - fold, 2), (18, 1.4 + fold), (18, 28), (2, 28)], WHITE)
    page.polygon([(19 - fold, 1), (19 - fold, 1 + fold), (19, 1 + fold)], (190, 214, 236))
    page.line([(19 - fold + 0.5, 1), (19 - fold + 0.5, 1 + fold - 0.5), (19, 1 + fold - 0.5)], 1.0,
              NAVY, caps=False)
    for y, x1 in ((8, 14), (11, 15), (14, 12), (17, 10)):
        page.rect(4, y, x1, y + 1, BLUE)
    globe = Layer(w, h)
    cx, cy, r = 17.5, 24.5, 5.6
    globe.ellipse(cx, cy, r + 1.2, r + 1.2, fill=WHITE)
    globe.ellipse(cx, cy, r, r, fill=(214, 236, 250), outline=MID_BLUE, width=1.2)
    globe.ellipse(cx, cy, 2.3, r, outline=MID_BLUE, width=1.0)
    globe.rect(cx - r + 0.6, 24, cx + r - 0.6, 25, MID_BLUE)
    return over(page.image(), globe.image())


def arrow_icon(up):
    """24 x 24: an arrow to a bar (to the start of the text, or to its end)."""
    layer = Layer(24, 24)
    c = MID_BLUE
    if up:
        layer.rect(5, 3, 19, 5, c)
        layer.line([(12, 8.5), (12, 20.5)], 2.2, c)
        layer.line([(6.5, 13.5), (12, 8), (17.5, 13.5)], 2.2, c)
    else:
        layer.rect(5, 19, 19, 21, c)
        layer.line([(12, 3.5), (12, 15.5)], 2.2, c)
        layer.line([(6.5, 10.5), (12, 16), (17.5, 10.5)], 2.2, c)
    return layer.image()


def keyboard_icon():
    """16 x 16: a keyboard."""
    layer = Layer(16, 16)
    layer.rrect(0, 3, 16, 13, 2, fill=(236, 239, 243), outline=INK, width=1)
    for x in range(2, 14, 2):
        layer.rect(x, 5, x + 1, 6, INK)
    for x in range(3, 13, 2):
        layer.rect(x, 7, x + 1, 8, INK)
    layer.rect(4, 10, 12, 11, INK)
    return layer.image()


# ---- bitmap glyphs and images -------------------------------------------------------------------

def keyed_bitmap(drawing, background, key):
    """A glyph for a bitmap drawn with transparency: where the drawing (RGBA) covers a pixel at
    least a quarter, the drawing over the colour the glyph will stand on; the key colour
    elsewhere. The key is also the lower-left pixel, the colour the bitmap's automatic
    transparency takes."""
    flat = flatten(drawing, background)
    alpha = drawing.getchannel("A").load()
    px = flat.load()
    for y in range(flat.height):
        for x in range(flat.width):
            if alpha[x, y] < 64:
                px[x, y] = key
            elif px[x, y] == key:
                px[x, y] = tuple(min(255, v + 1) for v in key)
    assert flat.getpixel((0, flat.height - 1)) == key, "the lower-left pixel must be the key colour"
    return flat


def diskette():
    """22 x 22: a diskette."""
    w, h = 22, 22
    body = Layer(w, h)
    outline = [(2, 2), (17.5, 2), (20, 4.5), (20, 20), (2, 20)]
    body.polygon(outline, (24, 62, 120))
    body.polygon([(3, 3), (17, 3), (19, 5), (19, 19), (3, 19)], (44, 104, 180))
    # the shutter, with its window
    body.rect(6, 3, 16, 9, (200, 206, 214))
    body.rect(6, 8, 16, 9, (160, 168, 180))
    body.rect(12, 4, 14.5, 8, (44, 104, 180))
    # the label
    body.rect(5, 12, 17, 19, (250, 250, 250))
    body.rect(6.5, 14, 15.5, 15, (150, 176, 210))
    body.rect(6.5, 16.5, 13, 17.5, (150, 176, 210))
    return keyed_bitmap(body.image(), FACE, FUCHSIA)


def clipboard_glyph():
    """16 x 16: a clipboard with a page."""
    w, h = 16, 16
    layer = Layer(w, h)
    layer.rrect(2, 2, 14, 16, 1.5, fill=(150, 100, 52))
    layer.rect(4, 4, 12, 15, (252, 252, 252))
    for y, x1 in ((7, 10), (9, 11), (11, 9)):
        layer.rect(5, y, x1, y + 1, (120, 140, 170))
    layer.rrect(5, 1, 11, 4.5, 1, fill=(176, 182, 190), outline=(110, 116, 126), width=1)
    return keyed_bitmap(layer.image(), FACE, FUCHSIA)


def copy_glyph():
    """16 x 16 on magenta: two pages, the front one being copied from the back one."""
    w, h = 16, 16
    layer = Layer(w, h)
    layer.rect(2, 1, 10, 11, (110, 118, 130))
    layer.rect(3, 2, 9, 10, (236, 238, 242))
    layer.rect(6, 5, 15, 15, MID_BLUE)
    layer.rect(7, 6, 14, 14, WHITE)
    for y, x1 in ((8, 12), (10, 13), (12, 11)):
        layer.rect(8, y, x1, y + 1, (120, 150, 190))
    return keyed_bitmap(layer.image(), THEMED_FACE, FUCHSIA)


def underline():
    """61 x 2: the underline under the focused answer, on the question panel's pink."""
    w = 61
    img = Image.new("RGB", (w, 2))
    strong, soft = (222, 86, 104), (240, 170, 178)
    for x in range(w):
        # the two ends fade into the panel over three pixels
        t = min(1.0, (min(x, w - 1 - x) + 1) / 4)
        for y, c in ((0, strong), (1, soft)):
            img.putpixel((x, y), tuple(round(PINK_BG[i] + (c[i] - PINK_BG[i]) * t) for i in range(3)))
    return img


def pen(writing):
    """18 x 18 on fuchsia: a pen writing a stroke, or lifted above the finished stroke."""
    w, h = 18, 18
    stroke = Layer(w, h)
    wave = [(1.8, 14.8), (2.9, 13.6), (4.0, 14.6), (5.1, 15.4), (6.2, 14.2)]
    if writing:
        stroke.line(wave, 1.3, NAVY)
        nib_x, nib_y = 6.2, 14.2       # the nib on the stroke's end
    else:
        stroke.line(wave + [(7.2, 13.6), (8.3, 14.6)], 1.3, NAVY)
        nib_x, nib_y = 7.3, 11.5       # above the finished stroke
    body = Layer(w, h)
    import math
    ang = math.radians(-45)
    ux, uy = math.cos(ang), math.sin(ang)   # along the pen, toward the top right
    px_, py_ = -uy, ux                      # across the pen

    def at(t, s):
        return (nib_x + ux * t + px_ * s, nib_y + uy * t + py_ * s)

    body.polygon([at(0, 0), at(3.2, -1.8), at(3.2, 1.8)], (40, 40, 44))       # nib
    body.polygon([at(3.2, -1.8), at(4.3, -2.3), at(4.3, 2.3), at(3.2, 1.8)], (200, 200, 206))
    body.polygon([at(4.3, -2.3), at(11, -2.3), at(11, 2.3), at(4.3, 2.3)], MID_BLUE)
    body.polygon([at(4.3, -2.3), at(11, -2.3), at(11, -0.8), at(4.3, -0.8)], (80, 160, 222))
    body.polygon([at(11, -2.3), at(12.5, -2.3), at(12.5, 2.3), at(11, 2.3)], NAVY)
    return keyed_bitmap(over(stroke.image(), body.image()), PASS_BG, FUCHSIA)


# ---- the success animation (GIF) ------------------------------------------------------------------

GIF_SIZE = 24
GIF_FRAMES = 48
GIF_HOLD = 4  # the last frames only hold the finished picture (1 x 1, nothing drawn)


def success_frame(i):
    """Frame i of 44 drawing frames over the password panel's colour: a ring drawn clockwise
    from the top, then filled, then a tick drawn across it."""
    import math
    n = GIF_SIZE
    layer = Layer(n, n)
    cx = cy = 12
    r = 10.2
    ring_frames, fill_frames = 20, 6
    green = (46, 170, 80)
    if i < ring_frames:
        sweep = 360 * (i + 1) / ring_frames
        if sweep >= 360:
            layer.ellipse(cx, cy, r, r, outline=green, width=2.2)
        else:
            layer.arc(cx, cy, r - 1.1, -90, -90 + sweep, 2.2, green)
        return layer.image()
    f = min(1.0, (i - ring_frames + 1) / fill_frames)
    fill = tuple(round(PASS_BG[k] + (green[k] - PASS_BG[k]) * f) for k in range(3))
    layer.ellipse(cx, cy, r, r, fill=fill, outline=green, width=2.2)
    if i < ring_frames + fill_frames:
        return layer.image()
    t = (i - ring_frames - fill_frames + 1) / (GIF_FRAMES - GIF_HOLD - ring_frames - fill_frames)
    p0, p1, p2 = (6.6, 12.4), (10.4, 16.2), (17.6, 8.4)
    l1 = math.dist(p0, p1)
    l2 = math.dist(p1, p2)
    d = (l1 + l2) * t
    pts = [p0]
    if d <= l1:
        pts.append((p0[0] + (p1[0] - p0[0]) * d / l1, p0[1] + (p1[1] - p0[1]) * d / l1))
    else:
        e = (d - l1) / l2
        pts += [p1, (p1[0] + (p2[0] - p1[0]) * e, p1[1] + (p2[1] - p1[1]) * e)]
    layer.line(pts, 2.4, WHITE)
    return layer.image()


def lzw_encode(indices, min_code_size):
    """GIF's variable-length LZW: a clear code first, the table restarted when full."""
    clear = 1 << min_code_size
    end = clear + 1
    out = bytearray()
    bits = 0
    nbits = 0

    def emit(code, size):
        nonlocal bits, nbits
        bits |= code << nbits
        nbits += size
        while nbits >= 8:
            out.append(bits & 0xFF)
            bits >>= 8
            nbits -= 8

    size = min_code_size + 1
    table = {}
    next_code = end + 1
    emit(clear, size)
    prefix = None
    for k in indices:
        if prefix is None:
            prefix = k
            continue
        key = (prefix, k)
        if key in table:
            prefix = table[key]
            continue
        emit(prefix, size)
        if next_code < 4096:
            table[key] = next_code
            next_code += 1
            if next_code > (1 << size) and size < 12:
                size += 1
        else:
            emit(clear, size)
            table = {}
            next_code = end + 1
            size = min_code_size + 1
        prefix = k
    if prefix is not None:
        emit(prefix, size)
    emit(end, size)
    if nbits > 0:
        out.append(bits & 0xFF)
    return bytes(out)


def sub_blocks(data):
    out = bytearray()
    for i in range(0, len(data), 255):
        chunk = data[i:i + 255]
        out.append(len(chunk))
        out += chunk
    out.append(0)
    return bytes(out)


def success_animation():
    n = GIF_SIZE
    drawn = GIF_FRAMES - GIF_HOLD
    rgb_frames = [flatten(success_frame(i), PASS_BG) for i in range(drawn)]
    # One 256-entry global table: index 0 is transparent (it carries the panel's colour), the
    # others the frames' colours, reduced by median cut over all frames together.
    mosaic = Image.new("RGB", (n * drawn, n))
    for i, f in enumerate(rgb_frames):
        mosaic.paste(f, (i * n, 0))
    reduced = mosaic.quantize(colors=254, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
    palette = reduced.getpalette()[:254 * 3]
    colours = [tuple(palette[i * 3:i * 3 + 3]) for i in range(254)]
    table = [PASS_BG] + [PASS_BG] + colours  # 0 transparent, 1 the panel's colour drawn
    index_of = {}

    def nearest(c):
        if c not in index_of:
            if c == PASS_BG:
                index_of[c] = 1
            else:
                best = min(range(2, 256), key=lambda j: (sum((table[j][k] - c[k]) ** 2 for k in range(3)), j))
                index_of[c] = best
        return index_of[c]

    indexed = [[nearest(c) for c in f.getdata()] for f in rgb_frames]
    gif = bytearray(b"GIF89a")
    gif += struct.pack("<HHBBB", n, n, 0xF7, 0, 0)  # global table of 256, 8 bits
    for c in table:
        gif += bytes(c)
    gif += b"!\xff\x0bNETSCAPE2.0\x03\x01\x00\x00\x00"
    gif += b"!\xfe" + sub_blocks("Vornada: password accepted".encode("ascii"))
    screen = [1] * (n * n)  # what the frames so far show (1: the panel)
    first = True
    frames = []
    for i, pix in enumerate(indexed):
        if first:
            x0, y0, x1, y1 = 0, 0, n, n
            first = False
        else:
            changed = [(k % n, k // n) for k in range(n * n) if pix[k] != screen[k]]
            assert changed, "every drawing frame changes the picture"
            xs = [p[0] for p in changed]
            ys = [p[1] for p in changed]
            x0, y0, x1, y1 = min(xs), min(ys), max(xs) + 1, max(ys) + 1
        data = []
        for y in range(y0, y1):
            for x in range(x0, x1):
                k = y * n + x
                # unchanged pixels (and the panel's colour where nothing was drawn yet) are
                # transparent, so the frame only paints what it changes
                data.append(0 if pix[k] == screen[k] else pix[k])
        for k in range(n * n):
            screen[k] = pix[k]
        frames.append((x0, y0, x1 - x0, y1 - y0, 1, data))
    for j in range(GIF_HOLD):
        frames.append((0, 0, 1, 1, 2 if j == GIF_HOLD - 1 else 1, [0]))
    for x, y, w, h, disposal, data in frames:
        gif += b"!\xf9\x04" + bytes([(disposal << 2) | 1]) + struct.pack("<H", 4) + b"\x00\x00"
        gif += b"," + struct.pack("<HHHHB", x, y, w, h, 0)
        gif += bytes([8]) + sub_blocks(lzw_encode(data, 8))
    gif += b";"
    return bytes(gif)


# ---- files and stored forms --------------------------------------------------------------------

def bmp_bytes(img):
    buf = io.BytesIO()
    img.convert("RGB").save(buf, format="BMP")
    return buf.getvalue()


def png_bytes(img, description):
    info = PngImagePlugin.PngInfo()
    info.add_itxt("Description", description, lang="ru", tkey="Описание")
    buf = io.BytesIO()
    img.convert("RGBA").save(buf, format="PNG", pnginfo=info, dpi=(96, 96))
    return buf.getvalue()


def length_prefixed(data):
    return struct.pack("<I", len(data)) + data


def holder(class_name, graphic_form):
    name = class_name.encode("ascii")
    return bytes([len(name)]) + name + graphic_form


def pictures():
    """(file name, bytes, stored forms) of every picture of the window."""
    out = []

    def bitmap(name, img):
        data = bmp_bytes(img)
        out.append((name + ".bmp", data, {
            name + ".bitmap": length_prefixed(data),
            name + ".picture": holder("TBitmap", length_prefixed(data)),
        }))

    def png(name, img, description):
        data = png_bytes(img, description)
        out.append((name + ".png", data, {name + ".picture": holder("TPngGraphic", data)}))

    bitmap("skin_info", caption_skin(glyph_info, CAPTION_STATES))
    bitmap("skin_minimise", caption_skin(glyph_minimise, CAPTION_STATES))
    bitmap("skin_close", caption_skin(glyph_close, CLOSE_STATES))
    bitmap("skin_back", caption_skin(glyph_back, CAPTION_STATES))
    bitmap("skin_yes", answer_skin("Да", tick, 11, YES_STATES))
    bitmap("skin_no", answer_skin("Нет", cross, 10, NO_STATES))
    bitmap("skin_switch", switch_skin())
    png("title_icon", title_icon(), "Значок: файл hosts")
    png("arrow_up", arrow_icon(True), "Стрелка: к началу текста")
    png("arrow_down", arrow_icon(False), "Стрелка: к концу текста")
    png("keyboard", keyboard_icon(), "Значок: клавиатура")
    bitmap("glyph_diskette", diskette())
    bitmap("glyph_clipboard", clipboard_glyph())
    bitmap("glyph_copy", copy_glyph())
    bitmap("underline", underline())
    pen_writing, pen_lifted = pen(True), pen(False)
    bitmap("pen_writing", pen_writing)
    bitmap("pen_lifted", pen_lifted)
    pens = Image.new("RGB", (36, 18))
    pens.paste(pen_writing, (0, 0))
    pens.paste(pen_lifted, (18, 0))
    bitmap("pen_images", pens)
    gif = success_animation()
    out.append(("success.gif", gif, {
        "success.gifimage": length_prefixed(gif),
        "success.picture": holder("TGIFImage", length_prefixed(gif)),
    }))
    return out


def hex_block(data, indent=6):
    lines = ["{"]
    for i in range(0, len(data), 32):
        lines.append(" " * indent + data[i:i + 32].hex().upper())
    lines.append(" " * max(0, indent - 2) + "}")
    return "\n".join(lines)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--out", default=HERE, help="folder to write pictures/ and stored/ into")
    parser.add_argument("--hex", nargs="+", metavar=("FILE", "INDENT"),
                        help="print a stored form as a description's binary value")
    args = parser.parse_args()
    if args.hex:
        with open(args.hex[0], "rb") as f:
            print(hex_block(f.read(), int(args.hex[1]) if len(args.hex) > 1 else 6))
        return 0
    pictures_dir = os.path.join(args.out, "pictures")
    stored_dir = os.path.join(args.out, "stored")
    os.makedirs(pictures_dir, exist_ok=True)
    os.makedirs(stored_dir, exist_ok=True)
    for file_name, data, forms in pictures():
        with open(os.path.join(pictures_dir, file_name), "wb") as f:
            f.write(data)
        for form_name, form in forms.items():
            with open(os.path.join(stored_dir, form_name), "wb") as f:
                f.write(form)
    return 0


if __name__ == "__main__":
    sys.exit(main())
