#include "diary/view/searchpanel.h"
#include "core/cp1251.h"

#include <QAbstractListModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QVBoxLayout>
#include <algorithm>

namespace kelto {

QByteArray NoteBytes(const TDayRecord& record)
{
    // The store holds the note as log.cnf does (each line ended by CR LF), so
    // the panel shares those bytes instead of encoding anything.
    return record.Note;
}

// The found days, by their place in the panel's notes; the row texts are made
// only for the rows the list shows.
class TFoundDaysModel : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;
    struct TRow {
        QDate date;
        QByteArrayView bytes;
    };
    void reset(std::vector<TRow> rows)
    {
        beginResetModel();
        m_rows = std::move(rows);
        endResetModel();
    }
    const TRow& at(int row) const { return m_rows[size_t(row)]; }
    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : int(m_rows.size()); }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::DisplayRole || !index.isValid())
            return {};
        const TRow& r = at(index.row());
        qsizetype end = r.bytes.indexOf('\r');
        const qsizetype lf = r.bytes.indexOf('\n');
        if (end < 0 || (lf >= 0 && lf < end))
            end = lf;
        QByteArrayView first = end < 0 ? r.bytes : r.bytes.first(end);
        // The list shortens the row to its width with "…"; this only keeps a
        // very long line from costing layout time.
        first = first.first(std::min<qsizetype>(first.size(), 300));
        return r.date.toString(QStringLiteral("dd.MM.yyyy")) + QStringLiteral(" — ") + FromCp1251(first.toByteArray());
    }

private:
    std::vector<TRow> m_rows;
};

TSearchPanel::TSearchPanel(const DayList& store, QWidget* parent)
    : QWidget(parent)
    , m_store(store)
{
    setObjectName(QStringLiteral("pSearch"));
    setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);

    eFind = new QLineEdit(this);
    eFind->setObjectName(QStringLiteral("eFind"));
    eFind->setPlaceholderText(QStringLiteral("Что найти"));
    eFind->installEventFilter(this);
    layout->addWidget(eFind);

    m_model = new TFoundDaysModel(this);
    lbFound = new QListView(this);
    lbFound->setObjectName(QStringLiteral("lbFound"));
    lbFound->setModel(m_model);
    lbFound->setUniformItemSizes(true);
    lbFound->setTextElideMode(Qt::ElideRight);
    lbFound->setWordWrap(false);
    lbFound->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lbFound->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lbFound->installEventFilter(this);
    layout->addWidget(lbFound, 1);

    lFound = new QLabel(this);
    lFound->setObjectName(QStringLiteral("lFound"));
    layout->addWidget(lFound);

    connect(eFind, &QLineEdit::textChanged, this, &TSearchPanel::QueryChanged);
    connect(lbFound, &QListView::doubleClicked, this, [this](const QModelIndex& i) { Choose(i.row()); });
    hide();
}

void TSearchPanel::Open()
{
    m_notes.clear();
    m_notes.reserve(size_t(m_store.size()));
    for (const TDayRecord& r : m_store)
        m_notes.push_back({r.Date, NoteBytes(r)});
    // Newest first; records of one date keep their store order.
    std::stable_sort(m_notes.begin(), m_notes.end(), [](const TNote& a, const TNote& b) { return a.date > b.date; });
    QueryChanged();
    show();
    raise();
    eFind->setFocus(Qt::ShortcutFocusReason);
    eFind->selectAll();
}

void TSearchPanel::Close()
{
    if (isHidden())
        return;
    hide();
    m_model->reset({});
    m_notes.clear();
    emit closed();
}

void TSearchPanel::QueryChanged()
{
    const TNoteMatcher matcher(eFind->text());
    std::vector<TFoundDaysModel::TRow> rows;
    if (!matcher.IsEmpty())
        for (const TNote& n : m_notes)
            if (matcher.Matches(n.bytes))
                rows.push_back({n.date, n.bytes});
    m_model->reset(std::move(rows));
    if (m_model->rowCount() > 0)
        lbFound->setCurrentIndex(m_model->index(0));
    lFound->setText(QStringLiteral("Найдено: %1").arg(m_model->rowCount()));
}

void TSearchPanel::Choose(int row)
{
    if (row < 0 || row >= m_model->rowCount())
        return;
    const auto r = m_model->at(row);
    const TNoteSpan span = NotepadSpan(r.bytes, TNoteMatcher(eFind->text()).Find(r.bytes));
    const QDate date = r.date;
    Close();
    emit dayChosen(date, span);
}

bool TSearchPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && (watched == eFind || watched == lbFound)) {
        auto* k = static_cast<QKeyEvent*>(event);
        switch (k->key()) {
        case Qt::Key_Escape: Close(); return true;
        case Qt::Key_Return:
        case Qt::Key_Enter: Choose(watched == eFind ? 0 : lbFound->currentIndex().row()); return true;
        case Qt::Key_Down:
            if (watched == eFind && m_model->rowCount() > 0) {
                lbFound->setFocus();
                return true;
            }
            break;
        default: break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace kelto
