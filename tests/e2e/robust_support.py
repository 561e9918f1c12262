"""Helpers of the robustness, random and stress tests: a client of bench/corvel_bench.exe (the
recording tray that keeps the live icons, queries of Corvel's main window, resource counts of
another process), the settings these tests run with, and the check that no window is lost."""

import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import corvel_e2e as e2e  # noqa: E402

HM_BUTTONUP = 0x40B
HM_RESCAN = 0x409
HM_POPUPMENU = 0x401
WM_HOTKEY = 0x312
WM_LBUTTONDOWN = 0x201
WM_LBUTTONUP = 0x202
WM_RBUTTONUP = 0x205
HELD_IN_TRAY = 0
HELD_IN_MENU = 1
IN_BUTTON_TABLE = 2

# The classic button, tray icons and menu entries, no floating windows; Ctrl+Tab. Two modes, the
# version and the CaptionButton setting: drawn into title bars by the hook library (Windows XP),
# and the small windows of Corvel's own (Windows 10).
SETTINGS = ("[Options]\nHotKey=1\n[Visualization]\nSymbolType=0\nCaptionButton=%d\n"
            "[MinOptions]\nMinToTray=%d\nMinToMenu=%d\nMinToWindow=0\n")
MODES = {"drawn": ("winxp", 1), "windows": ("win10", 2)}


def settings(tray=True, menu=True, mode="drawn"):
    return SETTINGS % (MODES[mode][1], int(tray), int(menu))


def in_each_mode(test, run):
    """run(mode) once in each mode, as a subtest; a failed one's Corvel is ended before the next
    starts (one Corvel at a time)."""
    for mode in MODES:
        with test.subTest(mode=mode):
            try:
                run(mode)
            finally:
                test.session.end_stray_corvel()


def use_mode(session, mode, tray=True, menu=True):
    """The version and the settings file of a mode, for the next start of Corvel."""
    session.set_version(MODES[mode][0])
    session.write_ini(settings(tray, menu, mode))


class Bench(e2e.Targets):
    """Client of corvel_bench.exe (one command a line, like targets.exe)."""

    def __init__(self, session, name="bench"):
        super().__init__(session, name, exe=os.path.join(session.bin_dir, "corvel_bench.exe"))
        session._adopt(self.proc, self)

    def icons(self):
        """Live icons of the recording tray: {(owner, uid): callback}."""
        parts = self.cmd("icons").split()
        out = {}
        for item in parts[1:]:
            owner, uid, callback = (int(x, 16) for x in item.split(":"))
            out[(owner, uid)] = callback
        return out

    def held(self, main, which):
        parts = self.cmd("held 0x%x %d" % (main, which)).split()
        if parts[0] == "timeout":
            raise e2e.E2EError("Corvel's main window does not answer")
        return [int(x, 16) for x in parts[1:]]

    def ping(self, hwnd):
        """Seconds until the window answers, or None."""
        reply = self.cmd("ping 0x%x" % hwnd, timeout=20)
        return None if reply == "timeout" else int(reply) / 1e6

    def numbers(self, line):
        reply = self.cmd(line, timeout=60)
        if reply.startswith("error"):
            raise e2e.E2EError("%s: %s" % (line, reply))
        return [int(x) for x in reply.split()]


def start_tray(session):
    b = Bench(session, "bench-tray")
    b.cmd("tray")
    return b


JOURNAL_NAME = e2e.JOURNAL_NAME


def journal_path(session):
    return os.path.join(session.windows_dir, JOURNAL_NAME)


def write_journal(session, entries):
    """entries: (hwnd, windows pid, title); the format of core/hidden_journal.cpp."""
    with open(journal_path(session), "wb") as f:
        f.write("".join("%08X %08X %s\n" % e for e in entries).encode("latin-1"))


def remove_journal(session):
    for name in (JOURNAL_NAME, JOURNAL_NAME + ".new"):
        try:
            os.remove(os.path.join(session.windows_dir, name))
        except FileNotFoundError:
            pass


def wait_tracked(session, corvel, windows, timeout=10):
    """Waits until each window is in Corvel's caption-button table (a collection pass took it)."""
    return session.wait_for(lambda: set(windows) <= set(corvel.held(e2e.IN_BUTTON_TABLE)), timeout, 0.1)


button_centre = e2e.button_centre


def point_at_button(session, targets, hwnd):
    session.point(*button_centre(targets.state(hwnd)))


def button_windows(session):
    """Whether the Corvel started next shows the button by windows of its own (by its mode)."""
    return session.version == MODES["windows"][0]


BUTTON_WINDOW_CLASS = "TCaptionButton"
BUTTON_READY = 6.0  # seconds; a loaded machine takes its time


def wait_button_ready(session, targets, hwnd):
    """With button windows: until a click at the button's place goes to a button window (one
    comes back a moment after its window, and goes above it a moment after an activation)."""
    if not button_windows(session):
        return True
    x, y = button_centre(targets.state(hwnd))
    buttons = lambda: {w["hwnd"] for w in targets.toplevel(BUTTON_WINDOW_CLASS) if w["vis"]}  # noqa: E731
    if not session.wait_for(lambda: targets.frompoint(x, y) in buttons(), BUTTON_READY, 0.05):
        raise e2e.E2EError("no button window at (%d, %d) on 0x%x within %.0f s (%s there)"
                           % (x, y, hwnd, BUTTON_READY, targets.frompoint(x, y)))
    return True


def post_button_up(session, corvel, targets, hwnd):
    """What Hooks.dll posts for a release on the button, with the pointer on it."""
    wait_button_ready(session, targets, hwnd)
    point_at_button(session, targets, hwnd)
    corvel.post(HM_BUTTONUP, 0, hwnd)


def click_button(session, targets, hwnd):
    """A real press and release on the caption button, the window brought to the front first."""
    targets.cmd("fg 0x%x" % hwnd)
    wait_button_ready(session, targets, hwnd)
    x, y = button_centre(targets.state(hwnd))
    # The pointer there first: a loaded Wine may take a move late, and the press with it.
    session.point(x, y)
    session.xdotool("mousedown", 1)
    time.sleep(0.05)
    session.mouseup()


def icon_callback(tray, corvel, hwnd):
    return tray.icons().get((corvel.hwnd, hwnd))


def click_icon(session, tray, corvel, hwnd):
    """A left click on the window's tray icon as Wine's tray delivers it; False without icon."""
    callback = icon_callback(tray, corvel, hwnd)
    if callback is None:
        return False
    session.targets.post(corvel.hwnd, callback, hwnd, WM_LBUTTONDOWN)
    session.targets.post(corvel.hwnd, callback, hwnd, WM_LBUTTONUP)
    return True


def no_restore_under_way(windows, timeout=6.0):
    """Until no window of (targets client, hwnd) pairs is shown but still minimized: a restore
    under way brings its window to the front when it ends, and a hot key pressed meanwhile would
    take that window."""
    return e2e.Session.wait_for(
        lambda: not [h for c, h in windows if c.state(h)["vis"] and c.state(h)["iconic"]], timeout)


def visible(targets, hwnd, timeout=6.0):
    return e2e.Session.wait_for(lambda: targets.state(hwnd)["vis"] == 1, timeout)


def hidden(targets, hwnd, timeout=6.0):
    return e2e.Session.wait_for(lambda: targets.state(hwnd)["vis"] == 0, timeout)


def visibility(windows, timeout=15):
    """{hwnd: visible} of the live ones of (targets client, hwnd) pairs, one query per client.
    timeout: how long a client may take to answer (one busy with hundreds of windows just shown
    or hidden answers late)."""
    out = {}
    clients = {id(t): t for t, _ in windows}
    for t in clients.values():
        live = {w["hwnd"]: w["vis"] for w in t.toplevel("-", "-", timeout)}
        for c, h in windows:
            if c is t and h in live:
                out[h] = live[h]
    return out


def unrepresented(tray, corvel, windows):
    """Live hidden windows with neither a tray icon that Corvel answers nor a menu entry.
    windows: (targets client, hwnd) pairs."""
    icons = {uid for (owner, uid) in tray.icons() if owner == corvel.hwnd}
    in_tray = set(tray.held(corvel.hwnd, HELD_IN_TRAY)) & icons
    in_menu = set(tray.held(corvel.hwnd, HELD_IN_MENU))
    return [h for h, vis in visibility(windows).items() if not vis and h not in in_tray and h not in in_menu]


def lost_windows(tray, corvel, windows, grace=1.5):
    """The windows that stay hidden without a representation for `grace` seconds (a minimize
    hides the window a moment before its icon is added)."""
    deadline = time.monotonic() + grace
    lost = unrepresented(tray, corvel, windows)
    while lost and time.monotonic() < deadline:
        time.sleep(0.1)
        lost = unrepresented(tray, corvel, windows)
    return lost


# The tray menu: About, a separator, the window entries, a separator, Options, Exit.
MENU_AT = (600, 200)
MENU_FIXED_ITEMS = 3


def open_tray_menu(session, corvel):
    """Opens the tray menu as a right click on Corvel's icon does; its state dict, or None."""
    session.mousemove(*MENU_AT)
    corvel.post(HM_POPUPMENU, 0, WM_RBUTTONUP)
    t = session.targets
    found = session.wait_for(lambda: [w for w in t.toplevel("#32768") if w["vis"]], 3)
    return t.state(found[0]["hwnd"]) if found else None


def menu_entry_point(menu, index, entries):
    """Screen point of window entry `index` of a menu with `entries` of them."""
    rect = (menu["x"], menu["y"], menu["w"], menu["h"])
    item = (rect[3] - 2 * e2e.MENU_FRAME - 2 * e2e.MENU_SEPARATOR) // (entries + MENU_FIXED_ITEMS)
    return e2e.menu_row_centre(rect, 0, item, 1 + index, 1)


def menu_exit_point(menu):
    # Exit is the last item, whatever the entries.
    return menu["x"] + menu["w"] // 2, menu["y"] + menu["h"] - e2e.MENU_FRAME - 8


def wait_menu_closed(session, timeout=3):
    t = session.targets
    return session.wait_for(lambda: not [w for w in t.toplevel("#32768") if w["vis"]], timeout)


# -- what a process costs, from Linux (a Windows process of Wine is one Unix process) ---------

CLOCK_TICKS = os.sysconf("SC_CLK_TCK")


def proc_counters(unix_pid):
    """CPU seconds (user + system), context switches of all its threads (voluntary: it went to
    sleep and was woken; involuntary) and resident set in KiB."""
    with open("/proc/%d/stat" % unix_pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    cpu = (int(fields[11]) + int(fields[12])) / CLOCK_TICKS
    voluntary = involuntary = 0
    for tid in os.listdir("/proc/%d/task" % unix_pid):
        try:
            with open("/proc/%d/task/%s/status" % (unix_pid, tid)) as f:
                for line in f:
                    if line.startswith("voluntary_ctxt_switches"):
                        voluntary += int(line.split()[1])
                    elif line.startswith("nonvoluntary_ctxt_switches"):
                        involuntary += int(line.split()[1])
        except FileNotFoundError:
            pass
    rss = 0
    with open("/proc/%d/status" % unix_pid) as f:
        for line in f:
            if line.startswith("VmRSS"):
                rss = int(line.split()[1])
    return {"cpu": cpu, "wakeups": voluntary, "preempted": involuntary, "rss_kb": rss}


def resources(bench, corvel):
    """Corvel's live GDI objects, USER objects (through the probe, which must be loaded),
    working set and resident set."""
    pid = corvel.windows_pid()
    gdi = bench.numbers("gdi %d" % pid)[0]
    windows, menus, icons = bench.numbers("user %d" % pid)
    private, working = bench.numbers("mem %d" % pid)
    return {"gdi": gdi, "user_windows": windows, "user_menus": menus, "user_icons": icons,
            "working_set_kb": working // 1024, "rss_kb": proc_counters(corvel.proc.pid)["rss_kb"]}


def cycles(bench, receiver, target, n, settle_ms=50):
    """n minimize and restore cycles of bench's window `target` through the main window
    `receiver`, timed by corvel_bench.exe: (minimize us, restore us, retries)."""
    reply = bench.cmd("cycles 0x%x 0x%x %d %d" % (receiver, target, n, settle_ms), timeout=60 + n)
    if reply.startswith("error"):
        raise e2e.E2EError(reply)
    parts = reply.split()
    values = dict(zip(parts[0::2], parts[1::2]))
    return ([int(x) for x in values["min"].split(",")], [int(x) for x in values["restore"].split(",")],
            int(values["retries"]))


class JournalTrayTestCase(e2e.CorvelTestCase):
    """Each test starts without a journal of hidden windows and with a recording tray of its
    own (`self.tray`); both go at the end."""

    def setUp(self):
        super().setUp()
        s = self.session
        remove_journal(s)
        self.addCleanup(remove_journal, s)
        self.tray = start_tray(s)
        self.addCleanup(self.tray.quit)
