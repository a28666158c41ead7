"""Where the folder's file system has no locks (flock() made to fail by a
preloaded library), a lock file left in the folder does not block the
program unless it is the record of a live copy: a stale one is taken over
and removed at the close; another host's asks, and its "no" ends the start;
a lock file that is a folder is said in a box; two copies never run."""

import os
import subprocess

import harness


def start_refused(app, why, second=False):
    """Starts the program (a second copy beside a running one when `second`),
    which must show one box titled Кельто and no main window, and end with 0
    once the box is answered with Return."""
    if second:
        proc = subprocess.Popen([app.path("kelto")], cwd=app.base, env=app.program_env(),
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                start_new_session=True)
    else:
        proc = app.launch()
    boxes = app.wait_until(lambda: app.own_windows(proc.pid) or proc.poll() is not None, 15,
                           message=f"{why}: nothing shown")
    assert boxes is not True, f"{why}: ended with {proc.returncode} without a box"
    assert len(boxes) == 1, f"{why}: {len(boxes)} windows"
    assert app.window_text(boxes[0]) == "Кельто", f"{why}: box titled {app.window_text(boxes[0])!r}"
    w, h = app.server.x.geometry(boxes[0])[2:]
    assert (w, h) != (638, 457), f"{why}: a main window came up"
    app.key("Return", window=boxes[0])
    try:
        rc = proc.wait(10)
    finally:
        if proc.poll() is None:
            proc.kill()
            proc.wait()
    assert rc == 0, f"{why}: exit code {rc}"


def runs_over_stale(app, content, why):
    app.write_file("kelto.lock", content)
    app.start()
    harness.assert_no_boxes(app, why)
    record = app.read_file("kelto.lock").decode().split("\n")
    assert record[0] == str(app.proc.pid), f"{why}: lock holds {record!r}"
    assert app.close() == 0
    assert not app.exists("kelto.lock"), f"{why}: lock left behind at the close"


def test():
    preload = os.environ.get("KELTO_NOFLOCK")
    assert preload and os.path.exists(preload), "KELTO_NOFLOCK names no library"
    host = os.uname().nodename
    with harness.KeltoApp(env={"LD_PRELOAD": preload}) as app:
        runs_over_stale(app, b"", "empty lock file")
        runs_over_stale(app, b"4", "lock cut after the id")
        # A live process of this host that is not the program.
        other = subprocess.Popen(["sleep", "60"])
        try:
            runs_over_stale(app, f"{other.pid}\n{host}\n".encode(), "lock of another program")
        finally:
            other.kill()
            other.wait()

        foreign = b"4242\nelsewhere.invalid\n"
        app.write_file("kelto.lock", foreign)
        start_refused(app, "lock of another host")
        harness.assert_file_kept(app, "kelto.lock", foreign, "changed by a refused start")
        os.remove(app.path("kelto.lock"))

        os.mkdir(app.path("kelto.lock"))
        start_refused(app, "lock file that is a folder")
        assert os.path.isdir(app.path("kelto.lock"))
        os.rmdir(app.path("kelto.lock"))

        # Two copies on one folder: the second is refused.
        app.start()
        start_refused(app, "second copy", second=True)
        assert app.running(), "the first copy ended"
        assert app.close() == 0
        assert not app.exists("kelto.lock")


if __name__ == "__main__":
    harness.main(test)
