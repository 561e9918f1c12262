"""Benchmark of the caption button under Wine (prints figures, asserts nothing).

    CORVEL_BUILD=build CORVEL_PRIVATE_DISPLAY=1 python3 bench/caption_bench.py [ROUNDS]

1. A collection and drawing pass over 10 and over 100 target windows of another process: the
   button of the first and of the last window of the pass is painted over from outside (their
   owner is told nothing), HM_RESCAN is posted to the main window, and a watcher in a third
   process reads both pixels until the button is back. Printed: request to first button,
   request to last button (the whole pass, with the main window's timer period before it), and
   first to last (the drawing loop).
2. A title-bar repaint to the button drawn again: the watcher has the owner repaint the frame
   of a window and reads the pixel go from the button to the title bar and back.
"""

import os
import statistics
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
import corvel_e2e as e2e  # noqa: E402
import caption_support as cs  # noqa: E402

ROUNDS = int(sys.argv[1]) if len(sys.argv) > 1 else 15
GLYPH = (10, 7)          # a black pixel of BUp, relative to the button rectangle
BLACK = "000000"
WATCHED_Y = 640          # the first and the last window of the pass sit here, unobscured


def glyph_point(state):
    """The glyph pixel relative to the window's top-left corner."""
    left, top, _, _ = e2e.button_rect(state)
    return left - state["x"] + GLYPH[0], top - state["y"] + GLYPH[1]


def figures(values):
    values = sorted(values)
    return "median %7.2f ms  min %7.2f  max %7.2f" % (statistics.median(values), values[0], values[-1])


def time_pass(session, owner, watcher, corvel, first, last):
    """Microsecond figures of passes; `first` and `last` in the order the pass draws them."""
    states = [owner.state(h) for h in (first, last)]
    points = [glyph_point(st) for st in states]
    to_first, to_last = [], []
    for _ in range(ROUNDS):
        for h, st in zip((first, last), states):
            left, top, right, bottom = e2e.button_rect(st)
            watcher.cmd("paintover 0x%x %d %d %d %d" % (h, left - st["x"], top - st["y"], right - st["x"],
                                                        bottom - st["y"]))
        watched = " ".join("0x%x %d %d" % (h, x, y) for h, (x, y) in zip((first, last), points))
        reply = watcher.cmd("postwatch 0x%x 0x%x %s %s" % (corvel.hwnd, cs.HM_RESCAN, BLACK, watched), timeout=30)
        parts = reply.split()
        if len(parts) != 2 or "timeout" in parts:
            print("  a pass did not redraw both windows: %s" % reply)
            continue
        to_first.append(int(parts[0]) / 1000.0)
        to_last.append(int(parts[1]) / 1000.0)
        time.sleep(0.05)
    return to_first, to_last


def time_repaint(watcher, owner, h):
    state = owner.state(h)
    x, y = glyph_point(state)
    erased, drawn = [], []
    unseen = 0
    for _ in range(ROUNDS):
        reply = watcher.cmd("redrawwatch 0x%x %d %d %s" % (h, x, y, BLACK), timeout=30)
        parts = reply.split()
        if reply == "unseen":
            unseen += 1
            continue
        if len(parts) != 2:
            print("  the button did not come back: %s" % reply)
            continue
        erased.append(int(parts[0]) / 1000.0)
        drawn.append(int(parts[1]) / 1000.0)
        time.sleep(0.05)
    return erased, drawn, unseen


def main():
    s = e2e.session()
    owner = s.targets
    watcher = s.start_targets("watcher")
    s.set_version("win2k")
    s.write_ini("[Visualization]\nSymbolType=0\n")
    windows = []
    # The last window of the pass is the lowest in Z order: made first.
    bottom = owner.make(0, WATCHED_Y, 400, 100, "")
    windows.append(bottom)
    corvel = s.start_corvel()
    try:
        print("Caption button benchmark (Wine, %d rounds each)" % ROUNDS)
        for total in (10, 100):
            while len(windows) < total - 1:
                i = len(windows)
                windows.append(owner.make(8 * (i % 50), 4 * (i % 100), 300, 200, ""))
            top = owner.make(600, WATCHED_Y, 400, 100, "")
            time.sleep(1.5)
            qualifying = sum(1 for w in owner.toplevel()
                             if w["style"] & cs.MAIN_STYLE_MASK == cs.MAIN_STYLE_MASK)
            to_first, to_last = time_pass(s, owner, watcher, corvel, top, bottom)
            print("pass over %d target windows (%d top-level windows qualify):" % (total, qualifying))
            if to_first:
                print("  request to first button  %s" % figures(to_first))
                print("  request to last button   %s" % figures(to_last))
                print("  first to last button     %s" % figures([b - a for a, b in zip(to_first, to_last)]))
            owner.close(top)
            time.sleep(0.5)
        h = windows[-1]
        owner.cmd("move 0x%x 300 420 400 150" % h)
        owner.cmd("fg 0x%x" % h)
        time.sleep(0.5)
        erased, drawn, unseen = time_repaint(watcher, owner, h)
        print("title-bar repaint of one window (%d windows tracked):" % len(windows))
        print("  rounds in which the button was back before a pixel read saw it gone: %d of %d"
              % (unseen, ROUNDS))
        if drawn:
            print("  repaint to button erased %s" % figures(erased))
            print("  repaint to button back   %s" % figures(drawn))
            print("  erased to back           %s" % figures([b - a for a, b in zip(erased, drawn)]))
    finally:
        corvel.stop()
        for h in windows:
            owner.close(h)
        s.close()


if __name__ == "__main__":
    main()
