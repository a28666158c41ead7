// The design fonts "MS Sans Serif" and "Arial" do not exist here: the program
// carries Liberation Sans in its folder and stands it in for both, so text
// widths are the same on every machine.
#pragma once
#include <QString>

namespace kelto {
// Registers the fonts of `folder` + "fonts/" and sets the substitutions.
void InstallBundledFonts(const QString& programFolder);
} // namespace kelto
