"""A note typed into the notepad of a fresh program folder is in log.cnf
after the close hot spot ends the program (today's date, code page 1251,
CR LF), and the next start brings it back: the notepad holds it again, today's
cell is painted red, and a close without changes leaves log.cnf as it was."""

import datetime

import harness
from harness import controls

RED = (255, 0, 0)

LINE1 = "Шов №3 — проверен, трещин нет"
LINE2 = "film 2x KODAK"


def today_texts():
    # Either side of midnight is fine: the program reads the clock itself.
    return {datetime.date.today().strftime("%d.%m.%Y")}


def red_in_grid(app):
    return app.capture().count(RED, *controls.GRID)


def test():
    with harness.KeltoApp() as app:
        app.start()
        assert not app.exists("log.cnf"), "log.cnf exists before anything was typed"
        red_before = red_in_grid(app)
        dates = today_texts()

        app.click(*controls.NOTEPAD)
        app.type_text(LINE1)
        app.key("Return")
        app.type_text(LINE2)
        # The cell of today turns red as soon as it has a note.
        app.wait_until(lambda: red_in_grid(app) - red_before > 300, 5,
                       message="today's cell did not turn red while typing")

        app.click(*controls.CLOSE_SPOT)
        rc = app.wait_exit()
        assert rc == 0, f"exit code {rc} after the close hot spot"

        raw = app.read_file("log.cnf")
        assert raw.endswith(b"\r\n"), f"log.cnf does not end in CR LF: {raw!r}"
        assert raw.count(b"\n") == raw.count(b"\r\n"), f"bare LF in log.cnf: {raw!r}"
        assert not raw.startswith(b"\xef\xbb\xbf"), "log.cnf starts with a byte-order mark"
        lines = app.read_lines("log.cnf")
        assert len(lines) == 5, f"log.cnf lines: {lines!r}"
        assert lines[0] == "1", f"record count {lines[0]!r}, expected 1"
        assert lines[1] in dates, f"record date {lines[1]!r}, expected {sorted(dates)}"
        assert lines[2] == "2", f"line count {lines[2]!r}, expected 2"
        assert lines[3:] == [LINE1, LINE2], f"note lines {lines[3:]!r}"
        # Cyrillic stored as single bytes of code page 1251, not UTF-8.
        assert LINE1.encode("cp1251") in raw, f"note not in code page 1251: {raw!r}"
        saved = raw

        app.start()
        assert red_in_grid(app) - red_before > 300, "today's cell is not red after a restart"
        text = harness.notepad_text(app)
        assert text.splitlines() == [LINE1, LINE2], f"notepad after restart: {text!r}"
        rc = app.close()
        assert rc == 0, f"exit code {rc} after the second close"
        assert app.read_file("log.cnf") == saved, \
            f"log.cnf changed by a run without edits:\n{saved!r}\n{app.read_file('log.cnf')!r}"


if __name__ == "__main__":
    harness.main(test)
