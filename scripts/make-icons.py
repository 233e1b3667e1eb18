#!/usr/bin/env python3
"""Draws the icon's renditions from the window's 32x32 picture
(data/icons/32x32/i815quarvel.xpm): the SVG (one rectangle a run of pixels), PNGs of 16 to
256 pixels (whole multiples by repeating pixels, the others by averaging areas), and the
Windows icon, the picture itself in 16 colours as Windows 95 and NT 4 read it, into
data/icons. Run it after changing the picture;
the results are kept in the repository, so a build needs no image tools."""
import re, struct, zlib, pathlib

root = pathlib.Path(__file__).resolve().parent.parent
rows = re.findall(r'"([^"]*)"', (root / "data/icons/32x32/i815quarvel.xpm").read_text())
width, height, count, _ = map(int, rows[0].split())
palette = {}
for line in rows[1:1 + count]:
    value = line.split()[-1]
    palette[line[0]] = None if value == "None" else tuple(int(value[i:i + 2], 16) for i in (1, 3, 5))
pixels = [[palette[c] for c in row] for row in rows[1 + count:1 + count + height]]

svg = ['<?xml version="1.0" encoding="UTF-8"?>',
       '<!-- i815 Quarvel: an i815 chip with its pins, on a 32x32 grid: the same picture as the',
       '     window icon (data/icons/32x32/i815quarvel.xpm). Drawn by scripts/make-icons.py. -->',
       '<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 32 32" '
       'shape-rendering="crispEdges">']
for y, row in enumerate(pixels):
    x = 0
    while x < width:
        start, colour = x, row[x]
        while x < width and row[x] == colour:
            x += 1
        if colour:
            svg.append('  <rect x="%d" y="%d" width="%d" height="1" fill="#%02x%02x%02x"/>' % ((start, y, x - start) + colour))
svg.append('</svg>')
(root / "data/icons/i815quarvel.svg").write_text("\n".join(svg) + "\n")

def rendition(size):
    """RGBA rows: each target pixel averages the source area it covers."""
    scale = width / size
    out = []
    for ty in range(size):
        line = bytearray()
        for tx in range(size):
            acc, total = [0.0, 0.0, 0.0, 0.0], 0.0
            y0, y1, x0, x1 = ty * scale, (ty + 1) * scale, tx * scale, (tx + 1) * scale
            for sy in range(int(y0), min(height, int(y1 + 0.999999))):
                wy = min(y1, sy + 1) - max(y0, sy)
                for sx in range(int(x0), min(width, int(x1 + 0.999999))):
                    wx = min(x1, sx + 1) - max(x0, sx)
                    weight, colour = wx * wy, pixels[sy][sx]
                    total += weight
                    if colour:
                        for i in range(3):
                            acc[i] += colour[i] * weight
                        acc[3] += weight
            alpha = acc[3] / total
            rgb = [round(acc[i] / acc[3]) if acc[3] else 0 for i in range(3)]
            line += bytes(rgb + [round(alpha * 255)])
        out.append(bytes(line))
    return out

def png(rows_, size):
    raw = b"".join(b"\0" + r for r in rows_)
    chunk = lambda tag, data: struct.pack(">I", len(data)) + tag + data + struct.pack(">I", zlib.crc32(tag + data))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))

for size in (16, 22, 24, 32, 48, 64, 128, 256):
    folder = root / "data/icons" / ("%dx%d" % (size, size))
    folder.mkdir(parents=True, exist_ok=True)
    (folder / "i815quarvel.png").write_bytes(png(rendition(size), size))

def windows_icon():
    """One 32x32 image of 4 bits a pixel: the picture's own colours, an AND mask for None."""
    colours = sorted({c for row in pixels for c in row if c})
    index = {c: i for i, c in enumerate(colours)}
    palette_bytes = b"".join(bytes((b, g, r, 0)) for r, g, b in colours + [(0, 0, 0)] * (16 - len(colours)))
    xor, mask = b"", b""
    for row in reversed(pixels):  # bottom-up
        nibbles = [index[c] if c else 0 for c in row]
        xor += bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, width, 2))
        bits = "".join("1" if c is None else "0" for c in row)
        mask += int(bits, 2).to_bytes(width // 8, "big")
    header = struct.pack("<IiiHHIIiiII", 40, width, 2 * height, 1, 4, 0, len(xor) + len(mask), 0, 0, 16, 0)
    image = header + palette_bytes + xor + mask
    return struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", width, height, 16, 0, 1, 4, len(image), 22) + image

(root / "data/icons/i815quarvel.ico").write_bytes(windows_icon())
