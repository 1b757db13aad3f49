#!/usr/bin/env python3
"""Benchmarks of hint.exe against the hand-written baseline (bench/baseline).

    python3 bench/run.py            full run (a few minutes)
    python3 bench/run.py --quick    smoke run: few runs, few clicks

Builds what it needs through the CMake presets (the build Wine can run here,
as scripts/test.sh picks it, plus the 32-bit product build for the sizes),
starts a Wine session of its own in build/bench-session and measures, taking
the two programs in turn (ours, baseline, ours, baseline, ...):

  start-up       launch to window found, and launch to window painted
  click to file  a real click on the button to the log file written, per click
                 (through the harness's xdotool, and through XTEST directly)
  WriteLog       hint::WriteTextToLog against the bare file calls (inside Wine)
  file size      as built and stripped, 64-bit and 32-bit
  peak memory    VmHWM of the program's Wine process just before it closes

Every figure is printed with the median, minimum and maximum of its runs and
the ratio of the medians, ours / baseline. A final table holds each figure
against its target. Targets are reported, never enforced: the exit status is
non-zero only when something could not be measured (a build that fails, a
program that does not start, a click that writes nothing, ...).
"""

import argparse
import ctypes
import ctypes.util
import datetime
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "tests" / "wine"))
sys.path.insert(0, str(ROOT / "tests" / "e2e"))
import harness  # noqa: E402
import session as session_tool  # noqa: E402
from write_counter import WriteCounter  # noqa: E402

TITLE = "Hint".encode("cp936")
LOG_NAME = "flag.txt"
LOG_BYTES = b"ypxt{ptez_gt_skgq????}"
WM_CLOSE = 0x0010

# Where the controls sit in the window's client area (both programs).
LABEL_RECT = (5, 5, 256, 27)  # left, top, width, height
BUTTON_RECT = (168, 40, 80, 32)
# A pixel of the client area that only the frame itself paints.
FRAME_PIXEL = (2, 2)
# Text pixels: every channel at most this.
DARK = 96

PRESET_TOOLS = {"windows": "i686-w64-mingw32", "windows64": "x86_64-w64-mingw32"}
TARGETS = {"start-up": 1.05, "click": 1.05, "writelog": 1.05, "size": 1.5}


class BenchError(Exception):
    pass


def log(text=""):
    print(text, flush=True)


def progress(text, done):
    """A progress line that rewrites itself on a terminal; elsewhere only the last one."""
    if sys.stdout.isatty():
        print(f"\r  {text}", end="\n" if done else "", flush=True)
    elif done:
        log(f"  {text}")


# ---------------------------------------------------------------- statistics


class Figure:
    """Values of one measurement for both programs."""

    def __init__(self, name, unit, scale=1.0, digits=1):
        self.name = name
        self.unit = unit
        self.scale = scale
        self.digits = digits
        self.ours = []
        self.base = []

    def add(self, ours=None, base=None):
        if ours is not None:
            self.ours.append(ours)
        if base is not None:
            self.base.append(base)

    @staticmethod
    def spread(values):
        return statistics.median(values), min(values), max(values)

    def ratio(self):
        return statistics.median(self.ours) / statistics.median(self.base)

    def fmt(self, value):
        return f"{value * self.scale:.{self.digits}f}"

    def line(self, values):
        median, low, high = self.spread(values)
        return f"median {self.fmt(median)} {self.unit} (min {self.fmt(low)}, max {self.fmt(high)})"

    def report(self):
        log(f"  {self.name}, {len(self.ours)} + {len(self.base)} runs")
        log(f"    ours      {self.line(self.ours)}")
        log(f"    baseline  {self.line(self.base)}")
        log(f"    ratio     {self.ratio():.3f}")


# ---------------------------------------------------------------- X screen


class XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.c_void_p),
                ("byte_order", ctypes.c_int), ("bitmap_unit", ctypes.c_int),
                ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int),
                ("bits_per_pixel", ctypes.c_int), ("red_mask", ctypes.c_ulong),
                ("green_mask", ctypes.c_ulong), ("blue_mask", ctypes.c_ulong)]


class Region:
    """Pixels of one screen rectangle as (r, g, b), addressed from its top left."""

    def __init__(self, width, height, get):
        self.width = width
        self.height = height
        self._get = get

    def pixel(self, x, y):
        return self._get(x, y)

    def has_dark(self, left, top, width, height):
        right = min(left + width, self.width)
        bottom = min(top + height, self.height)
        for y in range(top, bottom):
            for x in range(left, right):
                if max(self._get(x, y)) <= DARK:
                    return True
        return False


class XScreen:
    """Reads screen pixels straight from the X server (one XGetImage of a
    small rectangle takes well under a millisecond, where a full screenshot
    through ImageMagick takes tens of milliseconds) and presses the mouse
    button through the XTEST extension, the same way xdotool does, without
    starting a process for it."""

    ZPIXMAP = 2
    ALL_PLANES = ctypes.c_ulong(-1).value

    def __init__(self, display):
        name = ctypes.util.find_library("X11") or "libX11.so.6"
        x11 = ctypes.CDLL(name)
        x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x11.XOpenDisplay.restype = ctypes.c_void_p
        x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        x11.XDefaultRootWindow.restype = ctypes.c_ulong
        x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                  ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        x11.XGetImage.restype = ctypes.POINTER(XImage)
        x11.XGetPixel.argtypes = [ctypes.POINTER(XImage), ctypes.c_int, ctypes.c_int]
        x11.XGetPixel.restype = ctypes.c_ulong
        x11.XDestroyImage.argtypes = [ctypes.POINTER(XImage)]
        x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        x11.XFlush.argtypes = [ctypes.c_void_p]
        xtst = ctypes.CDLL(ctypes.util.find_library("Xtst") or "libXtst.so.6")
        xtst.XTestFakeButtonEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int,
                                              ctypes.c_ulong]
        xtst.XTestQueryExtension.argtypes = [ctypes.c_void_p] + [ctypes.POINTER(ctypes.c_int)] * 4
        self._x11 = x11
        self._xtst = xtst
        self._display = x11.XOpenDisplay(display.encode())
        if not self._display:
            raise BenchError(f"cannot open X display {display}")
        self._root = x11.XDefaultRootWindow(self._display)
        numbers = [ctypes.c_int() for _ in range(4)]
        if not xtst.XTestQueryExtension(self._display, *map(ctypes.byref, numbers)):
            raise BenchError(f"the X server on {display} has no XTEST extension")

    def click(self, button=1):
        """Presses and releases the button where the pointer is, and sends both events."""
        self._xtst.XTestFakeButtonEvent(self._display, button, 1, 0)
        self._xtst.XTestFakeButtonEvent(self._display, button, 0, 0)
        self._x11.XFlush(self._display)

    def close(self):
        if self._display:
            self._x11.XCloseDisplay(self._display)
            self._display = None

    @staticmethod
    def _channel(value, mask):
        if mask == 0:
            return 0
        shift = (mask & -mask).bit_length() - 1
        top = mask >> shift
        return ((value & mask) >> shift) * 255 // top

    def region(self, x, y, width, height):
        image_ptr = self._x11.XGetImage(self._display, self._root, x, y, width, height,
                                        self.ALL_PLANES, self.ZPIXMAP)
        if not image_ptr:
            raise BenchError(f"XGetImage of {width}x{height}+{x}+{y} failed")
        try:
            image = image_ptr.contents
            if (image.bits_per_pixel == 32 and image.byte_order == 0 and
                    (image.red_mask, image.green_mask, image.blue_mask) ==
                    (0xFF0000, 0xFF00, 0xFF)):
                data = ctypes.string_at(image.data, image.bytes_per_line * image.height)
                stride = image.bytes_per_line

                def get(px, py):
                    i = py * stride + px * 4
                    return data[i + 2], data[i + 1], data[i]
            else:
                masks = image.red_mask, image.green_mask, image.blue_mask
                values = [[self._x11.XGetPixel(image_ptr, px, py) for px in range(width)]
                          for py in range(height)]

                def get(px, py):
                    v = values[py][px]
                    return tuple(self._channel(v, m) for m in masks)
            return Region(width, height, get)
        finally:
            self._x11.XDestroyImage(image_ptr)


# ---------------------------------------------------------------- building


def run_checked(command, log_path, what):
    with open(log_path, "ab") as out:
        out.write(("$ " + " ".join(command) + "\n").encode())
        out.flush()
        result = subprocess.run(command, cwd=ROOT, stdout=out, stderr=subprocess.STDOUT)
    if result.returncode != 0:
        tail = "\n".join(Path(log_path).read_text(errors="replace").splitlines()[-25:])
        raise BenchError(f"{what} failed (exit {result.returncode}); end of {log_path}:\n{tail}")


def build(preset, targets, jobs):
    build_dir = ROOT / "build" / preset
    build_dir.mkdir(parents=True, exist_ok=True)
    log_path = ROOT / "build" / f"bench-build-{preset}.log"
    log_path.write_bytes(b"")
    if not (build_dir / "CMakeCache.txt").exists():
        run_checked(["cmake", "--preset", preset], log_path, f"cmake --preset {preset}")
    run_checked(["cmake", "--build", "--preset", preset, "-j", str(jobs), "--target", *targets],
                log_path, f"building {' '.join(targets)} ({preset}; is add_subdirectory(bench) in "
                "the top-level CMakeLists.txt?)")


# ---------------------------------------------------------------- one program in Wine


class Bench:
    def __init__(self, session, screen, ours, base):
        self.s = session
        self.screen = screen
        self.programs = {"ours": Path(ours), "baseline": Path(base)}
        self.face = session.button_face()
        self.client = None  # the window's client rectangle, the same for every run

    def client_region(self, client):
        x, y = self.s.to_x(client.left, client.top)
        return self.screen.region(x, y, client.width, client.height)

    def painted(self, client):
        region = self.client_region(client)
        if region.pixel(*FRAME_PIXEL) != self.face:
            return False
        if not region.has_dark(*LABEL_RECT):
            return False
        left, top, width, height = BUTTON_RECT
        # Inside the button's border: its caption.
        return region.has_dark(left + 4, top + 4, width - 8, height - 8)

    def window_gone(self):
        """The desktop shows again where the window was."""
        if self.client is None:
            return True
        return self.client_region(self.client).pixel(*FRAME_PIXEL) != self.face

    def start(self, which):
        """Launches one program; returns (program, window, seconds to found, seconds to
        painted)."""
        exe = self.programs[which]
        if not harness.wait_until(self.window_gone, 10, 0.01):
            raise BenchError("the previous window is still on the screen")
        t0 = time.perf_counter()
        program = self.s.launch(exe, direct=True)
        window = self.s.find_window(TITLE, timeout=20)
        found = time.perf_counter()
        if window is None:
            program.kill()
            raise BenchError(f"{exe.name} showed no window \"Hint\" within 20 s "
                             f"(exit {program.poll()})")
        deadline = found + 10
        while not self.painted(window.client):
            if time.perf_counter() > deadline:
                program.kill()
                raise BenchError(f"{exe.name}: the window was not painted within 10 s")
            time.sleep(0.003)
        painted = time.perf_counter()
        if self.client is None:
            self.client = window.client
        return program, window, found - t0, painted - t0

    @staticmethod
    def peak_kb(program, exe):
        try:
            text = Path(f"/proc/{program.unix_pid}/status").read_text()
        except OSError as e:
            raise BenchError(f"cannot read the status of {exe.name}: {e}")
        fields = dict(line.split(":", 1) for line in text.splitlines() if ":" in line)
        # Linux keeps the first 15 characters of the name.
        if not exe.name.startswith(fields.get("Name", "").strip()):
            raise BenchError(f"process {program.unix_pid} is {fields.get('Name')}, not {exe.name}")
        return int(fields["VmHWM"].split()[0])

    def close(self, which, program, window):
        self.s.post(window.hwnd, WM_CLOSE)
        try:
            code = program.wait(15)
        except subprocess.TimeoutExpired:
            program.kill()
            raise BenchError(f"{self.programs[which].name} did not end after WM_CLOSE")
        if code != 0:
            raise BenchError(f"{self.programs[which].name} ended with exit code {code}")

    def startup_run(self, which):
        program, window, found, painted = self.start(which)
        try:
            peak = self.peak_kb(program, self.programs[which])
        finally:
            self.close(which, program, window)
        return found, painted, peak

    def remove_log(self):
        path = self.s.drive_c / LOG_NAME
        if path.exists():
            path.unlink()

    def click_series(self, which, writes, first, clicks, click):
        """Seconds for `clicks` clicks made by click(), each timed from the click
        to the log file written (the writes counted so far are first - 1)."""
        log_path = self.s.drive_c / LOG_NAME
        name = self.programs[which].name
        total = 0.0
        for n in range(first, first + clicks):
            t0 = time.perf_counter()
            click()
            seen = writes.wait_for(n, timeout=5)
            total += time.perf_counter() - t0
            if seen < n:
                raise BenchError(f"{name}: click {n} wrote nothing within 5 s")
            if seen > n:
                raise BenchError(f"{name}: click {n} made {seen - n + 1} writes")
            if log_path.read_bytes() != LOG_BYTES:
                raise BenchError(f"{name}: after click {n} the log holds "
                                 f"{log_path.read_bytes()!r}")
        return total

    def click_run(self, which, harness_clicks, xtest_clicks):
        """Mean seconds per click through the harness (xdotool) and through XTEST, and
        the peak memory after all of them."""
        self.remove_log()
        program, window, _, _ = self.start(which)
        try:
            x = window.client.left + BUTTON_RECT[0] + BUTTON_RECT[2] // 2
            y = window.client.top + BUTTON_RECT[1] + BUTTON_RECT[3] // 2
            self.s.move(x, y)
            time.sleep(0.1)
            with WriteCounter(self.s.drive_c, LOG_NAME) as writes:
                # The pointer rests on the button: each click is one press and release.
                by_harness = self.click_series(
                    which, writes, 1, harness_clicks, lambda: self.s._xdotool("click", 1))
                by_xtest = self.click_series(
                    which, writes, harness_clicks + 1, xtest_clicks, self.screen.click)
                if writes.settle(quiet=0.2) != harness_clicks + xtest_clicks:
                    raise BenchError(f"{self.programs[which].name}: more writes than clicks")
            peak = self.peak_kb(program, self.programs[which])
        finally:
            if program.running:
                self.close(which, program, window)
        self.remove_log()
        return by_harness / harness_clicks, by_xtest / xtest_clicks, peak


# ---------------------------------------------------------------- the measurements


def measure_startup(bench, runs):
    found = Figure("start-up: launch to window found", "ms", 1000)
    painted = Figure("start-up: launch to window painted", "ms", 1000)
    memory = Figure("peak resident memory after start-up (VmHWM)", "KiB", 1, 0)
    for i in range(runs):
        for which in ("ours", "baseline"):
            f, p, m = bench.startup_run(which)
            key = "ours" if which == "ours" else "base"
            for figure, value in ((found, f), (painted, p), (memory, m)):
                figure.add(**{key: value})
        progress(f"start-up run {i + 1}/{runs}", i + 1 == runs)
    return found, painted, memory


def measure_clicks(bench, runs, clicks, xtest_clicks):
    by_harness = Figure(f"click to file through the harness (xdotool), per click (each run's "
                        f"mean over {clicks} clicks)", "ms", 1000, 2)
    by_xtest = Figure(f"click to file through XTEST, per click (each run's mean over "
                      f"{xtest_clicks} clicks)", "ms", 1000, 2)
    memory = Figure(f"peak resident memory after {clicks + xtest_clicks} clicks (VmHWM)", "KiB",
                    1, 0)
    for i in range(runs):
        for which in ("ours", "baseline"):
            harness_click, xtest_click, peak = bench.click_run(which, clicks, xtest_clicks)
            key = "ours" if which == "ours" else "base"
            by_harness.add(**{key: harness_click})
            by_xtest.add(**{key: xtest_click})
            memory.add(**{key: peak})
        progress(f"click run {i + 1}/{runs}", i + 1 == runs)
    return by_harness, by_xtest, memory


def measure_writelog(session, exe, rounds, calls):
    target = session.drive_c / "bench-writelog.txt"
    result = session.run(exe, "C:\\bench-writelog.txt", str(rounds), str(calls),
                         timeout=max(120, rounds * calls * 0.01))
    if target.exists():
        target.unlink()
    out = result.stdout.decode(errors="replace")
    if result.returncode != 0:
        raise BenchError(f"{exe.name} failed with {result.returncode}: "
                         f"{result.stderr.decode(errors='replace').strip()}\n{out}")
    figure = Figure(f"WriteLog per call ({rounds} rounds of {calls} calls, each round's mean)",
                    "us", 1e-3, 2)
    for line in out.splitlines():
        fields = dict(tok.split("=", 1) for tok in line.split() if "=" in tok)
        if "round" in fields:
            figure.add(ours=float(fields["ours_ns"]), base=float(fields["bare_ns"]))
    if len(figure.ours) != rounds:
        raise BenchError(f"{exe.name} printed {len(figure.ours)} rounds, not {rounds}:\n{out}")
    return figure


def file_sizes(preset, exe):
    """(as built, stripped) in bytes, or None when the file is not there."""
    if not exe.exists():
        return None
    strip = shutil.which(f"{PRESET_TOOLS[preset]}-strip")
    if strip is None:
        raise BenchError(f"{PRESET_TOOLS[preset]}-strip is not installed")
    with tempfile.TemporaryDirectory() as tmp:
        copy = Path(tmp) / exe.name
        shutil.copyfile(exe, copy)
        subprocess.run([strip, str(copy)], check=True)
        return exe.stat().st_size, copy.stat().st_size


# ---------------------------------------------------------------- output


def summary(rows):
    header = ("figure", "ours", "baseline", "ratio", "target", "met")
    table = [header] + rows
    widths = [max(len(str(r[i])) for r in table) for i in range(len(header))]
    lines = []
    for n, r in enumerate(table):
        lines.append("  ".join(str(c).ljust(w) for c, w in zip(r, widths)).rstrip())
        if n == 0:
            lines.append("  ".join("-" * w for w in widths))
    return "\n".join(lines)


def row(name, ours, base, ratio, target, unit=""):
    met = "-" if target is None else ("met" if ratio <= target else "not met")
    return (name, f"{ours}{unit}", f"{base}{unit}", f"{ratio:.3f}",
            "-" if target is None else f"<= {target:.2f}x", met)


def figure_row(name, figure, target):
    return row(name, figure.fmt(statistics.median(figure.ours)),
               figure.fmt(statistics.median(figure.base)), figure.ratio(), target,
               " " + figure.unit)


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--quick", action="store_true",
                        help="smoke run: 3 start-up runs, 2 click runs of 10 + 10 clicks, "
                             "3 WriteLog rounds of 200 calls")
    parser.add_argument("--no-build", action="store_true", help="use the builds as they are")
    parser.add_argument("--runs", type=int, help="start-up runs per program (default 15)")
    parser.add_argument("--click-runs", type=int, help="click runs per program (default 10)")
    parser.add_argument("--clicks", type=int,
                        help="clicks through the harness per click run (default 100)")
    parser.add_argument("--xtest-clicks", type=int,
                        help="clicks through XTEST per click run, after those (default 300)")
    parser.add_argument("--writelog-rounds", type=int, help="WriteLog rounds (default 10)")
    parser.add_argument("--writelog-calls", type=int, help="calls per round (default 2000)")
    parser.add_argument("--state", default=str(ROOT / "build" / "bench-session"),
                        help="state directory of the benchmark's Wine session")
    args = parser.parse_args(argv)
    quick = args.quick
    runs = args.runs or (3 if quick else 15)
    click_runs = args.click_runs or (2 if quick else 10)
    clicks = args.clicks or (10 if quick else 100)
    xtest_clicks = args.xtest_clicks or (10 if quick else 300)
    rounds = args.writelog_rounds or (3 if quick else 10)
    calls = args.writelog_calls or (200 if quick else 2000)

    started = time.monotonic()
    arch, reason = session_tool.detect_arch()
    preset = "windows" if arch == "win32" else "windows64"
    jobs = os.cpu_count() or 2
    wine_version = subprocess.run([session_tool.LOADERS[arch], "--version"],
                                  capture_output=True, text=True).stdout.strip()
    log(f"hint benchmarks, {datetime.date.today()}, {jobs} cores, {wine_version}, "
        f"{arch} ({preset} build: {reason})")
    log(f"load average before: {' '.join(f'{v:.2f}' for v in os.getloadavg())}")

    build_dir = ROOT / "build" / preset
    ours = build_dir / "hint.exe"
    base = build_dir / "bench" / "hint_baseline.exe"
    writelog = build_dir / "bench" / "bench_writelog.exe"
    probe = build_dir / "tests" / "wine" / "probe.exe"
    product_dir = ROOT / "build" / "windows"
    try:
        if not args.no_build:
            setup = ROOT / "scripts" / "setup.sh"
            if setup.exists():
                subprocess.run([str(setup)], check=True)
            log(f"building ({preset})")
            build(preset, ["hint", "hint_baseline", "bench_writelog", "probe"], jobs)
            if preset != "windows" and not quick:
                log("building the 32-bit product and baseline (windows) for the sizes")
                try:
                    build("windows", ["hint", "hint_baseline"], jobs)
                except BenchError as e:
                    log(f"  32-bit build failed, its sizes are left out: {e}")
        for path in (ours, base, writelog, probe):
            if not path.exists():
                raise BenchError(f"{path} is missing (build with the {preset} preset)")
    except (BenchError, subprocess.CalledProcessError) as e:
        log(f"error: {e}")
        return 1

    state = Path(args.state)
    rows = []
    try:
        log(f"starting the Wine session in {state}")
        session_tool.start(state, arch, str(probe))
        with harness.Session(state, probe) as session:
            screen = XScreen(session.display)
            try:
                bench = Bench(session, screen, ours, base)
                # One unmeasured start of each: the first start of a program in a
                # fresh prefix loads its file and Wine's DLLs from disk.
                for which in ("ours", "baseline"):
                    bench.startup_run(which)

                log()
                log("Start-up. Window found: the harness's find_window (the probe looks for a "
                    "visible top-level \"Hint\" every 20 ms) returned it. Painted: the X screen "
                    "shows what a user sees, the frame's button-face colour in the client area, "
                    "the label's text and the button's caption (pixels read every 3 ms).")
                found, painted, startup_memory = measure_startup(bench, runs)
                found.report()
                painted.report()

                log()
                log("Click to file. The pointer rests on the button; each click is one press "
                    "and release, timed until inotify reports the log file closed after "
                    "writing, then the file is checked to hold the 22 bytes. Each run clicks "
                    "first through the harness (an xdotool process per click: its own run time, "
                    "about 0.1 s, is most of the figure), then through XTEST "
                    "from this process (the press and release reach the X server at once, so "
                    "the figure is Wine's and the program's part).")
                click, xtest_click, click_memory = measure_clicks(bench, click_runs, clicks,
                                                                  xtest_clicks)
                click.report()
                xtest_click.report()

                log()
                log("Peak resident memory: VmHWM of the program's Wine process (the process "
                    "itself, not the wineserver), read just before it is closed.")
                startup_memory.report()
                click_memory.report()
            finally:
                screen.close()

            log()
            log("WriteLog alone: hint::WriteTextToLog(kLogText, path) against CreateFileA/"
                "WriteFile/CloseHandle on the same path, in bench_writelog.exe under Wine, "
                "each call timed with QueryPerformanceCounter, the two sides taken in turn "
                "call by call (alternating which goes first).")
            writelog_figure = measure_writelog(session, writelog, rounds, calls)
            writelog_figure.report()
    except (BenchError, harness.ProbeError, session_tool.SessionError, OSError,
            subprocess.SubprocessError) as e:
        log()
        log(f"error: {e}")
        return 1
    finally:
        session_tool.stop(state)

    log()
    log("Program file size (bytes), as built and after strip on a copy:")
    size_rows = []
    for label, dir_, preset_name in (("64-bit", ROOT / "build" / "windows64", "windows64"),
                                     ("32-bit", product_dir, "windows")):
        ours_size = file_sizes(preset_name, dir_ / "hint.exe")
        base_size = file_sizes(preset_name, dir_ / "bench" / "hint_baseline.exe")
        if ours_size is None or base_size is None:
            log(f"  {label}: not built ({'hint.exe' if ours_size is None else 'baseline'} "
                f"missing in {dir_})")
            continue
        for kind, n in (("as built", 0), ("stripped", 1)):
            ratio = ours_size[n] / base_size[n]
            log(f"  {label} {kind}: ours {ours_size[n]}, baseline {base_size[n]}, "
                f"ratio {ratio:.3f}")
            size_rows.append(row(f"file size {label} {kind}", ours_size[n], base_size[n], ratio,
                                 TARGETS["size"], " B"))

    rows.append(figure_row("start-up to window found", found, TARGETS["start-up"]))
    rows.append(figure_row("start-up to painted", painted, TARGETS["start-up"]))
    rows.append(figure_row("click to file (xdotool), per click", click, TARGETS["click"]))
    rows.append(figure_row("click to file (XTEST), per click", xtest_click, TARGETS["click"]))
    rows.append(figure_row("WriteLog, per call", writelog_figure, TARGETS["writelog"]))
    rows.extend(size_rows)
    rows.append(figure_row("peak memory after start-up", startup_memory, None))
    rows.append(figure_row(f"peak memory after {clicks + xtest_clicks} clicks", click_memory,
                           None))

    log()
    log("Summary (medians; ratio = ours / baseline; a target is met when the ratio is at most "
        "it):")
    log(summary(rows))
    log()
    log(f"load average after: {' '.join(f'{v:.2f}' for v in os.getloadavg())}; "
        f"took {time.monotonic() - started:.0f} s")
    return 0


if __name__ == "__main__":
    sys.exit(main())
