"""The reference list under "Справка": a missing document gives an error box
titled "Кельто" and leaves the list shown; a present one is handed to the
desktop opener (a recording xdg-open) by its full name in the program folder,
Cyrillic and spaces intact, and the list goes away; an opener that reports
no application for the file gives an error box too."""

import harness
from harness import controls

# Index in the list, caption, file name.
GOST_23055 = (1, "ГОСТ 23055-78.pdf")
SCANNERS = (4, "scanners.pdf")
STO = (3, "СТО 2-2.4-083-2006.pdf")


def item_point(index):
    x, y, _, _ = controls.DOCS_LIST
    return (x + 40, y + index * controls.DOCS_ITEM_HEIGHT + controls.DOCS_ITEM_HEIGHT // 2)


def list_shown(app):
    # The list's light background over the dark header picture.
    x, y, w, h = controls.DOCS_LIST
    return app.capture().mean_brightness(x + 4, y + 4, w - 8, h - 8) > 150


def wait_list(app, shown):
    app.wait_until(lambda: list_shown(app) == shown, 5,
                   message=f"reference list not {'shown' if shown else 'hidden'}")


def wait_error_box(app):
    boxes = app.wait_until(app.dialogs, 10, message="no error box titled Кельто")
    assert len(boxes) == 1, f"{len(boxes)} boxes titled Кельто"
    return boxes[0]


def dismiss(app, box):
    app.key("Return", window=box)
    app.wait_until(lambda: not app.dialogs(), 5, message="error box did not close")


def test():
    with harness.KeltoApp() as app:
        opener = app.stub_program("xdg-open")
        app.write_file(GOST_23055[1], b"%PDF-1.4\n%%EOF\n")
        app.write_file(STO[1], b"%PDF-1.4\n%%EOF\n")
        assert not app.exists(SCANNERS[1])
        app.start()
        assert not list_shown(app), "reference list shown at start"

        # A document that is not there.
        app.click(*controls.HELP_BUTTON)
        wait_list(app, True)
        app.click(*item_point(SCANNERS[0]))
        box = wait_error_box(app)
        assert app.window_text(box) == "Кельто"
        dismiss(app, box)
        assert opener() == [], f"opener called for a missing file: {opener()}"
        assert list_shown(app), "list hidden after a failed opening"
        assert app.running()

        # A document with spaces and Cyrillic in its name.
        app.click(*item_point(GOST_23055[0]))
        calls = app.wait_until(opener, 10, message="xdg-open was not called")
        assert calls == [[app.path(GOST_23055[1])]], \
            f"xdg-open called with {calls!r}, expected {app.path(GOST_23055[1])!r}"
        wait_list(app, False)
        assert not app.dialogs(), "error box after a successful opening"

        # The opener knows no application for the file: reported, not lost.
        opener.set_exit(3)
        app.click(*controls.HELP_BUTTON)
        wait_list(app, True)
        app.click(*item_point(STO[0]))
        box = wait_error_box(app)
        dismiss(app, box)
        assert opener()[-1] == [app.path(STO[1])], f"last xdg-open call {opener()[-1]!r}"

        # Another header button hides the list.
        if list_shown(app):
            app.click(*controls.RECORDS_BUTTON)
            wait_list(app, False)

        rc = app.close()
        assert rc == 0, f"exit code {rc}"


if __name__ == "__main__":
    harness.main(test)
