#include "journalserver/movetoserver.h"

#include "journal/journalrules.h"

#include <QHash>
#include <QSet>

namespace kelto {

namespace {

// What marks a local row on the server: journal.db's id and when and by
// whom it was made, so the same file moved twice is recognised.
QString Origin(const char* kind, qint64 id, const QDateTime& createdAt, const QString& createdBy)
{
    return QStringLiteral("journal.db:%1:%2:%3:%4")
        .arg(QLatin1String(kind))
        .arg(id)
        .arg(createdAt.toString(Qt::ISODateWithMs), createdBy);
}

// "1 запись", "2 записи", "5 записей".
QString Counted(int n, const char* one, const char* few, const char* many)
{
    const int tens = n % 100, ones = n % 10;
    const char* word = (tens >= 11 && tens <= 14) ? many : ones == 1 ? one : (ones >= 2 && ones <= 4) ? few : many;
    return QStringLiteral("%1 %2").arg(n).arg(QString::fromUtf8(word));
}

} // namespace

TMoveOutcome MoveToServer(TJournalStore& local, TServerJournalStore& server)
{
    TMoveOutcome outcome;
    TJournalQuery all;
    all.withDeleted = true;
    all.sortBy = TJournalColumn::Number;
    all.descending = false;
    TStoreResult failure;
    const QList<TJournalEntry> entries = local.Load(local.Find(all, &failure), &failure);
    if (!failure.IsDone()) {
        outcome.result = failure;
        return outcome;
    }
    outcome.result = server.InTransaction([&]() -> TStoreResult {
        QHash<qint64, QString> origins;
        QSet<QString> numbers;
        for (const TJournalEntry& entry : entries) {
            const QString origin = Origin("entry", entry.id, entry.createdAt, entry.createdBy);
            origins.insert(entry.id, origin);
            if (!entry.conclusion.isEmpty())
                numbers.insert(entry.conclusion);
            TJournalEntry copy = entry;
            bool inserted = false;
            if (const TStoreResult r = server.SaveOnce(copy, origin, &inserted); !r.IsDone())
                return r;
            if (inserted && entry.deleted)
                if (const TStoreResult r = server.Delete(copy.id); !r.IsDone())
                    return r;
            outcome.entries += inserted;
        }
        for (const QString& text : numbers) {
            const auto number = ParseConclusionNumber(text);
            const auto conclusion = number ? local.LoadConclusion(*number) : std::nullopt;
            if (!conclusion)
                continue;
            QStringList entryOrigins;
            for (qint64 id : conclusion->entryIds)
                entryOrigins.append(origins.value(id));
            TConclusion copy = *conclusion;
            bool inserted = false;
            const QString origin = Origin("conclusion", conclusion->id, conclusion->createdAt, conclusion->createdBy);
            if (const TStoreResult r = server.SaveConclusionOnce(copy, origin, entryOrigins, &inserted); !r.IsDone())
                return r;
            outcome.conclusions += inserted;
        }
        return {};
    });
    if (!outcome.result.IsDone())
        outcome.entries = outcome.conclusions = 0;
    return outcome;
}

QString MoveOutcomeText(const TMoveOutcome& outcome)
{
    if (!outcome.result.IsDone())
        return QStringLiteral("Записи не перенесены: ") + outcome.result.reason;
    if (outcome.entries == 0 && outcome.conclusions == 0)
        return QStringLiteral("Нечего переносить: все записи журнала уже на сервере.");
    return QStringLiteral("Перенесено на сервер: %1 и %2.")
        .arg(Counted(outcome.entries, "запись", "записи", "записей"),
             Counted(outcome.conclusions, "заключение", "заключения", "заключений"));
}

} // namespace kelto
