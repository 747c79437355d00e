#!/usr/bin/env python3
"""Writes an 8-bit RGBA PNG (as scripts/render-icons.sh renders the icon) as
the XPM the player hands the window manager for its window:
    scripts/png-to-xpm.py IN.png NAME > OUT.xpm
XPM has no partial transparency: a pixel at least half opaque keeps its
colour (as if over black, by its alpha); one less than half opaque is
transparent. Colours are kept to 6 bits a channel, so that the palette stays
small enough for two-character keys."""
import struct
import sys
import zlib


def read_rgba(path):
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        sys.exit(f"{path}: not a PNG")
    pos, idat, width, height = 8, b"", 0, 0
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
            if (depth, colour, interlace) != (8, 6, 0):
                sys.exit(f"{path}: expected 8-bit RGBA, not interlaced")
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    raw, stride, rows, previous = zlib.decompress(idat), width * 4, [], bytearray(width * 4)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            left = line[i - 4] if i >= 4 else 0
            up = previous[i]
            corner = previous[i - 4] if i >= 4 else 0
            if kind == 1:
                line[i] = (line[i] + left) & 255
            elif kind == 2:
                line[i] = (line[i] + up) & 255
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                pred = left if pa <= pb and pa <= pc else up if pb <= pc else corner
                line[i] = (line[i] + pred) & 255
        rows.append(line)
        previous = line
    return width, height, rows


def main():
    path, name = sys.argv[1], sys.argv[2]
    width, height, rows = read_rgba(path)
    pixels = []
    for line in rows:
        row = []
        for x in range(width):
            r, g, b, a = line[x * 4:x * 4 + 4]
            row.append(None if a < 128 else tuple((c * a // 255) & 0xFC for c in (r, g, b)))
        pixels.append(row)
    colours = sorted({p for row in pixels for p in row if p is not None})
    symbols = "".join(chr(c) for c in range(35, 127) if chr(c) not in '"\\')
    if len(colours) + 1 > len(symbols) ** 2:
        sys.exit(f"{path}: too many colours")
    key = {None: "  "}
    for i, colour in enumerate(colours):
        key[colour] = symbols[i // len(symbols)] + symbols[i % len(symbols)]
    out = ["/* XPM */", f"static const char* {name}[] = {{",
           f'"{width} {height} {len(colours) + 1} 2",', '"   c None",']
    out += [f'"{key[c]} c #{c[0]:02x}{c[1]:02x}{c[2]:02x}",' for c in colours]
    out += ['"' + "".join(key[p] for p in row) + '",' for row in pixels]
    out[-1] = out[-1].rstrip(",")
    out.append("};")
    print("\n".join(out))


main()
