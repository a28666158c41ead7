#include "docs/view/docslist.h"
#include "docs/documents.h"
#include "core/error.h"
#include "gui/shellopen.h"
#include "gui/designfont.h"
#include "gui/report.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QShortcut>
#include <QSignalBlocker>
#include <QStyledItemDelegate>

namespace kelto {

bool OpenDocument(const TReferenceDocument& document)
{
    if (!DocumentPresent(document)) {
        ShowInformation(WithFullStop(MissingDocumentText(document)));
        return false;
    }
    OpenWithShell(DocumentPath(document), [document] { ShowWarning(NoViewerText(document)); });
    return true;
}

bool OpenDocument(int document)
{
    return OpenDocument(ReferenceDocuments.at(static_cast<std::size_t>(document)));
}

void OpenUserGuide()
{
    Guarded([] { OpenDocument(UserGuide); });
}

void InstallUserGuideKey(QWidget* window)
{
    auto* key = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F1), window);
    key->setContext(Qt::ApplicationShortcut);
    QObject::connect(key, &QShortcut::activated, window, &OpenUserGuide);
}

namespace {

constexpr int ItemHeight = 13;
constexpr int FontPixels = 12;
const QColor Teal(0, 128, 128);
const QColor MissingGrey(150, 150, 150);

class TFixedHeightDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return {QStyledItemDelegate::sizeHint(option, index).width(), ItemHeight};
    }
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        // One entry is drawn as chosen: the one the arrow keys reached (where
        // Return will go), else the selected one; never both.
        QStyleOptionViewItem opt(option);
        const auto* view = qobject_cast<const QAbstractItemView*>(option.widget);
        const QModelIndex current = view ? view->currentIndex() : QModelIndex();
        const bool chosen = current.isValid() ? index == current : bool(opt.state & QStyle::State_Selected);
        opt.state.setFlag(QStyle::State_Selected, chosen);
        QStyledItemDelegate::paint(painter, opt, index);
    }
};

void OpenDocumentOrReport(int document)
{
    Guarded([document] { OpenDocument(document); });
}

} // namespace

TDocsList::TDocsList(QWidget* parent)
    : QListWidget(parent)
{
    setObjectName(QStringLiteral("lb"));
    setFont(DesignFont(FontPixels));
    QPalette pal = palette();
    const QColor background = parent ? parent->palette().color(QPalette::Window) : pal.color(QPalette::Window);
    pal.setColor(QPalette::Base, background);
    pal.setColor(QPalette::Text, Teal);
    setPalette(pal);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setItemDelegate(new TFixedHeightDelegate(this));
    setUniformItemSizes(true);
    for (const auto& doc : ReferenceDocuments)
        addItem(doc.CaptionText());

    // Only a real change of the selection opens: the focus coming in by Tab
    // moves the current row without selecting it.
    connect(this, &QListWidget::itemSelectionChanged, this, &TDocsList::OnSelectionChanged);
    hide();
}

void TDocsList::Toggle()
{
    if (isHidden()) {
        raise();
        show();
    } else {
        HideList();
    }
}

void TDocsList::ToggleFromKeyboard()
{
    if (!isHidden()) {
        HideList();
        return;
    }
    raise();
    show();
    if (!currentItem())
        setCurrentRow(0, QItemSelectionModel::NoUpdate);
    setFocus(Qt::ShortcutFocusReason);
}

void TDocsList::HideList()
{
    hide();
}

void TDocsList::RefreshPresence()
{
    for (int i = 0; i < count() && i < int(ReferenceDocuments.size()); ++i) {
        QListWidgetItem* it = item(i);
        if (DocumentPresent(i)) {
            it->setData(Qt::ForegroundRole, QVariant());
            it->setToolTip(QString());
        } else {
            it->setForeground(MissingGrey);
            it->setToolTip(WithFullStop(MissingDocumentText(i)));
        }
    }
}

int TDocsList::SelectedIndex() const
{
    const QList<QListWidgetItem*> items = selectedItems();
    return items.isEmpty() ? -1 : row(items.first());
}

void TDocsList::OpenSelectedDocument()
{
    const int index = SelectedIndex();
    if (index < 0 || index >= int(ReferenceDocuments.size())) {
        HideList();
        return;
    }
    Guarded([this, index] {
        if (OpenDocument(index))
            HideList();
    });
}

void TDocsList::HideOnFocusLoss()
{
    HideList();
}

void TDocsList::OnSelectionChanged()
{
    if (!m_leftDown && isVisible())
        OpenSelectedDocument();
}

bool TDocsList::TakeLeftPress(QMouseEvent* event)
{
    // Only the left button chooses, as in the list boxes this one stands for.
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return false;
    }
    m_leftDown = true;
    return true;
}

void TDocsList::mousePressEvent(QMouseEvent* event)
{
    if (TakeLeftPress(event))
        QListWidget::mousePressEvent(event);
}

void TDocsList::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() & ~Qt::LeftButton) {
        event->accept();
        return;
    }
    QListWidget::mouseMoveEvent(event);
}

void TDocsList::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_leftDown) {
        event->accept();
        return;
    }
    QListWidget::mouseReleaseEvent(event);
    m_leftDown = false;
    // A click counts even on the item that was already selected.
    OpenSelectedDocument();
}

void TDocsList::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The second press of a double click is one more click.
    if (TakeLeftPress(event))
        QListWidget::mouseDoubleClickEvent(event);
}

void TDocsList::focusOutEvent(QFocusEvent* event)
{
    QListWidget::focusOutEvent(event);
    // A message box or another application taking the activation is not a
    // move to another control: the list stays, as after a failed opening.
    if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason)
        return;
    HideOnFocusLoss();
}

void TDocsList::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && event->modifiers() == Qt::NoModifier) {
        event->accept();
        if (QListWidgetItem* it = currentItem()) {
            {
                // One opening, whether or not the selection changes.
                const QSignalBlocker quiet(this);
                setCurrentItem(it, QItemSelectionModel::ClearAndSelect);
            }
            OpenSelectedDocument();
        }
        return;
    }
    QListWidget::keyPressEvent(event);
}

QItemSelectionModel::SelectionFlags TDocsList::selectionCommand(const QModelIndex& index, const QEvent* event) const
{
    if (event && event->type() == QEvent::KeyPress)
        return QItemSelectionModel::NoUpdate;
    return QListWidget::selectionCommand(index, event);
}

void TDocsList::showEvent(QShowEvent* event)
{
    RefreshPresence();
    QListWidget::showEvent(event);
    emit shownChanged(true);
}

void TDocsList::hideEvent(QHideEvent* event)
{
    QListWidget::hideEvent(event);
    emit shownChanged(false);
}

TSpravkaMenu::TSpravkaMenu(QWidget* parent)
    : QMenu(parent)
{
    setObjectName(QStringLiteral("pmSpravka"));
    for (const TSpravkaMenuItem& item : SpravkaMenuItems) {
        QAction* a = addAction(ReferenceDocuments[std::size_t(item.document)].CaptionText());
        a->setObjectName(QString::fromLatin1(item.objectName));
        connect(a, &QAction::triggered, this, [document = item.document] { OpenDocumentOrReport(document); });
    }
}

QMenu* CreateSpravkaMenu(QWidget* parent)
{
    return new TSpravkaMenu(parent);
}

} // namespace kelto
