"""Helpers of the caption-button end-to-end tests: the hook message numbers (read from
platform/messages.h, where they are defined once), the built-in button pictures (drawn by the
program's code in the test tool), title-bar points, a recording stand-in for the main window, and target programs under other names."""

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
OVERLAPPED = 0x00CF0000
# The button as a window of Corvel's own: a tool window that never takes the focus.
BUTTON_WINDOW_CLASS = "TCaptionButton"
BUTTON_WINDOW_EX = 0x00000080 | 0x08000000
NO_MINIMIZE_BOX_STYLE = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME
WM_NULL = 0
WM_HOTKEY = 0x312

_pictures = {}


def picture(name):
    """A built-in picture (Up, Down, UpXP, DownXP) as rows of (r, g, b), from the program's code."""
    if name not in _pictures:
        _pictures[name] = e2e.session().targets.picture(name)
    return _pictures[name]


def centre(rect):
    return (rect[0] + rect[2]) // 2, (rect[1] + rect[3]) // 2


def title_point(state, dx=60):
    """A point of the title bar, away from every button."""
    return state["x"] + dx, centre(state["min"])[1]


button_centre = e2e.button_centre


def minimize_centre(state):
    return centre(state["min"])


def region(screen, rect):
    """Rows of pixels of a (left, top, right, bottom) rectangle out of a full screenshot."""
    left, top, right, bottom = rect
    return [row[left:right] for row in screen[top:bottom]]


def share_equal(rows, other):
    """Share of the pixels of `rows` equal to those of `other` at the same place."""
    pairs = [(a, b) for row, orow in zip(rows, other) for a, b in zip(row, orow)]
    return sum(a == b for a, b in pairs) / len(pairs) if pairs else 0.0


def shows_classic(screen, state, pressed=False):
    return region(screen, e2e.button_rect(state)) == picture("Down" if pressed else "Up")


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
        self.exe = os.path.join(session.bin_dir, exe_name)
        shutil.copyfile(os.path.join(session.bin_dir, "targets.exe"), self.exe)
        # A copy that ended before it said "ready" (once in many runs) left an empty log: this
        # one logs the loader's and the system's errors.
        super().__init__(session, exe_name, exe=self.exe, env={"WINEDEBUG": "err+all,fixme-all"})

    def quit(self):
        super().quit()
        try:
            os.remove(self.exe)
        except OSError:
            pass


def shows_stretched(rows, source):
    """Share of the pixels of `rows` that a stretch of the picture `source` can put there: the
    colour of the source pixel nearest to the mapped point or of one next to it."""
    height, width = len(rows), len(rows[0])
    sh, sw = len(source), len(source[0])
    good = 0
    for y in range(height):
        for x in range(width):
            sx, sy = int((x + 0.5) * sw / width), int((y + 0.5) * sh / height)
            near = {source[min(sh - 1, max(0, sy + dy))][min(sw - 1, max(0, sx + dx))]
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
    return session.pixels(left, top, right - left, bottom - top) == picture("Down" if pressed else "Up")
