"""Helpers of the caption-button end-to-end tests: the hook message numbers (read from
platform/messages.h, where they are defined once), the built-in button pictures, title-bar
points, a recording stand-in for the main window, and target programs under other names."""

import os
import re
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import corvel_e2e as e2e  # noqa: E402


def _hook_messages():
    path = os.path.join(e2e.ROOT, "platform", "messages.h")
    with open(path, encoding="latin-1") as f:
        text = f.read()
    found = {name: 0x400 + int(num, 16)
             for name, num in re.findall(r"constexpr UINT (HM_\w+) = WM_USER \+ 0x([0-9A-Fa-f]+);", text)}
    prop = re.search(r'kButtonShownProperty\[\] = "([^"]+)"', text)
    if len(found) < 11 or not prop:
        raise e2e.E2EError("cannot read the hook messages from %s" % path)
    return found, prop.group(1)


HM, BUTTON_SHOWN_PROPERTY = _hook_messages()
HM_REDRAW = HM["HM_REDRAW"]
HM_REDRAWTWICE = HM["HM_REDRAWTWICE"]
HM_REFRESH = HM["HM_REFRESH"]
HM_RESCAN = HM["HM_RESCAN"]
HM_BUTTONDOWN = HM["HM_BUTTONDOWN"]
HM_BUTTONUP = HM["HM_BUTTONUP"]
HM_MINBUTTON = HM["HM_MINBUTTON"]
REDRAWS = (HM_REDRAW, HM_REDRAWTWICE, HM_REFRESH)

WS_CAPTION = 0x00C00000
WS_SYSMENU = 0x00080000
WS_THICKFRAME = 0x00040000
WS_MINIMIZEBOX = 0x00020000
WS_CHILD = 0x40000000
MAIN_STYLE_MASK = WS_CAPTION | WS_MINIMIZEBOX
NO_MINIMIZE_BOX_STYLE = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME
WM_NULL = 0
WM_HOTKEY = 0x312

# The built-in pictures of resources/button_images.cpp at the points the tests look at.
FACE = (212, 208, 200)
WHITE = (255, 255, 255)
DARK = (64, 64, 64)
SHADOW = (128, 128, 128)
BLACK = (0, 0, 0)


def classic_up_pixel(x, y):
    """BUp, 16 x 14: raised face with a black mirrored L."""
    if (x in (10, 11) and 5 <= y <= 10) or (6 <= x <= 11 and y in (9, 10)):
        return BLACK
    if y == 13 or x == 15:
        return DARK
    if y == 0 or x == 0:
        return WHITE
    if y == 12 or x == 14:
        return SHADOW
    return FACE


def classic_down_pixel(x, y):
    """BDown, 16 x 14: the sunken face, glyph one pixel lower and further right."""
    if (x in (11, 12) and 6 <= y <= 11) or (7 <= x <= 12 and y in (10, 11)):
        return BLACK
    if y == 0 or x == 0:
        return DARK
    if y == 13 or x == 15:
        return WHITE
    if y == 1 or x == 1:
        return SHADOW
    return FACE


XP_UP_FILL = (59, 119, 245)
XP_UP_DARK = (35, 92, 227)
XP_DOWN_FILL = (0, 80, 181)


def xp_source_point(x, y, width, height, side=21):
    """The BUpXP pixel that a nearest-neighbour stretch puts at (x, y) of the rectangle."""
    return x * side // width, y * side // height


def title_point(state, dx=60):
    """A point of the title bar, away from every button."""
    return state["x"] + dx, state["y"] + e2e.SM_CYFRAME + e2e.SM_CYSIZE // 2 + 1


def button_centre(state):
    left, top, right, bottom = e2e.button_rect(state)
    return (left + right) // 2, (top + bottom) // 2


def minimize_centre(state):
    left = state["x"] + state["w"] - e2e.SM_CXFRAME - 3 * e2e.SM_CXSIZE
    top = state["y"] + e2e.SM_CYFRAME + 2
    return left + (e2e.SM_CXSIZE - 2) // 2, top + (e2e.SM_CYSIZE - 4) // 2


def region(screen, rect):
    """Rows of pixels of a (left, top, right, bottom) rectangle out of a full screenshot."""
    left, top, right, bottom = rect
    return [row[left:right] for row in screen[top:bottom]]


def matches(rows, picture, width, height, tolerance=0):
    """Share of pixels of `rows` equal to picture(x, y) (within tolerance per channel)."""
    good = total = 0
    for y in range(height):
        for x in range(width):
            total += 1
            want = picture(x, y)
            got = rows[y][x]
            if all(abs(a - b) <= tolerance for a, b in zip(got, want)):
                good += 1
    return good / total if total else 0.0


def shows_classic(screen, state, pressed=False):
    rect = e2e.button_rect(state)
    w, h = rect[2] - rect[0], rect[3] - rect[1]
    return matches(region(screen, rect), classic_down_pixel if pressed else classic_up_pixel, w, h) == 1.0


def read_log(client):
    """Every message the stand-in main window got since the last call: (msg, lparam, x, y)."""
    out = []
    line = client.cmd("hooklog")
    while line != "end":
        msg, lp, x, y = line.split()
        out.append((int(msg, 0), int(lp, 0), int(x), int(y)))
        line = client.reader.readline(15)
    return out


class Recorder:
    """A stand-in for Corvel's main window in a targets.exe process of its own, which also
    calls the hook library; accumulates what it was posted."""

    def __init__(self, session, button=False, name="hook-owner", env=None):
        self.client = session.start_targets(name, env)
        self.hwnd = int(self.client.cmd("fakemain" + (" button" if button else "")), 0)
        self.log = []

    def hook(self, op):
        if self.client.cmd("hook " + op) != "ok":
            raise e2e.E2EError("hook %s failed" % op)

    def button(self, shown, windows=()):
        """Says a button is drawn (on `windows` only, where named) or none."""
        self.client.cmd("fakemain" + (" button" if shown else "") + "".join(" 0x%x" % w for w in windows))

    def take(self):
        self.log += read_log(self.client)
        got, self.log = self.log, []
        return got

    def wait(self, predicate, timeout=3.0):
        """Waits until predicate(messages so far) holds; returns the messages (kept)."""
        deadline = time.monotonic() + timeout
        while True:
            self.log += read_log(self.client)
            if predicate(self.log) or time.monotonic() > deadline:
                return list(self.log)
            time.sleep(0.05)

    def close(self):
        try:
            self.hook("delete")
        except e2e.E2EError:
            pass
        self.client.quit()


def has(msg, hwnd):
    return lambda log: any(m == msg and lp == hwnd for m, lp, _, _ in log)


def of_window(log, hwnd):
    return [m for m, lp, _, _ in log if lp == hwnd]


class NamedTargets(e2e.Targets):
    """targets.exe run under another file name (a program that is not in a list)."""

    def __init__(self, session, exe_name):
        src = os.path.join(session.bin_dir, "targets.exe")
        exe = os.path.join(session.bin_dir, exe_name)
        shutil.copyfile(src, exe)
        self.session = session
        self.exe = exe
        self.proc = session.popen([session.wine, exe], exe_name, stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        self.reader = e2e._LineReader(self.proc.stdout)
        first = self.reader.readline(60)
        if first != "ready":
            raise e2e.E2EError("%s said %r instead of ready" % (exe_name, first))

    def quit(self):
        super().quit()
        try:
            os.remove(self.exe)
        except OSError:
            pass


def _xp_pixel(x, y, corner, light, fill, dark, glyph, glyph_top, side=21):
    last = side - 1
    if x in (0, last) or y in (0, last):
        return WHITE
    if x in (1, last - 1) and y in (1, last - 1):
        return corner
    bottom = glyph_top + 7
    if (x in (15, 16) and glyph_top <= y <= bottom) or (9 <= x <= 16 and y in (bottom - 1, bottom)):
        return glyph
    if x >= 17 or y >= 17:
        return dark
    if x <= 2 or y <= 2:
        return light
    return fill


def xp_up_pixel(x, y):
    """BUpXP, 21 x 21."""
    return _xp_pixel(x, y, (220, 229, 253), (118, 160, 250), XP_UP_FILL, XP_UP_DARK, WHITE, 8)


def shows_stretched(rows, picture, side=21):
    """Share of the pixels of `rows` that a stretch of the side x side picture can put there:
    the colour of the source pixel nearest to the mapped point or of one next to it."""
    height, width = len(rows), len(rows[0])
    good = 0
    for y in range(height):
        for x in range(width):
            sx, sy = (x + 0.5) * side / width, (y + 0.5) * side / height
            near = {picture(min(side - 1, max(0, int(sx) + dx)), min(side - 1, max(0, int(sy) + dy)))
                    for dx in (-1, 0, 1) for dy in (-1, 0, 1)}
            good += rows[y][x] in near
    return good / (width * height)


def caption_colour_only(rows):
    """True when every pixel of `rows` is the same colour (a bare stretch of title bar)."""
    first = rows[0][0]
    return all(p == first for row in rows for p in row)


def then_busy(client, line, ms):
    """Runs `line` and, with no pause in between, keeps the window thread busy for ms."""
    client.proc.stdin.write(("%s\nhang %d\n" % (line, ms)).encode("latin-1"))
    client.proc.stdin.flush()
    replies = [client.reader.readline(15), client.reader.readline(15)]
    time.sleep(ms / 1000.0 + 0.1)
    return replies


def classic_now(session, state, pressed=False):
    """True when the classic picture is on the screen at the button rectangle of `state`."""
    left, top, right, bottom = e2e.button_rect(state)
    rows = session.pixels(left, top, right - left, bottom - top)
    picture = classic_down_pixel if pressed else classic_up_pixel
    return matches(rows, picture, right - left, bottom - top) == 1.0
