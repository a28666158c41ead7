#include "gui/designfont.h"

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

QFont DesignFont(int pixels, bool bold, bool underline, const char* family)
{
    QFont f(QString::fromLatin1(family));
    f.setPixelSize(pixels);
    f.setBold(bold);
    f.setUnderline(underline);
    return f;
}

QFont DesignWindowFont()
{
    QFont f(QString::fromLatin1(DesignFamily));
    f.setPointSize(8);
    return f;
}

} // namespace kelto
