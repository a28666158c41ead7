"""With the clock set back (30 daily copies dated after today), the day's
first save still leaves today's copy of the diary in backup/; a copy dated
later makes room for it."""

import datetime
import os

import harness
from harness import controls


def test():
    today = datetime.date.today()
    old = b"1\r\n01.01.2026\r\n1\r\nold\r\n"
    with harness.KeltoApp() as app:
        app.write_file("log.cnf", old)
        os.mkdir(app.path("backup"))
        for i in range(1, 31):
            app.write_file(f"backup/log-{today + datetime.timedelta(days=i)}.cnf", b"0\r\n")
        app.start()
        app.click(*controls.NOTEPAD)
        app.type_text("new")
        assert app.close() == 0
        left = sorted(os.listdir(app.path("backup")))
        assert app.read_file(f"backup/log-{today}.cnf") == old, f"no copy of today: {left!r}"
        assert len(left) == 30, f"{len(left)} copies kept"


if __name__ == "__main__":
    harness.main(test)
