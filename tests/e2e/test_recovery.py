"""No window is lost when Corvel dies: a killed Corvel's windows come back at the next start and
work as before, a cut or broken journal shows what it can and nothing else, a program that
hangs while its window is in the tray neither freezes Corvel nor holds up the other windows, and
neither does a shell that stops answering."""

import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import corvel_e2e as e2e  # noqa: E402
import robust_support as rs  # noqa: E402
import tray_support as ts  # noqa: E402

PLACES = ((40, 60), (360, 60), (680, 60), (40, 380), (360, 380))
SIZE = (300, 220)
# "At once" for a window of a program that answers, while another program hangs: well inside
# the hang, on a machine whose every core is busy too.
PROMPT = 3.0
HANG_MS = 8000
RECOVERED_WINDOWS = 20


class RecoveryTest(rs.JournalTrayTestCase):

    def setUp(self):
        super().setUp()
        self.windows = []  # (targets client, hwnd), shown and closed at the end

    def tearDown(self):
        super().tearDown()
        for t, h in self.windows:
            try:
                t.cmd("show 0x%x" % h)
                t.close(h)
            except e2e.E2EError:
                pass

    def start(self, mode="drawn", **settings):
        text = rs.settings(mode=mode)
        self.session.set_version(rs.MODES[mode][0])
        if settings.get("fades"):
            text += "[Options]\nSlowA=1\nSlowD=1\n"
        if settings.get("floating"):
            text = text.replace("MinToWindow=0", "MinToWindow=1")
        self.session.write_ini(text)
        corvel = self.session.start_corvel()
        self.addCleanup(corvel.stop)
        return corvel

    def make(self, i, t=None, title=None):
        t = t or self.session.targets
        x, y = PLACES[i % len(PLACES)]
        h = t.make(x, y, SIZE[0], SIZE[1], title or "Recovery %d" % i)
        self.windows.append((t, h))
        return h

    def minimize(self, corvel, h, t=None, how="post"):
        s, t = self.session, t or self.session.targets
        if how == "click":
            rs.click_button(s, t, h)
        elif how == "hotkey":
            self.assertTrue(rs.no_restore_under_way(self.windows), "a restore is still under way")
            t.cmd("fg 0x%x" % h)
            s.wait_for(lambda: t.state(h)["fg"], 2)
            s.key("ctrl+Tab")
        else:
            rs.post_button_up(s, corvel, t, h)
        self.assertTrue(s.wait_for(lambda: rs.icon_callback(self.tray, corvel, h) is not None, 3),
                        "no tray icon after a minimize (%s)" % how)
        self.assertTrue(rs.hidden(t, h), "the window stays visible after a minimize (%s)" % how)

    def restore(self, corvel, h, t=None):
        t = t or self.session.targets
        self.assertTrue(rs.click_icon(self.session, self.tray, corvel, h), "no icon to click")
        self.assertTrue(rs.visible(t, h), "the icon did not bring the window back")

    def kill(self, corvel):
        self.assertTrue(corvel.terminate(), "corvel.exe still runs after TerminateProcess")

    def journal_lines(self):
        try:
            with open(rs.journal_path(self.session), "rb") as f:
                return f.read().splitlines()
        except FileNotFoundError:
            return []

    def test_a_killed_corvel_gives_its_windows_back_at_the_next_start_and_they_work_again(self):
        rs.in_each_mode(self, self.killed_and_started_again)

    def killed_and_started_again(self, mode):
        s, t = self.session, self.session.targets
        corvel = self.start(mode)
        ws = [self.make(i) for i in range(3)]
        self.assertTrue(rs.wait_tracked(s, corvel, ws))
        for w, how in zip(ws, ("click", "post", "hotkey")):
            self.minimize(corvel, w, how=how)
        self.assertEqual(len(self.journal_lines()), 3)
        self.kill(corvel)
        self.assertTrue(s.holds_for(lambda: [t.state(w)["vis"] for w in ws] == [0, 0, 0]), "shown by someone after the kill")

        corvel = self.start(mode)
        for w in ws:
            self.assertTrue(rs.visible(t, w), "window 0x%x not given back by the new start" % w)
        self.assertEqual(self.journal_lines(), [], "the journal keeps what was given back")
        # Everything works as before: the button, the hot key, the icon, the menu, the journal.
        self.assertTrue(rs.wait_tracked(s, corvel, ws))
        for w, how in zip(ws, ("hotkey", "click", "post")):
            self.minimize(corvel, w, how=how)
            self.assertIn(w, self.tray.held(corvel.hwnd, rs.HELD_IN_MENU))
        self.assertEqual(len(self.journal_lines()), 3)
        for w in ws:
            self.restore(corvel, w)
        self.assertEqual(self.journal_lines(), [])
        self.assertEqual(rs.lost_windows(self.tray, corvel, self.windows), [])
        corvel.stop()
        for w in ws:
            self.session.targets.close(w)
        self.windows = [(t, h) for t, h in self.windows if h not in ws]

    def test_a_cut_or_broken_journal_shows_what_reads_back_and_nothing_else(self):
        s, t = self.session, self.session.targets
        corvel = self.start()
        ws = [self.make(i) for i in range(3)]
        self.assertTrue(rs.wait_tracked(s, corvel, ws))
        for w in ws:
            self.minimize(corvel, w)
        self.kill(corvel)
        with open(rs.journal_path(s), "rb") as f:
            text = f.read()
        lines = text.split(b"\n")
        # Cut in the middle of the second line: the first reads back, the others do not.
        with open(rs.journal_path(s), "wb") as f:
            f.write(text[:len(lines[0]) + 1 + len(lines[1]) // 2])
        corvel = self.start()
        self.assertTrue(rs.visible(t, ws[0]), "the whole first line was not given back")
        self.assertIsNotNone(self.tray.ping(corvel.hwnd), "Corvel does not answer after a cut journal")
        self.assertEqual([t.state(w)["vis"] for w in ws[1:]], [0, 0])
        corvel.stop()

        pid = t.pid(ws[1])
        other = self.make(3)
        cases = {
            "binary junk": os.urandom(3000),
            "one endless line": b"7" * 200000,
            "no line end at all": ("%08X %08X Recovery 1" % (ws[1], pid)).encode(),
            "another process's window of that handle": ("%08X %08X Recovery 1\n" % (ws[1], pid + 1)).encode(),
            "a window that is gone, a visible one and a zero handle":
                ("%08X %08X gone\n%08X %08X Recovery 3\n00000000 %08X zero\n"
                 % (0x7ff0042, pid, other, pid, pid)).encode(),
        }
        for name, data in cases.items():
            with self.subTest(name):
                with open(rs.journal_path(s), "wb") as f:
                    f.write(data)
                corvel = self.start()
                self.assertIsNotNone(self.tray.ping(corvel.hwnd), "Corvel does not answer")
                self.assertTrue(s.holds_for(lambda: t.state(ws[1])["vis"] == 0),
                                "a window that the journal does not name was shown")
                self.assertEqual(t.state(other)["vis"], 1)
                self.assertEqual(self.journal_lines(), [])
                corvel.stop()
        # The right line gives it back.
        rs.write_journal(s, [(ws[1], pid, "Recovery 1"), (ws[2], pid, "Recovery 2")])
        corvel = self.start()
        self.assertTrue(rs.visible(t, ws[1]) and rs.visible(t, ws[2]))

    def test_a_hung_program_in_the_tray_holds_up_neither_corvel_nor_the_other_windows(self):
        rs.in_each_mode(self, lambda mode: self.beside_a_hung_program(mode, fades=False))
        rs.in_each_mode(self, lambda mode: self.beside_a_hung_program(mode, fades=True))

    def beside_a_hung_program(self, mode, fades):
        s = self.session
        other = s.targets
        hung = s.start_targets("targets-hung")
        self.addCleanup(hung.quit)
        corvel = self.start(mode, fades=fades)
        a, a2 = self.make(0, hung, "Hangs"), self.make(1, hung, "Hangs too")
        b, c = self.make(2, other), self.make(3, other)
        self.assertTrue(rs.wait_tracked(s, corvel, (a, a2, b, c)))
        for w, t in ((a, hung), (b, other), (c, other)):
            self.minimize(corvel, w, t)
        # A hung program neither answers nor takes the pointer's moves over its windows:
        # the pointer is there before it hangs.
        rs.point_at_button(s, hung, a2)
        self.assertEqual(hung.cmd("hang %d" % HANG_MS), "ok")
        start = time.monotonic()
        self.assertTrue(rs.click_icon(s, self.tray, corvel, a))
        time.sleep(0.1)
        answer = self.tray.ping(corvel.hwnd)
        self.assertIsNotNone(answer)
        self.assertLess(answer, PROMPT, "Corvel froze restoring a hung program's window")
        for w in (b, c):
            clicked = time.monotonic()
            self.assertTrue(rs.click_icon(s, self.tray, corvel, w))
            self.assertTrue(rs.visible(other, w, PROMPT), "another program's window held up")
            e2e.log("%s button, fades %s: restored beside a hung program in %.0f ms"
                    % (mode, fades, 1000 * (time.monotonic() - clicked)))
        # A minimize of the hung program's other window does not freeze Corvel either.
        corvel.post(rs.HM_BUTTONUP, 0, a2)
        self.assertTrue(s.wait_for(lambda: rs.icon_callback(self.tray, corvel, a2) is not None, PROMPT))
        self.assertLess(self.tray.ping(corvel.hwnd), PROMPT)
        self.assertLess(time.monotonic() - start, HANG_MS / 1000.0, "the hang ended before the checks")
        # When the program answers again its window is shown, the other one hidden.
        self.assertTrue(rs.visible(hung, a, HANG_MS / 1000.0 + 3))
        self.assertTrue(rs.hidden(hung, a2))
        self.restore(corvel, a2, hung)
        self.assertEqual(rs.lost_windows(self.tray, corvel, self.windows), [])
        corvel.stop()
        hung.quit()
        for w in (b, c):
            other.close(w)
        self.windows = [(t, h) for t, h in self.windows if t is other and h not in (b, c)]

    def test_a_shell_that_stops_answering_holds_nothing_up(self):
        s, t = self.session, self.session.targets
        corvel = self.start(floating=True)
        w, other = self.make(0), self.make(1)
        self.assertTrue(rs.wait_tracked(s, corvel, (w, other)))
        # The tray's next call waits: the icon of this minimize reaches it only afterwards.
        self.assertEqual(self.tray.cmd("trayhang %d" % HANG_MS), "ok")
        start = time.monotonic()
        rs.post_button_up(s, corvel, t, w)
        self.assertTrue(rs.hidden(t, w, PROMPT), "the minimize waited for the shell")
        self.assertNotEqual(t.cmd("answer 0x%x" % corvel.hwnd), "timeout", "Corvel froze on the shell")
        # Minimized and back through its floating window, while the shell still hangs.
        floating = s.wait_for(lambda: ts.floating_windows(t), PROMPT)
        self.assertTrue(floating, "no floating window while the shell hangs")
        ts.choose_floating(s, t, floating[0], "Restore")
        self.assertTrue(rs.visible(t, w, PROMPT), "the floating window did not bring the window back")
        self.minimize_by_post(corvel, other)
        self.assertLess(time.monotonic() - start, HANG_MS / 1000.0, "the hang ended before the checks")
        # Once the shell answers, its icons are put right: none for the window given back, one
        # for the window held, which comes back through it.
        self.assertTrue(s.wait_for(lambda: rs.icon_callback(self.tray, corvel, other) is not None,
                                   HANG_MS / 1000.0 + 3), "no icon once the shell answers again")
        self.assertIsNone(rs.icon_callback(self.tray, corvel, w), "the icon of a window given back stays")
        self.restore(corvel, other)
        self.assertEqual(rs.lost_windows(self.tray, corvel, self.windows), [])

    def minimize_by_post(self, corvel, h):
        t = self.session.targets
        rs.post_button_up(self.session, corvel, t, h)
        self.assertTrue(rs.hidden(t, h, PROMPT), "a minimize waited for the shell")

    def test_start_up_recovery_of_twenty_windows(self):
        s, t = self.session, self.session.targets
        corvel = self.start()
        ws = [t.make(60 + 8 * i, 60 + 8 * i, 320, 200, "Journaled %d" % i) for i in range(RECOVERED_WINDOWS)]
        self.windows += [(t, w) for w in ws]
        self.assertTrue(rs.wait_tracked(s, corvel, ws))
        for w in ws:
            self.minimize(corvel, w)
        self.assertEqual(len(self.journal_lines()), RECOVERED_WINDOWS)
        self.kill(corvel)
        started = time.monotonic()
        corvel = self.start()
        ready = time.monotonic() - started
        self.assertTrue(s.wait_for(lambda: all(t.state(w)["vis"] for w in ws), 10, 0.01),
                        "not every journaled window came back")
        taken = time.monotonic() - started
        e2e.log("figure: start-up recovery of %d journaled windows: all visible %.0f ms after the start "
                "(main window there after %.0f ms)" % (RECOVERED_WINDOWS, 1000 * taken, 1000 * ready))


if __name__ == "__main__":
    e2e.main()
