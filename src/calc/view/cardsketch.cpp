#include "calc/view/cardsketch.h"

#include "calc/iso17636.h"
#include "calc/techniquecard.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <numbers>

namespace kelto {

namespace {

// Where the film lies and how the beam goes: every ГОСТ 7512-82 scheme and
// ISO technique is one of these.
enum class TFilm { InnerArc, InnerFlat, OuterFlatBelow, OuterArcBelow, AroundOutside };
struct TSketch {
    double sourceY; // in pipe radii from the centre, upwards positive
    TFilm film;
    bool doubleImage = false; // the source off to one side of the plane (ellipse)
};

// Schemes "a)" .. "з)" in the order of the view's list.
constexpr TSketch GostSketches[] = {
    {1.9, TFilm::InnerArc},       {1.9, TFilm::InnerFlat},      {3.2, TFilm::OuterFlatBelow},
    {1.5, TFilm::OuterArcBelow},  {1.5, TFilm::OuterFlatBelow}, {0.0, TFilm::AroundOutside},
    {0.45, TFilm::OuterArcBelow}, {0.0, TFilm::OuterArcBelow},
};

TSketch IsoSketch(int technique)
{
    switch (TIsoTechnique(technique)) {
    case TIsoTechnique::SingleWallSourceOutside: return {1.9, TFilm::InnerArc};
    case TIsoTechnique::SingleWallSourceInside: return {0.45, TFilm::OuterArcBelow};
    case TIsoTechnique::SingleWallCentral: return {0.0, TFilm::AroundOutside};
    case TIsoTechnique::DoubleWallSingleImage: return {1.5, TFilm::OuterArcBelow};
    case TIsoTechnique::DoubleWallEllipse: return {2.6, TFilm::OuterFlatBelow, true};
    case TIsoTechnique::DoubleWallSuperimposed: return {2.6, TFilm::OuterFlatBelow};
    }
    return {1.5, TFilm::OuterArcBelow};
}

const QColor Ink(0, 0, 0), Steel(210, 210, 210), Beam(200, 0, 0), FilmInk(0, 60, 170), Axis(120, 120, 120);

} // namespace

void DrawCardSketch(QPainter& p, const QRectF& frame, const TTechniqueCard& card)
{
    TSketch sketch;
    if (card.scheme >= 0 && card.scheme < int(std::size(GostSketches)))
        sketch = GostSketches[card.scheme];
    else if (card.isoTechnique >= 0)
        sketch = IsoSketch(card.isoTechnique);
    else
        return;

    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    // The drawing is laid out in pipe radii: the source may stand 3,2 radii
    // above the centre, the film 1,25 below it.
    const double top = std::max(1.35, sketch.sourceY + 0.25), bottom = 1.4;
    const double R = std::min(frame.width() / 2.9, frame.height() / (top + bottom));
    const QPointF c(frame.center().x(), frame.top() + (frame.height() - (top + bottom) * R) / 2 + top * R);
    const double r = 0.78 * R; // the bore
    const double line = std::max(1.0, R / 45);
    const auto at = [&](double x, double y) { return QPointF(c.x() + x * R, c.y() - y * R); };

    // The section: the wall shaded between the two circles, the centre lines.
    QPainterPath wall;
    wall.addEllipse(c, R, R);
    wall.addEllipse(c, r, r);
    p.fillPath(wall, Steel);
    p.setPen(QPen(Ink, line));
    p.drawEllipse(c, R, R);
    p.drawEllipse(c, r, r);
    p.setPen(QPen(Axis, line / 2, Qt::DashDotLine));
    p.drawLine(at(-1.3, 0), at(1.3, 0));
    p.drawLine(at(0, -1.3), at(0, 1.3));

    // The film, and the ends the beam is drawn to.
    const double filmWidth = line * 3;
    const QPen filmPen(FilmInk, filmWidth, Qt::SolidLine, Qt::FlatCap);
    p.setPen(filmPen);
    p.setBrush(Qt::NoBrush);
    QPointF edgeL, edgeR;
    double filmY = 0; // where the film's middle lies, for the IQI
    const auto arc = [&](double radius, double fromDeg, double spanDeg) {
        p.drawArc(QRectF(c.x() - radius * R, c.y() - radius * R, 2 * radius * R, 2 * radius * R), int(fromDeg * 16),
                  int(spanDeg * 16));
    };
    const auto onCircle = [&](double radius, double deg) {
        const double a = deg * std::numbers::pi / 180;
        return at(radius * std::cos(a), radius * std::sin(a));
    };
    switch (sketch.film) {
    case TFilm::InnerArc:
        arc(0.74, 55, 70);
        edgeL = onCircle(0.74, 125);
        edgeR = onCircle(0.74, 55);
        filmY = 0.74;
        break;
    case TFilm::InnerFlat:
        p.drawLine(at(-0.45, 0.55), at(0.45, 0.55));
        edgeL = at(-0.45, 0.55);
        edgeR = at(0.45, 0.55);
        filmY = 0.55;
        break;
    case TFilm::OuterFlatBelow:
        p.drawLine(at(-1.25, -1.12), at(1.25, -1.12));
        edgeL = at(-1.25, -1.12);
        edgeR = at(1.25, -1.12);
        filmY = -1.12;
        break;
    case TFilm::OuterArcBelow:
        arc(1.08, 235, 70);
        edgeL = onCircle(1.08, 235);
        edgeR = onCircle(1.08, 305);
        filmY = -1.08;
        break;
    case TFilm::AroundOutside:
        for (int i = 0; i < 4; ++i)
            arc(1.08, 10 + 90 * i, 70);
        filmY = -1.08;
        break;
    }

    // The source, off the plane for the ellipse, and the beam's edges.
    const QPointF source = at(sketch.doubleImage ? 0.35 : 0.0, sketch.sourceY);
    p.setPen(QPen(Beam, line, Qt::DashLine));
    if (sketch.film == TFilm::AroundOutside) {
        for (int i = 0; i < 4; ++i)
            p.drawLine(source, onCircle(1.08, 45 + 90 * i));
    } else {
        p.drawLine(source, edgeL);
        p.drawLine(source, edgeR);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(Beam);
    p.drawEllipse(source, line * 3.5, line * 3.5);

    // The IQI: a short bar with its wires, on the source's side of the
    // object or against the film with the mark F.
    const double iqiX = 0.5;
    QPointF iqi;
    if (card.iqiFilmSide) {
        iqi = at(iqiX, filmY + (filmY < 0 ? 0.1 : -0.1));
    } else {
        // The first wall the beam meets, on the source's side.
        const double y = sketch.sourceY > 1.0 ? std::sqrt(std::max(0.0, 1.0 - iqiX * iqiX)) + 0.08
                                              : std::sqrt(std::max(0.0, r / R * r / R - iqiX * iqiX)) - 0.08;
        iqi = at(iqiX, sketch.sourceY > 1.0 ? y : -y);
    }
    p.setPen(QPen(Ink, line));
    p.setBrush(Qt::white);
    const QRectF bar(iqi.x() - 0.16 * R, iqi.y() - 0.05 * R, 0.32 * R, 0.1 * R);
    p.drawRect(bar);
    for (int i = 1; i < 4; ++i)
        p.drawLine(QPointF(bar.left() + bar.width() * i / 4, bar.top()),
                   QPointF(bar.left() + bar.width() * i / 4, bar.bottom()));
    if (card.iqiFilmSide) {
        QFont f = p.font();
        f.setPixelSize(std::max(1, int(0.16 * R)));
        f.setBold(true);
        p.setFont(f);
        p.drawText(QRectF(bar.right() + 0.03 * R, bar.top() - 0.06 * R, 0.25 * R, 0.22 * R),
                   Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("F"));
    }
    p.restore();
}

} // namespace kelto
