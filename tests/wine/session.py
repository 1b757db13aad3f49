#!/usr/bin/env python3
"""Start and stop a Wine test session: a virtual X display, a private Wine prefix with a
virtual desktop and a persistent wineserver.

    session.py arch                      prints win32 or win64 (the reason goes to stderr)
    session.py start <state-dir> [--arch win32|win64] [--probe probe.exe]
    session.py stop <state-dir>
    session.py env <state-dir>           prints the session's environment as shell exports

The state directory receives session.json, the logs and the per-session prefix. A state
directory left behind by an aborted run is cleaned up by the next start. The user's own
~/.wine is never touched: every command runs with WINEPREFIX set.
"""

import argparse
import select
import errno
import fcntl
import json
import os
import shlex
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from pathlib import Path

WINE_DIR = Path("/usr/lib/wine")
LOADERS = {"win32": WINE_DIR / "wine", "win64": WINE_DIR / "wine64"}
SCREEN = (1024, 768)
DESKTOP_NAME = "Default"
# Raised whenever the registry settings below change, so cached templates are rebuilt.
TEMPLATE_REVISION = 1
REGISTRY_SETTINGS = f"""REGEDIT4

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]
"Desktop"="{DESKTOP_NAME}"

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]
"{DESKTOP_NAME}"="{SCREEN[0]}x{SCREEN[1]}"

[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]
"ShowCrashDialog"=dword:00000000
"""
# Large files under drive_c/windows that Wine only ever reads; per-session prefixes share them
# with the template through hard links. Everything else is copied.
SHARED_SUFFIXES = {
    ".dll", ".exe", ".drv", ".sys", ".ocx", ".cpl", ".acm", ".ax", ".tlb", ".ds", ".com",
    ".msstyles", ".vxd", ".ttf", ".fon", ".nls", ".mui", ".mof",
}


class SessionError(Exception):
    pass


VERBOSE = True


def log(message):
    if VERBOSE:
        print(f"session: {message}", file=sys.stderr, flush=True)


# ---------------------------------------------------------------- architecture

def detect_arch():
    """Returns (arch, reason): win32 when this host can execute the 32-bit Wine loader."""
    wine32 = LOADERS["win32"]
    if not wine32.exists():
        return "win64", f"{wine32} is not installed"
    try:
        result = subprocess.run([str(wine32), "--version"], capture_output=True, timeout=30,
                                env=dict(os.environ, WINEDEBUG="-all"))
    except OSError as e:
        if e.errno == errno.ENOEXEC:
            return "win64", f"{wine32} --version: exec format error (kernel runs no 32-bit code)"
        return "win64", f"{wine32} --version: {e}"
    except subprocess.TimeoutExpired:
        return "win64", f"{wine32} --version timed out"
    if result.returncode != 0:
        return "win64", (f"{wine32} --version exited with {result.returncode}: "
                         f"{result.stderr.decode(errors='replace').strip()}")
    return "win32", f"{wine32} --version runs: {result.stdout.decode(errors='replace').strip()}"


def wineserver_binary():
    for name in ("wineserver64", "wineserver32"):
        path = WINE_DIR / name
        if path.exists() and os.access(path, os.X_OK):
            return path
    raise SessionError(f"no wineserver binary in {WINE_DIR}")


def base_env(arch, prefix):
    """Environment for every Wine process of a session using <prefix>."""
    env = {k: v for k, v in os.environ.items() if not k.startswith("WINE")}
    env.update({
        "WINEPREFIX": str(prefix),
        "WINEARCH": arch,
        "WINELOADER": str(LOADERS[arch]),
        "WINESERVER": str(wineserver_binary()),
        "WINEDEBUG": "-all",
        "WINEDLLOVERRIDES": "mscoree=;mshtml=",
        # Wine derives the ANSI code page from this variable's name: zh_CN gives 936.
        "LC_ALL": "zh_CN.UTF-8",
    })
    env.pop("DISPLAY", None)
    return env


def x_env(display):
    """Environment for the X tools, which only need the display (and a locale they know)."""
    env = {k: v for k, v in os.environ.items() if not k.startswith("WINE")}
    env.pop("LC_ALL", None)
    env["LANG"] = "C.UTF-8"
    env["DISPLAY"] = display
    return env


def server_base(prefix):
    """The private temporary directory some Wine builds keep the server socket in; its name
    is stored in <prefix>/wineserver. None for builds using the shared /tmp/.wine-<uid>."""
    try:
        name = (Path(prefix) / "wineserver").read_text().strip()
    except OSError:
        return None
    if not name or "/" in name or name in (".", ".."):
        return None
    return Path("/tmp") / name


# ---------------------------------------------------------------- template prefix

def cache_root():
    base = os.environ.get("XDG_CACHE_HOME") or os.path.join(os.path.expanduser("~"), ".cache")
    return Path(base) / "hint-wine"


def template_stamp(arch):
    inf = Path("/usr/share/wine/wine.inf")
    version = subprocess.run([str(LOADERS[arch]), "--version"],
                             capture_output=True, env=dict(os.environ, WINEDEBUG="-all"),
                             timeout=30).stdout.decode().strip()
    return {
        "revision": TEMPLATE_REVISION,
        "arch": arch,
        "wine": version,
        "wine_inf_mtime": inf.stat().st_mtime if inf.exists() else 0,
    }


def wait_server_gone(env, timeout=30):
    subprocess.run([env["WINESERVER"], "-w"], env=env, timeout=timeout,
                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)


def remove_server_base(prefix):
    base = server_base(prefix)
    if base is not None:
        shutil.rmtree(base, ignore_errors=True)
    try:
        (Path(prefix) / "wineserver").unlink()
    except FileNotFoundError:
        pass


def build_template(arch, template):
    """Creates the cached prefix once: wineboot plus the registry settings."""
    tmp = template.with_name(f"{template.name}.tmp-{os.getpid()}")
    shutil.rmtree(tmp, ignore_errors=True)
    env = base_env(arch, tmp)
    loader = env["WINELOADER"]
    started = time.monotonic()
    try:
        rc, _, err = run_captured([loader, "wineboot", "-i"], env, 300)
        if rc != 0 or not (tmp / "drive_c" / "windows").is_dir():
            raise SessionError("wineboot failed:\n" + err.decode(errors="replace"))
        reg = tmp / "drive_c" / "hint-settings.reg"
        reg.write_text(REGISTRY_SETTINGS.replace("\n", "\r\n"), encoding="ascii")
        rc, _, err = run_captured([loader, "regedit", "/S", "C:\\hint-settings.reg"], env, 120)
        if rc != 0:
            raise SessionError("regedit failed:\n" + err.decode(errors="replace"))
        reg.unlink()
        # The registry reaches the disk when the server ends.
        wait_server_gone(env)
        remove_server_base(tmp)
        try:
            user_reg = (tmp / "user.reg").read_text(encoding="utf-8", errors="replace")
        except OSError:
            user_reg = ""
        if not (tmp / "system.reg").exists() or \
                f'"{DESKTOP_NAME}"="{SCREEN[0]}x{SCREEN[1]}"' not in user_reg:
            raise SessionError(f"the registry of {tmp} lacks the session settings")
        (tmp / "hint-template.json").write_text(json.dumps(template_stamp(arch)))
        shutil.rmtree(template, ignore_errors=True)
        os.rename(tmp, template)
    except BaseException:
        subprocess.run([env["WINESERVER"], "-k"], env=env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30)
        wait_server_gone(env)
        remove_server_base(tmp)
        shutil.rmtree(tmp, ignore_errors=True)
        raise
    log(f"built template {template} in {time.monotonic() - started:.1f}s")


def ensure_template(arch):
    root = cache_root()
    root.mkdir(parents=True, exist_ok=True)
    template = root / f"{arch}-template"
    with open(root / f"{arch}.lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        stamp_file = template / "hint-template.json"
        try:
            current = json.loads(stamp_file.read_text())
        except (OSError, ValueError):
            current = None
        if current != json.loads(json.dumps(template_stamp(arch))):
            build_template(arch, template)
    return template


def copy_prefix(template, prefix):
    """Copies the template; the big read-only system files are hard links when possible."""
    prefix.mkdir(parents=True)
    windows = template / "drive_c" / "windows"
    for root, dirs, files in os.walk(template):
        src_root = Path(root)
        dst_root = prefix / src_root.relative_to(template)
        for d in list(dirs):
            src = src_root / d
            if src.is_symlink():
                os.symlink(os.readlink(src), dst_root / d)
                dirs.remove(d)
            else:
                (dst_root / d).mkdir()
        for f in files:
            src = src_root / f
            dst = dst_root / f
            if src_root == template and f in ("hint-template.json", "wineserver"):
                continue
            if src.is_symlink():
                os.symlink(os.readlink(src), dst)
                continue
            shared = src.suffix.lower() in SHARED_SUFFIXES and windows in src.parents
            if shared:
                try:
                    os.link(src, dst)
                    continue
                except OSError:
                    pass
            shutil.copy2(src, dst)


# ---------------------------------------------------------------- processes

def process_alive(pid, name_part):
    """True if pid runs and its command line mentions name_part (so a reused pid is left
    alone)."""
    try:
        cmdline = Path(f"/proc/{pid}/cmdline").read_bytes()
    except OSError:
        return False
    return name_part.encode() in cmdline


def end_process(pid, name_part, timeout=5.0):
    if not pid or not process_alive(pid, name_part):
        return
    for sig in (signal.SIGTERM, signal.SIGKILL):
        try:
            os.kill(pid, sig)
        except ProcessLookupError:
            return
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            try:
                os.waitpid(pid, os.WNOHANG)
            except ChildProcessError:
                pass
            if not process_alive(pid, name_part):
                return
            time.sleep(0.05)


def start_xvfb(state):
    read_fd, write_fd = os.pipe()
    log_file = open(state / "xvfb.log", "wb")
    try:
        proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0",
             f"{SCREEN[0]}x{SCREEN[1]}x24", "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_fd,), stdin=subprocess.DEVNULL, stdout=log_file,
            stderr=subprocess.STDOUT, start_new_session=True)
    finally:
        os.close(write_fd)
        log_file.close()
    number = b""
    deadline = time.monotonic() + 20
    while not number.endswith(b"\n"):
        remaining = deadline - time.monotonic()
        if remaining <= 0 or proc.poll() is not None:
            os.close(read_fd)
            proc.kill()
            raise SessionError("Xvfb did not report a display; see " + str(state / "xvfb.log"))
        ready, _, _ = select.select([read_fd], [], [], remaining)
        if ready:
            chunk = os.read(read_fd, 64)
            if not chunk:
                continue
            number += chunk
    os.close(read_fd)
    return proc.pid, ":" + number.decode().strip()


def start_wineserver(state, env, prefix):
    log_file = open(state / "wineserver.log", "wb")
    try:
        proc = subprocess.Popen([env["WINESERVER"], "-f", "-p"], env=env,
                                stdin=subprocess.DEVNULL, stdout=log_file,
                                stderr=subprocess.STDOUT, start_new_session=True)
    finally:
        log_file.close()
    # The server runs in its socket's directory.
    socket = Path(f"/proc/{proc.pid}/cwd/socket")
    deadline = time.monotonic() + 20
    while not socket.exists():
        if proc.poll() is not None or time.monotonic() > deadline:
            raise SessionError("wineserver did not start; see " + str(state / "wineserver.log"))
        time.sleep(0.01)
    return proc.pid


def run_captured(cmd, env, timeout):
    """Runs a Wine command with its output in files, not pipes: the first Wine process of a
    server starts the system processes, which inherit its standard handles and would keep a
    pipe open long after the command ended. Returns (returncode, stdout, stderr) as bytes."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        result = subprocess.run(cmd, env=env, stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                                timeout=timeout)
        out.seek(0)
        err.seek(0)
        return result.returncode, out.read(), err.read()


def probe_records(env, probe, *args, timeout=60):
    rc, out, err = run_captured([env["WINELOADER"], str(probe), *args], env, timeout)
    records = []
    for line in out.decode(errors="replace").splitlines():
        fields = dict(tok.split("=", 1) for tok in line.split() if "=" in tok)
        if fields:
            records.append(fields)
    return rc, records, err.decode(errors="replace")


def find_desktop_x_window(display, timeout=20):
    """The X window Wine draws its virtual desktop in: (window id, x, y)."""
    env = x_env(display)
    title = f"{DESKTOP_NAME} - Wine desktop"
    deadline = time.monotonic() + timeout
    while True:
        result = subprocess.run(["xdotool", "search", "--name", f"^{title}$"], env=env,
                                capture_output=True, timeout=10)
        ids = result.stdout.decode().split()
        if ids:
            xid = int(ids[0])
            geo = subprocess.run(["xwininfo", "-id", str(xid)], env=env, capture_output=True,
                                 timeout=10).stdout.decode()
            values = {}
            for line in geo.splitlines():
                key, _, value = line.strip().partition(":")
                values[key] = value.strip()
            return xid, int(values["Absolute upper-left X"]), int(values["Absolute upper-left Y"])
        if time.monotonic() > deadline:
            raise SessionError(f"no X window named '{title}' appeared on {display}")
        time.sleep(0.05)


# ---------------------------------------------------------------- start / stop

def read_state(state):
    try:
        return json.loads((state / "session.json").read_text())
    except (OSError, ValueError):
        return None


def write_state(state, info):
    tmp = state / "session.json.tmp"
    tmp.write_text(json.dumps(info, indent=2, sort_keys=True))
    os.replace(tmp, state / "session.json")


def stop(state):
    state = Path(state).absolute()
    info = read_state(state) or {}
    prefix = Path(info.get("prefix") or state / "prefix")
    if prefix.exists():
        env = base_env(info.get("arch", "win64"), prefix)
        try:
            subprocess.run([env["WINESERVER"], "-k"], env=env, stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30)
        except subprocess.TimeoutExpired:
            log("wineserver -k timed out")
    end_process(info.get("keeper_pid"), "probe")
    end_process(info.get("wineserver_pid"), "wineserver")
    end_process(info.get("xvfb_pid"), "Xvfb")
    remove_server_base(prefix)
    shutil.rmtree(prefix, ignore_errors=True)
    shutil.rmtree(state / "tmp", ignore_errors=True)
    try:
        (state / "session.json").unlink()
    except FileNotFoundError:
        pass


def start(state, arch, probe, check_probe=True):
    """Starts a session in <state>; returns its description (also in session.json). Without
    a probe (only with check_probe=False) the code page and desktop checks are left out."""
    timings = {}
    t0 = time.monotonic()
    state = Path(state).absolute()
    state.mkdir(parents=True, exist_ok=True)
    if (state / "session.json").exists() or (state / "prefix").exists():
        log(f"cleaning up the previous session in {state}")
        stop(state)
    if arch == "win32":
        can, reason = detect_arch()
        if can != "win32":
            raise SessionError(f"a win32 session cannot run on this host ({reason}); "
                               "use the x86_64 build (win64 session) here")
    loader = LOADERS[arch]
    if not loader.exists():
        raise SessionError(f"{loader} is not installed")
    if probe is not None and not Path(probe).exists():
        raise SessionError(f"probe.exe not found: {probe}")
    if probe is None and check_probe:
        raise SessionError("no probe.exe given; pass --probe or set PROBE_EXE")

    template = ensure_template(arch)
    timings["template"] = time.monotonic() - t0
    prefix = state / "prefix"
    copy_prefix(template, prefix)
    (state / "tmp").mkdir(exist_ok=True)
    timings["copy"] = time.monotonic() - t0
    env = base_env(arch, prefix)
    info = {"arch": arch, "prefix": str(prefix), "loader": str(loader),
            "wineserver": env["WINESERVER"], "screen": list(SCREEN),
            "probe": str(Path(probe).absolute()) if probe else None}
    write_state(state, info)

    xvfb_pid, display = start_xvfb(state)
    info.update(xvfb_pid=xvfb_pid, display=display)
    write_state(state, info)
    env["DISPLAY"] = display
    info["env"] = {k: env[k] for k in ("WINEPREFIX", "WINEARCH", "WINELOADER", "WINESERVER",
                                       "WINEDEBUG", "WINEDLLOVERRIDES", "LC_ALL", "DISPLAY")}
    timings["xvfb"] = time.monotonic() - t0

    info["wineserver_pid"] = start_wineserver(state, env, prefix)
    write_state(state, info)
    timings["wineserver"] = time.monotonic() - t0

    if probe is None:
        info["start_seconds"] = {k: round(v, 3) for k, v in timings.items()}
        write_state(state, info)
        return info

    rc, records, err = probe_records(env, probe, "acp")
    acp = records[0].get("acp") if records else None
    if rc != 0 or acp != "936":
        raise SessionError(
            f"the ANSI code page inside Wine is {acp or 'unknown'}, not 936; Wine takes it from "
            f"LC_ALL={env['LC_ALL']} (probe exit {rc}) {err.strip()}")
    timings["acp"] = time.monotonic() - t0

    # The keeper's window starts the virtual desktop (and its X window) and keeps it up.
    keeper_out = state / "keeper.log"
    with open(keeper_out, "wb") as out:
        keeper = subprocess.Popen([env["WINELOADER"], str(probe), "keep"], env=env,
                                  stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT,
                                  start_new_session=True)
    info["keeper_pid"] = keeper.pid
    write_state(state, info)
    deadline = time.monotonic() + 60
    while True:
        records = [dict(tok.split("=", 1) for tok in line.split() if "=" in tok)
                   for line in keeper_out.read_text(errors="replace").splitlines()]
        if records and "cx" in records[0]:
            break
        if keeper.poll() is not None or time.monotonic() > deadline or "error" in str(records):
            raise SessionError(f"the desktop keeper failed: {keeper_out.read_text()}")
        time.sleep(0.02)
    if records[0]["cx"] != str(SCREEN[0]):
        raise SessionError(f"the virtual desktop has the wrong size: {records[0]}")
    xid, x, y = find_desktop_x_window(display)
    info.update(desktop_xid=xid, desktop_origin=[x, y], acp=int(acp))
    timings["desktop"] = time.monotonic() - t0
    info["start_seconds"] = {k: round(v, 3) for k, v in timings.items()}
    write_state(state, info)
    log(f"{arch} session on {display}, prefix {prefix}, started in {timings['desktop']:.2f}s")
    return info


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = parser.add_subparsers(dest="command", required=True)
    sub.add_parser("arch")
    p = sub.add_parser("start")
    p.add_argument("state")
    p.add_argument("--arch", choices=sorted(LOADERS))
    p.add_argument("--probe", default=os.environ.get("PROBE_EXE"))
    p = sub.add_parser("stop")
    p.add_argument("state")
    p = sub.add_parser("env")
    p.add_argument("state")
    args = parser.parse_args(argv)

    if args.command == "arch":
        arch, reason = detect_arch()
        print(arch)
        print(reason, file=sys.stderr)
        return 0
    if args.command == "stop":
        stop(args.state)
        return 0
    if args.command == "env":
        info = read_state(Path(args.state).absolute())
        if not info or "env" not in info:
            print(f"no session in {args.state}", file=sys.stderr)
            return 1
        for key, value in sorted(info["env"].items()):
            print(f"export {key}={shlex.quote(value)}")
        return 0
    arch = args.arch or detect_arch()[0]
    try:
        start(args.state, arch, args.probe)
    except (SessionError, subprocess.TimeoutExpired, OSError) as e:
        print(f"session: cannot start the Wine session: {e}", file=sys.stderr)
        stop(args.state)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
