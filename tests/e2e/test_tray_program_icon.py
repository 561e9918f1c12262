"""Corvel's own tray icon under Wine with real clicks: the right button opens the tray menu, the
left one the Quick Run menu (once, also on a double click), the middle one nothing; and a shell
restart ("TaskbarCreated" after the tray forgot every icon) brings back Corvel's icon and the
icons of the windows it holds, all of them working."""

import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import corvel_e2e as e2e  # noqa: E402
import tray_support as ts  # noqa: E402

STEP = 3.0
ICON_WINDOW_CLASS = "CorvelTrayIconWindow"


class ProgramIconTest(ts.OneCorvelTestCase):

    def setUp(self):
        super().setUp()
        self.addCleanup(ts.close_menus, self.session, self.t)

    def clicks_shown(self, *xdotool_args, seconds=1.5):
        """Menus shown while xdotool does the given clicks on Corvel's icon."""
        x, y = ts.slot_centre(0)
        p = subprocess.Popen(["xdotool", "mousemove", str(x), str(y)] + [str(a) for a in xdotool_args],
                             env=self.session.env)
        try:
            return ts.watch_menus(self.t, seconds)
        finally:
            p.wait(10)

    def test_right_click_tray_menu_left_click_quick_run_middle_nothing(self):
        s, t = self.session, self.t
        shown = self.clicks_shown("click", 3)
        self.assertEqual(len(shown), 1, "menus shown on a right click: %r" % shown)
        self.assertTrue(ts.is_tray_menu(shown[0]), "a right click showed %r, not the tray menu" % (shown[0],))
        self.assertEqual(ts.menu_entries(shown[0]), 0)
        self.shot("tray-menu")
        self.assertTrue(ts.close_menus(s, t))

        shown = self.clicks_shown("click", 1)
        self.assertEqual(len(shown), 1, "menus shown on a left click: %r" % shown)
        self.assertTrue(ts.is_quick_run_menu(shown[0]), "a left click showed %r, not Quick Run" % (shown[0],))
        self.shot("quick-run")
        self.assertTrue(ts.close_menus(s, t))

        # The second press of a double click closes the menu the first release opened; no
        # second menu follows and the tray menu does not show.
        shown = self.clicks_shown("click", "--repeat", 2, "--delay", 250, 1)
        self.assertEqual(len(shown), 1, "menus shown on a double click: %r" % shown)
        self.assertTrue(ts.is_quick_run_menu(shown[0]), "a double click showed %r" % (shown[0],))
        self.assertTrue(ts.close_menus(s, t))

        shown = self.clicks_shown("click", 2, seconds=1.0)
        self.assertEqual(shown, [], "the middle button showed a menu")

    def test_shell_restart_brings_every_icon_back(self):
        s, t = self.session, self.t
        windows = [t.make(150 + 90 * i, 120 + 70 * i, 380, 230, title) for i, title in enumerate(ts.TITLES[:2])]
        for w in windows:
            self.addCleanup(t.close, w)
        for i, w in enumerate(windows):
            self.assertTrue(s.wait_for(lambda: ts.button_drawn(s, t, w), STEP, 0.1), "no caption button")
            t.cmd("fg 0x%x" % w)
            ts.click_caption_button(s, t, w)
            self.assertTrue(s.wait_for(lambda: len(ts.window_icons(s)) == i + 1, STEP, 0.05))
        # The tray forgets everything, as a restarted shell does.
        icon_window = t.toplevel(ICON_WINDOW_CLASS)[0]["hwnd"]
        for w in windows:
            self.assertTrue(ts.tray_delete(t, self.corvel.hwnd, w), "the tray did not know the window's icon")
        self.assertTrue(ts.tray_delete(t, icon_window, 0), "the tray did not know Corvel's icon")
        rows = ts.strip(s)
        self.assertEqual(ts.window_icons(s, rows), [])
        self.assertTrue(ts.empty_slot(ts.slot_pixels(rows, 0)), "Corvel's icon still shows")
        self.assertEqual(t.cmd("broadcast TaskbarCreated"), "ok")
        self.assertTrue(s.wait_for(lambda: ts.window_icons(s) == [1, 2], STEP, 0.05),
                        "window icons after the restart: %r" % ts.window_icons(s))
        self.assertEqual(ts.slot_pixels(ts.strip(s), 0), self.own, "Corvel's own icon is not back")
        self.shot("after-restart")
        # They work: the menu still lists both; each icon gives its window back.
        self.assertEqual(ts.menu_entries(ts.open_tray_menu(s, t)), 2)
        self.assertTrue(ts.close_menus(s, t))
        for i, w in enumerate(windows):
            # Two clicks on one spot within the double-click time would make a double click.
            time.sleep(ts.DOUBLE_CLICK_TIME)
            s.click(*ts.slot_centre(1))
            self.assertTrue(s.wait_for(lambda: t.state(w)["vis"], STEP, 0.05), "window %d not restored" % i)
            self.assertTrue(s.wait_for(lambda: len(ts.window_icons(s)) == 1 - i, STEP, 0.05))
        self.assertEqual(ts.menu_entries(ts.open_tray_menu(s, t)), 0)


if __name__ == "__main__":
    e2e.main()
