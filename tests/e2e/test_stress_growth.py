"""Correctness under long use: over 1,000 minimize and restore cycles (tray icon and menu entry)
Corvel's GDI objects, USER objects and memory do not grow, and while nothing happens it takes
no message and runs no timer (its wake-ups are printed; bench/bench.py sets them beside a bound).

How it is counted (the figures are printed): GDI objects from the entries of Corvel's GDI handle
table, read through its PEB by corvel_bench.exe; USER objects (windows, menus, icons) by
corvel_probe.dll, which corvel_bench.exe loads into Corvel; the working set from
GetProcessMemoryInfo and the resident set from /proc; messages and WM_TIMERs of Corvel's thread
by a WH_GETMESSAGE hook of the probe; wake-ups as the voluntary context switches of all threads
of the wine process in /proc."""

import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import corvel_e2e as e2e  # noqa: E402
import robust_support as rs  # noqa: E402

CYCLES = 1000
WARM_UP = 30
IDLE_WINDOWS = 10
IDLE_SECONDS = 10
# After the warm-up no GDI or USER object more (the caches are full by then); memory has a fixed
# slack, far below a small block a cycle.
SLACK = {"gdi": 0, "user_windows": 0, "user_menus": 0, "user_icons": 0, "working_set_kb": 512, "rss_kb": 512}
SETTLE = 2.0  # the one-shot redraw timer after an activation runs out
SETTLE_MS = 25  # after each restore, for the rescan that the shown window asks for


class GrowthTest(e2e.CorvelTestCase):

    def test_nothing_grows_over_a_thousand_cycles_and_nothing_runs_while_idle(self):
        rs.in_each_mode(self, self.grows_and_idles)

    def grows_and_idles(self, mode):
        s = self.session
        rs.remove_journal(s)
        self.addCleanup(rs.remove_journal, s)
        bench = rs.start_tray(s)
        self.addCleanup(bench.quit)
        rs.use_mode(s, mode)
        corvel = s.start_corvel()
        self.addCleanup(corvel.stop)
        t = s.targets
        idle = [t.make(40 + 30 * i, 360 + 10 * i, 300, 200, "Idle %d" % i) for i in range(IDLE_WINDOWS)]
        for h in idle:
            self.addCleanup(t.close, h)
        target = int(bench.cmd("window 560 40 400 280 Cycled"), 0)
        self.assertTrue(rs.wait_tracked(s, corvel, [target]), "the cycled window is not in the table")
        self.assertEqual(bench.cmd("probe %d" % corvel.windows_pid()), "ok")

        rs.cycles(bench, corvel.hwnd, target, WARM_UP, SETTLE_MS)
        before = rs.resources(bench, corvel)
        started = time.monotonic()
        mins, restores, retries = rs.cycles(bench, corvel.hwnd, target, CYCLES, SETTLE_MS)
        after = rs.resources(bench, corvel)
        e2e.log("figure: %s button: %d cycles in %.0f s (median minimize %.1f ms, restore %.1f ms, %d requests sent again)"
                % (mode, CYCLES, time.monotonic() - started, sorted(mins)[len(mins) // 2] / 1000.0,
                   sorted(restores)[len(restores) // 2] / 1000.0, retries))
        e2e.log("figure: before %s" % before)
        e2e.log("figure: after  %s" % after)
        grown = {k: after[k] - before[k] for k in SLACK if after[k] - before[k] > SLACK[k]}
        self.assertEqual(grown, {}, "grew over %d cycles beyond the slack %s" % (CYCLES, SLACK))

        time.sleep(SETTLE)
        self.assertEqual(bench.cmd("watch 0x%x" % corvel.hwnd), "ok")
        first = rs.proc_counters(corvel.proc.pid)
        time.sleep(IDLE_SECONDS)
        last = rs.proc_counters(corvel.proc.pid)
        messages, timers = bench.numbers("watched %d" % corvel.windows_pid())
        wakeups = last["wakeups"] - first["wakeups"]
        e2e.log("figure: %s button: %d s idle with %d served windows: %d messages, %d timers, %d wake-ups, %.2f s CPU"
                % (mode, IDLE_SECONDS, IDLE_WINDOWS, messages, timers, wakeups, last["cpu"] - first["cpu"]))
        self.assertEqual(timers, 0, "a timer fired while nothing happened")
        self.assertEqual(messages, 0, "messages while nothing happened")
        bench.cmd("unwatch")
        corvel.stop()
        bench.quit()
        for h in idle:
            t.close(h)


if __name__ == "__main__":
    e2e.main()
