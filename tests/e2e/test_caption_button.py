"""The caption button under Wine with real pointer input, on windows of another process: its
picture per Windows version, new windows and repainted title bars, presses and releases on it
and beside it, the hot key and the right click on the minimize button, and the program list."""

import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import corvel_e2e as e2e  # noqa: E402
import caption_support as cs  # noqa: E402
import robust_support as rs  # noqa: E402
import tray_support as ts  # noqa: E402

DRAG = (70, 45)
# How long a button window may take to come back after Corvel gave its window back (it looks
# every 20 ms; a loaded machine takes its time).
BACK = 5.0
# Long enough for a collection pass and its drawing to have happened.
PASS_WAIT = 1.0
HANG_MS = 6000
# A click that no hook holds up is the program's within this (it takes about 0.2 s here).
TAKEN_AT_ONCE = 1.5


class CaptionButtonTest(e2e.CorvelTestCase):

    def setUp(self):
        super().setUp()
        self.t = self.session.targets

    # -- helpers ---------------------------------------------------------------------------

    def make(self, x, y, w=360, h=220, title="Target", client=None):
        client = client or self.t
        hwnd = client.make(x, y, w, h, title)
        self.addCleanup(client.close, hwnd)
        return hwnd

    def button(self, hwnd):
        return self.session.pixels(*self.rect_xywh(self.t.state(hwnd)))

    @staticmethod
    def rect_xywh(state):
        left, top, right, bottom = e2e.button_rect(state)
        return left, top, right - left, bottom - top

    def classic(self, hwnd, pressed=False):
        return self.button(hwnd) == cs.picture("Down" if pressed else "Up")

    def wait_classic(self, hwnd, pressed=False, timeout=3.0):
        return self.session.wait_for(lambda: self.classic(hwnd, pressed), timeout, 0.1)

    def bare(self, hwnd):
        return cs.caption_colour_only(self.button(hwnd))

    def hidden(self, hwnd, timeout=3.0):
        return self.session.wait_for(lambda: self.t.state(hwnd)["vis"] == 0, timeout, 0.1)

    # -- tests -----------------------------------------------------------------------------

    def test_picture_per_version_with_system_dependent_style(self):
        s = self.session
        ini = "[Visualization]\nSymbolType=2\n"
        w = self.make(150, 120, 400, 250, "Caption picture")
        for version in ("winxp", "win2k", "win10", "win2003"):
            with self.subTest(version=version):
                corvel = self.start_with(version, ini)
                if version == "winxp":
                    xp = cs.picture("UpXP")
                    ok = s.wait_for(lambda: cs.shows_stretched(self.button(w), xp) == 1.0, 3, 0.1)
                    rows = self.button(w)
                    self.assertTrue(ok, "XP picture not drawn stretched into the rectangle: %r" % rows)
                    self.assertEqual(rows[len(rows) // 2][len(rows[0]) // 3], xp[10][7], "not the XP face")
                    self.assertLess(cs.share_equal(rows, cs.picture("Up")), 0.5)
                elif version == "win2k":
                    self.assertTrue(self.wait_classic(w), "classic picture not drawn: %r" % self.button(w))
                elif version == "win10":
                    ok = s.wait_for(lambda: e2e.flat_look(self.button(w)), 3, 0.1)
                    self.assertTrue(ok, "flat picture not drawn: %r" % self.button(w))
                else:
                    # Windows Server 2003 (5.2) has no code of its own: no button.
                    self.assertTrue(s.holds_for(lambda: self.bare(w), PASS_WAIT),
                                    "a button drawn on %s: %r" % (version, self.button(w)))
                e2e.log("screenshot: " + s.screenshot("caption-" + version))
                corvel.stop()
                self.t.cmd("frame 0x%x" % w)  # no trace of the last run's button

    def test_new_windows_and_repainted_title_bars_get_the_button(self):
        t = self.t
        self.start_with("win2k", "[Visualization]\nSymbolType=0\n")
        time.sleep(PASS_WAIT)
        w = self.make(120, 100, title="Started after Corvel")
        self.assertTrue(self.wait_classic(w), "no button on a window made after the start")
        # A burst of windows: each gets it, from rescans the library asks for.
        burst = [self.make(560, 60 + 40 * i, 300, 150, "Burst %d" % i) for i in range(4)]
        for h in burst:
            self.assertTrue(self.wait_classic(h), "window 0x%x of a burst has no button" % h)

        # A program that stays busy after painting its title bar (under Wine its painting
        # reaches the screen late) keeps the button too. (The last activation was another
        # window's, so no second redraw comes to help.)
        time.sleep(1.2)
        cs.then_busy(t, "title 0x%x Busy after painting" % w, 300)
        self.assertTrue(self.wait_classic(w), "button gone after a title change and a busy spell")
        for what, command in (("title change", "title 0x%x Renamed target" % w),
                              ("frame repaint", "frame 0x%x" % w),
                              ("activation", "fg 0x%x" % w)):
            with self.subTest(what):
                t.cmd(command)
                self.assertTrue(self.wait_classic(w), "button gone after the " + what)
        # A resize moves the button with the right edge; the old place is title bar again.
        before = t.state(w)
        t.cmd("move 0x%x %d %d 300 200" % (w, before["x"], before["y"]))
        self.assertTrue(self.wait_classic(w), "no button at its new place after a resize")
        t.cmd("fg 0x%x" % burst[0])
        t.cmd("fg 0x%x" % w)
        self.assertTrue(self.wait_classic(w))

    def test_press_and_release_on_the_button_and_beside_it(self):
        s, t = self.session, self.t
        self.start_with("win2k", "[Visualization]\nSymbolType=0\n")
        back = self.make(60, 60, 300, 200, "Dragged by its title")
        a = self.make(200, 330, 380, 240, "Minimized by the button")
        b = self.make(560, 120, 380, 240, "Released outside")
        for h in (back, a, b):
            self.assertTrue(self.wait_classic(h))

        # Beside the button: to the front, and the window follows the mouse.
        t.cmd("fg 0x%x" % b)
        st = t.state(back)
        x, y = cs.title_point(st)
        s.drag(x, y, *DRAG)
        dragged = (st["x"] + DRAG[0], st["y"] + DRAG[1])
        self.assertTrue(s.wait_for(lambda: (t.state(back)["x"], t.state(back)["y"]) == dragged), "not dragged")
        after = t.state(back)
        self.assertEqual(after["fg"], 1, "a title-bar press did not bring the window to the front")
        self.assertEqual(after["vis"], 1)

        # On the button, at its new place after a resize: pressed picture, the window stays put
        # while the mouse moves, and the release on the button hides it.
        st = t.state(a)
        t.cmd("move 0x%x %d %d 300 240" % (a, st["x"], st["y"]))
        self.assertTrue(self.wait_classic(a), "no button at its new place after a resize")
        st = t.state(a)
        x, y = cs.button_centre(st)
        s.mousedown(x, y)
        self.assertTrue(self.wait_classic(a, pressed=True), "no pressed picture: %r" % self.button(a))
        self.assertEqual(t.state(a)["fg"], 1, "a press on the button did not bring the window to the front")
        s.screenshot("caption-pressed")
        s.mousemove(x + DRAG[0], y + DRAG[1])
        time.sleep(0.2)
        s.mousemove(x, y)
        self.assertTrue(s.holds_for(lambda: (t.state(a)["x"], t.state(a)["y"]) == (st["x"], st["y"]), 0.5),
                        "a press on the button moved it")
        s.mouseup()
        self.assertTrue(self.hidden(a), "a release on the button did not minimize the window")

        # A press on the button and a release outside: nothing, the button stays pressed.
        st = t.state(b)
        x, y = cs.button_centre(st)
        s.mousedown(x, y)
        self.assertTrue(self.wait_classic(b, pressed=True))
        s.mousemove(x, st["y"] + st["h"] + 40)
        time.sleep(0.2)
        s.mouseup()
        self.assertTrue(s.holds_for(lambda: t.state(b)["vis"] == 1), "a release outside the button minimized the window")
        self.assertTrue(self.classic(b, pressed=True), "the pressed picture went away")
        self.assertEqual((t.state(b)["x"], t.state(b)["y"]), (st["x"], st["y"]))

    def test_hot_key_without_button_and_right_click_on_minimize(self):
        s, t = self.session, self.t
        corvel = self.start_with("win2k", "[Visualization]\nSymbolType=4\n[Options]\nHotKey=1\n")
        w = self.make(150, 120, 380, 240, "Hot key target")
        v = self.make(600, 300, 300, 200, "Stays")
        self.assertTrue(s.holds_for(lambda: self.bare(w), PASS_WAIT), "a button drawn with SymbolType 4")
        # No button: its place is plain title bar that drags the window.
        st = t.state(w)
        x, y = cs.button_centre(st)
        s.drag(x, y, *DRAG)
        dragged = (st["x"] + DRAG[0], st["y"] + DRAG[1])
        self.assertTrue(s.wait_for(lambda: (t.state(w)["x"], t.state(w)["y"]) == dragged), "not dragged")
        t.cmd("fg 0x%x" % w)
        s.key("ctrl+Tab")
        self.assertTrue(self.hidden(w), "the hot key did not minimize the foreground window")
        # The desktop in front: the hot key does nothing.
        s.click(900, 40)
        self.assertTrue(s.wait_for(lambda: t.state(v)["fg"] == 0))
        s.key("ctrl+Tab")
        self.assertTrue(s.holds_for(lambda: t.state(v)["vis"] == 1), "the hot key hid a window that was not in front")
        self.assertTrue(corvel.is_running())
        corvel.stop()

        self.start_with("win2k", "[Visualization]\nSymbolType=5\n")
        r = self.make(200, 200, 380, 240, "Right-clicked")
        self.assertTrue(s.holds_for(lambda: self.bare(r), PASS_WAIT), "a button drawn with SymbolType 5")
        # A right click on the maximize button next to it does nothing; on it, it minimizes.
        # (Not on the title bar itself: that opens the window's system menu.)
        x, y = cs.minimize_centre(t.state(r))
        s.click(x + e2e.SM_CXSIZE, y, button=3)
        self.assertTrue(s.holds_for(lambda: t.state(r)["vis"] == 1), "a right click on the maximize button minimized")
        s.click(x, y, button=3)
        self.assertTrue(self.hidden(r), "a right click on the minimize button did not minimize")

    def test_only_windows_of_listed_programs_react(self):
        s, t = self.session, self.t
        other = cs.NamedTargets(s, "othertool.exe")
        self.addCleanup(other.quit)
        listed = self.make(100, 100, 380, 240, "Listed program")
        unlisted = self.make(560, 100, 380, 240, "Unlisted program", client=other)
        self.start_with("win2k", "[Visualization]\nSymbolType=0\n[Options]\nWinFilter=2\nHotKey=1\n"
                            "[Applications]\nCount=1\nAppNum_0=C:\\Program Files\\Tools\\targets.exe\n")
        # The collection pass draws on both; after a repaint only the listed one has it.
        for h in (listed, unlisted):
            self.assertTrue(self.wait_classic(h), "no button at the collection pass")
        t.cmd("title 0x%x Listed, renamed" % listed)
        other.cmd("title 0x%x Unlisted, renamed" % unlisted)
        self.assertTrue(self.wait_classic(listed), "listed program lost the button")
        self.assertTrue(s.wait_for(lambda: self.bare(unlisted), 3, 0.1), "unlisted program kept the button")

        ux, uy = cs.button_centre(t.state(unlisted))
        s.click(ux, uy)
        other.cmd("fg 0x%x" % unlisted)
        s.key("ctrl+Tab")
        self.assertTrue(s.holds_for(lambda: t.state(unlisted)["vis"] == 1), "a window of an unlisted program was minimized")
        lx, ly = cs.button_centre(t.state(listed))
        s.click(lx, ly)
        self.assertTrue(self.hidden(listed), "the listed program's window was not minimized")

    # -- the button as a window of Corvel's own --------------------------------------------

    def button_at(self, target):
        """The shown button window that stands left of the target's minimize button (by the
        window's own metrics), as large, within 2 pixels: its state with "hwnd", or None."""
        left, top, right, bottom = self.t.state(target)["min"]
        want = (left - (right - left) - 2, top, right - left, bottom - top)
        for w in self.t.toplevel(cs.BUTTON_WINDOW_CLASS):
            b = self.t.state(w["hwnd"])
            if w["vis"] and all(abs(g - x) <= 2 for g, x in zip((b["x"], b["y"], b["w"], b["h"]), want)):
                b["hwnd"] = w["hwnd"]
                return b
        return None

    def shown(self, button):
        return self.t.state(button)["vis"] == 1

    # -- the button's own windows, as robust as the drawn button -----------------------------

    def to_tray_by_button(self, w):
        s, t = self.session, self.t
        b = s.wait_for(lambda: self.button_at(w), BACK, 0.05)
        self.assertTrue(b, "no button window on 0x%x" % w)
        s.click(b["x"] + b["w"] // 2, b["y"] + b["h"] // 2)
        self.assertTrue(self.hidden(w, BACK), "a click on the button window did not minimize 0x%x" % w)

    def give_back(self, w, how):
        """Brings a held window back by its tray icon, its menu entry or its floating window."""
        s, t = self.session, self.t
        if how == "tray icon":
            time.sleep(ts.DOUBLE_CLICK_TIME)  # not the second click of a double click
            s.click(*ts.slot_centre(1))
        elif how == "menu entry":
            rect = ts.open_tray_menu(s, t)
            s.click(*ts.entry_centre(rect, 0))
        else:
            f = s.wait_for(lambda: ts.floating_windows(t), BACK, 0.05)
            self.assertTrue(f, "no floating window")
            ts.choose_floating(s, t, f[0], "Restore")
        self.assertTrue(s.wait_for(lambda: t.state(w)["vis"] == 1, BACK, 0.05), "not given back by its " + how)

    def test_silent_windows_get_their_button_back_after_every_way_corvel_gives_them_back(self):
        """Programs under Wine announce nothing: the button comes back because Corvel knows it
        gave the window back, not by an event. It also works while a dialog of Corvel's is open."""
        s, t = self.session, self.t
        rs.remove_journal(s)
        self.addCleanup(rs.remove_journal, s)
        # One silent from before Corvel started, one silent after its first showing.
        before = self.make(40, 60, 400, 240, "Silent before")
        t.cmd("silent 0x%x" % before)
        corvel = self.start_with("win10", "")
        # Above the options dialog, which stands in the middle of the screen.
        after = self.make(450, 10, 400, 140, "Silent after")
        self.assertTrue(s.wait_for(lambda: self.button_at(after), BACK, 0.05), "no button on a new window")
        t.cmd("silent 0x%x" % after)
        for w in (before, after):
            for how in ("tray icon", "menu entry", "floating window"):
                with self.subTest(window=t.state(w)["title"], how=how):
                    self.to_tray_by_button(w)
                    self.give_back(w, how)
                    self.assertTrue(s.wait_for(lambda: self.button_at(w), BACK, 0.05), "no button after the " + how)
        # Given back by the next start after a kill.
        self.to_tray_by_button(before)
        self.assertTrue(corvel.terminate(), "Corvel not killed")
        corvel = s.start_corvel()
        self.addCleanup(corvel.stop)
        self.assertTrue(s.wait_for(lambda: t.state(before)["vis"] == 1, BACK, 0.05), "not given back after the kill")
        self.assertTrue(s.wait_for(lambda: self.button_at(before), BACK, 0.05), "no button after the recovery")
        # With the options dialog open (modal), a real click on a button window still minimizes.
        dialog, origin = ts.open_options(s, t)
        self.to_tray_by_button(after)
        self.shot("minimized-beside-the-options-dialog")
        s.click(origin[0] + e2e.OPTIONS_CANCEL[0], origin[1] + e2e.OPTIONS_CANCEL[1])
        self.assertTrue(s.wait_for(lambda: not t.state(dialog)["vis"], BACK, 0.05), "the dialog stays")
        self.give_back(after, "menu entry")
        self.assertTrue(s.wait_for(lambda: self.button_at(after), BACK, 0.05), "no button after the dialog")

    def test_maximized_windows_keep_their_button_and_cloaked_ones_lose_it(self):
        s, t = self.session, self.t
        self.start_with("win10", "")
        w = self.make(100, 100, 400, 240, "Maximized")
        self.assertTrue(s.wait_for(lambda: self.button_at(w), BACK, 0.05), "no button window")
        # Maximized, then spread over the whole monitor, task bar and all: still a title bar.
        t.cmd("maximize 0x%x" % w)
        width, height = e2e.SCREEN
        t.cmd("move 0x%x %d %d %d %d" % (w, -e2e.SM_CXFRAME, -e2e.SM_CYFRAME, width + 2 * e2e.SM_CXFRAME,
                                          height + 2 * e2e.SM_CYFRAME))
        st = t.state(w)
        self.assertEqual((st["zoomed"], st["w"]), (1, width + 2 * e2e.SM_CXFRAME))
        self.assertTrue(s.wait_for(lambda: self.button_at(w), BACK, 0.05), "a maximized window lost its button")
        t.cmd("restore 0x%x" % w)
        self.assertTrue(s.wait_for(lambda: self.button_at(w), BACK, 0.05), "no button after the restore")
        # On another virtual desktop: cloaked, then back.
        button = self.button_at(w)["hwnd"]
        t.cmd("cloak 0x%x 1" % w)
        self.assertTrue(s.wait_for(lambda: not self.shown(button), BACK, 0.05), "a cloaked window keeps its button")
        t.cmd("frame 0x%x" % w)  # another change of it: still cloaked
        self.assertTrue(s.holds_for(lambda: not self.shown(button), e2e.SETTLE), "back while cloaked")
        t.cmd("cloak 0x%x 0" % w)
        self.assertTrue(s.wait_for(lambda: self.button_at(w), BACK, 0.05), "not back once uncloaked")

    def test_a_right_click_over_a_hung_window_goes_on_and_the_next_click_is_taken_at_once(self):
        """The low-level hook asks the window under the pointer with a bounded wait. (Under Wine a
        thread that sleeps reads no input at all, so the window hangs in the hit test itself.)"""
        s, t = self.session, self.t
        hung = cs.NamedTargets(s, "hung.exe")
        self.addCleanup(hung.quit)
        self.start_with("win10", "[Visualization]\nSymbolType=5\n")
        r = self.make(60, 80, 380, 240, "Hangs", client=hung)
        other = self.make(520, 300, 380, 240, "Answers")
        t.cmd("fg 0x%x" % r)
        self.assertTrue(s.wait_for(lambda: t.state(r)["fg"] == 1, BACK, 0.05))
        s.point(*cs.minimize_centre(t.state(r)))
        self.assertEqual(hung.cmd("hanghit 0x%x %d" % (r, HANG_MS)), "ok")
        start = time.monotonic()
        s.click(*cs.minimize_centre(t.state(r)), button=3)
        s.click(*cs.title_point(t.state(other)))
        self.assertTrue(s.wait_for(lambda: t.state(other)["fg"] == 1, TAKEN_AT_ONCE, 0.02),
                        "the click after a right click over a hung window was not taken at once")
        e2e.log("figure: a click taken %.2f s after a right click over a window that hangs %.1f s"
                % (time.monotonic() - start, HANG_MS / 1000.0))
        self.assertEqual(t.cmd("answer 0x%x" % r), "timeout", "the window did not hang")
        # Never answered, so no minimize: the right click went on to the program.
        self.assertTrue(s.wait_for(lambda: t.cmd("answer 0x%x" % r) != "timeout", HANG_MS / 1000.0 + BACK, 0.1))
        self.assertTrue(s.holds_for(lambda: t.state(r)["vis"] == 1, e2e.SETTLE), "minimized by a right click it never answered")
        ts.close_menus(s, t)

    def test_the_button_as_a_window_of_its_own_follows_its_window(self):
        s, t = self.session, self.t
        # A program that never had the hook library: Wine keeps one in every program it went into.
        fresh = cs.NamedTargets(s, "ownbutton.exe")
        self.addCleanup(fresh.quit)
        # Automatic under win10; chosen by the setting under winxp.
        for version, ini in (("win10", ""), ("winxp", "[Visualization]\nCaptionButton=2\n")):
            with self.subTest(version=version):
                corvel = self.start_with(version, ini)
                w = fresh.make(150, 120, 400, 250, "Own button " + version)
                self.assertTrue(s.wait_for(lambda: self.button_at(w), 5, 0.1), "no button window left of the minimize button")
                b = self.button_at(w)
                button = b["hwnd"]
                self.assertEqual(b["exstyle"] & cs.BUTTON_WINDOW_EX, cs.BUTTON_WINDOW_EX)
                if version == "win10":
                    self.assertTrue(s.wait_for(lambda: e2e.flat_look(self.button(w)), 3, 0.1), "not the flat look")
                else:
                    xp = cs.picture("UpXP")
                    self.assertTrue(s.wait_for(lambda: cs.shows_stretched(self.button(w), xp) == 1.0, 3, 0.1))
                modules = [m for m in t.modules(t.pid(w)) if m.lower().endswith("hooks.dll")]
                self.assertEqual(modules, [], "the hook library is in the target's program")
                # Dragged by its title bar, resized, hidden, minimized: the button follows.
                st = t.state(w)
                s.drag(*cs.title_point(st), *DRAG)
                self.assertTrue(s.wait_for(lambda: t.state(w)["x"] == st["x"] + DRAG[0], 5, 0.05), "not dragged")
                self.assertTrue(s.wait_for(lambda: self.button_at(w), 3, 0.05), "the button did not follow the drag")
                st = t.state(w)
                fresh.cmd("move 0x%x %d %d 320 200" % (w, st["x"], st["y"]))
                self.assertTrue(s.wait_for(lambda: self.button_at(w), 3, 0.05), "the button did not follow a resize")
                for away, back in (("hide", "show"), ("minimize", "restore")):
                    fresh.cmd("%s 0x%x" % (away, w))
                    self.assertTrue(s.wait_for(lambda: not self.shown(button), 3, 0.05), "shown after " + away)
                    fresh.cmd("%s 0x%x" % (back, w))
                    self.assertTrue(s.wait_for(lambda: self.button_at(w), 3, 0.05), "not back after " + back)
                # A real click on it sends the window to the tray.
                b = self.button_at(w)
                s.click(b["x"] + b["w"] // 2, b["y"] + b["h"] // 2)
                self.assertTrue(self.hidden(w), "a click on the button window did not minimize")
                self.assertTrue(s.wait_for(lambda: not self.shown(button), 3, 0.05))
                fresh.cmd("restore 0x%x" % w)
                self.assertTrue(s.wait_for(lambda: self.button_at(w), 3, 0.05))
                fresh.close(w)
                self.assertTrue(s.wait_for(lambda: not t.state(button)["exists"], 3, 0.05), "its button window outlived it")
                corvel.stop()

    def test_right_click_on_the_minimize_button_without_a_hook_library(self):
        s, t = self.session, self.t
        menus = lambda: int(t.cmd("menus").split()[0])  # noqa: E731
        fresh = cs.NamedTargets(s, "rightclick.exe")  # a program the hook library never went into
        self.addCleanup(fresh.quit)
        for version, ini in (("win10", "[Visualization]\nSymbolType=5\n"),
                             ("winxp", "[Visualization]\nSymbolType=5\nCaptionButton=2\n")):
            with self.subTest(version=version):
                corvel = self.start_with(version, ini)
                r = self.make(200, 200, 380, 240, "Right-clicked " + version, client=fresh)
                self.assertTrue(s.holds_for(lambda: not self.button_at(r), PASS_WAIT), "a button with SymbolType 5")
                # Elsewhere on the title bar the click is the program's: its system menu opens.
                s.click(*cs.title_point(t.state(r)), button=3)
                self.assertTrue(s.wait_for(lambda: menus() > 0, 3, 0.05), "the right click did not reach the program")
                # The menu has the keyboard of the program in front: Escape closes it.
                s.key("Escape")
                self.assertTrue(s.wait_for(lambda: menus() == 0, 5, 0.05), "the system menu stays open")
                self.assertEqual(t.state(r)["vis"], 1)
                s.click(*cs.minimize_centre(t.state(r)), button=3)
                self.assertTrue(self.hidden(r), "a right click on the minimize button did not minimize")
                self.assertEqual([m for m in t.modules(t.pid(r)) if m.lower().endswith("hooks.dll")], [])
                corvel.stop()

    def test_no_button_window_where_the_system_draws_no_title_bar(self):
        s, t = self.session, self.t
        self.start_with("win10", "")
        plain = self.make(100, 100, 360, 220, "Plain")
        width, height = e2e.SCREEN
        others = {
            "no caption": "makestyle 0x%x 500 100 300 200 Bare" % (cs.WS_MINIMIZEBOX | 0x80000000),
            "tool window": "makestyle 0x%x:0x80 500 350 300 200 Tool" % cs.OVERLAPPED,
            "its own title bar": "makeown 100 400 360 220 Own",
            "full screen": "makestyle 0x%x 0 0 %d %d Full" % (cs.OVERLAPPED, width, height),
        }
        made = {}
        for what, line in others.items():
            made[what] = int(t.cmd(line), 0)
            self.addCleanup(t.close, made[what])
        t.cmd("fg 0x%x" % plain)
        self.assertTrue(s.wait_for(lambda: self.button_at(plain), 5, 0.1), "no button window on a plain window")
        self.assertTrue(s.holds_for(lambda: [w["vis"] for w in t.toplevel(cs.BUTTON_WINDOW_CLASS)].count(1) == 1,
                                    PASS_WAIT), "a button window on one of: " + ", ".join(made))


if __name__ == "__main__":
    e2e.main()
