"""A brain as a child process: start, line I/O with deadlines, memory probe, shutdown.

Every read and write has a deadline, so a brain that hangs, floods or dies never blocks the
arena; every child is waited for (killed first when it does not leave by itself).
"""

import errno
import fcntl
import os
import select
import shlex
import shutil
import signal
import subprocess
import time

MAX_LINE_BYTES = 16384  # a longer line without a line end is treated as garbage
READ_CHUNK = 65536
MAX_SHOWN_MESSAGES = 100  # per process: a flooding brain does not flood the screen


def now_ms():
    return time.monotonic() * 1000.0


class BrainSpec:
    """How to start a brain: the command line and the working directory.

    The working directory is the directory of the brain's program (the first word of the
    command). When the program is a Python interpreter (its name starts with "python"),
    the directory of the script that follows it is used instead.
    """

    def __init__(self, argv, cwd=None, name=None):
        if not argv:
            raise ValueError("empty brain command")
        self.argv = list(argv)
        self.cwd = cwd if cwd is not None else _program_dir(self.argv)
        self.name = name or _default_name(self.argv)

    @classmethod
    def parse(cls, text):
        """A brain given on the command line: a path, or a quoted command with arguments."""
        words = shlex.split(text)
        if not words:
            raise ValueError("empty brain command")
        words[0] = _resolve_program(words[0])
        if _is_python(words[0]):
            for i in range(1, len(words)):
                if not words[i].startswith("-") and os.path.isfile(words[i]):
                    words[i] = os.path.abspath(words[i])
                    break
        return cls(words)

    def check(self):
        """None when the program can be started, else a message saying why not."""
        program = self.argv[0]
        if not os.path.isfile(program):
            return "brain program not found: %s" % program
        if not os.access(program, os.X_OK):
            return "brain program is not executable: %s" % program
        return None

    def __repr__(self):
        return "BrainSpec(%r, cwd=%r)" % (self.argv, self.cwd)


def _resolve_program(word):
    if os.sep in word or os.path.exists(word):
        return os.path.abspath(word)
    found = shutil.which(word)
    return found if found else os.path.abspath(word)


def _is_python(program):
    return os.path.basename(program).startswith("python")


def _script_of(argv):
    if _is_python(argv[0]):
        for word in argv[1:]:
            if not word.startswith("-"):
                return word
    return None


def _program_dir(argv):
    script = _script_of(argv)
    target = script if script else argv[0]
    return os.path.dirname(os.path.abspath(target)) or "."


def _default_name(argv):
    script = _script_of(argv)
    return os.path.basename(script if script else argv[0])


class BrainIOError(Exception):
    """A read or write that could not be completed.

    kind is "eof" (the brain closed its output or its input), "timeout" (nothing by the
    deadline) or "overlong" (a line longer than MAX_LINE_BYTES).
    """

    def __init__(self, kind, detail=""):
        super().__init__(detail or kind)
        self.kind = kind
        self.detail = detail or kind


class BrainProcess:
    """One running brain. Lines are written with CR LF and read with CR LF or LF."""

    def __init__(self, spec, log=None, stderr_path=None, on_message=None):
        self.spec = spec
        self.log = log  # callable(direction, text) or None
        self.on_message = on_message  # callable(text) for MESSAGE and DEBUG lines
        self.stderr_path = stderr_path
        self.proc = None
        self.buffer = bytearray()
        self.eof = False
        self.peak_memory_kb = 0
        self.messages = 0
        self.exit_status = None  # "exited N", "killed", ...

    # -- start and stop -------------------------------------------------------------------

    def start(self):
        """Starts the child; raises OSError when it cannot be started."""
        stderr = subprocess.DEVNULL
        handle = None
        if self.stderr_path:
            handle = open(self.stderr_path, "ab")
            stderr = handle
        try:
            self.proc = subprocess.Popen(
                self.spec.argv, cwd=self.spec.cwd, stdin=subprocess.PIPE,
                stdout=subprocess.PIPE, stderr=stderr, bufsize=0, close_fds=True,
                start_new_session=True)
        finally:
            if handle:
                handle.close()
        for stream in (self.proc.stdin, self.proc.stdout):
            flags = fcntl.fcntl(stream.fileno(), fcntl.F_GETFL)
            fcntl.fcntl(stream.fileno(), fcntl.F_SETFL, flags | os.O_NONBLOCK)

    @property
    def pid(self):
        return self.proc.pid if self.proc else None

    def alive(self):
        return self.proc is not None and self.proc.poll() is None

    def request_end(self):
        """Sends END (ignoring a brain that no longer listens)."""
        if self.proc is None or self.proc.poll() is not None:
            return
        try:
            self.send("END", now_ms() + 200)
        except BrainIOError:
            pass

    def wait_exit(self, deadline):
        """Waits until the deadline for the child to leave, then kills it. Always reaps.

        Returns True when the brain had to be killed.
        """
        if self.proc is None:
            return False
        killed = False
        while self.proc.poll() is None and now_ms() < deadline:
            self._drain()
            time.sleep(0.01)
        if self.proc.poll() is None:
            self.kill()
            killed = True
        self._close()
        code = self.proc.returncode
        if killed:
            self.exit_status = "killed"
        elif code is not None and code < 0:
            self.exit_status = "signal %d" % -code
        else:
            self.exit_status = "exit %d" % code
        return killed

    def kill(self):
        """Kills the child (its process group, when it still leads one) and reaps it."""
        if self.proc is None:
            return
        if self.proc.poll() is None:
            try:
                os.killpg(self.proc.pid, signal.SIGKILL)
            except OSError:
                try:
                    self.proc.kill()
                except OSError:
                    pass
        try:
            self.proc.wait(timeout=5)
        except subprocess.TimeoutExpired:
            pass

    def _close(self):
        for stream in (self.proc.stdin, self.proc.stdout):
            try:
                stream.close()
            except OSError:
                pass

    def _drain(self):
        """Reads and drops pending output, so a brain blocked on a full pipe can exit."""
        if self.eof or self.proc.stdout.closed:
            return
        try:
            ready, _, _ = select.select([self.proc.stdout.fileno()], [], [], 0)
            if ready:
                data = os.read(self.proc.stdout.fileno(), READ_CHUNK)
                if not data:
                    self.eof = True
        except OSError:
            self.eof = True

    # -- lines ----------------------------------------------------------------------------

    def send(self, line, deadline):
        """Writes one line with CR LF before the deadline."""
        if self.log:
            self.log(">", line)
        data = (line + "\r\n").encode("latin-1", "replace")
        fd = self.proc.stdin.fileno()
        while data:
            remaining = deadline - now_ms()
            if remaining <= 0:
                raise BrainIOError("timeout", "brain does not read its input")
            try:
                _, ready, _ = select.select([], [fd], [], remaining / 1000.0)
                if not ready:
                    continue
                written = os.write(fd, data)
                data = data[written:]
            except BlockingIOError:
                continue
            except OSError as exc:
                if exc.errno in (errno.EPIPE, errno.EBADF):
                    raise BrainIOError("eof", "brain closed its input") from None
                raise BrainIOError("eof", "write failed: %s" % exc) from None

    def read_line(self, deadline):
        """The next line of output before the deadline, without its line end.

        Raises BrainIOError("eof" | "timeout" | "overlong").
        """
        fd = self.proc.stdout.fileno()
        while True:
            cut = self.buffer.find(b"\n")
            if cut >= 0:
                raw = bytes(self.buffer[:cut])
                del self.buffer[:cut + 1]
                if raw.endswith(b"\r"):
                    raw = raw[:-1]
                return raw.decode("latin-1")
            if len(self.buffer) > MAX_LINE_BYTES:
                self.buffer.clear()
                raise BrainIOError("overlong", "line longer than %d bytes" % MAX_LINE_BYTES)
            if self.eof:
                if self.buffer:
                    raw = bytes(self.buffer).rstrip(b"\r")
                    self.buffer.clear()
                    return raw.decode("latin-1")
                raise BrainIOError("eof", "brain closed its output")
            remaining = deadline - now_ms()
            if remaining <= 0:
                raise BrainIOError("timeout", "no reply in time")
            try:
                ready, _, _ = select.select([fd], [], [], remaining / 1000.0)
            except InterruptedError:
                continue
            if not ready:
                continue
            try:
                data = os.read(fd, READ_CHUNK)
            except BlockingIOError:
                continue
            except OSError:
                data = b""
            if not data:
                self.eof = True
            else:
                self.buffer.extend(data)

    def read_reply(self, deadline):
        """The next answer line: MESSAGE and DEBUG lines (and blank lines) are passed to
        on_message/the log and skipped, never taken as answers."""
        while True:
            line = self.read_line(deadline)
            if self.log:
                self.log("<", line)
            stripped = line.strip()
            if not stripped:
                continue
            head = stripped.split(None, 1)[0].upper()
            if head in ("MESSAGE", "DEBUG"):
                self.messages += 1
                if self.on_message and self.messages <= MAX_SHOWN_MESSAGES:
                    self.on_message(stripped)
                elif self.on_message and self.messages == MAX_SHOWN_MESSAGES + 1:
                    self.on_message("(further MESSAGE and DEBUG lines of this brain not shown)")
                continue
            return stripped

    # -- resources ------------------------------------------------------------------------

    def sample_memory(self):
        """Updates the peak resident memory from /proc (VmHWM, else VmRSS), in kB."""
        if self.proc is None or self.proc.poll() is not None:
            return self.peak_memory_kb
        try:
            with open("/proc/%d/status" % self.proc.pid) as handle:
                text = handle.read()
        except OSError:
            return self.peak_memory_kb
        values = {}
        for line in text.splitlines():
            key, _, rest = line.partition(":")
            if key in ("VmHWM", "VmRSS"):
                try:
                    values[key] = int(rest.split()[0])
                except (IndexError, ValueError):
                    pass
        value = values.get("VmHWM", values.get("VmRSS", 0))
        self.peak_memory_kb = max(self.peak_memory_kb, value)
        return self.peak_memory_kb

    def exit_code_text(self, wait_ms=200):
        """After an EOF: how the brain ended, waiting briefly for it to leave."""
        deadline = now_ms() + wait_ms
        while self.proc.poll() is None and now_ms() < deadline:
            time.sleep(0.01)
        code = self.proc.poll()
        if code is None:
            return "still running"
        if code < 0:
            return "killed by signal %d" % -code
        return "exit code %d" % code
