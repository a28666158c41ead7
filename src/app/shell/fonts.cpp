#include "app/shell/fonts.h"

#include <QDir>
#include <QFont>
#include <QFontDatabase>

namespace kelto {

void InstallBundledFonts(const QString& programFolder)
{
    QDir dir(programFolder + QStringLiteral("fonts"));
    const QStringList files = dir.entryList({QStringLiteral("*.ttf")}, QDir::Files);
    for (const QString& f : files)
        QFontDatabase::addApplicationFont(dir.filePath(f));
    const QString family = QStringLiteral("Liberation Sans");
    for (const char* design : {"MS Sans Serif", "Arial"})
        QFont::insertSubstitution(QLatin1String(design), family);
}

} // namespace kelto
