#!/usr/bin/env python3
"""Benchmark of a minimize to the tray and a restore from it, under Wine (winxp, no Corvl.ini).

Each cycle posts the caption button's release (HM_BUTTONUP, the pointer resting on the button)
to Corvel's main window and times, from the post, the window being hidden and its icon's add
reaching the tray; then posts the icon's press and release (its callback number read from the
tray) and times the window being shown again and the icon's delete. The tray is a recording one
made by targets.exe, which does the timing in the same thread (trayround). Prints the median and
the worst of each over the cycles; asserts nothing.

    python3 bench/tray_bench.py [CYCLES]     (default 100; CORVEL_BUILD chooses the build)
"""

import os
import re
import statistics
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
import corvel_e2e as e2e  # noqa: E402

WM_LBUTTONDOWN = 0x201
WM_LBUTTONUP = 0x202


def hook_message(name):
    with open(os.path.join(ROOT, "platform", "messages.h"), encoding="latin-1") as f:
        found = re.search(r"constexpr UINT %s = WM_USER \+ 0x([0-9A-Fa-f]+);" % name, f.read())
    if not found:
        raise e2e.E2EError("no %s in platform/messages.h" % name)
    return 0x400 + int(found.group(1), 16)


def round_trip(tray, main, msg, wp, lp, window, visible):
    reply = tray.cmd("trayround 0x%x 0x%x 0x%x 0x%x 0x%x %d" % (main, msg, wp, lp, window, visible))
    if reply == "timeout":
        raise e2e.E2EError("no %s within 5 s" % ("restore" if visible else "minimize"))
    vis_us, tray_us = (int(v) for v in reply.split())
    return vis_us / 1000.0, tray_us / 1000.0


def callback_of(tray, window):
    for line in reversed(tray.traylog()):
        fields = dict(f.split("=", 1) for f in line.split(" tip=")[0].split())
        if fields["nim"] == "0" and int(fields["uid"], 0) == window:
            return int(fields["callback"], 0)
    raise e2e.E2EError("the tray got no icon of 0x%x" % window)


def button_drawn(s, t, window):
    left, top, right, bottom = e2e.button_rect(t.state(window))
    rows = s.pixels(left, top, right - left, bottom - top)
    return len({p for row in rows for p in row}) > 2


def report(name, values):
    print("%-34s median %7.2f ms   worst %7.2f ms" % (name, statistics.median(values), max(values)))


def main():
    cycles = int(sys.argv[1]) if len(sys.argv) > 1 else 100
    s = e2e.session()
    t = s.targets
    s.set_version("winxp")
    s.remove_ini()
    tray = s.start_targets("bench-tray")
    tray.tray()  # found before Wine's own tray: every icon call of Corvel comes here
    corvel = s.start_corvel()
    button_up = hook_message("HM_BUTTONUP")
    try:
        window = t.make(200, 150, 420, 260, "Benchmark target")
        time.sleep(2.0)  # the collection pass has listed it
        left, top, right, bottom = e2e.button_rect(t.state(window))
        s.mousemove((left + right) // 2, (top + bottom) // 2)
        time.sleep(0.3)  # Wine has taken in the pointer position
        tray.traylog()
        placed = t.state(window)
        hide, added, show, deleted = [], [], [], []
        for cycle in range(cycles):
            # As a person's next click would: the window is back in its place, the button on it.
            back = s.wait_for(lambda: (lambda st: st["vis"] and not st["iconic"] and st["x"] == placed["x"]
                                       and st["y"] == placed["y"])(t.state(window)), 5, 0.005)
            if not back or not s.wait_for(lambda: button_drawn(s, t, window), 5, 0.01):
                t.post(corvel.hwnd, hook_message("HM_REDRAW"), 0, window)
                time.sleep(0.3)
                raise e2e.E2EError("cycle %d: the window did not come back to its place with its button (%r); "
                                   "drawn after one more redraw request: %s"
                                   % (cycle, t.state(window), button_drawn(s, t, window)))
            time.sleep(0.1)  # the collection pass that its showing asked for is over
            vis, icon = round_trip(tray, corvel.hwnd, button_up, 0, window, window, 0)
            hide.append(vis)
            added.append(icon)
            callback = callback_of(tray, window)
            tray.post(corvel.hwnd, callback, window, WM_LBUTTONDOWN)
            vis, icon = round_trip(tray, corvel.hwnd, callback, window, WM_LBUTTONUP, window, 1)
            show.append(vis)
            deleted.append(icon)
        print("%d cycles, Wine %s, times from the posted request" % (cycles, "winxp"))
        report("button release -> window hidden", hide)
        report("button release -> icon added", added)
        report("button release -> both", [max(a, b) for a, b in zip(hide, added)])
        report("icon click -> window shown", show)
        report("icon click -> icon deleted", deleted)
        report("icon click -> both", [max(a, b) for a, b in zip(show, deleted)])
        t.close(window)
    finally:
        corvel.stop()
        tray.quit()


if __name__ == "__main__":
    main()
