// The card's sketch of a set-up, drawn as lines at whatever resolution the
// page has: the pipe's section, the source, the film, the beam's edges and
// the IQI on the side the card names.
#pragma once
#include <QRectF>

class QPainter;

namespace kelto {

struct TTechniqueCard;

// Draws the sketch of `card` (its ГОСТ 7512-82 scheme or its ISO technique)
// inside `frame`; nothing when the card has neither.
void DrawCardSketch(QPainter& painter, const QRectF& frame, const TTechniqueCard& card);

} // namespace kelto
