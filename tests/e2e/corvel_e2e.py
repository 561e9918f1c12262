"""End-to-end driver for Corvel under Wine (Python 3, standard library only).

Quick use (see tests/e2e/test_startup.py):

    import corvel_e2e as e2e

    class MyTest(e2e.CorvelTestCase):          # one Session per test file, shots on failure,
                                               # self.shot(name) for a screenshot of your own
        def test_something(self):
            s = self.session
            s.set_version("winxp")              # win98 nt40 win2k winxp win2003 win7 win10 default
            s.remove_ini()                      # no Corvl.ini in C:\\windows of the prefix
            corvel = s.start_corvel()           # waits for the "TForm1" "Dravik Tool Bar" window
            t = s.targets                       # shared targets.exe client (see below)
            win = t.make(100, 100, 400, 300, "Sample")   # a window of another process
            rect = t.state(win)                 # dict: exists vis iconic ... x y w h title
            s.click(rect["x"] + 10, rect["y"] + 10)
            s.screenshot("after-click")         # build/e2e-shots/after-click.png
            corvel.end_session()                # post WM_ENDSESSION, wait; seconds taken

Session (one per process: e2e.session() or CorvelTestCase.session) uses the display, prefix and
desktop that scripts/test.sh set up (CORVEL_E2E_SESSION=1 in the environment) or, when a test file
is run by hand, starts its own through scripts/wine-env.sh (a private Xvfb unless
CORVEL_E2E_USE_DISPLAY=1) and ends it at exit. Session, Corvel (a started corvel.exe) and Targets
(the client of tests/tools/targets.exe, whose commands are listed at the top of its source) say
what each of their methods does; so do the helpers below them.
"""

import atexit
import os
import re
import select
import shutil
import signal
import struct
import subprocess
import sys
import time
import unittest

WM_CLOSE = 0x10
WM_ENDSESSION = 0x16
WS_EX_LAYERED = 0x80000
WS_EX_TOOLWINDOW = 0x80
WS_EX_APPWINDOW = 0x40000
ABOVE_NORMAL_PRIORITY_CLASS = 0x8000
NORMAL_PRIORITY_CLASS = 0x20

MAIN_CLASS = "TForm1"
MAIN_CAPTION = "Dravik Tool Bar"
HELD_IN_TRAY, HELD_IN_MENU, IN_BUTTON_TABLE, STARTED_UP = 0, 1, 2, 3  # the main window's query
INI_NAME = "Corvl.ini"
JOURNAL_NAME = "Corvl.hidden"  # the windows Corvel holds hidden, for the next start after a kill
VERSIONS = ("win98", "nt40", "win2k", "winxp", "win2003", "win7", "win10", "default")
APP_DEFAULTS = r"Software\Wine\AppDefaults"

# System metrics under Wine here (the same whatever the version): title-bar button and frame.
SM_CXSIZE = SM_CYSIZE = 18
SM_CXFRAME = SM_CYFRAME = 4
SCREEN = (1024, 768)
TRAY_Y = 748  # the tray strip of Wine's task bar in a 1024x768 desktop
# How long a check that nothing happened watches: a hide, a message or a repaint that a click or a
# key was going to cause comes within it (they take well under 0.2 s here).
SETTLE = 1.0

# wParam and lParam are pointer-wide: negative values go as their two's complement of that width.
PARAM_MASK = None  # set below, once the width is known
ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def arch_settings():
    """The build width this machine tests and its Wine loader (scripts/arch.sh): CORVEL_ARCH,
    CORVEL_WINE, CORVEL_WINEARCH and CORVEL_BUILD, from the environment the scripts exported or
    worked out the same way."""
    names = ("CORVEL_ARCH", "CORVEL_WINE", "CORVEL_WINEARCH", "CORVEL_BUILD")
    if all(os.environ.get(n) for n in names):
        return {n: os.environ[n] for n in names}
    out = subprocess.run(["bash", "-c", 'source "$1/scripts/arch.sh" && for v in %s; do echo "$v=${!v}"; done'
                          % " ".join(names), "arch", ROOT], capture_output=True, text=True, check=True).stdout
    return dict(line.split("=", 1) for line in out.splitlines() if "=" in line)


ARCH = arch_settings()
WINE = ARCH["CORVEL_WINE"]
PARAM_MASK = (1 << (64 if ARCH["CORVEL_ARCH"] == "x86_64" else 32)) - 1


def log(*args):
    print("[e2e]", *args, file=sys.stderr, flush=True)


class E2EError(Exception):
    pass


class _LineReader:
    """Reads whole lines from a pipe with a timeout (no blocking readline)."""

    def __init__(self, stream):
        self.fd = stream.fileno()
        self.buf = b""

    def readline(self, timeout):
        deadline = time.monotonic() + timeout
        while b"\n" not in self.buf:
            left = deadline - time.monotonic()
            if left <= 0:
                raise E2EError("no reply within %.1f s" % timeout)
            ready, _, _ = select.select([self.fd], [], [], left)
            if not ready:
                continue
            chunk = os.read(self.fd, 65536)
            if not chunk:
                raise E2EError("the other side closed its output")
            self.buf += chunk
        line, self.buf = self.buf.split(b"\n", 1)
        return line.decode("latin-1").rstrip("\r")


def wait_ended(popen, timeout):
    """True once `popen` has ended, waiting at most `timeout` s. Woken by the exit itself (a
    pidfd), where Popen.wait with a timeout looks at doubling intervals (0.5, 1, 2, 4 ms...) and
    would time an end of 4 ms as 7.5."""
    try:
        fd = os.pidfd_open(popen.pid)
    except (AttributeError, OSError):  # an older kernel, or the process is gone already
        fd = None
    if fd is not None:
        try:
            watch = select.poll()
            watch.register(fd, select.POLLIN)
            if not watch.poll(timeout * 1000):
                return False
        finally:
            os.close(fd)
    try:
        popen.wait(timeout)
    except subprocess.TimeoutExpired:
        return False
    return True


def _end_process(popen, grace=2.0):
    """Ends a process started in a session of its own: TERM, then KILL."""
    if popen.poll() is not None:
        return
    for sig, wait in ((signal.SIGTERM, grace), (signal.SIGKILL, 5.0)):
        try:
            os.killpg(popen.pid, sig)
        except (ProcessLookupError, PermissionError):
            try:
                popen.send_signal(sig)
            except ProcessLookupError:
                return
        try:
            popen.wait(wait)
            return
        except subprocess.TimeoutExpired:
            continue


def _num(text):
    return int(text, 0)


class Targets:
    """Client of targets.exe running in the session's desktop."""

    def __init__(self, session, name="targets", env=None, exe=None):
        """`env`: variables to set for this process only, e.g. a WINEDEBUG of its own; `exe`: a
        tool of the same protocol other than targets.exe."""
        self.session = session
        exe = exe or os.path.join(session.bin_dir, "targets.exe")
        if not os.path.exists(exe):
            raise E2EError("%s is missing: build first" % exe)
        self.proc = session.popen([session.wine, exe], name, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                  env=dict(session.env, **(env or {})))
        self.reader = _LineReader(self.proc.stdout)
        try:
            first = self.reader.readline(60)
        except E2EError as e:
            # What ended it: its exit code and the loader's own errors (kept for tools started
            # under another name).
            wait_ended(self.proc, 5)
            raise E2EError("%s did not start: %s (exit code %s; log %s)" % (
                os.path.basename(exe), e, self.proc.returncode, os.path.join(session.logs_dir, name + ".log")))
        if first != "ready":
            raise E2EError("%s said %r instead of ready" % (os.path.basename(exe), first))

    # Seconds a command may wait for its reply; a test that loads the machine on purpose gives
    # its programs longer.
    reply_within = 15

    def cmd(self, line, timeout=None):
        timeout = timeout or self.reply_within
        if self.proc.poll() is not None:
            raise E2EError("targets.exe has ended")
        self.proc.stdin.write((line + "\n").encode("latin-1"))
        self.proc.stdin.flush()
        try:
            return self.reader.readline(timeout)
        except E2EError as e:
            # A late reply would be taken for the next command's: this client is done.
            _end_process(self.proc, grace=0.5)
            raise E2EError("targets.exe, %r: %s (ended it)" % (line, e))

    def titlew(self, h, text):
        """Sets a title with every character (SetWindowTextW, the text sent as UTF-8)."""
        return self.cmd("titlew 0x%x %s" % (h, text.encode("utf-8").decode("latin-1")))

    def stylelog(self, h):
        """The extended styles `h` was given since the last call, oldest first."""
        return [_num(v) for v in self.cmd("stylelog 0x%x" % h).split()[1:]]

    def make(self, x, y, w, h, title):
        return _num(self.cmd("make %d %d %d %d %s" % (x, y, w, h, title)))

    def makeclose(self, mode, x, y, w, h, title):
        return _num(self.cmd("makeclose %s %d %d %d %d %s" % (mode, x, y, w, h, title)))

    def picture(self, name):
        """A built-in caption-button picture (Up, Down, UpXP, DownXP) as the program draws it:
        rows of (r, g, b)."""
        parts = self.cmd("picture " + name).split()
        w, h = int(parts[0]), int(parts[1])
        px = [tuple(bytes.fromhex(p)) for p in parts[2:]]
        return [px[y * w:(y + 1) * w] for y in range(h)]

    def state(self, h):
        """exists vis iconic zoomed fg alpha x y w h as ints, exstyle style as ints, the screen
        rectangles button and min (the caption button's and the minimize button's, by the
        program's own geometry) as (left, top, right, bottom), title text."""
        reply = self.cmd("state 0x%x" % h)
        out = {}
        head, sep, title = reply.partition(" title=")
        for part in head.split():
            k, _, v = part.partition("=")
            out[k] = tuple(_num(n) for n in v.split(",")) if "," in v else _num(v)
        if sep:
            out["title"] = title
        return out

    def find(self, cls, caption="-"):
        reply = self.cmd("find %s %s" % (cls or "-", caption or "-"))
        return None if reply == "-" else _num(reply)

    def frompoint(self, x, y):
        """The top-level window a click at (x, y) goes to, or None."""
        reply = self.cmd("frompoint %d %d" % (x, y))
        return None if reply == "-" else _num(reply)

    def post(self, h, msg, wp=0, lp=0):
        return self.cmd("post 0x%x 0x%x 0x%x 0x%x" % (h, msg, wp & PARAM_MASK, lp & PARAM_MASK))

    def send(self, h, msg, wp=0, lp=0):
        """The message's result, as a signed number."""
        return int(self.cmd("send 0x%x 0x%x 0x%x 0x%x" % (h, msg, wp & PARAM_MASK, lp & PARAM_MASK)))

    def close(self, h):
        return self.cmd("close 0x%x" % h)

    def pid(self, h):
        reply = self.cmd("pid 0x%x" % h)
        return None if reply == "-" else int(reply)

    def priority(self, pid):
        reply = self.cmd("priority %d" % pid)
        return None if reply == "error" else _num(reply)

    def toplevel(self, cls="-", caption="-", timeout=15):
        """Top-level windows that match, each a dict hwnd vis ex style owner taskbar pid (ints)."""
        parts = self.cmd("toplevel %s %s" % (cls or "-", caption or "-"), timeout).split()
        found = []
        for item in parts[1:]:
            fields = item.split(":")
            w = {"hwnd": _num(fields[0])}
            for f in fields[1:]:
                k, _, v = f.partition("=")
                w[k] = _num(v)
            found.append(w)
        if len(found) != int(parts[0]):
            raise E2EError("toplevel reply does not add up: %r" % parts)
        return found

    def children(self, h):
        """Every window inside h, each a dict hwnd parent id cls vis x y w h (place in h's
        client area) text."""
        parts = self.cmd("children 0x%x" % h).split("\t")
        found = []
        for item in parts[1:]:
            f = item.split("|", 10)
            found.append({"hwnd": _num(f[0]), "parent": _num(f[1]), "id": int(f[2]), "cls": f[3],
                          "vis": int(f[4]), "enabled": int(f[5]), "x": int(f[6]), "y": int(f[7]), "w": int(f[8]),
                          "h": int(f[9]), "text": f[10]})
        if len(found) != int(parts[0]):
            raise E2EError("children reply does not add up: %r" % parts[:1])
        return found

    def file_exists(self, winpath):
        return self.cmd("file exists " + winpath) == "1"

    def file_writable(self, winpath):
        return self.cmd("file writable " + winpath) == "1"

    def file_lock(self, winpath):
        if self.cmd("file lock " + winpath) != "ok":
            raise E2EError("cannot hold %s open" % winpath)

    def file_unlock(self):
        return self.cmd("file unlock")

    def windir(self):
        return self.cmd("windir")

    def reg_set(self, key, name, value):
        reply = self.cmd("reg set %s %s %s" % (key, name, value))
        if reply != "ok":
            raise E2EError("reg set %s %s: %s" % (key, name, reply))

    def reg_del(self, key, name):
        reply = self.cmd("reg del %s %s" % (key, name))
        if reply != "ok":
            raise E2EError("reg del %s %s: %s" % (key, name, reply))

    def modules(self, pid=0):
        """The files of the modules loaded in process `pid` (0: targets.exe itself)."""
        count = int(self.cmd("modules %d" % pid))
        return [self.reader.readline(15) for _ in range(count)]

    def kill(self, pid):
        return self.cmd("kill %d" % pid) == "ok"

    def tray(self):
        return _num(self.cmd("tray"))

    def traylog(self):
        lines = []
        first = self.cmd("traylog")
        while first != "end":
            lines.append(first)
            first = self.reader.readline(15)
        return lines

    def traycalls(self):
        calls = []
        for line in self.traylog():
            head, _, tip = line.partition(" tip=")
            c = dict(f.split("=", 1) for f in head.split())
            for k in ("nim", "hwnd", "uid", "flags", "callback"):
                c[k] = _num(c[k])
            c["tip"] = tip
            c["tipw"] = "" if c["tipw"] == "-" else bytes.fromhex(c["tipw"]).decode("utf-16-le")
            calls.append(c)
        return calls

    def ctl(self, h, control_id):
        reply = self.cmd("ctl 0x%x %d" % (h, control_id))
        return None if reply == "-" else _num(reply)

    def lvitems(self, h):
        items = []
        line = self.cmd("lvitems 0x%x" % h)
        while line != "end":
            checked, selected, rect, text, sub = line.split("\t")
            items.append({"checked": checked == "1", "selected": selected == "1",
                          "rect": tuple(int(v) for v in rect.split(",")), "text": text, "sub": sub})
            line = self.reader.readline(15)
        return items

    def tips(self):
        count = int(self.cmd("tips"))
        found = []
        for _ in range(count):
            rect, _, text = self.reader.readline(15).partition(":")
            found.append((tuple(int(v) for v in rect.split(",")), text.encode("latin-1").decode("utf-8", "replace")))
        if self.reader.readline(15) != "end":
            raise E2EError("tips reply does not end")
        return found

    def quit(self):
        if self.proc.poll() is None:
            try:
                self.cmd("quit", timeout=5)
                self.proc.stdin.close()
                self.proc.wait(5)
            except (E2EError, OSError, subprocess.TimeoutExpired):
                pass
        _end_process(self.proc)


class Corvel:
    """A corvel.exe started by the session."""

    def __init__(self, session, proc):
        self.session = session
        self.proc = proc
        self.hwnd = None
        self.others = set()  # main windows of other Corvels that ran when this one started

    def is_running(self):
        return self.proc.poll() is None

    def wait_ready(self, timeout=20):
        """Waits for the main window and for its start-up (settings loaded, hooks and hot key set)."""
        t = self.session.targets
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if not self.is_running():
                raise E2EError("corvel.exe ended during start (exit code %s)" % self.proc.returncode)
            if self.hwnd is None:
                new = [w["hwnd"] for w in t.toplevel(MAIN_CLASS, MAIN_CAPTION) if w["hwnd"] not in self.others]
                self.hwnd = new[0] if new else None
            if self.hwnd is not None and self.started_up():
                return self.hwnd
            time.sleep(0.05)
        raise E2EError("no %s %r window started up within %d s" % (MAIN_CLASS, MAIN_CAPTION, timeout))

    def held(self, which):
        """The windows the main window holds in list `which` (HELD_IN_TRAY, HELD_IN_MENU or
        IN_BUTTON_TABLE), in its order, by the program's own query."""
        t, found = self.session.targets, []
        while True:
            h = int(t.cmd("send 0x%x CorvelHeldWindow %d %d" % (self.hwnd, len(found), which)))
            if not h:
                return found
            found.append(h)

    def started_up(self):
        return int(self.session.targets.cmd("send 0x%x CorvelHeldWindow 0 %d" % (self.hwnd, STARTED_UP))) == self.hwnd

    def windows_pid(self):
        return self.session.targets.pid(self.hwnd)

    def windows(self):
        """Every top-level window of this Corvel process (dicts as Targets.toplevel)."""
        pid = self.windows_pid()
        return [w for w in self.session.targets.toplevel() if w["pid"] == pid]

    def priority(self):
        pid = self.windows_pid()
        return None if pid is None else self.session.targets.priority(pid)

    def post(self, msg, wp=0, lp=0):
        return self.session.targets.post(self.hwnd, msg, wp, lp)

    def wait_exit(self, timeout):
        """Seconds until the process ended, or None when it is still running after timeout."""
        start = time.monotonic()
        if not wait_ended(self.proc, timeout):
            return None
        return time.monotonic() - start

    def end_session(self, timeout=5):
        """Posts WM_ENDSESSION (wParam TRUE) and waits: seconds taken, or None (still running)."""
        if not self.is_running():
            return 0.0
        start = time.monotonic()
        self.post(WM_ENDSESSION, 1, 0)
        if self.wait_exit(timeout) is None:
            return None
        return time.monotonic() - start

    def kill(self):
        _end_process(self.proc, grace=0.5)

    def terminate(self, timeout=10):
        """TerminateProcess, as a crash ends it; True once the system has let go of the process:
        its main window gone, and with it the mutex that would turn the next start away."""
        t = self.session.targets
        if not t.kill(self.windows_pid()) or self.wait_exit(timeout) is None:
            return False
        return bool(self.session.wait_for(
            lambda: self.hwnd not in {w["hwnd"] for w in t.toplevel(MAIN_CLASS)}, timeout))

    def stop(self):
        """Ends the program: WM_ENDSESSION first, killed when it does not go."""
        if self.is_running() and self.hwnd:
            try:
                if self.end_session(5) is not None:
                    return
            except E2EError:
                pass
        self.kill()


def button_rect(state):
    """Screen rectangle (left, top, right, bottom) of the caption button of a window state."""
    return state["button"]


def button_centre(state):
    left, top, right, bottom = state["button"]
    return (left + right) // 2, (top + bottom) // 2


def program_constant(path, name):
    """An integer constant of the program's source (`constexpr int NAME = N;` in PATH)."""
    full = os.path.join(ROOT, *path.split("/"))
    with open(full, encoding="latin-1") as f:
        found = re.search(r"constexpr int %s = (\d+);" % re.escape(name), f.read())
    if not found:
        raise E2EError("cannot read %s from %s" % (name, full))
    return int(found.group(1))


# Corvel's popup menus: Wine draws a 3-pixel frame around them; the separators, the padding
# around an item's image and the margins are the program's own. Wine's menu font is lower than
# the images, so an item is as high as its image and the padding.
MENU_FRAME = 3
MENU_SEPARATOR = program_constant("platform/popup_menu.h", "kSeparatorHeight")
MENU_ITEM_PADDING = program_constant("platform/popup_menu.cpp", "kItemPadding")


def menu_item_height(image):
    return image + 2 * MENU_ITEM_PADDING


def menu_rows(rect, item, separators):
    """Items of height `item` in a menu (x, y, w, h) that has `separators` separators."""
    rows, rest = divmod(rect[3] - 2 * MENU_FRAME - separators * MENU_SEPARATOR, item)
    if rest or rows < 0:
        raise E2EError("not a menu of %d-pixel items and %d separators: %r" % (item, separators, rect))
    return rows


def menu_row_centre(rect, margin, item, row, separators_above):
    """Centre of item `row` (from 0) of a menu (x, y, w, h), right of its margin strip."""
    x, y, w, _ = rect
    return (x + MENU_FRAME + margin + (w - 2 * MENU_FRAME - margin) // 2,
            y + MENU_FRAME + row * item + separators_above * MENU_SEPARATOR + item // 2)


# The options dialog: client size, the page buttons, the page area's origin, OK and Cancel.
OPTIONS_CLIENT = (669, 407)
OPTIONS_COMMON = (33, 43)
OPTIONS_CAPTION_BUTTON = (33, 123)
OPTIONS_CONTROL_PANEL = (33, 203)
OPTIONS_QUICK_RUN = (33, 283)
OPTIONS_PAGE = (76, 32)  # TabSheet3 and TabSheet4 inside PageControl1
OPTIONS_OK = (533, 379)
OPTIONS_CANCEL = (621, 379)


def client_origin(state, client):
    """Screen position of a top-level window's client area of size `client`, from its outer
    rectangle (a frame of equal width on every side, the caption on top)."""
    border = (state["w"] - client[0]) // 2
    return state["x"] + border, state["y"] + state["h"] - client[1] - border


def flat_look(rows):
    """True when `rows` show the flat look of the systems after XP: the title bar's colour and
    a black or white mirrored L (a full bottom row of the glyph and a full right column)."""
    counts = {}
    for row in rows:
        for p in row:
            counts[p] = counts.get(p, 0) + 1
    if len(counts) != 2:
        return False
    face, glyph = sorted(counts, key=counts.get, reverse=True)
    if glyph not in ((0, 0, 0), (255, 255, 255)):
        return False
    points = [(x, y) for y, row in enumerate(rows) for x, p in enumerate(row) if p == glyph]
    left, right = min(x for x, _ in points), max(x for x, _ in points)
    top, bottom = min(y for _, y in points), max(y for _, y in points)
    foot = all(rows[bottom][x] == glyph for x in range(left, right + 1))
    bar = all(rows[y][right] == glyph for y in range(top, bottom + 1))
    return foot and bar and right - left >= 2 and bottom - top >= 2


def write_bmp(path, width, height, pixel):
    """Writes a 24-bit bottom-up .bmp; pixel(x, y) gives (r, g, b) with y = 0 at the top."""
    row_bytes = (width * 3 + 3) & ~3
    rows = []
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        row += b"\0" * (row_bytes - len(row))
        rows.append(bytes(row))
    bits = b"".join(rows)
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(bits), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(bits), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + bits)


def read_bmp(path):
    """(width, height, rows of (r, g, b) from the top) of an uncompressed 24- or 32-bit .bmp."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] != b"BM":
        raise E2EError("%s is not a bitmap" % path)
    off = struct.unpack_from("<I", data, 10)[0]
    _, width, height, _, bpp, comp = struct.unpack_from("<IiiHHI", data, 14)
    if bpp not in (24, 32) or comp not in (0, 3):
        raise E2EError("%s: %d bits per pixel, compression %d not handled" % (path, bpp, comp))
    step = bpp // 8
    row_bytes = (width * step + 3) & ~3
    rows = []
    for i in range(abs(height)):
        start = off + i * row_bytes
        row = data[start:start + width * step]
        rows.append([(row[x * step + 2], row[x * step + 1], row[x * step]) for x in range(width)])
    if height > 0:
        rows.reverse()
    return width, abs(height), rows


def _read_ppm(data):
    """Parses a binary PPM (P6, maxval 255) into rows of (r, g, b)."""
    fields = []
    pos = 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos) + 1
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    pos += 1
    if fields[0] != b"P6" or int(fields[3]) != 255:
        raise E2EError("unexpected image format %r" % fields)
    w, h = int(fields[1]), int(fields[2])
    px = data[pos:pos + w * h * 3]
    return [[tuple(px[(y * w + x) * 3:(y * w + x) * 3 + 3]) for x in range(w)] for y in range(h)]


class Session:
    """The display, Wine prefix and desktop that the tests run in, and every process started."""

    def __init__(self, build=None):
        self.root = ROOT
        self.build = os.path.abspath(build or ARCH["CORVEL_BUILD"])
        self.bin_dir = os.path.join(self.build, "bin")
        self.shots_dir = os.path.join(self.build, "e2e-shots")
        self.logs_dir = os.path.join(self.build, "e2e-logs")
        self.env = dict(os.environ, **ARCH)
        self.wine = WINE
        self.shared = os.environ.get("CORVEL_E2E_SESSION") == "1"
        self.prefix = None
        self.windows_dir = None
        self._procs = []
        self._helper = None
        self._targets = None
        self._closed = False
        self.version = "default"  # the version Corvel is started under
        # CORVEL_E2E_VERSIONS=win10,...: only what runs under those versions; the rest is skipped
        # (the second build of a machine that runs both widths is tried under today's Windows).
        self.versions = [v for v in os.environ.get("CORVEL_E2E_VERSIONS", "").split(",") if v]

    # -- set-up and teardown -------------------------------------------------------------

    def start(self):
        os.makedirs(self.shots_dir, exist_ok=True)
        os.makedirs(self.logs_dir, exist_ok=True)
        if self.shared:
            for var in ("DISPLAY", "WINEPREFIX"):
                if not self.env.get(var):
                    raise E2EError("CORVEL_E2E_SESSION=1 but %s is not set" % var)
        else:
            self._start_own_environment()
        self.prefix = self.env["WINEPREFIX"]
        self.windows_dir = os.path.join(self.prefix, "drive_c", "windows")
        self.end_stray_corvel()
        self.forget_earlier_files()
        return self

    # What an earlier test file may have left when it was stopped before its clean-up: the
    # settings, the journal of hidden windows and the Windows version Corvel was started under.
    LEFT_BY_EARLIER = (JOURNAL_NAME, JOURNAL_NAME + ".new")

    def forget_earlier_files(self):
        self.remove_ini()
        for name in self.LEFT_BY_EARLIER:
            try:
                os.remove(os.path.join(self.windows_dir, name))
            except FileNotFoundError:
                pass
        self.set_version("default")

    def _start_own_environment(self):
        """Runs scripts/wine-env.sh in a bash that keeps it up until our stdin closes."""
        env = dict(os.environ, CORVEL_ROOT=self.root, **dict(ARCH, CORVEL_BUILD=self.build))
        if os.environ.get("CORVEL_E2E_USE_DISPLAY") != "1":
            env["CORVEL_PRIVATE_DISPLAY"] = "1"
        script = (
            'source "$CORVEL_ROOT/scripts/wine-env.sh"\n'
            "trap corvel_wine_down EXIT\n"
            "corvel_wine_up || exit 1\n"
            'for v in DISPLAY WINEPREFIX WINEARCH WINELOADER WINEDEBUG WINEDLLOVERRIDES; do echo "$v=${!v}"; done\n'
            "echo READY\n"
            "read -r _ || true\n"
        )
        log("starting a private Wine desktop (build %s)" % self.build)
        self._helper = subprocess.Popen(["bash", "-c", script], env=env, stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, start_new_session=True)
        reader = _LineReader(self._helper.stdout)
        while True:
            try:
                line = reader.readline(180)
            except E2EError as e:
                raise E2EError("the Wine desktop did not come up: %s" % e)
            if line == "READY":
                break
            k, _, v = line.partition("=")
            self.env[k] = v

    def close(self):
        if self._closed:
            return
        self._closed = True
        for proc, kind in reversed(self._procs):
            if kind is not None:
                try:
                    kind.stop() if isinstance(kind, Corvel) else kind.quit()
                except Exception:  # teardown goes on whatever one process did
                    pass
            _end_process(proc)
        self._procs = []
        if self._helper is not None:
            try:
                self._helper.stdin.close()
                self._helper.wait(30)
            except (OSError, subprocess.TimeoutExpired):
                pass
            _end_process(self._helper)
            self._helper = None

    def popen(self, argv, name, **kw):
        logf = open(os.path.join(self.logs_dir, name + ".log"), "ab")
        kw.setdefault("stdout", logf)
        kw.setdefault("env", self.env)
        proc = subprocess.Popen(argv, stderr=logf, start_new_session=True, **kw)
        logf.close()
        self._procs.append((proc, None))
        return proc

    def _adopt(self, proc, obj):
        self._procs = [(p, obj if p is proc else k) for p, k in self._procs]

    def end_stray_corvel(self):
        """A Corvel left by an earlier, killed test would answer in place of ours: end it."""
        for w in self.targets.toplevel(MAIN_CLASS, MAIN_CAPTION):
            pid = self.targets.pid(w["hwnd"])
            if pid is not None:
                log("ending a Corvel left running (pid %d)" % pid)
                self.targets.kill(pid)
        self.wait_for(lambda: not self.targets.toplevel(MAIN_CLASS, MAIN_CAPTION), 5)

    # -- processes -----------------------------------------------------------------------

    @property
    def targets(self):
        if self._targets is None or self._targets.proc.poll() is not None:
            self._targets = self.start_targets()
        return self._targets

    def start_targets(self, name="targets", env=None):
        t = Targets(self, name, env)
        self._adopt(t.proc, t)
        return t

    def start_corvel(self, wait=True, timeout=20, exe=None):
        """`exe`: another corvel.exe (an installed or unpacked one) than the build's."""
        exe = exe or os.path.join(self.bin_dir, "corvel.exe")
        if not os.path.exists(exe):
            raise E2EError("%s is missing: build first" % exe)
        if self.versions and self.version not in self.versions:
            raise unittest.SkipTest("under %s; this run tries %s only" % (self.version, ",".join(self.versions)))
        others = {w["hwnd"] for w in self.targets.toplevel(MAIN_CLASS, MAIN_CAPTION)}
        proc = self.popen([self.wine, exe], "corvel", cwd=os.path.dirname(exe), stdin=subprocess.DEVNULL)
        c = Corvel(self, proc)
        c.others = others
        self._adopt(proc, c)
        if wait:
            c.wait_ready(timeout)
        return c

    # -- Windows version, settings file and program folder -------------------------------

    def set_version(self, name, *exes):
        if name not in VERSIONS:
            raise ValueError("unknown Windows version %r" % name)
        self.version = name
        for exe in ("corvel.exe",) + exes:
            key = APP_DEFAULTS + "\\" + exe
            if name == "default":
                self.targets.reg_del(key, "Version")
            else:
                self.targets.reg_set(key, "Version", name)

    def set_log_pixels(self, dpi):
        """The screen's DPI for the programs started from now on (None: the prefix's own)."""
        key = r"HKCU\Control Panel\Desktop"
        args = (["add", key, "/v", "LogPixels", "/t", "REG_DWORD", "/d", str(dpi), "/f"] if dpi
                else ["delete", key, "/v", "LogPixels", "/f"])
        done = subprocess.run([self.wine, "reg"] + args, env=self.env, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, timeout=60)
        if dpi and done.returncode != 0:
            raise E2EError("reg add LogPixels %s: exit code %d" % (dpi, done.returncode))

    def _ini_files(self):
        try:
            names = os.listdir(self.windows_dir)
        except FileNotFoundError:
            return []
        return [os.path.join(self.windows_dir, n) for n in names if n.lower() == INI_NAME.lower()]

    def ini_path(self):
        found = self._ini_files()
        return found[0] if found else os.path.join(self.windows_dir, INI_NAME)

    @staticmethod
    def ini_winpath():
        return "C:\\windows\\" + INI_NAME

    def ini_exists(self):
        return bool(self._ini_files())

    def read_ini(self):
        with open(self.ini_path(), "rb") as f:
            return f.read().decode("latin-1")

    def write_ini(self, text, readonly=False):
        self.remove_ini()
        path = os.path.join(self.windows_dir, INI_NAME)
        with open(path, "wb") as f:
            f.write(text.replace("\r\n", "\n").replace("\n", "\r\n").encode("latin-1"))
        if readonly:
            os.chmod(path, 0o444)
            if self.targets.file_writable(self.ini_winpath()):  # root: the bits do not bind
                self.targets.file_lock(self.ini_winpath())
        return path

    def remove_ini(self):
        if self._targets is not None and self._targets.proc.poll() is None:
            self._targets.file_unlock()
        for p in self._ini_files():
            if os.path.isdir(p):  # a folder of that name, which stops Corvel writing it there
                shutil.rmtree(p)
                continue
            os.chmod(p, 0o644)
            os.remove(p)

    def user_settings_dir(self):
        """%APPDATA%\\Corvel of the prefix's user: where the settings go when the Windows
        directory cannot take them."""
        users = os.path.join(self.prefix, "drive_c", "users")
        names = [n for n in os.listdir(users) if n.lower() not in ("public", "default")]
        return os.path.join(users, names[0], "AppData", "Roaming", "Corvel")

    def program_file(self, name):
        return os.path.join(self.bin_dir, name)

    def write_program_file(self, name, data):
        with open(self.program_file(name), "wb") as f:
            f.write(data)

    def remove_program_file(self, name):
        try:
            os.remove(self.program_file(name))
        except FileNotFoundError:
            pass

    # -- input and screen ----------------------------------------------------------------

    def xdotool(self, *args):
        subprocess.run(["xdotool"] + [str(a) for a in args], env=self.env, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=20)

    def mousemove(self, x, y):
        self.xdotool("mousemove", x, y)

    def click(self, x, y, button=1):
        self.xdotool("mousemove", x, y, "click", button)

    def mousedown(self, x, y, button=1):
        self.xdotool("mousemove", x, y, "mousedown", button)

    def mouseup(self, button=1):
        self.xdotool("mouseup", button)

    def click_child(self, form, client, text):
        """A click on the visible control of `form` (client size `client`) with that text
        (an "&" left out); False when there is none."""
        found = [c for c in self.targets.children(form) if c["text"].replace("&", "") == text and c["vis"]]
        if not found:
            return False
        # The client area sits in the frame: borders alike, the caption on top.
        w = self.targets.state(form)
        border = (w["w"] - client[0]) // 2
        caption = w["h"] - client[1] - 2 * border
        c = found[0]
        self.click(w["x"] + border + c["x"] + c["w"] // 2, w["y"] + border + caption + c["y"] + c["h"] // 2)
        return True

    def key(self, keys):
        self.xdotool("key", *keys.split())

    def screenshot(self, name):
        """Saves the screen as build/e2e-shots/NAME.png (or at NAME when it is a path)."""
        path = name if os.path.isabs(name) else os.path.join(self.shots_dir, name)
        path = path if path.endswith(".png") else path + ".png"
        subprocess.run(["import", "-window", "root", path], env=self.env, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30)
        return path

    def pixels(self, x, y, w, h):
        out = subprocess.run(["import", "-window", "root", "-crop", "%dx%d+%d+%d" % (w, h, x, y), "+repage",
                              "-depth", "8", "ppm:-"], env=self.env, check=True, stdout=subprocess.PIPE,
                             stderr=subprocess.DEVNULL, timeout=30).stdout
        return _read_ppm(out)

    def pixel(self, x, y):
        return self.pixels(x, y, 1, 1)[0][0]

    def command_lines(self):
        """Command lines of the running processes of this session's prefix: Wine shows a Windows
        process's own command line as its arguments (e.g. C:\\windows\\system32\\control.exe x.cpl)."""
        found = []
        want = ("WINEPREFIX=" + self.prefix).encode()
        for pid in os.listdir("/proc"):
            if not pid.isdigit():
                continue
            try:
                with open("/proc/%s/environ" % pid, "rb") as f:
                    if want not in f.read().split(b"\0"):
                        continue
                with open("/proc/%s/cmdline" % pid, "rb") as f:
                    args = f.read().split(b"\0")
            except OSError:
                continue
            found.append(" ".join(a.decode("latin-1") for a in args if a))
        return found

    @staticmethod
    def wait_for(predicate, timeout=5.0, interval=0.05):
        """predicate()'s first true value within `timeout` seconds, else its last value."""
        deadline = time.monotonic() + timeout
        value = predicate()
        while not value and time.monotonic() < deadline:
            time.sleep(interval)
            value = predicate()
        return value

    @staticmethod
    def holds_for(predicate, seconds=SETTLE, interval=0.05):
        """True when predicate() stays true for `seconds`: the check that nothing happened."""
        deadline = time.monotonic() + seconds
        while predicate():
            if time.monotonic() >= deadline:
                return True
            time.sleep(interval)
        return False

    def point(self, x, y, timeout=5.0):
        """Moves the pointer to (x, y) and waits until the system has it there: Wine takes X's
        moves late while programs are busy, and may drop a move that follows another closely."""
        def there():
            if tuple(int(v) for v in self.targets.cmd("cursor").split()) == (x, y):
                return True
            self.mousemove(x, y)
            return False
        self.mousemove(x, y)
        if not self.wait_for(there, timeout, 0.05):
            raise E2EError("the pointer does not get to (%d, %d)" % (x, y))

    def drag(self, x, y, dx, dy):
        """A real press at (x, y), a move by (dx, dy) and the release, paced so that the window's
        thread has entered its move loop before the pointer moves."""
        self.mousedown(x, y)
        time.sleep(0.2)
        self.mousemove(x + dx, y + dy)
        time.sleep(0.2)
        self.mouseup()


_session = None


def session():
    """The one Session of this process, started on first use and closed at exit."""
    global _session
    if _session is None:
        _session = Session()
        atexit.register(_session.close)
        for sig in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
            signal.signal(sig, lambda *_: sys.exit(1))
        _session.start()
    return _session


class CorvelTestCase(unittest.TestCase):
    """Base of the end-to-end tests: shares the Session, saves a screenshot of every failure
    and leaves the version, the settings file and the user bitmaps as it found them."""

    def setUp(self):
        self.session = session()
        self.addCleanup(self._restore_defaults)

    def _restore_defaults(self):
        s = self.session
        s.set_version("default")
        s.remove_ini()

    def start_with(self, version, ini):
        """A Corvel started under `version` with `ini` as Corvl.ini, stopped at the test's end."""
        s = self.session
        s.set_version(version)
        s.write_ini(ini)
        corvel = s.start_corvel()
        self.addCleanup(corvel.stop)
        return corvel

    def _has_failed(self):
        """Whether the test body (or a subtest) failed so far; runs before the cleanups."""
        outcome = getattr(self, "_outcome", None)
        if outcome is None:
            return False
        if any(exc for _, exc in getattr(outcome, "errors", [])):  # Python before 3.11
            return True
        result = getattr(outcome, "result", None)
        for test, _ in getattr(result, "failures", []) + getattr(result, "errors", []):
            if test is self or getattr(test, "test_case", None) is self:
                return True
        return False

    def shot(self, name):
        """A screenshot named after the test, for the closing notes: build/e2e-shots/."""
        return self.session.screenshot(self.id().split(".", 1)[-1] + "-" + name)

    def tearDown(self):
        if self._has_failed():
            try:
                log("failure screenshot: " + self.session.screenshot("fail-" + self.id().split(".", 1)[-1]))
            except Exception as e:  # a screenshot must not hide the real failure
                log("no screenshot: %s" % e)


def main():
    """unittest.main() for a test file run alone or by CTest."""
    unittest.main(verbosity=2)
