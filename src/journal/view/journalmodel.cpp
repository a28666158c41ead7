#include "journal/view/journalmodel.h"
#include "journal/journalrules.h"

#include <QColor>
#include <QSet>

namespace kelto {

namespace {
constexpr int Page = 100; // rows read at once: a screenful and some
}

TJournalModel::TJournalModel(TJournalStore& store, QObject* parent)
    : QAbstractTableModel(parent)
    , m_store(store)
{
    m_jobs.setMaxThreadCount(1);
}

TJournalModel::~TJournalModel()
{
    ++m_generation;
    m_jobs.clear();
    m_jobs.waitForDone();
}

TStoreResult TJournalModel::SetQuery(const TJournalQuery& query)
{
    m_query = query;
    return Reload();
}

TStoreResult TJournalModel::Reload()
{
    const quint64 generation = ++m_generation;
    TStoreResult failure;
    QList<qint64> ids;
    bool complete = true;
    if (TJournalStore::TFindJob job = m_store.FindJob(m_query)) {
        ids = m_store.FindFirst(m_query, FirstRows + 1, &failure);
        if (ids.size() > FirstRows) {
            ids.resize(FirstRows);
            complete = false;
            m_jobs.start([this, generation, job = std::move(job)] {
                if (generation != m_generation)
                    return;
                TStoreResult r;
                const QList<qint64> all = job(&r);
                QMetaObject::invokeMethod(
                    this, [this, generation, all, r] { Take(generation, all, r); }, Qt::QueuedConnection);
            });
        }
    } else {
        ids = m_store.Find(m_query, &failure);
    }
    beginResetModel();
    m_ids = std::move(ids);
    m_held.clear();
    m_complete = complete;
    endResetModel();
    return failure;
}

void TJournalModel::Take(quint64 generation, const QList<qint64>& ids, const TStoreResult& result)
{
    if (generation != m_generation || m_complete)
        return;
    if (result.IsDone()) {
        m_complete = true;
        // The rows shown keep their places (an entry saved meanwhile among
        // them); the rest follow in the query's order.
        const QSet<qint64> shown(m_ids.cbegin(), m_ids.cend());
        QList<qint64> rest;
        for (qint64 id : ids)
            if (!shown.contains(id))
                rest.append(id);
        if (!rest.isEmpty()) {
            beginInsertRows({}, int(m_ids.size()), int(m_ids.size() + rest.size() - 1));
            m_ids += rest;
            endInsertRows();
        }
    }
    emit Completed(result);
}

TStoreResult TJournalModel::Complete()
{
    if (m_complete)
        return {};
    ++m_generation; // the job's list, when it comes, is not needed
    TStoreResult failure;
    const QList<qint64> ids = m_store.Find(m_query, &failure);
    Take(m_generation, ids, failure);
    return failure;
}

void TJournalModel::Fetch(int row) const
{
    const int from = row - row % Page;
    const QList<qint64> page = m_ids.mid(from, Page);
    for (TJournalEntry& e : m_store.Load(page))
        m_held.insert(e.id, std::move(e));
    // An id the store no longer has stays a blank row instead of being read again.
    for (qint64 id : page)
        if (!m_held.contains(id)) {
            TJournalEntry gone;
            gone.id = id;
            m_held.insert(id, gone);
        }
}

std::optional<TJournalEntry> TJournalModel::EntryAt(int row) const
{
    const qint64 id = IdAt(row);
    if (id == 0)
        return std::nullopt;
    if (!m_held.contains(id))
        Fetch(row);
    return m_held.value(id);
}

void TJournalModel::Update(const TJournalEntry& entry)
{
    const int row = RowOf(entry.id);
    if (row < 0) {
        beginInsertRows({}, 0, 0);
        m_ids.prepend(entry.id);
        m_held.insert(entry.id, entry);
        endInsertRows();
        return;
    }
    m_held.insert(entry.id, entry);
    emit dataChanged(index(row, 0), index(row, JournalColumnCount - 1));
}

int TJournalModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_ids.size());
}

int TJournalModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : JournalColumnCount;
}

QVariant TJournalModel::data(const QModelIndex& index, int role) const
{
    if (index.isValid() && role == Qt::ForegroundRole) {
        const auto e = EntryAt(index.row());
        return e && e->deleted ? QVariant(QColor(Qt::gray)) : QVariant();
    }
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    const auto e = EntryAt(index.row());
    if (!e)
        return {};
    QString text = JournalCellText(*e, index.column());
    if (role == Qt::DisplayRole)
        text.replace(QLatin1Char('\n'), QLatin1Char(' ')).remove(QLatin1Char('\r'));
    return text;
}

QVariant TJournalModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return JournalColumnTitles().value(section);
}

void TJournalModel::sort(int column, Qt::SortOrder order)
{
    const auto sortBy = static_cast<TJournalColumn>(std::clamp(column, 0, JournalColumnCount - 1));
    const bool descending = order == Qt::DescendingOrder;
    // The view repeats the order it has (when sorting is switched on, when the
    // indicator is set): on a large journal on a server each query counts.
    if (sortBy == m_query.sortBy && descending == m_query.descending)
        return;
    m_query.sortBy = sortBy;
    m_query.descending = descending;
    Reload();
}

} // namespace kelto
