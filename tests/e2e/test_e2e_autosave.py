"""Typing that never pauses is saved all the same: after about 6 s of
continuous typing a kill -9 leaves log.cnf holding what was typed up to a
couple of seconds before (the save waited for a pause once, and a kill lost
all of it). SIGTERM saves and ends the program as a close does."""

import os
import signal
import time

import harness
from harness import controls

TEXT = "abcdefghijklmnopqrstuvwxyz0123456789ABCD"  # 40 keys, 150 ms apart


def test():
    with harness.KeltoApp() as app:
        app.start()
        app.click(*controls.NOTEPAD)
        began = time.monotonic()
        app.type_text(TEXT, delay=300, settle=0)
        typed_for = time.monotonic() - began
        os.killpg(app.proc.pid, signal.SIGKILL)
        app.wait_exit()
        assert typed_for > 5, f"typing took only {typed_for:.1f} s"
        assert app.exists("log.cnf"), f"nothing saved during {typed_for:.1f} s of typing"
        note = app.read_lines("log.cnf")[-1]
        assert TEXT.startswith(note), f"saved note {note!r} is not what was typed"
        # Saved at most 2 s after a change: of 6 s of typing, the keys of
        # the first 3 s at the least.
        assert len(note) >= 20, f"only {len(note)} of {len(TEXT)} keys saved: {note!r}"

        app.start()
        app.click(*controls.NOTEPAD)
        app.key("ctrl+End")
        app.type_text("!")
        os.killpg(app.proc.pid, signal.SIGTERM)
        rc = app.wait_exit()
        assert rc == 0, f"exit code {rc} after SIGTERM"
        assert app.read_lines("log.cnf")[-1].endswith("!"), \
            f"SIGTERM did not save: {app.read_lines('log.cnf')!r}"


if __name__ == "__main__":
    harness.main(test)
