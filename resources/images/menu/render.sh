#!/bin/sh
# Renders the menu's and the balloons' pictures from their SVG sources
# (librsvg2-bin) and draws the menu button's picture pixel by pixel. Run
# after editing a source; the PNGs are committed so the build needs neither.
#   resources/images/menu/render.sh
set -eu
cd "$(dirname "$0")/.."
for svg in menu/*.svg hints/*.svg; do
    rsvg-convert --format=png --output="${svg%.svg}.png" "$svg"
done

# The button's picture is 24-bit without alpha: magenta, the colour of its
# bottom-left pixel, marks what is see-through, so nothing may be blended
# with it.
python3 - btnmenu.png <<'PY'
import struct, sys, zlib
M, B, D, W = (255, 0, 255), (0x1c, 0x5c, 0xc4), (0x0e, 0x3a, 0x85), (255, 255, 255)
px = [[M] * 16 for _ in range(16)]
for y in range(1, 15):
    for x in range(1, 15):
        px[y][x] = D if x in (1, 14) or y in (1, 14) else B
for row, (a, b) in enumerate([(4, 11), (5, 10), (6, 9), (7, 8)]):  # triangle pointing down
    for x in range(a, b + 1):
        px[6 + row][x] = W
raw = b"".join(b"\0" + bytes(c for p in r for c in p) for r in px)
def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 16, 16, 8, 2, 0, 0, 0)) \
    + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
open(sys.argv[1], "wb").write(png)
PY
