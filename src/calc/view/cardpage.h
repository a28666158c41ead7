// The technique card on paper: one A4 page, portrait, drawn the same way
// into a PDF, onto a printer and into the window's preview.
#pragma once
#include "calc/techniquecard.h"

#include <QByteArray>
#include <QRectF>
#include <optional>

class QPainter;

namespace kelto {

// Paper size in millimetres.
inline constexpr double CardPageWidthMm = 210.0, CardPageHeightMm = 297.0;

// The rows' text size at first, and the least it steps down to so that the
// card stays on one page.
inline constexpr double CardFontPt = 10.5, CardMinFontPt = 8.0;

// The rows' text size at which the card fits its page; nothing when it does
// not fit even at CardMinFontPt.
std::optional<double> CardFontSize(const TTechniqueCard& card);

// When the card does not fit one page: the refusal that names the longest
// of the user's fields on it ("Не помещается на одну страницу: сократите
// поле «Объект»"); nothing when it fits.
std::optional<QString> CardOverflowText(const TTechniqueCard& card, const TCardFields& fields);

// Draws `card` onto the whole sheet `paper` (in the painter's units, the
// sheet's top left corner included), at the size CardFontSize gives (the
// least when it does not fit).
void PaintCardPage(QPainter& painter, const QRectF& paper, const TTechniqueCard& card);

// The first character of `text` the card's fonts (Liberation Sans, then DejaVu Sans; plain
// and bold) cannot draw, as the hint names it ("«한»", or "U+202E" for one
// that shows nothing); empty when every character prints. What the page
// drops anyway (CardPrintable) is not asked about.
QString CardUndrawable(const QString& text);

// The card as a PDF document of one A4 page, its text real and selectable
// in Liberation Sans (embedded).
QByteArray CardPdf(const TTechniqueCard& card);

} // namespace kelto
