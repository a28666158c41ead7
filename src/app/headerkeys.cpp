#include "app/headerkeys.h"
#include "docs/view/docslist.h"

#include <QShortcut>
#include <QWidget>

namespace kelto {

void InstallHeaderKeys(QWidget* window, TDocsList* list, const std::vector<THeaderKey>& keys)
{
    for (const THeaderKey& k : keys) {
        k.button->setToolTip(QString::fromUtf8(k.tooltip));
        if (k.key.isEmpty() || !k.press)
            continue;
        auto* shortcut = new QShortcut(k.key, window);
        QObject::connect(shortcut, &QShortcut::activated, window, k.press);
    }
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), window);
    escape->setEnabled(list->isVisible());
    QObject::connect(escape, &QShortcut::activated, list, &TDocsList::HideList);
    QObject::connect(list, &TDocsList::shownChanged, escape, &QShortcut::setEnabled);
}

} // namespace kelto
