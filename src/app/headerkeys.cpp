#include "app/headerkeys.h"
#include "docs/view/docslist.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QShortcut>
#include <QWidget>

namespace kelto {

namespace {

// The header's buttons as one row reached by F10, like a menu bar.
class THeaderFocus : public QObject {
public:
    THeaderFocus(QWidget* window, TDocsList* list, std::vector<THeaderKey> keys)
        : QObject(window)
        , m_list(list)
        , m_keys(std::move(keys))
    {
        for (const THeaderKey& k : m_keys)
            k.button->installEventFilter(this);
    }

    void Enter()
    {
        if (m_keys.empty())
            return;
        QWidget* now = QApplication::focusWidget();
        if (!IsButton(now))
            m_before = now;
        m_keys.front().button->setFocus(Qt::ShortcutFocusReason);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const int i = IndexOf(watched);
        if (i < 0 || (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride))
            return false;
        auto* k = static_cast<QKeyEvent*>(event);
        if (event->type() == QEvent::ShortcutOverride) {
            // Escape belongs to the header while a button has the focus.
            if (k->key() == Qt::Key_Escape)
                k->accept();
            return false;
        }
        const int n = int(m_keys.size());
        const THeaderKey& key = m_keys[size_t(i)];
        switch (k->key()) {
        case Qt::Key_Left: m_keys[size_t((i + n - 1) % n)].button->setFocus(Qt::TabFocusReason); return true;
        case Qt::Key_Right: m_keys[size_t((i + 1) % n)].button->setFocus(Qt::TabFocusReason); return true;
        case Qt::Key_Menu:
            if (!key.menuKey)
                return false;
            [[fallthrough]];
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
        case Qt::Key_Down:
            if (key.activate)
                key.activate();
            else if (key.press)
                key.press();
            return true;
        case Qt::Key_Escape: Leave(); return true;
        default: return false;
        }
    }

private:
    int IndexOf(const QObject* o) const
    {
        for (size_t i = 0; i < m_keys.size(); ++i)
            if (m_keys[i].button == o)
                return int(i);
        return -1;
    }
    bool IsButton(const QWidget* w) const { return w && IndexOf(w) >= 0; }

    void Leave()
    {
        m_list->HideList();
        if (m_before && m_before->isVisible() && m_before->isEnabled())
            m_before->setFocus(Qt::ShortcutFocusReason);
        else if (QWidget* w = QApplication::focusWidget(); IsButton(w))
            w->clearFocus();
    }

    TDocsList* m_list;
    std::vector<THeaderKey> m_keys;
    QPointer<QWidget> m_before;
};

} // namespace

void InstallHeaderKeys(QWidget* window, TDocsList* list, const std::vector<THeaderKey>& keys)
{
    for (const THeaderKey& k : keys) {
        k.button->setToolTip(QString::fromUtf8(k.tooltip));
        if (k.key.isEmpty() || !k.press)
            continue;
        auto* shortcut = new QShortcut(k.key, window);
        QObject::connect(shortcut, &QShortcut::activated, window, k.press);
    }
    auto* header = new THeaderFocus(window, list, keys);
    auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), window);
    QObject::connect(f10, &QShortcut::activated, header, [header] { header->Enter(); });
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), window);
    escape->setEnabled(list->isVisible());
    QObject::connect(escape, &QShortcut::activated, list, &TDocsList::HideList);
    QObject::connect(list, &TDocsList::shownChanged, escape, &QShortcut::setEnabled);
}

} // namespace kelto
