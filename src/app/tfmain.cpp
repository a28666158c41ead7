#include "app/tfmain.h"
#include "diary/diarykeeper.h"
#include "app/hotspot.h"
#include "app/tfabout.h"
#include "gui/picturelabel.h"
#include "gui/designfont.h"
#include "gui/report.h"
#include "core/clock.h"
#include "core/programfolder.h"
#include "app/settingsfile.h"
#include "app/autostart.h"
#include "calc/calcnote.h"
#include "app/instanceclaim.h"
#include "calc/view/calcview.h"
#include "gui/linklabel.h"
#include "diary/diaryfile.h"
#include "diary/view/monthgrid.h"
#include "app/headerkeys.h"
#include "app/inputhold.h"
#include "app/journalhook.h"
#include "diary/view/diaryview.h"
#include "docs/view/docslist.h"
#include "gui/shellopen.h"
#include "skin/view/plugin.h"

#include <QAction>
#include <QShortcut>
#include <QApplication>
#include <QDialog>
#include <QComboBox>
#include <QLineEdit>
#include <QCloseEvent>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <new>

namespace kelto {

namespace {

// The keeper's questions as the program's boxes.
TDiaryAnswer AskUser(const TDiaryQuestion& q)
{
    if (q.Kind == TDiaryQuestion::TKind::Warning) {
        ShowWarning(q.Text);
        return TDiaryAnswer::Ok;
    }
    TMessageRequest r;
    r.icon = QMessageBox::Warning;
    r.caption = QString::fromUtf8(AppTitle);
    r.text = q.Text;
    r.buttons = QMessageBox::Retry | QMessageBox::Discard | QMessageBox::Cancel;
    r.defaultButton = QMessageBox::Cancel;
    r.buttonTexts = {{QMessageBox::Retry, QStringLiteral("Повторить")},
                     {QMessageBox::Discard, QStringLiteral("Закрыть без сохранения")},
                     {QMessageBox::Cancel, QStringLiteral("Остаться в программе")}};
    const auto answer = ShowMessage(r);
    return answer == QMessageBox::Retry     ? TDiaryAnswer::Retry
         : answer == QMessageBox::Discard ? TDiaryAnswer::Discard
                                          : TDiaryAnswer::Stay;
}

} // namespace

TfMain::TfMain(const QString& programFolder, QWidget* parent)
    : QWidget(parent,
              Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                  | Qt::WindowCloseButtonHint)
    , m_programFolderOverride(programFolder)
    , m_keeper(new TDiaryKeeper([](const TDiaryQuestion& q) { return AskUser(q); }, this))
{
    // A file-size limit (ulimit -f) must fail a write, which is then said
    // like any failed save, not end the program with SIGXFSZ and lose what
    // was typed.
    std::signal(SIGXFSZ, SIG_IGN);
    setObjectName(QStringLiteral("fMain"));
    setWindowTitle(QString::fromUtf8(AppTitle));
    setFont(DesignWindowFont());
    setFixedSize(638, 457);

    CreateHeader();
    CreateViews();
    CreateMenus();
    ConnectHeader();
    CreateHeaderKeys();
    CreateAutoSave();
    // Ctrl+J: the control journal, from either view.
    m_journal = new TJournalHook(this, [this] { return CalcView(); });
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_J), this), &QShortcut::activated, m_journal,
            &TJournalHook::Open);
}

void TfMain::CreateViews()
{
    // The calculation view is built when first opened (CalcView), under
    // the diary view.
    Panel1 = new TDiaryView(m_keeper->Store(), this);
    Panel1->move(0, 149);

    pCur = new QWidget(this);
    pCur->setObjectName(QStringLiteral("pCur"));
    pCur->setGeometry(16, 144, 73, 2);
    pCur->setAutoFillBackground(true);
    QPalette pal = pCur->palette();
    pal.setColor(QPalette::Window, QColor(166, 202, 240));
    pCur->setPalette(pal);
    pCur->hide();

    lb = new TDocsList(this);
    lb->setGeometry(397, 34, 232, 80);
    lb->hide();
}

void TfMain::CreateAutoSave()
{
    connect(m_keeper, &TDiaryKeeper::loaded, this, [this] { TakeDiary(); });
    m_inputHold = new TInputHold(this);
    connect(Panel1, &TDiaryView::noteStored, m_keeper, &TDiaryKeeper::NoteStored);
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        connect(app, &QGuiApplication::commitDataRequest, this, &TfMain::EndOfDesktopSession);
}

void TfMain::EndOfDesktopSession()
{
    // Save now, ask nothing from here on, and have the notes on disk on
    // return; should the session go on after all, the program asks again.
    const bool before = m_keeper->NoQuestions();
    m_keeper->SetNoQuestions(true);
    TakeDiary();
    m_keeper->SaveAndWait();
    m_keeper->SetNoQuestions(before);
}

TfMain::~TfMain()
{
    // FormDestroy: the store and the grid go with the window.
}

bool TfMain::ClaimSingleInstance()
{
    AutoStart = false;
    m_keeper->Store().clear();
    return ClaimProgramFolder(m_guard, m_programFolderOverride.isEmpty() ? ExecutableFolder() : m_programFolderOverride);
}

const std::vector<TfMain::TStartupStep>& TfMain::StartupSteps()
{
    static const std::vector<TStartupStep> steps = {
        {"SetClientArea", &TfMain::StepSetClientArea},
        {"PlaceViews", &TfMain::StepPlaceViews},
        {"SetProgramFolder", &TfMain::StepSetProgramFolder},
        {"ApplyRememberedPlugin", &TfMain::StepApplyRememberedPlugin},
        {"ReadAutoStart", &TfMain::StepReadAutoStart},
        {"CreateMonthGrid", &TfMain::StepCreateMonthGrid},
        {"ClearMarkedDays", &TfMain::StepClearMarkedDays},
        {"DiaryToToday", &TfMain::StepDiaryToToday},
        {"LoadDiary", &TfMain::StepLoadDiary},
        {"ShowSelectedDay", &TfMain::StepShowSelectedDay},
        {"ClosingAutoStart", &TfMain::StepClosingAutoStart},
    };
    return steps;
}

void TfMain::showEvent(QShowEvent* e)
{
    if (!m_shown) {
        m_shown = true;
        OnFirstShow();
        // The icon's pictures are read once the window is up, not before it
        // appears; the window manager takes the icon whenever it comes.
        QTimer::singleShot(0, this, [this] {
            QIcon icon;
            for (int s : {16, 32, 48})
                icon.addFile(QStringLiteral(":/assets/icon%1.png").arg(s), QSize(s, s));
            setWindowIcon(icon);
        });
    }
    QWidget::showEvent(e);
}

void TfMain::OnFirstShow()
{
    for (const TStartupStep& s : StartupSteps()) {
        if (m_endRequested)
            return; // a signal came while a box of an earlier step was open
        m_stepsRun << QLatin1String(s.name);
        // Each step handles its own failures; start-up goes on regardless.
        Guarded([&] { (this->*s.run)(); });
    }
}

void TfMain::StepSetClientArea()
{
    setFixedSize(638, 457);
    if (QScreen* s = screen())
        move(s->availableGeometry().center() - QPoint(width() / 2, height() / 2));
}

void TfMain::StepPlaceViews()
{
    Panel1->move(0, 149);
    if (Panel2) {
        Panel2->move(0, 148);
        Panel2->hide();
    }
    Panel1->show();
}

void TfMain::StepSetProgramFolder()
{
    SetProgramFolder(m_programFolderOverride.isEmpty() ? ExecutableFolder() : m_programFolderOverride);
    m_keeper->ProbeFolder(ProgramFolder());
}

void TfMain::StepApplyRememberedPlugin()
{
    StartupPluginStep([this](const QString& path) { return LoadSkin(path); },
                      [this](std::function<void()> write) { QTimer::singleShot(0, this, std::move(write)); });
}

void TfMain::StepReadAutoStart()
{
    AutoStart = ReadAutoStartFlag();
    N4->setChecked(AutoStart);
}

void TfMain::StepCreateMonthGrid()
{
    Panel1->CreateMonthGrid();
}
void TfMain::StepClearMarkedDays()
{
    Panel1->ClearMarkedDays();
}
void TfMain::StepDiaryToToday()
{
    Panel1->ResetToToday();
}

void TfMain::StepLoadDiary()
{
    // A large diary is read on a worker while the window paints; until it is
    // in, the window's input waits, and so does every save (TakeDiary).
    if (m_keeper->StartLoad()) {
        TakeDiary();
        return;
    }
    m_inputHold->Hold();
    Panel1->SetDiaryLoading(true);
}

bool TfMain::DiaryLoaded() const
{
    return m_keeper->Loaded();
}

const QString& TfMain::DiaryPath() const
{
    return m_keeper->DiaryPath();
}

void TfMain::TakeDiary(TInputHold::TReplay replay)
{
    const bool late = m_inputHold->Holding();
    if (!m_keeper->TakeLoaded())
        return;
    if (m_keeper->NoQuestions())
        replay = TInputHold::TReplay::Ending; // no one may be there to close what it opens
    if (late) {
        // The day's note and the month's marks, which start-up showed for
        // an empty store; then the input that waited, on the note.
        Panel1->SetDiaryLoading(false);
        Panel1->ShowSelectedDay();
    }
    m_keeper->ReportLoad();
    m_inputHold->Release(replay);
}

void TfMain::StepShowSelectedDay()
{
    Panel1->ShowSelectedDay();
}

void TfMain::StepClosingAutoStart()
{
    // Autostart changes only when this user switches it. A folder moved
    // elsewhere keeps this user's entry working, silently; where it cannot,
    // or where the flag is another user's of a shared folder, the menu
    // shows autostart off.
    if (AutoStart && !MendAutostartEntry()) {
        AutoStart = false;
        N4->setChecked(false);
    }
}

void TfMain::closeEvent(QCloseEvent* e)
{
    // Ending on a signal has saved already; Qt's quit closes the window
    // afterwards. A held click on the close mark, replayed inside this close,
    // is this close.
    if (m_endRequested || m_inClose) {
        e->setAccepted(m_endRequested);
        return;
    }
    m_inClose = true;
    const bool closing = SaveBeforeClose();
    m_inClose = false;
    if (closing) {
        if (Panel2) {
            Panel2->SaveToolWindows();
        }
        e->accept();
    } else {
        e->ignore();
    }
}

bool TfMain::SaveBeforeClose()
{
    // The journal's form first: a failure is said and the user may stay.
    if (!m_journal->SaveBeforeEnd(!m_keeper->NoQuestions()))
        return false;
    // A close while the diary is being read waits for it: only the whole
    // diary is ever written. What came meanwhile is handed over in its order
    // (the click into the notepad, then the typing) and saved with the rest;
    // a window it opens is closed again.
    TakeDiary(TInputHold::TReplay::Ending);
    return m_keeper->SaveForClose();
}

void TfMain::AutoSaveNow()
{
    TakeDiary();
    m_keeper->SaveSoon();
}

void TfMain::WriteCalculationToDiary()
{
    Guarded([this] {
        const auto paragraph = Panel2->NoteParagraph();
        if (!paragraph) {
            Panel2->ShowToDiaryOutcome(QStringLiteral("Расчёт не готов"));
            return;
        }
        if (const QString said = AppendToDiary(*paragraph); !said.isEmpty())
            Panel2->ShowToDiaryOutcome(said);
    });
}

QString TfMain::AppendToDiary(const QString& paragraph)
{
    const TDiaryView::TAppended done = Panel1->AppendToSelectedDay(paragraph);
    return done.day.isValid() ? ToDiaryOutcome(done.day, done.already) : QString();
}

void TfMain::EndWithoutQuestions()
{
    m_keeper->SetNoQuestions(true);
    m_endRequested = true;
    // Boxes open now (About, a question) would keep their own event loops
    // running; quitting ends those too.
    if (!m_closing) {
        m_closing = true;
        SaveBeforeClose();
        // The source and ISO windows' inputs and the card's fields are kept
        // at any end of the program (there are none before the calculation
        // view is built).
        if (Panel2) {
            Panel2->SaveToolWindows(false);
        }
    }
    // quit() ends the main loop only; a box open now (a start-up warning,
    // About) runs a loop of its own and is dismissed here.
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QDialog*>(w); box && box->isVisible())
            box->done(QDialog::Rejected);
    QCoreApplication::quit();
}

void TfMain::CloseProgram()
{
    close();
}

void TfMain::OpenPublisherSite()
{
    Guarded([] { OpenWithShell(QString::fromLatin1(PublisherAddress)); });
}

// The focus goes with the view: left in the hidden one, Qt would hand it to
// whatever control follows, a link framed for no reason. On the header (F10)
// it stays there.
void TfMain::ShowDiaryView()
{
    const bool focusGoes = !focusWidget() || (Panel2 && Panel2->isAncestorOf(focusWidget()));
    if (Panel2)
        Panel2->hide();
    Panel1->show();
    if (focusGoes)
        Panel1->FocusFirstInput();
}

void TfMain::ShowCalcView()
{
    TCalcView* calc = CalcView();
    const bool focusGoes = !focusWidget() || Panel1->isAncestorOf(focusWidget());
    Panel1->hide();
    calc->show();
    if (focusGoes)
        calc->FocusFirstInput();
}

TCalcView* TfMain::CalcView()
{
    if (Panel2)
        return Panel2;
    Panel2 = new TCalcView(this);
    Panel2->hide();
    Panel2->move(0, 148);
    Panel2->stackUnder(Panel1);
    // The calculation's diary link names the day chosen in the diary.
    Panel2->SetDiaryDaySource([this] { return Panel1->SelectedDate(); });
    Panel2->PlaceSchemePictures();
    // The plug-ins loaded so far, on this view's own list, in their order;
    // what failed was said when they were loaded.
    for (const TPlugin& plugin : std::exchange(m_pluginsForCalc, {}))
        ApplyPluginToView(plugin, Panel2->SkinTargets());
    // The links look like the diary's own link: taken after the plug-in's
    // steps, as the links' own font steps came before the diary link's.
    Panel2->FollowLinkStyleOf(Panel1->LinkStyleModel());
    connect(Panel2, &TCalcView::writeToDiaryRequested, this, &TfMain::WriteCalculationToDiary);
    connect(Panel2, &TCalcView::journalRequested, m_journal, &TJournalHook::Open);
    connect(Panel2, &TCalcView::journalEntryRequested, m_journal, &TJournalHook::AddFromCard);
    Panel2->SetIsoDiaryAppend([this](const QString& paragraph) { return AppendToDiary(paragraph); });
    Panel2->Recalculate();
    return Panel2;
}

void TfMain::ShowDiary()
{
    lb->HideList();
    ShowDiaryView();
}

void TfMain::ShowCalculation()
{
    lb->HideList();
    ShowCalcView();
}

void TfMain::ToggleDocuments()
{
    lb->Toggle();
}

void TfMain::SwitchAutoStartFromMenu()
{
    Guarded([this] {
        const bool wanted = N4->isChecked();
        if (auto err = SwitchAutoStart(wanted)) {
            // A registration that failed is not shown as done.
            N4->setChecked(!wanted);
            AutoStart = !wanted;
            ReportError(QStringLiteral("Не удалось изменить автозапуск программы: ") + *err);
            return;
        }
        AutoStart = wanted;
    });
}

void TfMain::ShowAbout()
{
    lb->HideList();
    if (fAbout)
        fAbout->exec();
}

} // namespace kelto
