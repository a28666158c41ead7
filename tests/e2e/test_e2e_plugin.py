"""The plug-in named by ini.cnf gives the windows their look at start: the
dark plug-in makes the window clearly darker than the standard one, and
ini.cnf is left as it was. A broken plug-in named there shows its load error
once, the program starts anyway with the standard look of the window
description, and ini.cnf still names the broken plug-in."""

import time

import harness


def settings(path, flag="0"):
    return (path + "\r\n" + flag + "\r\n").encode("cp1251")


def test():
    with harness.KeltoApp() as app:
        # Without ini.cnf: the standard plug-in, remembered relative to the
        # program folder so that the folder can move.
        app.start()
        std_header, std_diary = harness.view_brightness(app)
        assert app.read_lines("ini.cnf") == ["plugins/стандарт.plg"], \
            f"ini.cnf after a first start: {app.read_file('ini.cnf')!r}"
        assert app.close() == 0

        # The dark plug-in, with the autostart line off.
        dark = settings(app.path("plugins/тёмный.plg"))
        app.write_file("ini.cnf", dark)
        app.start()
        harness.assert_no_boxes(app, "with the dark plug-in")
        dark_header, dark_diary = harness.view_brightness(app)
        assert dark_header < std_header - 30, \
            f"header not darker: {dark_header:.0f} against {std_header:.0f}"
        assert dark_diary < std_diary - 30, \
            f"diary view not darker: {dark_diary:.0f} against {std_diary:.0f}"
        assert app.close() == 0
        harness.assert_file_kept(app, "ini.cnf", dark, "rewritten by a start")

        # A broken plug-in: its message, once, during start-up.
        app.write_file("plugins/сломанный.plg", b"\x00\x01 not a plug-in\r\n")
        broken = settings(app.path("plugins/сломанный.plg"))
        app.write_file("ini.cnf", broken)
        app.launch()
        boxes = app.wait_until(app.own_windows, 15, message="no load error box at start")
        assert len(boxes) == 1, f"{len(boxes)} windows at start, expected the one box"
        box = boxes[0]
        assert app.window_text(box) == "Кельто", f"box titled {app.window_text(box)!r}"
        w, h = app.server.x.geometry(box)[2:]
        assert (w, h) != (638, 457), "the main window came before the load error"
        app.key("Return", window=box)
        app.wait_main_window()
        # Give a second box the time to come up, if there were one.
        time.sleep(1.0)
        harness.assert_no_boxes(app, "more after the first load error")
        harness.assert_look(app, (std_header, std_diary), 10,
                            "look after a failed plug-in is not the standard one")
        assert app.close() == 0
        harness.assert_file_kept(app, "ini.cnf", broken, "no longer names the broken plug-in")


if __name__ == "__main__":
    harness.main(test)
