"""A second start while the program runs shows a box of its own and ends
without touching the program folder; the first copy goes on running and
still saves its diary on close."""

import hashlib
import os
import subprocess
import time

import harness
from harness import controls


def folder_state(app):
    state = {}
    for name in app.files():
        with open(app.path(name), "rb") as f:
            state[name] = hashlib.sha256(f.read()).hexdigest()
    return state


def test():
    with harness.KeltoApp() as app:
        app.write_file("log.cnf", "1\r\n01.03.2024\r\n1\r\nстарая запись\r\n")
        app.start()
        first_pid = app.proc.pid
        before = folder_state(app)

        second = subprocess.Popen([app.path("kelto")], cwd=app.base, env=app.program_env(),
                                  stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                  start_new_session=True)
        try:
            boxes = app.wait_until(lambda: app.own_windows(second.pid) or second.poll() is not None,
                                   15, message="second copy showed nothing")
            assert boxes is not True, \
                f"second copy ended with {second.returncode} without a box"
            assert len(boxes) == 1, f"second copy shows {len(boxes)} windows"
            box = boxes[0]
            # The box is titled as every box of the program; the second copy
            # opens no main window of its own.
            title = app.window_text(box)
            assert title == "Кельто", f"second copy's box titled {title!r}"
            assert len(app.windows("Кельто")) == 2, "a second main window titled Кельто"
            w, h = app.server.x.geometry(box)[2:]
            assert (w, h) != (638, 457), "second copy opened a main window"
            assert second.poll() is None, "second copy did not wait for its box"

            app.key("Return", window=box)
            rc = second.wait(10)
        finally:
            if second.poll() is None:
                os.killpg(second.pid, 9)
                second.wait()
        out = second.stdout.read().decode("utf-8", "replace")
        assert rc == 0, f"second copy exit code {rc}\n{out}"
        assert folder_state(app) == before, "second copy changed the program folder"

        # The first copy is untouched by all this.
        assert app.running() and app.proc.pid == first_pid
        time.sleep(0.2)
        assert app.server.x.exists(app.window), "first copy's window is gone"
        app.click(*controls.NOTEPAD_INSIDE)
        app.type_text("ok")
        rc = app.close()
        assert rc == 0, f"first copy exit code {rc}"
        lines = app.read_lines("log.cnf")
        assert "старая запись" in lines and "ok" in lines, f"log.cnf after close: {lines!r}"


if __name__ == "__main__":
    harness.main(test)
