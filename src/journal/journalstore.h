// Where the control journal lives. The window, the conclusion and the CSV
// talk to a TJournalStore only; the file journal.db (TSqliteJournalStore) is
// one store, a laboratory's server another. QtCore and QtSql only.
//
// The rules every store keeps (the storage tests run one table of cases
// against each store, tests/journal/storecases.h):
// - every change is one transaction: after a failure nothing of it is stored;
// - a save that was reported done survives a power cut;
// - deleting only marks an entry; Undelete brings it back whole;
// - conclusion numbers are unique per year; the next free one is taken inside
//   the transaction that saves the conclusion, so two savers at once never
//   get one number;
// - failures come back as a TStoreResult with the reason in Russian, never as
//   an exception, and leave the store usable: a later call retries.
#pragma once
#include "journal/journalentry.h"

#include <QList>
#include <QString>
#include <functional>
#include <optional>

namespace kelto {

// What a store call came to.
struct TStoreResult {
    enum TKind {
        Done,
        Failed,      // the store refused (read-only folder, full disk, connection lost …): `reason`
        Changed,     // the change check: someone saved the entry since it was read; `theirs` holds it
        NumberTaken, // the conclusion's number is used by another conclusion of that year
        Missing,     // no entry or conclusion with that id
        Damaged,     // Open: the store is no journal or fails its check (`reason` says what is wrong)
    };
    TKind kind = Done;
    QString reason; // in Russian, ready for a box (empty when Done)
    std::optional<TJournalEntry> theirs;

    bool IsDone() const { return kind == Done; }
    // A failure handed to `out` (when given); true for a failure. For the
    // calls that answer with a list and the failure on the side; a success
    // leaves `out` as it was.
    bool FailedInto(TStoreResult* out) const
    {
        if (IsDone())
            return false;
        if (out)
            *out = *this;
        return true;
    }
    static TStoreResult Fail(const QString& why) { return {Failed, why, std::nullopt}; }
};

// The columns of the journal's table, in the table's order; also the sort keys.
enum class TJournalColumn {
    Number, // "№": the entry's id
    Date,
    Object,
    Joint,
    Pipe,
    Method,
    Source,
    Films,
    Sensitivity,
    Defects,
    Verdict,
    Conclusion,
    Performer,
};
constexpr int JournalColumnCount = 13;

// Which entries a list shows and in what order.
struct TJournalQuery {
    // The search field as typed (journalrules.h: JournalSearchKey folds it the
    // way the stored search text is folded; a date finds its day, month or
    // year). Empty: every entry.
    QString text;
    std::optional<TVerdict> verdict; // the filter on "Оценка"; none: all
    TJournalColumn sortBy = TJournalColumn::Date;
    bool descending = true; // newest first; ties fall back to the id, same direction
    bool withDeleted = false;
};

class TJournalStore {
public:
    virtual ~TJournalStore() = default;

    // Where the journal is, as a box names it: the file's full path or the
    // server's "database on host".
    virtual QString Place() const = 0;

    // Connects or opens, creating the tables in an empty store and upgrading
    // an older schema with every row kept. Called once before anything else;
    // after a failure the store may be opened again.
    virtual TStoreResult Open() = 0;
    virtual bool IsOpen() const = 0;
    // The store's check of itself that Open left running (a file journal
    // reads every page on a thread of its own while the first rows show):
    // nothing while it runs, then its result. Damaged: the store failed it
    // and takes no change. A store without such a check: done at once.
    virtual std::optional<TStoreResult> BackgroundCheck() { return TStoreResult{}; }
    // The schema version the store is at (the program writes CurrentSchema).
    virtual int SchemaVersion() = 0;

    // The ids of the entries the query finds, in its order. Empty on failure
    // (`failure`, when given, receives the result).
    virtual QList<qint64> Find(const TJournalQuery& query, TStoreResult* failure = nullptr) = 0;
    // The first `count` ids of what Find finds, in its order: the table's
    // first rows without reading the whole list. A store without a quicker
    // way answers with Find.
    virtual QList<qint64> FindFirst(const TJournalQuery& query, qsizetype count, TStoreResult* failure = nullptr)
    {
        QList<qint64> ids = Find(query, failure);
        if (ids.size() > count)
            ids.resize(count);
        return ids;
    }
    // Find as a job for another thread: it opens a connection of its own and
    // touches nothing of the store, so the window stays answerable while a
    // text found in most of a large journal is listed whole. Empty when the
    // store has no such way (the window then calls Find).
    using TFindJob = std::function<QList<qint64>(TStoreResult* failure)>;
    virtual TFindJob FindJob(const TJournalQuery&) { return {}; }
    // The entries of `ids` in that order (ids not found are left out).
    virtual QList<TJournalEntry> Load(const QList<qint64>& ids, TStoreResult* failure = nullptr) = 0;
    // The entries of `ids` in that order, handed to `each` a page at a time as
    // they are read (who made and changed them may be left out): the CSV of a
    // whole journal without holding it twice. The first failure ends it.
    virtual TStoreResult ForEachEntry(const QList<qint64>& ids, const std::function<void(const TJournalEntry&)>& each)
    {
        constexpr qsizetype page = 1000;
        for (qsizetype from = 0; from < ids.size(); from += page) {
            TStoreResult failure;
            for (const TJournalEntry& e : Load(ids.mid(from, page), &failure))
                each(e);
            if (!failure.IsDone())
                return failure;
        }
        return {};
    }
    // How many entries there are, deleted ones not counted.
    virtual qint64 Count() = 0;

    // Saves `entry`: a new one (id 0) gets its id; a stored one is written
    // only when the store still holds it at `entry.revision` (else Changed,
    // `theirs` filled, nothing written). On success `entry` is updated to
    // what was stored (id, revision, who and when).
    virtual TStoreResult Save(TJournalEntry& entry) = 0;
    // Marks the entry deleted (it leaves Find unless withDeleted) or brings it back.
    virtual TStoreResult SetDeleted(qint64 id, bool deleted) = 0;
    TStoreResult Delete(qint64 id) { return SetDeleted(id, true); }
    TStoreResult Undelete(qint64 id) { return SetDeleted(id, false); }

    // The number a new conclusion of `year` would get now (for the window to
    // propose; the saving transaction takes it again).
    virtual int NextConclusionNumber(int year) = 0;
    // Saves a new conclusion and writes its number into each of its entries,
    // in one transaction. `conclusion.number.number` 0 takes the next free one
    // of the year; a number already used that year is NumberTaken, nothing
    // written. On success `conclusion` holds its id and number.
    virtual TStoreResult SaveConclusion(TConclusion& conclusion) = 0;
    virtual std::optional<TConclusion> LoadConclusion(const TConclusionNumber& number) = 0;

    // A number that moves whenever anyone changed the journal (another
    // program on a shared server too): an open window asks it every few
    // seconds and reloads when it moved. A store with one writer keeps 0.
    virtual qint64 ChangeMark() { return 0; }
    // What the window shows of the store's own state, in Russian: a server
    // out of reach ("Сервер журнала недоступен: …") and the entries waiting
    // to be sent. Empty when there is nothing to say.
    virtual QString StateText() { return {}; }
};

// The calls every store defines for the window, the conclusion and the CSV,
// declared once: a store's class writes KELTO_JOURNAL_STORE_CALLS and
// defines each of them in its .cpp.
#define KELTO_JOURNAL_STORE_CALLS                                                                                      \
    int SchemaVersion() override;                                                                                      \
    QList<qint64> Find(const TJournalQuery& query, TStoreResult* failure = nullptr) override;                          \
    QList<TJournalEntry> Load(const QList<qint64>& ids, TStoreResult* failure = nullptr) override;                     \
    qint64 Count() override;                                                                                           \
    TStoreResult Save(TJournalEntry& entry) override;                                                                  \
    TStoreResult SetDeleted(qint64 id, bool deleted) override;                                                         \
    int NextConclusionNumber(int year) override;                                                                       \
    TStoreResult SaveConclusion(TConclusion& conclusion) override;                                                     \
    std::optional<TConclusion> LoadConclusion(const TConclusionNumber& number) override;

// The schema version this program writes. Older stores are upgraded on Open.
constexpr int CurrentJournalSchema = 2;

} // namespace kelto
