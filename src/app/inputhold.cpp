#include "app/inputhold.h"

#include <QAction>
#include <QCoreApplication>
#include <QDialog>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QShortcut>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <optional>

namespace kelto {

TInputHold::TInputHold(QWidget* window)
    : QObject(window)
    , m_window(window)
{
}

TInputHold::~TInputHold()
{
    if (m_holding)
        QCoreApplication::instance()->removeEventFilter(this);
}

void TInputHold::Hold()
{
    if (m_holding)
        return;
    m_holding = true;
    // Input reaches the window, then the widget it is for, or, for a key
    // sequence, a shortcut: every one of these passes the application first.
    QCoreApplication::instance()->installEventFilter(this);
}

// Closes every window that a replay at the program's end opens (About, the
// plug-in dialog, a menu, a tool window), once its own loop runs.
class TInputHold::TCloser : public QObject {
public:
    explicit TCloser(QWidget* window)
        : m_window(window)
    {
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~TCloser() override { QCoreApplication::instance()->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* w = qobject_cast<QWidget*>(watched);
        if (event->type() != QEvent::Show || !w || !w->isWindow() || w == m_window)
            return false;
        if (auto* box = qobject_cast<QDialog*>(w))
            QTimer::singleShot(0, box, [box] { box->reject(); });
        else
            QTimer::singleShot(0, w, [w] { w->close(); });
        return false;
    }

private:
    QPointer<QWidget> m_window;
};

void TInputHold::Release(TReplay replay)
{
    if (!m_holding)
        return;
    m_holding = false;
    QCoreApplication::instance()->removeEventFilter(this);
    auto held = std::move(m_held);
    m_held.clear();
    std::optional<TCloser> closer;
    if (replay == TReplay::Ending)
        closer.emplace(m_window);
    // Handed over now, not posted: a close that waited for the diary saves
    // what was typed before it.
    for (auto& [receiver, make] : held)
        if (receiver) {
            const std::unique_ptr<QEvent> event = make();
            QCoreApplication::sendEvent(receiver, event.get());
        }
}

namespace {

// A pointer event keeps its position in a point the device shares with every
// event after it, so a copy is made of the values, and the event only when
// it is handed over.
TInputHold::TMakeEvent Remade(QEvent* event)
{
    if (auto* m = dynamic_cast<QMouseEvent*>(event)) {
        return [type = m->type(), pos = m->position(), scene = m->scenePosition(), global = m->globalPosition(),
                button = m->button(), buttons = m->buttons(), modifiers = m->modifiers(),
                device = m->pointingDevice(), time = m->timestamp()] {
            auto e = std::make_unique<QMouseEvent>(type, pos, scene, global, button, buttons, modifiers, device);
            e->setTimestamp(time);
            return std::unique_ptr<QEvent>(std::move(e));
        };
    }
    if (auto* w = dynamic_cast<QWheelEvent*>(event)) {
        return [pos = w->position(), global = w->globalPosition(), pixels = w->pixelDelta(), angle = w->angleDelta(),
                buttons = w->buttons(), modifiers = w->modifiers(), phase = w->phase(), inverted = w->inverted(),
                source = w->source(), device = w->pointingDevice(), time = w->timestamp()] {
            auto e = std::make_unique<QWheelEvent>(pos, global, pixels, angle, buttons, modifiers, phase, inverted,
                                                   source, device);
            e->setTimestamp(time);
            return std::unique_ptr<QEvent>(std::move(e));
        };
    }
    return [copy = std::shared_ptr<QEvent>(event->clone())] { return std::unique_ptr<QEvent>(copy->clone()); };
}

} // namespace

bool TInputHold::Ours(QObject* receiver) const
{
    if (!m_window)
        return false;
    if (receiver->isWindowType())
        return receiver == m_window->windowHandle();
    if (auto* w = qobject_cast<QWidget*>(receiver))
        return w->window() == m_window;
    // A shortcut or an action belongs to the window of the widget it lives in.
    if (qobject_cast<QShortcut*>(receiver) || qobject_cast<QAction*>(receiver))
        if (auto* w = qobject_cast<QWidget*>(receiver->parent()))
            return w->window() == m_window;
    return false;
}

bool TInputHold::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::InputMethod:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
        if (!Ours(watched))
            return false;
        m_held.emplace_back(watched, Remade(event));
        return true;
    default: return false;
    }
}

} // namespace kelto
