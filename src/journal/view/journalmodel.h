// The journal's table: the ids a query found, their entries read from the
// store a page at a time as rows come into view, so the first rows show at
// once whatever the journal's size. Sorting asks the store again. A query
// that finds more than a screenful shows its first rows at once; the whole
// list follows from a job on another thread (Completed), when the store has
// one.
#pragma once
#include "journal/journalstore.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QThreadPool>
#include <atomic>

namespace kelto {

class TJournalModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TJournalModel(TJournalStore& store, QObject* parent = nullptr);
    ~TJournalModel() override;

    // Rows shown before the whole list is in.
    static constexpr int FirstRows = 200;

    // Runs `query` (its sort replaced by the header's); the failure, if any.
    TStoreResult SetQuery(const TJournalQuery& query);
    const TJournalQuery& Query() const { return m_query; }
    // The query again, the rows' entries read anew.
    TStoreResult Reload();

    qint64 IdAt(int row) const { return row >= 0 && row < m_ids.size() ? m_ids[row] : 0; }
    int RowOf(qint64 id) const { return int(m_ids.indexOf(id)); }
    const QList<qint64>& Ids() const { return m_ids; }
    // Whether the rows are every id the query finds (else the first ones,
    // the rest on their way).
    bool IsComplete() const { return m_complete; }
    // The whole list now, read here when its job has not brought it yet (for
    // the CSV and the conclusion of all found); the failure, if any.
    TStoreResult Complete();
    // The entry of a row, read when not held yet; nothing for a row out of range.
    std::optional<TJournalEntry> EntryAt(int row) const;
    // A saved entry replaces the one held (its row keeps its place until the next query).
    void Update(const TJournalEntry& entry);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    void sort(int column, Qt::SortOrder order) override;

signals:
    // The whole list is in (the rows after the first ones added), or its job failed.
    void Completed(const kelto::TStoreResult& result);

private:
    void Fetch(int row) const;
    void Take(quint64 generation, const QList<qint64>& ids, const TStoreResult& result);

    TJournalStore& m_store;
    TJournalQuery m_query;
    QList<qint64> m_ids;
    mutable QHash<qint64, TJournalEntry> m_held;
    bool m_complete = true;
    // Which query's job may still deliver: each query moves it on.
    std::atomic<quint64> m_generation{0};
    QThreadPool m_jobs; // one thread: a later query's job waits, an outdated one does not run
};

} // namespace kelto
