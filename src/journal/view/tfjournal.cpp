#include "journal/view/tfjournal.h"
#include "core/clock.h"
#include "core/programfolder.h"
#include "core/textfile.h"
#include "gui/report.h"
#include "journal/journalrules.h"
#include "journal/view/journalmodel.h"
#include "journal/view/tfconclusion.h"
#include "journal/view/journalwidgets.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QSplitter>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <tuple>

namespace kelto {

namespace {

template <class T> T* Named(T* w, const char* name)
{
    w->setObjectName(QLatin1String(name));
    return w;
}

QString Who(const TJournalEntry& e)
{
    return e.changedBy.isEmpty() ? QStringLiteral("другим пользователем") : QStringLiteral("пользователем ") + e.changedBy;
}

// A count of rows as Russian writes it: "100 000".
QString Rows(const TJournalModel& model)
{
    return QLocale(QLocale::Russian).toString(model.rowCount());
}

} // namespace

TfJournal::TfJournal(std::unique_ptr<TJournalStore> store, QWidget* parent)
    : TToolWindow(parent, "fJournal", QStringLiteral("Журнал контроля"), QSize(760, 460), {}, TSizing::Resizable)
    , m_store(std::move(store))
{
    m_model = new TJournalModel(*m_store, this);
    connect(m_model, &TJournalModel::Completed, this, [this](const TStoreResult& r) {
        // The current entry may be past the first rows.
        if (!tvEntries->selectionModel()->hasSelection())
            SelectId(m_current.id);
        if (!std::exchange(m_countAwaited, false))
            return;
        lStatus->setText(r.IsDone() ? QStringLiteral("Найдено записей: %1").arg(Rows(*m_model))
                                    : QStringLiteral("Найдено записей: более %1; весь список не прочитан: %2")
                                          .arg(Rows(*m_model), r.reason));
    });
    BuildControls();
    resize(1100, 640);
    if (const TStoreResult r = m_model->SetQuery({}); !r.IsDone())
        ReportFailure(QStringLiteral("Журнал не прочитан"), r);
    tvEntries->horizontalHeader()->setSortIndicator(int(TJournalColumn::Date), Qt::DescendingOrder);
    // The form holds a blank entry first: choosing the newest row then has
    // nothing typed to save.
    ShowInForm(BlankEntry());
    if (m_model->rowCount() > 0)
        tvEntries->selectRow(0);
    // Others' entries appear within a few seconds; a store with one writer
    // keeps its mark still, and the question costs it nothing.
    m_changeMark = m_store->ChangeMark();
    // The store's own check runs on behind the first rows; its verdict is
    // asked for until it comes (told after the constructor, to whoever
    // listens by then, even when it came already).
    auto* check = new QTimer(this);
    check->start(50);
    connect(check, &QTimer::timeout, this, [this, check] {
        const std::optional<TStoreResult> r = m_store->BackgroundCheck();
        if (!r)
            return;
        check->deleteLater();
        if (r->kind == TStoreResult::Damaged) {
            lStatus->setText(QStringLiteral("Журнал повреждён: ") + r->reason);
            emit storeDamaged(r->reason);
        }
    });
    auto* follow = new QTimer(this);
    follow->start(2000);
    connect(follow, &QTimer::timeout, this, &TfJournal::FollowOthers);
}

void TfJournal::showEvent(QShowEvent* event)
{
    TToolWindow::showEvent(event);
    // What changed while it was hidden, at once rather than at the next tick.
    QTimer::singleShot(0, this, &TfJournal::FollowOthers);
}

void TfJournal::FollowOthers()
{
    // A hidden window asks nothing: a server out of reach costs nothing then.
    if (!isVisible())
        return;
    GuardedQuietly([this] {
        if (const qint64 mark = m_store->ChangeMark(); mark != m_changeMark) {
            m_changeMark = mark;
            m_model->Reload();
            SelectId(m_current.id);
        }
        const QString state = m_store->StateText();
        lStore->setText(state);
        lStore->setVisible(!state.isEmpty());
    });
}

TfJournal::~TfJournal() = default;

void TfJournal::BuildControls()
{
    eSearch = Named(new QLineEdit(this), "eSearch");
    eSearch->setPlaceholderText(QStringLiteral("Найти: текст или дата (09.12.2026, 12.2026, 2026)"));
    eSearch->setClearButtonEnabled(true);
    cbVerdictFilter = Named(new QComboBox(this), "cbVerdictFilter");
    cbVerdictFilter->addItem(QStringLiteral("Все оценки"), -1);
    for (TVerdict v : AllVerdicts())
        cbVerdictFilter->addItem(VerdictText(v), int(v));
    bConclusion = KeyedButton(this, "bConclusion", QStringLiteral("Заключение…"), QKeySequence(Qt::CTRL | Qt::Key_P));
    bCsv = KeyedButton(this, "bCsv", QStringLiteral("Выгрузить в CSV…"), {});
    chDeleted = Named(new QCheckBox(QStringLiteral("Показать &удалённые"), this), "chDeleted");
    lStore = Named(new QLabel(this), "lStore");
    lStore->setWordWrap(true);
    lStore->hide();
    auto* top = new QHBoxLayout;
    auto* lSearch = AddCaption(new QLabel(QStringLiteral("&Поиск:"), this));
    lSearch->setBuddy(eSearch);
    auto* lFilter = AddCaption(new QLabel(QStringLiteral("&Оценка:"), this));
    lFilter->setBuddy(cbVerdictFilter);
    top->addWidget(lSearch);
    top->addWidget(eSearch, 1);
    top->addWidget(lFilter);
    top->addWidget(cbVerdictFilter);
    top->addWidget(chDeleted);
    top->addWidget(bConclusion);
    top->addWidget(bCsv);

    tvEntries = Named(new QTableView(this), "tvEntries");
    tvEntries->setModel(m_model);
    tvEntries->setSelectionBehavior(QAbstractItemView::SelectRows);
    tvEntries->setSelectionMode(QAbstractItemView::ExtendedSelection);
    // Newest first from the start: switching sorting on then asks no other order.
    tvEntries->horizontalHeader()->setSortIndicator(int(TJournalColumn::Date), Qt::DescendingOrder);
    tvEntries->setSortingEnabled(true);
    tvEntries->setWordWrap(false);
    tvEntries->verticalHeader()->hide();
    tvEntries->verticalHeader()->setDefaultSectionSize(tvEntries->fontMetrics().height() + 6);
    tvEntries->horizontalHeader()->setStretchLastSection(true);
    const int widths[JournalColumnCount] = {50, 80, 160, 60, 80, 170, 120, 60, 110, 180, 80, 90, 120};
    for (int c = 0; c < JournalColumnCount; ++c)
        tvEntries->setColumnWidth(c, widths[c]);

    auto* form = new QWidget(this);
    auto* fl = new QFormLayout(form);
    fl->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    const auto edit = [&](const char* name, const QString& caption) {
        auto* e = Named(new QLineEdit(form), name);
        fl->addRow(caption, e);
        return e;
    };
    eDate = Named(new QDateEdit(form), "eDate");
    eDate->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    eDate->setCalendarPopup(true);
    fl->addRow(QStringLiteral("&Дата"), eDate);
    eObject = edit("eObject", QStringLiteral("О&бъект"));
    eJoint = edit("eJoint", QStringLiteral("&Стык"));
    ePipe = edit("ePipe", QStringLiteral("&Труба (D × S)"));
    eMaterial = edit("eMaterial", QStringLiteral("&Материал"));
    eMethod = edit("eMethod", QStringLiteral("М&етод"));
    eSource = edit("eSource", QStringLiteral("&Источник"));
    eSerial = edit("eSerial", QStringLiteral("&Заводской номер"));
    eFilms = Named(new QSpinBox(form), "eFilms");
    eFilms->setRange(0, 9999);
    auto* lFilms = new QLabel(QStringLiteral("С&нимков"), form);
    lFilms->setBuddy(eFilms); // the field, not the row it sits in
    fl->addRow(lFilms, FilmsRow(form));
    eFilmSize = edit("eFilmSize", QStringLiteral("&Размер плёнки"));
    eSensitivity = edit("eSensitivity", QStringLiteral("&Чувствительность"));
    eDefects = Named(new QPlainTextEdit(form), "eDefects");
    eDefects->setTabChangesFocus(true);
    eDefects->setFixedHeight(eDefects->fontMetrics().height() * 3 + 12);
    fl->addRow(QStringLiteral("Д&ефекты"), eDefects);
    cbVerdict = Named(new QComboBox(form), "cbVerdict");
    for (TVerdict v : AllVerdicts())
        cbVerdict->addItem(VerdictText(v), int(v));
    fl->addRow(QStringLiteral("Оцен&ка"), cbVerdict);
    eConclusion = edit("eConclusion", QStringLiteral("Заключение"));
    eConclusion->setReadOnly(true);
    ePerformer = edit("ePerformer", QStringLiteral("&Выполнил"));
    eNote = Named(new QPlainTextEdit(form), "eNote");
    eNote->setTabChangesFocus(true);
    eNote->setFixedHeight(eNote->fontMetrics().height() * 2 + 12);
    fl->addRow(QStringLiteral("&Примечание"), eNote);

    bNew = KeyedButton(form, "bNew", QStringLiteral("Новая запись"), QKeySequence(Qt::CTRL | Qt::Key_N));
    bSave = KeyedButton(form, "bSave", QStringLiteral("Сохранить"), QKeySequence(Qt::CTRL | Qt::Key_S));
    bDelete = KeyedButton(form, "bDelete", QStringLiteral("Удалить"), {});
    bDelete->setToolTip(QKeySequence(Qt::Key_Delete).toString(QKeySequence::NativeText));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(bNew);
    buttons->addWidget(bSave);
    buttons->addWidget(bDelete);
    fl->addRow(buttons);
    lStatus = AddCaption(Named(new QLabel(form), "lStatus"));
    lStatus->setWordWrap(true);
    fl->addRow(lStatus);

    // Delete in a field deletes a letter; on the table it deletes the entry.
    auto* del = new QShortcut(QKeySequence(Qt::Key_Delete), tvEntries, nullptr, nullptr, Qt::WidgetShortcut);
    connect(del, &QShortcut::activated, this, &TfJournal::DeleteCurrent);
    // A field's own Ctrl+Z undoes typing there; elsewhere it brings the last deleted entry back.
    auto* find = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), this);
    connect(find, &QShortcut::activated, this, [this] {
        eSearch->setFocus();
        eSearch->selectAll();
    });
    auto* undo = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z), this);
    connect(undo, &QShortcut::activated, this, &TfJournal::UndoDelete);

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(tvEntries);
    splitter->addWidget(form);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 1);
    splitter->setChildrenCollapsible(false);
    auto* main = new QVBoxLayout(this);
    main->addLayout(top);
    main->addWidget(lStore);
    main->addWidget(splitter, 1);

    // The form's captions take the plug-in's caption look.
    for (QLabel* caption : FormCaptions(fl))
        AddCaption(caption);
    SetInputs({eSearch, cbVerdictFilter, chDeleted, tvEntries, eDate, eObject, eJoint, ePipe, eMaterial, eMethod, eSource,
               eSerial, eFilms, eFilmSize, eSensitivity, eDefects, cbVerdict, eConclusion, ePerformer, eNote});
    // The buttons in the tab order after the inputs they act on.
    setTabOrder(chDeleted, bConclusion);
    setTabOrder(bConclusion, bCsv);
    setTabOrder(bCsv, tvEntries);
    setTabOrder(eNote, bNew);
    setTabOrder(bNew, bSave);
    setTabOrder(bSave, bDelete);

    // The search waits for a pause in typing, so a word typed fast is one
    // query, not one per letter; Enter searches at once.
    m_searchPause = new QTimer(this);
    m_searchPause->setSingleShot(true);
    m_searchPause->setInterval(SearchPauseMs);
    connect(m_searchPause, &QTimer::timeout, this, &TfJournal::Search);
    connect(eSearch, &QLineEdit::textChanged, m_searchPause, qOverload<>(&QTimer::start));
    connect(eSearch, &QLineEdit::returnPressed, this, &TfJournal::Search);
    connect(cbVerdictFilter, &QComboBox::currentIndexChanged, this, &TfJournal::Search);
    connect(chDeleted, &QCheckBox::toggled, this, &TfJournal::Search);
    connect(bNew, &QPushButton::clicked, this, &TfJournal::NewEntry);
    connect(bSave, &QPushButton::clicked, this, &TfJournal::Save);
    connect(bDelete, &QPushButton::clicked, this, &TfJournal::DeleteCurrent);
    connect(bConclusion, &QPushButton::clicked, this, &TfJournal::OpenConclusion);
    connect(bCsv, &QPushButton::clicked, this, &TfJournal::ExportCsv);
    connect(tvEntries->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& now, const QModelIndex& before) { OnRowChanged(now.row(), before.row()); });
    connect(tvEntries->horizontalHeader(), &QHeaderView::sectionResized, this, &TfJournal::layoutChanged);
}

QWidget* TfJournal::FilmsRow(QWidget* form)
{
    // The style's own arrows are a sliver beside a field in the plug-ins'
    // looks: "−" and "+" as buttons of a finger's width instead. The arrow
    // keys and the wheel step the field as ever; the buttons take no focus.
    eFilms->setButtonSymbols(QAbstractSpinBox::NoButtons);
    auto* row = new QWidget(form);
    // As tall as a field: the form's spare height goes below its rows.
    row->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    auto* h = new QHBoxLayout(row);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(2);
    h->addWidget(eFilms, 1);
    const int side = eFilms->sizeHint().height();
    for (const auto& [name, text, tip, step] : {std::tuple{"bFilmsLess", u"−", u"Меньше снимков", -1},
                                                std::tuple{"bFilmsMore", u"+", u"Больше снимков", 1}}) {
        auto* b = Named(new QPushButton(QString::fromUtf16(text), row), name);
        b->setFixedSize(side + 6, side);
        b->setToolTip(QString::fromUtf16(tip));
        b->setFocusPolicy(Qt::NoFocus);
        b->setAutoRepeat(true);
        connect(b, &QPushButton::clicked, eFilms, [this, step = step] { eFilms->stepBy(step); });
        h->addWidget(b);
    }
    return row;
}

TJournalEntry TfJournal::BlankEntry() const
{
    TJournalEntry e;
    e.date = Today();
    // A technician writes one after another: the performer stays.
    e.performer = m_current.performer;
    return e;
}

void TfJournal::ShowInForm(const TJournalEntry& e)
{
    m_current = e;
    eDate->setDate(e.date.isValid() ? e.date : Today());
    eObject->setText(e.object);
    eJoint->setText(e.joint);
    ePipe->setText(e.pipe);
    eMaterial->setText(e.material);
    eMethod->setText(e.method);
    eSource->setText(e.source);
    eSerial->setText(e.sourceSerial);
    eFilms->setValue(e.films);
    eFilmSize->setText(e.filmSize);
    eSensitivity->setText(e.sensitivity);
    eDefects->setPlainText(e.defects);
    cbVerdict->setCurrentIndex(cbVerdict->findData(int(e.verdict)));
    eConclusion->setText(e.conclusion);
    ePerformer->setText(e.performer);
    eNote->setPlainText(e.note);
    // What the form shows now is what it holds: a blank form compares as unchanged.
    m_current = FormEntry();
    bDelete->setEnabled(e.id != 0);
    bDelete->setText(e.deleted ? QStringLiteral("Вернуть") : QStringLiteral("Удалить"));
}

TJournalEntry TfJournal::FormEntry() const
{
    TJournalEntry e = m_current;
    e.date = eDate->date();
    e.object = eObject->text();
    e.joint = eJoint->text();
    e.pipe = ePipe->text();
    e.material = eMaterial->text();
    e.method = eMethod->text();
    e.source = eSource->text();
    e.sourceSerial = eSerial->text();
    e.films = eFilms->value();
    e.filmSize = eFilmSize->text();
    e.sensitivity = eSensitivity->text();
    e.defects = eDefects->toPlainText();
    e.verdict = static_cast<TVerdict>(cbVerdict->currentData().toInt());
    e.conclusion = eConclusion->text();
    e.performer = ePerformer->text();
    e.note = eNote->toPlainText();
    return e;
}

bool TfJournal::ReportFailure(const QString& what, const TStoreResult& r)
{
    if (r.IsDone())
        return false;
    ReportError(QStringLiteral("%1: %2.\nЖурнал: %3").arg(what, r.reason, QDir::toNativeSeparators(m_store->Place())));
    return true;
}

bool TfJournal::SaveTyped(bool report)
{
    TJournalEntry entry = FormEntry();
    if (entry.SameText(m_current))
        return true;
    TStoreResult r = m_store->Save(entry);
    if (r.kind == TStoreResult::Changed && r.theirs) {
        const TJournalEntry& theirs = *r.theirs;
        if (AskYes(QStringLiteral("Запись изменена %1 в %2.\n\nИх версия → ваша:\n%3\n\n"
                                  "Записать вашу версию поверх их?")
                       .arg(Who(theirs), theirs.changedAt.toString(QStringLiteral("HH:mm")),
                            EntryDifferences(theirs, entry).join(QLatin1Char('\n'))),
                   QMessageBox::Question, QStringLiteral("Записать мою"), QStringLiteral("Взять их"))) {
            entry.revision = theirs.revision;
            r = m_store->Save(entry);
        } else {
            ShowInForm(theirs);
            m_model->Update(theirs);
            return true;
        }
    }
    if (!r.IsDone()) {
        // A damaged journal is told once, by storeDamaged's box.
        if (report && r.kind != TStoreResult::Damaged)
            ReportFailure(QStringLiteral("Запись не сохранена"), r);
        lStatus->setText(QStringLiteral("Не сохранено: ") + r.reason);
        return false;
    }
    m_current = entry;
    bDelete->setEnabled(true);
    m_model->Update(entry);
    lStatus->setText(QStringLiteral("Сохранено: запись № %1").arg(entry.id));
    return true;
}

void TfJournal::SelectId(qint64 id)
{
    const int row = m_model->RowOf(id);
    QSignalBlocker block(tvEntries->selectionModel());
    if (row < 0) {
        tvEntries->clearSelection();
        return;
    }
    tvEntries->selectionModel()->setCurrentIndex(m_model->index(row, 0),
                                                 QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    tvEntries->scrollTo(m_model->index(row, 0));
}

void TfJournal::OnRowChanged(int row, int)
{
    Guarded([&] {
        const qint64 id = m_model->IdAt(row);
        if (id == m_current.id && id != 0)
            return;
        if (!SaveTyped()) {
            SelectId(m_current.id); // the form keeps what was typed and its entry stays chosen
            return;
        }
        if (const auto e = m_model->EntryAt(row))
            ShowInForm(*e);
    });
}

void TfJournal::FinishTyping()
{
    if (m_searchPause->isActive())
        Search();
}

void TfJournal::Search()
{
    m_searchPause->stop();
    Guarded([this] {
        if (!SaveTyped())
            return;
        TJournalQuery q = m_model->Query();
        q.text = eSearch->text();
        const int v = cbVerdictFilter->currentData().toInt();
        q.verdict = v < 0 ? std::nullopt : std::optional<TVerdict>(static_cast<TVerdict>(v));
        q.withDeleted = chDeleted->isChecked();
        const TStoreResult r = m_model->SetQuery(q);
        SelectId(m_current.id);
        m_countAwaited = r.IsDone() && !m_model->IsComplete();
        lStatus->setText(!r.IsDone()        ? QStringLiteral("Поиск не выполнен: ") + r.reason
                         : m_countAwaited ? QStringLiteral("Найдено записей: более %1, идёт подсчёт…").arg(Rows(*m_model))
                                          : QStringLiteral("Найдено записей: %1").arg(Rows(*m_model)));
    });
}

bool TfJournal::AddEntry(TJournalEntry entry)
{
    if (!SaveTyped())
        return false;
    entry.id = 0;
    const TStoreResult r = m_store->Save(entry);
    if (ReportFailure(QStringLiteral("Запись не добавлена в журнал"), r))
        return false;
    m_model->Update(entry);
    ShowInForm(entry);
    SelectId(entry.id);
    lStatus->setText(QStringLiteral("Добавлена запись № %1: впишите дефекты и оценку").arg(entry.id));
    eDefects->setFocus();
    return true;
}

std::optional<TJournalEntry> TfJournal::UnsavedEntry() const
{
    TJournalEntry typed = FormEntry();
    if (typed.SameText(m_current))
        return std::nullopt;
    return typed;
}

void TfJournal::TakeUnsaved(TJournalEntry typed)
{
    tvEntries->clearSelection();
    typed.id = 0;
    typed.revision = 0;
    ShowInForm(typed);
    // Held as a new entry not saved yet: the next save writes it.
    m_current = TJournalEntry{};
    bDelete->setEnabled(false);
    lStatus->setText(QStringLiteral("Не сохранено: запись перенесена из повреждённого журнала"));
}

void TfJournal::NewEntry()
{
    Guarded([this] {
        if (!SaveTyped())
            return;
        tvEntries->clearSelection();
        ShowInForm(BlankEntry());
        lStatus->setText(QStringLiteral("Новая запись"));
        eObject->setFocus();
    });
}

void TfJournal::Save()
{
    Guarded([this] { SaveTyped(); });
}

void TfJournal::DeleteCurrent()
{
    Guarded([this] {
        if (m_current.id == 0)
            return;
        if (m_current.deleted) { // shown with "Показать удалённые": brought back
            m_lastDeleted = m_current.id;
            UndoDelete();
            return;
        }
        if (!AskYes(QStringLiteral("Удалить запись № %1 (стык %2)?").arg(m_current.id).arg(m_current.joint)))
            return;
        const int row = m_model->RowOf(m_current.id);
        const TStoreResult r = m_store->Delete(m_current.id);
        if (ReportFailure(QStringLiteral("Запись не удалена"), r))
            return;
        m_lastDeleted = m_current.id;
        m_current = {};
        m_model->Reload();
        if (row >= m_model->rowCount()) // the row after it may be past the first rows
            m_model->Complete();
        const int next = std::min(row, m_model->rowCount() - 1);
        if (next >= 0) {
            SelectId(m_model->IdAt(next));
            if (const auto e = m_model->EntryAt(next))
                ShowInForm(*e);
        } else {
            ShowInForm(BlankEntry());
        }
        lStatus->setText(QStringLiteral("Запись № %1 удалена (Ctrl+Z вернёт её)").arg(m_lastDeleted));
    });
}

void TfJournal::UndoDelete()
{
    Guarded([this] {
        if (m_lastDeleted == 0 || !SaveTyped())
            return;
        const qint64 id = m_lastDeleted;
        if (ReportFailure(QStringLiteral("Запись не возвращена"), m_store->Undelete(id)))
            return;
        m_lastDeleted = 0;
        m_model->Reload();
        if (const auto e = m_store->Load({id}); !e.isEmpty())
            ShowInForm(e.first());
        SelectId(id);
        lStatus->setText(QStringLiteral("Запись № %1 возвращена").arg(id));
    });
}

QList<TJournalEntry> TfJournal::ChosenEntries() const
{
    QList<qint64> ids;
    const QModelIndexList rows = tvEntries->selectionModel()->selectedRows();
    if (rows.size() > 1) {
        for (const QModelIndex& i : rows)
            ids << m_model->IdAt(i.row());
        std::sort(ids.begin(), ids.end(), [this](qint64 a, qint64 b) { return m_model->RowOf(a) < m_model->RowOf(b); });
    } else if (!m_model->Query().text.trimmed().isEmpty() || m_model->Query().verdict) {
        ids = m_model->Ids();
    } else if (m_current.id != 0) {
        ids = {m_current.id};
    }
    return m_store->Load(ids);
}

void TfJournal::OpenConclusion()
{
    Guarded([this] {
        FinishTyping();
        if (!SaveTyped())
            return;
        if (ReportFailure(QStringLiteral("Найденные записи не прочитаны"), m_model->Complete()))
            return;
        const QList<TJournalEntry> entries = ChosenEntries();
        if (entries.isEmpty()) {
            ShowInformation(QStringLiteral("Выберите записи для заключения: строки таблицы (Shift или Ctrl и щелчок) или найдите их поиском."));
            return;
        }
        if (!m_conclusion) {
            m_conclusion = new TfConclusion(*m_store, this);
            connect(m_conclusion, &TfConclusion::saved, this, [this] {
                m_model->Reload();
                if (const auto e = m_store->Load({m_current.id}); !e.isEmpty())
                    ShowInForm(e.first());
                SelectId(m_current.id);
            });
        }
        if (m_look)
            m_conclusion->ApplyLook(*m_look);
        m_conclusion->SetEntries(entries);
        m_conclusion->ShowAndRaise();
    });
}

std::optional<QString> TfJournal::WriteCsv(const QString& path)
{
    if (const TStoreResult all = m_model->Complete(); !all.IsDone())
        return all.reason;
    QByteArray csv = JournalCsvHead();
    csv.reserve(qsizetype(m_model->Ids().size()) * 250);
    const TStoreResult r = m_store->ForEachEntry(m_model->Ids(), [&csv](const TJournalEntry& e) { AppendJournalCsvLine(csv, e); });
    if (!r.IsDone())
        return r.reason;
    return WriteFileAtomically(path, csv);
}

void TfJournal::ExportCsv()
{
    Guarded([this] {
        FinishTyping();
        if (!SaveTyped())
            return;
        const auto chosen = AskSavePath(this, QStringLiteral("Выгрузить журнал в CSV"), QStringLiteral("CSV (*.csv)"),
                                        QStringLiteral("csv"),
                                        QStringLiteral("Журнал %1.csv").arg(Today().toString(QStringLiteral("dd.MM.yyyy"))));
        if (!chosen)
            return;
        const QString path = *chosen;
        if (const auto err = WriteCsv(path)) {
            ReportError(QStringLiteral("Не удалось сохранить файл %1: %2").arg(QDir::toNativeSeparators(path), *err));
            return;
        }
        lStatus->setText(QStringLiteral("Выгружено записей: %1 в %2").arg(Rows(*m_model), QDir::toNativeSeparators(path)));
    });
}

void TfJournal::TakeLook(const TToolLook& look)
{
    m_look = look;
    ApplyLook(look);
    // The fields' heights and the rows follow the plug-in's font.
    eDefects->setFixedHeight(eDefects->fontMetrics().height() * 3 + 12);
    eNote->setFixedHeight(eNote->fontMetrics().height() * 2 + 12);
    tvEntries->verticalHeader()->setDefaultSectionSize(tvEntries->fontMetrics().height() + 6);
    if (m_conclusion)
        m_conclusion->ApplyLook(look);
}

QString TfJournal::LayoutLine() const
{
    QStringList parts{QString::number(width()), QString::number(height())};
    for (int c = 0; c < JournalColumnCount; ++c)
        parts << QString::number(tvEntries->columnWidth(c));
    return parts.join(QLatin1Char(','));
}

void TfJournal::SetLayoutLine(const QString& line)
{
    const QStringList parts = line.split(QLatin1Char(','));
    if (parts.size() != 2 + JournalColumnCount)
        return;
    QList<int> v;
    for (const QString& p : parts) {
        bool ok = false;
        const int n = p.trimmed().toInt(&ok);
        if (!ok || n < 10 || n > 10000)
            return;
        v << n;
    }
    resize(v[0], v[1]);
    for (int c = 0; c < JournalColumnCount; ++c)
        tvEntries->setColumnWidth(c, v[2 + c]);
}

void TfJournal::closeEvent(QCloseEvent* event)
{
    Guarded([&] {
        if (SaveTyped())
            return;
        if (!AskYes(QStringLiteral("Запись не сохранена. Закрыть окно и потерять введённое?"), QMessageBox::Warning))
            event->ignore();
    });
    if (event->isAccepted())
        emit layoutChanged();
}

void TfJournal::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    emit layoutChanged();
}

} // namespace kelto
