#!/usr/bin/python3
"""Draws the program icon (a shield with a check mark over a page of lines, the hosts file kept
safe) and writes vornada.ico with 16, 32 and 48 pixel images. Run again after changing it."""
from PIL import Image, ImageDraw

def draw(size):
    s = size / 48.0
    img = Image.new("RGBA", (size, size), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    # page
    d.rounded_rectangle([6 * s, 3 * s, 34 * s, 43 * s], radius=3 * s, fill=(242, 242, 242, 255),
                        outline=(0, 64, 128, 255), width=max(1, round(2 * s)))
    for y in (11, 17, 23, 29):
        d.line([11 * s, y * s, 29 * s, y * s], fill=(0, 64, 128, 255), width=max(1, round(2 * s)))
    # shield
    shield = [(26 * s, 20 * s), (44 * s, 24 * s), (42 * s, 36 * s), (35 * s, 45 * s),
              (28 * s, 36 * s)]
    d.polygon(shield, fill=(0, 150, 0, 255), outline=(0, 90, 0, 255))
    d.line([(30 * s, 31 * s), (34 * s, 36 * s), (40 * s, 26 * s)], fill=(255, 255, 255, 255),
           width=max(1, round(3 * s)))
    return img

if __name__ == "__main__":
    images = [draw(n) for n in (48, 32, 16)]
    images[0].save("vornada.ico", sizes=[(48, 48), (32, 32), (16, 16)],
                   append_images=images[1:])
