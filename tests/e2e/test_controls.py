"""The label and the button: their windows, fonts, stacking and look."""

import os
from pathlib import Path

import harness
from hint_program import *  # noqa: F403

ARTIFACTS = Path(os.environ.get("HINT_ARTIFACTS", "."))


class ControlsTest(ProgramTestCase):
    def test_label_and_button_windows(self):
        self.start()
        children = self.session.children(self.window.hwnd)
        self.assertEqual(len(children), 2)
        # Stacked in storage order: the label above the button.
        label, button = children
        self.assertEqual(label.text, LABEL_TEXT)
        self.assertEqual(button.text, BUTTON_TEXT)

        self.assertEqual(label.class_name, b"HintLabel")
        self.assertEqual(label.style, 0x44000000 | WS_VISIBLE, hex(label.style))
        self.assertEqual(label.exstyle, 0)
        self.assertEqual(label.id, 110)
        self.assertEqual(tuple(label.prect), (5, 5, 261, 32))
        self.assertEqual(label.class_style, CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS)

        self.assertEqual(button.class_name.lower(), b"button")
        self.assertEqual(button.style, 0x44012F00 | WS_VISIBLE, hex(button.style))
        self.assertEqual(button.exstyle, 0)
        self.assertEqual(button.id, 100)
        self.assertEqual(tuple(button.prect), (168, 40, 248, 72))
        self.assertTrue(button.enabled)

    def test_both_controls_use_the_default_gui_font(self):
        self.start()
        label, button = self.controls()
        report = self.session.inspect(self.program.pid)
        for control in (label, button):
            self.assertEqual(report["windows"][control.hwnd]["font"], "default_gui",
                             control.text.decode("cp936"))
        self.assertEqual(report["windows"][label.hwnd]["brush"], "0")
        self.assertEqual(report["windows"][label.hwnd]["cursor_arrow"], "yes")

    def test_label_shows_black_text_on_button_face_left_and_centred(self):
        self.start()
        label, _ = self.controls()
        shot = ARTIFACTS / "label.png"
        screen = self.session.screenshot(shot)
        face = self.session.button_face()
        # The label reaches 261 pixels into the client area, which the fixed
        # frame leaves narrower: what lies beyond is clipped, not shown.
        client = self.window.client
        area = harness.Rect(max(label.rect.left, client.left), max(label.rect.top, client.top),
                            min(label.rect.right, client.right),
                            min(label.rect.bottom, client.bottom))
        self.assertEqual(self.session.window(self.window.hwnd).rect.width, 263,
                         "the window does not grow to fit its controls")
        dark_columns, dark_rows, other, darkest = set(), set(), [], 255
        for y in range(area.top, area.bottom):
            for x in range(area.left, area.right):
                pixel = screen.pixel(x, y)
                if pixel == face:
                    continue
                darkest = min(darkest, max(pixel))
                if max(pixel) < 128:
                    dark_columns.add(x)
                    dark_rows.add(y)
                elif not (abs(pixel[0] - pixel[1]) < 40 and abs(pixel[1] - pixel[2]) < 40):
                    other.append((x, y, pixel))
        self.assertGreater(len(dark_columns), 40, f"no text in the label, see {shot}")
        self.assertLess(darkest, 40, f"the text is not black, see {shot}")
        self.assertFalse(other[:5], f"colours other than text and button face, see {shot}")
        # Left aligned: the text starts at the label's left edge.
        self.assertLess(min(dark_columns) - area.left, 4, shot)
        # One line, centred in the label's height.
        middle = (min(dark_rows) + max(dark_rows)) / 2
        self.assertLess(abs(middle - (area.top + area.bottom - 1) / 2), 3, shot)
        self.assertLess(max(dark_rows) - min(dark_rows), 20, "more than one line")


if __name__ == "__main__":
    main()
