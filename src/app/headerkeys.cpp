#include "app/headerkeys.h"
#include "docs/view/docslist.h"

#include <QShortcut>
#include <QWidget>

namespace kelto {

QString HeaderTooltip(const QString& buttonName)
{
    struct Tip {
        const char* button;
        const char* text;
    };
    static const Tip tips[] = {
        {"SpeedButton6", "Записи (Ctrl+1)"},
        {"SpeedButton7", "Расчеты (Ctrl+2)"},
        {"SpeedButton1", "Справка: список документов (F1, закрыть — Esc)"},
        {"SpeedButton9", "Настройка: выбор плагина оформления (правая кнопка мыши — меню настроек)"},
        {"SpeedButton10", "Инфо: о программе"},
    };
    for (const Tip& t : tips)
        if (buttonName == QLatin1String(t.button))
            return QString::fromUtf8(t.text);
    return {};
}

void InstallHeaderKeys(QWidget* window, TDocsList* list, const std::vector<THeaderKey>& keys)
{
    for (const THeaderKey& k : keys) {
        k.button->setToolTip(HeaderTooltip(k.button->objectName()));
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
