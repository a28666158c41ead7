#include "gui/datefield.h"

#include "core/clock.h"
#include "core/datetext.h"

#include <QCalendarWidget>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

namespace kelto {

namespace {

constexpr int ButtonWidth = 17;
const QColor WarningText(176, 0, 0);
const QColor WarningBase(255, 224, 224);

bool IsDigitKey(const QKeyEvent* e)
{
    return e->text().size() == 1 && e->text()[0] >= QLatin1Char('0') && e->text()[0] <= QLatin1Char('9');
}

} // namespace

TDateField::TDateField(const char* name, QWidget* parent)
    : QLineEdit(parent)
{
    setObjectName(QLatin1String(name));
    setPlaceholderText(DateMask());
    setMaxLength(10);
    // Qt's own menu would undo and delete behind the rule's back.
    setContextMenuPolicy(Qt::NoContextMenu);
    m_button = new QToolButton(this);
    m_button->setText(QStringLiteral("▾"));
    m_button->setToolTip(QStringLiteral("Календарь (Alt+↓)"));
    m_button->setCursor(Qt::ArrowCursor);
    m_button->setFocusPolicy(Qt::NoFocus);
    m_button->setAutoRaise(true);
    setTextMargins(0, 0, ButtonWidth, 0);
    connect(m_button, &QToolButton::clicked, this, &TDateField::OpenCalendar);
    connect(this, &QLineEdit::textEdited, this, &TDateField::TakeText);
    m_normalText = palette().color(QPalette::Active, QPalette::Text);
    m_normalBase = palette().color(QPalette::Active, QPalette::Base);
}

void TDateField::SetDate(const QDate& date)
{
    m_fresh = true;
    m_outOfRange.reset();
    if (date.isValid() && !DateOfText(DateText(date)))
        m_outOfRange = date;
    Show(DateText(date));
}

std::optional<QDate> TDateField::OutOfRange() const
{
    if (m_outOfRange && text() == DateText(*m_outOfRange))
        return m_outOfRange;
    return std::nullopt;
}

QString TDateField::Problem() const
{
    if (const std::optional<QDate> d = OutOfRange())
        return QStringLiteral("Дата вне пределов %1–%2 годов: %3").arg(FirstDateYear).arg(LastDateYear).arg(DateText(*d));
    return DateTextProblem(text());
}

void TDateField::Show(const QString& typed)
{
    const QString shown = DateFieldText(typed);
    // The date first: whoever follows the text reads it.
    const std::optional<QDate> d = DateOfText(shown);
    const bool changed = d && *d != m_date;
    if (changed)
        m_date = *d;
    if (shown != text())
        setText(shown);
    setCursorPosition(int(shown.size()));
    ShowValidity();
    if (changed)
        emit dateChanged(m_date);
}

void TDateField::TakeText()
{
    // Pasted, dropped or typed through an input method: the same rule.
    Show(text());
}

void TDateField::ShowValidity()
{
    const bool wrong = !DateOfText(text());
    QPalette p = palette();
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive}) {
        p.setColor(g, QPalette::Text, wrong ? WarningText : m_normalText);
        p.setColor(g, QPalette::Base, wrong ? WarningBase : m_normalBase);
    }
    m_dressing = true;
    setPalette(p);
    m_dressing = false;
}

void TDateField::changeEvent(QEvent* e)
{
    QLineEdit::changeEvent(e);
    // A plug-in dresses the field: its colours are the normal ones.
    if (e->type() == QEvent::PaletteChange && !m_dressing) {
        m_normalText = palette().color(QPalette::Active, QPalette::Text);
        m_normalBase = palette().color(QPalette::Active, QPalette::Base);
        if (!DateOfText(text()))
            ShowValidity();
    }
}

void TDateField::keyPressEvent(QKeyEvent* e)
{
    const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
    if ((e->key() == Qt::Key_Down && mods == Qt::AltModifier) || (e->key() == Qt::Key_F4 && mods == Qt::NoModifier)) {
        OpenCalendar();
        return;
    }
    if (e->matches(QKeySequence::SelectAll)) {
        selectAll();
        m_fresh = true;
        return;
    }
    if (e->matches(QKeySequence::Paste)) {
        const QString pasted = QGuiApplication::clipboard()->text();
        Show(m_fresh || hasSelectedText() ? pasted : text() + pasted);
        m_fresh = false;
        return;
    }
    if ((e->key() == Qt::Key_Up || e->key() == Qt::Key_Down) && mods == Qt::NoModifier) {
        Step(e->key() == Qt::Key_Up ? 1 : -1);
        return;
    }
    if (IsDigitKey(e) && (mods & ~Qt::ShiftModifier) == Qt::NoModifier) {
        Show(m_fresh ? e->text() : text() + e->text());
        m_fresh = false;
        return;
    }
    if (e->text().size() == 1 && !e->text()[0].isDigit() && e->text()[0].isPrint()
        && (mods & ~Qt::ShiftModifier) == Qt::NoModifier) {
        // A point ends a part; anything else has no place in a date.
        if (!m_fresh)
            Show(text() + e->text());
        return;
    }
    if (e->key() == Qt::Key_Backspace || e->key() == Qt::Key_Delete) {
        Show(m_fresh || hasSelectedText() ? QString() : text().chopped(1));
        m_fresh = false;
        return;
    }
    // Moving the caret, Tab, Esc and Enter as any text field.
    QLineEdit::keyPressEvent(e);
}

void TDateField::Step(int steps)
{
    const std::optional<QDate> d = DateOfText(text());
    if (!d)
        return;
    const int caret = cursorPosition();
    m_fresh = true;
    Show(DateText(StepDate(*d, DatePartAt(caret), steps)));
    setCursorPosition(caret);
}

void TDateField::mousePressEvent(QMouseEvent* e)
{
    QLineEdit::mousePressEvent(e);
    m_fresh = true;
}

void TDateField::mouseDoubleClickEvent(QMouseEvent* e)
{
    QLineEdit::mouseDoubleClickEvent(e);
    m_fresh = true;
}

void TDateField::focusInEvent(QFocusEvent* e)
{
    QLineEdit::focusInEvent(e);
    m_fresh = true;
}

void TDateField::wheelEvent(QWheelEvent* e)
{
    // A wheel turned over the field is meant for the window: no date changes.
    e->ignore();
}

void TDateField::resizeEvent(QResizeEvent* e)
{
    QLineEdit::resizeEvent(e);
    m_button->setGeometry(width() - ButtonWidth - 1, 1, ButtonWidth, height() - 2);
}

bool TDateField::CalendarOpen() const
{
    return m_popup && m_popup->isVisible();
}

void TDateField::OpenCalendar()
{
    if (!m_popup) {
        m_popup = new QWidget(this, Qt::Popup);
        auto* layout = new QVBoxLayout(m_popup);
        layout->setContentsMargins(1, 1, 1, 1);
        m_calendar = new QCalendarWidget(m_popup);
        m_calendar->setDateRange(QDate(FirstDateYear, 1, 1), QDate(LastDateYear, 12, 31));
        m_calendar->setGridVisible(true);
        layout->addWidget(m_calendar);
        connect(m_calendar, &QCalendarWidget::activated, this, &TDateField::PickFromCalendar);
        connect(m_calendar, &QCalendarWidget::clicked, this, &TDateField::PickFromCalendar);
    }
    m_calendar->setSelectedDate(DateOfText(text()).value_or(m_date.isValid() ? m_date : Today()));
    m_popup->adjustSize();
    // Below the field, or above it when the screen ends first; wholly inside.
    QPoint at = mapToGlobal(QPoint(0, height()));
    if (const QScreen* screen = this->screen()) {
        const QRect area = screen->availableGeometry();
        const QSize size = m_popup->sizeHint();
        if (at.y() + size.height() > area.bottom())
            at.setY(mapToGlobal(QPoint(0, 0)).y() - size.height());
        at.setX(std::clamp(at.x(), area.left(), std::max(area.left(), area.right() - size.width())));
        at.setY(std::clamp(at.y(), area.top(), std::max(area.top(), area.bottom() - size.height())));
    }
    m_popup->move(at);
    m_popup->show();
    m_calendar->setFocus(Qt::PopupFocusReason);
}

void TDateField::PickFromCalendar(const QDate& date)
{
    m_popup->hide();
    SetDate(date);
    setFocus(Qt::PopupFocusReason);
}

} // namespace kelto
