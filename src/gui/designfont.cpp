#include "gui/designfont.h"

#include <QDir>
#include <QFont>
#include <QFontDatabase>

#include <dlfcn.h>
#include <utility>

namespace kelto {

namespace {
// The family that stands in for the design names once the bundled fonts are
// registered; empty until then (the names then go through the system's own
// substitution).
QString g_bundledFamily;
// The bundled italic faces, registered when a font first asks for italic:
// only a plug-in does, and start-up need not read them for the others.
QStringList g_italicFaces;
} // namespace

void InstallBundledFonts(const QString& programFolder)
{
    QDir dir(programFolder + QStringLiteral("fonts"));
    const QStringList files = dir.entryList({QStringLiteral("*.ttf")}, QDir::Files);
    for (const QString& f : files) {
        if (f.contains(QLatin1String("Italic")))
            g_italicFaces << dir.filePath(f);
        else
            QFontDatabase::addApplicationFont(dir.filePath(f));
    }
    const QString family = QStringLiteral("Liberation Sans");
    for (const char* design : {"MS Sans Serif", "Arial"})
        QFont::insertSubstitution(QLatin1String(design), family);
    if (!files.isEmpty())
        g_bundledFamily = family;
}

void InstallItalicFonts()
{
    for (const QString& path : std::exchange(g_italicFaces, {}))
        QFontDatabase::addApplicationFont(path);
}

TFontConfigWarmUp::TFontConfigWarmUp()
{
    // fontconfig comes with Qt's own libraries; taken from the process
    // rather than linked, so that nothing changes where it is missing.
    // Its default configuration is made once, safely across threads.
    using TFcInit = int (*)();
    if (auto init = reinterpret_cast<TFcInit>(dlsym(RTLD_DEFAULT, "FcInit")))
        m_thread = std::thread([init] { init(); });
}

TFontConfigWarmUp::~TFontConfigWarmUp()
{
    if (m_thread.joinable())
        m_thread.join();
}

QString ResolveFontFamily(const QString& name)
{
    // A family that does not exist is found by substitution, which sorts
    // every font of the system each time a new size or style is asked for.
    if (!g_bundledFamily.isEmpty()
        && (name.compare(QLatin1String("MS Sans Serif"), Qt::CaseInsensitive) == 0
            || name.compare(QLatin1String("Arial"), Qt::CaseInsensitive) == 0))
        return g_bundledFamily;
    return name;
}

QFont DesignFont(int pixels, bool bold, bool underline, const char* family)
{
    QFont f(ResolveFontFamily(QString::fromLatin1(family)));
    f.setPixelSize(pixels);
    f.setBold(bold);
    f.setUnderline(underline);
    return f;
}

QFont DesignWindowFont()
{
    QFont f(ResolveFontFamily(QString::fromLatin1(DesignFamily)));
    f.setPointSize(8);
    return f;
}

} // namespace kelto
