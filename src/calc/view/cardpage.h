// The technique card on paper: one A4 page, portrait, drawn the same way
// into a PDF, onto a printer and into the window's preview.
#pragma once
#include "calc/techniquecard.h"

#include <QByteArray>
#include <QRectF>

class QPainter;

namespace kelto {

// Paper size in millimetres.
inline constexpr double CardPageWidthMm = 210.0, CardPageHeightMm = 297.0;

// Draws `card` onto the whole sheet `paper` (in the painter's units, the
// sheet's top left corner included).
void PaintCardPage(QPainter& painter, const QRectF& paper, const TTechniqueCard& card);

// The card as a PDF document of one A4 page, its text real and selectable
// in Liberation Sans (embedded).
QByteArray CardPdf(const TTechniqueCard& card);

} // namespace kelto
