"""The user's guide: guide.pdf lies in the program folder, made from the
README's user part (its title, the key that opens it); Shift+F1 hands it to
the desktop opener from the main window and from a tool window, and the
link "Руководство пользователя" in "Инфо" does the same, leaving the About
window open."""

import subprocess

import harness
from harness import controls

# The link's place in the About window: the right end of the line under the
# copyright.
ABOUT_GUIDE_LINK = (380, 111)


def test():
    with harness.KeltoApp() as app:
        guide = app.path("guide.pdf")
        info = subprocess.run(["pdfinfo", guide], check=True, text=True, stdout=subprocess.PIPE).stdout
        pages = int(next(l.split()[1] for l in info.splitlines() if l.startswith("Pages:")))
        assert pages >= 3, f"guide of {pages} pages"
        text = " ".join(subprocess.run(["pdftotext", guide, "-"], check=True, text=True,
                                       stdout=subprocess.PIPE).stdout.split())
        for want in ("Кельто. Руководство пользователя", "Shift+F1", "Дневник"):
            assert want in text, f"{want!r} missing from the guide"
        assert "Для разработчиков" not in text, "the developers' part is in the guide"

        opener = app.stub_program("xdg-open")
        app.start()
        app.key("shift+F1")
        app.wait_until(lambda: len(opener()) == 1, 5, message="Shift+F1 opened nothing")
        assert opener() == [[guide]], opener()

        app.click(*controls.CALC_BUTTON)
        app.click(*controls.ISO_LINK)
        iso = app.wait_window("Расчёт по ГОСТ ISO 17636-1")
        app.key("shift+F1", window=iso)
        app.wait_until(lambda: len(opener()) == 2, 5, message="Shift+F1 in the ISO window opened nothing")
        app.key("Escape", window=iso)

        app.click(*controls.INFO_BUTTON)
        about = app.wait_window("О программе")
        app.click(*ABOUT_GUIDE_LINK, window=about)
        app.wait_until(lambda: len(opener()) == 3, 5, message="the link in Инфо opened nothing")
        assert opener()[2] == [guide]
        assert app.windows("О программе"), "the About window closed"
        app.click(*controls.ABOUT_PICTURE, window=about)
        assert app.close() == 0


if __name__ == "__main__":
    harness.main(test)
