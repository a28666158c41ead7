#include "diary/view/diaryview.h"
#include "diary/noteappend.h"
#include "gui/picturelabel.h"
#include "gui/autosizelabel.h"
#include "core/clock.h"
#include "core/datetext.h"
#include "gui/designfont.h"
#include "gui/linklabel.h"
#include "gui/report.h"
#include "core/cp1251.h"
#include "core/programfolder.h"
#include "core/textfile.h"
#include "diary/diaryfile.h"
#include "diary/monthpage.h"
#include "diary/view/monthgrid.h"
#include "diary/view/monthtabs.h"
#include "diary/view/searchpanel.h"
#include "diary/view/notepad.h"
#include "diary/view/spinbutton.h"
#include "gui/shellopen.h"

#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QValidator>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QShortcut>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>

namespace kelto {

const QStringList TDiaryView::DayNames = {
    QString(),
    QStringLiteral("Воскресенье"),
    QStringLiteral("Понедельник"),
    QStringLiteral("Вторник"),
    QStringLiteral("Среда"),
    QStringLiteral("Четверг"),
    QStringLiteral("Пятница"),
    QStringLiteral("Суббота"),
};

namespace {

QLabel* CaptionLabel(QWidget* parent, const char* name, const QString& text, int left, int top)
{
    auto* l = new TAutoSizeLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    l->setFont(DesignFont(12));
    l->setAttribute(Qt::WA_TranslucentBackground);
    QPalette pal = l->palette();
    pal.setColor(QPalette::WindowText, parent->palette().color(QPalette::WindowText));
    l->setPalette(pal);
    l->move(left, top);
    l->adjustSize();
    return l;
}

class TYearValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override
    {
        switch (ClassifyYearText(input)) {
        case TYearText::Impossible: return Invalid;
        case TYearText::Unfinished: return Intermediate;
        case TYearText::Year: return Acceptable;
        }
        return Invalid;
    }
};

QLineEdit* ReadOnlyBox(QWidget* parent, const char* name, const QRect& geometry)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setGeometry(geometry);
    e->setReadOnly(true);
    e->setFrame(false);
    e->setFocusPolicy(Qt::ClickFocus);
    e->setContextMenuPolicy(Qt::NoContextMenu);
    return e;
}

void FillWith(QWidget* w, QPalette::ColorRole role, const QColor& colour)
{
    QPalette pal = w->palette();
    pal.setColor(role, colour);
    w->setPalette(pal);
}

} // namespace

TDiaryView::TDiaryView(TDayList& store, QWidget* parent)
    : QWidget(parent)
    , m_store(store)
{
    setObjectName(QStringLiteral("Panel1"));
    setFixedSize(638, 308);

    CreateDateFields();
    CreateLinks();
    CreateNotepad();
    CreateSearch();
    CreateMonthTabs();
    ConnectControls();
}

void TDiaryView::CreateDateFields()
{
    Image3 = MakePictureLabel(this, "Image3", {0, 0, 638, 308}, QStringLiteral(":/assets/diary.jpg"));

    Label5 = CaptionLabel(this, "Label5", QStringLiteral("Год"), 19, 16);
    eYear = ReadOnlyBox(this, "eYear", QRect(19, 32, 70, 21));
    // The year is typed as in any text field, or stepped with the arrow
    // keys; a text no year can grow out of is refused as it is typed.
    eYear->setReadOnly(false);
    eYear->setFocusPolicy(Qt::StrongFocus);
    eYear->setValidator(new TYearValidator(eYear));
    sbYear = new TSpinButton(this);
    sbYear->setObjectName(QStringLiteral("sbYear"));
    sbYear->setGeometry(89, 32, 15, 22);

    Label6 = CaptionLabel(this, "Label6", QStringLiteral("День недели"), 223, 16);
    cbDay = ReadOnlyBox(this, "cbDay", QRect(223, 32, 85, 21));
    cbDay->setText(QStringLiteral("Воскресенье"));
}

void TDiaryView::CreateLinks()
{
    Label7 = CaptionLabel(this, "Label7", QStringLiteral("Блокнот"), 323, 16);
    lBlok = new TLinkLabel("lBlok", QStringLiteral("Все записи за год"), this);
    QPalette linkPalette = lBlok->palette();
    linkPalette.setColor(QPalette::WindowText, palette().color(QPalette::WindowText));
    lBlok->setPalette(linkPalette);
    lBlok->move(517, 16);
    lBlok->installEventFilter(this);
    m_skin.diaryPicture = Image3;
    m_skin.headings = {Label5, Label6, Label7};
    m_skin.values = {lBlok};
    connect(lBlok, &TLinkLabel::clicked, this, &TDiaryView::ExportNotes);
    // "Найти" is styled like the link beside it, whatever the plug-in sets.
    lFind = new TLinkLabel("lFind", QStringLiteral("Найти"), this);
    lFind->FollowStyleOf(lBlok);
    lFind->move(lBlok->x() - lFind->width() - 24, 16);
    connect(lFind, &TLinkLabel::clicked, this, &TDiaryView::ToggleSearch);
}

void TDiaryView::CreateNotepad()
{
    const QColor buttonHighlight = palette().color(QPalette::Light);

    reblok = new TNotepad(this);
    reblok->setObjectName(QStringLiteral("reblok"));
    reblok->setGeometry(323, 32, 294, 241);
    reblok->setFrameShape(QFrame::NoFrame);
    reblok->setAcceptRichText(false);
    reblok->setLineWrapMode(QTextEdit::WidgetWidth);
    reblok->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    reblok->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    reblok->setTabChangesFocus(true);
    reblok->document()->setDocumentMargin(2);
    reblok->setContentsMargins(1, 1, 1, 1);
    FillWith(reblok, QPalette::Base, buttonHighlight);
    reblok->setContextMenuPolicy(Qt::CustomContextMenu);
    reblok->setPlainText(QStringLiteral("Сегодня надо просветить кучу объектов!"));
    reblok->installEventFilter(this);
    m_skin.inputs = {eYear, cbDay, reblok};
    connect(reblok, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        if (m_notepadMenu)
            m_notepadMenu->popup(reblok->viewport()->mapToGlobal(at));
    });
}

void TDiaryView::CreateSearch()
{
    // The panel itself is built when first opened.
    auto* find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, [this] {
        if (!pSearch || pSearch->isHidden())
            ToggleSearch();
    });
}

TSearchPanel* TDiaryView::SearchPanel()
{
    if (pSearch)
        return pSearch;
    // Over the notepad, which it covers while open.
    pSearch = new TSearchPanel(m_store, this);
    pSearch->hide();
    pSearch->setGeometry(reblok->geometry());
    connect(pSearch, &TSearchPanel::dayChosen, this, &TDiaryView::ShowDay);
    connect(pSearch, &TSearchPanel::closed, this, [this] { reblok->setFocus(Qt::OtherFocusReason); });
    return pSearch;
}

void TDiaryView::CreateMonthTabs()
{
    const QColor buttonHighlight = palette().color(QPalette::Light);

    TabControl1 = new TMonthTabs(this);
    TabControl1->setObjectName(QStringLiteral("TabControl1"));
    TabControl1->setGeometry(19, 72, 289, 201);
    FillWith(TabControl1, QPalette::Light, buttonHighlight);

    Panel3 = new QWidget(TabControl1);
    Panel3->setObjectName(QStringLiteral("Panel3"));
    Panel3->setGeometry(0, 40, 288, 160);
    Panel3->setAutoFillBackground(true);
    FillWith(Panel3, QPalette::Window, buttonHighlight);
    Panel3->setFont(DesignFont(11));
}

void TDiaryView::ConnectControls()
{
    connect(eYear, &QLineEdit::textChanged, this, &TDiaryView::FollowYearField);
    eYear->installEventFilter(this);
    connect(sbYear, &TSpinButton::upClick, this, &TDiaryView::NextYear);
    connect(sbYear, &TSpinButton::downClick, this, &TDiaryView::PreviousYear);
    connect(TabControl1, &TMonthTabs::tabPicked, this, &TDiaryView::ShowMonthOfTab);
    connect(reblok, &QTextEdit::textChanged, this, &TDiaryView::StoreChangedNote);

    setTabOrder(TabControl1, reblok);
}

QWidget* TDiaryView::LinkStyleModel() const
{
    return lBlok;
}

QDate TDiaryView::SelectedDate() const
{
    return m_grid ? m_grid->SelectedDate() : QDate();
}

void TDiaryView::CreateMonthGrid()
{
    if (m_grid)
        return;
    m_grid = new TMonthGrid(&m_marked, Panel3);
    m_grid->setObjectName(QStringLiteral("MonthGrid"));
    m_grid->setGeometry(6, 4, 277, 149);
    m_grid->setStartOfWeek(1);
    m_grid->show();
    // The keyboard walks the view as the eye reads it.
    setTabOrder(eYear, m_grid);
    setTabOrder(m_grid, TabControl1);
    setTabOrder(TabControl1, lFind);
    setTabOrder(lFind, lBlok);
    setTabOrder(lBlok, reblok);
    connect(m_grid, &TCalendar::dateChanged, this, &TDiaryView::ShowWeekdayAndNote);
}

void TDiaryView::ClearMarkedDays()
{
    setMarkedDays(TMarkedDays());
}

void TDiaryView::setMarkedDays(const TMarkedDays& marked)
{
    // The grid repaints only when a mark comes or goes: most keystrokes
    // change a note, not the set of days that have one. A new selection
    // repaints the grid by itself.
    if (marked == m_marked)
        return;
    m_marked = marked;
    if (m_grid)
        m_grid->update();
}

void TDiaryView::ResetToToday()
{
    // The design text is never shown or stored.
    SetNotepadLines({});
    const QDate today = Today();
    if (m_grid)
        m_grid->setSelectedDate(today);
    TabControl1->SetTabIndex(today.month() - 1);
    eYear->setText(YearText(today.year()));
}

void TDiaryView::ShowSelectedDay()
{
    ShowWeekdayAndNote();
    UpdateMarkedDays();
}

void TDiaryView::SetDiaryLoading(bool loading)
{
    m_diaryLoading = loading;
    ShowPlaceholder();
}

void TDiaryView::ShowPlaceholder()
{
    reblok->setPlaceholderText(m_diaryLoading ? QStringLiteral("Дневник загружается…")
                               : m_grid       ? EmptyNotePlaceholder(m_grid->SelectedDate())
                                              : QString());
}

QStringList TDiaryView::NotepadLines() const
{
    QStringList lines = reblok->toPlainText().split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    return lines;
}

void TDiaryView::SetNotepadLines(const QStringList& lines)
{
    // The program's own filling and clearing stores nothing.
    m_loading = true;
    m_noteTooLarge = !NoteFitsNotepad(lines);
    reblok->setReadOnly(m_noteTooLarge);
    if (m_noteTooLarge)
        reblok->setPlainText(NoteTooLargeText(lines.size()));
    else if (lines.isEmpty())
        reblok->clear();
    else
        reblok->setPlainText(lines.join(QLatin1Char('\n')));
    m_loading = false;
}

void TDiaryView::StoreNote()
{
    StoreNote(reblok->toPlainText());
}

void TDiaryView::StoreNote(const QString& notepadText)
{
    if (!m_grid || m_noteTooLarge)
        return;
    StoreNoteText(m_store, m_grid->SelectedDate(), NoteFromPlainText(notepadText));
}

void TDiaryView::LoadDayNote()
{
    if (!m_grid)
        return;
    SetNotepadLines(kelto::LoadDayNote(m_store, m_grid->SelectedDate()));
}

void TDiaryView::UpdateMarkedDays()
{
    if (!m_grid)
        return;
    setMarkedDays(kelto::UpdateMarkedDays(m_store, m_grid->Year(), m_grid->Month()));
}

void TDiaryView::ShowWeekdayAndNote()
{
    // A failure here is ignored; the next change of date tries again.
    GuardedQuietly([this] {
        if (!m_grid)
            return;
        const QDate date = m_grid->SelectedDate();
        const int weekday = date.dayOfWeek() % 7 + 1; // 1 = Sunday
        cbDay->setText(DayNames.value(weekday));
        ShowPlaceholder();
        LoadDayNote();
        // The grid's keys cross into other months and years: the tabs and
        // the year field follow, and so do the marked days.
        const QString year = YearText(date.year());
        if (TabControl1->TabIndex() != date.month() - 1 || eYear->text() != year) {
            TabControl1->SetTabIndex(date.month() - 1);
            if (eYear->text() != year)
                eYear->setText(year);
            UpdateMarkedDays();
        }
    });
}

void TDiaryView::FollowYearField()
{
    Guarded([this] {
        if (!m_grid)
            return;
        if (ClassifyYearText(eYear->text()) != TYearText::Year)
            return;
        const int y = eYear->text().toInt();
        m_grid->setDay(DayWithinMonth(y, m_grid->Month(), m_grid->Day()));
        m_grid->setYear(y);
        UpdateMarkedDays();
    });
}

void TDiaryView::NextYear()
{
    if (m_grid && m_grid->Year() < 9999)
        eYear->setText(YearText(m_grid->Year() + 1));
}

void TDiaryView::PreviousYear()
{
    if (m_grid && m_grid->Year() > 1)
        eYear->setText(YearText(m_grid->Year() - 1));
}

void TDiaryView::ShowCalendarYear()
{
    if (m_grid && eYear->text() != YearText(m_grid->Year()))
        eYear->setText(YearText(m_grid->Year()));
}

void TDiaryView::ShowMonthOfTab(int tab)
{
    // A failure ends the handler without a message.
    GuardedQuietly([this, tab] {
        if (!m_grid)
            return;
        m_grid->setDay(DayWithinMonth(m_grid->Year(), tab + 1, m_grid->Day()));
        m_grid->setMonth(tab + 1);
        UpdateMarkedDays();
    });
}

bool TDiaryView::KeepToCp1251Repertoire(const QString& text)
{
    if (FitsCp1251(text))
        return false;
    // Positions in the document match the plain text one to one (paragraph
    // ends count as one), so walk backwards and replace in place; the user's
    // cursor moves along with the edits.
    m_mending = true;
    QTextCursor c(reblok->document());
    c.joinPreviousEditBlock();
    int i = text.size();
    while (i > 0) {
        int start = i - 1;
        if (start > 0 && text[start].isLowSurrogate() && text[start - 1].isHighSurrogate())
            --start;
        const QString ch = text.mid(start, i - start);
        if (ch != QLatin1String("\n") && !FitsCp1251(ch)) {
            c.setPosition(start);
            c.setPosition(i, QTextCursor::KeepAnchor);
            c.insertText(QStringLiteral("?"));
        }
        i = start;
    }
    c.endEditBlock();
    m_mending = false;
    return true;
}

void TDiaryView::StoreNotepad()
{
    StoreNotepad(reblok->toPlainText());
}

void TDiaryView::StoreNotepad(const QString& notepadText)
{
    if (m_noteTooLarge)
        return; // the notepad shows why, not the note
    StoreNote(notepadText);
    UpdateMarkedDays();
    m_notepadStored = true;
    emit noteStored();
}

void TDiaryView::StoreChangedNote()
{
    m_notepadStored = false;
    if (m_loading || m_mending)
        return;
    Guarded([this] {
        // The whole text is read once per change: in a note of a million
        // lines every reading costs as much as the rest of the keystroke.
        QString text = reblok->toPlainText();
        if (KeepToCp1251Repertoire(text))
            text = reblok->toPlainText();
        if (!m_grid)
            return;
        // Any change is stored: one that leaves no text removes the day's
        // note, however the text was cleared.
        StoreNotepad(text);
    });
}

void TDiaryView::StoreAfterErasingKey(int key)
{
    if (key != Qt::Key_Delete && key != Qt::Key_Backspace)
        return;
    // The change handler has usually stored this very text already; storing
    // it again would only walk the note rules a second time.
    if (m_notepadStored)
        return;
    Guarded([this] {
        if (m_grid)
            StoreNotepad();
    });
}

bool TDiaryView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == eYear && event->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(event);
        if (k->key() == Qt::Key_Up || k->key() == Qt::Key_Down) {
            k->key() == Qt::Key_Up ? NextYear() : PreviousYear();
            return true;
        }
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter)
            ShowCalendarYear();
    } else if (watched == eYear && event->type() == QEvent::FocusOut) {
        ShowCalendarYear();
    } else if (watched == reblok && event->type() == QEvent::KeyRelease) {
        auto* k = static_cast<QKeyEvent*>(event);
        if (!k->isAutoRepeat())
            StoreAfterErasingKey(k->key());
    } else if (watched == lBlok && event->type() == QEvent::FontChange) {
        // lFind has taken the new font already (its filter was installed
        // later, so it runs first); it keeps its distance from lBlok.
        lFind->move(lBlok->x() - lFind->width() - 24, lFind->y());
    }
    return QWidget::eventFilter(watched, event);
}

TDiaryView::TAppended TDiaryView::AppendToSelectedDay(const QString& paragraph)
{
    if (!m_grid || m_noteTooLarge)
        return {};
    const std::optional<QString> added = TextToAppend(reblok->toPlainText(), paragraph);
    if (!added)
        return {m_grid->SelectedDate(), true};
    // The notepad always shows the selected day's note, so writing at its end
    // goes through the same change handling as typing does.
    QTextCursor c(reblok->document());
    c.movePosition(QTextCursor::End);
    c.insertText(*added);
    return {m_grid->SelectedDate(), false};
}

void TDiaryView::ToggleSearch()
{
    TSearchPanel* panel = SearchPanel();
    if (panel->isHidden())
        panel->Open();
    else
        panel->Close();
}

void TDiaryView::ShowDay(const QDate& date, const TNoteSpan& span)
{
    Guarded([&] {
        if (!m_grid || !date.isValid())
            return;
        m_grid->setSelectedDate(date); // runs ShowWeekdayAndNote: weekday and note
        TabControl1->SetTabIndex(date.month() - 1);
        eYear->setText(YearText(date.year()));
        UpdateMarkedDays();
        QTextCursor c(reblok->document());
        if (span.start >= 0) {
            c.setPosition(int(std::min<qsizetype>(span.start, reblok->document()->characterCount() - 1)));
            c.setPosition(int(std::min<qsizetype>(span.start + span.length, reblok->document()->characterCount() - 1)),
                          QTextCursor::KeepAnchor);
        }
        reblok->setTextCursor(c);
        reblok->ensureCursorVisible();
        reblok->setFocus(Qt::OtherFocusReason);
    });
}

void TDiaryView::ExportNotes()
{
    Guarded([this] {
        const QString path = ProgramFolder() + QStringLiteral("note.txt");
        QFile::remove(path); // an old export never stands in for a failed one
        if (m_store.isEmpty()) {
            TMessageRequest r;
            r.caption = QString::fromUtf8(AppTitle);
            r.text = QStringLiteral("Записи в блокноте отсутствуют!");
            ShowMessage(r);
            return;
        }
        if (auto err = WriteNoteExport(path, m_store)) {
            ReportError(QStringLiteral("Не удалось записать файл %1: %2").arg(QDir::toNativeSeparators(path), *err));
            return;
        }
        OpenWithShell(path, [path] {
            ShowInformation(QStringLiteral("Все записи сохранены в файл %1. Открыть его не удалось: на компьютере не "
                                           "найдена программа для просмотра текстов.")
                                .arg(QDir::toNativeSeparators(path)));
        });
    });
}

void TDiaryView::FocusFirstInput()
{
    eYear->setFocus(Qt::OtherFocusReason);
}

} // namespace kelto
