"""Helpers of the tray end-to-end tests: Wine's tray strip read from the screen (slots of 20
pixels from the right, per-window icons told by their border), Corvel's popup
menus found through targets.exe ("menus") and told apart by their size, the geometry of the tray
menu and the width of its entries' texts, which tells windows of titles of different lengths
apart (the icons cannot: Wine's DrawCaption draws its own logo for a window of another
process, so every window's tray icon and menu image shows the same picture)."""

import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import corvel_e2e as e2e  # noqa: E402

NAVY = (0, 0, 128)  # IconBrColor when there is no Corvl.ini
WHITE = (255, 255, 255)
SLOT = 20           # one tray slot; the first icon added is rightmost
ICON = 16           # drawn 2 pixels into its slot
ICON_INSET = 2
SLOTS = 12          # slots looked at
WM_MOUSEMOVE = 0x200
WM_LBUTTONDOWN = 0x201
WM_LBUTTONUP = 0x202
MENU_TEXT = (0, 0, 0)
# Titles whose menu entries differ in width.
TITLES = ("I", "WWWWWWWW", "WWWWWWWWWWWWWWWW")

# The tray menu of Wine's default look: items 23 pixels high (17-pixel images); About,
# separator, the window entries, separator, Options, Exit.
MENU_FRAME, MENU_SEPARATOR = e2e.MENU_FRAME, e2e.MENU_SEPARATOR
MENU_ITEM = e2e.menu_item_height(e2e.program_constant("platform/messages.h", "kMenuImageSize"))
MENU_FIXED = 2 * MENU_FRAME + 3 * MENU_ITEM + 2 * MENU_SEPARATOR
QUICK_RUN_MAX_HEIGHT = 60  # "< Quick Run >" and a separator
MARGIN = 19                # (7 x 11) div 4: "1" is 11 pixels high in Wine's menu font
IMAGE_GAP = 3
DOUBLE_CLICK_TIME = 0.6  # seconds; the system's is 500 ms


# -- targets.exe commands ------------------------------------------------------------------

def menus(targets):
    """Visible popup menus as (x, y, w, h)."""
    parts = targets.cmd("menus").split()
    return [tuple(int(v) for v in p.split(",")) for p in parts[1:]]


def taskbar_button(targets, hwnd):
    for w in targets.toplevel():
        if w["hwnd"] == hwnd:
            return bool(w["taskbar"])
    return False


def tray_delete(targets, owner, uid):
    return targets.cmd("traydel 0x%x 0x%x" % (owner, uid)) == "ok"


# -- the tray strip -------------------------------------------------------------------------

def slot_left(i):
    return e2e.SCREEN[0] - SLOT * (i + 1)


def slot_centre(i):
    return slot_left(i) + SLOT // 2, e2e.TRAY_Y + SLOT // 2


def strip(session):
    """The rightmost SLOTS slots of the tray, rows of (r, g, b)."""
    return session.pixels(slot_left(SLOTS - 1), e2e.TRAY_Y, SLOT * SLOTS, SLOT)


def slot_pixels(rows, i):
    x0 = SLOT * (SLOTS - 1 - i)
    return [row[x0:x0 + SLOT] for row in rows]


def is_window_icon(block, border=NAVY):
    """A per-window icon: a 16-pixel square outlined in `border` around a picture."""
    top, x0 = ICON_INSET, ICON_INSET
    last = ICON - 1
    edge = [block[top][x0 + k] for k in range(ICON)] + [block[top + last][x0 + k] for k in range(ICON)]
    edge += [block[top + k][x0] for k in range(ICON)] + [block[top + k][x0 + last] for k in range(ICON)]
    if any(p != border for p in edge):
        return False
    inner = {block[top + y][x0 + x] for y in range(1, last) for x in range(1, last)}
    return len(inner) > 2


def window_icons(session, rows=None):
    """Slots (from the right) that hold a per-window icon."""
    rows = rows or strip(session)
    return [i for i in range(SLOTS) if is_window_icon(slot_pixels(rows, i))]


def empty_slot(block):
    return all(p == WHITE for row in block for p in row)


# -- menus ------------------------------------------------------------------------------------

def is_tray_menu(rect):
    return rect[3] >= MENU_FIXED


def is_quick_run_menu(rect):
    return rect[3] < QUICK_RUN_MAX_HEIGHT


def menu_entries(rect):
    """Number of window entries of an open tray menu."""
    return e2e.menu_rows(rect, MENU_ITEM, 2) - 3


def entry_centre(rect, i):
    return e2e.menu_row_centre(rect, MARGIN, MENU_ITEM, 1 + i, 1)


def entry_text_width(session, rect, i):
    """Columns from the entry's image to the right end of its text."""
    x, y, w, _ = rect
    top = y + MENU_FRAME + MENU_ITEM + MENU_SEPARATOR + MENU_ITEM * i
    left = x + MENU_FRAME + MARGIN + IMAGE_GAP + 17
    rows = session.pixels(left, top + 2, x + w - MENU_FRAME - left, MENU_ITEM - 4)
    dark = [cx for row in rows for cx, p in enumerate(row) if p == MENU_TEXT]
    return max(dark) + 1 if dark else 0


def about_centre(rect):
    """The tray menu's first item, "About..."."""
    x, y, _, _ = rect
    return x + MENU_FRAME + MARGIN + 30, y + MENU_FRAME + MENU_ITEM // 2


def exit_centre(rect):
    # Left of the middle: the icon's tip can cover the right end of the last item.
    x, y, w, h = rect
    return x + MENU_FRAME + MARGIN + 30, y + h - MENU_FRAME - MENU_ITEM // 2


def margin_width(session, rect):
    """The strip's width as painted: gradient, one pixel of menu, the shadow and light lines."""
    x, y, _, _ = rect
    row = session.pixels(x + MENU_FRAME, y + MENU_FRAME, 3 * MARGIN, 1)[0]
    for cx, (r, g, _) in enumerate(row):
        if r or g:
            return cx + 3
    return 0


def margin_strip(session, rect):
    """Pixels of the margin strip (its gradient part and the two lines) of an open menu."""
    x, y, _, h = rect
    return session.pixels(x + MENU_FRAME, y + MENU_FRAME, MARGIN, h - 2 * MENU_FRAME)


def margin_problems(rows):
    """What is wrong with a margin strip: black-to-blue gradient, white text, nothing else."""
    problems = []
    width = MARGIN - 3
    height = len(rows)
    blues = []
    for y in range(height):
        for x in range(width):
            r, g, b = rows[y][x]
            if (r, g, b) == WHITE:
                continue
            if abs(r - g) > 2 or b < r:
                # Band colours and smoothed text edges: between the band's blue and white.
                problems.append("pixel (%d, %d) is %r" % (x, y, (r, g, b)))
                if len(problems) > 5:
                    return problems
        band = rows[y][width - 1]
        blues.append(band[2] if band[0] == 0 else None)
    column = [b for b in blues if b is not None]
    if column != sorted(column):
        problems.append("blue does not grow downwards: %r" % column)
    if not column or column[0] > 16 or column[-1] < 224:
        problems.append("not black at the top and blue at the bottom: %r" % column[:3] + column[-3:])
    if not any(p == WHITE for row in rows for p in row[:width]):
        problems.append("no white text")
    return problems


def text_mask(rows):
    """White pixels of the strip as (x, distance from the bottom): compares texts of menus of
    different heights."""
    height = len(rows)
    return {(x, height - 1 - y) for y, row in enumerate(rows) for x, p in enumerate(row[:MARGIN - 3]) if p == WHITE}


def text_extent(mask):
    return max(d for _, d in mask) - min(d for _, d in mask) + 1 if mask else 0


# -- actions ----------------------------------------------------------------------------------

# Far from every window the tests make: a click here closes an open menu.
AWAY = (1000, 40)


def close_menus(session, targets, timeout=3.0):
    if not menus(targets):
        return True
    session.click(*AWAY)
    return session.wait_for(lambda: not menus(targets), timeout, 0.05)


def open_tray_menu(session, targets, own_slot=0, timeout=1.5):
    """Right click on Corvel's icon; the tray menu's (x, y, w, h)."""
    close_menus(session, targets)
    for attempt in range(2):
        session.click(*slot_centre(own_slot), button=3)
        found = session.wait_for(lambda: [m for m in menus(targets) if is_tray_menu(m)], timeout, 0.05)
        if found:
            time.sleep(0.15)  # painted
            return found[0]
        # Seen under Wine: the first right click on the tray within about half a second of a
        # menu entry's click does not reach the icon.
        e2e.log("no tray menu after a right click on Corvel's icon; once more")
    raise e2e.E2EError("no tray menu after a right click on Corvel's icon (menus %r, %s)"
                       % (menus(targets), targets.cmd("guiinfo 0x%x" % targets.find(e2e.MAIN_CLASS, e2e.MAIN_CAPTION))))


def click_options(session, targets, own_slot=0):
    """The tray menu's Options item clicked, without waiting for the dialog."""
    x, y, w, h = open_tray_menu(session, targets, own_slot)
    session.click(x + MENU_FRAME + MARGIN + 30, y + h - MENU_FRAME - MENU_ITEM - MENU_ITEM // 2)


def open_options(session, targets, own_slot=0, timeout=5.0):
    """Options from the tray menu: the dialog's handle and the screen origin of its client area."""
    click_options(session, targets, own_slot)
    found = session.wait_for(lambda: [d for d in targets.toplevel("TForm2") if d["vis"]], timeout)
    if not found:
        raise e2e.E2EError("the options dialog did not open")
    time.sleep(0.3)  # painted
    dialog = found[0]["hwnd"]
    return dialog, e2e.client_origin(targets.state(dialog), e2e.OPTIONS_CLIENT)


def choose_file(session, targets, opener, path, timeout=5.0):
    """A file dialog opened by opener(): the name box emptied, `path` typed, Enter; waits until the
    dialog has gone."""
    def dialogs():
        return [w["hwnd"] for w in targets.toplevel("#32770") if w["vis"]]
    before = set(dialogs())
    opener()
    if not session.wait_for(lambda: set(dialogs()) - before, timeout):
        raise e2e.E2EError("no file dialog")
    time.sleep(0.5)
    session.key("End")
    session.xdotool("key", "--repeat", 40, "--delay", 5, "BackSpace")
    session.xdotool("type", "--delay", 20, path)
    session.key("Return")
    if not session.wait_for(lambda: not set(dialogs()) - before, timeout):
        raise e2e.E2EError("the file dialog stays")
    time.sleep(0.3)


def click_caption_button(session, targets, hwnd):
    left, top, right, bottom = e2e.button_rect(targets.state(hwnd))
    session.click((left + right) // 2, (top + bottom) // 2)


def button_drawn(session, targets, hwnd):
    """The caption button's rectangle shows more than the bare title-bar colour."""
    left, top, right, bottom = e2e.button_rect(targets.state(hwnd))
    rows = session.pixels(left, top, right - left, bottom - top)
    return len({p for row in rows for p in row}) > 2 or e2e.flat_look(rows)


def wait_button(session, targets, hwnd, timeout=3.0):
    """Whether the caption button shows on a new window; once the title bar is repainted if not."""
    drawn = lambda: button_drawn(session, targets, hwnd)  # noqa: E731
    if session.wait_for(drawn, timeout, 0.1):
        return True
    # Seen now and then on a loaded machine: the first drawing of the button comes before the
    # window's own late title-bar paint. The next repaint of the title bar brings it.
    e2e.log("no button on a new window yet: repainting its title bar")
    targets.cmd("frame 0x%x" % hwnd)
    return session.wait_for(drawn, timeout, 0.1)


def double_click(session, x, y, delay_ms=80):
    session.xdotool("mousemove", x, y, "click", "--repeat", 2, "--delay", delay_ms, 1)


def watch_menus(targets, seconds, interval=0.01):
    """Polls the popup menus for `seconds`: the list of distinct showings, each (x, y, w, h).
    A menu window of no size (one being set up or taken down) does not count."""
    shown, last = [], ()
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        now = tuple(m for m in menus(targets) if m[2] and m[3])
        for m in now:
            if m not in last:
                shown.append(m)
        last = now
        time.sleep(interval)
    return shown


class OneCorvelTestCase(e2e.CorvelTestCase):
    """One Corvel under winxp without Corvl.ini for every test of the class, its own icon alone
    in the tray at the start (its pixels in `own`); each test starts with no menu open."""

    corvel = None
    own = None

    @classmethod
    def setUpClass(cls):
        s = e2e.session()
        s.set_version("winxp")
        s.remove_ini()
        cls.corvel = s.start_corvel()
        rows = s.wait_for(lambda: (lambda r: r if not empty_slot(slot_pixels(r, 0)) else None)(strip(s)), 5)
        if not rows:
            raise e2e.E2EError("Corvel's own icon is not in the tray")
        cls.own = slot_pixels(rows, 0)

    @classmethod
    def tearDownClass(cls):
        if cls.corvel:
            cls.corvel.stop()

    def setUp(self):
        super().setUp()
        self.t = self.session.targets
        self.assertTrue(self.corvel.is_running(), "Corvel has ended")
        self.assertTrue(close_menus(self.session, self.t), "a menu stays open")


# -- floating windows -------------------------------------------------------------------------

FLOATING_CLASS = "TBlendWin"
WS_EX_TOPMOST = 0x8
# The floating window's menu: Restore, Hide, Close program, separator, Floating window, Options.
FLOATING_ITEMS = ("Restore", "Hide", "Close program", "Floating window", "Options")
FLOATING_MARGIN = e2e.program_constant("floating/blend_win.h", "kFloatingMenuMargin")


def floating_windows(targets, visible=True):
    """Corvel's floating windows (states as Targets.state, with "hwnd"), in creation order."""
    found = []
    for w in targets.toplevel(FLOATING_CLASS):
        if visible and not w["vis"]:
            continue
        st = targets.state(w["hwnd"])
        st.update(hwnd=w["hwnd"], owner=w["owner"], taskbar=w["taskbar"])
        found.append(st)
    return found


def floating_item_centre(rect, name):
    """Centre of an item of an open floating-window menu (items share the height left over by
    the frame and the separator)."""
    item = (rect[3] - 2 * MENU_FRAME - MENU_SEPARATOR) // len(FLOATING_ITEMS)
    i = FLOATING_ITEMS.index(name)
    return e2e.menu_row_centre(rect, FLOATING_MARGIN, item, i, 1 if i >= 3 else 0)


def open_floating_menu(session, targets, floating, timeout=1.5):
    """Right click on a floating window; the menu's (x, y, w, h)."""
    close_menus(session, targets)
    session.click(floating["x"] + floating["w"] // 2, floating["y"] + floating["h"] // 2, button=3)
    found = session.wait_for(lambda: menus(targets), timeout, 0.05)
    if not found:
        raise e2e.E2EError("no menu after a right click on the floating window at (%d, %d)"
                           % (floating["x"], floating["y"]))
    time.sleep(0.15)  # painted
    return found[0]


def choose_floating(session, targets, floating, name):
    """Chooses an item of a floating window's menu with the pointer."""
    m = open_floating_menu(session, targets, floating)
    session.click(*floating_item_centre(m, name))
    return m
