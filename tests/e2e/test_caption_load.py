"""The caption button under load: more windows than the table holds, and a flood of title-bar
repaints through a hooked program; after Corvel ends the programs run on unhooked."""

import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import corvel_e2e as e2e  # noqa: E402
import caption_support as cs  # noqa: E402

TABLE_SIZE = 101
WINDOWS = 150
COLUMNS = 10
CELL = (102, 49)
SIZE = (100, 47)
FLOOD = 10000
INI = "[Visualization]\nSymbolType=0\n"


class CaptionLoadTest(e2e.CorvelTestCase):

    def setUp(self):
        super().setUp()
        self.t = self.session.targets

    def start(self):
        s = self.session
        s.set_version("win2k")
        s.write_ini(INI)
        corvel = s.start_corvel()
        self.addCleanup(corvel.stop)
        return corvel

    def drawn(self, screen, states):
        return {h for h, st in states.items() if cs.shows_classic(screen, st)}

    def test_more_windows_than_the_table_holds(self):
        s, t = self.session, self.t
        windows = []
        for i in range(WINDOWS):
            col, row = i % COLUMNS, i // COLUMNS
            windows.append(t.make(col * CELL[0], row * CELL[1], SIZE[0], SIZE[1], ""))
        self.addCleanup(lambda: [t.close(h) for h in windows])
        corvel = self.start()
        full = s.wait_for(lambda: len(corvel.held(e2e.IN_BUTTON_TABLE)) == TABLE_SIZE, 10, 0.2)
        self.assertTrue(full, "the table is not full")
        table = corvel.held(e2e.IN_BUTTON_TABLE)
        tracked = set(table) & set(windows)
        states = {h: t.state(h) for h in windows}
        screen = lambda: s.pixels(0, 0, *e2e.SCREEN)  # noqa: E731
        ok = s.wait_for(lambda: self.drawn(screen(), states) == tracked, 10, 0.2)
        e2e.log("screenshot: " + s.screenshot("caption-150-windows"))
        self.assertTrue(ok, "the button is not on exactly the %d windows of the table" % TABLE_SIZE)

        # Every title bar repaints: the rest stay bare, the tracked ones get the button back.
        for h in windows:
            t.cmd("frame 0x%x" % h)
        self.assertTrue(s.holds_for(lambda: not self.drawn(screen(), states) - tracked, 1.5),
                        "windows beyond the table got the button")
        # With 150 windows painting at once the X server may put a window's late painting over
        # the button; a repaint on its own brings it back.
        missing = tracked - self.drawn(screen(), states)
        e2e.log("tracked windows without the button after the burst of repaints: %d" % len(missing))
        for h in missing:
            t.cmd("frame 0x%x" % h)
        self.assertTrue(s.wait_for(lambda: self.drawn(screen(), states) == tracked, 5, 0.2),
                        "tracked windows lost the button")

        # A tracked window still minimizes by its button; an untracked one does not.
        untracked = [h for h in windows if h not in tracked]
        for h, expect_hidden in ((untracked[0], False), (sorted(tracked)[0], True)):
            x, y = cs.button_centre(states[h])
            s.click(x, y)
            if expect_hidden:
                self.assertTrue(s.wait_for(lambda: t.state(h)["vis"] == 0, 3), "tracked window not minimized")
            else:
                self.assertTrue(s.holds_for(lambda: t.state(h)["vis"] == 1), "a window beyond the table was minimized")
        self.assertTrue(corvel.is_running())
        self.assertIsNotNone(corvel.end_session(), "Corvel did not end after the load")

    def test_flood_of_title_bar_repaints(self):
        s, t = self.session, self.t
        w = t.make(200, 150, 400, 260, "Flooded")
        self.addCleanup(t.close, w)
        corvel = self.start()
        self.assertTrue(s.wait_for(lambda: cs.classic_now(s, t.state(w)), 3, 0.2))
        probe = s.start_targets("probe")
        self.addCleanup(probe.quit)

        t.proc.stdin.write(("ncpaint 0x%x %d\n" % (w, FLOOD)).encode("latin-1"))
        t.proc.stdin.flush()
        answers = []
        for _ in range(5):
            time.sleep(0.5)
            answers.append(probe.cmd("answer 0x%x" % w))
        taken = int(t.reader.readline(300))
        e2e.log("%d repaints in %d ms; the target answered during them in %s ms" % (FLOOD, taken, ", ".join(answers)))
        self.assertNotIn("timeout", answers, "the flooded program stopped answering")
        self.assertNotEqual(probe.cmd("answer 0x%x" % corvel.hwnd), "timeout", "Corvel stopped answering")
        self.assertTrue(corvel.is_running())
        t.cmd("frame 0x%x" % w)
        self.assertTrue(s.wait_for(lambda: cs.classic_now(s, t.state(w)), 3, 0.2),
                        "no button after the flood")

        self.assertIsNotNone(corvel.end_session(), "Corvel did not end")
        # Unhooked: a stand-in for the main window hears nothing, the program goes on.
        rec = cs.Recorder(s)
        self.addCleanup(rec.client.quit)
        t.cmd("ncpaint 0x%x 500" % w)
        t.cmd("title 0x%x After Corvel" % w)
        x, y = cs.title_point(t.state(w))
        s.click(x, y)
        self.assertTrue(s.holds_for(lambda: rec.take() == []), "the hook still reports after Corvel ended")
        self.assertNotEqual(probe.cmd("answer 0x%x" % w), "timeout")
        self.assertEqual(t.state(w)["exists"], 1)


if __name__ == "__main__":
    e2e.main()
