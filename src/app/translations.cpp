#include "app/translations.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

namespace kelto {

bool InstallQtTranslations(const QString& programFolder)
{
    // The UI is Russian whatever the system's language, so the catalogue is
    // chosen by name, not by the locale. One translator for the whole run.
    static QTranslator* translator = nullptr;
    auto* fresh = new QTranslator(QCoreApplication::instance());
    if (!fresh->load(programFolder + QLatin1String(QtCatalogue))) {
        delete fresh;
        return false;
    }
    if (translator) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
    translator = fresh;
    QCoreApplication::installTranslator(translator);
    return true;
}

void SetRussianLocale()
{
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
}

} // namespace kelto
