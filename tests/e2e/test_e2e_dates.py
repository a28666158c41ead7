"""The source window's dates from the keyboard alone: Tab walks through every
field (through a date field in one step), digits typed into a date field fill
it from its start, and every value lands in its own field, the work date left
as it was. Clicks on the edges of a date field change nothing."""

import datetime

import harness
from harness import controls

SOURCE = "Источник и экспозиция"
# The passport date field of the source window, in its own pixels.
PASSPORT_LEFT_EDGE = (268 + 1, 66 + 10)
PASSPORT_TEXT_END = (268 + 88, 66 + 10)


def open_source(app):
    app.click(*controls.CALC_BUTTON)
    app.click(*controls.SOURCE_LINK)
    return app.wait_window(SOURCE)


def close_and_read(app, w):
    app.server.x.request_close(w)
    app.wait_until(lambda: app.exists("source.cnf") and not app.windows(SOURCE), 5,
                   message="source.cnf not written when the window closed")
    return app.read_lines("source.cnf")


def test():
    today = datetime.date.today()
    passport = today - datetime.timedelta(days=40)
    reference = today - datetime.timedelta(days=3)
    with harness.KeltoApp() as app:
        app.start()
        w = open_source(app)
        # Isotope, activity, unit, passport, work (passed), reference shot's
        # time, distance, thickness and date, distance, thickness.
        steps = [None, "100", None, passport.strftime("%d.%m.%Y"), None, "3", "500", "10",
                 reference.strftime("%d%m%Y"), "600", "12"]
        for typed in steps:
            if typed:
                app.type_text(typed, window=w)
            app.key("Tab", window=w)
        lines = close_and_read(app, w)
        assert lines[1:] == ["100", "Ки", passport.strftime("%d.%m.%Y"), "3", "500", "10",
                             reference.strftime("%d.%m.%Y"), "600", "12", "13,0"], f"source.cnf: {lines}"

        # Clicks on the edges of a date field, and at its end, leave it alone.
        w = open_source(app)
        for at in (PASSPORT_LEFT_EDGE, PASSPORT_TEXT_END):
            for _ in range(3):
                app.click(*at, window=w)
        assert close_and_read(app, w) == lines, "a click changed a date"

        assert app.close() == 0


if __name__ == "__main__":
    harness.main(test)
