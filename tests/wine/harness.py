"""Drives Windows programs inside a running Wine test session (see session.py).

Test modules create one Session, usually with Session.from_env(), which reads
    HINT_WINE_STATE  the session's state directory
    PROBE_EXE        probe.exe built for the session's architecture
    INSPECT_DLL      inspect.dll built for the same architecture (only for inspect())

Texts that go to or come from Windows (titles, class names, control texts) are bytes in code
page 936; a str argument is encoded to 936 first. Coordinates are Windows screen coordinates
of the virtual desktop; real input and screenshots translate them to X coordinates.
"""

import contextlib
import itertools
import os
import re
import select
import subprocess
import sys
import time
from collections import Counter, namedtuple
from dataclasses import dataclass
from pathlib import Path
from typing import Optional

sys.path.insert(0, str(Path(__file__).resolve().parent))
import session as session_tool  # noqa: E402

CODEPAGE = "cp936"

WM_CLOSE = 0x0010
WM_QUIT = 0x0012
WM_COMMAND = 0x0111
WM_SETTEXT = 0x000C
WM_GETTEXTLENGTH = 0x000E
BM_CLICK = 0x00F5
IDOK = 1
IDCANCEL = 2
MSGBOX_TEXT_ID = 0xFFFF
RT_ICON = 3
RT_STRING = 6
RT_RCDATA = 10
RT_GROUP_ICON = 14
RT_VERSION = 16
RT_MANIFEST = 24
WS_VISIBLE = 0x10000000
WS_DISABLED = 0x08000000
WS_CHILD = 0x40000000


_TEMP_COUNTER = itertools.count(1)


class ProbeError(Exception):
    pass


def encode_text(text) -> bytes:
    if isinstance(text, bytes):
        return text
    return str(text).encode(CODEPAGE)


def hex_arg(text) -> str:
    return "hex:" + encode_text(text).hex()


class Rect(namedtuple("Rect", "left top right bottom")):
    @property
    def width(self):
        return self.right - self.left

    @property
    def height(self):
        return self.bottom - self.top

    @property
    def center(self):
        return ((self.left + self.right) // 2, (self.top + self.bottom) // 2)

    def contains(self, x, y):
        return self.left <= x < self.right and self.top <= y < self.bottom

    @staticmethod
    def parse(value):
        return Rect(*(int(v) for v in value.split(",")))


@dataclass
class Window:
    """A window as another process sees it. rect and client are in screen coordinates;
    prect (children only) is the window rectangle in its parent's client coordinates."""
    hwnd: int
    parent: int
    owner: int
    pid: int
    tid: int
    class_name: bytes
    class_style: int
    style: int
    exstyle: int
    id: int
    text: bytes
    visible: bool
    enabled: bool
    rect: Rect
    client: Rect
    prect: Optional[Rect] = None

    @staticmethod
    def from_record(r):
        return Window(
            hwnd=int(r["hwnd"], 16), parent=int(r["parent"], 16), owner=int(r["owner"], 16),
            pid=int(r["pid"]), tid=int(r["tid"]), class_name=bytes.fromhex(r["class"]),
            class_style=int(r["classstyle"], 16), style=int(r["style"], 16),
            exstyle=int(r["exstyle"], 16), id=int(r["id"]), text=bytes.fromhex(r["text"]),
            visible=r["visible"] == "1", enabled=r["enabled"] == "1",
            rect=Rect.parse(r["rect"]), client=Rect.parse(r["client"]),
            prect=Rect.parse(r["prect"]) if "prect" in r else None)


@dataclass
class MessageBox:
    hwnd: int
    pid: int
    title: bytes
    text: bytes
    buttons: list  # children of class Button, in z-order


class Screen:
    """One capture of the X screen, addressed in Windows screen coordinates."""

    def __init__(self, width, height, rgb, origin):
        self.width = width
        self.height = height
        self._rgb = rgb
        self._origin = origin

    def pixel(self, x, y):
        px, py = x + self._origin[0], y + self._origin[1]
        if not (0 <= px < self.width and 0 <= py < self.height):
            raise ValueError(f"({x}, {y}) is outside the screen")
        i = (py * self.width + px) * 3
        return tuple(self._rgb[i:i + 3])

    def colors(self, rect):
        """Counter of (r, g, b) over a Windows screen rectangle."""
        counts = Counter()
        for y in range(rect.top, rect.bottom):
            for x in range(rect.left, rect.right):
                counts[self.pixel(x, y)] += 1
        return counts


def parse_records(text):
    records = []
    for line in text.splitlines():
        fields = dict(tok.split("=", 1) for tok in line.split() if "=" in tok)
        if fields:
            records.append(fields)
    return records


def res_id_arg(value):
    if isinstance(value, int):
        return f"#{value}"
    return hex_arg(value)


def res_id_parse(value):
    if value.startswith("#"):
        return int(value[1:])
    return bytes.fromhex(value[4:]).decode(CODEPAGE)


def wait_until(predicate, timeout=5.0, interval=0.05):
    """Polls predicate until it returns a true value, which is returned; None on timeout."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() >= deadline:
            return None
        time.sleep(interval)


class _ProbeServer:
    """One "probe serve" process answering commands line by line."""

    def __init__(self, session):
        self._session = session
        self._proc = None
        self._buffer = b""

    def _start(self):
        self._proc = subprocess.Popen(
            [self._session.loader, str(self._session.probe_exe), "serve"], env=self._session.env,
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self._buffer = b""

    def close(self):
        if self._proc is not None:
            with contextlib.suppress(OSError):
                self._proc.stdin.close()
            try:
                self._proc.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self._proc.kill()
                self._proc.wait()
            self._proc.stdout.close()
            self._proc = None

    def call(self, args, timeout):
        if self._proc is None or self._proc.poll() is not None:
            self._start()
        self._proc.stdin.write((" ".join(args) + "\n").encode())
        self._proc.stdin.flush()
        deadline = time.monotonic() + timeout
        fd = self._proc.stdout.fileno()
        while True:
            if self._buffer.startswith(b".end rc="):
                marker = 0
            else:
                found = self._buffer.find(b"\n.end rc=")
                marker = found + 1 if found >= 0 else -1
            stop = self._buffer.find(b"\n", marker) if marker >= 0 else -1
            if stop >= 0:
                out = self._buffer[:marker]
                rc = int(self._buffer[marker + len(b".end rc="):stop])
                self._buffer = self._buffer[stop + 1:]
                return rc, out.decode(errors="replace")
            remaining = deadline - time.monotonic()
            if remaining <= 0:
                self._proc.kill()
                self._proc.wait()
                self._proc = None
                raise ProbeError(f"probe {' '.join(args)} timed out after {timeout}s")
            ready, _, _ = select.select([fd], [], [], remaining)
            if ready:
                chunk = os.read(fd, 65536)
                if not chunk:
                    self._proc.wait()
                    self._proc = None
                    raise ProbeError(f"probe server ended during {' '.join(args)}")
                self._buffer += chunk


class Program:
    """A program started by Session.launch()."""

    def __init__(self, session, popen, exe_name, info_file=None, known_pids=None):
        self._session = session
        self._popen = popen
        self._exe_name = exe_name.lower()
        self._info_file = info_file
        self._known_pids = known_pids
        self._pid = None
        self.stdout_path = None
        self.stderr_path = None

    @property
    def unix_pid(self):
        return self._popen.pid

    @property
    def pid(self):
        """Windows process id (waits up to 10 s for the program to start)."""
        if self._pid is None:
            self._pid = self._resolve_pid(10.0)
        return self._pid

    def _resolve_pid(self, timeout):
        if self._info_file is not None:
            info = wait_until(lambda: self._read_info().get("pid"), timeout)
            if info is None:
                raise ProbeError(f"{self._exe_name} did not start: {self._read_info()}")
            return int(info)

        def new_pid():
            for p in self._session.processes():
                if p["pid"] not in self._known_pids and p["exe"].lower() == self._exe_name:
                    return p["pid"]
            return None
        pid = wait_until(new_pid, timeout)
        if pid is None:
            raise ProbeError(f"no new Windows process named {self._exe_name} appeared")
        return pid

    def _read_info(self):
        try:
            text = Path(self._info_file).read_text()
        except OSError:
            return {}
        records = parse_records(text)
        merged = {}
        for r in records:
            merged.update(r)
        return merged

    def poll(self):
        """The exit code if the program ended, else None."""
        return self._popen.poll()

    @property
    def running(self):
        return self._popen.poll() is None

    def wait(self, timeout=10.0):
        """Waits for the end and returns the exit code as Wine passes it to Linux (the low
        8 bits: -1 arrives as 255). Raises subprocess.TimeoutExpired."""
        return self._popen.wait(timeout=timeout)

    @property
    def windows_exit_code(self):
        """The full 32-bit exit code (only for programs started through the probe)."""
        if self._info_file is None or self.running:
            return None
        value = self._read_info().get("exit")
        return int(value, 16) if value is not None else None

    def kill(self):
        if not self.running:
            return
        with contextlib.suppress(ProbeError):
            if self._pid is None and self._info_file is not None:
                self._pid = self._resolve_pid(1.0)
            if self._pid is not None:
                self._session.probe("kill", str(self._pid), check=False)
        try:
            self._popen.wait(timeout=5)
        except subprocess.TimeoutExpired:
            self._popen.kill()
            self._popen.wait()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.kill()


class Session:
    def __init__(self, state_dir, probe_exe=None, inspect_dll=None):
        self.state_dir = Path(state_dir).absolute()
        info = session_tool.read_state(self.state_dir)
        if not info or "display" not in info or "env" not in info:
            raise RuntimeError(f"no running Wine session in {self.state_dir} "
                               "(start one with session.py start)")
        self.info = info
        self.arch = info["arch"]
        self.display = info["display"]
        self.prefix = Path(info["prefix"])
        self.loader = info["loader"]
        self.env = {k: v for k, v in os.environ.items() if not k.startswith("WINE")}
        self.env.update(info["env"])
        self.x_env = session_tool.x_env(self.display)
        self.drive_c = self.prefix / "drive_c"
        self.probe_exe = Path(probe_exe or info["probe"]).absolute()
        self.inspect_dll = Path(inspect_dll).absolute() if inspect_dll else None
        self.tmp = self.state_dir / "tmp"
        self.tmp.mkdir(exist_ok=True)
        self._origin = tuple(info.get("desktop_origin", (0, 0)))
        self._server = _ProbeServer(self)

    @classmethod
    def from_env(cls):
        state = os.environ.get("HINT_WINE_STATE")
        if not state:
            raise RuntimeError("HINT_WINE_STATE is not set")
        return cls(state, os.environ.get("PROBE_EXE"), os.environ.get("INSPECT_DLL"))

    def close(self):
        self._server.close()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def _temp_path(self, stem, suffix=""):
        """A fresh path in the session's tmp directory, unique across sessions and processes."""
        path = self.tmp / f"{stem}-{os.getpid()}-{next(_TEMP_COUNTER)}{suffix}"
        with contextlib.suppress(FileNotFoundError):
            path.unlink()
        return path

    # ------------------------------------------------------------ paths

    def winpath(self, path) -> str:
        """The Windows path of a Linux path (C: for the prefix's drive_c, Z: otherwise); a
        string that already looks like a Windows path is returned unchanged."""
        if isinstance(path, str) and re.match(r"^[A-Za-z]:\\", path):
            return path
        p = Path(path).absolute()
        try:
            rel = p.relative_to(self.drive_c)
            return "C:\\" + str(rel).replace("/", "\\") if str(rel) != "." else "C:\\"
        except ValueError:
            return "Z:" + str(p).replace("/", "\\")

    def unixpath(self, winpath: str) -> Path:
        drive, rest = winpath[0].lower(), winpath[2:].replace("\\", "/").lstrip("/")
        if drive == "c":
            return self.drive_c / rest
        if drive == "z":
            return Path("/") / rest
        raise ValueError(f"no Linux path for {winpath}")

    # ------------------------------------------------------------ probe

    def probe(self, *args, timeout=30.0, check=True):
        """Runs one probe command; returns its records (dicts of strings)."""
        rc, out = self._server.call([str(a) for a in args], timeout)
        records = parse_records(out)
        if check and rc != 0:
            raise ProbeError(f"probe {' '.join(map(str, args))} failed with {rc}: {out.strip()}")
        return records

    def processes(self):
        return [{"pid": int(r["pid"]), "ppid": int(r["ppid"]),
                 "exe": bytes.fromhex(r["exe"]).decode(CODEPAGE, errors="replace")}
                for r in self.probe("procs")]

    def acp(self):
        return int(self.probe("acp")[0]["acp"])

    def system_color(self, index):
        """GetSysColor(index) as (r, g, b)."""
        r = self.probe("syscolor", str(index))[0]
        return int(r["r"]), int(r["g"]), int(r["b"])

    def button_face(self):
        COLOR_BTNFACE = 15
        return self.system_color(COLOR_BTNFACE)

    # ------------------------------------------------------------ programs

    @staticmethod
    def quote_arg(arg: bytes) -> bytes:
        """Quotes one argument the way the Microsoft C runtime splits command lines."""
        if arg and not re.search(rb'[ \t\n\v"]', arg):
            return arg
        out = b'"'
        backslashes = 0
        for c in arg:
            ch = bytes([c])
            if ch == b"\\":
                backslashes += 1
                continue
            if ch == b'"':
                out += b"\\" * (backslashes * 2 + 1) + ch
            else:
                out += b"\\" * backslashes + ch
            backslashes = 0
        return out + b"\\" * (backslashes * 2) + b'"'

    def command_line(self, exe, args) -> bytes:
        parts = [self.quote_arg(encode_text(self.winpath(exe)))]
        parts += [self.quote_arg(encode_text(a)) for a in args]
        return b" ".join(parts)

    def launch(self, exe, *args, cmdline=None, direct=False, cwd=None) -> Program:
        """Starts a program and returns at once.

        By default the probe starts it (CreateProcess), which gives its Windows pid at once
        and passes arguments as exact 936 bytes; cmdline= replaces the whole command line
        (bytes, starting with the program). direct=True runs it like "wine prog.exe args"
        instead; then arguments must be ASCII. In both cases wait() returns the exit code as
        Wine passes it (low 8 bits)."""
        exe = Path(exe).absolute()
        out = open(self._temp_path("stdout"), "wb")
        err = open(self._temp_path("stderr"), "wb")
        try:
            if direct:
                if cmdline is not None:
                    raise ValueError("cmdline= needs direct=False")
                known = {p["pid"] for p in self.processes()}
                popen = subprocess.Popen([self.loader, str(exe), *map(str, args)], env=self.env,
                                         cwd=cwd, stdin=subprocess.DEVNULL, stdout=out,
                                         stderr=err)
                program = Program(self, popen, exe.name, known_pids=known)
            else:
                line = cmdline if cmdline is not None else self.command_line(exe, args)
                info = self._temp_path("exec", ".txt")
                popen = subprocess.Popen(
                    [self.loader, str(self.probe_exe), "exec", hex_arg(self.winpath(info)),
                     "hex:" + encode_text(line).hex()], env=self.env, cwd=cwd,
                    stdin=subprocess.DEVNULL, stdout=out, stderr=err)
                program = Program(self, popen, exe.name, info_file=info)
        finally:
            out.close()
            err.close()
        program.stdout_path = Path(out.name)
        program.stderr_path = Path(err.name)
        return program

    def run(self, exe, *args, timeout=60.0, cwd=None, cmdline=None):
        """Runs a console program to its end; returns subprocess.CompletedProcess with
        stdout/stderr bytes and the exit code as Wine passes it."""
        ascii_args = all(encode_text(a).isascii() for a in args)
        direct = ascii_args and cmdline is None
        program = self.launch(exe, *args, cmdline=cmdline, direct=direct, cwd=cwd)
        try:
            rc = program.wait(timeout)
        except subprocess.TimeoutExpired:
            program.kill()
            raise
        return subprocess.CompletedProcess(
            [str(exe), *map(str, args)], rc, program.stdout_path.read_bytes(),
            program.stderr_path.read_bytes())

    # ------------------------------------------------------------ windows

    def find_window(self, title, timeout=10.0, pid=None, class_name=None, visible=True):
        """The first top-level window whose title is exactly title, waiting up to timeout
        seconds; None if none appeared."""
        args = ["find", hex_arg(title), str(int(timeout * 1000))]
        if pid is not None:
            args.append(f"pid={pid}")
        if class_name is not None:
            args.append("class=" + hex_arg(class_name))
        if not visible:
            args.append("hidden")
        records = self.probe(*args, timeout=timeout + 10, check=False)
        if records and "hwnd" in records[0]:
            return Window.from_record(records[0])
        return None

    def window(self, hwnd) -> Optional[Window]:
        records = self.probe("window", hex(hwnd), check=False)
        if records and "hwnd" in records[0]:
            return Window.from_record(records[0])
        return None

    def children(self, hwnd):
        """Direct children in z-order, top first."""
        return [Window.from_record(r) for r in self.probe("children", hex(hwnd))]

    def descendants(self, hwnd):
        out = []
        for child in self.children(hwnd):
            out.append(child)
            out.extend(self.descendants(child.hwnd))
        return out

    def gui_thread_info(self, hwnd):
        r = self.probe("focus", hex(hwnd))[0]
        return {k: int(v, 16) for k, v in r.items()}

    def focus(self, hwnd) -> int:
        """The window with keyboard focus in the thread owning hwnd (0 for none)."""
        return self.gui_thread_info(hwnd)["focus"]

    def foreground(self) -> int:
        return self.gui_thread_info(self.desktop_hwnd())["foreground"]

    def desktop_hwnd(self) -> int:
        return int(self.probe("desktop")[0]["hwnd"], 16)

    def top_level_windows(self, pid=None, visible_only=True):
        """Top-level windows in z-order, top first."""
        wins = [Window.from_record(r) for r in self.probe("toplevel")]
        return [w for w in wins
                if (not visible_only or w.visible) and (pid is None or w.pid == pid)]

    def message_boxes(self, pid=None):
        boxes = []
        for w in self.top_level_windows(pid):
            if w.class_name != b"#32770":
                continue
            kids = self.children(w.hwnd)
            texts = [k.text for k in kids if k.id == MSGBOX_TEXT_ID and k.class_name.lower()
                     == b"static"]
            if not texts:
                continue
            buttons = [k for k in kids if k.class_name.lower() == b"button"]
            boxes.append(MessageBox(w.hwnd, w.pid, w.text, texts[0], buttons))
        return boxes

    def wait_message_box(self, pid=None, timeout=5.0) -> Optional[MessageBox]:
        found = wait_until(lambda: self.message_boxes(pid), timeout)
        return found[0] if found else None

    def press_ok(self, box_hwnd, real_input=False):
        """Presses the box's OK button: by a mouse click on it (real_input) or by the same
        WM_COMMAND a click produces."""
        buttons = [k for k in self.children(box_hwnd) if k.id == IDOK]
        if not buttons:
            raise ProbeError(f"window {box_hwnd:#x} has no OK button")
        if real_input:
            self.click(*buttons[0].rect.center)
        else:
            self.post(box_hwnd, WM_COMMAND, IDOK, buttons[0].hwnd)

    def post(self, hwnd, msg, wparam=0, lparam=0):
        self.probe("post", hex(hwnd), str(msg), str(wparam), str(lparam))

    def send(self, hwnd, msg, wparam=0, lparam=0, timeout=5.0) -> int:
        r = self.probe("send", hex(hwnd), str(msg), str(wparam), str(lparam),
                       str(int(timeout * 1000)), timeout=timeout + 10)
        return int(r[0]["result"], 16)

    def post_thread(self, hwnd, msg, wparam=0, lparam=0):
        """Posts to the thread that owns hwnd (WM_QUIT with wparam=7 ends its loop with 7)."""
        self.probe("postthread", hex(hwnd), str(msg), str(wparam), str(lparam))

    # ------------------------------------------------------------ real input

    def _xdotool(self, *args):
        subprocess.run(["xdotool", *map(str, args)], env=self.x_env, check=True, timeout=20,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL)

    def to_x(self, x, y):
        return x + self._origin[0], y + self._origin[1]

    # xdotool's "mousemove --sync" can wait for seconds when the pointer is already in
    # place, so moves are plain and followed by a short pause for Wine to see the motion.
    def move(self, x, y):
        self._xdotool("mousemove", *self.to_x(x, y), "sleep", 0.05)

    def click(self, x, y, button=1, repeat=1):
        self._xdotool("mousemove", *self.to_x(x, y), "sleep", 0.05, "click", "--repeat", repeat,
                      "--delay", 60, button)

    def mouse_down(self, x, y, button=1):
        self._xdotool("mousemove", *self.to_x(x, y), "sleep", 0.05, "mousedown", button)

    def mouse_up(self, x=None, y=None, button=1):
        if x is None:
            self._xdotool("mouseup", button)
        else:
            self._xdotool("mousemove", *self.to_x(x, y), "sleep", 0.05, "mouseup", button)

    def key(self, *names, delay_ms=30):
        """xdotool key names, e.g. "Escape", "alt+F4", "ctrl+Escape", "Tab"."""
        self._xdotool("key", "--delay", delay_ms, *names)

    def key_down(self, name):
        self._xdotool("keydown", name)

    def key_up(self, name):
        self._xdotool("keyup", name)

    def type_text(self, text, delay_ms=30):
        """Types ASCII text key by key."""
        self._xdotool("type", "--delay", delay_ms, text)

    # ------------------------------------------------------------ screen

    def screenshot(self, path=None) -> Screen:
        """Captures the screen; also writes it as PNG to path when given."""
        result = subprocess.run(["/usr/bin/import", "-display", self.display, "-window", "root",
                                 "-depth", "8", "ppm:-"], env=self.x_env, capture_output=True,
                                check=True, timeout=30)
        data = result.stdout
        m = re.match(rb"P6\s+(\d+)\s+(\d+)\s+(\d+)\s", data)
        if not m or m.group(3) != b"255":
            raise RuntimeError("unexpected capture format from import")
        width, height = int(m.group(1)), int(m.group(2))
        rgb = data[m.end():m.end() + width * height * 3]
        if path is not None:
            subprocess.run(["/usr/bin/convert", "ppm:-", f"png:{path}"], input=data,
                           check=True, timeout=30, env=self.x_env)
        return Screen(width, height, rgb, self._origin)

    def pixel(self, x, y):
        return self.screenshot().pixel(x, y)

    # ------------------------------------------------------------ inside a process

    def inspect(self, pid, timeout=10.0):
        """Loads inspect.dll into the process and returns its report:
        {"process": {...}, "windows": {hwnd: {...}}}; class, exe and font_face are bytes."""
        if self.inspect_dll is None:
            raise RuntimeError("INSPECT_DLL is not set")
        out = self._temp_path("inspect", ".txt")
        self.probe("inject", str(pid), hex_arg(self.winpath(self.inspect_dll)),
                   hex_arg(self.winpath(out)), str(int(timeout * 1000)), timeout=timeout * 2 + 10)
        records = parse_records(out.read_text(encoding="ascii"))
        out.unlink()
        report = {"process": {}, "windows": {}}
        for r in records:
            for key in ("class", "exe", "font_face"):
                if key in r:
                    r[key] = bytes.fromhex(r[key])
            if "process" in r:
                r["process"] = int(r["process"])
                report["process"] = r
                continue
            r["hwnd"] = int(r["hwnd"], 16)
            r["parent"] = int(r["parent"], 16)
            r["id"] = int(r["id"])
            report["windows"][r["hwnd"]] = r
        return report

    # ------------------------------------------------------------ files and resources

    @contextlib.contextmanager
    def hold_file(self, path, create=False):
        """Keeps a file open with share mode 0 (no other opener succeeds) while inside."""
        out = self._temp_path("hold", ".txt")
        with open(out, "wb") as f:
            proc = subprocess.Popen([self.loader, str(self.probe_exe), "hold",
                                     hex_arg(self.winpath(path))] + (["create"] if create else []),
                                    env=self.env, stdin=subprocess.PIPE, stdout=f,
                                    stderr=subprocess.DEVNULL)
        try:
            def state():
                text = out.read_text(errors="replace")
                if "held=1" in text or "error=" in text or proc.poll() is not None:
                    return text or "ended"
                return None
            text = wait_until(state, 20, 0.02)
            if not text or "held=1" not in text:
                raise ProbeError(f"cannot hold {path}: {text}")
            yield
        finally:
            proc.stdin.close()
            try:
                proc.wait(timeout=10)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()
            with contextlib.suppress(OSError):
                out.unlink()

    def resources(self, path):
        """{(type, name, lang): bytes}; integer ids as int, string ids as str."""
        out = {}
        for r in self.probe("resources", hex_arg(self.winpath(path))):
            key = (res_id_parse(r["type"]), res_id_parse(r["name"]), int(r["lang"]))
            out[key] = bytes.fromhex(r["data"])
        return out

    def copy_exe_with_resource(self, src, dst, type, name, data, lang=None):
        """Copies src to dst with resource type/name replaced by data (bytes), or removed
        when data is None; all other resources are kept. lang=None keeps the language the
        resource had (neutral for a new one)."""
        args = ["resource", hex_arg(self.winpath(src)), hex_arg(self.winpath(dst)),
                res_id_arg(type), res_id_arg(name), "*" if lang is None else str(lang)]
        data_file = None
        if data is None:
            args.append("-remove")
        else:
            data_file = self._temp_path("resource", ".bin")
            data_file.write_bytes(data)
            args.append(hex_arg(self.winpath(data_file)))
        try:
            r = self.probe(*args)[0]
        finally:
            if data_file is not None:
                data_file.unlink()
        return {k: int(v) for k, v in r.items()}
