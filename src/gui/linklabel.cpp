#include "gui/linklabel.h"
#include "gui/designfont.h"

#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

namespace kelto {

TLinkLabel::TLinkLabel(const char* name, const QString& caption, QWidget* parent)
    : QLabel(caption, parent)
    , m_caption(caption)
{
    setObjectName(QLatin1String(name));
    QFont f = DesignFont(12);
    f.setUnderline(true);
    setFont(f);
    setAttribute(Qt::WA_TranslucentBackground);
    setCursor(Qt::PointingHandCursor);
    // Reached by Tab, not taken by a click: the mouse user keeps the caret
    // where it was.
    setFocusPolicy(Qt::TabFocus);
    adjustSize();
    m_restore = new QTimer(this);
    m_restore->setSingleShot(true);
    connect(m_restore, &QTimer::timeout, this, [this] { ShowText(m_caption); });
}

void TLinkLabel::SetMaxWidth(int width)
{
    m_maxWidth = width;
    ShowText(m_shown.isNull() ? m_caption : m_shown);
}

void TLinkLabel::ShowText(const QString& text)
{
    m_shown = text;
    // Beyond its room (a long date, a plug-in's large font) the text is
    // shortened and the whole of it is the tooltip.
    const int room = m_maxWidth > 0 ? m_maxWidth - 2 * margin() : 0;
    QString fitted = text;
    if (room > 0 && fontMetrics().horizontalAdvance(text) > room) {
        // The last word (a day's date) says where; the cut falls before it.
        const qsizetype space = text.lastIndexOf(QLatin1Char(' '));
        const QString tail = space > 0 ? text.mid(space) : QString();
        const int headRoom = room - fontMetrics().horizontalAdvance(tail);
        fitted = headRoom > fontMetrics().horizontalAdvance(QStringLiteral("W…"))
            ? fontMetrics().elidedText(text.left(space), Qt::ElideRight, headRoom) + tail
            : fontMetrics().elidedText(text, Qt::ElideRight, room);
    }
    setToolTip(fitted == text ? QString() : text);
    setText(fitted);
    adjustSize();
}

void TLinkLabel::SetCaption(const QString& caption)
{
    if (caption == m_caption)
        return;
    m_caption = caption;
    if (m_restore->isActive())
        return;
    ShowText(caption);
}

void TLinkLabel::ShowFor(const QString& text, int ms)
{
    ShowText(text);
    m_restore->start(ms);
}

void TLinkLabel::FollowStyleOf(QWidget* model)
{
    if (m_model)
        m_model->removeEventFilter(this);
    m_model = model;
    if (!model)
        return;
    model->installEventFilter(this);
    TakeStyle();
}

void TLinkLabel::TakeStyle()
{
    setFont(m_model->font());
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, m_model->palette().color(QPalette::WindowText));
    setPalette(pal);
}

void TLinkLabel::mouseReleaseEvent(QMouseEvent* e)
{
    QLabel::mouseReleaseEvent(e);
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()))
        emit clicked();
}

void TLinkLabel::keyPressEvent(QKeyEvent* e)
{
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        e->accept();
        emit clicked();
        return;
    default: QLabel::keyPressEvent(e);
    }
}

void TLinkLabel::paintEvent(QPaintEvent* e)
{
    QLabel::paintEvent(e);
    if (!hasFocus())
        return;
    QPainter p(this);
    p.setPen(QPen(palette().color(QPalette::WindowText), 1, Qt::DotLine));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void TLinkLabel::changeEvent(QEvent* e)
{
    QLabel::changeEvent(e);
    if (e->type() == QEvent::FontChange)
        ShowText(m_shown.isNull() ? m_caption : m_shown);
}

bool TLinkLabel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_model && (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange))
        TakeStyle();
    return QLabel::eventFilter(watched, event);
}

} // namespace kelto
