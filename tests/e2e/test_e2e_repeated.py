"""A date held twice in log.cnf becomes one note: the start-up box says so
once, the file as found is kept in log.cnf.bak, and over three sessions the
note keeps its two lines (it doubled at each session before)."""

import datetime

import harness


def test():
    today = datetime.date.today().strftime("%d.%m.%Y").encode()
    original = b"2\r\n" + today + b"\r\n1\r\nfirst\r\n" + today + b"\r\n1\r\nsecond\r\n"
    merged = b"1\r\n" + today + b"\r\n2\r\nfirst\r\nsecond\r\n"
    with harness.KeltoApp() as app:
        app.write_file("log.cnf", original)
        for session in range(3):
            app.launch()
            if session == 0:
                box = app.wait_until(app.own_windows, 15, message="no box at start")[0]
                app.key("Return", window=box)
            app.wait_main_window()
            assert len(app.own_windows()) == 1, f"a box in session {session + 1}"
            assert app.close() == 0
            assert app.read_file("log.cnf") == merged, f"session {session + 1}: {app.read_file('log.cnf')!r}"
        assert app.read_file("log.cnf.bak") == original


if __name__ == "__main__":
    harness.main(test)
