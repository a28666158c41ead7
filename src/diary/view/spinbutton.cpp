#include "diary/view/spinbutton.h"

#include <QToolButton>

namespace kelto {

namespace {
QToolButton* ArrowButton(QWidget* parent, const char* name, const QString& glyph)
{
    auto* b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::NoFocus);
    b->setIcon(QIcon(glyph));
    b->setAutoRepeat(true);
    b->setAutoRepeatDelay(TSpinButton::RepeatDelayMs);
    b->setAutoRepeatInterval(TSpinButton::RepeatIntervalMs);
    // A face of its own, so the glyphs stay visible on any background picture.
    b->setStyleSheet(QStringLiteral("QToolButton { background: palette(button); border: 1px solid palette(mid);"
                                    " padding: 0; margin: 0; }"
                                    "QToolButton:pressed { background: palette(midlight); }"));
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
