#include "diary/noteappend.h"

namespace kelto {

namespace {

QString WithoutTrailingSpace(const QString& s)
{
    qsizetype end = s.size();
    while (end > 0 && s[end - 1].isSpace())
        --end;
    return s.left(end);
}

} // namespace

std::optional<QString> TextToAppend(const QString& note, const QString& paragraph)
{
    const QString body = WithoutTrailingSpace(note);
    const QString last = WithoutTrailingSpace(paragraph);
    // The paragraph is the last one when it ends the note and begins it or
    // a line of it.
    if (!last.isEmpty() && body.endsWith(last)) {
        const qsizetype start = body.size() - last.size();
        if (start == 0 || body[start - 1] == QLatin1Char('\n'))
            return std::nullopt;
    }
    return note.isEmpty() || note.endsWith(QLatin1Char('\n')) ? paragraph : QLatin1Char('\n') + paragraph;
}

} // namespace kelto
