#include "journal/conclusion.h"
#include "journal/journalrules.h"
#include "core/formfile.h"
#include "core/textfile.h"

#include <QFileInfo>
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

QString ReadConclusionFile(const QString& path, TConclusion& conclusion)
{
    const QList<QString*> fields = Remembered(conclusion);
    const TFormFileRead read = ReadFormFile(path, int(fields.size()), TFormText::Utf8WithMark);
    for (qsizetype i = 0; i < std::min(read.lines.size(), fields.size()); ++i)
        *fields[i] = read.lines[i];
    if (read.whole)
        return {};
    QString reason;
    const std::optional<QByteArray> bytes = ReadWholeFile(path, qint64(1) << 31, &reason);
    if (!bytes)
        return QStringLiteral("Файл %1 не прочитан: %2").arg(QFileInfo(path).fileName(), reason);
    // The next save writes over it: what it held is kept first.
    if (const std::optional<QString> err = KeepUnreadCopy(path, *bytes))
        return QStringLiteral("Файл %1 не прочитан, копия не сохранена: %2").arg(QFileInfo(path).fileName(), *err);
    return UnreadFileNote(path);
}

} // namespace kelto
