// The design fonts of the windows. "MS Sans Serif" and "Arial" do not exist
// here: the program carries Liberation Sans in its folder and stands it in
// for both, so text widths are the same on every machine.
#pragma once
#include <thread>
#include <QFont>
#include <QString>

namespace kelto {

inline constexpr const char* DesignFamily = "MS Sans Serif";

// Registers the fonts of `folder` + "fonts/" and sets the substitutions.
// The italic faces are left for InstallItalicFonts.
void InstallBundledFonts(const QString& programFolder);
// Registers the bundled italic faces, once; call before a font asks for italic.
void InstallItalicFonts();

// Reads the system's font configuration and caches on a second thread from
// construction on: the first font the window asks for would otherwise wait
// for it on the main thread. Waits for the thread when destroyed. Harmless
// where the system has no fontconfig.
class TFontConfigWarmUp {
public:
    TFontConfigWarmUp();
    ~TFontConfigWarmUp();
    TFontConfigWarmUp(const TFontConfigWarmUp&) = delete;
    TFontConfigWarmUp& operator=(const TFontConfigWarmUp&) = delete;

private:
    std::thread m_thread;
};

// The bundled family for a design name ("MS Sans Serif", "Arial") once the
// bundled fonts are registered; any other name as it is.
QString ResolveFontFamily(const QString& name);

// A design font of `pixels` pixels, as the window descriptions give them.
QFont DesignFont(int pixels, bool bold = false, bool underline = false, const char* family = DesignFamily);
// The main window's own font (8 points).
QFont DesignWindowFont();

} // namespace kelto
