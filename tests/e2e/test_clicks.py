"""Presses of the button write the log file, once per completed press."""

import time

import harness
from hint_program import *  # noqa: F403



class ClicksTest(ProgramTestCase):
    def button_centre(self):
        _, button = self.controls()
        return button.rect.center

    def assert_log_written(self):
        self.assertEqual(self.log_path.read_bytes(), LOG_BYTES)

    def test_one_click_writes_the_22_bytes(self):
        self.start()
        self.session.click(*self.button_centre())
        self.assertEqual(self.writes.wait_for(1), 1)
        self.assert_log_written()
        self.assertEqual(self.writes.settle(), 1)

    def test_n_clicks_make_n_writes_and_the_file_stays_22_bytes(self):
        self.start()
        centre = self.button_centre()
        for n in range(1, 7):
            self.session.click(*centre)
            self.assertEqual(self.writes.wait_for(n), n)
            self.assert_log_written()
        self.assertEqual(self.writes.settle(), 6)

    def test_a_double_click_is_two_clicks(self):
        self.start()
        self.session.click(*self.button_centre(), repeat=2)
        self.assertEqual(self.writes.wait_for(2), 2)
        self.assertEqual(self.writes.settle(), 2)

    def test_pressing_then_leaving_the_button_before_release_writes_nothing(self):
        self.start()
        x, y = self.button_centre()
        self.session.mouse_down(x, y)
        self.session.move(x - 80, y - 25)
        self.session.mouse_up()
        self.assertEqual(self.writes.settle(), 0)
        self.assertFalse(self.log_path.exists())

    def test_space_presses_the_focused_button_once_on_release(self):
        self.start()
        self.session.key_down("space")
        time.sleep(0.3)
        self.assertEqual(self.writes.count(), 0, "no write before Space is released")
        self.session.key_up("space")
        self.assertEqual(self.writes.wait_for(1), 1)
        self.assert_log_written()

    def test_holding_space_down_presses_once(self):
        self.start()
        # Held past the keyboard's repeat delay, the key sends repeated
        # key-down events; extra key-down events are sent on top of those.
        self.session.key_down("space")
        time.sleep(1.2)
        for _ in range(5):
            self.session.key_down("space")
            time.sleep(0.05)
        self.assertEqual(self.writes.count(), 0, "no write while Space is held")
        self.session.key_up("space")
        self.assertEqual(self.writes.wait_for(1), 1)
        self.assertEqual(self.writes.settle(), 1)

    def test_enter_writes_nothing(self):
        self.start()
        self.session.key("Return")
        self.assertEqual(self.writes.settle(), 0)

    def test_a_click_on_the_label_does_nothing(self):
        self.start()
        label, button = self.controls()
        self.session.click(*label.rect.center)
        self.assertEqual(self.writes.settle(), 0)
        self.assertEqual(self.session.focus(self.window.hwnd), button.hwnd)

    def test_a_directory_in_the_way_fails_silently_and_the_next_click_after_writes(self):
        self.log_path.mkdir()
        self.start()
        centre = self.button_centre()
        self.session.click(*centre)
        time.sleep(0.5)
        self.assertTrue(self.log_path.is_dir())
        self.assertEqual([w.hwnd for w in self.session.top_level_windows(self.program.pid)],
                         [self.window.hwnd], "a failed write must show nothing")
        self.log_path.rmdir()
        self.session.click(*centre)
        self.assertTrue(harness.wait_until(lambda: self.log_path.is_file(), 5))
        self.assertEqual(self.writes.wait_for(1), 1)
        self.assert_log_written()

    def test_a_file_held_open_elsewhere_is_left_alone(self):
        self.log_path.write_bytes(b"kept")
        self.start()
        centre = self.button_centre()
        with self.session.hold_file(self.log_path):
            self.session.click(*centre)
            time.sleep(0.5)
            self.assertEqual(self.log_path.read_bytes(), b"kept")
            self.assertFalse(self.session.message_boxes())
        # The set-up wrote the file and the holder may have opened it for
        # writing too: count from here.
        before = self.writes.settle()
        self.session.click(*centre)
        self.assertEqual(self.writes.wait_for(before + 1), before + 1)
        self.assert_log_written()

    def test_a_read_only_file_is_left_alone(self):
        self.log_path.write_bytes(b"read only")
        self.start()
        # Wine shows a file without write permission as read-only.
        self.log_path.chmod(0o444)
        self.session.click(*self.button_centre())
        time.sleep(0.5)
        if self.log_path.read_bytes() == LOG_BYTES:
            self.skipTest("Wine run as root opens read-only files for writing; Windows refuses")
        self.assertEqual(self.log_path.read_bytes(), b"read only")


class DisabledButtonTest(ProgramTestCase):
    def test_a_button_declared_disabled_takes_no_focus_and_no_click(self):
        description = self.description()
        button_block = description.index(b"item 0x16010002 button")
        at = description.index(b"disabled off", button_block)
        damaged = description[:at] + b"disabled on " + description[at + len(b"disabled off"):]
        self.start(self.copy_with(damaged, "disabled"))
        _, button = self.controls()
        self.assertFalse(button.enabled)
        self.assertTrue(button.style & WS_DISABLED)
        self.assertNotEqual(self.session.focus(self.window.hwnd), button.hwnd)
        self.session.click(*button.rect.center)
        self.session.key("space")
        self.assertEqual(self.writes.settle(), 0)
        self.assertFalse(self.log_path.exists())


if __name__ == "__main__":
    main()
