// The month grid: seven weekday columns under a header row, one month of the
// selected year, and the program's own colouring of the days with notes.
#pragma once
#include "diary/daystore.h"

#include <QDate>
#include <QPoint>
#include <QRect>
#include <QWidget>

class QPainter;

namespace kelto {

class TCalendar : public QWidget {
    Q_OBJECT
public:
    static constexpr int ColCount = 7;
    static constexpr int RowCount = 7;
    static constexpr int GridLineWidth = 1;

    explicit TCalendar(QWidget* parent = nullptr);

    QDate SelectedDate() const { return m_date; }
    // Takes the date, lays out and calls dateChanged even for the same date.
    // An invalid date is refused.
    bool setSelectedDate(const QDate& date);

    int Year() const { return m_date.year(); }
    int Month() const { return m_date.month(); }
    int Day() const { return m_date.day(); }
    // Values below 1, the present value, a month above 12 and a day beyond the
    // shown month are ignored (true). False when the resulting date does not
    // exist; the date then stays as it was.
    bool setYear(int v);
    bool setMonth(int v);
    bool setDay(int v);

    int StartOfWeek() const { return m_startOfWeek; }
    void setStartOfWeek(int weekday); // 0 = Sunday

    static int DaysPerMonth(int year, int month);
    int MonthOffset() const { return m_offset; }
    // The day number a day cell holds, 0 for a blank cell or the header.
    int DayAt(int col, int row) const;
    QString CellText(int col, int row) const;
    QPoint CurrentCell() const { return m_current; }
    int ColWidth() const;
    int RowHeight() const;
    QRect CellRect(int col, int row) const;
    // The cell under a point of the widget, or (-1, -1).
    QPoint CellAt(const QPoint& pos) const;

    QSize sizeHint() const override { return {277, 149}; }

signals:
    void dateChanged();

protected:
    // Paints one cell; the canvas arrives with the font set and the cell
    // filled with its background, as `background`.
    virtual void DrawCell(QPainter& p, int col, int row, const QRect& rect, const QColor& background);
    QRect ClientRect() const;

    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void keyPressEvent(QKeyEvent*) override;

private:
    bool setDate(const QDate& d);
    void LayOut();
    bool MoveCurrentTo(int col, int row);

    QDate m_date;
    int m_startOfWeek = 0;
    int m_offset = 0;
    QPoint m_current{0, 1};
    bool m_tracking = false;
};

class TMonthGrid : public TCalendar {
    Q_OBJECT
public:
    // `marked` is the view's MarkedDays, read at every painting.
    explicit TMonthGrid(const TMarkedDays* marked, QWidget* parent = nullptr);

protected:
    void DrawCell(QPainter& p, int col, int row, const QRect& rect, const QColor& background) override;

private:
    const TMarkedDays* m_marked;
};

} // namespace kelto
