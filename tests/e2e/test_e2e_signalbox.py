"""SIGTERM, SIGHUP or SIGINT while a start-up box is open end the program as
a close does, at once; it was left running until killed."""

import os
import signal

import harness


def test():
    for sig in (signal.SIGTERM, signal.SIGHUP, signal.SIGINT):
        with harness.KeltoApp() as app:
            app.write_file("log.cnf", b"2\r\n01.01.2026\r\n1\r\nx\r\n")  # damaged: a box at start
            app.launch()
            app.wait_until(app.own_windows, 15, message="no box at start")
            os.killpg(app.proc.pid, sig)
            rc = app.wait_exit(10)
            assert rc == 0, f"{sig.name}: exit code {rc}"
            assert app.exists("log.cnf.bak"), f"{sig.name}: the damaged file has no copy"


if __name__ == "__main__":
    harness.main(test)
