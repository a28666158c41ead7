#include "app/inputhold.h"

#include <QAction>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QShortcut>
#include <QWidget>
#include <QWindow>

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

namespace {

// A key for a text field: sent to it, or to the window while it has the focus.
bool IsTyping(QObject* receiver, const QEvent& event, QWidget* window)
{
    const QEvent::Type t = event.type();
    if (t != QEvent::KeyPress && t != QEvent::KeyRelease && t != QEvent::InputMethod)
        return false;
    QObject* target = receiver->isWindowType() && window ? window->focusWidget() : receiver;
    return qobject_cast<QLineEdit*>(target) || qobject_cast<QTextEdit*>(target)
        || qobject_cast<QPlainTextEdit*>(target);
}

} // namespace

void TInputHold::Release(TReplay replay)
{
    if (!m_holding)
        return;
    m_holding = false;
    QCoreApplication::instance()->removeEventFilter(this);
    auto held = std::move(m_held);
    m_held.clear();
    // Handed over now, not posted: a close that waited for the diary saves
    // what was typed before it.
    for (auto& [receiver, event] : held)
        if (receiver && (replay == TReplay::Everything || IsTyping(receiver, *event, m_window)))
            QCoreApplication::sendEvent(receiver, event.get());
}

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
        m_held.emplace_back(watched, std::unique_ptr<QEvent>(event->clone()));
        return true;
    default: return false;
    }
}

} // namespace kelto
