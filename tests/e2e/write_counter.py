"""Count how many times a file in a directory was written and closed.

A Windows program running under Wine sees C:\\ as an ordinary Linux
directory, so its file writes can be observed from the Linux side with
inotify.  Every time a file that was opened for writing is closed, the
kernel reports IN_CLOSE_WRITE; counting those events for one file name
tells a test how many times the program wrote that file.

Only the standard library is used: inotify is reached through ctypes
on libc.

The kernel merges an event into the previous queued one when both are
identical and still unread, so five quick writes would show up as a
single IN_CLOSE_WRITE.  To keep them apart the watch also asks for
IN_OPEN: each write session then queues OPEN ... CLOSE_WRITE and no two
CLOSE_WRITE events are adjacent.  One case remains ambiguous: two write
handles to the same file that are open at the same time and closed back
to back (open, open, close, close) are counted once.  Duplicated
descriptors share one open file and are always reported once.

    with WriteCounter(drive_c, "settings.ini") as counter:
        run_program()
        assert counter.wait_for(1) == 1
        assert counter.settle() == 1
"""

import ctypes
import ctypes.util
import errno
import os
import select
import struct
import time

# Flag and event values from <sys/inotify.h> (identical on all Linux
# architectures Wine runs on).
IN_CLOSE_WRITE = 0x00000008
IN_OPEN = 0x00000020
IN_Q_OVERFLOW = 0x00004000
IN_IGNORED = 0x00008000
IN_ONLYDIR = 0x01000000
IN_NONBLOCK = 0o4000  # same as O_NONBLOCK
IN_CLOEXEC = 0o2000000  # same as O_CLOEXEC

# struct inotify_event { int wd; uint32_t mask; uint32_t cookie;
#                        uint32_t len; char name[len]; }
_HEADER = struct.Struct("=iIII")

# Large enough for many events at once; a single event is at most
# header + NAME_MAX + 1 bytes.
_READ_SIZE = 64 * 1024


class EventOverflowError(RuntimeError):
    """The kernel dropped events, so the count can no longer be trusted."""


def _load_libc():
    path = ctypes.util.find_library("c") or "libc.so.6"
    libc = ctypes.CDLL(path, use_errno=True)
    libc.inotify_init1.argtypes = [ctypes.c_int]
    libc.inotify_init1.restype = ctypes.c_int
    libc.inotify_add_watch.argtypes = [ctypes.c_int, ctypes.c_char_p,
                                       ctypes.c_uint32]
    libc.inotify_add_watch.restype = ctypes.c_int
    libc.read.argtypes = [ctypes.c_int, ctypes.c_void_p, ctypes.c_size_t]
    libc.read.restype = ctypes.c_ssize_t
    libc.close.argtypes = [ctypes.c_int]
    libc.close.restype = ctypes.c_int
    return libc


_libc = None


def _get_libc():
    global _libc
    if _libc is None:
        _libc = _load_libc()
    return _libc


def _raise_errno(what, path=None):
    err = ctypes.get_errno()
    raise OSError(err, "%s: %s" % (what, os.strerror(err)), path)


class FileEventWatch:
    """inotify events for `name` inside `directory`, by their masks.

    Watching starts in the constructor, so events that happen after the
    object is created are seen even if events() is called later.
    """

    def __init__(self, directory, name, mask):
        name = os.fsencode(name)
        if not name or b"/" in name or b"\0" in name:
            raise ValueError("name must be a plain file name: %r" % (name,))
        self._name = name
        self._directory = os.fsdecode(directory)
        self._libc = _get_libc()
        self._events = []  # masks of complete events for the name, not yet handed out
        self._pending = b""  # bytes of an event not yet fully read
        self._buffer = ctypes.create_string_buffer(_READ_SIZE)
        self._fd = -1

        fd = self._libc.inotify_init1(IN_NONBLOCK | IN_CLOEXEC)
        if fd < 0:
            _raise_errno("inotify_init1")
        self._fd = fd
        wd = self._libc.inotify_add_watch(fd, os.fsencode(directory), mask | IN_ONLYDIR)
        if wd < 0:
            err = ctypes.get_errno()
            self.close()
            raise OSError(err, "inotify_add_watch: %s" % os.strerror(err),
                          self._directory)
        self._wd = wd

    # -- reading events ---------------------------------------------------

    def _read_available(self):
        """Read everything the kernel has queued; return bytes read."""
        total = 0
        while True:
            n = self._libc.read(self._fd, self._buffer, _READ_SIZE)
            if n < 0:
                err = ctypes.get_errno()
                if err == errno.EINTR:
                    continue
                if err in (errno.EAGAIN, errno.EWOULDBLOCK):
                    return total
                raise OSError(err, "read(inotify): %s" % os.strerror(err))
            if n == 0:
                return total
            self._pending += self._buffer.raw[:n]
            total += n
            self._parse()

    def _parse(self):
        """Consume complete event records from the pending bytes.

        A trailing incomplete record is kept until the rest arrives.
        """
        data = self._pending
        offset = 0
        size = _HEADER.size
        while len(data) - offset >= size:
            wd, mask, _cookie, length = _HEADER.unpack_from(data, offset)
            end = offset + size + length
            if end > len(data):
                break
            raw_name = data[offset + size:end]
            offset = end

            if mask & IN_Q_OVERFLOW:
                self._pending = data[offset:]
                raise EventOverflowError(
                    "inotify queue overflowed while watching %s; "
                    "some events were not reported" % self._directory)
            if wd != self._wd or mask & IN_IGNORED:
                continue
            # The name is padded with NUL bytes to an aligned length.
            if raw_name.split(b"\0", 1)[0] == self._name:
                self._events.append(mask)
        self._pending = data[offset:]

    def _check_open(self):
        if self._fd < 0:
            raise ValueError("%s is closed" % type(self).__name__)

    def events(self):
        """Masks of the events for the name since the last call."""
        self._check_open()
        self._read_available()
        events, self._events = self._events, []
        return events

    def close(self):
        """Stop watching; safe to call more than once."""
        fd, self._fd = self._fd, -1
        if fd >= 0:
            self._libc.close(fd)

    def __enter__(self):
        return self

    def __exit__(self, *exc_info):
        self.close()

    def __del__(self):
        # Avoid leaking the descriptor if the owner forgot to close.
        try:
            self.close()
        except Exception:
            pass


class WriteCounter(FileEventWatch):
    """Counts IN_CLOSE_WRITE events for `name` inside `directory`."""

    def __init__(self, directory, name):
        self._count = 0
        # IN_OPEN is not counted; it only stops the kernel from merging
        # consecutive CLOSE_WRITE events (see the module docstring).
        super().__init__(directory, name, IN_CLOSE_WRITE | IN_OPEN)

    # -- public API -------------------------------------------------------

    def count(self):
        """Process pending events and return the number of writes so far."""
        self._count += sum(1 for mask in self.events() if mask & IN_CLOSE_WRITE)
        return self._count

    def wait_for(self, n, timeout=5.0):
        """Wait until at least `n` writes were seen or `timeout` elapses.

        Returns the count at that moment (which may be below `n`).
        """
        deadline = time.monotonic() + timeout
        while True:
            current = self.count()
            remaining = deadline - time.monotonic()
            if current >= n or remaining <= 0:
                return current
            # Sleep until the kernel has something for us or time is up.
            select.select([self._fd], [], [], remaining)

    def settle(self, quiet=0.5, timeout=5.0):
        """Wait until no new write was seen for `quiet` seconds.

        Gives up after `timeout` seconds in total and returns the count.
        Useful to make sure a program did not write more than expected.
        """
        start = time.monotonic()
        deadline = start + timeout
        last_count = self.count()
        last_change = start
        while True:
            now = time.monotonic()
            quiet_until = last_change + quiet
            if now >= quiet_until or now >= deadline:
                return self.count()
            select.select([self._fd], [], [],
                          min(quiet_until, deadline) - now)
            current = self.count()
            if current != last_count:
                last_count = current
                last_change = time.monotonic()

    def __repr__(self):
        return "WriteCounter(%r, %r, count=%d)" % (
            self._directory, os.fsdecode(self._name), self._count)
