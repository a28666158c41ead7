#include "diary/view/spinbutton.h"

#include <QPainter>
#include <QStyle>
#include <QToolButton>

namespace kelto {

namespace {

// A face of its own, so the glyph stays visible on any background picture:
// the button colour in a frame of the mid colour, the midlight one while
// pressed. Painted here rather than by a style sheet, which would bring the
// style sheet machinery into every start-up for two small buttons.
class TArrowButton : public QToolButton {
public:
    using QToolButton::QToolButton;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        const QPalette& pal = palette();
        p.fillRect(rect(), pal.brush(isDown() ? QPalette::Midlight : QPalette::Button));
        p.setPen(pal.color(QPalette::Mid));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
        const QRect inside = rect().adjusted(1, 1, -1, -1);
        const QRect glyph = QStyle::alignedRect(layoutDirection(), Qt::AlignCenter, iconSize(), inside);
        icon().paint(&p, glyph, Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);
    }
};

QToolButton* ArrowButton(QWidget* parent, const char* name, const QString& glyph)
{
    auto* b = new TArrowButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::NoFocus);
    b->setIcon(QIcon(glyph));
    b->setAutoRepeat(true);
    b->setAutoRepeatDelay(TSpinButton::RepeatDelayMs);
    b->setAutoRepeatInterval(TSpinButton::RepeatIntervalMs);
    return b;
}

} // namespace

TSpinButton::TSpinButton(QWidget* parent)
    : QWidget(parent)
    , m_up(ArrowButton(this, "sbYearUp", QStringLiteral(":/assets/spin_up.png")))
    , m_down(ArrowButton(this, "sbYearDown", QStringLiteral(":/assets/spin_down.png")))
{
    connect(m_up, &QToolButton::clicked, this, &TSpinButton::upClick);
    connect(m_down, &QToolButton::clicked, this, &TSpinButton::downClick);
}

void TSpinButton::resizeEvent(QResizeEvent*)
{
    const int half = height() / 2;
    m_up->setGeometry(0, 0, width(), half);
    m_down->setGeometry(0, half, width(), height() - half);
    m_up->setIconSize(QSize(7, 4));
    m_down->setIconSize(QSize(7, 4));
}

} // namespace kelto
