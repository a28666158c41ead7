"""Ctrl+P in the calculation view opens the technique card; Ctrl+S saves it
as a PDF: Enter takes the offered name in the program folder, a typed path
goes where it says. The PDF is one A4 page whose text (pdftotext) holds the
title, the standard and every value the view shows for its defaults, and the
name typed into "Составил". Esc closes the card and card.cnf keeps its
fields."""

import datetime
import os
import re
import subprocess

import harness
from harness import controls

TITLE = "Технологическая карта"
SAVE_TITLE = "Сохранить технологическую карту"
# The view's defaults as it shows them: inputs, results and the compliance lines.
VIEW_VALUES = ["219", "6,0", "300", "100", "2,5", "г)", "40,50", "0,30", "688", "3",
               "достаточно", "120,0° ± 3°", "0,32 мм, набор № 2, 3", "достаточно (участок 230 мм)"]


def save_pdf(app, card, typed=None):
    app.key("ctrl+s", window=card)
    dialog = app.wait_window(SAVE_TITLE)
    if typed:
        app.key("ctrl+a", window=dialog)
        app.type_text(typed, window=dialog)
    app.key("Return", window=dialog)
    app.wait_until(lambda: not app.windows(SAVE_TITLE), 5, message="the save dialog stayed open")


def pdf_text(path):
    info = subprocess.run(["pdfinfo", path], check=True, text=True, stdout=subprocess.PIPE).stdout
    assert re.search(r"^Pages:\s+1$", info, re.M), info
    assert re.search(r"^Page size:\s+595(\.\d+)? x 84[12](\.\d+)? pts \(A4\)", info, re.M), info
    text = subprocess.run(["pdftotext", path, "-"], check=True, text=True, stdout=subprocess.PIPE).stdout
    return " ".join(text.split())


def test():
    with harness.KeltoApp() as app:
        app.start()
        app.click(*controls.CALC_BUTTON)
        app.click(*controls.DIAM)
        app.key("ctrl+p")
        card = app.wait_window(TITLE)
        app.click(*controls.CARD_MADE_BY, window=card)
        app.type_text("Иванов", window=card)

        save_pdf(app, card)
        offered = app.path(f"Карта 219x6,0 {datetime.date.today():%d.%m.%Y}.pdf")
        app.wait_until(lambda: os.path.exists(offered), 5, message=f"{offered} not written")

        typed = os.path.join(app.base, "typed-card.pdf")
        save_pdf(app, card, typed)
        app.wait_until(lambda: os.path.exists(typed), 5, message=f"{typed} not written")
        text = pdf_text(typed)
        for want in ["Технологическая карта радиографического контроля", "ГОСТ 7512-82", "Иванов",
                     *VIEW_VALUES]:
            assert want in text, f"{want!r} missing from the PDF's text: {text}"

        app.key("Escape", window=card)
        app.wait_until(lambda: not app.windows(TITLE), 5, message="Esc did not close the card")
        lines = app.read_lines("card.cnf")
        assert len(lines) == 22 and lines[3] == "сталь" and lines[7] == "Иванов", lines
        assert app.close() == 0


if __name__ == "__main__":
    harness.main(test)
