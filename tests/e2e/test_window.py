"""The main window as a user sees it: place, frame, look, focus and keys."""

import time

import harness
from hint_program import *  # noqa: F403


class WindowFrameTest(ProgramTestCase):
    def test_centred_with_its_declared_outer_size_and_caption(self):
        window = self.start()
        self.assertEqual(window.text, TITLE)
        self.assertEqual((window.rect.left, window.rect.top), (380, 330))
        self.assertEqual((window.rect.width, window.rect.height), (263, 108))

    def test_style_of_a_fixed_frame_with_minimise_and_close_only(self):
        window = self.start()
        wanted = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN | WS_VISIBLE
        # The platform adds WS_CLIPSIBLINGS to every top-level window.
        self.assertEqual(window.style & ~WS_CLIPSIBLINGS, wanted, hex(window.style))
        self.assertFalse(window.style & WS_MAXIMIZEBOX)
        self.assertFalse(window.style & WS_THICKFRAME)
        self.assertFalse(window.exstyle & (WS_EX_TOPMOST | WS_EX_TOOLWINDOW), hex(window.exstyle))
        self.assertEqual(window.owner, 0)
        self.assertEqual(window.class_style, CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS)

    def test_class_cursor_brush_and_icons_seen_inside_the_process(self):
        window = self.start()
        report = self.session.inspect(self.program.pid)
        own = report["windows"][window.hwnd]
        self.assertEqual(own["cursor_arrow"], "yes")
        self.assertEqual(own["brush"], "0", "no class background brush")
        self.assertEqual(own["icon_big"], "32x32")
        self.assertEqual(own["icon_small"], "16x16")

    def test_client_area_is_button_face(self):
        window = self.start()
        face = self.session.button_face()
        screen = self.session.screenshot()
        client = window.client
        # Points of the client area that no control covers.
        for x, y in ((client.left + 2, client.top + 40), (client.left + 100, client.bottom - 3),
                     (client.right - 3, client.top + 36), (client.left + 150, client.top + 2)):
            self.assertEqual(screen.pixel(x, y), face, (x, y))

    def test_edges_do_not_resize_and_the_title_does_not_maximise(self):
        window = self.start()
        rect = window.rect
        # The frame answers as a border, not as a sizing edge.
        for x, y in ((rect.right - 1, rect.top + 50), (rect.left + 100, rect.bottom - 1)):
            hit = self.session.send(window.hwnd, WM_NCHITTEST, 0, (y << 16) | x)
            self.assertNotIn(hit, range(10, 18), (x, y))
        self.session.mouse_down(rect.right - 1, rect.top + 50)
        self.session.mouse_up(rect.right + 60, rect.top + 80)
        caption_point = (rect.left + 60, rect.top + 10)
        self.assertEqual(self.session.send(window.hwnd, WM_NCHITTEST, 0,
                                           (caption_point[1] << 16) | caption_point[0]),
                         HTCAPTION)
        self.session.click(*caption_point, repeat=2)
        time.sleep(0.5)
        after = self.session.window(window.hwnd)
        self.assertEqual((after.rect.width, after.rect.height), (263, 108))


class FocusAndKeysTest(ProgramTestCase):
    def test_focus_starts_on_the_button_and_tab_keeps_it_there(self):
        self.start()
        _, button = self.controls()
        self.assertEqual(self.session.focus(self.window.hwnd), button.hwnd)
        for keys in (("Tab",), ("shift+Tab",), ("Tab", "Tab", "Tab")):
            self.session.key(*keys)
            time.sleep(0.2)
            self.assertEqual(self.session.focus(self.window.hwnd), button.hwnd, keys)

    def test_focus_returns_to_the_button_after_minimise_and_restore(self):
        window = self.start()
        _, button = self.controls()
        SC_MINIMIZE, SC_RESTORE = 0xF020, 0xF120
        self.session.post(window.hwnd, WM_SYSCOMMAND, SC_MINIMIZE, 0)
        minimised = harness.wait_until(
            lambda: self.session.window(window.hwnd).rect.left < -1000 or
            self.session.window(window.hwnd).style & 0x20000000, 5)
        self.assertTrue(minimised, "the window did not minimise")
        self.session.post(window.hwnd, WM_SYSCOMMAND, SC_RESTORE, 0)
        restored = harness.wait_until(
            lambda: self.session.window(window.hwnd).rect.left == 380, 5)
        self.assertTrue(restored, "the window did not come back")
        self.assertTrue(harness.wait_until(
            lambda: self.session.focus(window.hwnd) == button.hwnd, 5),
            "the focus is not back on the button")

    def test_enter_and_f1_do_nothing(self):
        self.start()
        _, button = self.controls()
        self.session.key("Return")
        self.session.key("F1")
        self.assert_still_running()
        self.assertEqual(self.writes.settle(), 0)
        self.assertEqual(self.session.focus(self.window.hwnd), button.hwnd)
        self.assertEqual([w.hwnd for w in self.session.top_level_windows(self.program.pid)],
                         [self.window.hwnd], "no other window may appear")


if __name__ == "__main__":
    main()
