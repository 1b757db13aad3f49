#!/usr/bin/env python3
"""Runs hint.exe under Wine.

With a display, the program runs there in a Wine prefix of its own (made on
first use) until its window is closed. Without one, it runs on a virtual
display; once its window is up, a screenshot of it is left at the printed
path and the window is closed with Esc.
"""

import argparse
import os
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "tests" / "wine"))

import harness  # noqa: E402
import session as session_tool  # noqa: E402

LOADERS = {"win32": "/usr/lib/wine/wine", "win64": "/usr/lib/wine/wine64"}


def run_on_display(exe, arch):
    data = Path(os.environ.get("XDG_DATA_HOME", Path.home() / ".local" / "share"))
    prefix = data / "hint" / f"wine-{arch}"
    env = dict(os.environ, WINEPREFIX=str(prefix), WINEARCH=arch, WINEDEBUG="-all",
               WINELOADER=LOADERS[arch], WINEDLLOVERRIDES="mscoree=;mshtml=",
               LC_ALL="zh_CN.UTF-8")
    if not prefix.exists():
        print(f"Making the Wine prefix {prefix} (once)...")
        subprocess.run([LOADERS[arch], "wineboot", "-i"], env=env, check=True)
    print(f"Running {exe}; each press of the button writes {prefix / 'drive_c' / 'flag.txt'}")
    code = subprocess.run([LOADERS[arch], str(exe)], env=env).returncode
    print(f"hint.exe ended with exit code {code}")
    return code


def run_headless(exe, arch, probe, state, screenshot):
    print("There is no display (DISPLAY is not set): running hint.exe on a virtual display.")
    subprocess.run([sys.executable, str(ROOT / "tests" / "wine" / "session.py"), "start",
                    str(state), "--arch", arch, "--probe", str(probe)], check=True)
    try:
        with harness.Session(state, probe) as session:
            program = session.launch(exe)
            window = session.find_window("Hint".encode("cp936"), timeout=30, pid=program.pid)
            if window is None:
                print("The window did not appear.")
                program.kill()
                return 1
            time.sleep(1.0)
            session.screenshot(state / "screen.png")
            rect = window.rect
            subprocess.run(["/usr/bin/convert", str(state / "screen.png"), "-crop",
                            f"{rect.width}x{rect.height}+{rect.left}+{rect.top}", "+repage",
                            str(screenshot)], check=True)
            print(f"Screenshot of the window: {screenshot}")
            session.key("Escape")
            code = program.wait(20)
            print(f"Closed it with Esc; hint.exe ended with exit code {code}")
            return code
    finally:
        subprocess.run([sys.executable, str(ROOT / "tests" / "wine" / "session.py"), "stop",
                        str(state)], check=False)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--arch", choices=sorted(LOADERS), required=True)
    parser.add_argument("--probe", type=Path, required=True)
    parser.add_argument("--screenshot", type=Path,
                        help="run on a virtual display even when there is a display, and "
                             "write the window's screenshot here")
    parser.add_argument("exe", type=Path)
    args = parser.parse_args()
    exe = args.exe.resolve()
    if args.screenshot:
        return run_headless(exe, args.arch, args.probe.resolve(), exe.parent / "run-session",
                            args.screenshot.resolve())
    if os.environ.get("DISPLAY"):
        return run_on_display(exe, args.arch)
    build = exe.parent
    return run_headless(exe, args.arch, args.probe.resolve(), build / "run-session",
                        build / "hint-window.png")


if __name__ == "__main__":
    sys.exit(main())
