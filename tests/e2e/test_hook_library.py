"""Hooks.dll across Wine processes, with a recording stand-in for the main window: what it
posts and for which windows, what a press on the caption button does to the window, and that
DeleteHook leaves the other programs alone."""

import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import corvel_e2e as e2e  # noqa: E402
import caption_support as cs  # noqa: E402

DRAG = (80, 50)


class HookLibraryTest(e2e.CorvelTestCase):

    def setUp(self):
        super().setUp()
        self.t = self.session.targets
        self.rec = cs.Recorder(self.session)
        self.addCleanup(self.rec.close)

    def make(self, x=120, y=120, w=420, h=260, title="Hooked", style=None):
        if style is None:
            hwnd = self.t.make(x, y, w, h, title)
        else:
            hwnd = int(self.t.cmd("makestyle 0x%x %d %d %d %d %s" % (style, x, y, w, h, title)), 0)
        self.addCleanup(self.t.close, hwnd)
        return hwnd

    def drag(self, x, y):
        self.session.drag(x, y, *DRAG)

    def settle(self):
        """Lets the reports of what came before arrive, then drops them."""
        time.sleep(0.3)
        self.rec.take()

    def test_repaints_and_new_windows_are_reported_for_the_windows_of_the_filter(self):
        rec, t = self.rec, self.t
        rec.hook("set")
        w = self.make()
        log = rec.wait(cs.has(cs.HM_RESCAN, 0))
        self.assertIn(cs.HM_RESCAN, [m for m, _, _, _ in log], "no rescan for a new window")
        self.assertTrue(set(cs.of_window(log, w)) & set(cs.REDRAWS), log)
        self.settle()

        for what, command, expected in (
                ("frame repaint", "frame 0x%x" % w, cs.HM_REDRAW),
                ("title change", "title 0x%x Hooked again" % w, cs.HM_REDRAW),
                ("resize", "move 0x%x 130 130 380 240" % w, cs.HM_REFRESH)):
            with self.subTest(what):
                t.cmd(command)
                self.assertIn(expected, cs.of_window(rec.wait(cs.has(expected, w)), w))
                self.settle()
        other = self.make(600, 400, 300, 200, "Other")
        self.settle()
        t.cmd("fg 0x%x" % w)
        self.assertIn(cs.HM_REDRAWTWICE, cs.of_window(rec.wait(cs.has(cs.HM_REDRAWTWICE, w)), w), "activation")

        plain = self.make(600, 100, 300, 200, "No minimize box", style=cs.NO_MINIMIZE_BOX_STYLE)
        child = int(t.cmd("child 0x%x 10 10 200 100" % other), 0)
        own = int(rec.client.cmd("make 100 450 300 200 Stand-in's own"), 0)
        self.addCleanup(rec.client.close, own)
        self.settle()
        for h in (plain, child):
            t.cmd("frame 0x%x" % h)
            t.cmd("title 0x%x changed" % h)
        rec.client.cmd("frame 0x%x" % own)
        t.cmd("frame 0x%x" % w)
        log = rec.wait(cs.has(cs.HM_REDRAW, w))
        for name, h in (("no minimize box", plain), ("child", child), ("stand-in's own", own)):
            self.assertEqual(cs.of_window(log, h), [], "%s window reported under SetHook" % name)

        rec.hook("all")
        t.cmd("frame 0x%x" % plain)
        t.cmd("frame 0x%x" % child)
        t.cmd("frame 0x%x" % w)
        log = rec.wait(cs.has(cs.HM_REDRAW, plain))
        self.assertIn(cs.HM_REDRAW, cs.of_window(log, plain), "SetHookAll skips a captioned window")
        self.assertEqual(cs.of_window(log, child), [], "a child window reported")

    def test_title_bar_press_release_and_the_button_press_that_does_not_move(self):
        rec, t, s = self.rec, self.t, self.session
        rec.hook("set")
        w = self.make(150, 150, 400, 250)
        other = self.make(500, 420, 300, 200, "Front")
        self.settle()

        # Without a drawn button the place of the button is title bar like any other.
        st = t.state(w)
        x, y = cs.button_centre(st)
        self.drag(x, y)
        log = rec.wait(cs.has(cs.HM_BUTTONUP, w))
        moved = t.state(w)
        self.assertEqual((moved["x"], moved["y"]), (st["x"] + DRAG[0], st["y"] + DRAG[1]), "not dragged")
        down = [e for e in log if e[0] == cs.HM_BUTTONDOWN and e[1] == w]
        up = [e for e in log if e[0] == cs.HM_BUTTONUP and e[1] == w]
        self.assertTrue(down and up, log)
        self.assertEqual(down[0][2:], (x, y), "press reported away from the cursor")
        self.assertEqual(up[-1][2:], (x + DRAG[0], y + DRAG[1]), "release reported away from the cursor")
        self.settle()

        # With the button drawn, a press on it neither moves nor maximizes the window; a
        # release outside the window is not reported, a release on it is.
        rec.button(True)
        t.cmd("fg 0x%x" % other)
        self.settle()
        st = t.state(w)
        x, y = cs.button_centre(st)
        self.drag(x, y)
        log = rec.wait(cs.has(cs.HM_BUTTONUP, w), timeout=1.0)
        after = t.state(w)
        self.assertEqual((after["x"], after["y"]), (st["x"], st["y"]), "a press on the button moved the window")
        self.assertEqual(cs.of_window(log, w), [cs.HM_BUTTONDOWN], log)
        self.settle()
        s.click(x, y)
        log = rec.wait(cs.has(cs.HM_BUTTONUP, w))
        self.assertEqual([e[2:] for e in log if e[1] == w and e[0] in (cs.HM_BUTTONDOWN, cs.HM_BUTTONUP)][:2],
                         [(x, y), (x, y)], log)
        self.settle()
        s.mousemove(x, y)
        s.xdotool("click", "--repeat", 2, "--delay", 80, 1)
        self.assertTrue(s.holds_for(lambda: t.state(w)["zoomed"] == 0), "a double click on the button maximized the window")
        self.settle()

        # A window without the button (a program outside the list, one past the table) keeps
        # its title bar whole: there a press at the button's place moves it.
        rec.button(True, [other])
        t.cmd("fg 0x%x" % other)
        self.settle()
        st = t.state(w)
        x, y = cs.button_centre(st)
        self.drag(x, y)
        rec.wait(cs.has(cs.HM_BUTTONUP, w))
        moved = t.state(w)
        self.assertEqual((moved["x"], moved["y"]), (st["x"] + DRAG[0], st["y"] + DRAG[1]),
                         "a press where no button is drawn did not reach the window")
        rec.button(True)
        self.settle()

        # Elsewhere on the title bar the window still comes to the front and follows the mouse.
        t.cmd("fg 0x%x" % other)
        st = t.state(w)
        px, py = cs.title_point(st)
        s.mousedown(px, py)
        # The window's thread runs the move loop now: ask from another process.
        self.assertTrue(s.wait_for(lambda: rec.client.state(w)["fg"] == 1),
                        "a title-bar press did not bring the window to the front")
        time.sleep(0.2)
        s.mousemove(px + DRAG[0], py + DRAG[1])
        time.sleep(0.2)
        s.mouseup()
        rec.wait(cs.has(cs.HM_BUTTONUP, w))
        after = t.state(w)
        self.assertEqual((after["x"], after["y"]), (st["x"] + DRAG[0], st["y"] + DRAG[1]), "not dragged")
        self.settle()

        # A right click on the window's own minimize button is reported and leaves it alone.
        mx, my = cs.minimize_centre(after)
        s.click(mx, my, button=3)
        log = rec.wait(cs.has(cs.HM_MINBUTTON, w))
        self.assertIn(cs.HM_MINBUTTON, cs.of_window(log, w))
        self.assertEqual(t.state(w)["iconic"], 0)

    def test_the_start_after_a_killed_one_sets_hooks_of_its_own(self):
        # Windows removes a killed thread's hooks; Wine keeps calling them, so only its trace
        # shows whether the next start set hooks of its own or left the old handles in place.
        rec, t = self.rec, self.t
        rec.hook("set")
        # A report from a window of another program: the library is loaded there, and its shared
        # data outlives the kill.
        w = self.make()
        self.assertTrue(set(cs.of_window(rec.wait(lambda log: set(cs.of_window(log, w)) & set(cs.REDRAWS)), w)))
        self.assertTrue(t.kill(t.pid(rec.hwnd)))
        log = os.path.join(self.session.logs_dir, "hook-owner-traced.log")
        if os.path.exists(log):
            os.remove(log)
        traced = cs.Recorder(self.session, name="hook-owner-traced", env={"WINEDEBUG": "-all,+hook"})
        self.addCleanup(traced.close)
        traced.hook("set")
        t.cmd("frame 0x%x" % w)
        reported = traced.wait(lambda log: set(cs.of_window(log, w)) & set(cs.REDRAWS))
        self.assertTrue(set(cs.of_window(reported, w)) & set(cs.REDRAWS), "nothing reported to the new stand-in")
        with open(log, errors="replace") as f:
            set_calls = [line for line in f if "NtUserSetWindowsHookEx" in line]
        self.assertEqual(len(set_calls), 2, "hooks set after the kill: %r" % set_calls)

    def test_main_window_found_later_and_nothing_after_delete_hook(self):
        rec, t, s = self.rec, self.t, self.session
        w = self.make()
        # The stand-in goes away: the hook runs with no main window, then finds a new one.
        rec.client.cmd("close 0x%x" % rec.hwnd)
        rec.hook("set")
        t.cmd("frame 0x%x" % w)
        self.assertEqual(t.state(w)["exists"], 1, "no answer with the main window gone")
        rec.hwnd = int(rec.client.cmd("fakemain"), 0)

        def reported_again():
            t.cmd("frame 0x%x" % w)  # the library looks for the main window again a second after it failed
            return cs.HM_REDRAW in cs.of_window(rec.wait(cs.has(cs.HM_REDRAW, w), timeout=0.5), w)
        self.assertTrue(s.wait_for(reported_again, 10, 0.2), "main window not found again")

        rec.hook("delete")
        self.settle()
        start = time.monotonic()
        taken = int(t.cmd("ncpaint 0x%x 200" % w))
        t.cmd("title 0x%x after the hook" % w)
        x, y = cs.title_point(t.state(w))
        s.click(x, y)
        e2e.log("200 repaints after DeleteHook: %d ms (%.2f s with the round trip)" % (taken, time.monotonic() - start))
        self.assertTrue(s.holds_for(lambda: rec.take() == []), "messages after DeleteHook")
        self.assertEqual(t.state(w)["exists"], 1)


if __name__ == "__main__":
    e2e.main()
