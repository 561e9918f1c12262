#!/usr/bin/env python3
"""Draws the about box's picture (277x382, 24-bit) into resources/about.bmp: a raven on a
branch before the moon at dusk, and below it a task bar whose tray takes in a small window."""
import math
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "tests", "e2e"))
import corvel_e2e as e2e  # noqa: E402  (its .bmp writer)

W, H = 277, 382
SAMPLES = 3  # per side, for smooth edges


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def in_ellipse(x, y, cx, cy, rx, ry, angle=0.0):
    c, s = math.cos(angle), math.sin(angle)
    dx, dy = x - cx, y - cy
    u, v = dx * c + dy * s, -dx * s + dy * c
    return (u / rx) ** 2 + (v / ry) ** 2 <= 1.0


def in_polygon(x, y, points):
    inside = False
    for (x1, y1), (x2, y2) in zip(points, points[1:] + points[:1]):
        if (y1 > y) != (y2 > y) and x < x1 + (y - y1) * (x2 - x1) / (y2 - y1):
            inside = not inside
    return inside


def near_segment(x, y, a, b, width):
    (x1, y1), (x2, y2) = a, b
    dx, dy = x2 - x1, y2 - y1
    t = max(0.0, min(1.0, ((x - x1) * dx + (y - y1) * dy) / (dx * dx + dy * dy)))
    return math.hypot(x - x1 - t * dx, y - y1 - t * dy) <= width / 2


STARS = [(28, 40), (64, 22), (112, 58), (40, 118), (150, 30), (92, 96), (20, 190), (236, 150), (250, 26)]
RAVEN = (14, 16, 28)
BRANCH = (52, 36, 30)


def raven(x, y):
    """The bird, perched facing left: body, neck, head, beak, tail, legs."""
    return (in_ellipse(x, y, 152, 232, 56, 28, 0.4) or in_ellipse(x, y, 114, 206, 26, 18, 0.5)
            or in_ellipse(x, y, 96, 192, 21, 19)
            or in_polygon(x, y, [(82, 184), (48, 199), (82, 202)])
            or in_polygon(x, y, [(196, 242), (250, 268), (244, 282), (190, 258)])
            or near_segment(x, y, (140, 254), (138, 282), 5) or near_segment(x, y, (162, 258), (162, 278), 5))


def colour(x, y):
    # The task bar with its tray, and a small window going down into the tray.
    if y >= 346:
        if y < 348:
            return (230, 230, 230)
        if 190 <= x <= 268 and 352 <= y <= 376:
            edge = x in (190, 268) or y in (352, 376)
            return (128, 128, 128) if edge else (200, 200, 200)
        if 200 <= x <= 212 and 358 <= y <= 370:
            return (0, 0, 160)
        if 8 <= x <= 60 and 352 <= y <= 376:
            return (160, 160, 160) if x in (8, 60) or y in (352, 376) else (212, 208, 200)
        return (192, 192, 192)
    if 214 <= x <= 252 and 300 <= y <= 330:
        if y < 308:
            return (0, 0, 160)
        if x in (214, 252) or y == 330:
            return (40, 40, 40)
        return (240, 240, 240)
    if near_segment(x, y, (230, 334), (230, 342), 3) or in_polygon(x, y, [(224, 340), (236, 340), (230, 346)]):
        return (255, 255, 255)
    # The bird and its branch.
    if raven(x, y):
        # A faint blue sheen along the back.
        if math.hypot(x - 92, y - 187) <= 2.5:
            return (210, 210, 220)  # the eye
        return mix(RAVEN, (60, 80, 140), 0.5) if in_ellipse(x, y, 160, 224, 40, 7, 0.4) else RAVEN
    if near_segment(x, y, (0, 292), (277, 268), 11) or near_segment(x, y, (200, 276), (250, 250), 6):
        return BRANCH
    # The moon with a soft halo, then the sky and its stars.
    d = math.hypot(x - 196, y - 104)
    sky = mix((12, 20, 60), (200, 110, 80), min(1.0, max(0.0, (y - 40) / 300.0)) ** 1.6)
    if d <= 58:
        moon = (250, 240, 200)
        spots = [(180, 90, 10), (212, 124, 14), (206, 84, 7)]
        if any(math.hypot(x - sx, y - sy) <= r for sx, sy, r in spots):
            moon = (226, 214, 176)
        return moon
    if d <= 90:
        return mix((250, 240, 200), sky, ((d - 58) / 32.0) ** 0.5)
    for sx, sy in STARS:
        if abs(x - sx) + abs(y - sy) <= 2:
            return (255, 255, 230)
    return sky


def pixel(px, py):
    total = [0.0, 0.0, 0.0]
    for i in range(SAMPLES):
        for j in range(SAMPLES):
            c = colour(px + (i + 0.5) / SAMPLES, py + (j + 0.5) / SAMPLES)
            for k in range(3):
                total[k] += c[k]
    return tuple(int(round(v / (SAMPLES * SAMPLES))) for v in total)


def main():
    e2e.write_bmp(sys.argv[1] if len(sys.argv) > 1 else "resources/about.bmp", W, H, pixel)


if __name__ == "__main__":
    main()
