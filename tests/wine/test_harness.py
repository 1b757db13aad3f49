"""Self-test of the Wine harness: drives fixtures/sample_window.exe and console_echo.exe
through every part of harness.Session and checks what comes back against what the fixtures
are known to do.

Needs HINT_WINE_STATE, PROBE_EXE, INSPECT_DLL, SAMPLE_EXE and CONSOLE_EXE (CMake sets them).
"""

import os
import subprocess
import sys
import tempfile
import time
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from harness import (IDOK, RT_RCDATA, RT_STRING, WM_CLOSE, WM_GETTEXTLENGTH, WM_QUIT,  # noqa: E402
                     ProbeError, Rect, Session, wait_until)

TITLE = "样例".encode("cp936")
WRITE_LABEL = "写入".encode("cp936")
BOX_LABEL = "提示".encode("cp936")
BOX_TEXT = "你好，世界".encode("cp936")
STATUS_LABEL = "状态".encode("cp936")
EDIT_ID, WRITE_ID, BOX_ID, STATUS_ID = 101, 102, 103, 104
WS_VISIBLE = 0x10000000
WS_CAPTION = 0x00C00000
CS_HREDRAW_VREDRAW = 0x3
RED_SQUARE = Rect(250, 10, 290, 50)  # client coordinates, painted by the sample


class HarnessTestCase(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.session = Session.from_env()
        cls.sample = Path(os.environ["SAMPLE_EXE"])
        cls.console = Path(os.environ["CONSOLE_EXE"])

    @classmethod
    def tearDownClass(cls):
        cls.session.close()

    def out_file(self):
        path = self.session.tmp / f"{self.id().rsplit('.', 1)[-1]}.txt"
        if path.exists():
            path.unlink()
        return path

    def start_sample(self, out=None, direct=False):
        """Starts the sample; returns (program, main window, {control id: child})."""
        args = ["--out", self.session.winpath(out)] if out is not None else []
        program = self.session.launch(self.sample, *args, direct=direct)
        self.addCleanup(program.kill)
        window = self.session.find_window(TITLE, timeout=15, pid=program.pid)
        if window is None:
            windows = self.session.top_level_windows(pid=program.pid, visible_only=False)
            self.fail(f"the sample window did not appear; exit code {program.poll()}, "
                      f"windows {windows}, stderr {program.stderr_path.read_bytes()[-2000:]!r}")
        controls = {c.id: c for c in self.session.children(window.hwnd)}
        # Input is only meaningful once the window is active and its edit has the focus.
        self.assertTrue(wait_until(lambda: self.session.focus(window.hwnd) ==
                                   controls[EDIT_ID].hwnd, 5),
                        "the edit control never got the focus")
        return program, window, controls

    def control_text(self, window, control_id):
        return {c.id: c.text for c in self.session.children(window.hwnd)}.get(control_id)

    def read_when(self, path, expected, timeout=5.0):
        def content():
            try:
                text = path.read_text()
            except OSError:
                return None
            return text if text == expected else None
        got = wait_until(content, timeout)
        if got is None:
            self.fail(f"{path.name} holds {path.read_text() if path.exists() else None!r}, "
                      f"expected {expected!r}")
        return got


class WindowQueries(HarnessTestCase):
    def test_environment_uses_code_page_936(self):
        self.assertEqual(self.session.acp(), 936)

    def test_find_window_reports_title_class_and_geometry(self):
        program, window, _ = self.start_sample()
        self.assertEqual(window.text, TITLE)
        self.assertEqual(window.class_name, b"HintSample")
        self.assertEqual(window.pid, program.pid)
        self.assertEqual(window.class_style, CS_HREDRAW_VREDRAW)
        self.assertEqual(window.style & (WS_VISIBLE | WS_CAPTION), WS_VISIBLE | WS_CAPTION)
        self.assertEqual(window.rect, Rect(100, 100, 500, 300))
        self.assertTrue(window.rect.left < window.client.left < window.client.right
                        < window.rect.right)
        self.assertTrue(window.rect.top < window.client.top < window.client.bottom
                        < window.rect.bottom)
        again = self.session.window(window.hwnd)
        self.assertEqual(again.rect, window.rect)

    def test_find_window_returns_none_for_missing_title(self):
        started = time.monotonic()
        self.assertIsNone(self.session.find_window("不存在的窗口", timeout=0.3))
        self.assertLess(time.monotonic() - started, 5)

    def test_children_come_in_z_order_with_texts_and_geometry(self):
        _, window, _ = self.start_sample()
        kids = self.session.children(window.hwnd)
        self.assertEqual([k.id for k in kids], [EDIT_ID, WRITE_ID, BOX_ID, STATUS_ID])
        self.assertEqual([k.class_name for k in kids], [b"Edit", b"Button", b"Button", b"Static"])
        self.assertEqual([k.text for k in kids], [b"", WRITE_LABEL, BOX_LABEL, STATUS_LABEL])
        self.assertTrue(all(k.visible and k.enabled for k in kids))
        button = kids[1]
        self.assertEqual(button.prect, Rect(10, 44, 110, 72))
        self.assertEqual(button.rect, Rect(window.client.left + 10, window.client.top + 44,
                                           window.client.left + 110, window.client.top + 72))
        self.assertEqual(button.parent, window.hwnd)

    def test_top_level_windows_and_send(self):
        program, window, _ = self.start_sample()
        mine = self.session.top_level_windows(pid=program.pid)
        self.assertIn(window.hwnd, [w.hwnd for w in mine])
        self.assertTrue(all(w.visible for w in mine))
        self.assertEqual(self.session.message_boxes(pid=program.pid), [])
        self.assertEqual(self.session.send(window.hwnd, WM_GETTEXTLENGTH), len(TITLE))


class RealInput(HarnessTestCase):
    def test_click_on_button_runs_its_command(self):
        out = self.out_file()
        _, window, controls = self.start_sample(out)
        button = controls[WRITE_ID]
        self.session.click(*button.rect.center)
        self.read_when(out, "clicked=1\n")
        self.assertEqual(self.session.focus(window.hwnd), button.hwnd)
        self.session.click(*button.rect.center)
        self.read_when(out, "clicked=2\n")

    def test_click_outside_button_does_nothing(self):
        out = self.out_file()
        _, window, controls = self.start_sample(out)
        button = controls[WRITE_ID]
        self.session.click(button.rect.right + 5, button.rect.bottom + 30)
        self.session.click(*button.rect.center)
        self.read_when(out, "clicked=1\n")

    def test_typing_reaches_the_edit_control(self):
        _, window, controls = self.start_sample()
        edit = controls[EDIT_ID]
        self.session.click(*edit.rect.center)
        self.session.type_text("hello 123")
        got = wait_until(lambda: self.control_text(window, EDIT_ID) == b"hello 123", 5)
        self.assertTrue(got, f"the edit holds {self.control_text(window, EDIT_ID)!r}")

    def test_tab_moves_focus(self):
        _, window, controls = self.start_sample()
        self.session.key("Tab")
        self.assertTrue(wait_until(lambda: self.session.focus(window.hwnd) ==
                                   controls[WRITE_ID].hwnd, 5))

    def test_escape_ends_with_exit_code_0(self):
        program, window, _ = self.start_sample()
        self.session.key("Escape")
        self.assertEqual(program.wait(10), 0)
        self.assertIsNone(self.session.window(window.hwnd))

    def test_alt_f4_closes_the_window(self):
        program, _, _ = self.start_sample()
        self.session.key("alt+F4")
        self.assertEqual(program.wait(10), 0)

    def test_mouse_down_and_up_separately(self):
        out = self.out_file()
        _, _, controls = self.start_sample(out)
        x, y = controls[WRITE_ID].rect.center
        self.session.mouse_down(x, y)
        time.sleep(0.3)
        self.assertFalse(out.exists(), "a push button must not fire before the mouse is up")
        self.session.mouse_up(x, y)
        self.read_when(out, "clicked=1\n")


class ExitCodes(HarnessTestCase):
    def test_quit_message_code_becomes_exit_code(self):
        program, window, _ = self.start_sample()
        self.session.post_thread(window.hwnd, WM_QUIT, 7)
        self.assertEqual(program.wait(10), 7)
        self.assertEqual(program.windows_exit_code, 7)

    def test_minus_one_arrives_as_255(self):
        program, window, _ = self.start_sample()
        self.session.post_thread(window.hwnd, WM_QUIT, 0xFFFFFFFF)
        self.assertEqual(program.wait(10), 255)
        self.assertEqual(program.windows_exit_code, 0xFFFFFFFF)

    def test_direct_launch_passes_exit_code(self):
        program, window, _ = self.start_sample(direct=True)
        self.assertIsNone(program.windows_exit_code)
        self.session.post_thread(window.hwnd, WM_QUIT, 0xFFFFFFFF)
        self.assertEqual(program.wait(10), 255)

    def test_posted_close_ends_with_0(self):
        program, window, _ = self.start_sample()
        self.session.post(window.hwnd, WM_CLOSE)
        self.assertEqual(program.wait(10), 0)

    def test_kill_ends_the_program(self):
        program, window, _ = self.start_sample()
        program.kill()
        self.assertFalse(program.running)
        self.assertIsNone(self.session.window(window.hwnd))


class Screenshots(HarnessTestCase):
    def test_pixels_follow_windows_coordinates(self):
        _, window, _ = self.start_sample()
        left, top = window.client.left, window.client.top
        square = Rect(left + RED_SQUARE.left, top + RED_SQUARE.top, left + RED_SQUARE.right,
                      top + RED_SQUARE.bottom)
        png = self.session.tmp / "screen.png"
        screen = self.session.screenshot(png)
        self.assertEqual(png.read_bytes()[:8], b"\x89PNG\r\n\x1a\n")
        self.assertEqual(screen.colors(square), {(255, 0, 0): square.width * square.height})
        self.assertEqual(screen.pixel(square.left - 3, square.top + 5), (255, 255, 255))
        self.assertEqual(screen.pixel(square.right + 2, square.bottom - 1), (255, 255, 255))
        self.assertEqual(self.session.pixel(*square.center), (255, 0, 0))


class Inspection(HarnessTestCase):
    def test_inspect_reports_fonts_icons_cursor_and_brush(self):
        if not self.session.inspect_dll or not self.session.inspect_dll.exists():
            self.skipTest("INSPECT_DLL is not built")
        program, window, controls = self.start_sample()
        report = self.session.inspect(program.pid)
        self.assertEqual(report["process"]["process"], program.pid)
        self.assertEqual(report["process"]["acp"], "936")
        self.assertTrue(report["process"]["exe"].lower().endswith(b"sample_window.exe"))
        main = report["windows"][window.hwnd]
        self.assertEqual(main["icon_big"], "32x32")
        self.assertEqual(main["icon_small"], "16x16")
        self.assertEqual(main["class_icon"], "none")
        self.assertEqual(main["cursor"], "arrow")
        self.assertEqual(main["cursor_arrow"], "yes")
        self.assertEqual(main["brush"], "sys:5")  # COLOR_WINDOW + 1
        self.assertEqual(main["font"], "none")
        for control_id in (EDIT_ID, WRITE_ID, BOX_ID):
            entry = report["windows"][controls[control_id].hwnd]
            self.assertEqual(entry["font_default_gui"], "yes", control_id)
            self.assertEqual(entry["parent"], window.hwnd)
        self.assertEqual(report["windows"][controls[STATUS_ID].hwnd]["font"], "none")
        self.assertEqual(report["windows"][controls[EDIT_ID].hwnd]["cursor"], "ibeam")
        self.assertEqual(report["windows"][controls[WRITE_ID].hwnd]["icon_big"], "none")
        # The dll unloads itself, so a second injection loads it afresh and answers again.
        again = self.session.inspect(program.pid)
        self.assertEqual(again["windows"][window.hwnd]["icon_big"], "32x32")


class MessageBoxes(HarnessTestCase):
    def open_box(self, out):
        program, window, controls = self.start_sample(out)
        self.session.click(*controls[BOX_ID].rect.center)
        box = self.session.wait_message_box(pid=program.pid, timeout=5)
        self.assertIsNotNone(box, "no message box appeared")
        return program, box

    def test_message_box_text_and_ok_by_message(self):
        out = self.out_file()
        program, box = self.open_box(out)
        self.assertEqual(box.title, BOX_LABEL)
        self.assertEqual(box.text, BOX_TEXT)
        self.assertIn(IDOK, [b.id for b in box.buttons])
        self.assertFalse(out.exists())
        self.session.press_ok(box.hwnd)
        self.read_when(out, "msgbox=1\n")
        self.assertEqual(self.session.message_boxes(pid=program.pid), [])

    def test_ok_by_real_click(self):
        out = self.out_file()
        _, box = self.open_box(out)
        self.session.press_ok(box.hwnd, real_input=True)
        self.read_when(out, "msgbox=1\n")


class Files(HarnessTestCase):
    def test_held_file_cannot_be_opened_by_the_program(self):
        out = self.out_file()
        _, _, controls = self.start_sample(out)
        button = controls[WRITE_ID]
        with self.session.hold_file(out, create=True):
            with self.assertRaises(ProbeError):
                with self.session.hold_file(out):
                    pass
            self.session.click(*button.rect.center)
            time.sleep(0.5)
            self.assertEqual(out.read_bytes(), b"")
        self.session.click(*button.rect.center)
        # The first click was counted but could not be written.
        self.read_when(out, "clicked=2\n")

    def test_hold_of_missing_file_without_create_fails(self):
        with self.assertRaises(ProbeError):
            with self.session.hold_file(self.session.tmp / "does-not-exist.txt"):
                pass


class Resources(HarnessTestCase):
    def dump(self, exe):
        out = self.out_file()
        program = self.session.launch(exe, "--resources", self.session.winpath(out))
        self.assertEqual(program.wait(15), 0)
        return out.read_text()

    def test_original_resources(self):
        res = self.session.resources(self.sample)
        self.assertEqual([v for (t, n, _), v in res.items() if (t, n) == (RT_RCDATA, 1)],
                         [b"original-data"])
        self.assertEqual(self.dump(self.sample),
                         "rcdata=original-data\nconfig=config-data\nstring=sample-string\n")

    def test_replace_keeps_the_others(self):
        copy = self.session.tmp / "replaced.exe"
        result = self.session.copy_exe_with_resource(self.sample, copy, RT_RCDATA, 1, b"new-data")
        self.assertEqual((result["dropped"], result["added"]), (1, 1))
        res = self.session.resources(copy)
        before = self.session.resources(self.sample)
        self.assertEqual({k for k in res}, {k for k in before})
        self.assertEqual([v for (t, n, _), v in res.items() if (t, n) == (RT_RCDATA, 1)],
                         [b"new-data"])
        self.assertEqual([v for (t, n, _), v in res.items() if t == "HINTDATA"], [b"config-data"])
        self.assertTrue(any(t == RT_STRING for t, _, _ in res))
        self.assertEqual(self.dump(copy),
                         "rcdata=new-data\nconfig=config-data\nstring=sample-string\n")

    def test_replace_string_named_resource(self):
        copy = self.session.tmp / "renamed.exe"
        self.session.copy_exe_with_resource(self.sample, copy, "HINTDATA", "CONFIG", b"cfg-2")
        self.assertEqual(self.dump(copy),
                         "rcdata=original-data\nconfig=cfg-2\nstring=sample-string\n")

    def test_remove_keeps_the_others(self):
        copy = self.session.tmp / "removed.exe"
        result = self.session.copy_exe_with_resource(self.sample, copy, RT_RCDATA, 1, None)
        self.assertEqual((result["dropped"], result["added"]), (1, 0))
        res = self.session.resources(copy)
        self.assertFalse(any((t, n) == (RT_RCDATA, 1) for t, n, _ in res))
        self.assertEqual(len(res), len(self.session.resources(self.sample)) - 1)
        self.assertEqual(self.dump(copy),
                         "rcdata=MISSING\nconfig=config-data\nstring=sample-string\n")


class ConsolePrograms(HarnessTestCase):
    def test_run_passes_output_and_exit_code(self):
        result = self.session.run(self.console, "--exit", "5", "abc")
        self.assertEqual(result.returncode, 5)
        lines = result.stdout.decode().split()
        self.assertIn("argc=4", lines)
        self.assertIn("acp=936", lines)
        self.assertIn("arg3=" + b"abc".hex(), lines)
        self.assertIn(b"stderr-line", result.stderr)

    def test_run_hands_over_cp936_arguments(self):
        result = self.session.run(self.console, "样例", "a b")
        self.assertEqual(result.returncode, 0)
        lines = result.stdout.decode().split()
        self.assertIn("arg1=" + TITLE.hex(), lines)
        self.assertIn("arg2=" + b"a b".hex(), lines)

    def run_in_wine(self, *args, state=None):
        script = Path(__file__).resolve().parent / "run_in_wine.py"
        state = state or self.session.state_dir
        return subprocess.run([sys.executable, str(script), "--state", str(state),
                               str(self.console), *args], capture_output=True, timeout=120)

    def test_run_in_wine_passes_output_and_exit_code(self):
        result = self.run_in_wine("--exit", "-1", "xyz")
        self.assertEqual(result.returncode, 255)
        self.assertIn("arg3=" + b"xyz".hex(), result.stdout.decode().split())
        self.assertIn(b"stderr-line", result.stderr)

    def test_run_in_wine_without_session_starts_a_private_one(self):
        with tempfile.TemporaryDirectory() as empty:
            result = self.run_in_wine("--exit", "9", state=empty)
            self.assertEqual(result.returncode, 9, result.stderr)
            self.assertIn("acp=936", result.stdout.decode().split())
            self.assertFalse((Path(empty) / "session.json").exists())

    def test_run_in_wine_hands_over_cp936_arguments(self):
        result = self.run_in_wine("提示")
        self.assertEqual(result.returncode, 0)
        self.assertIn("arg1=" + BOX_LABEL.hex(), result.stdout.decode().split())


if __name__ == "__main__":
    unittest.main(verbosity=2)
