#!/usr/bin/env python3
"""Shows Corvel at work in the Wine desktop that scripts/run.sh started and saves screenshots.

Each step returns True when it worked; the first one that did not ends the tour (the steps
after it need what it should have done), and what was saved so far stays.
Usage: screenshots.py OUT_DIR (run by scripts/run.sh inside its desktop).
"""

import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "tests", "e2e"))
import corvel_e2e as e2e  # noqa: E402
import tray_support as ts  # noqa: E402

SAMPLE = (240, 180, 460, 300, "Sample program")
TRAY_SLOTS = 12
SETTLE = 1.0  # time for the collection pass to draw the caption button
MENU_AREA = (e2e.SCREEN[0] - 300, e2e.TRAY_Y - 300, 300, 300)  # where the tray menu opens
# Corvel starts with three programs in its Quick Run list.
TOUR_INI = ("[Quick Run]\nAppCount=3\nAppName_1=Notepad\nAppPath_1=C:\\windows\\system32\\notepad.exe\n"
            "AppName_2=WordPad\nAppPath_2=C:\\windows\\system32\\write.exe\nAppName_3=About Wine\n"
            "AppPath_3=C:\\windows\\system32\\winver.exe\n")
APPLET_LIST = 3201  # the Control Panel page's list
MENU_ITEM = 23  # height of a tray menu item
ABOUT_CLIENT = (411, 237)
OPTIONS_CLIENT = (669, 407)
FLOATING_PLACE = (760, 200)  # beside the sample window, clear of the dialog at the centre
TICKED_APPLETS = ("  Add/Remove Programs", "  Game Controllers")


def tray_slot_rect(i):
    """Slot i of Wine's tray, counted from the right (the first icon added is rightmost)."""
    left = e2e.SCREEN[0] - 20 * (i + 1)
    return left, e2e.TRAY_Y, left + 20, e2e.TRAY_Y + 20


def tray_slots(s):
    """The pixels of each tray slot, rightmost first."""
    w = 20 * TRAY_SLOTS
    rows = s.pixels(e2e.SCREEN[0] - w, e2e.TRAY_Y, w, 20)
    slots = []
    for i in range(TRAY_SLOTS):
        x0 = w - 20 * (i + 1)
        slots.append(tuple(tuple(r[x0:x0 + 20]) for r in rows))
    return slots


class Tour:
    def __init__(self, session, out):
        self.s = session
        self.out = out
        self.saved = []
        self.corvel = None
        self.floating = None  # state of the sample window's floating window
        self.window = None
        self.tray_before = None
        self.menu = None  # screen rectangle of the open tray menu

    def shot(self, name, what):
        path = self.s.screenshot(os.path.join(self.out, name))
        self.saved.append((path, what))
        print("  saved %s (%s)" % (path, what))

    def state(self):
        return self.s.targets.state(self.window)

    # -- the steps -----------------------------------------------------------------------

    def desktop(self):
        """Corvel started, its tray icon and a sample program window beside it."""
        self.s.set_version("winxp")  # the XP-style caption button
        self.s.write_ini(TOUR_INI)
        self.corvel = self.s.start_corvel()
        self.window = self.s.targets.make(*SAMPLE)
        time.sleep(SETTLE)
        self.shot("01-desktop.png", "Corvel's tray icon and the sample window")
        return True

    def to_tray(self, shot=True):
        """A click on the caption button sends the window to the tray."""
        self.tray_before = tray_slots(self.s)
        left, top, right, bottom = e2e.button_rect(self.state())
        x, y = (left + right) // 2, (top + bottom) // 2
        self.s.mousedown(x, y)
        time.sleep(0.15)
        self.s.mouseup()
        if not self.s.wait_for(lambda: not self.state()["vis"], 3):
            print("  the window did not go to the tray after a click at (%d, %d)" % (x, y))
            return False
        time.sleep(0.5)
        if shot:
            self.shot("02-in-tray.png", "the window hidden, its icon on the tray")
        return True

    def back(self):
        """A click on the window's tray icon shows it again."""
        after = tray_slots(self.s)
        changed = [i for i in range(TRAY_SLOTS) if after[i] != self.tray_before[i]]
        if not changed:
            print("  no new tray icon to click")
            return False
        left, top, right, bottom = tray_slot_rect(max(changed))
        self.s.click((left + right) // 2, (top + bottom) // 2)
        if not self.s.wait_for(lambda: self.state()["vis"], 3):
            print("  the window did not come back after a click on its tray icon")
            return False
        time.sleep(0.5)
        self.shot("03-restored.png", "the window back, its tray icon gone")
        return True

    def quick_run_menu(self):
        """A left click on Corvel's own tray icon opens the Quick Run menu."""
        left, top, right, bottom = tray_slot_rect(0)
        self.s.click((left + right) // 2, (top + bottom) // 2)
        if not self.s.wait_for(lambda: ts.menus(self.s.targets), 3):
            print("  no Quick Run menu appeared")
            return False
        time.sleep(0.3)
        self.shot("04-quick-run-menu.png", "the Quick Run menu with three programs")
        return ts.close_menus(self.s, self.s.targets)

    def options(self):
        """The options dialog from the tray menu: its handle and a click at a point of its client
        area; (None, None) when it does not open."""
        try:
            dialog, origin = ts.open_options(self.s, self.s.targets)
        except e2e.E2EError as e:
            print("  %s" % e)
            return None, None

        def click(point):
            self.s.click(origin[0] + point[0], origin[1] + point[1])
            time.sleep(0.4)

        return dialog, click

    def options_pages(self):
        """Options from the tray menu: the Quick run page, then the Control Panel page with two
        applets ticked, and OK."""
        t = self.s.targets
        dialog, click = self.options()
        if not dialog:
            return False
        click(e2e.OPTIONS_QUICK_RUN)
        self.shot("05-quick-run-page.png", "the Quick run page of the options dialog")
        click(e2e.OPTIONS_CONTROL_PANEL)
        rows = t.lvitems(t.ctl(dialog, APPLET_LIST) or 0)
        for row in rows:
            if row["text"] in TICKED_APPLETS:
                x, y, w, h = row["rect"]
                self.s.click(x + min(w // 2, 120), y + h // 2)
                self.s.key("space")
        if sum(r["checked"] for r in t.lvitems(t.ctl(dialog, APPLET_LIST) or 0)) != len(TICKED_APPLETS):
            print("  the applets could not be ticked: %r" % rows)
            return False
        self.shot("06-control-panel-page.png", "the Control Panel page with two applets ticked")
        click(e2e.OPTIONS_OK)
        if not self.s.wait_for(lambda: not t.state(dialog)["vis"], 3):
            print("  the options dialog stays open after OK")
            return False
        return True

    def applet_icons(self):
        """The two applets sit on the tray beside Corvel's icon; the tip names the CPL file."""
        if not self.s.wait_for(lambda: all(not ts.empty_slot(ts.slot_pixels(ts.strip(self.s), i)) for i in (1, 2)), 3):
            print("  no applet icons on the tray")
            return False
        self.s.mousemove(*ts.slot_centre(1))
        time.sleep(1.5)  # the tip shows
        self.shot("07-applet-icons.png", "two Control Panel applets on the tray, the tip of the first")
        self.s.mousemove(*ts.AWAY)
        return True

    def open_menu(self):
        """A right click on Corvel's icon; the open menu's screen rectangle, or None."""
        left, top, right, bottom = tray_slot_rect(0)  # the first icon added: Corvel's
        before = self.s.pixels(*MENU_AREA)
        self.s.click((left + right) // 2, (top + bottom) // 2, button=3)
        opened = self.s.wait_for(lambda: self.s.pixels(*MENU_AREA) != before, 3)
        if not opened:
            print("  no menu appeared above the tray icon")
            return None
        time.sleep(0.3)
        after = self.s.pixels(*MENU_AREA)
        changed = [(x, y) for y in range(len(after)) for x in range(len(after[0])) if after[y][x] != before[y][x]]
        xs, ys = [x for x, _ in changed], [y for _, y in changed]
        return MENU_AREA[0] + min(xs), MENU_AREA[1] + min(ys), MENU_AREA[0] + max(xs), MENU_AREA[1] + max(ys)

    def visible(self, cls):
        return [w for w in self.s.targets.toplevel(cls) if w["vis"]]

    def tray_menu(self):
        """A right click on Corvel's own tray icon opens its tray menu."""
        self.menu = self.open_menu()
        if not self.menu:
            return False
        self.shot("08-tray-menu.png", "Corvel's tray menu")
        return True

    def about(self):
        """About..., the first item of the tray menu, opens the about box; OK closes it."""
        left, top, _, _ = self.menu
        self.s.click(left + 60, top + MENU_ITEM // 2 + 3)
        if not self.s.wait_for(lambda: self.visible("TAForm"), 3):
            print("  no about box after a click on About...")
            return False
        time.sleep(0.5)
        self.shot("09-about.png", "the about box")
        box = self.visible("TAForm")[0]["hwnd"]
        if not self.s.click_child(box, ABOUT_CLIENT, "OK") or not self.s.wait_for(lambda: not self.visible("TAForm"), 3):
            print("  the about box stays open after a click on OK")
            return False
        return True

    def help(self):
        """Help in the options dialog opens the help file at its contents."""
        self.menu = self.open_menu()
        if not self.menu:
            return False
        left, _, _, bottom = self.menu
        self.s.click(left + 60, bottom - 14 - MENU_ITEM)  # Options, above Exit
        dialog = self.s.wait_for(lambda: self.visible("TForm2"), 3)
        if not dialog:
            print("  no options dialog after a click on Options")
            return False
        t = self.s.targets
        dialog = dialog[0]["hwnd"]
        if not self.s.click_child(dialog, OPTIONS_CLIENT, "Help"):
            print("  the options dialog has no Help button yet: no help window to show")
            t.post(dialog, e2e.WM_CLOSE)
            return True
        viewer = self.s.wait_for(lambda: self.visible("MS_WINHELP"), 10)
        if not viewer:
            print("  no help window after a click on Help")
            t.post(dialog, e2e.WM_CLOSE)
            return False
        time.sleep(1.0)
        self.shot("10-help.png", "the help file at its contents")
        t.post(viewer[0]["hwnd"], e2e.WM_CLOSE)
        t.post(dialog, e2e.WM_CLOSE)
        self.s.wait_for(lambda: not self.visible("MS_WINHELP") and not self.visible("TForm2"), 3)
        return True

    def floating_window(self):
        """Minimized again, the window also shows as a floating window, dragged beside it."""
        if not self.to_tray(shot=False):
            return False
        found = self.s.wait_for(lambda: ts.floating_windows(self.s.targets), 3)
        if not found:
            print("  no floating window after the minimize")
            return False
        f = found[0]
        x, y = f["x"] + f["w"] // 2, f["y"] + f["h"] // 2
        self.s.mousedown(x, y)
        for i in range(1, 9):
            self.s.mousemove(x + (FLOATING_PLACE[0] - f["x"]) * i // 8, y + (FLOATING_PLACE[1] - f["y"]) * i // 8)
            time.sleep(0.03)
        self.s.mouseup()
        time.sleep(0.3)
        self.floating = self.s.targets.state(f["hwnd"])
        self.floating["hwnd"] = f["hwnd"]
        if (self.floating["x"], self.floating["y"]) != FLOATING_PLACE:
            print("  the floating window did not follow the pointer")
            return False
        self.shot("11-floating-window.png", "the floating window, dragged beside where the window was")
        return True

    def floating_menu(self):
        """A right click on the floating window opens its menu."""
        try:
            ts.open_floating_menu(self.s, self.s.targets, self.floating)
        except e2e.E2EError as e:
            print("  %s" % e)
            return False
        self.shot("12-floating-menu.png", "the floating window's menu")
        ts.close_menus(self.s, self.s.targets)
        return True

    def blend_dialog(self):
        """"Floating window" in its menu opens the transparency and colour dialog."""
        t = self.s.targets
        ts.choose_floating(self.s, t, self.floating, "Floating window")
        found = self.s.wait_for(lambda: [w for w in t.toplevel("TSetBlendForm") if w["vis"]], 3)
        if not found:
            print("  no transparency dialog")
            return False
        time.sleep(0.3)
        self.shot("13-transparency-dialog.png", "the transparency and colour dialog")
        t.post(found[0]["hwnd"], e2e.WM_CLOSE)
        return bool(self.s.wait_for(lambda: not [w for w in t.toplevel("TSetBlendForm") if w["vis"]], 3))

    def floating_restore(self):
        """"Restore" in the floating window's menu shows the window again."""
        ts.choose_floating(self.s, self.s.targets, self.floating, "Restore")
        if not self.s.wait_for(lambda: self.state()["vis"], 3):
            print("  the window did not come back from its floating window")
            return False
        time.sleep(0.5)
        return True

    def common_pages(self):
        """Options again: the Common page, the Caption button page, then the German library that
        ships with Corvel applied to the dialog."""
        t = self.s.targets
        dialog, click = self.options()
        if not dialog:
            return False
        click(e2e.OPTIONS_COMMON)
        self.shot("14-common-page.png", "the Common page of the options dialog")
        click(e2e.OPTIONS_CAPTION_BUTTON)
        self.shot("15-caption-button-page.png", "the Caption button page")
        click(e2e.OPTIONS_COMMON)
        try:
            ts.choose_file(self.s, t, lambda: self.s.click_child(dialog, OPTIONS_CLIENT, "Load language library"),
                           "Deutsch.lng")
        except e2e.E2EError as e:
            print("  %s" % e)
            return False
        if not self.s.wait_for(lambda: t.state(dialog)["title"] == "Optionen", 3):
            print("  the German library did not apply")
            return False
        self.shot("16-german-library.png", "the Common page with the German library")
        if not self.s.click_child(dialog, OPTIONS_CLIENT, "Abbrechen"):
            return False
        return bool(self.s.wait_for(lambda: not t.state(dialog)["vis"], 3))

    def exit(self):
        """Exit, the last item of the tray menu, ends Corvel."""
        self.menu = self.open_menu()
        if not self.menu:
            return False
        left, _, right, bottom = self.menu
        self.s.click((left + right) // 2, bottom - 14)
        if self.corvel.wait_exit(3) is None:
            self.s.key("Escape")
            print("  Corvel still runs after a click on Exit")
            return False
        print("  Corvel ended")
        return True

    STEPS = (desktop, to_tray, back, quick_run_menu, options_pages, applet_icons, tray_menu, about, help,
             floating_window, floating_menu, blend_dialog, floating_restore, common_pages, exit)

    def run(self):
        try:
            for step in self.STEPS:
                print("step %s: %s" % (step.__name__, step.__doc__.strip()))
                if not step(self):
                    print("  step %s did not work yet: the tour ends here" % step.__name__)
                    break
        finally:
            if self.corvel is not None:
                self.corvel.stop()
            self.s.set_version("default")
            self.s.remove_ini()
        return self.saved


def main():
    out = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "out/screenshots")
    os.makedirs(out, exist_ok=True)
    for name in os.listdir(out):
        if name.endswith(".png"):
            os.remove(os.path.join(out, name))
    saved = Tour(e2e.session(), out).run()
    print("\n%d screenshot(s) in %s:" % (len(saved), out))
    for path, what in saved:
        print("  %s  %s" % (os.path.basename(path), what))
    return 0 if saved else 1


if __name__ == "__main__":
    sys.exit(main())
