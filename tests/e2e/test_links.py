"""C:\\flag.txt as a symbolic link on the Linux side of drive C: to a file
outside drive_c, to a missing file and to a directory. Under Wine the link is
invisible to the program, so these record what a press does to the link and
to its target, and check that the result is one of the consistent ones: the
22 bytes readable as C:\\flag.txt, written either through the link into the
target or into a regular file that replaced the link."""

import os
import time

import harness
from hint_program import *  # noqa: F403
from write_counter import WriteCounter

TARGET_BYTES = b"the link's target, outside drive_c\n"
INSIDE_BYTES = b"a file inside the linked directory\n"
CLICKS = 2


class LinkTest(ProgramTestCase):
    def setUp(self):
        # A link left behind is not removed by the common set-up, which
        # looks through links.
        link = self.session.drive_c / "flag.txt"
        if link.is_symlink():
            link.unlink()
        super().setUp()
        self.outside = self.session.tmp / f"links-{os.getpid()}-{self._testMethodName}"
        self.remove_outside()
        self.outside.mkdir()
        self.addCleanup(self.remove_outside)
        self.outside_writes = None

    def watch_outside(self):
        """Counts writes of the target: writes through the link land in the
        target's directory, which the counter on drive_c does not see."""
        self.outside_writes = WriteCounter(self.outside, "target")
        self.addCleanup(self.outside_writes.close)

    def remove_outside(self):
        if not self.outside.exists():
            return
        for entry in self.outside.iterdir():
            if entry.is_dir() and not entry.is_symlink():
                for inner in entry.iterdir():
                    inner.unlink()
                entry.rmdir()
            else:
                entry.unlink()
        self.outside.rmdir()

    def tearDown(self):
        if self.log_path.is_symlink():
            self.log_path.unlink()
        super().tearDown()

    def press(self, clicks=CLICKS):
        self.start()
        _, button = self.controls()
        for _ in range(clicks):
            self.session.click(*button.rect.center)
        # Both counters are read after the program had time for every click.
        time.sleep(0.3)
        self.writes.settle()
        self.outside_writes.settle()
        self.assertTrue(self.program.running, "the program ended")
        self.assertFalse(self.session.message_boxes(), "a message box appeared")
        self.assertEqual([w.hwnd for w in self.session.top_level_windows(self.program.pid)],
                         [self.window.hwnd])

    def assert_followed_or_replaced(self, what, target, target_before):
        """The 22 bytes are C:\\flag.txt's content, and either the link still
        stands and its target took them, or a regular file replaced the link
        and the target is as it was. Returns which of the two happened."""
        self.assertTrue(os.path.lexists(self.log_path), "C:\\flag.txt is gone")
        self.assertEqual(self.log_path.read_bytes(), LOG_BYTES,
                         "C:\\flag.txt does not hold the 22 bytes")
        if self.log_path.is_symlink():
            self.assertEqual(os.readlink(self.log_path), str(target))
            self.assertTrue(target.is_file() and not target.is_symlink())
            self.assertEqual(target.read_bytes(), LOG_BYTES)
            self.assertEqual(self.outside_writes.count(), CLICKS,
                             "one write into the target per click")
            self.assertEqual(self.writes.count(), 0)
            outcome = "FOLLOWED"
            print(f"\n{what}: FOLLOWED - the link stays, each press wrote through it into "
                  f"the target {target}, which now holds the 22 bytes "
                  f"({self.outside_writes.count()} writes for {CLICKS} clicks)")
        else:
            self.assertTrue(self.log_path.is_file(), "C:\\flag.txt is not a regular file")
            if target_before is None:
                self.assertFalse(os.path.lexists(target), "the missing target was created")
            else:
                self.assertEqual(target.read_bytes(), target_before)
            self.assertEqual(self.outside_writes.count(), 0)
            self.assertEqual(self.writes.count(), CLICKS)
            outcome = "REPLACED"
            print(f"\n{what}: REPLACED - the link was replaced by a regular file "
                  f"holding the 22 bytes; the target is untouched")
        return outcome

    def test_link_to_a_file_outside_drive_c(self):
        target = self.outside / "target"
        target.write_bytes(TARGET_BYTES)
        self.watch_outside()
        self.log_path.symlink_to(target)
        self.press()
        self.assert_followed_or_replaced("link to a file outside drive_c", target,
                                         TARGET_BYTES)

    def test_dangling_link(self):
        target = self.outside / "target"
        self.watch_outside()
        self.log_path.symlink_to(target)
        self.assertFalse(self.log_path.exists())
        self.press()
        if not os.path.lexists(target) and self.log_path.is_symlink():
            self.skipTest("dangling link: Wine refused the write (the link stays dangling "
                          "and no target was created), so there is nothing to read")
        self.assert_followed_or_replaced("dangling link (target missing)", target, None)

    def test_link_to_a_directory(self):
        directory = self.outside / "directory"
        directory.mkdir()
        (directory / "inside.txt").write_bytes(INSIDE_BYTES)
        self.watch_outside()
        self.log_path.symlink_to(directory, target_is_directory=True)
        before = [os.stat(p).st_mtime_ns for p in (directory, directory / "inside.txt")]
        self.press()
        # The directory and what is in it are never touched.
        self.assertTrue(directory.is_dir())
        self.assertEqual([os.stat(p).st_mtime_ns for p in (directory, directory / "inside.txt")],
                         before)
        self.assertEqual(sorted(p.name for p in directory.iterdir()), ["inside.txt"])
        self.assertEqual((directory / "inside.txt").read_bytes(), INSIDE_BYTES)
        if self.log_path.is_symlink():
            self.assertEqual(os.readlink(self.log_path), str(directory))
            self.assertEqual(self.writes.count(), 0)
            print("\nlink to a directory: REFUSED - every press failed silently, the link "
                  "and the directory are unchanged")
            # Without the link in the way the next press writes again.
            self.log_path.unlink()
            _, button = self.controls()
            self.session.click(*button.rect.center)
            self.assertEqual(self.writes.wait_for(1), 1)
            self.assertEqual(self.log_path.read_bytes(), LOG_BYTES)
        else:
            self.assertTrue(self.log_path.is_file())
            self.assertEqual(self.log_path.read_bytes(), LOG_BYTES)
            self.assertEqual(self.writes.count(), CLICKS)
            print("\nlink to a directory: REPLACED - the link was replaced by a regular file "
                  "holding the 22 bytes; the directory is untouched")


if __name__ == "__main__":
    main()
