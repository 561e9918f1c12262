"""The options dialog under Wine with real input (right click on Corvel's icon, "Options"): the
frame, the Common page and the Caption button page at their places with their texts; what OK,
Set Default and Cancel do to the settings file, the hot key, the caption button and the program
list; language libraries; a JPEG picture for the pressed caption button."""

import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import caption_support as cs  # noqa: E402
import corvel_e2e as e2e  # noqa: E402
import tray_support as ts  # noqa: E402

STEP = 5.0
BM_GETCHECK = 0xF0
CB_GETCURSEL = 0x147
PAGE_X, PAGE_Y = e2e.OPTIONS_PAGE
CAPTION_PAGE = e2e.OPTIONS_CAPTION_BUTTON
CHECKS = ("Minimize to tray", "Minimize to tray's menu", "Minimize to transparent window")
WARNING_TEXT = "You must check at least one of this options !  If no options - no minimization !"
LIBRARY = "Sprache.lng"
PRESSED_JPEG = "pressed.jpg"
USER_BITMAPS = ("UpUser.bmp", "DownUser.bmp")
RED = (200, 30, 30)


def on_page(x, y, w=None, h=None):
    return (PAGE_X + x, PAGE_Y + y, w, h)


# Text, then place in the dialog's client area (x, y, width, height; None where any size does).
FRAME = [
    ("Common", (3, 3, 60, 80)), ("Caption  Button", (3, 83, 60, 80)), ("Control Panel", (3, 163, 60, 80)),
    ("Quick run", (3, 243, 60, 80)), ("Help", (3, 323, 60, 80)),
    ("Set Default", (76, 367, None, None)), ("OK", (496, 367, None, None)), ("Cancel", (584, 367, None, None)),
]
COMMON_PAGE = [
    (" Minimization options ", on_page(8, 0, 317, 149)),
    (" Hot key for caption button event ", on_page(336, 0, 241, 149)),
    (" Visual effects ", on_page(8, 156, 317, 153)),
    (" Localization ", on_page(336, 156, 241, 153)),
]
# Inside the group boxes (frame text, control text), in their order from the top.
COMMON_INSIDE = [
    (" Minimization options ", CHECKS),
    (" Hot key for caption button event ", ("Hot Key is not selected",)),
    (" Visual effects ", ("Slow apiarence while windows is restore", "Slow disappiarence while minimization",
                          "Tray icon border color")),
    (" Localization ", ("Load language library", "Current language: English.")),
]
CAPTION_BUTTON_PAGE = [
    (" Set Caption button ", on_page(8, 0, 269, 309)),
    (" Caption button visualization ", on_page(288, 0, 293, 309)),
    ("Add to list", on_page(8 + 16, 144, 97, 25)),
    ("Remove ", on_page(8 + 132, 144, 91, 25)),
    ("Load BMP for Pressed Button", on_page(288 + 16, 228, 177, 25)),
    ("Load BMP for Unpressed Button ", on_page(288 + 16, 264, None, None)),
]
FILTERS = ("Only for the main windows of applications", "For all windows on the desktop",
           "Only for the windows in the list")
STYLES = ("Normal (Windows 2k) caption button style", "Windows XP caption button style", "System depend",
          "Rigth-click on standard minimization button", "Do not draw button but Hot Key",
          "Draw user's BitMap on the button")
# Without text: the title strip, the page frame, the border colour sample, the list and the previews.
UNNAMED = [("PaintBox1", (76, 4, 585, 21)), ("PageControl1", (72, 28, 589, 321)),
           ("Shape1", on_page(8 + 224, 156 + 88, 25, 25)), ("ListBox1", on_page(8 + 12, 184, 245, 105)),
           ("Image1", on_page(288 + 224, 228, 25, 25)), ("Image2", on_page(288 + 224, 264, 25, 25))]


class OptionsDialogTest(e2e.CorvelTestCase):

    def setUp(self):
        super().setUp()
        self.t = self.session.targets
        s = self.session
        for name in USER_BITMAPS + (LIBRARY, PRESSED_JPEG):
            s.remove_program_file(name)
            self.addCleanup(s.remove_program_file, name)

    # -- the dialog ---------------------------------------------------------------------------

    def open(self):
        self.dialog, self.origin = ts.open_options(self.session, self.t)

    def open_after_warning(self):
        found = self.session.wait_for(lambda: [d for d in self.t.toplevel("TForm2") if d["vis"]], STEP)
        self.assertTrue(found, "the options dialog did not open")
        self.dialog = found[0]["hwnd"]
        self.origin = e2e.client_origin(self.t.state(self.dialog), e2e.OPTIONS_CLIENT)

    def controls(self):
        return self.t.children(self.dialog)

    def control(self, text, visible=True):
        found = [c for c in self.controls() if c["text"] == text and (c["vis"] or not visible)]
        self.assertTrue(found, "no control %r" % text)
        return found[0]

    def at(self, x, y, w, h):
        found = [c for c in self.controls() if c["vis"] and (c["x"], c["y"], c["w"], c["h"]) == (x, y, w, h)]
        return found[0] if found else None

    def click(self, text, left=False):
        """A click on the control: on its box for a check box or radio button (left)."""
        c = self.control(text)
        x = c["x"] + (8 if left else c["w"] // 2)
        self.session.click(self.origin[0] + x, self.origin[1] + c["y"] + c["h"] // 2)
        time.sleep(0.25)

    def click_at(self, point):
        self.session.click(self.origin[0] + point[0], self.origin[1] + point[1])
        time.sleep(0.25)

    def checked(self, text):
        return self.t.send(self.control(text)["hwnd"], BM_GETCHECK) == 1

    def hot_key_index(self):
        combo = [c for c in self.controls() if c["cls"].lower() == "combobox"]
        self.assertEqual(len(combo), 1)
        return self.t.send(combo[0]["hwnd"], CB_GETCURSEL)

    def close(self, text):
        self.click(text)
        self.assertTrue(self.session.wait_for(lambda: not self.t.state(self.dialog)["vis"], STEP), "the dialog stays")

    def warnings(self):
        return [w["hwnd"] for w in self.t.toplevel("#32770", "Warning !") if w["vis"]]

    def answer_warning(self):
        box = self.session.wait_for(self.warnings, 3)
        self.assertTrue(box, "no warning")
        self.assertIn(WARNING_TEXT, [c["text"] for c in self.t.children(box[0])])
        # The key goes to the box once it is in front (it may show before a menu has closed).
        self.assertTrue(self.session.wait_for(lambda: self.t.state(box[0])["fg"] == 1, 3), "the warning is not in front")
        self.session.key("Return")
        self.assertTrue(self.session.wait_for(lambda: not self.warnings(), 3), "the warning stays")

    def choose_hot_key(self, index):
        """The hot key list opened with a click, the item picked with the keyboard."""
        combo = [c for c in self.controls() if c["cls"].lower() == "combobox"][0]
        self.session.click(self.origin[0] + combo["x"] + 20, self.origin[1] + combo["y"] + 10)
        time.sleep(0.3)
        self.session.key("Home")
        for _ in range(index):
            self.session.key("Down")
        self.session.key("Return")
        self.assertTrue(self.session.wait_for(lambda: self.hot_key_index() == index), "hot key %d not chosen" % index)

    def choose_file(self, button, path):
        ts.choose_file(self.session, self.t, lambda: self.click(button), path, STEP)

    # -- target windows -------------------------------------------------------------------------

    def target(self, x=150, y=420, title="Options target"):
        w = self.t.make(x, y, 420, 220, title)
        self.addCleanup(self.t.close, w)
        return w

    def repaint(self, w):
        self.t.cmd("ncpaint 0x%x 1" % w)

    def button_pixels(self, w):
        left, top, right, bottom = e2e.button_rect(self.t.state(w))
        return self.session.pixels(left, top, right - left, bottom - top)

    def shows_xp(self, w):
        return cs.shows_stretched(self.button_pixels(w), cs.picture("UpXP")) > 0.9

    def bare(self, w):
        return cs.caption_colour_only(self.button_pixels(w))

    def hot_key_hides(self, w, keys):
        self.t.cmd("fg 0x%x" % w)
        self.assertTrue(self.session.wait_for(lambda: self.t.state(w)["fg"] == 1), "the target is not in front")
        self.session.key(keys)
        return self.session.wait_for(lambda: not self.t.state(w)["vis"], 1.5)

    def restore_from_tray(self, w):
        self.session.click(*ts.slot_centre(1))
        self.assertTrue(self.session.wait_for(lambda: self.t.state(w)["vis"], STEP), "not restored")

    # -- the tests ------------------------------------------------------------------------------

    def assert_places(self, places, scale=1.0, slack=0):
        for text, place in places:
            with self.subTest(control=text):
                c = self.control(text)
                for got, want in zip((c["x"], c["y"], c["w"], c["h"]), place):
                    if want is not None:
                        self.assertAlmostEqual(got, want * scale, delta=slack)

    def test_at_144_dpi_the_dialog_and_the_floating_window_are_half_as_large_again(self):
        s, t = self.session, self.t
        s.set_log_pixels(144)
        self.addCleanup(s.set_log_pixels, None)
        self.start_with("win10", "[Options]\nHotKey=1\n")
        w = t.make(150, 120, 380, 240, "At 144 DPI")
        t.cmd("fg 0x%x" % w)
        s.key("ctrl+Tab")
        floating = s.wait_for(lambda: [f for f in t.toplevel("TBlendWin") if f["vis"]], STEP)
        self.assertTrue(floating, "no floating window")
        st = t.state(floating[0]["hwnd"])
        self.assertEqual((st["w"], st["h"]), (54, 54))
        self.shot("floating-window")
        # A program started at 144 DPI: its button window as large as its own minimize button.
        fresh = cs.NamedTargets(s, "at144dpi.exe")
        self.addCleanup(fresh.quit)
        b = fresh.make(200, 420, 400, 240, "Button at 144 DPI")

        def button_window():
            left, top, right, bottom = fresh.state(b)["min"]
            want = (left - (right - left) - 2, top, right - left, bottom - top)
            shown = [t.state(w["hwnd"]) for w in t.toplevel(cs.BUTTON_WINDOW_CLASS) if w["vis"]]
            return [w for w in shown if all(abs(w[k] - x) <= 2 for k, x in zip("xywh", want))]
        self.assertTrue(s.wait_for(button_window, STEP), "no button window the size of the minimize button")
        self.assertGreater(fresh.state(b)["min"][3] - fresh.state(b)["min"][1], 20, "the program is not at 144 DPI")
        self.shot("button-window")
        fresh.close(b)

        ts.click_options(s, t)
        found = s.wait_for(lambda: [d for d in t.toplevel("TForm2") if d["vis"]], STEP)
        self.assertTrue(found, "the options dialog did not open")
        self.dialog = found[0]["hwnd"]
        self.origin = e2e.client_origin(t.state(self.dialog), [v * 3 // 2 for v in e2e.OPTIONS_CLIENT])
        # Each level of nesting rounds on its own: a pixel or two from 1.5 times the layout.
        self.assertTrue(s.wait_for(lambda: self.control("OK")["vis"]))
        self.assert_places(FRAME + COMMON_PAGE, 1.5, 2)
        self.shot("common-page")
        self.click_at([v * 3 // 2 for v in CAPTION_PAGE])
        self.assertTrue(s.wait_for(lambda: self.control(STYLES[0], visible=False)["vis"]), "no caption button page")
        self.assert_places(CAPTION_BUTTON_PAGE, 1.5, 2)
        self.shot("caption-button-page")
        self.close("Cancel")

    def test_both_pages_show_every_control_at_its_place_with_its_text(self):
        self.start_with("winxp", "[Options]\nHotKey=0\n")
        self.open()
        self.assert_places(FRAME + COMMON_PAGE)
        for name, place in UNNAMED[:3]:
            self.assertIsNotNone(self.at(*place), "%s is not at %r" % (name, place))
        for frame, texts in COMMON_INSIDE:
            self.inside(frame, texts)
        self.assertEqual([self.checked(t) for t in CHECKS], [True, True, True])
        self.assertEqual(self.hot_key_index(), 0)
        # A version above 4 enables the two fades; the XP button style does not disable them.
        self.assertTrue(self.control("Slow apiarence while windows is restore")["enabled"])
        self.shot("common-page")

        self.click_at(CAPTION_PAGE)
        self.assert_places(CAPTION_BUTTON_PAGE)
        for name, place in UNNAMED[3:]:
            self.assertIsNotNone(self.at(*place), "%s is not at %r" % (name, place))
        self.inside(" Set Caption button ", FILTERS + ("Add to list",))
        self.inside(" Caption button visualization ", STYLES + ("Load BMP for Pressed Button",))
        self.assertEqual([self.checked(t) for t in FILTERS], [True, False, False])
        self.assertEqual([self.checked(t) for t in STYLES], [False, False, True, False, False, False])
        self.assertFalse(self.at(*UNNAMED[3][1])["enabled"], "the program list is enabled with WinFilter 0")
        # The strip's title comes from the hidden label: the item's caption on one line.
        hidden = [c for c in self.controls() if not c["vis"] and (c["x"], c["y"]) == (100, 8)]
        self.assertEqual([c["text"] for c in hidden], ["Caption Button"])
        self.assertFalse(self.control(" Minimization options ", visible=False)["vis"])
        self.shot("caption-button-page")
        # The list follows the filter choice at once.
        self.click(FILTERS[2], left=True)
        self.assertTrue(self.at(*UNNAMED[3][1])["enabled"])
        self.click(FILTERS[0], left=True)
        self.assertFalse(self.at(*UNNAMED[3][1])["enabled"])
        self.close("Cancel")

    def inside(self, frame, texts):
        """The controls with these texts lie inside the group box, from the top in this order."""
        box = self.control(frame)
        tops = []
        for text in texts:
            c = self.control(text)
            self.assertTrue(box["x"] < c["x"] and c["x"] + c["w"] <= box["x"] + box["w"] and box["y"] < c["y"]
                            and c["y"] + c["h"] <= box["y"] + box["h"], "%r is not inside %r" % (text, frame))
            tops.append(c["y"])
        self.assertEqual(tops, sorted(tops), "%r out of order" % (texts,))

    def test_unticking_all_three_warns_each_time_and_ok_turns_minimizing_off(self):
        s, t = self.session, self.t
        self.start_with("winxp", "[Options]\nHotKey=0\n")
        w = self.target()
        self.open()
        self.click(CHECKS[0], left=True)
        self.click(CHECKS[1], left=True)
        self.assertFalse(s.wait_for(self.warnings, 0.6), "a warning with one choice left")
        self.click(CHECKS[2], left=True)
        self.answer_warning()
        self.click(CHECKS[2], left=True)
        self.assertFalse(s.wait_for(self.warnings, 0.6))
        self.click(CHECKS[2], left=True)
        self.answer_warning()
        self.close("OK")
        self.assertIn("[MinOptions]\r\nMinToTray=0\r\nMinToMenu=0\r\nMinToWindow=0\r\n", s.read_ini())
        # A press of the caption button now minimizes nowhere: the window stays.
        self.assertTrue(s.wait_for(lambda: self.shows_xp(w), 3), "no caption button")
        ts.click_caption_button(s, t, w)
        self.assertTrue(s.holds_for(lambda: t.state(w)["vis"] == 1), "minimized with no representation chosen")
        # Showing the dialog again with all three off warns at once.
        self.open()
        self.click(CHECKS[1], left=True)
        self.close("Cancel")
        ts.click_options(s, t)
        self.answer_warning()
        self.open_after_warning()
        self.assertEqual([self.checked(c) for c in CHECKS], [False, False, False])
        self.close("Cancel")

    def test_ok_writes_the_file_and_applies_hot_key_style_and_program_list(self):
        s, t = self.session, self.t
        self.start_with("win2k", "[Options]\nHotKey=1\n[Visualization]\nSymbolType=0\n")
        w = self.target()
        self.assertTrue(s.wait_for(lambda: cs.classic_now(s, t.state(w)), 3), "no classic button")
        self.open()
        self.choose_hot_key(2)
        self.click_at(CAPTION_PAGE)
        self.click(STYLES[1], left=True)
        self.click(FILTERS[2], left=True)
        own = "Z:" + s.program_file("targets.exe").replace("/", "\\")
        self.choose_file("Add to list", own)
        self.choose_file("Add to list", "C:\\windows\\notepad.exe")
        # Written afresh, the file shows the order of every key.
        s.remove_ini()
        self.close("OK")
        expected = ("[MinOptions]\r\nMinToTray=1\r\nMinToMenu=1\r\nMinToWindow=1\r\n"
                    "[Visualization]\r\nIconBrColor=8388608\r\nSymbolType=1\r\n"
                    "[Options]\r\nSlowA=0\r\nSlowD=0\r\nHotKey=2\r\nWinFilter=2\r\nToSysMenu=1\r\nToTray=1\r\n"
                    "LocalLibrary=\r\n"
                    "[Applications]\r\nCount=2\r\nAppNum_0=%s\r\nAppNum_1=C:\\windows\\notepad.exe\r\n"
                    "[Quick Run]\r\nAppCount=0\r\n[Control Panel]\r\nAppCount=0\r\n" % own)
        self.assertEqual(s.read_ini(), expected)
        # The new style on the window's next repaint.
        self.repaint(w)
        self.assertTrue(s.wait_for(lambda: self.shows_xp(w), 3), "the button kept its old style")
        # Ctrl+Tab was given back; Ctrl+Space is Corvel's now.
        self.assertFalse(self.hot_key_hides(w, "ctrl+Tab"), "Ctrl+Tab still minimizes")
        self.assertTrue(self.hot_key_hides(w, "ctrl+space"), "Ctrl+Space does not minimize")
        self.restore_from_tray(w)
        # A program outside the list gets no button from now on.
        other = cs.NamedTargets(s, "unlisted.exe")
        self.addCleanup(other.quit)
        u = other.make(600, 120, 380, 200, "Not in the list")
        # The collection pass draws on every window; the next repaint leaves an unlisted one bare.
        self.assertTrue(s.wait_for(lambda: self.shows_xp(u), 3), "the collection pass drew nothing")
        self.repaint(u)
        self.assertTrue(s.wait_for(lambda: self.bare(u), 3) and s.holds_for(lambda: self.bare(u)),
                        "a button on a program that is not in the list")
        self.repaint(w)
        self.assertTrue(s.wait_for(lambda: self.shows_xp(w), 3), "the listed program lost its button")

    def test_set_default_then_cancel_keeps_the_file_and_ok_takes_the_default_hot_key(self):
        s, t = self.session, self.t
        ini = "[Options]\nHotKey=2\n[MinOptions]\nMinToMenu=0\n[Visualization]\nSymbolType=1\n"
        self.start_with("win2k", ini)
        before = s.read_ini()
        w = self.target()
        self.assertTrue(s.wait_for(lambda: self.shows_xp(w), 3), "no XP button")
        self.open()
        self.assertEqual([self.checked(c) for c in CHECKS], [True, False, True])
        self.assertEqual(self.hot_key_index(), 2)
        self.click("Set Default")
        self.assertTrue(s.wait_for(lambda: t.state(self.dialog)["vis"], STEP), "the dialog did not come back")
        self.assertTrue(s.wait_for(lambda: [self.checked(c) for c in CHECKS] == [True, True, True]), "not the defaults")
        self.assertEqual(self.hot_key_index(), 1)
        self.click_at(CAPTION_PAGE)
        self.assertTrue(self.checked(STYLES[2]), "System depend is not the default")
        self.close("Cancel")
        self.assertEqual(s.read_ini(), before, "Cancel wrote the file")
        # Style and hot key stay as they were: only start-up and OK apply them.
        self.repaint(w)
        self.assertTrue(self.shows_xp(w), "the style changed without OK")
        self.assertTrue(self.hot_key_hides(w, "ctrl+space"), "Ctrl+Space was given up")
        self.restore_from_tray(w)
        # The defaults live on in memory: the next showing has them, and OK gives up the hot key
        # held under id 2 for Ctrl+Tab.
        self.open()
        self.assertEqual(self.hot_key_index(), 1)
        self.close("OK")
        self.assertIn("HotKey=1\r\n", s.read_ini())
        self.assertFalse(self.hot_key_hides(w, "ctrl+space"), "Ctrl+Space still held after OK")
        self.assertTrue(self.hot_key_hides(w, "ctrl+Tab"), "Ctrl+Tab does not minimize")
        self.restore_from_tray(w)

    def test_language_libraries_set_their_texts_and_english_defaults_elsewhere(self):
        s = self.session
        s.write_program_file(LIBRARY, b"[Localization library]\r\nCurLib=Sprache\r\nLibName=Deutsch\r\n")
        self.start_with("winxp", "[Options]\nHotKey=0\n")
        self.open()
        self.choose_file("Load language library", LIBRARY)
        self.assertTrue(s.wait_for(lambda: [c for c in self.controls() if c["text"] == "Sprache: Deutsch"], 3))
        # Every other key gives its default, which is not always the built-in text.
        for text in ('Minimize to tray"s menu', "Ok", "Caption Button", " Minimization options "):
            self.control(text)
        self.assertEqual(self.t.state(self.dialog)["title"], "Options")
        self.choose_file("Load language library", "Deutsch.lng")
        self.assertTrue(s.wait_for(lambda: [c for c in self.controls() if c["text"] == "Aktuelle Sprache: Deutsch"],
                                   3), "the shipped German library did not apply")
        self.assertEqual(self.t.state(self.dialog)["title"], "Optionen")
        for text in ("Allgemein", "Abbrechen", " Minimieren ", "Minimize to transparent window"):
            self.control(text)
        self.shot("german-common-page")
        self.click_at(CAPTION_PAGE)
        self.control("Rigth-click on standard minimization button")
        self.shot("german-caption-button-page")
        self.close("Abbrechen")

    def test_a_jpeg_for_the_pressed_button_is_drawn_and_kept_as_a_bitmap(self):
        s, t = self.session, self.t
        jpeg = s.program_file(PRESSED_JPEG)
        subprocess.run(["convert", "-size", "20x20", "xc:rgb(%d,%d,%d)" % RED, "-quality", "95", jpeg], check=True)
        corvel = self.start_with("win2k", "[Visualization]\nSymbolType=3\n[Options]\nHotKey=0\n")
        self.open()
        self.click_at(CAPTION_PAGE)
        self.choose_file("Load BMP for Pressed Button", "Z:" + jpeg.replace("/", "\\"))
        x, y, pw, ph = UNNAMED[4][1]
        preview = s.pixels(self.origin[0] + x, self.origin[1] + y, pw, ph)
        self.assertTrue(self.mostly_red(preview), "no preview of the JPEG")
        self.close("OK")
        w = self.target()
        self.assertTrue(self.pressed_shows_red(w), "the pressed button does not show the JPEG")
        self.assertIsNotNone(corvel.end_session(), "Corvel did not end")
        width, height, rows = e2e.read_bmp(s.program_file("DownUser.bmp"))
        self.assertEqual((width, height), (20, 20))
        self.assertTrue(self.mostly_red(rows), "DownUser.bmp does not hold the picture")
        # The next start takes it from DownUser.bmp.
        s.remove_program_file(PRESSED_JPEG)
        self.start_with("win2k", "[Visualization]\nSymbolType=3\n[Options]\nHotKey=0\n")
        w = self.target(200, 300, "After a restart")
        self.assertTrue(self.pressed_shows_red(w), "the restart lost the pressed picture")

    @staticmethod
    def mostly_red(rows):
        near = [p for row in rows for p in row if all(abs(a - b) <= 12 for a, b in zip(p, RED))]
        return len(near) >= 0.9 * sum(len(row) for row in rows)

    def pressed_shows_red(self, w):
        """The button held down shows the pressed picture; released beside it, nothing happens."""
        s, t = self.session, self.t
        self.assertTrue(s.wait_for(lambda: not self.bare(w), 3), "no button drawn")
        st = t.state(w)
        x, y = cs.button_centre(st)
        s.mousedown(x, y)
        red = s.wait_for(lambda: self.mostly_red(self.button_pixels(w)), 3)
        s.mousemove(x, st["y"] + st["h"] + 40)
        time.sleep(0.2)
        s.mouseup()
        self.assertTrue(s.holds_for(lambda: t.state(w)["vis"] == 1))
        return red


if __name__ == "__main__":
    e2e.main()
