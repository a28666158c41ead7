"""A session that opens every dialog of the program under an English system
(LANG=C) writes nothing into the home folder: Qt's dialogs keep what they
remember (QtProject.conf) in the program folder; the file dialog's columns
are Russian (its picture is kept with KELTO_E2E_SHOTS=<folder>)."""

import hashlib
import os
import shutil

import harness
from harness import controls


def home_state(home):
    state = {}
    for d, dirs, names in os.walk(home):
        for n in dirs + names:
            p = os.path.join(d, n)
            rel = os.path.relpath(p, home)
            if os.path.isfile(p) and not os.path.islink(p):
                with open(p, "rb") as f:
                    state[rel] = hashlib.sha256(f.read()).hexdigest()
            else:
                state[rel] = "dir" if os.path.isdir(p) else "other"
    return state


def shot(app, window, name):
    keep = os.environ.get("KELTO_E2E_SHOTS")
    if keep:
        os.makedirs(keep, exist_ok=True)
        app.screenshot(os.path.join(keep, name), window)


def open_and_escape(app, title, opener, window=None, name=None):
    opener()
    dialog = app.wait_window(title)
    if name:
        shot(app, dialog, name)
    app.key("Escape", window=dialog)
    app.wait_until(lambda: not app.windows(title), 5, message=f"{title!r} stayed open")
    if window:
        app.focus(window)


def test():
    with harness.KeltoApp(env={"LANG": "C", "LC_ALL": "C"}) as app:
        app.start()
        home = app.program_env()["HOME"]
        before = home_state(home)

        open_and_escape(app, "Выбор плагина оформления", lambda: app.click(*controls.SETTINGS_BUTTON))
        app.click(*controls.INFO_BUTTON)
        about = app.wait_window("О программе")
        app.click(*controls.ABOUT_PICTURE, window=about)
        app.wait_until(lambda: not app.windows("О программе"), 5, message="About stayed open")
        app.key("F1")
        app.key("Escape")

        app.click(*controls.CALC_BUTTON)
        open_and_escape(app, "Источник и экспозиция", lambda: app.click(*controls.SOURCE_LINK))
        open_and_escape(app, "Расчёт по ГОСТ ISO 17636-1", lambda: app.click(*controls.ISO_LINK))
        app.click(*controls.DIAM)
        app.key("ctrl+p")
        card = app.wait_window("Технологическая карта")
        open_and_escape(app, "Сохранить технологическую карту", lambda: app.key("ctrl+s", window=card),
                        card, "file-dialog-lang-c.png")
        open_and_escape(app, "Печать технологической карты", lambda: app.key("ctrl+p", window=card), card)
        app.key("Escape", window=card)
        assert app.close() == 0

        after = home_state(home)
        added = sorted(set(after) - set(before))
        changed = sorted(k for k in before if k in after and before[k] != after[k])
        assert not added and not changed, f"written into the home folder: {added} {changed}"
        assert app.exists("QtProject.conf"), "the file dialog's settings are not in the program folder"


if __name__ == "__main__":
    harness.main(test)
