// Qt's own texts (dialog buttons, the edits' context menus, the file
// dialog) in Russian, from the catalogue the program folder carries.
#pragma once
#include <QString>

namespace kelto {

// The catalogue's place in the program folder.
inline constexpr const char* QtCatalogue = "translations/qtbase_ru.qm";

// Loads `programFolder` + QtCatalogue into the application. False when the
// file is missing or unreadable: Qt's texts then stay English.
bool InstallQtTranslations(const QString& programFolder);

// Makes Russian the default locale of the run: day and month names, date
// pop-ups, number formats and Qt's dialogs are Russian whatever LANG says.
// Called once at start, before any window is made.
void SetRussianLocale();

} // namespace kelto
