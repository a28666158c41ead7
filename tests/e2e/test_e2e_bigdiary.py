"""A diary of 100 000 notes (51 MB) is read while the window paints: the
window comes, today's note follows, typing into it at once goes to the end of
that note, and the close writes the whole diary back with the typing."""

import datetime

import harness
from harness import controls

FIRST = datetime.date(1800, 1, 1)
NOTES = 100000


def line(i, j):
    return f"Снимок {i:06d}: шов {j:02d}, кассета 10x40, плёнка D7"


def diary():
    parts = [b"%d\r\n" % NOTES]
    for i in range(NOTES):
        day = FIRST + datetime.timedelta(days=i)
        parts.append(day.strftime("%d.%m.%Y").encode() + b"\r\n10\r\n")
        parts.extend(line(i, j).encode("cp1251") + b"\r\n" for j in range(10))
    return b"".join(parts)


def test():
    today = (datetime.date.today() - FIRST).days
    assert 0 <= today < NOTES, "today lies outside the generated diary"
    original = diary()
    with harness.KeltoApp() as app:
        app.write_file("log.cnf", original)
        app.start()
        app.click(*controls.NOTEPAD)
        app.key("ctrl+End")
        app.type_text("Z")
        rc = app.close()
        assert rc == 0, f"exit code {rc} after close\n{app.log()}"
        saved = app.read_file("log.cnf")
        old = line(today, 9).encode("cp1251") + b"\r\n"
        assert saved == original.replace(old, old[:-2] + b"Z\r\n", 1), \
            "the close did not write the whole diary with today's typing"


if __name__ == "__main__":
    harness.main(test)
