"""Where the end-to-end tests find the controls: design pixels of the main
window's client area unless said otherwise, points as (x, y) and areas as
(x, y, width, height). A control that moves is mended here, once. The design
names are those of the glossary (docs/architecture.md)."""

# The header: its buttons are 70x24 at y 8; a click goes to their middle.
RECORDS_BUTTON = (236 + 35, 8 + 12)  # SpeedButton6 "Записи"
CALC_BUTTON = (317 + 35, 8 + 12)  # SpeedButton7 "Расчеты"
HELP_BUTTON = (397 + 35, 8 + 12)  # SpeedButton1 "Справка"
SETTINGS_BUTTON = (479 + 35, 8 + 12)  # SpeedButton9 "Настройка"
INFO_BUTTON = (560 + 35, 8 + 12)  # SpeedButton10 "Инфо"
# The close hot spot (Label1) at the top right: the part that "Инфо" does not
# cover, and its far right end.
CLOSE_SPOT = (618, 4)
CLOSE_SPOT_RIGHT = (600 + 30, 4)
# A point of the top right corner where "Инфо" lies over the hot spot.
TOP_RIGHT = (600 + 18, 10)
# The documents list `lb` under "Справка", and the height of one item.
DOCS_LIST = (397, 34, 232, 80)
DOCS_ITEM_HEIGHT = 13

# The two views' areas: the header above them, the diary view below it.
HEADER = (0, 0, 638, 148)
DIARY = (0, 149, 638, 308)

# The diary view (placed at 0, 149).
NOTEPAD = (323 + 60, 149 + 32 + 60)  # reblok
GRID = (20, 262, 285, 155)  # the month grid, inside the view's left box
NOTEPAD_INSIDE = (450, 250)  # another point of reblok

# The calculation view (placed at 0, 148).
DIAM = (239 + 30, 148 + 62 + 10)  # eDiam
TOL = (239 + 30, 148 + 87 + 10)  # eTol
SPOT = (239 + 30, 148 + 162 + 10)  # ePatno
TO_DIARY_LINK = (16 + 6, 148 + 256 + 6)  # lToDiary, "Записать расчёт в дневник"
SOURCE_LINK = (16 + 40, 148 + 232 + 6)  # "Активность и время экспозиции…"
ISO_LINK = (16 + 40, 148 + 280 + 6)  # "Расчёт по ГОСТ ISO 17636-1…"

# The About window, in its own pixels: a point of the picture outside the logo.
ABOUT_PICTURE = (300, 150)

# The source window, in its own pixels.
SOURCE_ACTIVITY = (300, 49)
SOURCE_REF_TIME = (300, 138)
SOURCE_REF_DIST = (300, 165)
SOURCE_REF_THICK = (300, 192)
SOURCE_DIST = (300, 254)
SOURCE_THICK = (300, 281)

# The ISO window, in its own pixels: the source-to-film distance.
ISO_SFD = (268 + 40, 174 + 10)
# The technique's drop-down.
ISO_TECHNIQUE = (268 + 40, 66 + 10)

# The technique card, in its own pixels: the fields "Составил" and "Объект"
# (for a set-up of a gamma source: the tube's two fields hidden), and the
# step from one field to the next.
CARD_MADE_BY = (746, 10 + 16 * 25 + 10)
CARD_OBJECT = (746, 10 + 4 * 25 + 10)
CARD_ROW_STEP = 25
