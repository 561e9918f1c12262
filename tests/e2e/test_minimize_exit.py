"""The end of Corvel with windows held in the tray and the tray menu (winxp, no Corvl.ini): "Exit"
chosen with real clicks, and WM_ENDSESSION. Every held window is shown again, every icon of
Corvel leaves the tray, the process ends. Each window also has its floating window at the
screen's centre, whose place is written at the end. Wine's tray drops the icons of a window that is gone,
so the strip alone cannot tell whether Corvel deleted them: the WM_ENDSESSION case runs with a
recording tray that must see a delete for every icon added."""

import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import corvel_e2e as e2e  # noqa: E402
import tray_support as ts  # noqa: E402

STEP = 6.0  # generous: a loaded machine takes its time


class ExitTest(e2e.CorvelTestCase):

    def setUp(self):
        super().setUp()
        s = self.session
        self.t = s.targets
        s.set_version("winxp")
        s.remove_ini()
        self.assertTrue(ts.close_menus(s, self.t))
        self.before = ts.strip(s)

    def start_and_hold(self, count=2, recording=None):
        s, t = self.session, self.t
        corvel = s.start_corvel()
        self.addCleanup(corvel.stop)
        if not recording:
            self.assertTrue(s.wait_for(lambda: ts.strip(s) != self.before, STEP, 0.05), "no icon of Corvel in the tray")
        windows = []
        for i, title in enumerate(ts.TITLES[:count]):
            w = t.make(140 + 90 * i, 110 + 70 * i, 380, 230, title)
            self.addCleanup(t.close, w)
            windows.append(w)
        for i, w in enumerate(windows):
            self.assertTrue(s.wait_for(lambda: ts.button_drawn(s, t, w), STEP, 0.1), "no caption button")
            t.cmd("fg 0x%x" % w)
            ts.click_caption_button(s, t, w)
            self.assertTrue(s.wait_for(lambda: not t.state(w)["vis"], STEP, 0.05))
            if not recording:
                self.assertTrue(s.wait_for(lambda: len(ts.window_icons(s)) == i + 1, STEP, 0.05))
            self.assertTrue(s.wait_for(lambda: len(ts.floating_windows(t)) == i + 1, STEP, 0.05), "no floating window")
        return corvel, windows

    def check_given_back(self, corvel, windows):
        s, t = self.session, self.t
        self.assertIsNotNone(corvel.wait_exit(STEP), "Corvel still runs")
        for w in windows:
            self.assertTrue(s.wait_for(lambda: t.state(w)["vis"], STEP, 0.05), "a held window stays hidden")
            self.assertEqual(t.state(w)["iconic"], 0, "a held window stays minimized")
            self.assertTrue(ts.taskbar_button(t, w), "a held window has no task bar button")
        # Given back all at once, the last of them is the one in front.
        self.assertTrue(s.wait_for(lambda: t.state(windows[-1])["fg"], STEP, 0.05),
                        "the last window given back is not in front")
        self.assertTrue(s.wait_for(lambda: ts.strip(s) == self.before, STEP, 0.05),
                        "icons of Corvel stay in the tray: %r" % ts.window_icons(s))
        self.assertEqual(t.toplevel(e2e.MAIN_CLASS, e2e.MAIN_CAPTION), [])
        self.assertEqual(ts.floating_windows(t, visible=False), [])
        ini = s.read_ini()
        for title in ts.TITLES[:len(windows)]:
            self.assertIn("%s_Left=%d" % (title, e2e.SCREEN[0] // 2), ini, "no place of a floating window")
            self.assertIn("%s_Top=%d" % (title, e2e.SCREEN[1] // 2), ini)

    def test_exit_from_the_tray_menu(self):
        s, t = self.session, self.t
        corvel, windows = self.start_and_hold()
        m = ts.open_tray_menu(s, t)
        self.assertEqual(ts.menu_entries(m), 2)
        self.shot("before-exit")
        s.click(*ts.exit_centre(m))
        self.check_given_back(corvel, windows)
        self.shot("after-exit")

    def test_end_session(self):
        s = self.session
        tray = s.start_targets("recording-tray")
        self.addCleanup(tray.quit)
        tray.tray()
        corvel, windows = self.start_and_hold(recording=tray)
        corvel.post(e2e.WM_ENDSESSION, 1, 0)
        self.check_given_back(corvel, windows)
        calls = [dict(f.split("=", 1) for f in line.split(" tip=")[0].split()) for line in tray.traylog()]
        added = {(c["hwnd"], c["uid"]) for c in calls if c["nim"] == "0"}
        deleted = {(c["hwnd"], c["uid"]) for c in calls if c["nim"] == "2"}
        self.assertEqual(len(added), len(windows) + 1, "icons added: %r" % calls)
        self.assertEqual(deleted, added, "icons not deleted at the end: %r" % (added - deleted))


if __name__ == "__main__":
    e2e.main()
