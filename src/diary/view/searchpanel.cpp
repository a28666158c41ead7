#include "diary/view/searchpanel.h"
#include "core/cp1251.h"

#include <QAbstractListModel>
#include <QApplication>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTextLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>

namespace kelto {

QByteArray NoteBytes(const TDayRecord& record)
{
    // The store holds the note as log.cnf does (each line ended by CR LF), so
    // the panel shares those bytes instead of encoding anything.
    return record.Note;
}

namespace {
enum TFoundRole { DateRole = Qt::UserRole, FragmentRole, MatchStartRole, MatchLengthRole };
} // namespace

// The found days, by their place in the panel's notes; the row texts (the
// words round the first match) are made only for the rows the list shows.
class TFoundDaysModel : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;
    struct TRow {
        QDate date;
        QByteArrayView bytes;
    };
    void reset(std::vector<TRow> rows, std::shared_ptr<const TNoteMatcher> matcher)
    {
        beginResetModel();
        m_rows = std::move(rows);
        m_matcher = std::move(matcher);
        endResetModel();
    }
    const TRow& at(int row) const { return m_rows[size_t(row)]; }
    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : int(m_rows.size()); }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || !m_matcher)
            return {};
        const TRow& r = at(index.row());
        const QString date = r.date.toString(QStringLiteral("dd.MM.yyyy"));
        if (role == DateRole)
            return date;
        const TNoteFragment f = NoteFragment(r.bytes, m_matcher->Find(r.bytes));
        switch (role) {
        case Qt::DisplayRole: return date + QStringLiteral(" — ") + f.text;
        case FragmentRole: return f.text;
        case MatchStartRole: return int(f.matchStart);
        case MatchLengthRole: return int(f.matchLength);
        default: return {};
        }
    }

private:
    std::vector<TRow> m_rows;
    std::shared_ptr<const TNoteMatcher> m_matcher;
};

namespace {

// A found day as two parts: its date, then the words round the match over
// at most two lines, the match in bold on a marker colour.
class TFoundDayDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    static constexpr int FragmentLines = 2;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override
    {
        return {option.rect.width(), QFontMetrics(option.font).lineSpacing() * (1 + FragmentLines) + 4};
    }

    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        opt.text.clear();
        const QWidget* w = opt.widget;
        QStyle* style = w ? w->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &opt, p, w);
        const bool selected = opt.state & QStyle::State_Selected;
        const QColor ink = opt.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
        const QRect r = opt.rect.adjusted(3, 2, -3, -2);
        const QFontMetrics fm(opt.font);

        p->save();
        p->setClipRect(opt.rect);
        QFont dateFont = opt.font;
        dateFont.setBold(true);
        p->setFont(dateFont);
        p->setPen(ink);
        p->drawText(QRect(r.left(), r.top(), r.width(), fm.lineSpacing()), Qt::AlignLeft | Qt::AlignVCenter,
                    index.data(DateRole).toString());

        const QString text = index.data(FragmentRole).toString();
        QTextLayout layout(text, opt.font);
        const int start = index.data(MatchStartRole).toInt();
        if (start >= 0) {
            QTextLayout::FormatRange mark;
            mark.start = start;
            mark.length = index.data(MatchLengthRole).toInt();
            mark.format.setFontWeight(QFont::Bold);
            if (!selected)
                mark.format.setBackground(QColor(255, 230, 120));
            layout.setFormats({mark});
        }
        QTextOption wrap;
        wrap.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(wrap);
        layout.beginLayout();
        int y = 0;
        for (int i = 0; i < FragmentLines; ++i) {
            QTextLine line = layout.createLine();
            if (!line.isValid())
                break;
            line.setLineWidth(r.width());
            line.setPosition(QPointF(0, y));
            y += fm.lineSpacing();
        }
        layout.endLayout();
        layout.draw(p, QPointF(r.left(), r.top() + fm.lineSpacing()));
        p->restore();
    }
};

} // namespace

TSearchPanel::TSearchPanel(const TDayList& store, QWidget* parent)
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
    lbFound->setItemDelegate(new TFoundDayDelegate(lbFound));
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
    m_model->reset({}, nullptr);
    m_notes.clear();
    emit closed();
}

void TSearchPanel::QueryChanged()
{
    auto matcher = std::make_shared<const TNoteMatcher>(eFind->text());
    std::vector<TFoundDaysModel::TRow> rows;
    if (!matcher->IsEmpty())
        matcher->ForEachMatch(
            qsizetype(m_notes.size()),
            [this](qsizetype i) {
                const TNote& n = m_notes[size_t(i)];
                return std::pair<QDate, QByteArrayView>(n.date, n.bytes);
            },
            [&](qsizetype i) {
                rows.push_back({m_notes[size_t(i)].date, m_notes[size_t(i)].bytes});
            });
    m_model->reset(std::move(rows), std::move(matcher));
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
