"""A file-size limit below the diary's size (ulimit -f) does not end the
program: the autosave fails, one box titled "Кельто" says so, the program
runs on, and a SIGTERM still ends it cleanly with log.cnf whole."""

import os
import signal

import harness
from harness import controls


def test():
    with harness.KeltoApp() as app:
        old = b"1\r\n01.01.2026\r\n1\r\n" + b"x" * 100_000 + b"\r\n"
        app.write_file("log.cnf", old)
        app.prefix = ["sh", "-c", 'ulimit -f 64 && exec "$0" "$@"']  # 32 KB
        app.start()
        app.click(*controls.NOTEPAD)
        app.type_text("lost?")
        boxes = app.wait_until(app.dialogs, 10, message="no box for the failed autosave")
        assert app.running(), f"the program ended ({app.proc.returncode})"
        assert app.window_text(boxes[0]) == "Кельто"
        os.killpg(app.proc.pid, signal.SIGTERM)
        assert app.wait_exit() == 0, f"exit code {app.returncode}"
        assert app.read_file("log.cnf") == old, "log.cnf was cut"


if __name__ == "__main__":
    harness.main(test)
