"""The link "Расчёт по ГОСТ ISO 17636-1…" of the calculation view opens the
ISO window, one instance however often it is clicked; a distance typed there
is in iso.cnf when the window closes, and after a restart the window shows
it again, so closing it unchanged writes the same bytes. Esc on its open
drop-down closes the drop-down only; a second Esc closes the window."""

import harness
from harness import controls

TITLE = "Расчёт по ГОСТ ISO 17636-1"


def open_window(app):
    app.click(*controls.CALC_BUTTON)
    app.click(*controls.ISO_LINK)
    return app.wait_window(TITLE)


def test():
    with harness.KeltoApp() as app:
        app.start()
        w = open_window(app)
        app.click(*controls.ISO_LINK)
        assert len(app.windows(TITLE)) == 1, "more than one ISO window on screen"
        app.click(*controls.ISO_SFD, window=w)
        app.key("End", "BackSpace", "BackSpace", "BackSpace", window=w)
        app.type_text("650.5", window=w)
        app.server.x.request_close(w)
        app.wait_until(lambda: app.exists("iso.cnf") and not app.windows(TITLE), 5,
                       message="iso.cnf not written when the window closed")
        saved = app.read_file("iso.cnf")
        assert saved.split(b"\r\n")[6] == "650,5".encode("cp1251"), f"iso.cnf: {saved!r}"
        assert app.close() == 0

        app.start()
        w2 = open_window(app)
        before = set(app.own_windows())
        app.click(*controls.ISO_TECHNIQUE, window=w2)
        app.wait_until(lambda: len(set(app.own_windows()) - before) == 1, 5,
                       message="the technique list did not open")
        app.xdotool("key", "Escape")
        app.wait_until(lambda: set(app.own_windows()) == before, 5,
                       message="Esc did not close the drop-down")
        assert app.windows(TITLE), "Esc on an open drop-down closed the ISO window"
        app.key("Escape", window=w2)
        app.wait_until(lambda: not app.windows(TITLE), 5, message="Esc did not close the ISO window")
        assert app.read_file("iso.cnf") == saved, f"not back after a restart: {app.read_file('iso.cnf')!r}"
        assert app.close() == 0


if __name__ == "__main__":
    harness.main(test)
