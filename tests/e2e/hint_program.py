"""Shared pieces of the end-to-end tests: the program under test, started in
the Wine session, and the facts every test compares against."""

import os
import subprocess
import time
import unittest
from pathlib import Path

import harness
from write_counter import WriteCounter

TITLE = "Hint".encode("cp936")
LABEL_TEXT = "这是Tavrin写的程序。".encode("cp936")
BUTTON_TEXT = "写出日志".encode("cp936")
LOG_BYTES = b"ypxt{ptez_gt_skgq????}"

# Window messages, styles and commands the tests use.
WM_CLOSE = 0x0010
WM_QUERYENDSESSION = 0x0011
WM_ENDSESSION = 0x0016
WM_NCHITTEST = 0x0084
WM_SYSCOMMAND = 0x0112
WM_QUIT = 0x0012
SC_CLOSE = 0xF060
HTCLOSE = 20
HTCAPTION = 2
HTCLIENT = 1
HTBORDER = 18

WS_CHILD = 0x40000000
WS_VISIBLE = 0x10000000
WS_DISABLED = 0x08000000
WS_CLIPSIBLINGS = 0x04000000
WS_CLIPCHILDREN = 0x02000000
WS_CAPTION = 0x00C00000
WS_SYSMENU = 0x00080000
WS_THICKFRAME = 0x00040000
WS_MINIMIZEBOX = 0x00020000
WS_MAXIMIZEBOX = 0x00010000
WS_POPUP = 0x80000000
WS_TABSTOP = 0x00010000
WS_EX_TOPMOST = 0x00000008
WS_EX_TOOLWINDOW = 0x00000080
CS_VREDRAW, CS_HREDRAW, CS_DBLCLKS = 0x1, 0x2, 0x8

HINT_EXE = Path(os.environ.get("HINT_EXE", "hint.exe"))

# The window description the program file carries.
RT_RCDATA = 10
DESCRIPTION = "WINDOW_DESCRIPTION"


class ProgramTestCase(unittest.TestCase):
    """Starts hint.exe in the session for each test and ends it afterwards.
    Each test begins without C:\\flag.txt."""

    exe = HINT_EXE

    @classmethod
    def setUpClass(cls):
        cls.session = harness.Session.from_env()

    @classmethod
    def tearDownClass(cls):
        cls.session.close()

    def setUp(self):
        self.log_path = self.session.drive_c / "flag.txt"
        self.remove_log()
        self.writes = WriteCounter(self.session.drive_c, "flag.txt")
        self.addCleanup(self.writes.close)
        self.program = None

    def tearDown(self):
        if self.program is not None:
            self.program.kill()
        self.remove_log()

    def remove_log(self):
        path = self.session.drive_c / "flag.txt"
        if path.is_dir():
            path.rmdir()
        elif path.exists():
            path.chmod(0o644)
            path.unlink()

    def start(self, exe=None):
        """Starts the program and waits for its window; returns the window."""
        self.program = self.session.launch(exe or self.exe)
        window = self.session.find_window(TITLE, timeout=20, pid=self.program.pid)
        self.assertIsNotNone(window, "the window \"Hint\" did not appear")
        self.window = window
        # The window is shown and painted before the loop takes input.
        harness.wait_until(lambda: self.session.focus(window.hwnd) != 0, 5)
        return window

    def description(self):
        """The window description as the program file carries it."""
        resources = self.session.resources(self.exe)
        for (kind, name, _), data in resources.items():
            if kind == RT_RCDATA and name == DESCRIPTION:
                return data
        self.fail("the program file carries no window description")

    def copy_with(self, data, label):
        """A copy of the program whose description is `data` (None: removed)."""
        copy = self.session.tmp / f"hint-{label}.exe"
        self.session.copy_exe_with_resource(self.exe, copy, RT_RCDATA, DESCRIPTION, data)
        self.assertTrue(copy.exists(), f"no copy {copy} was written")
        self.addCleanup(lambda: copy.unlink(missing_ok=True))
        return copy

    def controls(self):
        """The label and the button, by their texts."""
        children = self.session.children(self.window.hwnd)
        by_text = {child.text: child for child in children}
        return by_text.get(LABEL_TEXT), by_text.get(BUTTON_TEXT)

    def wait_exit(self, timeout=10.0):
        try:
            return self.program.wait(timeout)
        except subprocess.TimeoutExpired:
            self.fail("the program did not end")

    def assert_still_running(self, seconds=0.7):
        time.sleep(seconds)
        self.assertTrue(self.program.running, "the program ended")
        self.assertIsNotNone(self.session.window(self.window.hwnd), "the window is gone")


def main():
    unittest.main(verbosity=2)
