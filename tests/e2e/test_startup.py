"""Start-up and shutdown of corvel.exe: the hidden main window per Windows version, the process
priority, the settings file left alone, WM_ENDSESSION, the user button bitmaps, a window held
minimized at exit, a window made right after the start, and a second start."""

import os
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import corvel_e2e as e2e  # noqa: E402
import caption_support as cs  # noqa: E402
import robust_support as rs  # noqa: E402
import tray_support as ts  # noqa: E402

# A generous limit for the end: how quickly it goes is a figure of the benchmarks (bench/bench.py).
END_SESSION_LIMIT = 10.0
USER_BITMAPS = ("UpUser.bmp", "DownUser.bmp")
LAYERED_VERSIONS = ("win2k", "winxp", "win2003", "win10")
PLAIN_VERSIONS = ("nt40", "win98")
# Starts with a window made in Corvel's first 100 ms (CORVEL_QUICK_STARTS=50 by hand).
QUICK_STARTS = int(os.environ.get("CORVEL_QUICK_STARTS", "8"))
BUTTON_WITHIN = 10.0  # generous: a start on a loaded machine takes seconds


class StartupTest(e2e.CorvelTestCase):

    def setUp(self):
        super().setUp()
        s = self.session
        s.remove_ini()
        for name in USER_BITMAPS:
            s.remove_program_file(name)
            self.addCleanup(s.remove_program_file, name)

    def start(self, version):
        self.session.set_version(version)
        corvel = self.session.start_corvel()
        self.addCleanup(corvel.stop)
        return corvel

    def end(self, corvel):
        taken = corvel.end_session(timeout=END_SESSION_LIMIT)
        self.assertIsNotNone(taken, "still running %.1f s after WM_ENDSESSION" % END_SESSION_LIMIT)
        e2e.log("WM_ENDSESSION to exit: %.3f s" % taken)

    def check_main_window(self, corvel, layered):
        t = self.session.targets
        found = t.toplevel(e2e.MAIN_CLASS, e2e.MAIN_CAPTION)
        self.assertEqual(len(found), 1, found)
        w = found[0]
        self.assertEqual(w["hwnd"], corvel.hwnd)
        self.assertEqual(w["vis"], 0, "main window visible")
        self.assertEqual(w["taskbar"], 0, "main window has a task bar button")
        if layered:
            self.assertEqual(w["ex"], e2e.WS_EX_LAYERED, "extended style 0x%x" % w["ex"])
        else:
            self.assertFalse(w["ex"] & e2e.WS_EX_LAYERED, "layered: extended style 0x%x" % w["ex"])
        # Nothing of the program shows: no error box, no stray window, no task bar button.
        shown = [x for x in corvel.windows() if x["vis"] or x["taskbar"]]
        self.assertEqual(shown, [])

    def test_hidden_main_window_priority_and_end_session_per_version(self):
        s = self.session
        for version in LAYERED_VERSIONS + PLAIN_VERSIONS:
            with self.subTest(version=version):
                corvel = self.start(version)
                try:
                    self.check_main_window(corvel, layered=version in LAYERED_VERSIONS)
                    # Raised as the message loop starts, a moment after the window exists.
                    s.wait_for(lambda: corvel.priority() == e2e.ABOVE_NORMAL_PRIORITY_CLASS, 3)
                    self.assertEqual(corvel.priority(), e2e.ABOVE_NORMAL_PRIORITY_CLASS)
                    self.assertFalse(s.ini_exists(), "Corvl.ini created at start")
                    self.end(corvel)
                finally:
                    corvel.stop()
                self.assertFalse(s.ini_exists(), "Corvl.ini created at exit")
                for name in USER_BITMAPS:
                    self.assertFalse(os.path.exists(s.program_file(name)), name + " created at exit")

    def test_exit_writes_back_the_user_bitmaps_and_not_the_settings(self):
        s = self.session
        settings = "[Options]\nHotKey=0x2\nSlowA=1\n[Visualization]\nIconBrColor=255\n"
        s.write_ini(settings)
        with open(s.ini_path(), "rb") as f:
            settings_before = f.read()
        shapes = {
            "UpUser.bmp": (16, 14, lambda x, y: (200, 40 + 10 * y, 8 * x)),
            "DownUser.bmp": (20, 20, lambda x, y: ((x * y) % 256, 90, 255 - 12 * x)),
        }
        old = time.time() - 3600
        for name, (w, h, pixel) in shapes.items():
            e2e.write_bmp(s.program_file(name), w, h, pixel)
            os.utime(s.program_file(name), (old, old))
        before = {name: e2e.read_bmp(s.program_file(name)) for name in shapes}
        corvel = self.start("winxp")
        self.end(corvel)
        for name in shapes:
            path = s.program_file(name)
            self.assertGreater(os.path.getmtime(path), old + 60, name + " not written at exit")
            self.assertEqual(e2e.read_bmp(path), before[name], name + " changed")
        with open(s.ini_path(), "rb") as f:
            self.assertEqual(f.read(), settings_before, "Corvl.ini written at exit")

    def test_read_only_settings_file_does_not_stop_the_start(self):
        s = self.session
        text = ("[MinOptions]\nMinToTray=0\n[Options]\nHotKey=2\nWinFilter=1\n"
                "[Visualization]\nSymbolType=1\n")
        path = s.write_ini(text, readonly=True)
        self.assertFalse(s.targets.file_writable(s.ini_winpath()), "the test file is writable")
        with open(path, "rb") as f:
            before = f.read()
        corvel = self.start("win2k")
        self.check_main_window(corvel, layered=True)
        self.end(corvel)
        with open(path, "rb") as f:
            self.assertEqual(f.read(), before)

    def test_settings_go_to_the_users_folder_where_the_windows_directory_takes_none(self):
        """A standard user of Windows 10 cannot write the Windows directory (here a folder named
        "Corvl.ini" stands there): OK in the options dialog writes %APPDATA%\\Corvel\\Corvl.ini,
        the next start reads it, and a window hidden when Corvel is killed comes back at the next
        start from the journal kept beside it."""
        s, t = self.session, self.session.targets
        user = s.user_settings_dir()
        shutil.rmtree(user, ignore_errors=True)
        self.addCleanup(shutil.rmtree, user, True)
        os.mkdir(os.path.join(s.windows_dir, e2e.INI_NAME))
        corvel = self.start("win10")
        dialog, _ = ts.open_options(s, t)
        self.assertTrue(s.click_child(dialog, e2e.OPTIONS_CLIENT, "OK"), "no OK button")
        ini = os.path.join(user, e2e.INI_NAME)
        self.assertTrue(s.wait_for(lambda: os.path.exists(ini), 5), "OK wrote no %s" % ini)
        self.assertFalse([w for w in t.toplevel("#32770") if w["vis"]], "a message was shown")
        self.end(corvel)
        # The next start reads it: the XP look asked for there, not the flat one of the defaults.
        with open(ini, "rb") as f:
            text = f.read()
        self.assertIn(b"SymbolType=2\r\n", text)
        with open(ini, "wb") as f:
            f.write(text.replace(b"SymbolType=2\r\n", b"SymbolType=1\r\n"))
        corvel = self.start("win10")
        w = t.make(200, 150, 420, 260, "Held in the user's journal")
        self.addCleanup(t.close, w)
        state = t.state(w)
        left, top, right, bottom = e2e.button_rect(state)
        xp = lambda: len({p for row in s.pixels(left, top, right - left, bottom - top) for p in row}) > 2
        self.assertTrue(s.wait_for(xp, 5), "the XP look of the user's settings is not drawn")
        s.click((left + right) // 2, (top + bottom) // 2)
        self.assertTrue(s.wait_for(lambda: not t.state(w)["vis"], 3), "the window did not go to the tray")
        journal = os.path.join(user, "Corvl.hidden")
        self.assertTrue(s.wait_for(lambda: os.path.exists(journal) and os.path.getsize(journal) > 0, 3))
        self.assertTrue(corvel.terminate())
        corvel = self.start("win10")
        self.assertTrue(s.wait_for(lambda: t.state(w)["vis"], 5), "the hidden window was not given back")
        self.end(corvel)

    def test_end_session_gives_back_a_window_held_minimized(self):
        s = self.session
        t = s.targets
        corvel = self.start("winxp")  # the XP look: a caption button to press
        held = t.make(200, 150, 420, 260, "Held window")
        other = t.make(260, 450, 420, 200, "Other window")
        self.addCleanup(t.close, held)
        self.addCleanup(t.close, other)
        state = t.state(held)
        left, top, right, bottom = e2e.button_rect(state)
        ok = s.wait_for(lambda: s.pixels(left, top, right - left, bottom - top) != self.caption_pixels(state), 3)
        self.assertTrue(ok, "no caption button drawn")
        s.mousedown((left + right) // 2, (top + bottom) // 2)
        s.mouseup()
        self.assertTrue(s.wait_for(lambda: not t.state(held)["vis"], 3), "the window did not go to the tray")
        self.shot("held")
        self.end(corvel)
        self.assertTrue(s.wait_for(lambda: t.state(held)["vis"], 2), "the held window stays hidden after exit")
        self.assertEqual(t.state(other)["vis"], 1)

    def caption_pixels(self, state):
        """The title bar's own pixels where the button goes, taken left of every button."""
        left, top, right, bottom = e2e.button_rect(state)
        x = state["x"] + state["w"] // 2
        return self.session.pixels(x, top, right - left, bottom - top)


    def test_a_window_made_right_after_the_start_gets_its_button_without_a_repaint(self):
        s, t = self.session, self.session.targets
        s.set_version("win2k")
        s.write_ini("[Visualization]\nSymbolType=0\n")
        bare = 0
        for i in range(QUICK_STARTS):
            corvel = s.start_corvel(wait=False)
            started = time.monotonic()
            w = t.make(200 + 10 * (i % 8), 150, 400, 200, "Early %d" % i)
            made = time.monotonic() - started
            st = t.state(w)
            shown = s.wait_for(lambda: cs.shows_classic(s.pixels(0, 0, *e2e.SCREEN), st), BUTTON_WITHIN, 0.1)
            if not shown:
                bare += 1
                s.screenshot("early-window-%d" % i)
                e2e.log("start %d: the window made after %.0f ms has no button" % (i, made * 1000))
            corvel.wait_ready()
            corvel.stop()
            t.close(w)
        e2e.log("figure: %d starts with a window made at once, windows without their button: %d" % (QUICK_STARTS, bare))
        self.assertEqual(bare, 0)

    def test_a_second_start_leaves_at_once_and_the_first_keeps_everything(self):
        s, t = self.session, self.session.targets
        s.set_version("win2k")
        s.write_ini(rs.settings() + "[Visualization]\nSymbolType=0\n")
        rs.remove_journal(s)
        self.addCleanup(rs.remove_journal, s)
        first = self.start("win2k")
        w = t.make(200, 150, 400, 200, "Held by the first")
        self.addCleanup(t.close, w)
        # The hot key acts on windows of the caption-button table only: a pass must have taken it.
        self.assertTrue(rs.wait_tracked(s, first, [w]), "the first Corvel does not track the window")
        t.cmd("fg 0x%x" % w)
        self.assertTrue(s.wait_for(lambda: t.state(w)["fg"] == 1))
        s.key("ctrl+Tab")
        self.assertTrue(rs.hidden(t, w), "the hot key of the first Corvel does not minimize")
        with open(rs.journal_path(s), "rb") as f:
            journal = f.read()
        second = subprocess.run([s.wine, os.path.join(s.bin_dir, "corvel.exe")], env=s.env, cwd=s.bin_dir,
                                stdin=subprocess.DEVNULL, capture_output=True, timeout=30)
        self.assertEqual(second.returncode, 0)
        self.assertEqual([x["hwnd"] for x in t.toplevel(e2e.MAIN_CLASS, e2e.MAIN_CAPTION)], [first.hwnd])
        with open(rs.journal_path(s), "rb") as f:
            self.assertEqual(f.read(), journal, "the second start touched the journal")
        self.assertEqual(t.state(w)["vis"], 0, "the second start gave the window back")
        # The hot key is still the first one's: the window comes back by the tray menu's entry,
        # another one goes by the key.
        other = t.make(250, 200, 400, 200, "Second window")
        self.addCleanup(t.close, other)
        self.assertTrue(rs.wait_tracked(s, first, [other]), "the first Corvel does not track the second window")
        t.cmd("fg 0x%x" % other)
        self.assertTrue(s.wait_for(lambda: t.state(other)["fg"] == 1))
        s.key("ctrl+Tab")
        self.assertTrue(rs.hidden(t, other), "the hot key went with the second start")
        self.end(first)
        self.assertTrue(rs.visible(t, w) and rs.visible(t, other))


if __name__ == "__main__":
    e2e.main()
