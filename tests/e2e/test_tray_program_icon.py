"""Corvel's own tray icon under Wine with real clicks: the right button opens the tray menu, the
left one the Quick Run menu (once, also on a double click), the middle one nothing; a shell
restart ("TaskbarCreated" after the tray forgot every icon) brings back Corvel's icon and the
icons of the windows it holds, all of them working; and the tray menu's "About..." opens the
about box once, with the system's name and memory and a language library's texts."""

import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import corvel_e2e as e2e  # noqa: E402
import tray_support as ts  # noqa: E402

STEP = 6.0  # generous: a loaded machine takes its time
ICON_WINDOW_CLASS = "CorvelTrayIconWindow"
ABOUT_CLASS = "TAForm"
ABOUT_CLIENT = (411, 237)
OS_LINE_AT = (152, 176)
MEMORY_LINE_AT = (152, 188)
VERSION_LINE_AT = (152, 72)
LIBRARY = "corvel-e2e.lng"
OPTIONS_CLASS = "TForm2"
OPTIONS_CLIENT = (669, 407)
VIEWER_CLASS = "MS_WINHELP"


def machine_memory_kb():
    with open("/proc/meminfo") as f:
        return next(int(line.split()[1]) for line in f if line.startswith("MemTotal:"))


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


class AboutBoxTest(e2e.CorvelTestCase):

    def open_about(self):
        """About... from the tray menu; the box's window and its children by their place."""
        s, t = self.session, self.session.targets
        s.click(*ts.about_centre(ts.open_tray_menu(s, t)))
        shown = s.wait_for(lambda: [w for w in t.toplevel(ABOUT_CLASS) if w["vis"]], 3)
        self.assertTrue(shown, "no about box after About...")
        box = shown[0]["hwnd"]
        self.addCleanup(lambda: t.post(box, e2e.WM_CLOSE))
        return box, {(c["x"], c["y"]): c for c in t.children(box)}

    def assert_memory_line(self, line, prefix):
        """The prefix, a blank, the machine's memory in KiB (Wine counts a page less than
        /proc/meminfo, seen), a blank and KB."""
        head, _, number = line.rpartition(" KB")[0].rpartition(" ")
        self.assertEqual((head, line[-3:]), (prefix, " KB"), line)
        page = os.sysconf("SC_PAGE_SIZE") // 1024
        self.assertTrue(machine_memory_kb() - page <= int(number) <= machine_memory_kb(),
                        "%s, the machine has %d KiB" % (line, machine_memory_kb()))

    def close_about(self, box):
        t = self.session.targets
        t.post(box, e2e.WM_CLOSE)
        self.assertTrue(self.session.wait_for(lambda: not t.state(box)["vis"], 3), "the about box stays open")

    def test_os_and_memory_lines_per_version_and_about_once(self):
        for version, name in (("winxp", "Windows XP"), ("win10", "Windows 10"), ("win2003", "OS Not recognized")):
            with self.subTest(version=version):
                corvel = self.start_with(version, "")
                try:
                    self.check_about_once(version, name)
                finally:
                    corvel.stop()

    def check_about_once(self, version, os_name):
        t = self.session.targets
        box, at = self.open_about()
        state = t.state(box)
        self.assertEqual(at[OS_LINE_AT]["text"], "Operation system: " + os_name)
        self.assert_memory_line(at[MEMORY_LINE_AT]["text"], "Memory available:")
        self.assertEqual(at[VERSION_LINE_AT]["text"], "Version 2.4 beta")
        self.assertEqual(state["title"], "About Corvel")
        centre = (state["x"] + state["w"] / 2, state["y"] + state["h"] / 2)
        self.assertTrue(all(abs(c - e / 2) <= 1 for c, e in zip(centre, e2e.SCREEN)), "centre %r" % (centre,))
        self.shot("about-" + version)
        # A second About... while it is open: no second box, and the box stays where it is.
        t.cmd("move 0x%x 40 30 %d %d" % (box, state["w"], state["h"]))
        self.session.click(*ts.about_centre(ts.open_tray_menu(self.session, t)))
        one_in_place = lambda: ([w["hwnd"] for w in t.toplevel(ABOUT_CLASS) if w["vis"]] == [box]  # noqa: E731
                                and (t.state(box)["x"], t.state(box)["y"]) == (40, 30))
        self.assertTrue(self.session.holds_for(one_in_place), "a second box, or the box moved by a second About...")
        self.close_about(box)

    def test_a_language_library_gives_its_texts(self):
        s = self.session
        s.write_program_file(LIBRARY, b"[Localization library]\r\nVersion=Fassung\r\nOS=Betriebssystem:\r\n"
                                      b"Mem=Arbeitsspeicher:\r\nAboutStr=Info\r\n")
        self.addCleanup(s.remove_program_file, LIBRARY)
        winpath = "Z:" + s.program_file(LIBRARY).replace("/", "\\")
        self.start_with("winxp", "[Options]\r\nLocalLibrary=%s\r\n" % winpath)
        box, at = self.open_about()
        self.assertEqual(at[VERSION_LINE_AT]["text"], "Fassung 2.4")
        self.assertEqual(at[OS_LINE_AT]["text"], "Betriebssystem: Windows XP")
        self.assert_memory_line(at[MEMORY_LINE_AT]["text"], "Arbeitsspeicher:")
        self.assertEqual(s.targets.state(box)["title"], "Info")
        self.shot("about-language")
        self.close_about(box)

    def test_help_under_win10_hands_the_help_page_to_the_shell(self):
        """No WinHelp after XP: Help gives Help\\corvlhelp.html to the shell, which opens it with
        the program of its file type (here one that writes down what it was given)."""
        s = self.session
        t = s.targets
        record = os.path.join(s.build, "e2e-logs", "help-page.txt")
        if os.path.exists(record):
            os.remove(record)
        key = r"HKLM\Software\Classes"
        old = self.reg_default(key + r"\.html")
        self.reg(["add", key + r"\CorvelTestPage\shell\open\command", "/ve", "/f", "/d",
                  '"%s" --record "%s" "%%1"' % (self.winpath(s.program_file("targets.exe")), self.winpath(record))])
        self.reg(["add", key + r"\.html", "/ve", "/f", "/d", "CorvelTestPage"])
        self.addCleanup(self.reg, ["add", key + r"\.html", "/ve", "/f", "/d", old or "htmlfile"])
        self.start_with("win10", "")
        self.click_help()
        self.assertTrue(s.wait_for(lambda: os.path.exists(record), 10), "the shell opened nothing")
        with open(record, "rb") as f:
            opened = f.read().decode("latin-1").split("\n")[0]
        self.assertTrue(opened.lower().endswith("\\help\\corvlhelp.html"), opened)
        self.assertFalse([w for w in t.toplevel(VIEWER_CLASS) if w["vis"]], "WinHelp was started")

    def click_help(self):
        """Options from the tray menu, then its Help button; the dialog is closed at the end."""
        s, t = self.session, self.session.targets
        menu = ts.open_tray_menu(s, t)
        x, y = ts.exit_centre(menu)
        s.click(x, y - ts.MENU_ITEM)  # Options, above Exit
        dialog = s.wait_for(lambda: [w for w in t.toplevel(OPTIONS_CLASS) if w["vis"]], 3)
        self.assertTrue(dialog, "no options dialog")
        self.addCleanup(t.post, dialog[0]["hwnd"], e2e.WM_CLOSE)
        self.assertTrue(s.click_child(dialog[0]["hwnd"], OPTIONS_CLIENT, "Help"), "the options dialog has no Help button")

    @staticmethod
    def winpath(path):
        return "Z:" + path.replace("/", "\\")

    def reg(self, args):
        subprocess.run([self.session.wine, "reg"] + args, env=self.session.env, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)

    def reg_default(self, key):
        out = subprocess.run([self.session.wine, "reg", "query", key, "/ve"], env=self.session.env,
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=60).stdout.decode("latin-1")
        for line in out.splitlines():
            if "REG_SZ" in line:
                return line.split("REG_SZ", 1)[1].strip()
        return None

    def test_help_opens_the_help_file_at_its_contents(self):
        s = self.session
        t = s.targets
        self.start_with("winxp", "")
        self.click_help()
        viewer = s.wait_for(lambda: [w for w in t.toplevel(VIEWER_CLASS) if w["vis"]], 10)
        self.assertTrue(viewer, "no help window")
        viewer = viewer[0]["hwnd"]
        self.addCleanup(t.post, viewer, e2e.WM_CLOSE)
        # The help file's title, and its first topic with the list of topics.
        self.assertTrue(s.wait_for(lambda: t.state(viewer)["title"].startswith("Corvel Help"), 3), t.state(viewer))
        page = s.wait_for(lambda: [c["text"] for c in t.children(viewer) if "Contents" in c["text"]], 5)
        self.assertTrue(page and page[0].startswith("Corvel Help"), page)
        self.assertIn("Options: Common page", page[0])
        self.shot("help")
        # Corvel did not wait on the viewer: its tray menu opens.
        self.assertTrue(ts.is_tray_menu(ts.open_tray_menu(s, t)))
        ts.close_menus(s, t)


if __name__ == "__main__":
    e2e.main()
