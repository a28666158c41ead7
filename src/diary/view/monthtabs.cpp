#include "diary/view/monthtabs.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace kelto {

TMonthTabs::TMonthTabs(QWidget* parent)
    : QWidget(parent)
    , m_tabs{QStringLiteral("Янв"),  QStringLiteral("Фев"),  QStringLiteral("Март"), QStringLiteral("Апр"),
             QStringLiteral("Май"),  QStringLiteral("Июнь"), QStringLiteral("Июль"), QStringLiteral("Авг"),
             QStringLiteral("Сент"), QStringLiteral("Окт"),  QStringLiteral("Нояб"), QStringLiteral("Дек")}
{
    setFocusPolicy(Qt::TabFocus);
}

void TMonthTabs::SetTabIndex(int index)
{
    if (index < 0 || index >= count() || index == m_index)
        return;
    m_index = index;
    update();
}

QRect TMonthTabs::TabRect(int index) const
{
    if (index < 0 || index >= count())
        return {};
    // Both rows stay where they are: a tab under the mouse never moves away
    // from it. The chosen tab is marked in its own row.
    const int line = index / TabsPerRow;
    const int col = index % TabsPerRow;
    const int w = width() - 1;
    const int left = col * w / TabsPerRow;
    const int right = (col + 1) * w / TabsPerRow;
    return QRect(left, line * RowHeight, right - left, RowHeight);
}

int TMonthTabs::TabAt(const QPoint& pos) const
{
    for (int i = 0; i < count(); ++i)
        if (TabRect(i).contains(pos))
            return i;
    return -1;
}

QRect TMonthTabs::PageRect() const
{
    return QRect(0, 2 * RowHeight, width(), height() - 2 * RowHeight);
}

void TMonthTabs::Pick(int index)
{
    if (index < 0 || index >= count())
        return;
    m_index = index;
    update();
    emit tabPicked(index);
}

void TMonthTabs::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton)
        return;
    const int i = TabAt(e->position().toPoint());
    if (i >= 0 && i != m_index)
        Pick(i);
}

void TMonthTabs::keyPressEvent(QKeyEvent* e)
{
    switch (e->key()) {
    case Qt::Key_Left: Pick((m_index + count() - 1) % count()); break;
    case Qt::Key_Right: Pick((m_index + 1) % count()); break;
    default: QWidget::keyPressEvent(e); return;
    }
    e->accept();
}

void TMonthTabs::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QPalette& pal = palette();
    const QColor face = pal.color(QPalette::Button);
    const QColor page = pal.color(QPalette::Light);
    const QColor line = pal.color(QPalette::Mid);

    const QRect pr = PageRect();
    p.fillRect(pr, page);
    p.setPen(line);
    p.drawRect(pr.adjusted(0, 0, -1, -1));

    p.setFont(font());
    for (int i = 0; i < count(); ++i) {
        if (i == m_index)
            continue;
        const QRect r = TabRect(i).adjusted(0, 2, 0, 0);
        p.fillRect(r.adjusted(1, 1, -1, 0), face);
        p.setPen(line);
        p.drawLine(r.bottomLeft(), r.topLeft() + QPoint(0, 1));
        p.drawLine(r.topLeft() + QPoint(1, 0), r.topRight() - QPoint(1, 0));
        p.drawLine(r.topRight() + QPoint(0, 1), r.bottomRight());
        p.setPen(pal.color(QPalette::ButtonText));
        p.drawText(r, Qt::AlignCenter, m_tabs[i]);
    }
    // The chosen tab stands a little taller and opens into the page.
    const QRect r = TabRect(m_index).adjusted(-2, 0, 2, 1);
    p.fillRect(r.adjusted(1, 1, -1, 0), page);
    p.setPen(line);
    p.drawLine(r.bottomLeft(), r.topLeft() + QPoint(0, 1));
    p.drawLine(r.topLeft() + QPoint(1, 0), r.topRight() - QPoint(1, 0));
    p.drawLine(r.topRight() + QPoint(0, 1), r.bottomRight());
    QFont f = font();
    f.setBold(false);
    p.setFont(f);
    p.setPen(pal.color(QPalette::ButtonText));
    p.drawText(r.adjusted(0, 0, 0, -2), Qt::AlignCenter, m_tabs[m_index]);
    if (hasFocus()) {
        p.setPen(QPen(pal.color(QPalette::ButtonText), 1, Qt::DotLine));
        p.drawRect(r.adjusted(3, 3, -4, -4));
    }
}

} // namespace kelto
