// The single-instance guard with its boxes: what a refused start says.
#pragma once
#include "core/instanceguard.h"

#include <QString>

namespace kelto {

inline constexpr const char* SecondCopyText = "Не возможен запуск второй копии программы! Выход.";

// Takes the locks for `programFolder`; false, with the refusal said in a
// box titled "Кельто", when this copy must not run. A lock file of a copy
// on another host asks whether that copy is closed.
bool ClaimProgramFolder(TInstanceGuard& guard, const QString& programFolder);

} // namespace kelto
