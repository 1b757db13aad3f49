"""Damaged program files: copies of hint.exe whose window description is
removed, cut short, has a few random bytes changed, or a few digits of its
numbers. Each copy either runs normally (its window appears and Esc ends it
with 0) or shows the fatal error box with its exact text and ends with 255
after OK. None may crash, hang, show another window or write C:\\flag.txt
unasked.

The random copies come from a seed that is printed; HINT_MUTATION_SEED
repeats a run, HINT_MUTATION_COUNT sets how many copies with random bytes are
made (100; a third as many get changed digits). With HINT_ARTIFACTS set, the
description of every copy that fails is left there."""

import os
import random
import time
from collections import Counter
from pathlib import Path

from hint_program import *  # noqa: F403
from test_fatal import BOX_TITLE, NO_START_WINDOW, UNREADABLE

WINDOW_CLASS = b"HintWindow"
BOX_CLASS = b"#32770"
START_WINDOW_LINE = b"window 0x52010001"
CAPTION_LINE = b'caption "Hint"'
OUTCOME_TIMEOUT = 20.0
# A changed digit is half of the time another digit; other changed bytes are
# drawn half from all byte values and half from these, which keep a token a
# token and so reach more of the settings' own checks.
TOKEN_BYTES = b"0123456789abcdefxABCDEFX-+_ \t\r\n\"\\#"
DIGITS = b"0123456789"


def regions(data):
    """The offsets strictly inside comments ("#" outside a text, up to the end of
    its line) and those inside texts (between the quotes). Any byte in a comment
    but a line break leaves the description as it is."""
    comments, texts = set(), set()
    pos = 0
    while pos < len(data):
        byte = data[pos]
        if byte == ord('"'):
            pos += 1
            while pos < len(data) and data[pos] not in b'"\n':
                step = 2 if data[pos] == ord("\\") or 0x81 <= data[pos] <= 0xFE else 1
                texts.update(range(pos, min(pos + step, len(data))))
                pos += step
            pos += 1
        elif byte == ord("#"):
            pos += 1
            while pos < len(data) and data[pos] != ord("\n"):
                comments.add(pos)
                pos += 1
        else:
            pos += 1
    return comments, texts


def span_of(data, line, piece):
    """The offsets of `piece` within the first occurrence of `line`."""
    at = data.find(line)
    if at < 0:
        return None
    start = at + line.find(piece)
    return range(start, start + len(piece))


class Outcome:
    def __init__(self, kind, detail=None, window=None, box=None, code=None):
        self.kind = kind  # "window", "box", "ended", "other window", "hang"
        self.detail = detail
        self.window = window
        self.box = box
        self.code = code


class MutationTest(ProgramTestCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.counts = Counter()
        cls.started = time.monotonic()
        seed_text = os.environ.get("HINT_MUTATION_SEED")
        cls.seed = int(seed_text, 0) if seed_text else random.SystemRandom().randrange(2**32)
        cls.count = int(os.environ.get("HINT_MUTATION_COUNT", "100"))
        print(f"\nmutation seed {cls.seed:#x} (HINT_MUTATION_SEED={cls.seed:#x} repeats it), "
              f"{cls.count} mutated copies", flush=True)
        artifacts = os.environ.get("HINT_ARTIFACTS")
        cls.artifacts = Path(artifacts) if artifacts else None

    @classmethod
    def tearDownClass(cls):
        elapsed = time.monotonic() - cls.started
        runs = sum(n for name, n in cls.counts.items()
                   if name.endswith("ran normally") or ": box " in name)
        print(f"\nmutation summary (seed {cls.seed:#x}, {runs} copies in {elapsed:.0f} s):",
              flush=True)
        for name, n in sorted(cls.counts.items()):
            print(f"  {name}: {n}", flush=True)
        super().tearDownClass()

    def setUp(self):
        super().setUp()
        self.original = self.description()

    # ------------------------------------------------------------ copies

    def keep_failing_copy(self, data, label):
        if self.artifacts is None or data is None:
            return
        self.artifacts.mkdir(parents=True, exist_ok=True)
        path = self.artifacts / f"mutation-{self.seed:x}-{label}.desc"
        path.write_bytes(data)
        print(f"the failing description is kept in {path}", flush=True)

    # ------------------------------------------------------------ one run

    def observe(self, exe):
        """Starts the copy and waits for the first thing it shows or for its end."""
        before = {w.hwnd for w in self.session.top_level_windows()}
        self.program = self.session.launch(exe)
        pid = self.program.pid
        deadline = time.monotonic() + OUTCOME_TIMEOUT
        while time.monotonic() < deadline:
            for w in self.session.top_level_windows():
                if w.hwnd in before:
                    continue
                if w.pid != pid:
                    return Outcome("other window", f"{w.class_name!r} {w.text!r} of pid {w.pid}")
                if w.class_name == WINDOW_CLASS:
                    return Outcome("window", window=w)
                if w.class_name == BOX_CLASS:
                    box = harness.wait_until(
                        lambda: next((b for b in self.session.message_boxes(pid)
                                      if b.hwnd == w.hwnd), None), 5)
                    if box is None:
                        return Outcome("other window", f"dialog {w.text!r} is no message box")
                    return Outcome("box", box=box)
                return Outcome("other window", f"{w.class_name!r} {w.text!r}")
            code = self.program.poll()
            if code is not None:
                return Outcome("ended", code=code)
            time.sleep(0.05)
        return Outcome("hang")

    def check_copy(self, data, label, must_run, title_may_change=False,
                   start_window_may_go=False):
        """Runs the copy carrying `data` (None: no description) and checks what it does.
        must_run: the description still reads as the program's own."""
        try:
            self.check_run(self.copy_with(data, f"mutation-{label}"), must_run, title_may_change,
                           start_window_may_go)
        except BaseException:
            self.keep_failing_copy(data, label)
            raise
        finally:
            if self.program is not None:
                self.program.kill()
                self.program = None
            self.remove_log()
            (self.session.tmp / f"hint-mutation-{label}.exe").unlink(missing_ok=True)

    def check_run(self, exe, must_run, title_may_change, start_window_may_go):
        outcome = self.observe(exe)
        self.assertNotEqual(outcome.kind, "hang",
                            f"neither a window nor a box within {OUTCOME_TIMEOUT:.0f} s")
        self.assertNotEqual(outcome.kind, "other window", f"unexpected window: {outcome.detail}")
        self.assertNotEqual(outcome.kind, "ended",
                            f"the program ended with {outcome.code} without showing anything")
        self.assertFalse(self.log_path.exists(), "C:\\flag.txt written without a click")

        if outcome.kind == "window":
            if not title_may_change:
                self.assertEqual(outcome.window.text, TITLE)
            self.assertIsNone(self.session.wait_message_box(self.program.pid, timeout=0),
                              "an error box next to the window")
            self.window = outcome.window
            self.assertTrue(
                harness.wait_until(lambda: self.session.focus(self.window.hwnd) != 0, 5),
                "the window never took the focus")
            self.session.key("Escape")
            self.assertEqual(self.wait_exit(), 0)
            self.counts[f"{self.category}: ran normally"] += 1
            if outcome.window.text != TITLE:
                self.counts[f"{self.category}: ran with another title"] += 1
        else:
            box = outcome.box
            self.assertFalse(must_run, f"the box {box.text!r} for a description that reads well")
            self.assertEqual(box.title, BOX_TITLE)
            allowed = [UNREADABLE] + ([NO_START_WINDOW] if start_window_may_go else [])
            self.assertIn(box.text, allowed)
            self.assertEqual([b.id for b in box.buttons], [1], "a single OK button")
            self.assertIsNone(self.session.find_window(TITLE, timeout=0, pid=self.program.pid))
            self.session.press_ok(box.hwnd, real_input=True)
            self.assertEqual(self.wait_exit(), 255)
            self.counts[f"{self.category}: box " + (
                "start window missing" if box.text == NO_START_WINDOW else "unreadable")] += 1
        self.assertFalse(self.log_path.exists(), "C:\\flag.txt written without a click")

    # ------------------------------------------------------------ the copies

    def test_description_removed(self):
        self.category = "removed"
        self.check_copy(None, "removed", must_run=False)

    def test_description_truncated(self):
        self.category = "truncated"
        data = self.original
        rng = random.Random(self.seed ^ 0x5A5A5A5A)
        # No length 0: the platform's resource update takes empty data as a removal,
        # which test_description_removed covers.
        lengths = {1, 2, 10, len(data) // 3, len(data) // 2, len(data) - 20, len(data) - 2,
                   len(data) - 1, rng.randrange(1, len(data)), rng.randrange(1, len(data))}
        for length in sorted(lengths):
            # What is cut off holds only line breaks and blanks: nothing is lost.
            intact = not data[length:].strip()
            with self.subTest(length=length, of=len(data)):
                self.check_copy(data[:length], f"truncated-{length}", must_run=intact)

    def test_description_mutated(self):
        self.category = "random bytes"
        data = self.original
        comments, _ = regions(data)
        caption = span_of(data, CAPTION_LINE, b'"Hint"')
        start_id = span_of(data, START_WINDOW_LINE, b"0x52010001")
        self.assertIsNotNone(caption, "the description has no caption \"Hint\"")
        self.assertIsNotNone(start_id, "the description declares no window 0x52010001")
        self.assertGreater(len(comments), 0, "the description has no comments")
        rng = random.Random(self.seed)
        for index in range(self.count):
            offsets = sorted(rng.sample(range(len(data)), rng.randint(1, 8)))
            mutated = bytearray(data)
            for offset in offsets:
                old = data[offset]
                if old in DIGITS and rng.random() < 0.5:
                    # Another digit: the number most often still reads, and the
                    # program must cope with the value it now has.
                    mutated[offset] = rng.choice([b for b in DIGITS if b != old])
                elif rng.random() < 0.5:
                    mutated[offset] = rng.choice([b for b in TOKEN_BYTES if b != old])
                else:
                    mutated[offset] = (old + rng.randrange(1, 256)) % 256
            mutated = bytes(mutated)
            changes = " ".join(f"{o}:{data[o]:02x}>{mutated[o]:02x}" for o in offsets)
            neutral = all(o in comments and mutated[o] != ord("\n") for o in offsets)
            touched = set(offsets)
            new_id = bytes(mutated[start_id.start:start_id.stop]).lower()
            with self.subTest(copy=index, changes=changes):
                self.check_copy(
                    mutated, f"{index}", must_run=neutral,
                    title_may_change=bool(touched & set(caption)),
                    start_window_may_go=bool(touched & set(start_id)) and new_id != b"0x52010001")
                if neutral:
                    self.counts["random bytes: comment only"] += 1

    def test_numbers_changed(self):
        # Only digits of numbers change, so that many copies still read, with
        # other positions, sizes, styles, event numbers or identifiers.
        self.category = "digits"
        data = self.original
        comments, texts = regions(data)
        digits = [o for o, b in enumerate(data)
                  if b in DIGITS and o not in comments and o not in texts]
        start_id = span_of(data, START_WINDOW_LINE, b"0x52010001")
        self.assertGreater(len(digits), 50, "the description holds almost no numbers")
        rng = random.Random(self.seed ^ 0xD161D161)
        for index in range(self.count // 3):
            offsets = sorted(rng.sample(digits, rng.randint(1, 4)))
            mutated = bytearray(data)
            for offset in offsets:
                mutated[offset] = rng.choice([b for b in DIGITS if b != data[offset]])
            mutated = bytes(mutated)
            changes = " ".join(f"{o}:{data[o]:c}>{mutated[o]:c}" for o in offsets)
            new_id = mutated[start_id.start:start_id.stop].lower()
            with self.subTest(copy=index, changes=changes):
                self.check_copy(mutated, f"numbers-{index}", must_run=False,
                                start_window_may_go=new_id != b"0x52010001")


if __name__ == "__main__":
    main()
