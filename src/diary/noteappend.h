// A paragraph written into a day's note from elsewhere (a calculation): what
// goes at the note's end, or nothing when the same paragraph already ends
// it, so that a link pressed twice writes once. QtCore only.
#pragma once
#include <QString>
#include <optional>

namespace kelto {

// The text to add at the end of `note` (a line break first where the note
// does not end with one), or nullopt when `paragraph` is the note's last
// paragraph already (trailing line breaks and spaces aside).
std::optional<QString> TextToAppend(const QString& note, const QString& paragraph);

} // namespace kelto
