"""The control journal end to end: Ctrl+J in the technique card writes the
card into the journal and opens "Журнал контроля" on the new entry; the
defects and the verdict typed there are saved with Ctrl+S; Ctrl+P makes the
conclusion, whose PDF (pdftotext) holds the joint, the defects, the verdict
and the number. The program killed with SIGKILL right after a reported save
and started again still has the entry. Thirty entries of a month (put into
journal.db while the program is down) found by the search for that month
give a conclusion whose table goes on to page 2."""

import datetime
import os
import re
import signal
import sqlite3
import subprocess

import harness
from harness import controls

JOURNAL = "Журнал контроля"
CONCLUSION = "Заключение"
SAVE_TITLE = "Сохранить заключение"


def rows(app, sql):
    db = sqlite3.connect(app.path("journal.db"))
    try:
        return db.execute(sql).fetchall()
    finally:
        db.close()


def pdf(path):
    info = subprocess.run(["pdfinfo", path], check=True, text=True, stdout=subprocess.PIPE).stdout
    pages = int(re.search(r"^Pages:\s+(\d+)$", info, re.M).group(1))
    text = [" ".join(subprocess.run(["pdftotext", "-f", str(p), "-l", str(p), path, "-"], check=True, text=True,
                                    stdout=subprocess.PIPE).stdout.split()) for p in range(1, pages + 1)]
    return pages, text


def save_conclusion(app, journal):
    app.key("ctrl+p", window=journal)
    conclusion = app.wait_window(CONCLUSION)
    app.key("ctrl+s", window=conclusion)
    dialog = app.wait_window(SAVE_TITLE)
    app.key("Return", window=dialog)
    app.wait_until(lambda: not app.windows(SAVE_TITLE), 5, message="the save dialog stayed open")
    app.key("Escape", window=conclusion)
    app.wait_until(lambda: not app.windows(CONCLUSION), 5, message="the conclusion window stayed open")


def test():
    year = datetime.date.today().year
    with harness.KeltoApp() as app:
        app.start()
        app.click(*controls.CALC_BUTTON)
        app.click(*controls.DIAM)
        app.key("ctrl+p")
        card = app.wait_window("Технологическая карта")
        app.click(*controls.CARD_OBJECT, window=card)
        app.key("ctrl+a", window=card)
        app.type_text("Газопровод", window=card)
        app.key("Tab", window=card)
        app.key("ctrl+a", window=card)
        app.type_text("С-17", window=card)
        app.key("ctrl+j", window=card)
        journal = app.wait_window(JOURNAL)
        app.wait_until(lambda: rows(app, "SELECT joint, verdict FROM entries") == [("С-17", 0)], 5,
                       message="the card's entry was not saved at once")
        # The focus waits in "Дефекты"; Tab goes on to "Оценка".
        app.type_text("пора 0,5 мм", window=journal)
        app.key("Tab", window=journal)
        app.key("Home", window=journal)  # "годен"
        app.key("ctrl+s", window=journal)
        app.wait_until(lambda: rows(app, "SELECT defects, verdict FROM entries") == [("пора 0,5 мм", 1)], 5,
                       message="the defects and the verdict were not saved")

        save_conclusion(app, journal)
        path = app.path(f"Заключение 1-{year}.pdf")
        app.wait_until(lambda: os.path.exists(path), 5, message=f"{path} not written")
        pages, text = pdf(path)
        assert pages == 1, pages
        for want in ["С-17", "пора 0,5 мм", "годен", f"ЗАКЛЮЧЕНИЕ № 1/{year}", "Лист 1 из 1"]:
            assert want in text[0], (want, text[0])
        assert rows(app, "SELECT conclusion FROM entries") == [(f"1/{year}",)]

        # SIGKILL right after a reported save: nothing of it is lost.
        app.key("ctrl+n", window=journal)
        app.type_text("Нефтепровод", window=journal)
        app.key("ctrl+s", window=journal)
        app.wait_until(lambda: len(rows(app, "SELECT id FROM entries")) == 2, 5, message="the new entry not saved")
        os.killpg(app.proc.pid, signal.SIGKILL)
        app.proc.wait(10)
        assert rows(app, "SELECT object FROM entries ORDER BY id") == [("Газопровод", ), ("Нефтепровод", )]

        # Thirty entries of November as a technician writes them.
        db = sqlite3.connect(app.path("journal.db"))
        with db:
            db.executemany("INSERT INTO entries(date, object, joint, films, film_size, sensitivity, defects, verdict,"
                           " created_at, changed_at) VALUES(?, 'Партия', ?, 3, '100×240', '0,2 мм, набор № 2',"
                           " 'пора 0,5 мм, шлаковое включение 1,2 мм', 1, '', '')",
                           [(f"{year}-11-{i:02d}", f"Т{i}") for i in range(1, 31)])
        db.close()
        app.start()
        app.key("ctrl+j")
        journal = app.wait_window(JOURNAL)
        assert len(rows(app, "SELECT id FROM entries")) == 32
        app.key("ctrl+f", window=journal)
        app.type_text(f"11.{year}", window=journal)
        save_conclusion(app, journal)
        path = app.path(f"Заключение 2-{year}.pdf")
        app.wait_until(lambda: os.path.exists(path), 5, message=f"{path} not written")
        pages, text = pdf(path)
        assert pages >= 2, pages
        # Newest first: the first entry of the thirty is the table's last row.
        assert re.search(r"\bТ1\b", text[-1]) and not re.search(r"\bТ1\b", text[0]), text
        assert f"Лист 2 из {pages}" in text[1], text[1]
        assert "Стык" in text[1] and "Оценка" in text[1], "the table's header is repeated"
        app.close()


if __name__ == "__main__":
    harness.main(test)
