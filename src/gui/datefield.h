// The one date field of the program: a text field with the mask ДД.ММ.ГГГГ
// and a small button that opens a calendar (so does Alt+↓). Digits typed
// after the field was entered (a click, Tab, Ctrl+A alike) fill it from its
// start, with or without points; Tab and Shift+Tab leave it; a click never
// changes its value; ↑/↓ step the part under the caret. A text that names no
// date is shown in the warning colour and not taken: Date() stays the last
// date it named until it is mended. The rule itself is core/datetext.h.
#pragma once
#include <QDate>
#include <QLineEdit>
#include <optional>

class QCalendarWidget;
class QToolButton;

namespace kelto {

class TDateField : public QLineEdit {
    Q_OBJECT
public:
    TDateField(const char* name, QWidget* parent);

    // The last date the field named (the one results are computed from).
    QDate Date() const { return m_date; }
    void SetDate(const QDate& date);
    // Empty while the text names a date, else the hint that says why not.
    QString Problem() const;
    // A date outside the field's years given to SetDate (read from a file,
    // say): shown as it is, said to be out of range, never taken; kept
    // here while the field shows it, so that it is written back unchanged.
    std::optional<QDate> OutOfRange() const;

    void OpenCalendar();
    bool CalendarOpen() const;

signals:
    // A new date taken, typed or picked.
    void dateChanged(const QDate& date);

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;

private:
    // Shows `text` as the rule writes it and takes the date it names.
    void Show(const QString& text);
    void TakeText();
    void ShowValidity();
    void Step(int steps);
    void PickFromCalendar(const QDate& date);

    QDate m_date;
    std::optional<QDate> m_outOfRange;
    // The next digit starts the field over.
    bool m_fresh = true;
    bool m_dressing = false;
    QColor m_normalText, m_normalBase;
    QToolButton* m_button = nullptr;
    QWidget* m_popup = nullptr;
    QCalendarWidget* m_calendar = nullptr;
};

} // namespace kelto
