// The journal's table: the ids a query found, their entries read from the
// store a page at a time as rows come into view, so the first rows show at
// once whatever the journal's size. Sorting asks the store again.
#pragma once
#include "journal/journalstore.h"

#include <QAbstractTableModel>
#include <QHash>

namespace kelto {

class TJournalModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TJournalModel(TJournalStore& store, QObject* parent = nullptr);

    // Runs `query` (its sort replaced by the header's); the failure, if any.
    TStoreResult SetQuery(const TJournalQuery& query);
    const TJournalQuery& Query() const { return m_query; }
    // The query again, the rows' entries read anew.
    TStoreResult Reload();

    qint64 IdAt(int row) const { return row >= 0 && row < m_ids.size() ? m_ids[row] : 0; }
    int RowOf(qint64 id) const { return int(m_ids.indexOf(id)); }
    const QList<qint64>& Ids() const { return m_ids; }
    // The entry of a row, read when not held yet; nothing for a row out of range.
    std::optional<TJournalEntry> EntryAt(int row) const;
    // A saved entry replaces the one held (its row keeps its place until the next query).
    void Update(const TJournalEntry& entry);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    void sort(int column, Qt::SortOrder order) override;

private:
    void Fetch(int row) const;

    TJournalStore& m_store;
    TJournalQuery m_query;
    QList<qint64> m_ids;
    mutable QHash<qint64, TJournalEntry> m_held;
};

} // namespace kelto
