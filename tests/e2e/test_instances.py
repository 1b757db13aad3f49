"""Two copies of the program at once: each has its own window, each press
in either writes the log once, and closing one leaves the other working."""

import ctypes
import ctypes.util
import errno
import os
import struct
import subprocess
import time

import harness
from hint_program import *  # noqa: F403
from test_soak import linux_pids_running

WM_NULL = 0x0000
ROUNDS = 4


class WriterWatch:
    """Which Linux processes wrote to one name in a directory (fanotify
    FAN_MODIFY, which carries the writer's pid). Under Wine the program
    itself writes through the descriptor the server hands it, so the pid
    is that of the program's own Linux process. Needs CAP_SYS_ADMIN."""

    FAN_CLOEXEC = 0x1
    FAN_NONBLOCK = 0x2
    FAN_CLASS_NOTIF = 0x0
    FAN_MARK_ADD = 0x1
    FAN_MODIFY = 0x2
    FAN_Q_OVERFLOW = 0x4000
    FAN_EVENT_ON_CHILD = 0x08000000
    AT_FDCWD = -100
    # struct fanotify_event_metadata { u32 event_len; u8 vers; u8 reserved;
    #                                  u16 metadata_len; u64 mask; s32 fd; s32 pid; }
    _META = struct.Struct("=IBBHQii")

    def __init__(self, directory, name):
        libc = ctypes.CDLL(ctypes.util.find_library("c") or "libc.so.6", use_errno=True)
        libc.fanotify_init.argtypes = [ctypes.c_uint, ctypes.c_uint]
        libc.fanotify_mark.argtypes = [ctypes.c_int, ctypes.c_uint, ctypes.c_uint64,
                                       ctypes.c_int, ctypes.c_char_p]
        self._path = os.path.join(os.fsdecode(str(directory)), name)
        self._fd = libc.fanotify_init(self.FAN_CLASS_NOTIF | self.FAN_CLOEXEC |
                                      self.FAN_NONBLOCK, os.O_RDONLY)
        if self._fd < 0:
            raise OSError(ctypes.get_errno(), "fanotify_init")
        if libc.fanotify_mark(self._fd, self.FAN_MARK_ADD,
                              self.FAN_MODIFY | self.FAN_EVENT_ON_CHILD, self.AT_FDCWD,
                              os.fsencode(str(directory))) < 0:
            err = ctypes.get_errno()
            self.close()
            raise OSError(err, "fanotify_mark", str(directory))

    def writers(self):
        """The set of pids that wrote the file since the last call."""
        data = b""
        while True:
            try:
                chunk = os.read(self._fd, 65536)
            except BlockingIOError:
                break
            except OSError as e:
                if e.errno == errno.EINTR:
                    continue
                raise
            if not chunk:
                break
            data += chunk
        pids = set()
        offset = 0
        while offset + self._META.size <= len(data):
            length, _, _, _, mask, fd, pid = self._META.unpack_from(data, offset)
            offset += length
            if mask & self.FAN_Q_OVERFLOW:
                raise RuntimeError("fanotify queue overflowed")
            if fd < 0:
                continue
            try:
                path = os.readlink(f"/proc/self/fd/{fd}")
            finally:
                os.close(fd)
            if path == self._path:
                pids.add(pid)
        return pids

    def close(self):
        fd, self._fd = self._fd, -1
        if fd >= 0:
            os.close(fd)


class Instance:
    def __init__(self, program, window, linux_pid):
        self.program = program
        self.window = window
        self.linux_pid = linux_pid


class TwoInstancesTest(ProgramTestCase):
    def setUp(self):
        super().setUp()
        self.instances = []
        self.addCleanup(self.kill_instances)

    def kill_instances(self):
        for instance in self.instances:
            instance.program.kill()

    def launch_instance(self):
        before = set(linux_pids_running(self.session, self.exe))
        program = self.session.launch(self.exe)
        window = self.session.find_window(TITLE, timeout=20, pid=program.pid)
        self.assertIsNotNone(window, "the window \"Hint\" did not appear")
        harness.wait_until(lambda: self.session.focus(window.hwnd) != 0, 5)
        new = set(linux_pids_running(self.session, self.exe)) - before
        self.assertEqual(len(new), 1, f"new Linux processes running the program: {new}")
        instance = Instance(program, window, new.pop())
        self.instances.append(instance)
        return instance

    def button_of(self, instance):
        buttons = [c for c in self.session.children(instance.window.hwnd)
                   if c.text == BUTTON_TEXT]
        self.assertEqual(len(buttons), 1)
        return buttons[0]

    def start_two_side_by_side(self):
        """Starts two copies; both open at the same place, so the second,
        on top, is dragged by its title bar until it no longer covers the
        first."""
        first = self.launch_instance()
        second = self.launch_instance()
        self.assertNotEqual(first.program.pid, second.program.pid)
        self.assertNotEqual(first.window.hwnd, second.window.hwnd)
        titled = sorted(w.hwnd for w in self.session.top_level_windows() if w.text == TITLE)
        self.assertEqual(titled, sorted([first.window.hwnd, second.window.hwnd]))
        for instance in (first, second):
            self.assertEqual(
                [w.hwnd for w in self.session.top_level_windows(instance.program.pid)],
                [instance.window.hwnd])

        rect = second.window.rect
        caption_y = (rect.top + second.window.client.top) // 2
        x = rect.left + rect.width // 3
        shift = rect.width + 40
        self.session.mouse_down(x, caption_y)
        for step in range(1, 11):
            self.session.move(x - shift * step // 10, caption_y)
        self.session.mouse_up()

        def moved():
            now = self.session.window(second.window.hwnd)
            return now if now.rect.right <= first.window.rect.left else None
        moved_window = harness.wait_until(moved, 5)
        if moved_window is None:
            self.skipTest("dragging the title bar did not move the window under Wine; "
                          "the two windows still overlap")
        second.window = moved_window
        return first, second

    def assert_both_open_and_answering(self, instances):
        for instance in instances:
            self.assertTrue(instance.program.running, f"pid {instance.program.pid} ended")
            try:
                self.session.send(instance.window.hwnd, WM_NULL, timeout=5)
            except harness.ProbeError as e:
                self.fail(f"window of pid {instance.program.pid} does not answer: {e}")
        self.assertFalse(self.session.message_boxes(), "a message box appeared")

    def click_and_expect_one_write(self, instance, expected, writers=None):
        self.session.click(*self.button_of(instance).rect.center)
        self.assertEqual(self.writes.wait_for(expected), expected)
        self.assertEqual(self.writes.settle(quiet=0.3), expected,
                         "one click made more than one write")
        self.assertEqual(self.log_path.read_bytes(), LOG_BYTES)
        # The click went to the window under the pointer, which it activates.
        self.assertEqual(self.session.foreground(), instance.window.hwnd)
        if writers is not None:
            self.assertEqual(writers.writers(), {instance.linux_pid},
                             f"the write should come from pid {instance.linux_pid} only")

    def press_in_turn(self, first, second, writers=None):
        count = 0
        for _ in range(ROUNDS):
            for instance in (first, second):
                count += 1
                self.click_and_expect_one_write(instance, count, writers)
                self.assert_both_open_and_answering((first, second))
        return count

    def test_both_write_in_turn_and_closing_one_leaves_the_other(self):
        first, second = self.start_two_side_by_side()
        count = self.press_in_turn(first, second)

        # Esc goes to the active window: the second copy, clicked last.
        self.session.key("Escape")
        try:
            code = second.program.wait(10)
        except subprocess.TimeoutExpired:
            self.fail("Esc did not end the active copy")
        self.assertEqual(code, 0)
        time.sleep(0.5)
        self.assert_both_open_and_answering((first,))
        self.assertIsNotNone(self.session.window(first.window.hwnd))
        count += 1
        self.click_and_expect_one_write(first, count)

        self.session.post(first.window.hwnd, WM_SYSCOMMAND, SC_CLOSE, 0)
        self.assertEqual(first.program.wait(10), 0)
        self.assertEqual(self.writes.settle(), count)

    def test_each_write_comes_from_the_copy_that_was_clicked(self):
        try:
            writers = WriterWatch(self.session.drive_c, "flag.txt")
        except OSError as e:
            self.skipTest(f"fanotify is not available here ({e}); it tells which process "
                          "wrote the file")
        self.addCleanup(writers.close)
        first, second = self.start_two_side_by_side()
        self.assertNotEqual(first.linux_pid, second.linux_pid)
        writers.writers()
        self.press_in_turn(first, second, writers)

        self.session.post(second.window.hwnd, WM_SYSCOMMAND, SC_CLOSE, 0)
        self.assertEqual(second.program.wait(10), 0)
        self.assertTrue(first.program.running)
        self.session.key("Escape")
        self.assertEqual(first.program.wait(10), 0)


if __name__ == "__main__":
    main()
