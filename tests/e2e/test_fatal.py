"""A program file whose window description is missing or damaged shows the
fatal error box with its exact text and ends with exit code -1 (255 as Wine
passes it on)."""


from hint_program import *  # noqa: F403

BOX_TITLE = "错误".encode("cp936")
UNREADABLE = ("运行时出错!\r\n\r\n错误信息：载入窗口模板数据段出错!\r\n\r\n0, 0\r\n").encode("cp936")
# The description holds no window 0x52010001, so the detail says so.
NO_START_WINDOW = ("运行时出错!\r\n\r\n错误信息：载入启动窗口失败\r\n\r\n1375797249, 0\r\n"
                   "未找到所指定的窗口\r\n").encode("cp936")


class FatalErrorTest(ProgramTestCase):
    def expect_fatal_box(self, exe, text):
        self.program = self.session.launch(exe)
        box = self.session.wait_message_box(self.program.pid, timeout=20)
        self.assertIsNotNone(box, "no error box appeared")
        self.assertEqual(box.title, BOX_TITLE)
        self.assertEqual(box.text, text)
        self.assertEqual([b.id for b in box.buttons], [1], "a single OK button")
        self.assertIsNone(self.session.find_window(TITLE, timeout=0, pid=self.program.pid))
        self.session.press_ok(box.hwnd, real_input=True)
        self.assertEqual(self.wait_exit(), 255)
        self.assertFalse(self.log_path.exists(), "nothing may be written")

    def test_description_removed(self):
        self.expect_fatal_box(self.copy_with(None, "removed"), UNREADABLE)

    def test_description_truncated(self):
        data = self.description()
        self.expect_fatal_box(self.copy_with(data[: len(data) // 2], "truncated"), UNREADABLE)

    def test_description_naming_an_unknown_handler(self):
        data = self.description().replace(b"event 0 WriteLog", b"event 0 WriteLogX")
        self.expect_fatal_box(self.copy_with(data, "handler"), UNREADABLE)

    def test_description_with_a_zero_byte(self):
        data = bytearray(self.description())
        data[len(data) // 3] = 0
        self.expect_fatal_box(self.copy_with(bytes(data), "zero"), UNREADABLE)

    def test_description_without_the_start_window(self):
        data = self.description().replace(b"window 0x52010001", b"window 0x52010002")
        self.expect_fatal_box(self.copy_with(data, "nowindow"), NO_START_WINDOW)


if __name__ == "__main__":
    main()
