"""The release as a Windows user gets it, under Wine (win10): the MSI of scripts/package.sh
installed with `msiexec /i /qn` puts Corvel into Program Files with a Start menu shortcut and the
"start with Windows" entry; the Corvel installed there minimizes a window to the tray and back;
`msiexec /x /qn` with a window hidden gives the window back, ends Corvel and removes the files
and the entry; a package of a higher version replaces the one installed; the portable zip runs
the same cycle where it is unpacked."""

import os
import shutil
import subprocess
import sys
import time
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import corvel_e2e as e2e  # noqa: E402
import tray_support as ts  # noqa: E402

STEP = 6.0  # generous: a loaded machine takes its time
MSIEXEC_TIMEOUT = 180
VERSION, NEWER = "2.4.0", "2.4.1"
RUN_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Run"
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall"


class InstallTest(e2e.CorvelTestCase):

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        s = e2e.session()
        cls.packages = os.path.join(s.build, "e2e-packages")
        shutil.rmtree(cls.packages, ignore_errors=True)
        arch = e2e.ARCH["CORVEL_ARCH"]
        for version in (VERSION, NEWER):
            subprocess.run(["bash", os.path.join(e2e.ROOT, "scripts", "package.sh"), "--from-build", s.build,
                            "--width", arch, "--version", version, "--out", cls.packages],
                           check=True, stdout=subprocess.DEVNULL, timeout=300)

    def name(self, version, kind):
        return os.path.join(self.packages, "corvel-%s-%s.%s" % (version, e2e.ARCH["CORVEL_ARCH"], kind))

    def setUp(self):
        super().setUp()
        self.t = self.session.targets
        self.program_dir = os.path.join(self.session.prefix, "drive_c", "Program Files", "Corvel")
        self.addCleanup(self.uninstall_quietly)

    # -- helpers ---------------------------------------------------------------------------

    def wine(self, *args, timeout=60):
        return subprocess.run([self.session.wine] + list(args), env=self.session.env, stdout=subprocess.PIPE,
                              stderr=subprocess.DEVNULL, timeout=timeout)

    def msiexec(self, *args, in_use=False):
        """`in_use`: a file of the old version is held by a running program, so the install ends
        with 3010 (done; that file is replaced at the next restart), which reaches Linux as 194."""
        result = self.wine("msiexec", *args, timeout=MSIEXEC_TIMEOUT)
        allowed = (0, 3010 & 0xFF) if in_use else (0,)
        self.assertIn(result.returncode, allowed, "msiexec %s" % " ".join(args))

    def uninstall_quietly(self):
        for version in (NEWER, VERSION):
            self.wine("msiexec", "/x", self.winpath(self.name(version, "msi")), "/qn", timeout=MSIEXEC_TIMEOUT)

    @staticmethod
    def winpath(path):
        return "Z:" + path.replace("/", "\\")

    def reg_values(self, key, *query):
        """The REG_SZ lines `reg query` prints for the key (and its subkeys with /s)."""
        out = self.wine("reg", "query", key, *query).stdout.decode("latin-1")
        return [line.split("REG_SZ", 1) for line in out.splitlines() if "REG_SZ" in line]

    def uninstall_entries(self):
        entries = self.reg_values(UNINSTALL_KEY, "/s")
        names = [v.strip() for k, v in entries if k.strip() == "DisplayName" and v.strip() == "Corvel"]
        versions = [v.strip() for k, v in entries if k.strip() == "DisplayVersion"]
        return names, versions

    def run_entry(self):
        return [v.strip() for k, v in self.reg_values(RUN_KEY, "/v", "Corvel") if k.strip() == "Corvel"]

    def shortcuts(self):
        """Corvel.lnk in the Start menu of all users, where Windows puts a per-machine package's
        shortcut, or of the user, where Wine 8's msiexec puts it (docs/wine.md)."""
        drive = os.path.join(self.session.prefix, "drive_c")
        menus = [os.path.join(drive, "ProgramData")] + [
            os.path.join(drive, "users", u, "AppData", "Roaming") for u in os.listdir(os.path.join(drive, "users"))]
        found = [os.path.join(m, "Microsoft", "Windows", "Start Menu", "Programs", "Corvel.lnk") for m in menus]
        return [p for p in found if os.path.isfile(p)]

    def start(self, exe):
        s = self.session
        s.set_version("win10")
        corvel = s.start_corvel(exe=exe)
        self.addCleanup(corvel.stop)
        self.assertTrue(s.wait_for(lambda: not ts.empty_slot(ts.slot_pixels(ts.strip(s), 0)), 10, 0.1),
                        "Corvel's own icon is not in the tray")
        return corvel

    def make(self, title):
        s, t = self.session, self.t
        w = t.make(200, 150, 400, 240, title)
        self.addCleanup(lambda: t.proc.poll() is None and t.close(w))
        self.assertTrue(ts.wait_button(s, t, w, STEP), "no caption button")
        return w

    def to_tray(self, w):
        s, t = self.session, self.t
        t.cmd("fg 0x%x" % w)
        # After a restore the button comes back a moment after its window: a click before it
        # lands on the bare title bar.
        self.assertTrue(ts.wait_button(s, t, w, STEP), "no caption button")
        ts.click_caption_button(s, t, w)
        self.assertTrue(s.wait_for(lambda: not t.state(w)["vis"], STEP, 0.05), "the window is still shown")
        self.assertTrue(s.wait_for(lambda: ts.window_icons(s) == [1], STEP, 0.05), "no tray icon")

    def cycle(self, exe, title):
        """Started from `exe`: a window to the tray and back with its icon."""
        s, t = self.session, self.t
        corvel = self.start(exe)
        w = self.make(title)
        self.to_tray(w)
        time.sleep(ts.DOUBLE_CLICK_TIME)
        s.click(*ts.slot_centre(1))
        self.assertTrue(s.wait_for(lambda: t.state(w)["vis"], STEP, 0.05), "not shown again")
        return corvel, w

    # -- tests -----------------------------------------------------------------------------

    def test_install_run_and_uninstall_with_a_window_held(self):
        s, t = self.session, self.t
        s.write_ini("[Options]\nHotKey=1\n")
        self.msiexec("/i", self.winpath(self.name(VERSION, "msi")), "/qn")
        exe = os.path.join(self.program_dir, "corvel.exe")
        for name in ("corvel.exe", "Hooks.dll", "Deutsch.lng", "README.txt", "LICENSE.txt",
                     os.path.join("Help", "corvlhelp.hlp"), os.path.join("Help", "corvlhelp.html")):
            self.assertTrue(os.path.isfile(os.path.join(self.program_dir, name)), name + " not installed")
        self.assertEqual(len(self.shortcuts()), 1, "no Start menu shortcut")
        self.assertEqual(self.run_entry(), ['"C:\\Program Files\\Corvel\\corvel.exe"'])
        self.assertEqual(self.uninstall_entries(), (["Corvel"], [VERSION]))

        corvel, w = self.cycle(exe, "Installed")
        self.to_tray(w)
        self.shot("held-before-uninstall")
        self.msiexec("/x", self.winpath(self.name(VERSION, "msi")), "/qn")
        self.assertTrue(s.wait_for(lambda: t.state(w)["vis"], STEP, 0.05), "the held window was not given back")
        self.assertIsNotNone(corvel.wait_exit(10), "Corvel still runs after the uninstall")
        self.assertFalse(os.path.exists(exe), "corvel.exe is left behind")
        # Wine never unloads a hook library from a process it was loaded into (Windows does once
        # the process takes its next message), and a loaded library's file cannot be deleted:
        # what may stay is a Hooks.dll that a running program still holds, under its name or the
        # temporary one Windows Installer gives a file in use (an earlier upgrade's).
        left = os.listdir(self.program_dir) if os.path.exists(self.program_dir) else []
        self.assertEqual([f for f in left if f != "Hooks.dll" and not (f.startswith("msi") and f.endswith(".tmp"))],
                         [], "left behind")
        if left:
            held = [m for m in t.modules() if m.lower() == "c:\\program files\\corvel\\hooks.dll"]
            self.assertTrue(held, "Hooks.dll is left behind, and this program does not hold it")
        self.assertEqual(self.shortcuts(), [], "the shortcut is left behind")
        self.assertEqual(self.run_entry(), [], "the start-up entry is left behind")
        self.assertEqual(self.uninstall_entries(), ([], []))
        self.assertIn("HotKey=1", s.read_ini(), "the settings went without being asked to")

    def test_a_newer_package_replaces_the_installed_one(self):
        s, t = self.session, self.t
        self.msiexec("/i", self.winpath(self.name(VERSION, "msi")), "/qn")
        # The upgrade, too, ends a running Corvel first and gives its windows back.
        corvel, w = self.cycle(os.path.join(self.program_dir, "corvel.exe"), "Upgraded")
        self.to_tray(w)
        self.msiexec("/i", self.winpath(self.name(NEWER, "msi")), "/qn", in_use=True)
        self.assertTrue(s.wait_for(lambda: t.state(w)["vis"], STEP, 0.05), "the held window was not given back")
        self.assertIsNotNone(corvel.wait_exit(10), "Corvel still runs after the upgrade")
        self.assertEqual(self.uninstall_entries(), (["Corvel"], [NEWER]))
        with open(os.path.join(self.program_dir, "README.txt"), "rb") as f:
            self.assertTrue(f.read().startswith(("Corvel %s" % NEWER).encode()), "the old README.txt stays")
        self.assertEqual(len(self.run_entry()), 1)
        # Asked to, the uninstall takes the settings too.
        self.session.write_ini("[Options]\nHotKey=2\n")
        self.msiexec("/x", self.winpath(self.name(NEWER, "msi")), "/qn", "REMOVESETTINGS=1")
        self.assertFalse(self.session.ini_exists(), "Corvl.ini stays after REMOVESETTINGS=1")
        self.assertEqual(self.uninstall_entries(), ([], []))

    def test_the_portable_zip_runs_where_it_is_unpacked(self):
        folder = os.path.join(self.session.build, "e2e-portable")
        shutil.rmtree(folder, ignore_errors=True)
        with zipfile.ZipFile(self.name(VERSION, "zip")) as z:
            z.extractall(folder)
        unpacked = os.path.join(folder, "corvel-%s-%s" % (VERSION, e2e.ARCH["CORVEL_ARCH"]))
        corvel, _ = self.cycle(os.path.join(unpacked, "corvel.exe"), "Portable")
        corvel.stop()
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    e2e.main()
