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
SYSTEM32 = "C:\\windows\\system32\\"
PROGRAMS = ("notepad.exe", "winver.exe", "write.exe")
PROGRAM_TITLES = ("Notepad", "About Wine", "WordPad")

# Controls of the pages (identifiers, and places on the page).
APPLET_LIST = 3201
QUICK_RUN_LIST = 3101
ADD, EDIT_NAME, DELETE, UP = (63, 288), (161, 288), (259, 288), (522, 34)
# The Edit name dialog (client 261 x 119).
NAME_CLIENT = (261, 119)
NAME_OK = (83, 96)
# The Quick Run menu: "< Quick Run >", a separator, the entries (small icons), the program's strip.
QR_FRAME = e2e.MENU_FRAME
QR_ITEM = e2e.menu_item_height(16)
QR_MARGIN = e2e.program_constant("launch/quick_run_menu.h", "kQuickRunMarginWidth")
TEAL = (0, 128, 128)


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

    # -- the options dialog -----------------------------------------------------------------

    def open_options(self):
        self.dialog, self.origin = ts.open_options(self.session, self.t)

    def click_in_dialog(self, point, page=False):
        x, y = point
        if page:
            x, y = x + e2e.OPTIONS_PAGE[0], y + e2e.OPTIONS_PAGE[1]
        self.session.click(self.origin[0] + x, self.origin[1] + y)
        time.sleep(0.2)

    def close_options(self, button):
        self.click_in_dialog(button)
        self.assertTrue(self.session.wait_for(lambda: not self.t.state(self.dialog)["vis"], STEP), "the dialog stays")

    def items(self, control_id):
        return self.t.lvitems(self.t.ctl(self.dialog, control_id))

    def select_row(self, control_id, row):
        x, y, w, h = self.items(control_id)[row]["rect"]
        self.session.click(x + min(w // 2, 120), y + h // 2)
        time.sleep(0.2)

    # -- the tests ----------------------------------------------------------------------------

    def test_control_panel_page_lists_wines_applets_and_ok_puts_the_ticked_ones_on_the_tray(self):
        s, t = self.session, self.t
        self.start_with("winxp", "[Options]\nHotKey=0\n")
        self.open_options()
        self.click_in_dialog(e2e.OPTIONS_CONTROL_PANEL)
        rows = self.items(APPLET_LIST)
        texts = [r["text"] for r in rows]
        for name in ("  Add/Remove Programs", "  Internet Settings", "  Game Controllers"):
            self.assertIn(name, texts)
        self.assertEqual(len(rows), 3, "files without CPlApplet add nothing: %r" % texts)
        self.assertFalse(any(r["checked"] for r in rows))
        self.shot("control-panel-page")
        ticked = [texts.index("  Add/Remove Programs"), texts.index("  Game Controllers")]
        for row in ticked:
            self.select_row(APPLET_LIST, row)
            s.key("space")
        self.assertEqual([r["checked"] for r in self.items(APPLET_LIST)], [i in ticked for i in range(3)])
        self.close_options(e2e.OPTIONS_OK)
        ini = s.read_ini()
        self.assertIn("0_AppFile=appwiz.cpl\r\n0_IsRIcon=1\r\n0_Page=0\r\n1_AppFile=joy.cpl\r\n1_IsRIcon=1\r\n"
                      "1_Page=0\r\nAppCount=2", ini)
        # Corvel's own icon first, then the two applets.
        icons = s.wait_for(lambda: [i for i in (1, 2, 3) if not ts.empty_slot(ts.slot_pixels(ts.strip(s), i))], STEP)
        self.assertEqual(icons, [1, 2])
        self.shot("applet-icons")
        s.click(*ts.slot_centre(1))
        self.assertEqual(s.wait_for(self.controls_started, STEP), [CONTROL + " appwiz.cpl,@0"])
        self.assertTrue(s.wait_for(lambda: t.toplevel("-", "Add/Remove Programs"), STEP))
        self.end_applets()

        # Cancel keeps the file and the tray; the next opening shows the saved ticks again.
        self.open_options()
        self.assertEqual([r["checked"] for r in self.items(APPLET_LIST)], [i in ticked for i in range(3)])
        self.select_row(APPLET_LIST, ticked[0])
        s.key("space")
        self.close_options(e2e.OPTIONS_CANCEL)
        self.assertEqual(s.read_ini(), ini)
        self.assertEqual([i for i in (1, 2, 3) if not ts.empty_slot(ts.slot_pixels(ts.strip(s), i))], [1, 2])
        self.open_options()
        self.assertEqual([r["checked"] for r in self.items(APPLET_LIST)], [i in ticked for i in range(3)])
        self.close_options(e2e.OPTIONS_CANCEL)

    def add_program(self, path):
        """Add/Browse, the path typed into the file dialog, Enter."""
        ts.choose_file(self.session, self.t, lambda: self.click_in_dialog(ADD, page=True), path, STEP)

    def quick_run_menu(self):
        """A left click on Corvel's icon: the menu's (x, y, w, h)."""
        s, t = self.session, self.t
        ts.close_menus(s, t)
        s.click(*ts.slot_centre(0))
        found = s.wait_for(lambda: ts.menus(t), STEP)
        self.assertTrue(found, "no Quick Run menu")
        time.sleep(0.2)
        return found[0]

    def menu_entries(self, rect):
        return e2e.menu_rows(rect, QR_ITEM, 1) - 1

    def margin_word_height(self, rect):
        """Rows of the margin that hold white text."""
        x, y, _, h = rect
        rows = self.session.pixels(x + QR_FRAME, y + QR_FRAME, QR_MARGIN - 3, h - 2 * QR_FRAME)
        self.assertEqual(rows[0][0], (0, 0, 0), "the margin starts black")
        r, g, b = rows[-1][0]
        self.assertTrue(r == 0 and abs(g - 128) <= 8 and abs(b - 128) <= 8, "the margin ends teal: %r" % ((r, g, b),))
        white = [i for i, row in enumerate(rows) if (255, 255, 255) in row]
        return white[-1] - white[0] + 1 if white else 0

    def choose(self, rect, entry):
        self.session.click(*e2e.menu_row_centre(rect, QR_MARGIN, QR_ITEM, 1 + entry, 1))

    def started_programs(self):
        return [c for c in self.session.command_lines() if any(p in c.lower() for p in PROGRAMS)]

    def end_programs(self):
        t = self.t
        for title in PROGRAM_TITLES:
            for w in t.toplevel():
                if title in t.state(w["hwnd"]).get("title", "") and t.pid(w["hwnd"]):
                    t.kill(t.pid(w["hwnd"]))
        self.session.wait_for(lambda: not self.started_programs(), STEP)

    def test_quick_run_page_edits_the_list_and_ok_makes_the_menu_that_opens_the_programs(self):
        s, t = self.session, self.t
        self.addCleanup(self.end_programs)
        self.start_with("winxp", "[Options]\nHotKey=0\n")
        self.open_options()
        self.click_in_dialog(e2e.OPTIONS_QUICK_RUN)
        for name in PROGRAMS:
            self.add_program(SYSTEM32 + name)
        rows = self.items(QUICK_RUN_LIST)
        self.assertEqual([(r["text"], r["sub"]) for r in rows], [(n, SYSTEM32 + n) for n in PROGRAMS])

        # Edit name: the second entry renamed to nothing.
        self.select_row(QUICK_RUN_LIST, 1)
        self.click_in_dialog(EDIT_NAME, page=True)
        found = s.wait_for(lambda: [w for w in t.toplevel("TChangeNameForm") if w["vis"]], STEP)
        self.assertTrue(found, "no Edit name dialog")
        time.sleep(0.3)
        s.key("BackSpace")
        ox, oy = e2e.client_origin(t.state(found[0]["hwnd"]), NAME_CLIENT)
        s.click(ox + NAME_OK[0], oy + NAME_OK[1])
        self.assertTrue(s.wait_for(lambda: not t.state(found[0]["hwnd"])["vis"], STEP))
        # The last entry moved up once; the entries keep their paths.
        self.select_row(QUICK_RUN_LIST, 2)
        self.click_in_dialog(UP, page=True)
        rows = self.items(QUICK_RUN_LIST)
        self.assertEqual([(r["text"], r["sub"]) for r in rows],
                         [("notepad.exe", SYSTEM32 + "notepad.exe"), ("write.exe", SYSTEM32 + "write.exe"),
                          ("", SYSTEM32 + "winver.exe")])
        self.assertTrue(rows[1]["selected"])
        self.shot("quick-run-page")

        # Cancel: the page keeps the edits, the menu and the file know nothing of them.
        self.close_options(e2e.OPTIONS_CANCEL)
        self.assertEqual(self.menu_entries(self.quick_run_menu()), 0)
        self.assertNotIn("[Quick Run]", s.read_ini())
        self.open_options()
        self.click_in_dialog(e2e.OPTIONS_QUICK_RUN)
        self.assertEqual(len(self.items(QUICK_RUN_LIST)), 3)
        self.close_options(e2e.OPTIONS_OK)
        ini = s.read_ini()
        self.assertIn("[Quick Run]\r\nAppCount=3\r\nAppName_1=notepad.exe\r\nAppPath_1=" + SYSTEM32 + "notepad.exe"
                      + "\r\nAppName_2=write.exe\r\nAppPath_2=" + SYSTEM32 + "write.exe\r\nAppName_3=\r\n", ini)

        menu = self.quick_run_menu()
        self.assertEqual(self.menu_entries(menu), 3)
        long_word = self.margin_word_height(menu)
        self.shot("quick-run-menu")
        self.choose(menu, 1)
        self.assertTrue(s.wait_for(lambda: [c for c in self.started_programs() if "write.exe" in c.lower()], STEP),
                        "write.exe did not start: %r" % self.started_programs())
        self.end_programs()

        # Two entries left: the margin's shorter word.
        self.open_options()
        self.select_row(QUICK_RUN_LIST, 0)
        self.click_in_dialog(DELETE, page=True)
        self.close_options(e2e.OPTIONS_OK)
        menu = self.quick_run_menu()
        self.assertEqual(self.menu_entries(menu), 2)
        self.assertLess(self.margin_word_height(menu), long_word, "QX is shorter than Quick run")
        ts.close_menus(s, t)

    def test_a_program_that_disappeared_is_left_out_at_the_next_start(self):
        s, t = self.session, self.t
        gone = s.program_file("gone-program.exe")
        with open(gone, "wb") as f:
            f.write(b"MZ")
        self.addCleanup(s.remove_program_file, "gone-program.exe")
        winpath = "Z:" + gone.replace("/", "\\")
        ini = ("[Options]\nHotKey=0\n[Quick Run]\nAppCount=2\nAppName_1=Gone\nAppPath_1=%s\nAppName_2=Notepad\n"
               "AppPath_2=%snotepad.exe\n" % (winpath, SYSTEM32))
        corvel = self.start_with("winxp", ini)
        self.assertEqual(self.menu_entries(self.quick_run_menu()), 2)
        ts.close_menus(s, t)
        corvel.stop()
        os.remove(gone)
        s.write_ini(ini)
        corvel = s.start_corvel()
        self.addCleanup(corvel.stop)
        self.assertEqual(self.menu_entries(self.quick_run_menu()), 1)
        ts.close_menus(s, t)
        self.assertFalse([w for w in t.toplevel("#32770") if w["vis"]], "a message was shown")

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
        self.assertTrue(s.holds_for(lambda: self.controls_started() == []), "opened by another button")
        corvel.post(joy["callback"], joy["uid"], ts.WM_LBUTTONUP)
        started = s.wait_for(self.controls_started, STEP)
        self.assertEqual(started, [CONTROL + " joy.cpl,@0"])
        self.assertTrue(s.wait_for(lambda: t.toplevel("-", "Game Controllers"), STEP), "no applet window")


if __name__ == "__main__":
    e2e.main()
