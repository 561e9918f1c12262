"""Minimize and restore under settings of Corvl.ini, with real input: the fades of "SlowD" and
"SlowA" (winxp and win10: layered windows, but no compositor shows the alpha steps, which the
unit tests check) leave the window hidden or shown with its own extended style; the
hot key Ctrl+Tab minimizes the foreground window; with no representation chosen the caption
button leaves the window as it is."""

import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import corvel_e2e as e2e  # noqa: E402
import tray_support as ts  # noqa: E402

STEP = 6.0  # generous: a loaded machine takes its time
FADES_AND_HOT_KEY = "[Options]\nSlowA=1\nSlowD=1\nHotKey=1\n"
NOTHING = "[MinOptions]\nMinToTray=0\nMinToMenu=0\nMinToWindow=0\n"


class MinimizeSettingsTest(e2e.CorvelTestCase):

    def setUp(self):
        super().setUp()
        self.t = self.session.targets
        self.assertTrue(ts.close_menus(self.session, self.t))

    def make(self, title="Faded"):
        s, t = self.session, self.t
        w = t.make(200, 150, 400, 240, title)
        self.addCleanup(t.close, w)
        self.assertTrue(ts.wait_button(s, t, w, STEP), "no caption button")
        return w

    def round_trip(self, w, minimize):
        """Minimize with `minimize`, restore with a click on the icon: the window's own
        extended style before, while hidden and after; not layered at the end."""
        s, t = self.session, self.t
        before = t.state(w)
        minimize()
        self.assertTrue(s.wait_for(lambda: not t.state(w)["vis"], STEP, 0.05), "not hidden")
        self.assertTrue(s.wait_for(lambda: ts.window_icons(s) == [1], STEP, 0.05), "no tray icon")
        hidden = t.state(w)
        self.assertEqual(hidden["exstyle"], before["exstyle"], "hidden with extended style 0x%x" % hidden["exstyle"])
        time.sleep(ts.DOUBLE_CLICK_TIME)
        s.click(*ts.slot_centre(1))
        self.assertTrue(s.wait_for(lambda: t.state(w)["vis"], STEP, 0.05), "not shown again")
        self.assertTrue(s.wait_for(lambda: not ts.window_icons(s), STEP, 0.05), "the icon stays")
        after = t.state(w)
        self.assertEqual(after["exstyle"], before["exstyle"], "shown with extended style 0x%x" % after["exstyle"])
        self.assertEqual(after["alpha"], -1, "still layered")
        self.assertEqual(after["iconic"], 0)

    def test_fades_under_winxp_and_the_hot_key(self):
        s, t = self.session, self.t
        self.start_with("winxp", FADES_AND_HOT_KEY)
        w = self.make()

        def hot_key():
            t.cmd("fg 0x%x" % w)
            self.assertTrue(s.wait_for(lambda: t.state(w)["fg"], STEP, 0.05))
            s.key("ctrl+Tab")

        self.round_trip(w, hot_key)
        # The caption button fades too.
        self.round_trip(w, lambda: ts.click_caption_button(s, t, w))

    def test_fades_under_win10_layer_the_window_and_put_it_back(self):
        s, t = self.session, self.t
        # Layered windows after XP as well; the flat caption button of the defaults.
        self.start_with("win10", FADES_AND_HOT_KEY)
        w = self.make()
        t.stylelog(w)
        self.round_trip(w, lambda: (t.cmd("fg 0x%x" % w), ts.click_caption_button(s, t, w)))
        # Faded out and in: layered twice, each time given its own style back.
        styles = t.stylelog(w)
        layered = [v for v in styles if v & e2e.WS_EX_LAYERED]
        self.assertEqual(len(layered), 2, ["0x%x" % v for v in styles])
        self.assertFalse(styles[-1] & e2e.WS_EX_LAYERED, ["0x%x" % v for v in styles])

    def test_no_representation_leaves_the_window_alone(self):
        s, t = self.session, self.t
        self.start_with("winxp", NOTHING)
        w = self.make("Stays")
        before = t.state(w)
        t.cmd("fg 0x%x" % w)
        ts.click_caption_button(s, t, w)
        unchanged = lambda: (lambda st: (st["vis"], st["iconic"], st["exstyle"]))(t.state(w)) == (1, 0, before["exstyle"])  # noqa: E731
        self.assertTrue(s.holds_for(unchanged), "the window changed: %r" % t.state(w))
        self.assertEqual(ts.window_icons(s), [])
        self.assertEqual(ts.menu_entries(ts.open_tray_menu(s, t)), 0)
        self.assertTrue(ts.close_menus(s, t))


if __name__ == "__main__":
    e2e.main()
