#!/usr/bin/env python3
"""Generates the toolkit's built-in images: GUI/imagedata.cpp (the title logo and the
colour arrow cursor as XPM data) and GUI/cursordata.cpp (the default arrow's bitmaps).

Needs ImageMagick's `convert` for the logo text. Run from anywhere:
    python3 scripts/gen-images.py
"""
import os
import subprocess

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CHARS = ("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
         "#$%&*+-=@.:;,<>[]{}()^~_/|!?")


def arrow_mask(row, col):
    """The solid arrow, tip at the top-left corner: a triangle for rows 0..14, then a
    tail slanting down to the right to row 22."""
    if row <= 14:
        return col <= row and not (row >= 11 and col > 10 and col > 2 * (14 - row) + 10)
    if row <= 22:
        start = 5 + (row - 15) // 2 + (row - 15) // 4
        return start <= col <= start + 3
    return False


def arrow_outline(row, col):
    if not arrow_mask(row, col):
        return False
    for dr, dc in ((-1, 0), (1, 0), (0, -1), (0, 1)):
        r, c = row + dr, col + dc
        if r < 0 or c < 0 or r > 23 or c > 23 or not arrow_mask(r, c):
            return True
    return False


def bitmap_bytes(pred):
    """A 24 x 24 X bitmap, least significant bit first."""
    out = []
    for row in range(24):
        for byte in range(3):
            value = 0
            for bit in range(8):
                if pred(row, byte * 8 + bit):
                    value |= 1 << bit
            out.append(value)
    return out


def quantised_pixels(command, width, height):
    """Runs ImageMagick and returns the picture as rows of (r, g, b)."""
    data = subprocess.run(command + ["-depth", "8", "rgb:-"], check=True,
                          stdout=subprocess.PIPE).stdout
    assert len(data) == width * height * 3, "unexpected image size"
    return [[tuple(data[(y * width + x) * 3:(y * width + x) * 3 + 3]) for x in range(width)]
            for y in range(height)]


def xpm(name, rows, cpp, transparent=None):
    """XPM lines for the pixel rows (None pixels are transparent)."""
    colours = []
    for row in rows:
        for p in row:
            if p not in colours:
                colours.append(p)
    codes = {}
    for i, colour in enumerate(colours):
        code = ""
        n = i
        for _ in range(cpp):
            code += CHARS[n % len(CHARS)]
            n //= len(CHARS)
        codes[colour] = code
    lines = ['"%d %d %d %d"' % (len(rows[0]), len(rows), len(colours), cpp)]
    for colour in colours:
        value = "None" if colour is None else "#%02X%02X%02X" % colour
        lines.append('"%s c %s"' % (codes[colour], value.replace('"', '')))
    for row in rows:
        lines.append('"' + "".join(codes[p] for p in row).replace("\\", "\\\\") + '"')
    return colours, lines


def c_array(name, lines):
    body = ",\n".join("    " + line for line in lines)
    return "const char* %s_xpm[] = {\n%s,\n};\n" % (name, body)


def logo_rows():
    # The product name in a warm gradient on a dark grey gradient, quantised so the
    # image has exactly 401 colours (a few are nudged to make up the count).
    command = ["convert", "-size", "180x45", "gradient:#383838-#161616",
               "(", "-size", "180x45", "gradient:#FFD040-#FF3000", ")",
               "(", "-size", "180x45", "xc:black", "-font", "DejaVu-Sans-Bold",
               "-pointsize", "34", "-fill", "white", "-gravity", "center",
               "-annotate", "+0+0", "Moravox", ")",
               "-composite", "-colors", "401", "+dither"]
    rows = quantised_pixels(command, 180, 45)
    return make_exact(rows, 401)


def make_exact(rows, wanted):
    """Nudges background pixels (the left column, darkest first) by one or two steps of
    a channel until the image has exactly `wanted` colours; the change is invisible."""
    colours = {p for row in rows for p in row}
    deltas = [(dr, dg, db) for dr in (0, 1, -1, 2, -2) for dg in (0, 1, -1, 2, -2)
              for db in (0, 1, -1, 2, -2) if (dr, dg, db) != (0, 0, 0)]
    positions = [(y, x) for x in (0, 1, 2, 3, 176, 177, 178, 179) for y in range(len(rows))]
    for y, x in positions:
        if len(colours) >= wanted:
            break
        base = rows[y][x]
        for d in deltas:
            candidate = tuple(min(255, max(0, base[i] + d[i])) for i in range(3))
            if candidate not in colours:
                rows[y][x] = candidate
                colours = {p for row in rows for p in row}
                break
    assert len(colours) == wanted, "the logo has %d colours" % len(colours)
    return rows


def arrow_xor_rows():
    # The arrow filled with a blue-to-cyan gradient and outlined in black on white; the
    # white below the arrow fades slightly so the image has 116 colours in all.
    inside = [(r, c) for r in range(24) for c in range(24)
              if arrow_mask(r, c) and not arrow_outline(r, c)]
    outside = [(r, c) for r in range(23, -1, -1) for c in range(23, -1, -1)
               if not arrow_mask(r, c)]
    shade = {pos: (0, 40 + 2 * i, 255 - 2 * i) for i, pos in enumerate(inside)}
    for i, pos in enumerate(outside[:114 - len(inside)]):
        shade[pos] = (255, 255, 254 - i)
    rows = [[(0, 0, 0) if arrow_outline(r, c) else shade.get((r, c), (255, 255, 255))
             for c in range(24)] for r in range(24)]
    count = len({p for row in rows for p in row})
    assert count == 116, "the arrow has %d colours" % count
    return rows


def arrow_and_rows():
    return [[(0, 0, 0) if arrow_mask(r, c) else (255, 255, 255) for c in range(24)]
            for r in range(24)]


def write(path, text):
    with open(os.path.join(ROOT, path), "w") as f:
        f.write(text)


def main():
    header = "// Generated by scripts/gen-images.py; do not edit.\n"
    _, logo = xpm("text_logo", logo_rows(), 2)
    _, xor = xpm("cursor_arrow_XOR", arrow_xor_rows(), 2)
    _, mask = xpm("cursor_arrow_AND", arrow_and_rows(), 1)
    write("GUI/imagedata.cpp",
          header + '#include "GUI/imagedata.h"\n\nnamespace velk::images {\n\nnamespace {\n\n'
          + c_array("text_logo", logo) + "\n" + c_array("cursor_arrow_AND", mask) + "\n"
          + c_array("cursor_arrow_XOR", xor)
          + "\n} // namespace\n\n"
          "const char* const* text_logo = text_logo_xpm;\n"
          "const char* const* cursor_arrow_AND = cursor_arrow_AND_xpm;\n"
          "const char* const* cursor_arrow_XOR = cursor_arrow_XOR_xpm;\n\n"
          "} // namespace velk::images\n")

    def array(name, values):
        items = ", ".join("0x%02x" % v for v in values)
        lines, line = [], "   "
        for item in items.split(", "):
            if len(line) + len(item) + 2 > 96:
                lines.append(line)
                line = "   "
            line += " " + item + ","
        lines.append(line)
        return "const unsigned char %s[72] = {\n%s\n};\n" % (name, "\n".join(lines))

    write("GUI/cursordata.cpp",
          header + '#include "GUI/cursor.h"\n\nnamespace velk::gui {\n\n'
          + array("kArrowMask", bitmap_bytes(arrow_mask)) + "\n"
          + array("kArrowOutline", bitmap_bytes(arrow_outline))
          + "\n} // namespace velk::gui\n")


if __name__ == "__main__":
    main()
