"""Windows minimized to the tray and the tray menu under Wine (winxp, no Corvl.ini: tray and
menu on, navy icon border), with real pointer input on windows of another process: the caption
button hides a window behind its own tray icon and a menu entry, a left click on the icon or a
click on the entry brings it back; other clicks on the icon do nothing; the menu's entries and
margin text as windows come and go; a window whose process died; a maximized window. Each held
window also has its floating window, which goes with the others whichever one restores."""

import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import corvel_e2e as e2e  # noqa: E402
import tray_support as ts  # noqa: E402

STEP = 6.0  # seconds within which one minimize or restore shows on screen, on a loaded machine too


class TrayIconTest(ts.OneCorvelTestCase):
    """One Corvel for every test: each test leaves no window in the tray."""

    def setUp(self):
        super().setUp()
        self.addCleanup(self.give_back_all)

    # -- helpers ---------------------------------------------------------------------------

    def make(self, x, y, title="Target", w=380, h=230, client=None):
        client = client or self.t
        hwnd = client.make(x, y, w, h, title)
        self.addCleanup(lambda: client.proc.poll() is None and client.close(hwnd))
        self.assertTrue(self.session.wait_for(lambda: ts.button_drawn(self.session, self.t, hwnd), STEP, 0.1),
                        "no caption button on the new window")
        return hwnd

    def give_back_all(self):
        """Clicks every per-window icon left, so the next test starts with an empty tray."""
        s = self.session
        ts.close_menus(s, self.t)
        for _ in range(8):
            icons = ts.window_icons(s)
            if not icons:
                return
            s.click(*ts.slot_centre(icons[0]))
            s.wait_for(lambda: len(ts.window_icons(s)) < len(icons), 2)
            time.sleep(ts.DOUBLE_CLICK_TIME)  # the next click on that spot is no double click

    def minimize(self, hwnd):
        """Real click on the caption button: hidden, and one more icon with a navy border in
        the next slot. Returns its slot."""
        s, t = self.session, self.t
        self.assertTrue(ts.close_menus(s, t), "a menu stays open")
        before = len(ts.window_icons(s))
        floating = len(ts.floating_windows(t))
        t.cmd("fg 0x%x" % hwnd)
        ts.click_caption_button(s, t, hwnd)
        self.assertTrue(s.wait_for(lambda: not t.state(hwnd)["vis"], STEP, 0.05), "the window is still shown")
        icons = s.wait_for(lambda: (lambda i: i if len(i) == before + 1 else None)(ts.window_icons(s)), STEP, 0.05)
        self.assertIsNotNone(icons, "no new icon with a navy border in the tray: %r" % ts.window_icons(s))
        self.assertEqual(icons, list(range(1, before + 2)), "the icons do not stand next to Corvel's own")
        self.assertEqual(len(ts.floating_windows(t)), floating + 1, "no floating window")
        return icons[-1]

    def held(self, hwnd, icons):
        """Hidden, without task bar button, and the tray still shows `icons` window icons."""
        st = self.t.state(hwnd)
        return (not st["vis"] and not ts.taskbar_button(self.t, hwnd)
                and len(ts.window_icons(self.session)) == icons)

    def check_back(self, hwnd, icons_left=0):
        s, t = self.session, self.t
        self.assertTrue(s.wait_for(lambda: t.state(hwnd)["vis"], STEP, 0.05), "the window is not shown again")
        self.assertTrue(s.wait_for(lambda: len(ts.window_icons(s)) == icons_left, STEP, 0.05),
                        "the tray shows %d window icons, not %d" % (len(ts.window_icons(s)), icons_left))
        self.assertTrue(s.wait_for(lambda: len(ts.floating_windows(t)) == icons_left, STEP, 0.05),
                        "floating windows left: %r" % ts.floating_windows(t))
        st = t.state(hwnd)
        self.assertEqual(st["iconic"], 0, "still minimized")
        self.assertTrue(ts.taskbar_button(t, hwnd), "no task bar button")
        self.assertTrue(s.wait_for(lambda: ts.button_drawn(s, t, hwnd), STEP, 0.1), "no caption button drawn")

    def menu_entries(self):
        m = ts.open_tray_menu(self.session, self.t)
        n = ts.menu_entries(m)
        return m, n

    # -- tests -----------------------------------------------------------------------------

    def test_caption_button_to_the_tray_and_a_left_click_on_the_icon_back(self):
        s, t = self.session, self.t
        hwnd = self.make(180, 140)
        other = self.make(420, 330, "Other")
        slot = self.minimize(hwnd)
        self.assertFalse(ts.taskbar_button(t, hwnd), "the hidden window keeps its task bar button")
        self.assertEqual(ts.slot_pixels(ts.strip(s), 0), self.own, "Corvel's own icon changed")
        self.assertEqual(self.menu_entries()[1], 1, "no entry in the tray menu")
        self.shot("held-menu")
        self.assertTrue(ts.close_menus(s, t))
        x, y = ts.slot_centre(slot)
        # A move over the icon, a right and a middle click do nothing.
        s.mousemove(x, y)
        self.assertTrue(s.holds_for(lambda: self.held(hwnd, 1)), "a move over the icon restored")
        s.click(x, y, button=3)
        self.assertTrue(s.holds_for(lambda: self.held(hwnd, 1) and not ts.menus(t)),
                        "a right click on the icon restored it or opened a menu")
        s.click(x, y, button=2)
        self.assertTrue(s.holds_for(lambda: self.held(hwnd, 1)), "a middle click on the icon restored")
        t.cmd("fg 0x%x" % other)
        s.click(x, y)
        self.check_back(hwnd)
        self.assertEqual(t.state(hwnd)["fg"], 1, "the restored window is not in front")
        self.assertEqual(self.menu_entries()[1], 0, "its menu entry stays")
        self.assertTrue(ts.close_menus(s, t))

    def test_restore_from_the_menu_entry(self):
        s, t = self.session, self.t
        hwnd = self.make(200, 160)
        self.minimize(hwnd)
        m, n = self.menu_entries()
        self.assertEqual(n, 1)
        s.click(*ts.entry_centre(m, 0))
        self.check_back(hwnd)
        self.assertEqual(self.menu_entries()[1], 0, "the entry stays in the menu")
        self.assertTrue(ts.close_menus(s, t))

    def test_entries_in_the_order_of_minimizing_and_the_margin_text(self):
        s, t = self.session, self.t
        windows = [self.make(120 + 70 * i, 100 + 60 * i, title) for i, title in enumerate(ts.TITLES)]
        masks, widths = [], []
        for n in range(4):
            if n:
                self.minimize(windows[n - 1])
            m, entries = self.menu_entries()
            self.assertEqual(entries, n)
            self.assertEqual(ts.margin_width(s, m), ts.MARGIN)
            widths = [ts.entry_text_width(s, m, i) for i in range(n)]
            self.assertEqual(widths, sorted(set(widths)), "entries not in the order of minimizing: %r" % widths)
            rows = ts.margin_strip(s, m)
            self.assertEqual(ts.margin_problems(rows), [], "margin with %d entries" % n)
            masks.append(ts.text_mask(rows))
            self.shot("margin-%d" % n)
        # "Corvel", "QX Corvel" twice, "Corvel  2.4": the last begins at the bottom with the
        # first one's letters and runs further up.
        self.assertNotEqual(masks[1], masks[0], "the margin text does not change with one entry")
        self.assertEqual(masks[2], masks[1], "the margin text changes from one to two entries")
        self.assertNotEqual(masks[3], masks[2], "the margin text does not change with three entries")
        self.assertTrue(masks[0] < masks[3], "with three entries the text does not begin with the first text")
        self.assertGreater(ts.text_extent(masks[3]), ts.text_extent(masks[0]))
        self.assertTrue(ts.close_menus(s, t))
        # The first one's icon is next to Corvel's own; restoring it removes only its entry.
        s.click(*ts.slot_centre(1))
        self.check_back(windows[0], icons_left=2)
        m, entries = self.menu_entries()
        self.assertEqual(entries, 2)
        self.assertEqual([ts.entry_text_width(s, m, i) for i in range(2)], widths[1:])
        self.assertEqual(ts.text_mask(ts.margin_strip(s, m)), masks[1])
        self.assertTrue(ts.close_menus(s, t))
        for w in windows[1:]:
            self.assertFalse(t.state(w)["vis"], "another window came back")

    def test_a_double_click_on_an_icon_restores_that_window_alone(self):
        s, t = self.session, self.t
        first = self.make(150, 120)
        second = self.make(300, 260)
        slot = self.minimize(first)
        self.minimize(second)
        ts.double_click(s, *ts.slot_centre(slot))
        self.check_back(first, icons_left=1)
        self.assertTrue(s.holds_for(lambda: self.held(second, 1)), "the double click also restored the icon that slid under it")

    def test_icon_of_a_window_whose_process_ended(self):
        s, t = self.session, self.t
        other = s.start_targets("targets-killed")
        try:
            hwnd = self.make(220, 180, client=other)
            pid = t.pid(hwnd)
            slot = self.minimize(hwnd)
            self.assertTrue(t.kill(pid))
            self.assertTrue(s.wait_for(lambda: not t.state(hwnd)["exists"], STEP, 0.05))
            s.click(*ts.slot_centre(slot))
            self.assertTrue(s.wait_for(lambda: not ts.window_icons(s), STEP, 0.05), "the dead window's icon stays")
            self.assertEqual(ts.floating_windows(t, visible=False), [], "the dead window's floating window stays")
            self.assertTrue(self.corvel.is_running(), "Corvel ended")
            self.assertEqual(self.menu_entries()[1], 0, "the dead window's entry stays")
            self.assertTrue(ts.close_menus(s, t))
        finally:
            other.quit()

    def test_maximized_window_comes_back_maximized_and_in_front(self):
        s, t = self.session, self.t
        hwnd = self.make(160, 120)
        cover = self.make(300, 200, "Cover")
        t.cmd("maximize 0x%x" % hwnd)
        t.cmd("fg 0x%x" % hwnd)
        self.assertTrue(s.wait_for(lambda: t.state(hwnd)["zoomed"] and ts.button_drawn(s, t, hwnd), STEP, 0.1),
                        "no caption button on the maximized window")
        slot = self.minimize(hwnd)
        t.cmd("fg 0x%x" % cover)
        s.click(*ts.slot_centre(slot))
        self.check_back(hwnd)
        st = t.state(hwnd)
        self.assertEqual(st["zoomed"], 1, "not maximized any more: %r" % st)
        self.assertEqual(st["fg"], 1, "not in front")


if __name__ == "__main__":
    e2e.main()
