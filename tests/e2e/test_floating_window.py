"""The floating window, the third way a minimized window is shown (winxp unless said, no
Corvl.ini: all three ways on), with real pointer input: where it appears and what it shows,
dragging with the left button and the snap to the top edge, its place kept per title, its menu
(Restore, Hide, Close program on programs that close, ask or hang, Options, Floating window)
and the transparency and colour dialog, also under win98 where the level cannot be set."""

import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import corvel_e2e as e2e  # noqa: E402
import robust_support as rs  # noqa: E402
import tray_support as ts  # noqa: E402

STEP = 6.0  # generous: a loaded machine takes its time
DIALOG_CLIENT = (222, 214)  # the transparency dialog
PROMPT = 1.0  # seconds within which a Corvel that does not wait answers
HANG_MS = 5000
CENTRE = (e2e.SCREEN[0] // 2, e2e.SCREEN[1] // 2)
BLACK, RED, NAVY, AQUA = (0, 0, 0), (255, 0, 0), (0, 0, 128), (0, 255, 255)
WM_COMMAND = 0x111
IDNO = 7
# Clear of the dialogs, which open at the screen's centre. In Wine's desktop a window shown later
# can cover a topmost one on the screen (and take its clicks), although Wine's own order is right.
PARKED = (900, 80)


# A title outside every single-byte code page, and one that differs only in such characters.
UNICODE_TITLE = "\u041f\u0440\u0438\u043c\u0435\u0440 \u2014 \u65e5\u672c\u8a9e \u2713"
UNICODE_TWIN = "\u041f\u0440\u0438\u0432\u0435\u0442 \u2014 \u65e5\u672c\u8a9e \u2713"


class FloatingWindowTest(e2e.CorvelTestCase):

    def setUp(self):
        super().setUp()
        self.t = self.session.targets
        self.assertTrue(ts.close_menus(self.session, self.t))

    # -- helpers ---------------------------------------------------------------------------

    def start(self, version="winxp", ini=""):
        s = self.session
        self.corvel = self.start_with(version, ini)
        self.assertTrue(s.wait_for(lambda: not ts.empty_slot(ts.slot_pixels(ts.strip(s), 0)), 10, 0.1),
                        "Corvel's own icon is not in the tray")
        return self.corvel

    def make(self, x, y, title, client=None, mode=None):
        s, client = self.session, client or self.t
        w = client.makeclose(mode, x, y, 300, 200, title) if mode else client.make(x, y, 300, 200, title)
        self.addCleanup(lambda: client.proc.poll() is None and client.close(w))
        self.assertTrue(ts.wait_button(s, self.t, w, STEP), "no caption button")
        return w

    def minimize(self, w):
        """The caption button, clicked: the window hidden and one more floating window, which
        is returned."""
        s, t = self.session, self.t
        before = {f["hwnd"] for f in ts.floating_windows(t)}
        t.cmd("fg 0x%x" % w)
        ts.click_caption_button(s, t, w)
        self.assertTrue(s.wait_for(lambda: not t.state(w)["vis"], STEP, 0.05), "the window is still shown")
        new = s.wait_for(lambda: [f for f in ts.floating_windows(t) if f["hwnd"] not in before], STEP, 0.05)
        self.assertEqual(len(new), 1, "not one new floating window: %r" % new)
        return new[0]

    def tips_over(self, f):
        """The tooltips shown once the pointer came to rest on the floating window."""
        s = self.session
        s.point(f["x"] + 16, f["y"] + 16)
        s.point(f["x"] + 18, f["y"] + 18)
        return s.wait_for(lambda: [text for _, text in self.t.tips()], STEP, 0.1)

    def floating(self, f):
        return self.t.state(f["hwnd"])

    def drag(self, f, dx, dy, button=1, steps=8):
        s = self.session
        x, y = f["x"] + f["w"] // 2, f["y"] + f["h"] // 2
        s.mousemove(x, y)
        time.sleep(0.1)
        s.mousedown(x, y, button)
        for i in range(1, steps + 1):
            s.mousemove(x + dx * i // steps, y + dy * i // steps)
            time.sleep(0.03)
        s.mouseup(button)

    def moved_to(self, f, place):
        """Waits until the floating window stands at `place`; its state with its handle."""
        at = lambda: (self.floating(f)["x"], self.floating(f)["y"]) == place  # noqa: E731
        self.assertTrue(self.session.wait_for(at, STEP), "not at %r: %r" % (place, self.floating(f)))
        return self.floating(f) | {"hwnd": f["hwnd"]}

    def park(self, f):
        """Drags the floating window clear of the dialogs; its new state."""
        self.drag(f, PARKED[0] - f["x"], PARKED[1] - f["y"])
        return self.moved_to(f, PARKED)

    def gone(self, f):
        return not self.t.state(f["hwnd"])["exists"]

    def check_restored(self, w, f):
        s, t = self.session, self.t
        self.assertTrue(s.wait_for(lambda: t.state(w)["vis"], STEP, 0.05), "the window is not shown again")
        self.assertTrue(s.wait_for(lambda: self.gone(f), STEP, 0.05), "the floating window stays")
        self.assertTrue(s.wait_for(lambda: not ts.window_icons(s), STEP, 0.05), "the tray icon stays")
        self.assertEqual(ts.menu_entries(ts.open_tray_menu(s, t)), 0, "the menu entry stays")
        self.assertTrue(ts.close_menus(s, t))

    def answers_at_once(self):
        reply = self.t.cmd("answer 0x%x" % self.corvel.hwnd)
        return reply != "timeout" and int(reply) < PROMPT * 1000

    def dialog(self):
        found = [w for w in self.t.toplevel("TSetBlendForm") if w["vis"]]
        return found[0]["hwnd"] if found else None

    def open_dialog(self, f):
        s = self.session
        ts.choose_floating(s, self.t, f, "Floating window")
        d = s.wait_for(self.dialog, STEP, 0.05)
        self.assertIsNotNone(d, "the transparency dialog does not open")
        self.assertEqual(self.t.state(d)["title"], "Transparency and color")
        time.sleep(0.2)
        return d

    def controls(self, d):
        """The dialog's children by kind, each list in the order of the form (top to bottom),
        with their "rect" on the screen."""
        left, top = e2e.client_origin(self.t.state(d), DIALOG_CLIENT)
        by = {}
        for c in sorted(self.t.children(d), key=lambda c: (c["y"], c["x"])):
            c["rect"] = (left + c["x"], top + c["y"], c["w"], c["h"])
            by.setdefault(c["cls"].lower(), []).append(c)
        return by

    def edge_and_ground(self, f):
        """The floating window's outline pixel and a pixel of its background (a corner the round
        icon leaves clear)."""
        rows = self.session.pixels(f["x"], f["y"], 4, 4)
        return rows[0][0], rows[3][3]

    # -- tests -----------------------------------------------------------------------------

    def test_a_minimize_shows_the_floating_window_at_the_centre_with_icon_alpha_and_tooltip(self):
        s, t = self.session, self.t
        corvel = self.start()
        w = self.make(60, 80, "Sample with an icon")
        f = self.minimize(w)
        self.assertTrue(s.wait_for(lambda: ts.window_icons(s) == [1], STEP, 0.05), "no tray icon beside it")
        self.assertEqual(ts.menu_entries(ts.open_tray_menu(s, t)), 1, "no menu entry beside it")
        self.assertTrue(ts.close_menus(s, t))
        self.assertEqual((f["x"], f["y"], f["w"], f["h"]), CENTRE + (36, 36))
        self.assertEqual(f["alpha"], 100)
        self.assertEqual(f["exstyle"] & ~ts.WS_EX_TOPMOST, e2e.WS_EX_LAYERED, "extended style 0x%x" % f["exstyle"])
        self.assertTrue(f["exstyle"] & ts.WS_EX_TOPMOST, "not topmost")
        self.assertEqual((f["taskbar"], f["owner"]), (0, corvel.hwnd), "a task bar button")
        # The sample program's icon: a red centre in a yellow disc, in a black outline.
        self.assertEqual(s.pixel(f["x"] + 18, f["y"] + 18), RED)
        self.assertEqual(self.edge_and_ground(f)[0], BLACK)
        self.assertEqual(self.tips_over(f), ["Sample with an icon"])
        self.shot("floating-window")
        # A program without an icon of its own: the caption picture, 32 x 32.
        bench = rs.Bench(s, "bench-target")
        self.addCleanup(bench.quit)
        plain = int(bench.cmd("window 60 330 300 200 No icon"), 16)
        self.assertTrue(ts.wait_button(s, t, plain, STEP), "no caption button")
        rs.post_button_up(s, corvel, t, plain)
        g = s.wait_for(lambda: [x for x in ts.floating_windows(t) if x["hwnd"] != f["hwnd"]], STEP, 0.05)
        self.assertTrue(g, "no floating window for the program without an icon")
        self.assertEqual((g[0]["x"], g[0]["y"], g[0]["w"], g[0]["h"]), CENTRE + (32, 32))

    def test_a_left_drag_moves_it_a_right_drag_does_not_and_its_place_is_kept_per_title(self):
        s, t = self.session, self.t
        self.start()
        title = "A title that runs on beyond thirty characters"
        w = self.make(60, 80, title)
        f = self.minimize(w)
        self.drag(f, -200, -150)
        f = self.moved_to(f, (CENTRE[0] - 200, CENTRE[1] - 150))
        self.drag(f, 120, 90, button=3)
        ts.close_menus(s, t)
        self.assertTrue(s.holds_for(lambda: (self.floating(f)["x"], self.floating(f)["y"]) == (f["x"], f["y"])),
                        "a right drag moved it")
        # Dropped with its top edge 5 pixels below the screen's: snapped to 1.
        self.drag(f, 0, 5 - f["y"])
        f = self.moved_to(f, (CENTRE[0] - 200, 1))
        ts.choose_floating(s, t, f, "Restore")
        self.check_restored(w, f)
        ini = s.read_ini()
        self.assertIn("[Position of windows]", ini)
        self.assertIn("%s_Left=%d" % (title[:30], f["x"]), ini)
        self.assertIn("%s_Top=1" % title[:30], ini)
        # Another window whose title begins with the same thirty characters takes that place.
        other = self.make(60, 330, title[:30] + " and then something else")
        g = self.minimize(other)
        self.assertEqual((g["x"], g["y"]), (f["x"], 1))

    def test_under_win10_a_title_in_any_script_stays_whole_and_keeps_a_place_of_its_own(self):
        """Windows 10 with the defaults: the flat caption button, a layered floating window at
        alpha 100, and a title outside the code page whole in the floating window's tooltip, the
        tray tip (as the recording tray gets it in UTF-16) and the journal; its place survives a
        restore, and a title that differs only in those characters gets a place of its own."""
        s, t = self.session, self.t
        self.start("win10")
        w = self.make(60, 80, "Unicode")
        t.titlew(w, UNICODE_TITLE)
        f = self.minimize(w)
        self.assertEqual((f["alpha"], f["exstyle"] & ~ts.WS_EX_TOPMOST), (100, e2e.WS_EX_LAYERED))
        self.assertEqual(self.tips_over(f), [UNICODE_TITLE])
        with open(os.path.join(s.windows_dir, "Corvl.hidden"), "rb") as journal:
            self.assertIn(UNICODE_TITLE, journal.read().decode("utf-8"))
        self.shot("unicode-floating")
        self.assertEqual(ts.menu_entries(ts.open_tray_menu(s, t)), 1, "no menu entry")
        self.shot("unicode-menu")  # the entry's text, drawn with the W calls
        self.assertTrue(ts.close_menus(s, t))
        self.drag(f, -200, -150)
        kept = (CENTRE[0] - 200, CENTRE[1] - 150)
        f = self.moved_to(f, kept)
        ts.choose_floating(s, t, f, "Restore")
        self.assertTrue(s.wait_for(lambda: t.state(w)["vis"], STEP, 0.05), "not shown again")
        # Again, with a tray that records what it is told.
        recorder = s.start_targets("tray")
        self.addCleanup(recorder.quit)
        recorder.tray()
        g = self.minimize(w)
        self.assertEqual((g["x"], g["y"]), kept, "the place is not kept")
        adds = s.wait_for(lambda: [c for c in recorder.traycalls() if c["nim"] == 0], STEP)
        self.assertEqual([c["tipw"] for c in adds], [UNICODE_TITLE])
        twin = self.make(60, 330, "Twin")
        t.titlew(twin, UNICODE_TWIN)
        h = self.minimize(twin)
        self.assertEqual((h["x"], h["y"]), CENTRE, "the twin title took the other's place")

    def test_stored_places_beyond_the_screen_or_at_the_origin_go_to_the_centre(self):
        ini = ("[Position of windows]\nBeyond_Left=1025\nBeyond_Top=100\nOrigin_Left=0\nOrigin_Top=0\n"
               "Edge_Left=1000\nEdge_Top=768\nTop row_Left=300\nTop row_Top=0\nAbove_Left=300\nAbove_Top=-2\n")
        self.start(ini=ini)
        expected = {"Beyond": CENTRE, "Origin": CENTRE, "Edge": (1000, 768), "Top row": (300, 0), "Above": CENTRE}
        for i, (title, place) in enumerate(expected.items()):
            f = self.minimize(self.make(40 + 60 * i, 60 + 40 * i, title))
            self.assertEqual((f["x"], f["y"]), place, title)

    def test_hide_leaves_the_window_to_its_tray_icon_and_options_opens_once(self):
        s, t = self.session, self.t
        self.start()
        w = self.make(60, 80, "Hidden twice")
        f = self.minimize(w)
        ts.choose_floating(s, t, f, "Hide")
        self.assertTrue(s.wait_for(lambda: not self.floating(f)["vis"], STEP, 0.05), "the floating window shows")
        self.assertTrue(s.holds_for(lambda: not t.state(w)["vis"]), "the window came back")
        s.click(*ts.slot_centre(1))
        self.check_restored(w, f)

        f = self.park(self.minimize(w))
        ts.choose_floating(s, t, f, "Options")
        options = lambda: [x for x in t.toplevel("TForm2") if x["vis"]]  # noqa: E731
        self.assertTrue(s.wait_for(options, STEP, 0.05), "no options dialog")
        # While it is open the program's other windows wait: a right click on the floating window
        # opens no menu (0.5 s to settle), nothing more opens, and Corvel goes on answering.
        s.click(f["x"] + f["w"] // 2, f["y"] + f["h"] // 2, button=3)
        self.assertFalse(s.wait_for(lambda: ts.menus(t), 0.5, 0.05), "a menu opened beside the modal dialog")
        self.assertEqual(len(options()), 1)
        self.assertTrue(self.answers_at_once())
        t.post(options()[0]["hwnd"], e2e.WM_CLOSE)
        self.assertTrue(s.wait_for(lambda: not options(), STEP, 0.05), "the options dialog stays")
        ts.choose_floating(s, t, f, "Restore")
        self.check_restored(w, f)

    def test_close_program_ends_one_that_closes_keeps_one_that_asks_and_waits_for_no_hung_one(self):
        s, t = self.session, self.t
        self.start()
        closing = s.start_targets("targets-closing")
        self.addCleanup(closing.quit)
        w = self.make(60, 80, "Closes", client=closing, mode="quit")
        ts.choose_floating(s, t, self.minimize(w), "Close program")
        self.assertTrue(s.wait_for(lambda: closing.proc.poll() is not None, STEP, 0.05), "the program still runs")
        self.assertTrue(s.wait_for(lambda: not ts.floating_windows(t, visible=False), STEP, 0.05))

        w = self.make(60, 80, "Asking", mode="ask")
        f = self.minimize(w)
        ts.choose_floating(s, t, f, "Close program")
        box = s.wait_for(lambda: t.find("#32770", "Close Asking?"), STEP, 0.05)
        self.assertIsNotNone(box, "the program was not asked to close")
        self.shot("asked-to-close")
        self.assertTrue(self.answers_at_once(), "Corvel waits while the program asks")
        t.post(box, WM_COMMAND, IDNO)
        self.assertTrue(s.wait_for(lambda: t.find("#32770", "Close Asking?") is None, STEP, 0.05))
        self.check_restored(w, f)

        hung = s.start_targets("targets-hung")
        self.addCleanup(hung.quit)
        w = self.make(60, 80, "Hangs", client=hung)
        f = self.minimize(w)
        hung.cmd("hang %d" % HANG_MS)
        ts.choose_floating(s, t, f, "Close program")
        self.assertTrue(s.wait_for(lambda: self.gone(f), STEP, 0.05), "the floating window stays")
        self.assertTrue(self.answers_at_once(), "Corvel waits for the hung program")
        self.assertTrue(t.state(w)["exists"])
        self.assertTrue(s.wait_for(lambda: not t.state(w)["exists"], HANG_MS / 1000 + STEP, 0.1),
                        "the program did not close once it woke")

    def test_the_dialog_sets_alpha_and_colours_at_once_and_keeps_them(self):
        s, t = self.session, self.t
        self.start()
        f = self.park(self.minimize(self.make(60, 80, "Coloured")))
        d = self.open_dialog(f)
        c = self.controls(d)
        self.assertEqual([b["text"] for b in c["button"][:3]],
                         [" Transparency level ", " Select border color ", " Select background color "])
        self.assertTrue(all(x["enabled"] for x in c["edit"] + c["combobox"]))
        self.shot("transparency-dialog")
        edit = c["edit"][0]["rect"]
        s.click(edit[0] + edit[2] - 8, edit[1] + edit[3] // 2)
        s.key("End BackSpace BackSpace BackSpace 0")
        self.assertTrue(s.wait_for(lambda: self.floating(f)["alpha"] == 0, STEP, 0.05), "alpha 0 not set")
        s.key("BackSpace 2 5 5")
        self.assertTrue(s.wait_for(lambda: self.floating(f)["alpha"] == 255, STEP, 0.05), "alpha 255 not set")
        # Colours, by the keys of the closed combo boxes: Black down to Navy, Silver on to Aqua.
        for box, presses in ((c["combobox"][0], 4), (c["combobox"][1], 6)):
            r = box["rect"]
            s.click(r[0] + r[2] - 8, r[1] + r[3] // 2)  # drops the list
            s.click(r[0] + r[2] - 8, r[1] + r[3] // 2)  # and closes it, the box keeps the focus
            s.key(" ".join(["Down"] * presses))
        self.assertTrue(s.wait_for(lambda: self.edge_and_ground(f) == (NAVY, AQUA), STEP, 0.1),
                        "outline and background: %r" % (self.edge_and_ground(f),))
        self.shot("dialog-colours")
        close = c["button"][3]
        self.assertEqual(close["text"], "  Close")
        s.click(close["rect"][0] + close["rect"][2] // 2, close["rect"][1] + close["rect"][3] // 2)
        self.assertTrue(s.wait_for(lambda: self.dialog() is None, STEP, 0.05), "the dialog stays open")
        # Opened again: as it was left.
        c = self.controls(self.open_dialog(f))
        self.assertEqual([x["text"] for x in c["edit"] + c["combobox"]], ["255", "Navy", "Aqua"])
        t.post(self.dialog(), e2e.WM_CLOSE)
        self.assertTrue(s.wait_for(lambda: self.dialog() is None, STEP, 0.05))

    def test_under_win98_the_level_is_disabled_and_the_window_plain(self):
        s = self.session
        self.start("win98")
        f = self.park(self.minimize(self.make(60, 80, "Old system")))
        self.assertEqual((f["alpha"], f["exstyle"] & ~ts.WS_EX_TOPMOST), (-1, 0), "layered without attributes")
        c = self.controls(self.open_dialog(f))
        self.assertFalse(c["button"][0]["enabled"], "the level group is enabled")
        self.assertFalse(any(x["enabled"] for x in c["edit"] + c["static"] + c["msctls_updown32"]))
        self.assertTrue(all(x["enabled"] for x in c["combobox"]))
        r = c["combobox"][1]["rect"]
        s.click(r[0] + r[2] - 8, r[1] + r[3] // 2)
        s.click(r[0] + r[2] - 8, r[1] + r[3] // 2)
        s.key("Down Down Down Down Down Down")
        self.assertTrue(s.wait_for(lambda: self.edge_and_ground(f)[1] == AQUA, STEP, 0.1), "the colour stays")
        self.t.post(self.dialog(), e2e.WM_CLOSE)
        self.assertTrue(s.wait_for(lambda: self.dialog() is None, STEP, 0.05))


if __name__ == "__main__":
    e2e.main()
