"""One set-up across a restart and three windows. A wall and a focal spot
typed into the calculation view are in calc.cnf when the program closes;
after a restart the view, the ISO window (iso.cnf when it closes) and the
card's PDF show the same pipe. With the source window filled and SFD 750 in
the ISO window, the ISO card's PDF text holds the ISO window's exposure time
for its own distance and thickness, not the source window's; with the
longest "Объект" the card window accepts, the PDF is still one A4 page."""

import os
import re
import subprocess

import harness
from harness import controls

ISO = "Расчёт по ГОСТ ISO 17636-1"
SOURCE = "Источник и экспозиция"
CARD = "Технологическая карта"
SAVE = "Сохранить технологическую карту"


def replace(app, at, text, window=None, length=8):
    app.click(*at, window=window)
    app.key("End", *["BackSpace"] * length, window=window)
    app.type_text(text, window=window)


def pdf_text(path):
    info = subprocess.run(["pdfinfo", path], check=True, text=True, stdout=subprocess.PIPE).stdout
    assert re.search(r"^Pages:\s+1$", info, re.M), info
    text = subprocess.run(["pdftotext", path, "-"], check=True, text=True, stdout=subprocess.PIPE).stdout
    return " ".join(text.split())


def save_pdf(app, card, path):
    app.key("ctrl+s", window=card)
    dialog = app.wait_window(SAVE)
    app.key("ctrl+a", window=dialog)
    app.type_text(path, window=dialog)
    app.key("Return", window=dialog)
    app.wait_until(lambda: os.path.exists(path) and not app.windows(SAVE), 10,
                   message=f"{path} not written")
    return pdf_text(path)


def test():
    with harness.KeltoApp() as app:
        app.start()
        app.click(*controls.CALC_BUTTON)
        replace(app, controls.TOL, "8")
        replace(app, controls.SPOT, "3")
        assert app.close() == 0
        assert app.read_lines("calc.cnf") == ["3", "3", "100", "3", "300", "219", "8"], app.read_lines("calc.cnf")

        app.start()
        app.click(*controls.CALC_BUTTON)
        # The source window: a reference shot of today, 2 min at 500 mm
        # through 16 mm; its own shot at 479 mm through 16 mm.
        app.click(*controls.SOURCE_LINK)
        src = app.wait_window(SOURCE)
        for at, text in ((controls.SOURCE_ACTIVITY, "100"), (controls.SOURCE_REF_TIME, "2"),
                         (controls.SOURCE_REF_DIST, "500"), (controls.SOURCE_REF_THICK, "16"),
                         (controls.SOURCE_DIST, "479"), (controls.SOURCE_THICK, "16")):
            app.click(*at, window=src)
            app.type_text(text, window=src)
        app.server.x.request_close(src)
        app.wait_until(lambda: not app.windows(SOURCE), 5, message="the source window did not close")

        # The ГОСТ card of the restarted view: the pipe typed before.
        app.click(*controls.DIAM)
        app.key("ctrl+p")
        card = app.wait_window(CARD)
        text = save_pdf(app, card, os.path.join(app.base, "gost.pdf"))
        assert "219 × 8 мм" in text, text
        # The source window's own time, with what it was computed for.
        assert "1 мин 51 с (расстояние источник — плёнка 479 мм, толщина 16 мм)" in text, text
        app.server.x.request_close(card)
        app.wait_until(lambda: not app.windows(CARD), 5, message="the card did not close")

        # The ISO window: the view's pipe and spot, SFD 750 of its own.
        app.click(*controls.ISO_LINK)
        iso = app.wait_window(ISO)
        replace(app, controls.ISO_SFD, "750", window=iso)
        app.key("ctrl+p", window=iso)
        card = app.wait_window(CARD)
        # The longest object the field accepts.
        app.click(*controls.CARD_OBJECT, window=card)
        app.type_text("Газопровод " * 18 + "ГРС-12", window=card, delay=8)
        text = save_pdf(app, card, os.path.join(app.base, "iso.pdf"))
        assert "219 × 8 мм" in text and "ГОСТ ISO 17636-1-2017" in text, text
        # w 16 mm at 750 mm with the activity of the day of the shot:
        # 2 · (750 / 500)² = 4,5 min.
        assert "Время экспозиции 4 мин 30 с" in text, text
        assert "1 мин 51 с" not in text, text
        assert "Эталонный снимок 2 мин, 500 мм, 16 мм" in text, text
        app.server.x.request_close(card)
        app.server.x.request_close(iso)
        app.wait_until(lambda: not app.windows(ISO) and app.exists("iso.cnf"), 5,
                       message="iso.cnf not written when the ISO window closed")
        lines = app.read_lines("iso.cnf")
        assert (lines[0], lines[1], lines[5], lines[6]) == ("219", "8", "3", "750"), lines
        assert len(app.read_lines("card.cnf")[1]) == 200, app.read_lines("card.cnf")
        assert app.close() == 0


if __name__ == "__main__":
    harness.main(test)
