#include "diary/view/monthgrid.h"
#include "core/clock.h"
#include "diary/monthpage.h"

#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>

namespace kelto {

TCalendar::TCalendar(QWidget* parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_date = Today();
    LayOut();
}

int TCalendar::DaysPerMonth(int year, int month)
{
    return kelto::DaysPerMonth(year, month);
}

bool TCalendar::setSelectedDate(const QDate& date)
{
    if (!date.isValid() || date.year() < 1 || date.year() > 9999)
        return false;
    m_date = date;
    LayOut();
    emit dateChanged();
    return true;
}

bool TCalendar::setDate(const QDate& d)
{
    if (!d.isValid() || d.year() > 9999)
        return false;
    m_date = d;
    LayOut();
    emit dateChanged();
    return true;
}

bool TCalendar::setYear(int v)
{
    if (v < 1 || v == Year())
        return true;
    return setDate(QDate(v, Month(), Day()));
}

bool TCalendar::setMonth(int v)
{
    if (v < 1 || v == Month() || v > 12)
        return true;
    return setDate(QDate(Year(), v, Day()));
}

bool TCalendar::setDay(int v)
{
    if (v < 1 || v == Day() || v > DaysPerMonth(Year(), Month()))
        return true;
    return setDate(QDate(Year(), Month(), v));
}

void TCalendar::setStartOfWeek(int weekday)
{
    m_startOfWeek = ((weekday % 7) + 7) % 7;
    LayOut();
}

void TCalendar::LayOut()
{
    m_offset = kelto::MonthOffset(Year(), Month(), m_startOfWeek);
    m_current = CellOfDay(m_offset, Day());
    update();
}

int TCalendar::DayAt(int col, int row) const
{
    return DayAtCell(Year(), Month(), m_offset, col, row);
}

QString TCalendar::CellText(int col, int row) const
{
    if (row == 0) {
        const int weekday = (m_startOfWeek + col) % 7; // 0 = Sunday
        // The program's locale (Russian, set at start), not the system's.
        return QLocale().dayName(weekday == 0 ? 7 : weekday, QLocale::ShortFormat);
    }
    const int n = DayAt(col, row);
    return n ? QString::number(n) : QString();
}

QRect TCalendar::ClientRect() const
{
    return rect().adjusted(1, 1, -1, -1); // the flat one-pixel border
}

int TCalendar::ColWidth() const
{
    return std::max(0, (ClientRect().width() - 6 * GridLineWidth) / 7);
}

int TCalendar::RowHeight() const
{
    return std::max(0, (ClientRect().height() - 6 * GridLineWidth) / 7);
}

QRect TCalendar::CellRect(int col, int row) const
{
    const QRect c = ClientRect();
    return QRect(c.left() + col * (ColWidth() + GridLineWidth), c.top() + row * (RowHeight() + GridLineWidth),
                 ColWidth(), RowHeight());
}

QPoint TCalendar::CellAt(const QPoint& pos) const
{
    for (int row = 0; row < RowCount; ++row)
        for (int col = 0; col < ColCount; ++col) {
            // A cell owns the grid line to its right and below it.
            if (CellRect(col, row).adjusted(0, 0, GridLineWidth, GridLineWidth).contains(pos))
                return {col, row};
        }
    return {-1, -1};
}

bool TCalendar::MoveCurrentTo(int col, int row)
{
    if (DayAt(col, row) == 0)
        return false; // blank cells and the header never become current
    if (m_current != QPoint(col, row)) {
        m_current = QPoint(col, row);
        update();
    }
    return true;
}

void TCalendar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QPalette& pal = palette();
    p.fillRect(rect(), pal.color(QPalette::Mid));
    const QRect c = ClientRect();
    // Grid lines: what the cells leave uncovered inside the border.
    p.fillRect(c, pal.color(QPalette::Midlight).darker(115));
    for (int row = 0; row < RowCount; ++row)
        for (int col = 0; col < ColCount; ++col) {
            const QRect r = CellRect(col, row);
            QColor bg = row == 0 ? pal.color(QPalette::Button) : pal.color(QPalette::Base);
            if (QPoint(col, row) == m_current)
                bg = pal.color(QPalette::Highlight);
            p.save();
            p.setClipRect(r);
            p.setFont(font());
            p.fillRect(r, bg);
            DrawCell(p, col, row, r, bg);
            p.restore();
        }
    // The strip right of and below the last cells belongs to the window colour.
    const QRect last = CellRect(ColCount - 1, RowCount - 1);
    p.fillRect(QRect(last.right() + 1, c.top(), c.right() - last.right(), c.height()), pal.color(QPalette::Base));
    p.fillRect(QRect(c.left(), last.bottom() + 1, c.width(), c.bottom() - last.bottom()), pal.color(QPalette::Base));
    if (hasFocus()) {
        // The keyboard is here: the border takes the highlight colour and the
        // current cell a dotted frame.
        p.setPen(pal.color(QPalette::Highlight));
        p.setBrush(Qt::NoBrush);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
        p.setPen(QPen(pal.color(QPalette::Text), 1, Qt::DotLine));
        p.drawRect(CellRect(m_current.x(), m_current.y()).adjusted(2, 2, -3, -3));
    }
}

void TCalendar::DrawCell(QPainter& p, int col, int row, const QRect& r, const QColor&)
{
    p.setPen(Qt::black);
    p.drawText(r, Qt::AlignCenter, CellText(col, row));
}

void TCalendar::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton)
        return;
    setFocus(Qt::MouseFocusReason);
    const QPoint cell = CellAt(e->position().toPoint());
    m_tracking = true;
    MoveCurrentTo(cell.x(), cell.y());
}

void TCalendar::mouseMoveEvent(QMouseEvent* e)
{
    if (!m_tracking || !(e->buttons() & Qt::LeftButton))
        return;
    const QPoint cell = CellAt(e->position().toPoint());
    MoveCurrentTo(cell.x(), cell.y());
}

void TCalendar::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton || !m_tracking)
        return;
    m_tracking = false;
    if (const int n = DayAt(m_current.x(), m_current.y()))
        setDay(n);
}

void TCalendar::keyPressEvent(QKeyEvent* e)
{
    const QDate to = DateAfterGridKey(m_date, e->key(), e->modifiers() & Qt::ControlModifier);
    if (!to.isValid()) {
        QWidget::keyPressEvent(e);
        return;
    }
    e->accept();
    if (to != m_date)
        setDate(to);
}

TMonthGrid::TMonthGrid(const TMarkedDays* marked, QWidget* parent)
    : TCalendar(parent)
    , m_marked(marked)
{
}

void TMonthGrid::DrawCell(QPainter& p, int col, int row, const QRect& r, const QColor&)
{
    const QString text = CellText(col, row);
    const int n = DayAt(col, row);
    QColor textColour = Qt::black;
    if (n != 0) {
        // Today is read at every painting, so the colouring follows midnight.
        const bool marked = m_marked && m_marked->test(static_cast<size_t>(n));
        const bool current = QPoint(col, row) == CurrentCell();
        const TCellLook look = DayCellLook(QDate(Year(), Month(), n), Today(), marked, current);
        if (look.fill != TCellFill::None)
            p.fillRect(r, look.fill == TCellFill::PastNote ? QColor(192, 192, 192) : QColor(255, 0, 0));
        if (look.frame) {
            // Two pixels inside the cell, so the grid lines do not hide it.
            p.setPen(QPen(palette().color(QPalette::Highlight), 2));
            p.setBrush(Qt::NoBrush);
            p.drawRect(r.adjusted(1, 1, -1, -1));
        }
        if (look.bold) {
            QFont f = p.font();
            f.setBold(true);
            p.setFont(f);
        }
        if (look.text == TCellText::Red)
            textColour = QColor(255, 0, 0);
        else if (look.text == TCellText::White)
            textColour = QColor(255, 255, 255);
        else if (look.text == TCellText::HighlightedText)
            textColour = palette().color(QPalette::HighlightedText);
    }
    p.setPen(textColour);
    const QFontMetrics fm(p.font());
    const int tw = fm.horizontalAdvance(text);
    const int th = fm.height();
    const int left = r.left() + (r.width() - tw) / 2;
    const int top = r.top() + (r.height() - th) / 2;
    p.drawText(QRect(left, top, tw, th), Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, text);
}

} // namespace kelto
