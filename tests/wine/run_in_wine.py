#!/usr/bin/env python3
"""Runs a Windows console program inside the Wine test session and passes its output and
exit code through (the exit code as Wine passes it: the low 8 bits).

    run_in_wine.py [--state <state-dir>] [--probe <probe.exe>] <program.exe> [args...]

The session is the one in --state (or HINT_WINE_STATE). Without a running session, for
example when CMake runs a test program at build time, a private session is started for this
one run and stopped afterwards; its architecture follows the program's PE header.
Arguments that are not ASCII are handed over as code page 936 bytes through the probe
(needs --probe or PROBE_EXE).
"""

import os
import struct
import subprocess
import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import session as session_tool  # noqa: E402


def pe_arch(exe):
    """win32 or win64 from the program's PE header; None if it is not a PE file."""
    try:
        with open(exe, "rb") as f:
            head = f.read(4096)
    except OSError:
        return None
    if head[:2] != b"MZ" or len(head) < 0x40:
        return None
    offset = struct.unpack_from("<I", head, 0x3C)[0]
    if offset + 6 > len(head) or head[offset:offset + 4] != b"PE\0\0":
        return None
    machine = struct.unpack_from("<H", head, offset + 4)[0]
    return {0x14C: "win32", 0x8664: "win64"}.get(machine)


def session_alive(info):
    return bool(info and "env" in info
                and session_tool.process_alive(info.get("xvfb_pid"), "Xvfb")
                and session_tool.process_alive(info.get("wineserver_pid"), "wineserver"))


def quote(arg: bytes) -> bytes:
    """Quotes one argument the way the Microsoft C runtime splits command lines."""
    if arg and not any(c in arg for c in b' \t\n\v"'):
        return arg
    out = b'"'
    backslashes = 0
    for c in arg:
        if c == 0x5C:
            backslashes += 1
            continue
        if c == 0x22:
            out += b"\\" * (backslashes * 2 + 1) + b'"'
        else:
            out += b"\\" * backslashes + bytes([c])
        backslashes = 0
    return out + b"\\" * (backslashes * 2) + b'"'


def run(info, exe, args, probe, tmp):
    env = dict(os.environ)
    env.update(info["env"])
    loader = info["loader"]
    if all(a.isascii() for a in args):
        cmd = [loader, exe, *args]
    else:
        if not probe:
            print("run_in_wine: non-ASCII arguments need --probe or PROBE_EXE", file=sys.stderr)
            return 2
        line = b" ".join(quote(a.encode("cp936"))
                         for a in ["Z:" + exe.replace("/", "\\"), *args])
        info_file = Path(tmp) / "exec-info.txt"
        cmd = [loader, probe, "exec", "hex:" + ("Z:" + str(info_file).replace("/", "\\"))
               .encode().hex(), "hex:" + line.hex()]
    # Output goes through files rather than pipes: a Wine process that starts a system
    # process hands it its standard handles, and a pipe would then stay open after the end.
    out_path = Path(tmp) / "stdout"
    err_path = Path(tmp) / "stderr"
    with open(out_path, "wb") as out, open(err_path, "wb") as err, \
            open(out_path, "rb") as out_r, open(err_path, "rb") as err_r:
        proc = subprocess.Popen(cmd, env=env, stdin=subprocess.DEVNULL, stdout=out, stderr=err)
        while True:
            done = proc.poll() is not None
            for src, dst in ((out_r, sys.stdout.buffer), (err_r, sys.stderr.buffer)):
                chunk = src.read()
                if chunk:
                    dst.write(chunk)
                    dst.flush()
            if done:
                return proc.returncode
            time.sleep(0.02)


def main(argv):
    state = os.environ.get("HINT_WINE_STATE")
    probe = os.environ.get("PROBE_EXE")
    while argv and argv[0] in ("--state", "--probe"):
        if len(argv) < 2:
            break
        if argv[0] == "--state":
            state = argv[1]
        else:
            probe = argv[1]
        argv = argv[2:]
    if not argv:
        print(__doc__, file=sys.stderr)
        return 2
    exe = str(Path(argv[0]).absolute())
    args = argv[1:]

    info = session_tool.read_state(Path(state).absolute()) if state else None
    with tempfile.TemporaryDirectory(prefix="run-in-wine-") as tmp:
        if session_alive(info):
            if not probe:
                probe = info.get("probe")
            return run(info, exe, args, probe, tmp)
        arch = pe_arch(exe) or session_tool.detect_arch()[0]
        private = Path(tmp) / "session"
        session_tool.VERBOSE = False
        try:
            info = session_tool.start(private, arch, probe, check_probe=bool(probe))
        except (session_tool.SessionError, subprocess.TimeoutExpired, OSError) as e:
            print(f"run_in_wine: cannot start a Wine session: {e}", file=sys.stderr)
            session_tool.stop(private)
            return 1
        try:
            return run(info, exe, args, probe, tmp)
        finally:
            session_tool.stop(private)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
