"""SIGTERM, SIGHUP or SIGINT while a start-up box is open end the program as
a close does, at once; it was left running until killed."""

import os
import signal

import harness


def test():
    for sig in (signal.SIGTERM, signal.SIGHUP, signal.SIGINT):
        with harness.KeltoApp() as app:
            app.write_file("log.cnf", b"1\r\n31.02.2026\r\n1\r\nx\r\n")  # damaged: a box at start
            app.launch()
            box = app.wait_until(app.own_windows, 15, message="no box at start")[0]
            assert app.server.x.geometry(box)[2:] != (638, 457), "the main window came, not a box"
            os.killpg(app.proc.pid, sig)
            rc = app.wait_exit(10)
            assert rc == 0, f"{sig.name}: exit code {rc}"
            assert app.exists("log.cnf.bak"), f"{sig.name}: the damaged file has no copy"


if __name__ == "__main__":
    harness.main(test)
