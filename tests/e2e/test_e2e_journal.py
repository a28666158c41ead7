"""The diary as a work journal. A diary of notes over several years: Ctrl+F,
a word of one old note and Return show that note (read back through the
clipboard), and that start and close leave backup/log-<today>.cnf equal to
the log.cnf that was there before. On the next start the calculation link
writes its paragraph to today's note, which is in log.cnf after the close."""

import datetime
import re

import harness
from harness import controls


OLD_NOTE = ["Объект 7, стык 12", "Ферзевый гамбит на перерыве", "плёнка РТ-1"]
NOTES = {
    "03.03.2019": ["Ду 530, стыки 1-4"],
    "14.07.2021": OLD_NOTE,
    "01.02.2023": ["Поверка денситометра"],
    "20.11.2025": ["Стык 12 переснять", "Ферма у проходной"],
}


def diary_bytes(notes):
    lines = [str(len(notes))]
    for date, note in notes.items():
        lines += [date, str(len(note)), *note]
    return ("\r\n".join(lines) + "\r\n").encode("cp1251")


def test():
    today = datetime.date.today()
    with harness.KeltoApp() as app:
        before = diary_bytes(NOTES)
        app.write_file("log.cnf", before)
        app.start()

        # Search: case and "ё" do not matter; Return shows the first (newest) row.
        app.key("ctrl+f")
        # One letter at a time: xdotool drops Cyrillic letters typed in a row
        # on a busy machine.
        for letter in "ФЕРЗЁВЫЙ":
            app.type_text(letter, delay=100, settle=0.05)
        app.key("Return")
        text = app.wait_until(lambda: harness.notepad_text(app), 5)
        assert text.splitlines() == OLD_NOTE, f"notepad after the search: {text!r}"

        rc = app.close()
        assert rc == 0, f"exit code {rc}"
        copy = f"backup/log-{today.isoformat()}.cnf"
        assert app.exists(copy), f"no {copy}: {app.files()}"
        assert app.read_file(copy) == before, "the day's backup differs from the log.cnf before the start"
        # The search only showed a day: no note changed.
        assert app.read_file("log.cnf") == before, f"log.cnf changed by a search: {app.read_file('log.cnf')!r}"

        # A new start shows today: the calculation link writes to its note.
        app.start()
        app.click(*controls.CALC_BUTTON)
        app.click(*controls.TO_DIARY_LINK)
        rc = app.close()
        assert rc == 0, f"exit code {rc}"
        lines = app.read_lines("log.cnf")
        day = today.strftime("%d.%m.%Y")
        assert day in lines, f"no note of {day} in log.cnf: {lines!r}"
        note = lines[lines.index(day) + 2]
        want = (r"Расчёт по ГОСТ 7512-82: D 219 мм, S 6,0 мм, класс 3, схема г\), F 100 мм, "
                r"Ф 2,5 мм -> K 0,30 мм, f не менее 40,50 мм, экспозиций 3, периметр 688 мм")
        assert re.fullmatch(want, note), f"paragraph in log.cnf: {note!r}"
        assert app.read_file(copy) == before, "the day's backup was overwritten by a second run"


if __name__ == "__main__":
    harness.main(test)
