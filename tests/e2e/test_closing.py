"""Every way of closing the window ends the program with exit code 0, without
a question; other keys leave it open."""

import time

import harness
from hint_program import *  # noqa: F403


class ClosingTest(ProgramTestCase):
    def close_and_expect(self, close, code=0):
        self.start()
        close()
        self.assertEqual(self.wait_exit(), code)
        self.assertFalse(self.session.message_boxes(), "closing must ask nothing")

    def test_escape(self):
        self.close_and_expect(lambda: self.session.key("Escape"))

    def test_alt_f4(self):
        self.close_and_expect(lambda: self.session.key("alt+F4"))

    def test_close_button(self):
        def click_close_button():
            rect = self.window.rect
            # Find the close button where the frame says it is.
            y = rect.top + 10
            for x in range(rect.right - 2, rect.right - 60, -1):
                if self.session.send(self.window.hwnd, WM_NCHITTEST, 0, (y << 16) | x) == HTCLOSE:
                    self.session.click(x - 3, y)
                    return
            self.fail("no close button in the title bar")
        self.close_and_expect(click_close_button)

    def test_close_on_the_window_menu(self):
        def close_from_menu():
            self.session.key("alt+space")
            time.sleep(0.5)
            # The window menu's Close entry has C as its access key.
            self.session.key("c")
        self.close_and_expect(close_from_menu)

    def test_close_command(self):
        self.close_and_expect(
            lambda: self.session.post(self.window.hwnd, WM_SYSCOMMAND, SC_CLOSE, 0))

    def test_escape_with_a_modifier_does_not_close(self):
        self.start()
        for keys in ("ctrl+Escape", "shift+Escape"):
            self.session.key(keys)
            self.assert_still_running()
        # The Alt+Esc window switch may leave another window active; the
        # program must still be open afterwards.
        self.session.key("alt+Escape")
        self.assert_still_running()

    def test_a_quit_request_from_outside_ends_with_its_code(self):
        self.start()
        self.session.post_thread(self.window.hwnd, WM_QUIT, 7, 0)
        self.assertEqual(self.wait_exit(), 7)

    def test_logoff_is_agreed_to_without_a_question(self):
        self.start()
        answer = self.session.send(self.window.hwnd, WM_QUERYENDSESSION, 0, 0)
        self.assertNotEqual(answer, 0)
        self.session.send(self.window.hwnd, WM_ENDSESSION, 1, 0)
        self.assert_still_running(0.3)
        self.assertFalse(self.session.message_boxes(self.program.pid))


if __name__ == "__main__":
    main()
