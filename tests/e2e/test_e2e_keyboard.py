"""Under LANG=C, the keyboard alone: F10 and the header's arrows open the
plug-in dialog ("Выбор плагина оформления"); Shift+Tab reaches the month grid,
Ctrl+PageDown and PageDown move the day a year and a month on, Tab returns to
the notepad, and the note typed there is kept under that day in log.cnf."""

import datetime

import harness
from harness import controls

DIALOG = "Выбор плагина оформления"
NOTE = "LANG=C: keyboard only"


def plus_month(d, months):
    y, m = divmod(d.month - 1 + months, 12)
    y += d.year
    m += 1
    last = (datetime.date(y + (m == 12), m % 12 + 1, 1) - datetime.timedelta(days=1)).day
    return datetime.date(y, m, min(d.day, last))


def test():
    with harness.KeltoApp(env={"LANG": "C", "LC_ALL": "C", "LANGUAGE": ""}) as app:
        app.start()
        today = datetime.date.today()
        # F10, then right along "Записи", "Расчеты", "Справка" to "Настройка":
        # its menu; Return on "Выбрать плагин" opens the list of plug-ins.
        app.key("F10")
        app.key("Right", "Right", "Right")
        app.key("Return")
        app.key("Return")
        dialog = app.wait_window(DIALOG, 15)
        app.key("Escape", window=dialog)
        app.wait_until(lambda: not app.windows(DIALOG), 10, message="the plug-in list stayed open")

        app.click(*controls.NOTEPAD)
        # Notepad <- "Все записи за год" <- "Найти" <- month tabs <- grid.
        app.key("shift+Tab", "shift+Tab", "shift+Tab", "shift+Tab")
        app.key("ctrl+Next")
        app.key("Next")
        app.key("Tab", "Tab", "Tab", "Tab")
        app.type_text(NOTE)
        app.click(*controls.CLOSE_SPOT)
        assert app.wait_exit() == 0

        day = plus_month(today, 13)
        lines = app.read_file("log.cnf").decode("cp1251").split("\r\n")
        assert day.strftime("%d.%m.%Y") in lines, f"no record of {day}: {lines!r}"
        assert NOTE in lines, f"the note is missing: {lines!r}"
        assert lines.index(NOTE) > lines.index(day.strftime("%d.%m.%Y"))


if __name__ == "__main__":
    harness.main(test)
