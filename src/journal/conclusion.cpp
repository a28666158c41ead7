#include "journal/conclusion.h"
#include "journal/journalrules.h"
#include "core/formfile.h"

#include <algorithm>

#include <QStringList>

namespace kelto {

TConclusionRow ConclusionRowOf(const TJournalEntry& e)
{
    QString films;
    if (e.films > 0)
        films = QStringLiteral("%1 сн.").arg(e.films);
    if (!e.filmSize.isEmpty())
        films += (films.isEmpty() ? QString() : QStringLiteral(", ")) + e.filmSize;
    // "№ 2" stays on one line of its cell.
    const auto keep = [](QString text) { return text.replace(QStringLiteral("№ "), QStringLiteral("№\u00A0")); };
    return {e.joint, films, keep(e.sensitivity), e.defects.isEmpty() ? QStringLiteral("не выявлены") : keep(e.defects),
            VerdictText(e.verdict)};
}

QList<int> ConclusionPageRows(const QList<double>& heights, double firstRoom, double otherRoom, double signatures)
{
    QList<int> pages{0};
    double room = firstRoom;
    for (double h : heights) {
        if (h > room && pages.last() > 0) {
            pages << 0;
            room = otherRoom;
        }
        ++pages.last();
        room -= h;
    }
    if (signatures > room && !(pages.last() == 0 && pages.size() > 1))
        pages << 0;
    return pages;
}

QString SheetText(int page, int pages)
{
    return QStringLiteral("Лист %1 из %2").arg(page).arg(pages);
}

namespace {
QList<QString*> Remembered(TConclusion& c)
{
    return {&c.organization, &c.place,   &c.customer,  &c.object,
            &c.drawing,      &c.jointCategory, &c.methodStandard, &c.means,
            &c.norms,        &c.performer, &c.performerQualification, &c.checker,
            &c.checkerQualification};
}
} // namespace

QByteArray ConclusionFileBytes(const TConclusion& conclusion)
{
    TConclusion c = conclusion;
    QStringList lines;
    for (const QString* field : Remembered(c))
        lines << *field;
    return FormFileBytes(lines, TFormText::Utf8WithMark);
}

int TakeConclusionLines(const QStringList& lines, TConclusion& conclusion)
{
    const QList<QString*> fields = Remembered(conclusion);
    const qsizetype taken = std::min(lines.size(), fields.size());
    for (qsizetype i = 0; i < taken; ++i)
        *fields[i] = lines[i];
    return int(taken);
}

} // namespace kelto
