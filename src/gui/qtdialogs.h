// Qt's own dialogs as the program's: Russian whatever the system's
// language, and keeping what they remember inside the program folder.
#pragma once
#include <QString>

class QAbstractItemModel;
class QFileDialog;

namespace kelto {

// The size of a file as the file dialog shows it: "1 байт", "5 байт",
// "1,5 КБ", "12,0 МБ".
QString FileSizeText(qint64 bytes);

// Every file dialog of the run (the program's, and those inside Qt's print
// dialog) is Qt's own, never the desktop's (which would follow the system's
// language and keep its history in the home folder), and shows its columns
// in Russian: names, sizes, types and dates. What Qt's dialogs remember
// (QtProject.conf: history, last folder, column widths) is kept in
// `programFolder`. Once, after the application object exists.
void InstallQtDialogs(const QString& programFolder);

// The same columns for one dialog (InstallQtDialogs does it for each as it
// is shown), and icons and types told from the names alone, no file opened.
void RussianColumns(QFileDialog* dialog);

} // namespace kelto
