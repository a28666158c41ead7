// A program folder of the test's own, in a temporary folder that goes away
// with the object, so that no test reads or writes beside the real program.
#pragma once
#include "core/programfolder.h"

#include <QTemporaryDir>

namespace kelto::testing {

struct TempProgramFolder {
    QTemporaryDir dir;

    TempProgramFolder() { SetProgramFolder(dir.path() + QLatin1Char('/')); }
    TempProgramFolder(const TempProgramFolder&) = delete;
    TempProgramFolder& operator=(const TempProgramFolder&) = delete;

    // The folder as the program names it, with its closing slash.
    QString Path() const { return dir.path() + QLatin1Char('/'); }
    // A file of the program folder.
    QString File(const QString& name) const { return dir.filePath(name); }
};

} // namespace kelto::testing
