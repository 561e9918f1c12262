"""Quick Run and Control Panel applets under Wine: the two pages of the options dialog driven with
real input, the Quick Run menu and the programs it opens, and the applet icons on the tray, which
open their applets through the system's control.exe."""

import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import corvel_e2e as e2e  # noqa: E402
import tray_support as ts  # noqa: E402

STEP = 5.0
APPLET_CALLBACK = 0x464
CONTROL = "C:\\windows\\system32\\control.exe"
APPLET_TITLES = {"appwiz.cpl": "Add/Remove Programs", "joy.cpl": "Game Controllers", "inetcpl.cpl": "Internet Settings"}


class QuickRunAppletsTest(e2e.CorvelTestCase):

    def setUp(self):
        super().setUp()
        self.t = self.session.targets
        self.addCleanup(self.end_applets)

    def controls_started(self):
        return [c for c in self.session.command_lines() if c.lower().startswith(CONTROL.lower())]

    def end_applets(self):
        """Ends every control.exe and applet window left running."""
        t = self.t
        for title in APPLET_TITLES.values():
            for w in t.toplevel("-", title):
                pid = t.pid(w["hwnd"])
                if pid:
                    t.kill(pid)
        self.session.wait_for(lambda: not self.controls_started(), STEP)

    def test_applet_icons_show_the_saved_entries_and_a_left_release_opens_the_applet(self):
        s, t = self.session, self.t
        recorder = s.start_targets("tray")
        self.addCleanup(recorder.quit)
        recorder.tray()
        # Entry 1 has no file: it gets no icon, and entry 2 keeps its number.
        corvel = self.start_with("winxp", "[Control Panel]\nAppCount=3\n0_AppFile=appwiz.cpl\n0_Page=0\n1_AppFile=\n"
                                          "2_AppFile=joy.cpl\n2_Page=0\n")
        adds = s.wait_for(lambda: [c for c in recorder.traycalls() if c["nim"] == 0], STEP)
        applets = [c for c in adds if c["hwnd"] == corvel.hwnd]
        self.assertEqual([(c["tip"], c["callback"], c["flags"]) for c in applets],
                         [("appwiz.cpl", APPLET_CALLBACK, 7), ("joy.cpl", APPLET_CALLBACK + 2, 7)])
        self.assertNotEqual(applets[0]["uid"], applets[1]["uid"])
        self.assertTrue(all(c["icon"] != "0x0" for c in applets), "each icon has a picture: %r" % applets)

        # Only the left button's release opens; the command runs control.exe by its full path.
        joy = applets[1]
        for mouse in (ts.WM_LBUTTONDOWN, 0x205, 0x203):
            corvel.post(joy["callback"], joy["uid"], mouse)
        time.sleep(1.0)
        self.assertEqual(self.controls_started(), [])
        corvel.post(joy["callback"], joy["uid"], ts.WM_LBUTTONUP)
        started = s.wait_for(self.controls_started, STEP)
        self.assertEqual(started, [CONTROL + " joy.cpl,@0"])
        self.assertTrue(s.wait_for(lambda: t.toplevel("-", "Game Controllers"), STEP), "no applet window")
        corvel.stop()
        deleted = {c["uid"] for c in recorder.traycalls() if c["nim"] == 2 and c["hwnd"] == corvel.hwnd}
        self.assertEqual(deleted, {c["uid"] for c in applets}, "the applet icons go at the end")


if __name__ == "__main__":
    e2e.main()
