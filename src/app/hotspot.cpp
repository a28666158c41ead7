#include "app/hotspot.h"

#include <QMouseEvent>
#include <QPainter>

namespace kelto {

THotSpot::THotSpot(const QString& name, const QRect& geometry, QWidget* parent, bool handCursor)
    : QWidget(parent)
{
    setObjectName(name);
    setGeometry(geometry);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::NoFocus);
    if (handCursor)
        setCursor(Qt::PointingHandCursor);
}

void THotSpot::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton)
        m_leftDown = true;
    emit mouseDown(e->button(), e->globalPosition().toPoint());
    e->accept();
}

void THotSpot::mouseDoubleClickEvent(QMouseEvent* e)
{
    // A double click is a second press, as the window system counts it.
    mousePressEvent(e);
}

void THotSpot::paintEvent(QPaintEvent*)
{
    if (!hasFocus())
        return;
    // White under black dots: seen on the light and the dark header alike.
    QPainter p(this);
    const QRect r = rect().adjusted(1, 1, -2, -2);
    p.setPen(QPen(Qt::white, 1));
    p.drawRect(r);
    p.setPen(QPen(Qt::black, 1, Qt::DotLine));
    p.drawRect(r);
}

void THotSpot::mouseReleaseEvent(QMouseEvent* e)
{
    const bool wasDown = m_leftDown && e->button() == Qt::LeftButton;
    if (e->button() == Qt::LeftButton)
        m_leftDown = false;
    if (wasDown && rect().contains(e->position().toPoint()))
        emit clicked();
    e->accept();
}

} // namespace kelto
