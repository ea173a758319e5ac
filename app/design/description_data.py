#!/usr/bin/python3
"""The generated data inside the window's design description: every picture, glyph, skin and
image strip in MainForm.dfm is the stored form the picture generator wrote for that control,
and Memo2's lines are the reference text.

Run with Debian's Python:
    /usr/bin/python3 app/design/description_data.py [STORED_DIR REFERENCE]
checks MainForm.dfm against the generated files (by default this folder's stored/ and
reference.txt); exit status 1 names every mismatch.
    /usr/bin/python3 app/design/description_data.py --write
puts the generated files into MainForm.dfm (after running the generators), leaving the rest of
the description as it is.
"""
import os
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))

# Which stored form each binary property of the description holds.
EXPECTED = {
    ("ImageTitle", "Picture.Data"): "title_icon.picture",
    ("SkImgCheckBox1", "Skin.Data"): "skin_switch.bitmap",
    ("SkImgCheckBox2", "Skin.Data"): "skin_switch.bitmap",
    ("SkImgCheckBox3", "Skin.Data"): "skin_switch.bitmap",
    ("FlButton1", "Glyph.Data"): "glyph_diskette.picture",
    ("FlButton6", "Glyph.Data"): "glyph_clipboard.picture",
    ("BtnInfo", "Skin.Data"): "skin_info.bitmap",
    ("BtnMin", "Skin.Data"): "skin_minimise.bitmap",
    ("BtnClose", "Skin.Data"): "skin_close.bitmap",
    ("FlButton2", "Glyph.Data"): "arrow_up.picture",
    ("FlButton3", "Glyph.Data"): "arrow_down.picture",
    ("Image2", "Picture.Data"): "underline.picture",
    ("BtnYES", "Skin.Data"): "skin_yes.bitmap",
    ("BtnNO", "Skin.Data"): "skin_no.bitmap",
    ("FxBitBtn1", "Glyph.Data"): "glyph_copy.bitmap",
    ("FlButton4", "Glyph.Data"): "arrow_up.picture",
    ("FlButton5", "Glyph.Data"): "arrow_down.picture",
    ("BtnBack3", "Skin.Data"): "skin_back.bitmap",
    ("BtnMin3", "Skin.Data"): "skin_minimise.bitmap",
    ("BtnClose3", "Skin.Data"): "skin_close.bitmap",
    ("GifAnimator2", "Image.Data"): "success.gifimage",
    ("Image3", "Picture.Data"): "keyboard.picture",
    ("BtnClose2", "Skin.Data"): "skin_close.bitmap",
    ("TypeImageList1", "Bitmap"): "pen_images.bitmap",
}


def binary_values(text):
    """(component, property) -> bytes for every `Name = { hex }` value."""
    values = {}
    component = None
    lines = text.split("\n")
    i = 0
    while i < len(lines):
        line = lines[i].strip()
        m = re.match(r"object (\w+):", line)
        if m:
            component = m.group(1)
        m = re.match(r"([\w.]+) = \{$", line)
        if m:
            digits = []
            i += 1
            while lines[i].strip() != "}":
                digits.append(lines[i].strip())
                i += 1
            values[(component, m.group(1))] = bytes.fromhex("".join(digits))
        i += 1
    return values


def memo2_lines(text):
    m = re.search(r"object Memo2: TMemo\n(.*?)\n    end\n", text, re.S)
    if not m:
        return None
    lm = re.search(r"Lines\.Strings = \(\n(.*?)\)\n", m.group(1), re.S)
    if not lm:
        return None
    return [re.fullmatch(r"\s*'(.*)'", l).group(1).replace("''", "'")
            for l in lm.group(1).split("\n")]


def hex_block(data, indent):
    """A binary value as a description writes it: {, lines of 64 hex digits, } on its own line."""
    rows = [" " * (indent + 2) + data[i:i + 32].hex().upper() for i in range(0, len(data), 32)]
    return "{\n" + "".join(r + "\n" for r in rows) + " " * indent + "}"


def write():
    path = os.path.join(HERE, "MainForm.dfm")
    with open(path, encoding="latin-1", newline="") as f:
        lines = f.read().split("\n")
    out = []
    component = None
    i = 0
    while i < len(lines):
        line = lines[i]
        m = re.match(r"\s*object (\w+):", line)
        if m:
            component = m.group(1)
        m = re.match(r"(\s*)([\w.]+) = \{$", line)
        if m and (component, m.group(2)) in EXPECTED:
            indent = len(m.group(1))
            with open(os.path.join(HERE, "stored", EXPECTED[(component, m.group(2))]), "rb") as f:
                data = f.read()
            out.append(m.group(1) + m.group(2) + " = " + hex_block(data, indent))
            while lines[i].strip() != "}":
                i += 1
            i += 1
            continue
        out.append(line)
        i += 1
    text = "\n".join(out)
    # Memo2's lines: the reference text, one quoted string a line.
    with open(os.path.join(HERE, "reference.txt"), "rb") as f:
        reference = f.read().decode("ascii").split("\r\n")[:-1]
    memo = text.index("object Memo2: TMemo\n")
    m = re.compile(r"( *)Lines\.Strings = \(\n.*?\)\n", re.S).search(text, memo)
    pad = m.group(1)
    items = "\n".join(pad + "  '" + line.replace("'", "''") + "'" for line in reference)
    text = text[:m.start()] + pad + "Lines.Strings = (\n" + items + ")\n" + text[m.end():]
    with open(path, "w", encoding="latin-1", newline="") as f:
        f.write(text)
    return 0


def main():
    if sys.argv[1:] == ["--write"]:
        return write()
    stored = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "stored")
    reference = sys.argv[2] if len(sys.argv) > 2 else os.path.join(HERE, "reference.txt")
    with open(os.path.join(HERE, "MainForm.dfm"), encoding="latin-1", newline="") as f:
        text = f.read().replace("\r\n", "\n")
    problems = []
    values = binary_values(text)
    for key in sorted(set(values) - set(EXPECTED)):
        problems.append("%s.%s: binary data the check does not know" % key)
    for key, name in sorted(EXPECTED.items()):
        with open(os.path.join(stored, name), "rb") as f:
            want = f.read()
        if key not in values:
            problems.append("%s.%s: missing (should hold %s)" % (key[0], key[1], name))
        elif values[key] != want:
            problems.append("%s.%s: differs from %s" % (key[0], key[1], name))
    with open(reference, "rb") as f:
        want_lines = f.read().decode("ascii").split("\r\n")[:-1]
    if memo2_lines(text) != want_lines:
        problems.append("Memo2.Lines.Strings: differs from the reference text")
    for p in problems:
        print("description_data: " + p, file=sys.stderr)
    if not problems:
        print("description_data: %d binary values and Memo2's %d lines match the generated files"
              % (len(values), len(want_lines)))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
