#include "diary/view/calendar.h"
#include "app/clock.h"

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
    layOut();
}

int TCalendar::DaysPerMonth(int year, int month)
{
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return days[month - 1] + (month == 2 && leap ? 1 : 0);
}

bool TCalendar::setSelectedDate(const QDate& date)
{
    if (!date.isValid() || date.year() < 1 || date.year() > 9999)
        return false;
    m_date = date;
    layOut();
    emit OnChange();
    return true;
}

bool TCalendar::setDate(const QDate& d)
{
    if (!d.isValid() || d.year() > 9999)
        return false;
    m_date = d;
    layOut();
    emit OnChange();
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
    layOut();
}

void TCalendar::layOut()
{
    // Weekday of the first, 1 = Sunday .. 7 = Saturday.
    const int w = QDate(Year(), Month(), 1).dayOfWeek() % 7 + 1;
    const int a = (w - m_startOfWeek + 7) % 7;
    m_offset = a == 0 ? -5 : 2 - a;
    const int k = Day() - m_offset;
    m_current = QPoint(k % 7, k / 7 + 1);
    update();
}

int TCalendar::DayAt(int col, int row) const
{
    if (col < 0 || col >= ColCount || row < 1 || row >= RowCount)
        return 0;
    const int n = m_offset + col + 7 * (row - 1);
    return n >= 1 && n <= DaysPerMonth(Year(), Month()) ? n : 0;
}

QString TCalendar::CellText(int col, int row) const
{
    if (row == 0) {
        const int weekday = (m_startOfWeek + col) % 7; // 0 = Sunday
        return QLocale::system().dayName(weekday == 0 ? 7 : weekday, QLocale::ShortFormat);
    }
    const int n = DayAt(col, row);
    return n ? QString::number(n) : QString();
}

QRect TCalendar::clientRect() const
{
    return rect().adjusted(1, 1, -1, -1); // the flat one-pixel border
}

int TCalendar::ColWidth() const
{
    return std::max(0, (clientRect().width() - 6 * GridLineWidth) / 7);
}

int TCalendar::RowHeight() const
{
    return std::max(0, (clientRect().height() - 6 * GridLineWidth) / 7);
}

QRect TCalendar::CellRect(int col, int row) const
{
    const QRect c = clientRect();
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

bool TCalendar::moveCurrentTo(int col, int row)
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
    const QRect c = clientRect();
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
    moveCurrentTo(cell.x(), cell.y());
}

void TCalendar::mouseMoveEvent(QMouseEvent* e)
{
    if (!m_tracking || !(e->buttons() & Qt::LeftButton))
        return;
    const QPoint cell = CellAt(e->position().toPoint());
    moveCurrentTo(cell.x(), cell.y());
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
    int col = m_current.x();
    int row = m_current.y();
    switch (e->key()) {
    case Qt::Key_Left: --col; break;
    case Qt::Key_Right: ++col; break;
    case Qt::Key_Up: --row; break;
    case Qt::Key_Down: ++row; break;
    case Qt::Key_Home: col = 0; break;
    case Qt::Key_End: col = ColCount - 1; break;
    case Qt::Key_PageUp: row = 1; break;
    case Qt::Key_PageDown: row = RowCount - 1; break;
    default:
        QWidget::keyPressEvent(e);
        return;
    }
    e->accept();
    if (moveCurrentTo(col, row))
        setDay(DayAt(col, row));
}

TMyCalendar::TMyCalendar(const TMarkedDays* marked, QWidget* parent)
    : TCalendar(parent)
    , m_marked(marked)
{
}

void TMyCalendar::DrawCell(QPainter& p, int col, int row, const QRect& r, const QColor&)
{
    const QString text = CellText(col, row);
    const int n = DayAt(col, row);
    QColor textColour = Qt::black;
    if (n != 0) {
        const QDate cellDate(Year(), Month(), n);
        // Read at every painting, so the colouring follows midnight.
        const QDate today = Today();
        const bool weekend = cellDate.dayOfWeek() >= 6;
        const bool marked = m_marked && m_marked->test(static_cast<size_t>(n));
        if (marked) {
            const bool past = cellDate < today;
            const QColor bg = past ? QColor(192, 192, 192) : QColor(255, 0, 0);
            p.fillRect(r, bg);
            QFont f = p.font();
            f.setBold(true);
            p.setFont(f);
            if (weekend)
                textColour = past ? QColor(255, 0, 0) : QColor(255, 255, 255);
        } else if (weekend) {
            textColour = QColor(255, 0, 0);
        }
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
