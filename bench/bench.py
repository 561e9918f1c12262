"""Corvel's benchmarks under Wine, in the test desktop; prints one table (run by scripts/bench.sh).

Every figure is set beside its lower bound, measured in the same run:
- start-up: corvel.exe started to the caption button drawn on a target window (so the hook is
  installed and the first collection pass has drawn), against bare_minimizer.exe started to its
  own drawing at that place; the pixels are read with XGetImage from the X server;
- idle: six 10-second spans with ten hooked target windows and nothing happening: Corvel's CPU
  time (/proc, and GetProcessTimes through corvel_bench.exe), the messages and WM_TIMERs its thread
  takes (a WH_GETMESSAGE hook of corvel_probe.dll) and its wake-ups (voluntary context switches of
  all threads of the wine process, /proc); the lower bound is none;
- minimize (HM_BUTTONUP to the window hidden with its tray icon in the tray) and restore (icon
  click to the window visible and not minimized): corvel_bench.exe owns the window and the tray
  and times each step by the messages as they arrive, against bare_minimizer.exe, which takes the
  same requests through the same one-shot timer and only hides or shows the window and adds or
  deletes the icon;
- a collection pass over 10, 100 and 300 top-level windows of another process: the shipped pass
  of the main window run in corvel_bench.exe, against a bare walk that tests the style and draws
  on the windows the table would hold;
- hook overhead: 10,000 title-bar repaints of a target (targets.exe ncpaint) with Corvel's hook
  installed and without it, and against the same repaints each followed by a draw where the
  button goes, without a hook and with an empty global hook (what any such hook costs);
- end of session: WM_ENDSESSION posted to Corvel with 0, 100 and 300 windows held (tray icon and
  menu entry each) to its process gone, every held window visible again; against
  bare_minimizer.exe's own end, and a bare end with one idle thread, and in a process of Corvel's
  size (bare_minimizer.exe sized);
- growth over 1,000 cycles: GDI objects (Corvel's GDI handle table through its PEB), USER objects
  (corvel_probe.dll inside Corvel), working set (GetProcessMemoryInfo) and resident set (/proc);
- button windows (win10, the defaults): how soon a button window follows its window's move; the
  pointer moving over ten served windows (Corvel's CPU time and wake-ups, and the windows'
  program's CPU time against the same without Corvel); title-bar repaints of a served window
  against the same without Corvel; the idle spans again with the button's own windows.

    python3 bench/bench.py [--quick] [--only PART,...]   (scripts/bench.sh sets up the desktop and
    builds first; PART is a method below: startup, latency, passes, hook_overhead, end_of_session,
    growth, idle, button_windows)

CORVEL_BENCH_BEFORE=PATH (a corvel_bench.exe of an earlier build, same width) adds that build's
collection passes, measured in turns with this one's, so that a change is judged in one run.
"""

import ctypes
import ctypes.util
import os
import platform
import statistics
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
import corvel_e2e as e2e  # noqa: E402
import robust_support as rs  # noqa: E402

QUICK = "--quick" in sys.argv
ONLY = set(sys.argv[sys.argv.index("--only") + 1].split(",")) if "--only" in sys.argv[:-1] else set()
STARTS = 3 if QUICK else 10
IDLE_SPANS, IDLE_SPAN = (2, 5) if QUICK else (6, 10)
LATENCY_CYCLES = 40 if QUICK else 200
PASS_SIZES = (10, 100, 300)
PASS_REPEATS = 6 if QUICK else 20
END_HELD = (0, 100, 300)
END_REPEATS = 1 if QUICK else 3
BARE_END_REPEATS = 3 if QUICK else 9  # a bare end is quick and varies more
END_BATCH = 100  # minimized at a time: the caption-button table holds 101 windows
END_PLACE = (120, 100, 420, 300)  # every window here: one pointer position is on every button
# A program that was just given back (or had hidden) 100 to 300 windows answers late: 5 to 16 s
# on a slow machine, while Wine maps or unmaps each one and the desktop follows.
TARGET_CATCH_UP = 60
REPAINTS = 10000
REPAINT_RUNS = 2 if QUICK else 5
GROWTH_CYCLES = 200 if QUICK else 1000
GROWTH_WARM_UP = 30
IDLE_WINDOWS = 10
MOVES = 100 if QUICK else 1000
POINTER_SPANS, POINTER_SPAN = (2, 5) if QUICK else (3, 10)
POINTER_STEP = 0.01  # s between two pointer moves
TARGET = (560, 40, 400, 280)


def log(*args):
    print("[bench]", *args, file=sys.stderr, flush=True)


# -- the screen, read from the X server --------------------------------------------------------

class _Funcs(ctypes.Structure):
    _fields_ = [("create_image", ctypes.c_void_p), ("destroy_image", ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p)),
                ("get_pixel", ctypes.c_void_p), ("put_pixel", ctypes.c_void_p), ("sub_image", ctypes.c_void_p),
                ("add_pixel", ctypes.c_void_p)]


class _XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.c_void_p), ("byte_order", ctypes.c_int),
                ("bitmap_unit", ctypes.c_int), ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int), ("bits_per_pixel", ctypes.c_int),
                ("red_mask", ctypes.c_ulong), ("green_mask", ctypes.c_ulong), ("blue_mask", ctypes.c_ulong),
                ("obdata", ctypes.c_void_p), ("f", _Funcs)]


class Screen:
    """Pixels of a screen rectangle in well under a millisecond (XGetImage of the root window)."""

    ZPIXMAP = 2
    ALL_PLANES = 0xFFFFFFFF

    def __init__(self, display):
        self.x = ctypes.CDLL(ctypes.util.find_library("X11"))
        self.x.XOpenDisplay.restype = ctypes.c_void_p
        self.x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x.XDefaultRootWindow.restype = ctypes.c_ulong
        self.x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.x.XGetImage.restype = ctypes.POINTER(_XImage)
        self.x.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                                     ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        self.dpy = self.x.XOpenDisplay(display.encode())
        if not self.dpy:
            raise e2e.E2EError("cannot open display %s" % display)
        self.root = self.x.XDefaultRootWindow(self.dpy)

    def grab(self, rect):
        left, top, right, bottom = rect
        img = self.x.XGetImage(self.dpy, self.root, left, top, right - left, bottom - top, self.ALL_PLANES,
                               self.ZPIXMAP)
        if not img:
            return b""
        data = ctypes.string_at(img.contents.data, img.contents.bytes_per_line * img.contents.height)
        img.contents.f.destroy_image(ctypes.cast(img, ctypes.c_void_p))
        return data


# -- statistics and the table -----------------------------------------------------------------

def median(values):
    return statistics.median(values)


ROWS = []


def row(name, unit, values, bound_values=None, note="", worst=max):
    """A line of the table: median and worst of `values`, against the median of the lower bound."""
    med, bad = median(values), worst(values)
    bound = median(bound_values) if bound_values else None
    ratio = "%.2f" % (med / bound) if bound else "-"
    with_unit = lambda v: ("%s %s" % (fmt(v), unit)).strip()  # noqa: E731
    ROWS.append((name, with_unit(med), with_unit(bad),
                 with_unit(bound) if bound is not None else ("0" if bound_values == [] else "-"), ratio, note))
    log("%s: median %s, worst %s, bound %s" % (name, fmt(med), fmt(bad), fmt(bound) if bound else "-"))


def fmt(v):
    if v is None:
        return "-"
    if isinstance(v, int) or float(v).is_integer():
        return "%d" % v
    return "%.3g" % v if abs(v) < 10 else "%.0f" % v


def table():
    head = ("Figure", "Median", "Worst", "Lower bound", "Ratio", "How")
    lines = ["| " + " | ".join(head) + " |", "|" + "|".join("---" for _ in head) + "|"]
    lines += ["| " + " | ".join(r) + " |" for r in ROWS]
    return "\n".join(lines)


def machine():
    cpu = "?"
    with open("/proc/cpuinfo") as f:
        for line in f:
            if line.startswith("model name"):
                cpu = line.split(":", 1)[1].strip()
                break
    wine = subprocess.run([e2e.WINE, "--version"], capture_output=True, text=True).stdout.strip()
    return "%s build (%s prefix), %d cores (nproc), %s, %s, %s" % (
        e2e.ARCH["CORVEL_ARCH"], e2e.ARCH["CORVEL_WINEARCH"], os.cpu_count(), cpu, wine, platform.platform())


# -- the measurements -------------------------------------------------------------------------

class Bench:

    def __init__(self):
        self.s = e2e.session()
        self.t = self.s.targets
        self.screen = Screen(self.s.env["DISPLAY"])
        rs.remove_journal(self.s)
        self.s.write_ini(rs.settings())
        self.tray = rs.start_tray(self.s)

    def start_corvel(self):
        corvel = self.s.start_corvel()
        return corvel

    def bare(self, *args):
        exe = os.path.join(self.s.bin_dir, "bare_minimizer.exe")
        proc = self.s.popen([self.s.wine, exe] + list(args), "bare", stdin=subprocess.DEVNULL)
        hwnd = self.s.wait_for(lambda: self.t.find("CorvelBareMinimizer"), 20)
        if not hwnd:
            raise e2e.E2EError("bare_minimizer.exe did not start")
        return proc, hwnd

    def end_bare(self, proc, hwnd):
        self.t.post(hwnd, e2e.WM_ENDSESSION, 1, 0)
        if not e2e.wait_ended(proc, 5):
            e2e._end_process(proc)

    # Start-up

    def button_area(self, h):
        return e2e.button_rect(self.t.state(h))

    def clean_title_bar(self, h, rect):
        self.t.cmd("frame 0x%x" % h)
        time.sleep(0.3)
        return self.screen.grab(rect)

    def time_to_drawn(self, start, h, rect):
        clean = self.clean_title_bar(h, rect)
        t0 = time.monotonic()
        handle = start()
        while self.screen.grab(rect) == clean:
            if time.monotonic() - t0 > 20:
                raise e2e.E2EError("nothing drawn on the title bar within 20 s")
            time.sleep(0.0005)
        return time.monotonic() - t0, handle

    def launch_corvel(self):
        """What starts corvel.exe and nothing else (the session's start asks for windows first)."""
        others = {w["hwnd"] for w in self.t.toplevel(e2e.MAIN_CLASS, e2e.MAIN_CAPTION)}

        def start():
            proc = self.s.popen([self.s.wine, os.path.join(self.s.bin_dir, "corvel.exe")], "corvel", cwd=self.s.bin_dir,
                                stdin=subprocess.DEVNULL)
            corvel = e2e.Corvel(self.s, proc)
            corvel.others = others
            self.s._adopt(proc, corvel)
            return corvel
        return start

    def startup(self):
        h = self.t.make(*TARGET, "Start-up target")
        time.sleep(0.3)
        rect = self.button_area(h)
        corvel_times, bare_times = [], []
        for _ in range(STARTS):
            taken, corvel = self.time_to_drawn(self.launch_corvel(), h, rect)
            corvel_times.append(taken * 1000)
            corvel.wait_ready()
            corvel.stop()
            taken, proc = self.time_to_drawn(
                lambda: self.s.popen([self.s.wine, os.path.join(self.s.bin_dir, "bare_minimizer.exe"), "draw"], "bare",
                                     stdin=subprocess.DEVNULL), h, rect)
            bare_times.append(taken * 1000)
            hwnd = self.s.wait_for(lambda: self.t.find("CorvelBareMinimizer"), 10)
            self.end_bare(proc, hwnd)
        self.t.close(h)
        row("Start-up: process start to hook in and first pass drawn (%d starts)" % STARTS, "ms", corvel_times,
            bare_times, "pixels of the button read by XGetImage; bound: a bare program that starts and draws there")

    # End of session

    def hold(self, corvel, t, count):
        """`count` windows of `t`, minimized through their buttons a table's worth at a time."""
        held = []
        while len(held) < count:
            batch = [t.make(*END_PLACE, "Held %d" % (len(held) + i)) for i in range(min(END_BATCH, count - len(held)))]
            corvel.post(rs.HM_RESCAN)
            time.sleep(1.0)
            self.s.mousemove(*rs.button_centre(t.state(batch[0])))
            # The requests share one pending slot: those that a later one replaced are sent again.
            for _ in range(10):
                shown = [h for h, vis in rs.visibility([(t, h) for h in batch], TARGET_CATCH_UP).items() if vis]
                if not shown:
                    break
                for h in shown:
                    corvel.post(rs.HM_BUTTONUP, 0, h)
                    time.sleep(0.05)
                time.sleep(1.0)
                # One that was not in the table yet is taken by the next pass.
                corvel.post(rs.HM_RESCAN)
                time.sleep(0.5)
            else:
                raise e2e.E2EError("%d of %d windows were not minimized" % (len(shown), len(batch)))
            held += batch
        return held

    def end_of_session(self):
        bare, threaded, sized = [], [], []
        for _ in range(BARE_END_REPEATS):  # in turns
            for args, times in (((), bare), (("thread",), threaded), (("sized",), sized)):
                proc, hwnd = self.bare(*args)
                t0 = time.monotonic()
                self.end_bare(proc, hwnd)
                times.append((time.monotonic() - t0) * 1000)
        for count in END_HELD:
            times = []
            for _ in range(END_REPEATS):
                t = self.s.start_targets("targets-end")
                corvel = None
                try:
                    corvel = self.start_corvel()
                    held = self.hold(corvel, t, count)
                    taken = corvel.end_session(30)
                    if taken is None:
                        raise e2e.E2EError("Corvel did not end within 30 s with %d windows held" % count)
                    if not all(rs.visibility([(t, h) for h in held], TARGET_CATCH_UP).values()):
                        raise e2e.E2EError("windows hidden after the end of session")
                    times.append(taken * 1000)
                finally:
                    if corvel is not None:
                        corvel.stop()  # when a step failed, so that it holds no later start
                    t.quit()
            row("End of session: WM_ENDSESSION to process gone, %d windows held (%d runs)" % (count, END_REPEATS), "ms",
                times, bare, "each held window visible again afterwards; bound: bare_minimizer.exe's own end")
        row("End of session, bound with one idle thread (%d runs)" % BARE_END_REPEATS, "ms", threaded, bare,
            "bare_minimizer.exe thread, one more thread waiting as Corvel's tray thread does; against the bound above")
        row("End of session, bound of a process of Corvel's size (%d runs)" % BARE_END_REPEATS, "ms", sized, bare,
            "bare_minimizer.exe sized: the thread, Corvel's libraries and memory in use, ExitProcess; against the bound above")

    # Idle

    def idle(self, label="", own_windows=False):
        windows = [self.t.make(40 + 30 * i, 360 + 10 * i, 300, 200, "Idle %d" % i) for i in range(IDLE_WINDOWS)]
        if own_windows:
            self.own_windows()
        corvel = self.start_corvel()
        pid = corvel.windows_pid()
        if self.tray.cmd("probe %d" % pid) != "ok" or self.tray.cmd("watch 0x%x" % corvel.hwnd) != "ok":
            raise e2e.E2EError("the probe did not load into Corvel")
        time.sleep(2)  # the one-shot redraw after the last activation
        cpu, wakeups, messages, timers, win_cpu = [], [], [], [], []
        for _ in range(IDLE_SPANS):
            # Reading Corvel's memory may wake it: that is done outside the span.
            (m0, t0), w0 = self.tray.numbers("watched %d" % pid), self.tray.numbers("cputime %d" % pid)
            time.sleep(0.2)
            p0 = rs.proc_counters(corvel.proc.pid)
            time.sleep(IDLE_SPAN)
            p1 = rs.proc_counters(corvel.proc.pid)
            (m1, t1), w1 = self.tray.numbers("watched %d" % pid), self.tray.numbers("cputime %d" % pid)
            cpu.append((p1["cpu"] - p0["cpu"]) * 1000)
            win_cpu.append(sum(w1) - sum(w0))
            wakeups.append(p1["wakeups"] - p0["wakeups"])
            messages.append(m1 - m0)
            timers.append(t1 - t0)
        self.tray.cmd("unwatch")
        corvel.stop()
        for w in windows:
            self.t.close(w)
        self.drawn_button()
        span = "%d s spans, %d %s windows, nothing happening" % (IDLE_SPAN, IDLE_WINDOWS,
                                                                  "served" if own_windows else "hooked")
        row("Idle%s: CPU time per %d s" % (label, IDLE_SPAN), "ms", cpu, [],
            "/proc utime+stime; GetProcessTimes says %s ms; %s" % (fmt(median(win_cpu)), span))
        row("Idle%s: wake-ups per %d s" % (label, IDLE_SPAN), "", wakeups, [], "voluntary context switches, all threads")
        row("Idle%s: messages taken per %d s" % (label, IDLE_SPAN), "", messages, [], "WH_GETMESSAGE hook inside Corvel")
        row("Idle%s: WM_TIMER per %d s" % (label, IDLE_SPAN), "", timers, [], "the same hook")

    # The button as windows of Corvel's own (win10, the defaults)

    def own_windows(self):
        self.s.set_version("win10")
        self.s.write_ini(rs.settings().replace("CaptionButton=1", "CaptionButton=0"))

    def drawn_button(self):
        self.s.set_version("default")
        self.s.write_ini(rs.settings())

    def button_windows(self):
        s, t = self.s, self.t
        self.own_windows()
        try:
            corvel = self.start_corvel()
            h = t.make(*TARGET, "Followed")

            def button_x():
                shown = [w for w in t.toplevel("TCaptionButton") if w["vis"]]
                return t.state(shown[0]["hwnd"])["x"] if len(shown) == 1 else None
            if not s.wait_for(lambda: button_x() is not None, 10, 0.05):
                raise e2e.E2EError("no button window")
            offset = button_x() - TARGET[0]
            follow, bound = [], []
            for i in range(MOVES):
                x = TARGET[0] + (40 if i % 2 == 0 else 0)
                t0 = time.monotonic()
                t.cmd("move 0x%x %d %d %d %d" % (h, x, TARGET[1], TARGET[2], TARGET[3]))
                moved = time.monotonic()
                if not s.wait_for(lambda: button_x() == x + offset, 5, 0.0005):
                    raise e2e.E2EError("the button window did not follow move %d" % i)
                follow.append((time.monotonic() - t0) * 1000)
                bound.append((moved - t0) * 1000)
            # Timed inside the target's program: its own move, then the time until the button
            # window stands at its new place.
            after, own = [], []
            button = [w["hwnd"] for w in t.toplevel("TCaptionButton") if w["vis"]][0]
            for i in range(MOVES):
                x = TARGET[0] + (40 if i % 2 == 0 else 0)
                reply = t.cmd("movewatch 0x%x %d %d %d %d 0x%x %d" % ((h, x) + TARGET[1:] + (button, x + offset)))
                if reply == "timeout":
                    raise e2e.E2EError("the button window did not follow move %d" % i)
                move_us, follow_us = (int(v) for v in reply.split())
                own.append(move_us / 1000.0)
                after.append(follow_us / 1000.0)
            corvel.stop()
            t.close(h)
        finally:
            self.drawn_button()
        row("Button window: after its window's move, until the button is there (%d moves)" % MOVES, "ms", after, own,
            "targets.exe movewatch: the target's SetWindowPos (it raises EVENT_OBJECT_LOCATIONCHANGE), then "
            "GetWindowRect of the button window until it is there; bound: that SetWindowPos; aim: ratio 1.2")
        row("Button window: a move of its window to the button there (%d moves)" % MOVES, "ms", follow, bound,
            "the target's SetWindowPos raises EVENT_OBJECT_LOCATIONCHANGE (as Windows does); read by polling "
            "the button window's place; bound: the target's own move, command to answer")
        self.own_windows()
        try:
            self.pointer_moving()
            self.served_repaints()
        finally:
            self.drawn_button()
        self.idle(" (button windows)", own_windows=True)

    def move_pointer(self, seconds):
        """The pointer over the desktop and the windows for `seconds`, one xdotool process."""
        steps = int(seconds / POINTER_STEP)
        args = []
        for i in range(steps):
            args += ["mousemove", 60 + (i * 7) % 900, 60 + (i * 3) % 600, "sleep", POINTER_STEP]
        subprocess.run(["xdotool"] + [str(a) for a in args], env=self.s.env, check=True, timeout=seconds * 5 + 30,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def pointer_moving(self):
        """Corvel serving ten windows while the pointer moves over them: its own CPU time and
        wake-ups, and what the windows' program spends with Corvel and without."""
        windows = [self.t.make(40 + 60 * i, 60 + 40 * i, 300, 200, "Pointer %d" % i) for i in range(IDLE_WINDOWS)]
        t_pid = self.t.proc.pid

        def spans(corvel):
            cpu, wakeups, program = [], [], []
            for _ in range(POINTER_SPANS):
                c0 = rs.proc_counters(corvel.proc.pid) if corvel else None
                p0 = rs.proc_counters(t_pid)
                self.move_pointer(POINTER_SPAN)
                p1 = rs.proc_counters(t_pid)
                if corvel:
                    c1 = rs.proc_counters(corvel.proc.pid)
                    cpu.append((c1["cpu"] - c0["cpu"]) * 1000)
                    wakeups.append(c1["wakeups"] - c0["wakeups"])
                program.append((p1["cpu"] - p0["cpu"]) * 1000)
            return cpu, wakeups, program

        _, _, alone = spans(None)
        corvel = self.start_corvel()
        time.sleep(2)
        cpu, wakeups, served = spans(corvel)
        corvel.stop()
        for w in windows:
            self.t.close(w)
        what = "%d s of pointer moves every %d ms over %d served windows" % (POINTER_SPAN, POINTER_STEP * 1000,
                                                                            IDLE_WINDOWS)
        row("Button windows, pointer moving: Corvel's CPU time per %d s" % POINTER_SPAN, "ms", cpu, [],
            "/proc utime+stime; " + what)
        row("Button windows, pointer moving: Corvel's wake-ups per %d s" % POINTER_SPAN, "", wakeups, [],
            "voluntary context switches, all threads; events of other objects than windows are filtered out")
        row("Button windows, pointer moving: the windows' program, CPU per %d s" % POINTER_SPAN, "ms", served, alone,
            "targets.exe, /proc; bound: the same moves without Corvel")

    def served_repaints(self):
        """The hook row for the button windows: nothing of Corvel's runs in the repainted program."""
        h = self.t.make(*TARGET, "Repainted")
        time.sleep(0.3)
        without = [int(self.t.cmd("ncpaint 0x%x %d" % (h, REPAINTS), timeout=300)) for _ in range(REPAINT_RUNS)]
        corvel = self.start_corvel()
        time.sleep(0.5)
        served = [int(self.t.cmd("ncpaint 0x%x %d" % (h, REPAINTS), timeout=300)) for _ in range(REPAINT_RUNS)]
        corvel.stop()
        self.t.close(h)
        row("Button windows: %d title-bar repaints of a served window (%d runs)" % (REPAINTS, REPAINT_RUNS), "ms",
            served, without, "targets.exe ncpaint with a button window over it; bound: the same without Corvel")

    # Minimize and restore

    def latency(self):
        target = int(self.tray.cmd("window %d %d %d %d Latency target" % TARGET), 0)
        time.sleep(0.3)
        corvel = self.start_corvel()
        time.sleep(0.5)
        rs.cycles(self.tray, corvel.hwnd, target, 10)
        mins, restores, retries = rs.cycles(self.tray, corvel.hwnd, target, LATENCY_CYCLES)
        corvel.stop()
        proc, bare = self.bare()
        rs.cycles(self.tray, bare, target, 10)
        bare_mins, bare_restores, _ = rs.cycles(self.tray, bare, target, LATENCY_CYCLES)
        self.end_bare(proc, bare)
        proc, bare = self.bare("steps")
        rs.cycles(self.tray, bare, target, 10)
        steps_mins, steps_restores, _ = rs.cycles(self.tray, bare, target, LATENCY_CYCLES)
        self.end_bare(proc, bare)
        us = 1000.0
        row("Minimize: HM_BUTTONUP to hidden with tray icon (%d cycles)" % LATENCY_CYCLES, "ms",
            [v / us for v in mins], [v / us for v in bare_mins],
            "tray icon and menu entry; bound: one 1 ms timer (10 ms), ShowWindowAsync, Shell_NotifyIconA"
            + ("; %d requests sent again" % retries if retries else ""))
        row("Restore: icon click to visible (%d cycles)" % LATENCY_CYCLES, "ms", [v / us for v in restores],
            [v / us for v in bare_restores], "bound: the same timer, Shell_NotifyIconA, ShowWindowAsync")
        # The same bound with Corvel's window steps: what Wine's handling of them costs.
        row("Minimize, bound with Corvel's window steps", "ms", [v / us for v in steps_mins],
            [v / us for v in bare_mins], "bare_minimizer.exe steps: minimized, then hidden; against the bound above")
        row("Restore, bound with Corvel's window steps", "ms", [v / us for v in steps_restores],
            [v / us for v in bare_restores], "shown, restored, brought to the front; against the bound above")

    # Collection pass

    def passes(self):
        made = []
        exe = os.path.join(self.s.bin_dir, "corvel_bench.exe")
        before = os.environ.get("CORVEL_BENCH_BEFORE")

        def run(mode, repeats, exe=exe):
            out = subprocess.run([self.s.wine, exe, mode, str(repeats)], env=self.s.env, capture_output=True, text=True,
                                 timeout=300).stdout.split()
            fields = dict(zip(out[0::2], out[1::2]))
            return [int(v) / 1000.0 for v in fields["pass"].split(",")], fields["toplevel"], fields["collected"]

        for n in PASS_SIZES:
            while len(made) < n:
                i = len(made)
                made.append(self.t.make(100 + (i % 30) * 12, 60 + (i % 25) * 12, 420, 300, "Pass %d" % i))
            time.sleep(2)  # the new windows have painted
            times, bare, earlier = [], [], []
            for _ in range(2):  # in turns, so that neither has the quieter moment
                times += run("pass", PASS_REPEATS // 2)[0]
                b, top, _ = run("barepass", PASS_REPEATS // 2)
                bare += b
                if before:
                    earlier += run("pass", PASS_REPEATS // 2, before)[0]
            collected = run("pass", 1)[2]
            row("Collection pass, %d target windows (%s top-level)" % (n, top), "ms", times, bare,
                "%s in the table; %d passes; bound: walk, style test, draw, pending messages"
                % (collected, len(times)))
            if before:
                row("Collection pass, %d target windows, the earlier build" % n, "ms", earlier, bare,
                    "CORVEL_BENCH_BEFORE, in turns with the row above; the same bound")
        for h in made:
            self.t.close(h)

    # Hook overhead

    def hook_overhead(self):
        h = self.t.make(*TARGET, "Repainted")
        time.sleep(0.3)
        without = [int(self.t.cmd("ncpaint 0x%x %d" % (h, REPAINTS), timeout=300)) for _ in range(REPAINT_RUNS)]
        drawn = [int(self.t.cmd("ncpaintdraw 0x%x %d" % (h, REPAINTS), timeout=300)) for _ in range(REPAINT_RUNS)]
        if self.tray.cmd("emptyhook on") != "ok":
            raise e2e.E2EError("the empty hook could not be set")
        time.sleep(0.3)
        empty = [int(self.t.cmd("ncpaintdraw 0x%x %d" % (h, REPAINTS), timeout=300)) for _ in range(REPAINT_RUNS)]
        self.tray.cmd("emptyhook off")
        corvel = self.start_corvel()
        time.sleep(0.5)
        hooked = [int(self.t.cmd("ncpaint 0x%x %d" % (h, REPAINTS), timeout=300)) for _ in range(REPAINT_RUNS)]
        corvel.stop()
        self.t.close(h)
        row("Hook: %d title-bar repaints of a hooked window (%d runs)" % (REPAINTS, REPAINT_RUNS), "ms", hooked,
            without, "targets.exe ncpaint; bound: the same without Corvel's hook")
        row("Hook, bound with one button drawn per repaint", "ms", hooked, drawn,
            "targets.exe ncpaintdraw: no hook, GetWindowDC and SetDIBitsToDevice of 16x16 pixels after each")
        row("Hook, bound with one button drawn per repaint and an empty global hook", "ms", hooked, empty,
            "the same with a WH_CALLWNDPROCRET hook of corvel_probe.dll that does nothing, set from another process")

    # Growth

    def growth(self):
        target = int(self.tray.cmd("window %d %d %d %d Growth target" % TARGET), 0)
        time.sleep(0.3)
        corvel = self.start_corvel()
        time.sleep(0.5)
        if self.tray.cmd("probe %d" % corvel.windows_pid()) != "ok":
            raise e2e.E2EError("the probe did not load into Corvel")
        rs.cycles(self.tray, corvel.hwnd, target, GROWTH_WARM_UP, 25)
        before = rs.resources(self.tray, corvel)
        rs.cycles(self.tray, corvel.hwnd, target, GROWTH_CYCLES, 25)
        after = rs.resources(self.tray, corvel)
        corvel.stop()
        how = {"gdi": "GDI objects (GDI handle table via the PEB)",
               "user_windows": "USER windows (probe inside Corvel)", "user_menus": "USER menus (probe)",
               "user_icons": "USER icons and cursors (probe)", "working_set_kb": "working set, KiB (GetProcessMemoryInfo)",
               "rss_kb": "resident set, KiB (/proc VmRSS)"}
        for key, name in how.items():
            ROWS.append(("Growth over %d cycles: %s" % (GROWTH_CYCLES, name), "%+d" % (after[key] - before[key]), "-",
                         "0", "-", "%d before, %d after" % (before[key], after[key])))
            log("growth %s: %d -> %d" % (key, before[key], after[key]))

    def close(self):
        self.tray.quit()
        rs.remove_journal(self.s)
        self.s.remove_ini()


def main():
    started = time.monotonic()
    b = Bench()
    try:
        for part in (b.startup, b.latency, b.passes, b.hook_overhead, b.end_of_session, b.growth, b.idle,
                     b.button_windows):
            if ONLY and part.__name__ not in ONLY:
                continue
            log("running %s" % part.__name__)
            try:
                part()
            except e2e.E2EError as e:
                # One part that could not be measured says so in the table; the others still run.
                log("%s could not be measured: %s" % (part.__name__, e))
                ROWS.append((part.__name__.replace("_", " ").capitalize() + ": not measured", "-", "-", "-", "-",
                             str(e)))
    finally:
        b.close()
    print()
    print("Corvel benchmarks%s, %s" % (" (quick)" if QUICK else "", machine()))
    print("Run %s, %.0f s" % (time.strftime("%Y-%m-%d"), time.monotonic() - started))
    print()
    print(table())


if __name__ == "__main__":
    main()
