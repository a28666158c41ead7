"""The link "Активность и время экспозиции…" of the calculation view opens
the source window, one instance however often it is clicked. What is typed
there (a point typed on the keyboard becoming the comma) is in source.cnf when
the window closes, code page 1251, CR LF, one value per line in the
documented order; a change made later is written at program exit with the
window still open; after a restart the window shows the remembered values
again, so closing it unchanged writes the same bytes."""

import datetime

import harness
from harness import controls

TITLE = "Источник и экспозиция"


def expected(dates, dist):
    return {("Ir-192\r\n100\r\nКи\r\n{d}\r\n2,5\r\n500\r\n10\r\n{d}\r\n{f}\r\n10\r\n13,0\r\n"
             .format(d=d, f=dist)).encode("cp1251") for d in dates}


def open_window(app):
    app.click(*controls.CALC_BUTTON)
    app.click(*controls.SOURCE_LINK)
    return app.wait_window(TITLE)


def type_into(app, window, at, text):
    app.click(*at, window=window)
    app.type_text(text, window=window)


def test():
    today = datetime.date.today()
    dates = {d.strftime("%d.%m.%Y") for d in (today, today - datetime.timedelta(days=1))}
    with harness.KeltoApp() as app:
        app.start()
        w = open_window(app)
        for at, text in ((controls.SOURCE_ACTIVITY, "100"), (controls.SOURCE_REF_TIME, "2.5"),
                         (controls.SOURCE_REF_DIST, "500"), (controls.SOURCE_REF_THICK, "10"),
                         (controls.SOURCE_DIST, "500"), (controls.SOURCE_THICK, "10")):
            type_into(app, w, at, text)
        app.server.x.request_close(w)
        app.wait_until(lambda: app.exists("source.cnf") and not app.windows(TITLE), 5,
                       message="source.cnf not written when the window closed")
        raw = app.read_file("source.cnf")
        assert raw in expected(dates, "500"), f"source.cnf after the window closed: {raw!r}"

        # The same window again, with what it held; a change is written at exit.
        w2 = open_window(app)
        app.click(*controls.SOURCE_LINK)
        assert len(app.windows(TITLE)) == 1, "more than one source window on screen"
        type_into(app, w2, controls.SOURCE_DIST, "0")
        rc = app.close()
        assert rc == 0, f"exit code {rc}"
        saved = app.read_file("source.cnf")
        assert saved in expected(dates, "5000"), f"source.cnf after exit: {saved!r}"

        # A restart brings the values back: closed unchanged, the file stays.
        app.start()
        w3 = open_window(app)
        app.server.x.request_close(w3)
        app.wait_until(lambda: not app.windows(TITLE), 5, message="the source window did not close")
        assert app.read_file("source.cnf") == saved, \
            f"values not back after a restart:\n{saved!r}\n{app.read_file('source.cnf')!r}"
        assert app.close() == 0


if __name__ == "__main__":
    harness.main(test)
