#include "calc/calcnote.h"
#include "core/cp1251.h"

namespace kelto {

std::optional<QString> CalcNoteParagraph(const TCalcNoteInputs& in, const TCalcNoteResults& out)
{
    const QLatin1StringView unknown("?");
    for (const QString* r : {&out.sens, &out.focRast, &out.expo, &out.perimetr})
        if (r->trimmed().isEmpty() || *r == unknown)
            return std::nullopt;
    // "->", not an arrow: the note lives in code page 1251. Joined piece by
    // piece, so a pasted "%1" in an input stays as it is.
    const QString text = QStringLiteral("Расчёт по ГОСТ 7512-82: D ") + in.diam + QStringLiteral(" мм, S ") + in.tol
        + QStringLiteral(" мм, класс ") + in.sens + QStringLiteral(", схема ") + in.sheme + QStringLiteral(", F ")
        + in.rast + QStringLiteral(" мм, Ф ") + in.patno + QStringLiteral(" мм -> K ") + out.sens
        + QStringLiteral(" мм, f не менее ") + out.focRast + QStringLiteral(" мм, экспозиций ") + out.expo
        + QStringLiteral(", периметр ") + out.perimetr + QStringLiteral(" мм");
    return ToCp1251Repertoire(text);
}

QString ToDiaryCaption(const QDate& day, const QDate& today)
{
    if (!day.isValid() || day == today)
        return QStringLiteral("Записать расчёт в дневник");
    return QStringLiteral("Записать расчёт в заметку за ") + day.toString(QStringLiteral("dd.MM.yyyy"));
}

QString ToDiaryOutcome(const QDate& day, bool already)
{
    return (already ? QStringLiteral("Уже записано в заметку за ") : QStringLiteral("Записано в заметку за "))
        + day.toString(QStringLiteral("dd.MM.yyyy"));
}

} // namespace kelto
