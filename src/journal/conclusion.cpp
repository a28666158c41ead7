#include "journal/conclusion.h"
#include "journal/journalrules.h"

#include <QStringList>

namespace kelto {

TConclusionRow ConclusionRowOf(const TJournalEntry& e)
{
    QString films;
    if (e.films > 0)
        films = QStringLiteral("%1 сн.").arg(e.films);
    if (!e.filmSize.isEmpty())
        films += (films.isEmpty() ? QString() : QStringLiteral(", ")) + e.filmSize;
    return {e.joint, films, e.sensitivity, e.defects.isEmpty() ? QStringLiteral("не выявлены") : e.defects,
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
    QByteArray out("\xEF\xBB\xBF");
    for (const QString* field : Remembered(c)) {
        QString line = *field;
        line.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
        out += line.toUtf8() + "\r\n";
    }
    return out;
}

bool ReadConclusionFile(const QByteArray& bytes, TConclusion& conclusion)
{
    QByteArray b = bytes;
    if (b.startsWith("\xEF\xBB\xBF"))
        b.remove(0, 3);
    const QString text = QString::fromUtf8(b);
    if (text.toUtf8() != b)
        return false; // not UTF-8
    QStringList lines = text.split(QStringLiteral("\r\n"));
    if (lines.size() == 14 && lines.last().isEmpty())
        lines.removeLast();
    const QList<QString*> fields = Remembered(conclusion);
    if (lines.size() != fields.size())
        return false;
    for (qsizetype i = 0; i < fields.size(); ++i)
        *fields[i] = lines[i];
    return true;
}

} // namespace kelto
