#!/usr/bin/env python3
"""Draws the program icon (32x32 and 16x16, 16 colours) into resources/corvel.ico, or with
--sample the icon of the test tool's sample program into tests/tools/targets.ico."""
import struct, sys

PALETTE = [(0,0,0),(128,0,0),(0,128,0),(128,128,0),(0,0,128),(128,0,128),(0,128,128),(192,192,192),
           (128,128,128),(255,0,0),(0,255,0),(255,255,0),(0,0,255),(255,0,255),(0,255,255),(255,255,255)]

def pixel(x, y, n):
    """A navy window with a blue title bar and a white arrow pointing down-right to the tray."""
    s = n / 32.0
    X, Y = x / s, y / s
    if 2 <= X < 30 and 4 <= Y < 28:
        if X < 3 or X >= 29 or Y < 5 or Y >= 27:
            return 0            # black frame
        if Y < 10:
            return 12           # blue title bar
        # arrow from the centre towards the lower right corner
        if abs((X - 8) - (Y - 12)) < 2.2 and 8 <= X <= 24:
            return 15
        if 19 <= X <= 25 and 21 <= Y <= 25 and X + Y >= 43:
            return 15
        return 7                # silver client area
    return None                 # transparent

def sample_pixel(x, y, n):
    """A yellow disc with a black rim and a red centre."""
    s = n / 32.0
    d = ((x / s - 15.5) ** 2 + (y / s - 15.5) ** 2) ** 0.5
    if d < 6:
        return 9                # red centre
    if d < 12.5:
        return 11               # yellow
    if d < 14.5:
        return 0                # black rim
    return None

def image(n, pixel=pixel):
    rows = []
    mask = []
    for y in range(n - 1, -1, -1):
        row = bytearray()
        mrow = 0
        for x in range(n):
            p = pixel(x, y, n)
            mrow = (mrow << 1) | (1 if p is None else 0)
            row.append(0 if p is None else p)
        packed = bytearray((row[i] << 4) | row[i + 1] for i in range(0, n, 2))
        packed += b"\0" * ((-len(packed)) % 4)
        rows.append(bytes(packed))
        mbytes = mrow.to_bytes(n // 8, "big")
        mbytes += b"\0" * ((-len(mbytes)) % 4)
        mask.append(mbytes)
    header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 4, 0, 0, 0, 0, 16, 0)
    pal = b"".join(struct.pack("BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    return header + pal + b"".join(rows) + b"".join(mask)

def main(path, pixel=pixel):
    images = [image(32, pixel), image(16, pixel)]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for n, data in zip((32, 16), images):
        out += struct.pack("<BBBBHHII", n, n, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    out += b"".join(images)
    open(path, "wb").write(out)

if __name__ == "__main__":
    if sys.argv[1:2] == ["--sample"]:
        main(sys.argv[2] if len(sys.argv) > 2 else "tests/tools/targets.ico", sample_pixel)
    else:
        main(sys.argv[1] if len(sys.argv) > 1 else "resources/corvel.ico")
