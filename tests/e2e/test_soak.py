"""Thousands of presses in one run of the program, and presses while the log
file cannot be written: every press is one write, the file always holds the
22 bytes, the program keeps answering, its memory does not grow, and a
write that fails shows nothing and changes nothing."""

import os
import subprocess
import time
from pathlib import Path

import harness
from hint_program import *  # noqa: F403
from write_counter import FileEventWatch

WM_NULL = 0x0000

# Presses go out in bursts of BURST clicks, CLICK_DELAY_MS between clicks; the
# program keeps up with 1 ms between clicks here, so 15 ms leaves room.
SOAK_CLICKS = 2000
BURST = 100
CLICK_DELAY_MS = 15
# Resident memory may grow by at most this much between the first
# BURST presses and the last one.
RSS_GROWTH_LIMIT_KIB = 64
ANSWER_TIMEOUT = 5.0
WRITE_TIMEOUT = 20.0

HELD_BYTES = b"held open with share mode 0 by another process\r\n"


def linux_pids_running(session, exe):
    """Linux pids of this session's processes that have exe mapped as a
    program image.

    A program started through the probe is not the Linux child the harness
    spawns: that child is probe.exe ("probe exec"), which calls
    CreateProcess, and Wine runs the new Windows process as a Linux process
    of its own, re-parented to init. It is found here by what it has
    mapped: Wine maps the headers and sections of the running .exe from
    the file, and no other process of the prefix maps hint.exe."""
    target = os.stat(exe)
    prefix_marker = b"WINEPREFIX=" + os.fsencode(str(session.prefix))
    pids = []
    for entry in Path("/proc").iterdir():
        if not entry.name.isdigit():
            continue
        try:
            if prefix_marker not in (entry / "environ").read_bytes().split(b"\0"):
                continue
            maps = (entry / "maps").read_text(errors="replace")
        except OSError:
            continue
        for line in maps.splitlines():
            fields = line.split(None, 5)
            if len(fields) < 6 or fields[4] != str(target.st_ino):
                continue
            try:
                mapped = os.stat(fields[5])
            except OSError:
                continue
            if (mapped.st_dev, mapped.st_ino) == (target.st_dev, target.st_ino):
                pids.append(int(entry.name))
                break
    return sorted(pids)


def status_kib(pid, field):
    """A "kB" field of /proc/<pid>/status (VmRSS, VmHWM, ...)."""
    for line in Path(f"/proc/{pid}/status").read_text().splitlines():
        name, value = (line.split(":", 1) + [""])[:2]
        if name == field:
            number, unit = value.split()
            assert unit == "kB", line
            return int(number)
    raise KeyError(f"{field} not in /proc/{pid}/status")


class ChangeWatch(FileEventWatch):
    """Collects inotify events that change one name in a directory: data
    written or truncated, attributes set, the name created, removed or
    renamed.

    A refused open is not a change: when the program's CreateFileA is
    refused because another process holds the file, the Wine server has
    already opened the Linux file for writing and closes it again, which
    inotify reports as IN_OPEN and IN_CLOSE_WRITE (WriteCounter counts
    that as a write) although nothing was written. Writes are distinguished
    from refused opens by IN_MODIFY, which only a write or a truncation
    raises."""

    IN_MODIFY = 0x00000002
    IN_ATTRIB = 0x00000004
    IN_MOVED_FROM = 0x00000040
    IN_MOVED_TO = 0x00000080
    IN_CREATE = 0x00000100
    IN_DELETE = 0x00000200
    MASK = IN_MODIFY | IN_ATTRIB | IN_MOVED_FROM | IN_MOVED_TO | IN_CREATE | IN_DELETE
    NAMES = {IN_MODIFY: "modify", IN_ATTRIB: "attrib", IN_MOVED_FROM: "moved-from",
             IN_MOVED_TO: "moved-to", IN_CREATE: "create", IN_DELETE: "delete"}

    def __init__(self, directory, name):
        super().__init__(directory, name, self.MASK)

    def changes(self):
        """Names of the changes seen since the last call."""
        return [text for mask in self.events() for bit, text in self.NAMES.items()
                if mask & bit]


class PressingTestCase(ProgramTestCase):
    """Presses the button in bursts of real clicks with the pointer left on it."""

    def start_and_aim(self):
        window = self.start()
        _, button = self.controls()
        self.assertIsNotNone(button, "no button")
        x, y = self.session.to_x(*button.rect.center)
        self.session._xdotool("mousemove", x, y, "sleep", 0.05)
        return window

    def burst(self, clicks):
        subprocess.run(["xdotool", "click", "--repeat", str(clicks), "--delay",
                        str(CLICK_DELAY_MS), "1"], env=self.session.x_env, check=True,
                       timeout=60, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL)

    def burst_that_writes(self, clicks):
        """One burst; every click must add exactly one write."""
        before = self.writes.count()
        self.burst(clicks)
        self.writes.wait_for(before + clicks, WRITE_TIMEOUT)
        after = self.writes.settle(quiet=0.3)
        self.assertEqual(after - before, clicks,
                         f"{clicks} clicks made {after - before} writes")
        self.assertEqual(self.log_path.read_bytes(), LOG_BYTES)

    def burst_that_changes_nothing(self, clicks):
        """One burst while the log cannot be written: the name is neither
        written, truncated, replaced nor removed, and nothing inside it
        changes. Returns how many open-for-write-and-close events inotify
        reported (refused opens; see ChangeWatch)."""
        before_stat = os.stat(self.log_path)
        before = self.writes.settle(quiet=0.3)
        watch = ChangeWatch(self.session.drive_c, "flag.txt")
        try:
            self.burst(clicks)
            after = self.writes.settle(quiet=0.7)
            changes = watch.changes()
        finally:
            watch.close()
        self.assertEqual(changes, [], "a click changed the log although it could not be written")
        after_stat = os.stat(self.log_path)
        self.assertEqual((after_stat.st_ino, after_stat.st_mtime_ns, after_stat.st_size),
                         (before_stat.st_ino, before_stat.st_mtime_ns, before_stat.st_size))
        return after - before

    def assert_answering(self):
        try:
            self.session.send(self.window.hwnd, WM_NULL, timeout=ANSWER_TIMEOUT)
        except harness.ProbeError as e:
            self.fail(f"the window does not answer within {ANSWER_TIMEOUT}s: {e}")
        self.assertTrue(self.program.running, "the program ended")

    def assert_only_the_main_window(self):
        self.assertFalse(self.session.message_boxes(), "a message box appeared")
        windows = self.session.top_level_windows(self.program.pid, visible_only=False)
        shown = [w.hwnd for w in windows if w.visible]
        self.assertEqual(shown, [self.window.hwnd], "a top-level window besides \"Hint\"")
        # user32 gives every GUI thread a hidden "Default IME" window; that one
        # belongs to the system, anything else hidden would be the program's.
        hidden = [(w.class_name, w.text) for w in windows
                  if not w.visible and w.class_name != b"IME"]
        self.assertEqual(hidden, [], "a hidden top-level window besides \"Hint\"")


class SoakTest(PressingTestCase):
    def test_two_thousand_clicks_in_one_run(self):
        self.start_and_aim()
        linux_pids = linux_pids_running(self.session, self.exe)
        self.assertEqual(len(linux_pids), 1,
                         f"expected one Linux process running {self.exe}: {linux_pids}")
        linux_pid = linux_pids[0]
        self.assertNotEqual(linux_pid, self.program.unix_pid,
                            "the started Linux process is the probe, not the program")
        print(f"\nLinux pid of hint.exe: {linux_pid} (probe exec: {self.program.unix_pid})")

        clicks = 0
        pressing = 0.0
        rss_after_first = None
        while clicks < SOAK_CLICKS:
            started = time.monotonic()
            self.burst_that_writes(BURST)
            pressing += time.monotonic() - started
            clicks += BURST
            self.assertEqual(self.writes.count(), clicks)
            self.assert_answering()
            self.assert_only_the_main_window()
            if clicks == BURST:
                rss_after_first = status_kib(linux_pid, "VmRSS")

        rss_after_all = status_kib(linux_pid, "VmRSS")
        growth = rss_after_all - rss_after_first
        print(f"VmRSS after {BURST} clicks: {rss_after_first} KiB, after {clicks}: "
              f"{rss_after_all} KiB, growth {growth} KiB (VmHWM "
              f"{status_kib(linux_pid, 'VmHWM')} KiB)")
        print(f"{clicks} clicks in {pressing:.1f}s of pressing: {clicks / pressing:.1f} clicks/s "
              f"({CLICK_DELAY_MS} ms between clicks)")
        self.assertEqual(self.writes.settle(), SOAK_CLICKS)
        self.assertLessEqual(growth, RSS_GROWTH_LIMIT_KIB,
                             f"resident memory grew by {growth} KiB")

        self.session.key("Escape")
        self.assertEqual(self.wait_exit(), 0)


class ObstacleTest(PressingTestCase):
    ROUNDS = 3
    CLICKS = 20

    def test_held_file_then_directory_then_nothing_in_the_way(self):
        self.start_and_aim()
        for round in range(self.ROUNDS):
            self.burst_that_writes(self.CLICKS)

            # Another process holds the file open and lets nobody else in.
            self.log_path.write_bytes(HELD_BYTES)
            with self.session.hold_file(self.log_path):
                refused = self.burst_that_changes_nothing(self.CLICKS)
                self.assertEqual(self.log_path.read_bytes(), HELD_BYTES)
                if round == 0:
                    print(f"\nheld file: {self.CLICKS} clicks changed nothing; inotify saw "
                          f"{refused} open-for-write/close pairs of the refused opens")
                self.assert_only_the_main_window()
                self.assert_answering()
            self.assertEqual(self.log_path.read_bytes(), HELD_BYTES)
            # The holder opened the file for writing; the server's close of
            # it may come just after the holder ended, so wait for quiet.
            self.writes.settle(quiet=0.5)
            # Writes resume at once, and no click of the held phase comes late.
            self.burst_that_writes(self.CLICKS)

            self.log_path.unlink()
            self.log_path.mkdir()
            self.assertEqual(self.burst_that_changes_nothing(self.CLICKS), 0,
                             "a directory cannot be opened for writing")
            self.assertTrue(self.log_path.is_dir())
            self.assertEqual(list(self.log_path.iterdir()), [])
            self.assert_only_the_main_window()
            self.assert_answering()
            self.log_path.rmdir()
            self.burst_that_writes(self.CLICKS)
            self.assert_only_the_main_window()

        self.session.key("Escape")
        self.assertEqual(self.wait_exit(), 0)


if __name__ == "__main__":
    main()
