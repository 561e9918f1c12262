"""Load: 300 target windows, 100 of them minimized and restored in quick succession while
collection passes run, with no crash and no window lost; the caption-button table keeps to its
101 entries, so a window below them in the Z order cannot be minimized by its button.

Requests may be dropped under this load, by design: the requests share one pending slot, and a
pass empties the table and fills it again while it lets messages in, so a release that comes in
the middle of a pass may find its window not yet collected. The test prints how many went
through; what it asserts is that nothing is lost."""

import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import corvel_e2e as e2e  # noqa: E402
import robust_support as rs  # noqa: E402

WINDOWS = 300
CYCLED = 100
TABLE = 101
PLACE = (120, 100, 420, 300)  # every window here: one pointer position is on every button
# Longer than one timer period (10 ms): each request has its timer to itself.
GAP = 0.02
RESCAN_EVERY = 7
ROUNDS = 2


class StressTest(rs.JournalTrayTestCase):

    def setUp(self):
        super().setUp()
        s = self.session
        # A targets.exe of its own, so that the 300 windows go with it.
        self.t = s.start_targets("targets-stress")
        self.addCleanup(self.t.quit)

    def settled(self, windows, quiet=1.0, limit=10.0):
        """The hidden ones of `windows` once their number has stopped changing."""
        deadline = time.monotonic() + limit
        last, since = None, time.monotonic()
        while time.monotonic() < deadline:
            held = self.held(windows)
            if len(held) != last:
                last, since = len(held), time.monotonic()
            elif time.monotonic() - since >= quiet:
                break
            time.sleep(0.2)
        return held

    def held(self, windows):
        return [h for h, vis in rs.visibility([(self.t, h) for h in windows]).items() if not vis]

    def test_three_hundred_windows_a_hundred_cycled_while_passes_run(self):
        s, t = self.session, self.t
        s.write_ini(rs.settings())
        corvel = s.start_corvel()
        self.addCleanup(corvel.stop)
        started = time.monotonic()
        windows = [t.make(PLACE[0], PLACE[1], PLACE[2], PLACE[3], "Stress %d" % i) for i in range(WINDOWS)]
        e2e.log("%d windows made in %.1f s" % (WINDOWS, time.monotonic() - started))
        all_pairs = [(t, h) for h in windows]
        cycled = windows[-CYCLED:]  # the newest, at the top of the Z order: in the table
        s.mousemove(*rs.button_centre(t.state(cycled[0])))
        time.sleep(1.0)
        minimized = restored = 0
        for _ in range(ROUNDS):
            for i, h in enumerate(cycled):
                if i % RESCAN_EVERY == 0:
                    corvel.post(rs.HM_RESCAN)
                corvel.post(rs.HM_BUTTONUP, 0, h)
                time.sleep(GAP)
            held = self.settled(cycled)
            self.assertTrue(corvel.is_running(), "corvel.exe ended under load")
            self.assertEqual(rs.lost_windows(self.tray, corvel, all_pairs), [], "windows lost after the minimizes")
            minimized += len(held)
            icons = self.tray.icons()
            for i, h in enumerate(held):
                if i % RESCAN_EVERY == 0:
                    corvel.post(rs.HM_RESCAN)
                callback = icons.get((corvel.hwnd, h))
                if callback is not None:
                    t.post(corvel.hwnd, callback, h, rs.WM_LBUTTONDOWN)
                    t.post(corvel.hwnd, callback, h, rs.WM_LBUTTONUP)
                time.sleep(GAP)
            restored += len(held) - len(self.settled(cycled))
            self.assertEqual(rs.lost_windows(self.tray, corvel, all_pairs), [], "windows lost after the restores")
            # What a request dropped by a pass left hidden comes back one at a time.
            for h in self.held(cycled):
                self.assertTrue(rs.click_icon(s, self.tray, corvel, h), "0x%x hidden without an icon" % h)
                self.assertTrue(rs.visible(t, h), "0x%x not restored" % h)
            time.sleep(0.5)
        e2e.log("figure: stress: %d of %d minimize requests and %d of %d restore requests went through "
                "(%d of %d windows cycled, %.1f s), windows lost: 0"
                % (minimized, ROUNDS * CYCLED, restored, minimized, CYCLED, WINDOWS, time.monotonic() - started))
        self.assertGreater(minimized, ROUNDS * CYCLED * 0.1, "nearly every minimize request was dropped")

        # The oldest window is below the table's 101 windows: its button does nothing.
        corvel.post(rs.HM_RESCAN)
        time.sleep(1.0)
        corvel.post(rs.HM_BUTTONUP, 0, windows[0])
        time.sleep(0.5)
        self.assertEqual(t.state(windows[0])["vis"], 1, "a window beyond the table's %d entries was minimized" % TABLE)
        corvel.post(rs.HM_BUTTONUP, 0, cycled[-1])
        self.assertTrue(rs.hidden(t, cycled[-1]), "the table does not work any more")
        self.assertTrue(rs.click_icon(s, self.tray, corvel, cycled[-1]) and rs.visible(t, cycled[-1]))
        self.assertIsNotNone(self.tray.ping(corvel.hwnd))
        self.assertIsNotNone(corvel.end_session(5), "Corvel did not end")
        self.assertTrue(all(rs.visibility(all_pairs).values()), "windows hidden after the end")


if __name__ == "__main__":
    e2e.main()
