"""A seeded random walk through minimizes, restores, rescans, title changes, closing windows,
shell restarts and the ends of Corvel (Exit, WM_ENDSESSION, a kill and a new start), checked
after every step against one rule: every live target window is visible, or Corvel holds a
representation that brings it back (a tray icon that the tray has and Corvel answers, or an
entry of its tray menu). After the end every live target window is visible.

    CORVEL_RANDOM_SEEDS=5,6,7   the seeds (default: a fixed set for CI); "random:N" draws N seeds
    CORVEL_RANDOM_STEPS=400     steps per seed (default 40)
    CORVEL_RANDOM_LOG=1         print every walk's steps

A failure names its seed and step; the same seed replays the same walk."""

import os
import random
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import corvel_e2e as e2e  # noqa: E402
import robust_support as rs  # noqa: E402

CI_SEEDS = (1, 5, 7)  # both representations, the menu alone, the tray alone
DEFAULT_STEPS = 60
SLOTS = ((30, 40), (530, 40), (30, 400), (530, 400))
SIZE = (440, 300)
MAX_WINDOWS = len(SLOTS)
# (tray icon, menu entry) per run; a run without either has nothing to check.
REPRESENTATIONS = ((True, True), (True, False), (False, True))
ENDINGS = ("endsession", "menu", "kill")
# Requests that race a collection pass may be dropped; what they leave must still be sound.
RACE_DELAYS_MS = (0, 5, 10, 15, 25)
# How long an expected change may take on a loaded machine.
EXPECT = 6.0
FRONT_SETTLE = 0.3  # seconds a window stays in front before the hot key is pressed for it


def seeds():
    text = os.environ.get("CORVEL_RANDOM_SEEDS", "")
    if text.startswith("random:"):
        return [random.SystemRandom().randrange(1, 10 ** 6) for _ in range(int(text[7:]))]
    if text:
        return [int(x) for x in text.split(",") if x.strip()]
    return list(CI_SEEDS)


def steps():
    return int(os.environ.get("CORVEL_RANDOM_STEPS", DEFAULT_STEPS))


class Walk:
    """One seeded run: the session, the tray, Corvel, the target windows and what is expected."""

    def __init__(self, test, seed, n_steps, mode):
        self.test = test
        self.mode = mode
        self.s = test.session
        self.t = test.session.targets
        self.seed = seed
        self.n_steps = n_steps
        self.rng = random.Random(seed)
        self.use_tray, self.use_menu = self.rng.choice(REPRESENTATIONS)
        self.windows = []  # live target windows
        self.slots = {}    # their places on the screen, apart from each other
        self.step = 0
        self.log = []
        self.tray = None
        self.corvel = None

    # -- set-up ------------------------------------------------------------------------------

    def start_corvel(self):
        self.corvel = self.s.start_corvel()
        self.test.addCleanup(self.corvel.stop)

    def new_window(self):
        used = {self.slots[h] for h in self.windows}
        x, y = [p for p in SLOTS if p not in used][0]
        h = self.t.make(x, y, SIZE[0], SIZE[1], "Walk %d.%d" % (self.seed, self.step))
        self.windows.append(h)
        self.slots[h] = (x, y)
        self.test.all_windows.add(h)
        time.sleep(0.15)  # the rescan that follows a new window
        return h

    # -- what Corvel holds -------------------------------------------------------------------

    def shown(self):
        return [h for h in self.windows if self.t.state(h)["vis"]]

    def held(self):
        return [h for h in self.windows if not self.t.state(h)["vis"]]

    def in_tray(self, h):
        return rs.icon_callback(self.tray, self.corvel, h) is not None and \
            h in self.tray.held(self.corvel.hwnd, rs.HELD_IN_TRAY)

    def in_menu(self, h):
        return h in self.tray.held(self.corvel.hwnd, rs.HELD_IN_MENU)

    def fail(self, what):
        self.test.fail(self.mode + " button, seed %d, step %d: %s\nsteps so far: %s" % (self.seed, self.step, what, "; ".join(self.log)))

    def check(self):
        if not self.corvel.is_running():
            self.fail("corvel.exe has ended (exit code %s)" % self.corvel.proc.returncode)
        lost = rs.lost_windows(self.tray, self.corvel, [(self.t, h) for h in self.windows])
        if lost:
            self.test.lost.update(lost)
            self.fail("windows hidden with nothing to bring them back: %s" % ", ".join("0x%x" % h for h in lost))

    def expect(self, predicate, what):
        if not self.s.wait_for(predicate, EXPECT):
            self.fail(what)

    # -- actions -----------------------------------------------------------------------------

    def minimize(self, h, how):
        s, t, c = self.s, self.t, self.corvel
        if how == "click":
            rs.click_button(s, t, h)
        elif how == "post":
            rs.post_button_up(s, c, t, h)
        else:
            if not rs.no_restore_under_way([(t, w) for w in self.windows]):
                self.fail("a restore is still under way")
            t.cmd("fg 0x%x" % h)
            # In front, and still there a moment later: a restore's activation may come after its
            # window stopped being minimized (the key would take that window).
            if not s.wait_for(lambda: t.state(h)["fg"], 2) or not s.holds_for(lambda: t.state(h)["fg"], FRONT_SETTLE):
                return False  # not in front: the hot key is for another window
            if how == "hotkey":
                s.key("ctrl+Tab")
            else:
                c.post(rs.WM_HOTKEY, 1, 0)
        return True

    def expect_held(self, h, how):
        if not self.s.wait_for(lambda: not self.t.state(h)["vis"], EXPECT):
            st = self.t.state(h)
            x, y = rs.button_centre(st)
            self.fail("0x%x not hidden by a minimize (%s): fg=%s iconic=%s at (%s, %s), 0x%x at its button's centre, "
                      "%s the table" % (h, how, st.get("fg"), st.get("iconic"), st.get("x"), st.get("y"),
                                        self.t.frompoint(x, y) or 0,
                                        "in" if h in self.tray.held(self.corvel.hwnd, rs.IN_BUTTON_TABLE) else "not in"))
        if self.use_tray:
            self.expect(lambda: self.in_tray(h), "0x%x has no tray icon after a minimize" % h)
        if self.use_menu:
            self.expect(lambda: self.in_menu(h), "0x%x has no menu entry after a minimize" % h)

    def do_minimize(self):
        shown = self.shown()
        if not shown:
            return self.do_new()
        h = self.rng.choice(shown)
        how = self.rng.choice(("click", "post", "hotkey", "posted hotkey"))
        self.log.append("minimize 0x%x by %s" % (h, how))
        if self.minimize(h, how):
            self.expect_held(h, how)

    def restore(self, h, how):
        if how == "icon":
            return rs.click_icon(self.s, self.tray, self.corvel, h)
        return self.click_menu_entry(h)

    def do_restore(self):
        held = self.held()
        if not held:
            return self.do_minimize()
        h = self.rng.choice(held)
        ways = (["icon"] if self.in_tray(h) else []) + (["menu"] if self.in_menu(h) else [])
        if not ways:
            self.fail("0x%x is hidden with nothing to bring it back" % h)
        how = self.rng.choice(ways)
        self.log.append("restore 0x%x by %s" % (h, how))
        if not self.restore(h, how):
            self.fail("no %s to click for 0x%x" % (how, h))
        self.expect(lambda: self.t.state(h)["vis"], "0x%x not shown by its %s" % (h, how))

    def click_menu_entry(self, h):
        entries = self.tray.held(self.corvel.hwnd, rs.HELD_IN_MENU)
        if h not in entries:
            return False
        menu = rs.open_tray_menu(self.s, self.corvel)
        if not menu:
            self.fail("the tray menu did not open")
        # On the entry before the click: Wine may drop a move that a click follows closely, and a
        # click at the menu's corner would choose another item.
        self.s.point(*rs.menu_entry_point(menu, entries.index(h), len(entries)))
        self.s.xdotool("click", 1)
        if not rs.wait_menu_closed(self.s, EXPECT):
            self.fail("the tray menu stays open after a click on the entry of 0x%x" % h)
        return True

    def do_rescan(self):
        """Rescans with a request right behind them, so that it may come in the middle of a pass."""
        n = self.rng.randint(1, 3)
        delay = self.rng.choice(RACE_DELAYS_MS)
        shown, held = self.shown(), self.held()
        self.log.append("%d rescans, %d ms, then a request" % (n, delay))
        for _ in range(n):
            self.corvel.post(rs.HM_RESCAN)
        time.sleep(delay / 1000.0)
        h, served = None, None
        if held and (not shown or self.rng.random() < 0.5):
            h = self.rng.choice(held)
            if self.in_tray(h):
                rs.click_icon(self.s, self.tray, self.corvel, h)
                served = lambda: self.t.state(h)["vis"]  # noqa: E731
        elif shown:
            h = self.rng.choice(shown)
            rs.post_button_up(self.s, self.corvel, self.t, h)
            served = lambda: not self.t.state(h)["vis"]  # noqa: E731
        # Served before the next step, which could otherwise take the same window meanwhile.
        if served and not self.s.wait_for(served, EXPECT):
            e2e.log("seed %d step %d: the request for 0x%x was not served within %d s" % (self.seed, self.step, h, EXPECT))

    def do_burst(self):
        """Requests back to back within one timer period: they share one pending-request slot."""
        requests = []
        for _ in range(self.rng.randint(2, 4)):
            h = self.rng.choice(self.windows)
            if self.t.state(h)["vis"]:
                requests.append(("min", h, rs.button_centre(self.t.state(h))))
            elif self.in_tray(h):
                requests.append(("icon", h, rs.icon_callback(self.tray, self.corvel, h)))
        self.log.append("burst " + ",".join("%s 0x%x" % (k, h) for k, h, _ in requests))
        for kind, h, arg in requests:
            if kind == "min":
                self.s.mousemove(*arg)
                self.corvel.post(rs.HM_BUTTONUP, 0, h)
            else:
                self.t.post(self.corvel.hwnd, arg, h, rs.WM_LBUTTONDOWN)
                self.t.post(self.corvel.hwnd, arg, h, rs.WM_LBUTTONUP)
        time.sleep(0.4)

    def do_title(self):
        h = self.rng.choice(self.windows)
        title = "Walk %d.%d %s" % (self.seed, self.step, "x" * self.rng.randint(0, 90))
        self.log.append("title 0x%x" % h)
        self.t.cmd("title 0x%x %s" % (h, title))

    def do_close(self):
        if len(self.windows) <= 1:
            return self.do_new()
        h = self.rng.choice(self.windows)
        was_held = not self.t.state(h)["vis"]
        ways = []
        if was_held and self.in_tray(h):
            ways.append("icon")
        if was_held and self.in_menu(h):
            ways.append("menu")
        self.log.append("close 0x%x (%s)" % (h, "held" if was_held else "shown"))
        self.t.close(h)
        self.windows.remove(h)
        # A representation of a window that is gone only goes away when clicked.
        if ways and self.rng.random() < 0.7:
            how = self.rng.choice(ways)
            self.log.append("click the %s of the closed 0x%x" % (how, h))
            self.restore(h, how)
            self.expect(lambda: not self.in_tray(h) and not self.in_menu(h),
                        "the %s of the closed window 0x%x stays" % (how, h))

    def do_new(self):
        if len(self.windows) >= MAX_WINDOWS:
            return self.do_title()
        self.log.append("new window")
        self.new_window()

    def do_shell_restart(self):
        """A new tray comes up (found before the old one), the old one goes, the shell says so."""
        self.log.append("shell restart")
        old = self.tray
        self.tray = rs.start_tray(self.s)
        old.quit()
        self.t.cmd("broadcast TaskbarCreated")
        if self.use_tray:
            for h in self.held():
                self.expect(lambda: self.in_tray(h), "0x%x lost its tray icon in the shell restart" % h)

    def do_kill(self):
        self.log.append("kill and start again")
        self.kill_and_restart()

    def kill_and_restart(self):
        held = self.held()
        if not self.corvel.terminate():
            self.fail("corvel.exe could not be killed")
        self.start_corvel()
        for h in held:
            self.expect(lambda: self.t.state(h)["vis"], "0x%x not given back after the kill" % h)
        # Requests before the first pass has taken the windows find none of them.
        self.expect(lambda: set(self.shown()) <= set(self.tray.held(self.corvel.hwnd, rs.IN_BUTTON_TABLE)),
                    "the first pass after the start did not take the windows")

    ACTIONS = (("do_minimize", 30), ("do_restore", 30), ("do_rescan", 8), ("do_burst", 6), ("do_title", 6),
               ("do_close", 6), ("do_new", 6), ("do_shell_restart", 4), ("do_kill", 2))

    # -- the run -----------------------------------------------------------------------------

    def run(self):
        e2e.log("random walk: seed %d, %d steps, button %s, tray icons %s, menu entries %s"
                % (self.seed, self.n_steps, self.mode, self.use_tray, self.use_menu))
        rs.use_mode(self.s, self.mode, self.use_tray, self.use_menu)
        self.tray = rs.start_tray(self.s)
        try:
            self.walk()
        finally:
            # A failed walk leaves nothing behind that could answer in the next one.
            try:
                if self.corvel:
                    self.corvel.stop()
                self.tray.quit()
                for h in self.windows:
                    self.t.cmd("show 0x%x" % h)
                    self.t.close(h)
            except e2e.E2EError as e:
                e2e.log("seed %d: clean-up: %s" % (self.seed, e))
            if os.environ.get("CORVEL_RANDOM_LOG"):
                e2e.log("seed %d: %s" % (self.seed, "; ".join(self.log)))
        return self.n_steps

    def walk(self):
        self.start_corvel()
        for _ in range(3):
            self.new_window()
        names = [a for a, _ in self.ACTIONS]
        weights = [w for _, w in self.ACTIONS]
        for self.step in range(1, self.n_steps + 1):
            getattr(self, self.rng.choices(names, weights)[0])()
            self.check()
        self.step += 1
        ending = self.rng.choice(ENDINGS)
        self.log.append("end by " + ending)
        if ending == "kill":
            self.kill_and_restart()
            self.check()
        if ending == "menu":
            menu = rs.open_tray_menu(self.s, self.corvel)
            if not menu:
                self.fail("the tray menu did not open for Exit")
            self.s.click(*rs.menu_exit_point(menu))
            if self.corvel.wait_exit(5) is None:
                self.fail("Exit did not end Corvel")
        elif self.corvel.end_session(5) is None:
            self.fail("WM_ENDSESSION did not end Corvel")
        for h in self.windows:
            self.expect(lambda: self.t.state(h)["vis"], "0x%x stays hidden after the end" % h)


class RandomWalkTest(e2e.CorvelTestCase):

    def setUp(self):
        super().setUp()
        rs.remove_journal(self.session)
        self.addCleanup(rs.remove_journal, self.session)
        self.lost = set()
        self.all_windows = set()

    def tearDown(self):
        super().tearDown()
        t = self.session.targets
        for h in self.all_windows:
            try:
                if t.state(h)["exists"]:
                    t.cmd("show 0x%x" % h)
                    t.close(h)
            except e2e.E2EError:
                pass

    def test_no_window_is_ever_lost(self):
        run, total = seeds(), 0
        started = time.monotonic()
        try:
            for mode in rs.MODES:
                for seed in run:
                    with self.subTest(mode=mode, seed=seed):
                        total += Walk(self, seed, steps(), mode).run()
        finally:
            e2e.log("figure: random walk: seeds %s, %d steps in %.0f s, windows lost: %d"
                    % (",".join(map(str, run)), total, time.monotonic() - started, len(self.lost)))
        self.assertEqual(len(self.lost), 0)


if __name__ == "__main__":
    e2e.main()
