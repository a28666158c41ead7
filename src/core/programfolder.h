// The program's folder: every file of the program lies in it. QtCore only.
#pragma once
#include <QString>

namespace kelto {

// The program's folder, ending in "/". Set once at start-up; tests set a
// temporary folder.
QString ProgramFolder();
void SetProgramFolder(const QString& folder);
// The executable's own folder with its trailing separator.
QString ExecutableFolder();

} // namespace kelto
