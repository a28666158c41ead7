"""The few Xlib calls the harness needs, through ctypes (standard library only).

xdotool covers the pointer and the keyboard, but not three things: a graceful
close (a WM_DELETE_WINDOW message, which is what a window manager sends when
the title bar's close button is pressed; bare Xvfb has no window manager), an
exact moment at which a window becomes mapped (xdotool's --sync polls twice a
second, too coarse for a start-up time) and keys for letters the default US
keyboard map lacks (see Display.bind_characters).
"""

import ctypes
import ctypes.util
import os
import select
import time

_lib = None


def _x11():
    global _lib
    if _lib is None:
        name = ctypes.util.find_library("X11") or "libX11.so.6"
        _lib = ctypes.CDLL(name)
        _lib.XOpenDisplay.restype = ctypes.c_void_p
        _lib.XOpenDisplay.argtypes = [ctypes.c_char_p]
        _lib.XCloseDisplay.argtypes = [ctypes.c_void_p]
        _lib.XDefaultRootWindow.restype = ctypes.c_ulong
        _lib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        _lib.XInternAtom.restype = ctypes.c_ulong
        _lib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        _lib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int,
                                    ctypes.c_long, ctypes.c_void_p]
        _lib.XFlush.argtypes = [ctypes.c_void_p]
        _lib.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        _lib.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
        _lib.XPending.argtypes = [ctypes.c_void_p]
        _lib.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
        _lib.XConnectionNumber.argtypes = [ctypes.c_void_p]
        _lib.XGetWindowProperty.argtypes = [
            ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_long, ctypes.c_long,
            ctypes.c_int, ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong),
            ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_ulong),
            ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_void_p)]
        _lib.XFree.argtypes = [ctypes.c_void_p]
        _lib.XQueryTree.argtypes = [
            ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong),
            ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_void_p),
            ctypes.POINTER(ctypes.c_uint)]
        _lib.XGetGeometry.argtypes = [
            ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong),
            ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_int),
            ctypes.POINTER(ctypes.c_uint), ctypes.POINTER(ctypes.c_uint),
            ctypes.POINTER(ctypes.c_uint), ctypes.POINTER(ctypes.c_uint)]
        _lib.XTranslateCoordinates.argtypes = [
            ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
            ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_int),
            ctypes.POINTER(ctypes.c_ulong)]
        _lib.XDisplayKeycodes.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_int),
                                          ctypes.POINTER(ctypes.c_int)]
        _lib.XGetKeyboardMapping.restype = ctypes.POINTER(ctypes.c_ulong)
        _lib.XGetKeyboardMapping.argtypes = [ctypes.c_void_p, ctypes.c_ubyte, ctypes.c_int,
                                             ctypes.POINTER(ctypes.c_int)]
        _lib.XChangeKeyboardMapping.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int,
                                                ctypes.POINTER(ctypes.c_ulong), ctypes.c_int]
        _lib.XSetErrorHandler.restype = ctypes.c_void_p
        _lib.XSetErrorHandler.argtypes = [ctypes.c_void_p]
        # A window may vanish between listing and asking; Xlib's default
        # handler would end this process for that.
        _lib.XSetErrorHandler(_ignore_errors)
    return _lib


_ERROR_HANDLER = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)
_ignore_errors = _ERROR_HANDLER(lambda dpy, ev: 0)

MAP_NOTIFY = 19
CLIENT_MESSAGE = 33
SUBSTRUCTURE_NOTIFY_MASK = 1 << 19
ANY_PROPERTY_TYPE = 0
# Keysyms of the XF86 vendor keys (media, browser, power...), which no test
# presses: their keycodes serve as spare ones once the empty ones run out.
_VENDOR_KEYSYMS = 0x10080000


def keysym_of(char):
    """The keysym that types `char`: Latin-1 keysyms are the code point
    itself, every other character has its Unicode keysym."""
    cp = ord(char)
    return cp if 0x20 <= cp <= 0x7E or 0xA0 <= cp <= 0xFF else 0x01000000 + cp


class _MapEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                ("event", ctypes.c_ulong), ("window", ctypes.c_ulong),
                ("override_redirect", ctypes.c_int)]


class _ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]


class _Event(ctypes.Union):
    _fields_ = [("type", ctypes.c_int), ("xmap", _MapEvent),
                ("xclient", _ClientMessage), ("pad", ctypes.c_long * 24)]


class Display:
    """One connection to an X server."""

    def __init__(self, name):
        self.name = name
        self._x = _x11()
        self._dpy = self._x.XOpenDisplay(name.encode())
        if not self._dpy:
            raise RuntimeError(f"cannot open X display {name}")
        self.root = self._x.XDefaultRootWindow(self._dpy)

    def close(self):
        if self._dpy:
            self._x.XCloseDisplay(self._dpy)
            self._dpy = None

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def atom(self, name):
        return self._x.XInternAtom(self._dpy, name.encode(), 0)

    # -- windows -------------------------------------------------------
    def children(self, window=None):
        root, parent = ctypes.c_ulong(), ctypes.c_ulong()
        kids, n = ctypes.c_void_p(), ctypes.c_uint()
        if not self._x.XQueryTree(self._dpy, window or self.root, ctypes.byref(root),
                                  ctypes.byref(parent), ctypes.byref(kids), ctypes.byref(n)):
            return []
        if not kids.value:
            return []
        arr = ctypes.cast(kids, ctypes.POINTER(ctypes.c_ulong))
        out = [arr[i] for i in range(n.value)]
        self._x.XFree(kids)
        return out

    def _property(self, window, name):
        actual, fmt = ctypes.c_ulong(), ctypes.c_int()
        n, after, data = ctypes.c_ulong(), ctypes.c_ulong(), ctypes.c_void_p()
        ok = self._x.XGetWindowProperty(
            self._dpy, window, self.atom(name), 0, 4096, 0, ANY_PROPERTY_TYPE,
            ctypes.byref(actual), ctypes.byref(fmt), ctypes.byref(n), ctypes.byref(after),
            ctypes.byref(data))
        if ok != 0 or not data.value:
            return None
        raw = ctypes.string_at(data.value, n.value * (fmt.value // 8))
        self._x.XFree(data)
        return raw

    def title(self, window):
        """The window's title: _NET_WM_NAME (UTF-8), else WM_NAME."""
        raw = self._property(window, "_NET_WM_NAME")
        if raw is None:
            raw = self._property(window, "WM_NAME")
        return raw.decode("utf-8", "replace") if raw is not None else None

    def transient_for(self, window):
        """The window a dialog belongs to, or None for a main window."""
        raw = self._property(window, "WM_TRANSIENT_FOR")
        return int.from_bytes(raw[:8], "little") if raw and len(raw) >= 4 else None

    def pid(self, window):
        raw = self._property(window, "_NET_WM_PID")
        return int.from_bytes(raw[:4], "little") if raw and len(raw) >= 4 else None

    def find(self, title, window=None):
        """Top-level windows whose title is exactly `title`, searched through the tree."""
        found = []
        for w in self.children(window):
            if self.title(w) == title:
                found.append(w)
            found.extend(self.find(title, w))
        return found

    def geometry(self, window):
        """(x, y, width, height) of the window's inside, x and y on the screen."""
        root = ctypes.c_ulong()
        x, y = ctypes.c_int(), ctypes.c_int()
        w, h, bw, depth = ctypes.c_uint(), ctypes.c_uint(), ctypes.c_uint(), ctypes.c_uint()
        if not self._x.XGetGeometry(self._dpy, window, ctypes.byref(root), ctypes.byref(x),
                                    ctypes.byref(y), ctypes.byref(w), ctypes.byref(h),
                                    ctypes.byref(bw), ctypes.byref(depth)):
            raise RuntimeError(f"window {window:#x} is gone")
        sx, sy, child = ctypes.c_int(), ctypes.c_int(), ctypes.c_ulong()
        self._x.XTranslateCoordinates(self._dpy, window, self.root, 0, 0,
                                      ctypes.byref(sx), ctypes.byref(sy), ctypes.byref(child))
        return sx.value, sy.value, w.value, h.value

    def exists(self, window):
        self._x.XSync(self._dpy, 0)
        return window in self._all_windows()

    def _all_windows(self, window=None):
        out = []
        for w in self.children(window):
            out.append(w)
            out.extend(self._all_windows(w))
        return out

    # -- closing -------------------------------------------------------
    def request_close(self, window):
        """Sends WM_DELETE_WINDOW, as a window manager's close button does."""
        ev = _Event()
        ev.xclient.type = CLIENT_MESSAGE
        ev.xclient.window = window
        ev.xclient.message_type = self.atom("WM_PROTOCOLS")
        ev.xclient.format = 32
        ev.xclient.data[0] = self.atom("WM_DELETE_WINDOW")
        ev.xclient.data[1] = 0  # CurrentTime
        self._x.XSendEvent(self._dpy, window, 0, 0, ctypes.byref(ev))
        self._x.XFlush(self._dpy)

    # -- keyboard map ------------------------------------------------
    def keyboard_map(self):
        """{keycode: tuple of keysyms, 0 for none} of the core keyboard map."""
        lo, hi, per = ctypes.c_int(), ctypes.c_int(), ctypes.c_int()
        self._x.XDisplayKeycodes(self._dpy, ctypes.byref(lo), ctypes.byref(hi))
        n = hi.value - lo.value + 1
        syms = self._x.XGetKeyboardMapping(self._dpy, lo.value, n, ctypes.byref(per))
        if not syms:
            return {}
        w = per.value
        out = {lo.value + i: tuple(syms[i * w + j] for j in range(w)) for i in range(n)}
        self._x.XFree(syms)
        return out

    def bind_characters(self, chars):
        """Gives every character of `chars` outside ASCII a keycode of its own
        in the server's keyboard map, so that xdotool finds each in the map.

        Otherwise xdotool types such a letter by binding it to one scratch
        keycode, pressing that and binding the next letter to the same
        keycode; a program that reads its events late looks the keycode up
        after the change and gets a wrong or no letter. Bindings here are
        never changed or undone while the server lives: a program reading
        the map late still finds what each keycode meant when it was pressed.
        Keycodes are taken from the empty ones (except the first, which
        xdotool keeps as its scratch keycode), then from the vendor keys."""
        bound = self.__dict__.setdefault("_bound", {})
        wanted = [c for c in dict.fromkeys(chars) if ord(c) > 0x7E and c not in bound]
        if not wanted:
            return
        kmap = self.keyboard_map()
        empty = sorted(k for k, syms in kmap.items() if not any(syms))[1:]
        vendor = sorted(k for k, syms in kmap.items()
                        if any(syms) and all(s == 0 or s & 0xFFFF0000 == _VENDOR_KEYSYMS
                                             for s in syms))
        spare = empty + vendor
        if len(wanted) > len(spare):
            raise RuntimeError(f"no spare keycodes left for {''.join(wanted)!r}")
        for c, code in zip(wanted, spare):
            sym = (ctypes.c_ulong * 1)(keysym_of(c))
            self._x.XChangeKeyboardMapping(self._dpy, code, 1, sym, 1)
            bound[c] = code
        self._x.XSync(self._dpy, 0)

    # -- waiting for a window ------------------------------------------
    def watch_maps(self):
        """From now on, map events of top-level windows are queued for wait_mapped.
        Events still queued from before are dropped: a window of an earlier
        program may have had the same id as one of the next."""
        self._x.XSelectInput(self._dpy, self.root, SUBSTRUCTURE_NOTIFY_MASK)
        self._x.XSync(self._dpy, 1)
        self._seen = []

    def wait_mapped(self, title, timeout, accept=None):
        """Waits until a top-level window titled `title` (and passing
        `accept(window)`, when given) is mapped, after watch_maps. Returns
        (window, monotonic time of the map event as seen here) or raises
        TimeoutError. Map events seen and not taken stay for the next call."""
        deadline = time.monotonic() + timeout
        fd = self._x.XConnectionNumber(self._dpy)
        ev = _Event()
        mapped = self._seen = getattr(self, "_seen", [])
        while True:
            while self._x.XPending(self._dpy):
                self._x.XNextEvent(self._dpy, ctypes.byref(ev))
                if ev.type == MAP_NOTIFY:
                    mapped.append((ev.xmap.window, time.monotonic()))
            for i, (w, t) in enumerate(mapped):
                if self.title(w) == title and (accept is None or accept(w)):
                    del mapped[i]
                    return w, t
            left = deadline - time.monotonic()
            if left <= 0:
                raise TimeoutError(f"no window titled {title!r} mapped within {timeout} s")
            select.select([fd], [], [], min(left, 0.05))
