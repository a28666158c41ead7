"""A log.cnf that cannot be read is never written over. A FIFO in its place
does not hang the start: one box titled "Кельто" names it and the session's
own file, the program runs, and the note typed goes to log-<date>-<time>.cnf
while the FIFO stays. The same for a log.cnf without read permission, with
the program run as an unprivileged user (root reads any file)."""

import glob
import os
import pwd
import shutil
import stat

import harness
from harness import controls


def start_past_the_box(app, what):
    app.launch()
    boxes = app.wait_until(app.own_windows, 15, message=f"no box at start with {what}")
    assert len(boxes) == 1, f"{len(boxes)} windows at start with {what}, expected the one box"
    box = boxes[0]
    assert app.window_text(box) == "Кельто", f"box titled {app.window_text(box)!r}"
    w, h = app.server.x.geometry(box)[2:]
    assert (w, h) != (638, 457), f"the main window came before the box with {what}"
    app.key("Return", window=box)
    app.wait_main_window()


def type_and_close(app, text):
    app.click(*controls.NOTEPAD)
    app.type_text(text)
    rc = app.close()
    assert rc == 0, f"exit code {rc}"


def session_files(app):
    return sorted(glob.glob(app.path("log-*-*.cnf")))


def fifo_case():
    with harness.KeltoApp() as app:
        os.mkfifo(app.path("log.cnf"), 0o600)
        start_past_the_box(app, "a FIFO as log.cnf")
        type_and_close(app, "fifo")
        assert stat.S_ISFIFO(os.lstat(app.path("log.cnf")).st_mode), "log.cnf is no longer the FIFO"
        saved = session_files(app)
        assert len(saved) == 1, f"session files: {saved!r}"
        lines = app.read_lines(os.path.basename(saved[0]))
        assert lines[-1] == "fifo", f"session file: {lines!r}"


def unreadable_case():
    if os.geteuid() != 0:
        # An ordinary user can take the read permission from a file of its own.
        drop = []
        owner = None
    elif shutil.which("setpriv"):
        owner = pwd.getpwnam("nobody")
        drop = ["setpriv", f"--reuid={owner.pw_uid}", f"--regid={owner.pw_gid}", "--clear-groups"]
    else:
        print("SKIP: running as root without setpriv; no unprivileged user to run the program as")
        return
    with harness.KeltoApp() as app:
        old = b"1\r\n01.03.2024\r\n1\r\nold\r\n"
        app.write_file("log.cnf", old)
        app.prefix = drop
        if owner is not None:
            os.chmod(app.base, 0o755)
            for d, dirs, files in os.walk(app.base):
                for n in dirs + files:
                    os.lchown(os.path.join(d, n), owner.pw_uid, owner.pw_gid)
            os.chown(app.base, owner.pw_uid, owner.pw_gid)
        os.chmod(app.path("log.cnf"), 0o200)
        start_past_the_box(app, "log.cnf without read permission")
        type_and_close(app, "mine")
        os.chmod(app.path("log.cnf"), 0o600)
        assert app.read_file("log.cnf") == old, f"log.cnf written over: {app.read_file('log.cnf')!r}"
        saved = session_files(app)
        assert len(saved) == 1, f"session files: {saved!r}"
        assert app.read_lines(os.path.basename(saved[0]))[-1] == "mine"


def test():
    fifo_case()
    unreadable_case()


if __name__ == "__main__":
    harness.main(test)
