"""End-to-end harness: the real program in a copied program folder, on a
private Xvfb, driven by xdotool like a user would.

    with KeltoApp() as app:          # copies build/kelto, starts Xvfb
        app.write_file("ini.cnf", b"...")   # optional: files it finds at start
        app.start()                  # runs kelto, waits for the window "Кельто"
        app.click(260, 20)           # design pixels inside the client area
        app.type_text("12")
        app.close()                  # WM_DELETE_WINDOW, waits for the exit
        app.read_file("log.cnf")     # what it left behind

Python 3 standard library plus Xvfb, xdotool and ImageMagick's import.
"""

import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
# Where the controls lie is shared with the other tests (tests/support).
sys.path.insert(1, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "support"))
import controls  # noqa: E402,F401 - for the tests: `from harness import controls`
import xlib  # noqa: E402

TITLE = "Кельто"
SCREEN = "1024x768x24"
# Letters bound to keys of their own when the X server starts, so that the
# keyboard map stays the same while a program runs (see type_text).
RUSSIAN_CHARACTERS = ("".join(map(chr, range(ord("А"), ord("я") + 1))) + "Ёё№—–«»")


# What the program writes into its folder as it runs.
USER_FILES = ("ini.cnf", "log.cnf", "log.cnf.bak*", "note.txt", "calc.cnf", "calc.cnf.bak", "source.cnf", "iso.cnf",
              "card.cnf", "journal.db*", "conclusion.cnf", "Заключение *.pdf",
              "Карта *.pdf", "backup", "QtProject.conf")


def default_program_dir():
    """The program folder under test: $KELTO_PROGRAM_DIR, else build/kelto."""
    d = os.environ.get("KELTO_PROGRAM_DIR")
    if d:
        return d
    repo = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    return os.path.join(repo, "build", "kelto")


class HarnessError(AssertionError):
    pass


class XServer:
    """A private Xvfb on a display number it picks itself (-displayfd)."""

    def __init__(self, screen=SCREEN, log_dir=None):
        self.screen = screen
        self.proc = None
        self.display = None
        self._log = open(os.path.join(log_dir, "xvfb.log"), "wb") if log_dir else subprocess.DEVNULL
        self.x = None

    def start(self, timeout=15):
        r, w = os.pipe()
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(w), "-screen", "0", self.screen,
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(w,), stdout=self._log, stderr=self._log, start_new_session=True)
        os.close(w)
        buf = b""
        deadline = time.monotonic() + timeout
        import select
        while not buf.endswith(b"\n"):
            left = deadline - time.monotonic()
            if left <= 0 or self.proc.poll() is not None:
                os.close(r)
                self.stop()
                raise HarnessError("Xvfb did not start")
            ready, _, _ = select.select([r], [], [], left)
            if ready:
                chunk = os.read(r, 64)
                if not chunk:
                    break
                buf += chunk
        os.close(r)
        self.display = ":" + buf.decode().strip()
        self.x = xlib.Display(self.display)
        self.x.bind_characters(RUSSIAN_CHARACTERS)
        return self

    def stop(self):
        if self.x:
            self.x.close()
            self.x = None
        if self.proc and self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        self.proc = None

    def env(self):
        return {"DISPLAY": self.display}

    def screenshot(self, path, window="root"):
        subprocess.run(["import", "-display", self.display, "-window", str(window), path],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        return path


def clean_env(base_dir, display):
    """An environment with nothing of the real user in it: home, configuration
    and runtime folders are fresh temporary ones."""
    home = os.path.join(base_dir, "home")
    cfg = os.path.join(home, ".config")
    run = os.path.join(base_dir, "run")
    for d in (home, cfg, run):
        os.makedirs(d, exist_ok=True)
    os.chmod(run, 0o700)
    env = {
        "PATH": os.environ.get("PATH", "/usr/bin:/bin"),
        "HOME": home,
        "XDG_CONFIG_HOME": cfg,
        "XDG_RUNTIME_DIR": run,
        "XDG_DATA_HOME": os.path.join(home, ".local", "share"),
        "XDG_CACHE_HOME": os.path.join(home, ".cache"),
        "DISPLAY": display,
        "LANG": "ru_RU.UTF-8",
        "QT_QPA_PLATFORM": "xcb",
        # The program must not find a session bus or a desktop to talk to.
        "DBUS_SESSION_BUS_ADDRESS": "disabled:",
    }
    # Sanitizer settings pass through so that a sanitized build reports.
    for k in ("ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"):
        if k in os.environ:
            env[k] = os.environ[k]
    return env


class KeltoApp:
    """The program under test. Coordinates are design pixels relative to the
    top-left corner of the window's client area."""

    def __init__(self, program_dir=None, screen=SCREEN, keep=None, env=None,
                 executable="kelto", title=TITLE, wrapper=()):
        self.source_dir = os.path.abspath(program_dir or default_program_dir())
        self.executable = executable
        # A command the program is started through (a sandbox), or nothing.
        self.wrapper = list(wrapper)
        self.title = title
        self.extra_env = dict(env or {})
        self.keep = bool(os.environ.get("KELTO_E2E_KEEP")) if keep is None else keep
        exe = os.path.join(self.source_dir, executable)
        if not os.access(exe, os.X_OK):
            raise HarnessError(f"program not built: {exe} is missing "
                               "(build the project first)")
        self.base = tempfile.mkdtemp(prefix="kelto-e2e-")
        # The copy stands for the folder on a flash drive: everything the
        # program needs must be in it.
        self.folder = os.path.join(self.base, "kelto")
        # A program run by hand in the build folder leaves its own files there;
        # every case starts from the folder as built.
        shutil.copytree(self.source_dir, self.folder, symlinks=True,
                        ignore=shutil.ignore_patterns(*USER_FILES))
        self.server = XServer(screen, log_dir=self.base)
        self.proc = None
        # Put before the program on its command line, e.g. to run it as
        # another user: ["setpriv", "--reuid=nobody", ...].
        self.prefix = []
        self.window = None
        self.returncode = None
        self.started_at = None
        self.mapped_at = None
        self._out = None

    # -- life cycle ----------------------------------------------------
    def __enter__(self):
        return self

    def __exit__(self, exc_type, exc, tb):
        if exc_type is not None:
            self._dump_on_failure()
        self.stop()
        if not self.keep:
            shutil.rmtree(self.base, ignore_errors=True)
        else:
            print(f"harness: kept {self.base}", file=sys.stderr)
        return False

    def launch(self, args=()):
        """Starts Xvfb (once) and the program in the copied folder, without
        waiting for anything: for a start that shows a box before its window."""
        if self.server.proc is None:
            self.server.start()
        env = self.program_env()
        self.server.x.watch_maps()
        if self._out:
            self._out.close()
        self._out = open(os.path.join(self.base, "program.log"), "ab")
        self.started_at = time.monotonic()
        self.window = None
        self.proc = subprocess.Popen([*self.wrapper, *self.prefix, os.path.join(self.folder, self.executable), *args],
                                     cwd=self.base, env=env, stdout=self._out,
                                     stderr=subprocess.STDOUT, start_new_session=True)
        return self.proc

    def start(self, timeout=30, args=()):
        """Starts Xvfb (once) and the program in the copied folder; waits until
        its window is mapped. Returns the window id."""
        self.launch(args)
        return self.wait_main_window(timeout)

    def wait_main_window(self, timeout=30):
        """Waits until the program's main window is mapped and drawn."""
        deadline = time.monotonic() + timeout
        while True:
            try:
                # The main window, not a message box with the same caption
                # that start-up may show first.
                self.window, self.mapped_at = self.server.x.wait_mapped(
                    self.title, 0.2, accept=lambda w: self.server.x.transient_for(w) is None)
                break
            except TimeoutError:
                pass
            if self.proc.poll() is not None:
                raise HarnessError(f"program exited with {self.proc.returncode} before "
                                   f"its window appeared\n{self.log()}")
            if time.monotonic() > deadline:
                raise HarnessError(f"no window titled {self.title!r} within {timeout} s\n"
                                   f"{self.log()}")
        self._wait_viewable()
        return self.window

    def program_env(self):
        """The environment the program runs in (after the X server is up)."""
        env = clean_env(self.base, self.server.display)
        env.update(self.extra_env)
        return env

    def stub_program(self, name, exit_code=0):
        """Puts a program `name` first on the program's PATH that records each
        call (its arguments) and exits with `exit_code`. Returns a function
        giving the calls so far, each a list of arguments; its set_exit(code)
        changes the exit code of later calls. Call before start()."""
        bindir = os.path.join(self.base, "bin")
        os.makedirs(bindir, exist_ok=True)
        calls = os.path.join(bindir, name + ".calls")
        exitfile = os.path.join(bindir, name + ".exit")
        script = os.path.join(bindir, name)
        with open(script, "w") as f:
            # One line per call, arguments ended by NUL bytes.
            f.write("#!/bin/sh\n"
                    f"printf '%s\\0' \"$@\" >> '{calls}'\n"
                    f"printf '\\n' >> '{calls}'\n"
                    # The exit code can be changed between calls.
                    f"[ -f '{exitfile}' ] && exit \"$(cat '{exitfile}')\"\n"
                    f"exit {int(exit_code)}\n")
        os.chmod(script, 0o755)
        path = self.extra_env.get("PATH", os.environ.get("PATH", "/usr/bin:/bin"))
        self.extra_env["PATH"] = bindir + os.pathsep + path

        def recorded():
            try:
                with open(calls, "rb") as f:
                    data = f.read()
            except FileNotFoundError:
                return []
            return [[a.decode("utf-8", "surrogateescape") for a in line.split(b"\0")[:-1]]
                    for line in data.split(b"\n")[:-1]]

        def set_exit(code):
            with open(exitfile, "w") as f:
                f.write(f"{int(code)}\n")
        recorded.set_exit = set_exit
        return recorded

    def _wait_viewable(self, timeout=10):
        # Mapped is not yet drawn: wait until xwininfo sees it viewable and
        # give the first paint a moment.
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            out = self._run(["xwininfo", "-id", str(self.window)], check=False).stdout
            if "IsViewable" in out:
                break
            time.sleep(0.05)
        time.sleep(0.3)

    def running(self):
        return self.proc is not None and self.proc.poll() is None

    def close(self, timeout=20):
        """Closes the window the way the title bar's close button does
        (WM_DELETE_WINDOW) and waits for the program to end. Returns its exit code."""
        if not self.running():
            raise HarnessError("program is not running")
        self.server.x.request_close(self.window)
        return self.wait_exit(timeout)

    def wait_exit(self, timeout=20):
        try:
            self.returncode = self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            raise HarnessError(f"program still running {timeout} s after close\n"
                               f"{self.backtraces()}\n{self.log()}")
        return self.returncode

    def backtraces(self):
        """Where every thread of the running program stands, as gdb sees it:
        why a program does not end (a thread joined, a save waiting, a loop
        left running). Kept whole in threads.txt beside the failure's
        screenshot; the stack lines are returned for the test's output."""
        if not self.running():
            return ""
        if not shutil.which("gdb"):
            return "harness: no gdb, no backtraces"
        try:
            out = subprocess.run(["gdb", "-nx", "-batch", "-p", str(self.proc.pid), "-ex", "thread apply all bt"],
                                 stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                 text=True, errors="replace", timeout=90).stdout
        except subprocess.TimeoutExpired:
            return "harness: gdb gave no backtraces within 90 s"
        with open(os.path.join(self.base, "threads.txt"), "w") as f:
            f.write(out)
        self.keep = True
        return "\n".join(line for line in out.splitlines() if line.startswith(("Thread ", "#")))

    def stop(self):
        """Ends whatever is left: the program (killed) and the X server."""
        if self.proc and self.proc.poll() is None:
            try:
                os.killpg(self.proc.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            self.proc.wait()
        if self._out:
            self._out.close()
            self._out = None
        self.server.stop()

    # -- looking -------------------------------------------------------
    def geometry(self):
        """(x, y, width, height) of the client area on the screen."""
        return self.server.x.geometry(self.window)

    def client_size(self):
        return self.geometry()[2:]

    def own_windows(self, pid=None):
        """Top-level windows on screen that the program (or process `pid`)
        owns, its main window included."""
        pid = pid or (self.proc.pid if self.proc else None)
        x = self.server.x
        return [w for w in x.children() if x.pid(w) == pid and self._viewable(w)]

    def windows(self, title, visible=True):
        """Ids of windows titled `title` (a dialog, the About window), by
        default only those on screen."""
        found = self.server.x.find(title)
        return [w for w in found if self._viewable(w)] if visible else found

    def dialogs(self, title=TITLE):
        """Message boxes and other windows on screen that belong to the
        program's windows; the general error box has the caption "Кельто"."""
        x = self.server.x
        return [w for w in self.windows(title) if w != self.window and x.transient_for(w)]

    def window_text(self, window):
        """Title of a window, e.g. of a dialog found by dialogs()."""
        return self.server.x.title(window)

    def wait_window(self, title, timeout=10):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            found = [w for w in self.windows(title) if self._viewable(w)]
            if found:
                return found[0]
            time.sleep(0.05)
        raise HarnessError(f"no window titled {title!r} within {timeout} s")

    def _viewable(self, w):
        out = self._run(["xwininfo", "-id", str(w)], check=False).stdout
        return "IsViewable" in out

    def screenshot(self, path, window=None):
        """PNG of the whole screen, or of one window (`window` id, or "main")."""
        win = "root" if window is None else (self.window if window == "main" else window)
        return self.server.screenshot(path, win)

    def capture(self, window="main"):
        """The pixels of a window (default: the main window) as an Image."""
        path = os.path.join(self.base, "capture.ppm")
        self.screenshot(path, window)
        with open(path, "rb") as f:
            return Image.from_ppm(f.read())

    def clipboard(self, timeout=5):
        """The text on the X clipboard, as its owner hands it out now."""
        return read_clipboard(self.server.display, timeout)

    def wait_until(self, what, timeout=10, step=0.05, message=None):
        """Polls `what()` until it returns something true; returns that."""
        deadline = time.monotonic() + timeout
        while True:
            got = what()
            if got:
                return got
            if time.monotonic() > deadline:
                raise HarnessError(message or f"condition not met within {timeout} s")
            time.sleep(step)

    def log(self):
        """What the program printed so far."""
        try:
            with open(os.path.join(self.base, "program.log"), "rb") as f:
                return f.read().decode("utf-8", "replace")
        except OSError:
            return ""

    # -- acting --------------------------------------------------------
    def _run(self, cmd, check=True):
        env = dict(os.environ, DISPLAY=self.server.display)
        return subprocess.run(cmd, env=env, check=check, text=True,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE)

    def xdotool(self, *args):
        return self._run(["xdotool", *map(str, args)]).stdout

    def move(self, x, y, window=None):
        self.xdotool("mousemove", "--sync", "--window", window or self.window, x, y)

    def click(self, x, y, button=1, repeat=1, window=None, settle=0.15):
        """Clicks at (x, y) of the client area of `window` (the main window)."""
        self.move(x, y, window)
        self.xdotool("click", "--repeat", repeat, button)
        time.sleep(settle)

    def double_click(self, x, y, window=None):
        self.click(x, y, repeat=2, window=window)

    def focus(self, window=None):
        # Without a window manager nobody hands out the keyboard focus.
        self.xdotool("windowfocus", "--sync", window or self.window)

    def key(self, *keys, window=None, settle=0.1):
        """Key names as xdotool knows them: "Return", "BackSpace", "ctrl+a".
        They go to `window` (default: the main window; pass a dialog's id
        while a modal box is up)."""
        self.focus(window)
        self.xdotool("key", "--clearmodifiers", *keys)
        time.sleep(settle)

    def type_text(self, text, window=None, settle=0.15, delay=20):
        # Every letter needs a key of its own in the map (the Russian ones
        # have it from the start): xdotool would otherwise remap one keycode
        # for letter after letter, and a busy program reads some of them
        # after the change.
        self.server.x.bind_characters(text)
        self.focus(window)
        self.xdotool("type", "--clearmodifiers", "--delay", delay, text)
        time.sleep(settle)

    # -- the program folder --------------------------------------------
    def path(self, name):
        return os.path.join(self.folder, name)

    def exists(self, name):
        return os.path.exists(self.path(name))

    def write_file(self, name, data):
        """Puts a file into the copied program folder (before or between runs)."""
        p = self.path(name)
        os.makedirs(os.path.dirname(p), exist_ok=True)
        with open(p, "wb") as f:
            f.write(data if isinstance(data, bytes) else data.encode("cp1251"))

    def read_file(self, name):
        with open(self.path(name), "rb") as f:
            return f.read()

    def read_lines(self, name):
        """A cp1251 text file of the program, split at its CR LF line ends."""
        text = self.read_file(name).decode("cp1251")
        if text.endswith("\r\n"):
            text = text[:-2]
        return text.split("\r\n") if text else []

    def files(self):
        """Every file in the program folder, relative names, sorted."""
        out = []
        for d, _, names in os.walk(self.folder):
            for n in names:
                out.append(os.path.relpath(os.path.join(d, n), self.folder))
        return sorted(out)

    def _dump_on_failure(self):
        try:
            if self.server.proc is not None:
                self.screenshot(os.path.join(self.base, "failure.png"))
                print(f"harness: screenshot at {self.base}/failure.png", file=sys.stderr)
                self.keep = True
        except Exception:
            pass
        print("harness: program output:\n" + self.log(), file=sys.stderr)


class Image:
    """An RGB picture, read from a binary PPM."""

    def __init__(self, width, height, data):
        self.width, self.height, self.data = width, height, data

    @classmethod
    def from_ppm(cls, raw):
        fields, pos = [], 0
        while len(fields) < 4:
            while raw[pos:pos + 1].isspace():
                pos += 1
            if raw[pos:pos + 1] == b"#":
                pos = raw.index(b"\n", pos)
                continue
            end = pos
            while not raw[end:end + 1].isspace():
                end += 1
            fields.append(raw[pos:end])
            pos = end
        maxval = int(fields[3])
        if fields[0] != b"P6" or maxval not in (255, 65535):
            raise HarnessError("unexpected picture format")
        w, h = int(fields[1]), int(fields[2])
        body = raw[pos + 1:]
        if maxval == 65535:
            # ImageMagick may write 16 bits a sample: keep the high bytes.
            body = body[0:6 * w * h:2]
        return cls(w, h, body[:3 * w * h])

    def pixel(self, x, y):
        i = 3 * (y * self.width + x)
        return tuple(self.data[i:i + 3])

    def region(self, x, y, w, h):
        return [self.pixel(i, j) for j in range(y, y + h) for i in range(x, x + w)]

    def mean_brightness(self, x, y, w, h):
        px = self.region(x, y, w, h)
        return sum(sum(p) for p in px) / (3 * len(px))

    def count(self, colour, x, y, w, h):
        return sum(1 for p in self.region(x, y, w, h) if p == tuple(colour))


def read_clipboard(display, timeout=5):
    """Asks the owner of CLIPBOARD for its text as UTF-8; None when nobody
    owns it or the owner does not answer."""
    import ctypes
    lib = xlib._x11()
    lib.XCreateSimpleWindow.restype = ctypes.c_ulong
    lib.XCreateSimpleWindow.argtypes = [
        ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
        ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_ulong]
    lib.XConvertSelection.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong,
                                      ctypes.c_ulong, ctypes.c_ulong, ctypes.c_ulong]
    lib.XGetSelectionOwner.restype = ctypes.c_ulong
    lib.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
    selection_notify = 31

    class SelectionEvent(ctypes.Structure):
        _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                    ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                    ("requestor", ctypes.c_ulong), ("selection", ctypes.c_ulong),
                    ("target", ctypes.c_ulong), ("property", ctypes.c_ulong),
                    ("time", ctypes.c_ulong)]

    class Event(ctypes.Union):
        _fields_ = [("type", ctypes.c_int), ("xselection", SelectionEvent),
                    ("pad", ctypes.c_long * 24)]

    with xlib.Display(display) as d:
        clip = d.atom("CLIPBOARD")
        if not lib.XGetSelectionOwner(d._dpy, clip):
            return None
        win = lib.XCreateSimpleWindow(d._dpy, d.root, 0, 0, 1, 1, 0, 0, 0)
        prop = d.atom("KELTO_E2E_CLIP")
        lib.XConvertSelection(d._dpy, clip, d.atom("UTF8_STRING"), prop, win, 0)
        lib.XFlush(d._dpy)
        ev = Event()
        deadline = time.monotonic() + timeout
        import select
        fd = lib.XConnectionNumber(d._dpy)
        while True:
            while lib.XPending(d._dpy):
                lib.XNextEvent(d._dpy, ctypes.byref(ev))
                if ev.type == selection_notify:
                    if not ev.xselection.property:
                        return None
                    raw = d._property(win, "KELTO_E2E_CLIP")
                    return raw.decode("utf-8", "replace") if raw is not None else None
            left = deadline - time.monotonic()
            if left <= 0:
                return None
            select.select([fd], [], [], min(left, 0.05))


def notepad_text(app):
    """The whole text of the diary's notepad, copied as a user would."""
    app.click(*controls.NOTEPAD)
    app.key("ctrl+a")
    app.key("ctrl+c")
    return app.wait_until(app.clipboard, 5, message="nothing copied from the notepad")


def view_brightness(app):
    """The mean brightness of the header and of the diary view below it."""
    im = app.capture()
    return im.mean_brightness(*controls.HEADER), im.mean_brightness(*controls.DIARY)


def assert_no_boxes(app, when):
    """Nothing but the main window is up: no message box came `when`."""
    others = [w for w in app.own_windows() if w != app.window]
    assert not others, f"{len(others)} boxes {when}"


def assert_look(app, expected, tolerance, what):
    """The header and the diary view are as bright as `expected` (a pair from
    view_brightness) within `tolerance`."""
    header, diary = view_brightness(app)
    assert abs(header - expected[0]) < tolerance and abs(diary - expected[1]) < tolerance, \
        f"{what}: ({header:.0f}, {diary:.0f}) against ({expected[0]:.0f}, {expected[1]:.0f})"


def assert_file_kept(app, name, content, why):
    assert app.read_file(name) == content, f"{name} {why}: {app.read_file(name)!r}"


def main(test):
    """Runs `test()` as a script: exit 0 on success, 1 with the reason on failure."""
    try:
        test()
    except Exception as e:  # noqa: BLE001 - the reason goes to CTest's output
        import traceback
        traceback.print_exc()
        print(f"FAIL: {e}", file=sys.stderr)
        sys.exit(1)
    print("PASS")
    sys.exit(0)
