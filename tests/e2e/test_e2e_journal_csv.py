"""The journal's CSV read back by a spreadsheet program: an entry put into
journal.db while the program is down (its defects hold ";", quotes and a
line break), "Выгрузить в CSV…" in the journal window, then LibreOffice Calc
(`soffice --headless --convert-to html`, ";" and UTF-8 as the user's import
dialog sets them, a profile of its own in a temporary folder) reads the file:
the Russian letters, every column, the field as typed, the date 09.12.2026.
Skipped when soffice is not installed."""

import html
import os
import re
import shutil
import sqlite3
import subprocess
import sys
import tempfile

import harness

SKIP = 77
JOURNAL = "Журнал контроля"
DEFECTS = 'пора; "шлак" 1,2 мм\nнепровар'


def calc_rows(csv_path):
    """The cells of the table Calc made of the file, row by row (<br> as a line break)."""
    with tempfile.TemporaryDirectory(prefix="kelto-soffice-") as work:
        subprocess.run(["soffice", f"-env:UserInstallation=file://{work}/profile", "--headless",
                        "--infilter=CSV:59,34,76,1", "--convert-to", "html", "--outdir", work, csv_path],
                       check=True, timeout=90, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        name = os.path.splitext(os.path.basename(csv_path))[0] + ".html"
        with open(os.path.join(work, name), encoding="utf-8") as f:
            page = f.read()
    cell = lambda text: html.unescape(re.sub(r"<(?!br>)[^>]*>", "", text).replace("<br>", "\n"))
    return [[cell(c) for c in re.findall(r"<td[^>]*>(.*?)</td>", row, re.S)]
            for row in re.findall(r"<tr>(.*?)</tr>", page, re.S)]


def test():
    if not shutil.which("soffice"):
        print("SKIP: soffice (libreoffice-calc-nogui) is not installed")
        sys.exit(SKIP)
    with harness.KeltoApp() as app:
        app.start()
        app.key("ctrl+j")  # journal.db made
        app.wait_window(JOURNAL)
        assert app.close() == 0
        db = sqlite3.connect(app.path("journal.db"))
        with db:
            db.execute("INSERT INTO entries(date, object, joint, films, defects, verdict, performer)"
                       " VALUES('2026-12-09', 'Газопровод Ду200', 'С-17', 3, ?, 2, 'Петров П. П.')", (DEFECTS,))
        db.close()

        app.start()
        app.key("ctrl+j")
        journal = app.wait_window(JOURNAL)
        # Search, the verdict filter, "Показать удалённые", "Заключение…", then the CSV button.
        app.key("ctrl+f", window=journal)
        app.key("Tab", "Tab", "Tab", "Tab", window=journal)
        app.key("space", window=journal)
        dialog = app.wait_window("Выгрузить журнал в CSV")
        app.key("Return", window=dialog)
        csv = [n for n in app.wait_until(lambda: [n for n in app.files() if n.endswith(".csv")], 10,
                                         message="no CSV written")]
        app.close()

        rows = calc_rows(app.path(csv[0]))
        assert len(rows) == 2, rows
        head, entry = rows
        assert head[:4] == ["№", "Дата", "Объект", "Стык"] and "Дефекты" in head and "Оценка" in head, head
        assert len(entry) == len(head) == 17, (head, entry)
        got = dict(zip(head, entry))
        assert got["Объект"] == "Газопровод Ду200", got
        assert got["Стык"] == "С-17", got
        assert got["Дефекты"] == DEFECTS, got
        assert got["Оценка"] == "ремонт", got
        assert got["Выполнил"] == "Петров П. П.", got
        assert got["Дата"] in ("09.12.2026", "09.12.26", "12/09/2026", "2026-12-09"), got


if __name__ == "__main__":
    harness.main(test)
