"""A paste that would take the note past the notepad's limit: today's note
of 26 000 lines is copied whole and pasted after itself (52 000 lines). The
paste is refused at once with a box saying why, the note and the clipboard
stay as they were, and the program still answers a termination signal,
saving the note unchanged."""

import datetime
import os
import signal

import harness
from harness import controls

LINES = 26000


def test():
    today = datetime.date.today().strftime("%d.%m.%Y").encode()
    note = [b"x%d" % i for i in range(LINES)]
    diary = b"1\r\n" + today + b"\r\n%d\r\n" % LINES + b"".join(n + b"\r\n" for n in note)
    with harness.KeltoApp() as app:
        app.write_file("log.cnf", diary)
        app.start()
        copied = harness.notepad_text(app)
        # (The reader here takes the clipboard's first 16 KB.)
        assert copied.startswith("x0\nx1\nx2\n"), f"the note was not copied: {copied[:40]!r}"
        app.key("ctrl+End")
        app.key("ctrl+v")
        box = app.wait_until(app.dialogs, 10, message="no box said the paste was refused")[0]
        app.key("Return", window=box)
        app.wait_until(lambda: not app.dialogs(), 5, message="the box did not close")
        assert app.clipboard() == copied, "the clipboard changed"
        os.killpg(app.proc.pid, signal.SIGTERM)
        rc = app.wait_exit(15)
        assert rc == 0, f"exit code {rc} after SIGTERM\n{app.log()}"
        assert app.read_file("log.cnf") == diary, "the note changed"


if __name__ == "__main__":
    harness.main(test)
