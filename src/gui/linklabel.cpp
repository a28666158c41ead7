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
    connect(m_restore, &QTimer::timeout, this, [this] {
        setText(m_caption);
        adjustSize();
    });
}

void TLinkLabel::SetCaption(const QString& caption)
{
    if (caption == m_caption)
        return;
    m_caption = caption;
    if (m_restore->isActive())
        return;
    setText(caption);
    adjustSize();
}

void TLinkLabel::ShowFor(const QString& text, int ms)
{
    setText(text);
    adjustSize();
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
        adjustSize();
}

bool TLinkLabel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_model && (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange))
        TakeStyle();
    return QLabel::eventFilter(watched, event);
}

} // namespace kelto
