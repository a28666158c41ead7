"""A diary load made slow (a gate file the load waits for, as a slow stick
would make it wait): while it runs, the focus is moved into the notepad by a
click and text is typed. A close of the window or SIGTERM, SIGINT, SIGHUP
then waits for the load, hands the held input over in its order and saves it
once; log.cnf is untouched until the load is in. A click on "Инфо" held
meanwhile opens nothing that would keep the ending waiting; without an
ending, it opens the About window once the load is in, wherever the mouse
went since."""

import datetime
import os
import signal
import time

import harness
from harness import controls

YEAR_FIELD = (19 + 35, 149 + 32 + 10)  # eYear
TYPED = "abc"


def start_held(app, gate):
    today = datetime.date.today().strftime("%d.%m.%Y").encode()
    old = b"2\r\n01.01.2020\r\n1\r\na\r\n" + today + b"\r\n1\r\nd\r\n"
    app.write_file("log.cnf", old)
    app.extra_env["KELTO_TEST_DIARY_LOAD_GATE"] = gate
    app.start()
    # The focus elsewhere, then clicked into the notepad: both held.
    app.click(*YEAR_FIELD)
    app.click(*controls.NOTEPAD_INSIDE)
    app.type_text(TYPED)
    return old


def test():
    for ending in ("close", signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
        name = ending if ending == "close" else ending.name
        with harness.KeltoApp() as app:
            gate = os.path.join(app.base, "gate")
            old = start_held(app, gate)
            app.click(*controls.INFO_BUTTON)
            if ending == "close":
                app.server.x.request_close(app.window)
            else:
                os.killpg(app.proc.pid, ending)
            time.sleep(1)
            assert app.running(), f"{name}: ended before the diary was loaded"
            assert app.read_file("log.cnf") == old, f"{name}: log.cnf written before the load ended"
            open(gate, "w").close()
            rc = app.wait_exit(60)
            assert rc == 0, f"{name}: exit code {rc}\n{app.log()}"
            lines = app.read_lines("log.cnf")
            assert lines[-1] == "d" + TYPED, f"{name}: the typing was not saved: {lines!r}"
            assert lines[:4] == ["2", "01.01.2020", "1", "a"], f"{name}: {lines!r}"

    with harness.KeltoApp() as app:
        gate = os.path.join(app.base, "gate")
        start_held(app, gate)
        app.click(*controls.INFO_BUTTON)
        # The pointer moves on while the click waits.
        app.click(*YEAR_FIELD)
        open(gate, "w").close()
        app.wait_until(lambda: len(app.own_windows()) > 1, 30,
                       message="the About window did not open after the load")
        assert app.running()


if __name__ == "__main__":
    harness.main(test)
