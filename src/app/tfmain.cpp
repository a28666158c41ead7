#include "app/tfmain.h"
#include "core/autosave.h"
#include "app/hotspot.h"
#include "app/tfabout.h"
#include "gui/picturelabel.h"
#include "gui/designfont.h"
#include "gui/report.h"
#include "core/clock.h"
#include "core/programfolder.h"
#include "app/settingsfile.h"
#include "app/autostart.h"
#include "app/instanceclaim.h"
#include "calc/view/calcview.h"
#include "gui/linklabel.h"
#include "diary/diarybackup.h"
#include "diary/diaryfile.h"
#include "diary/view/monthgrid.h"
#include "app/headerkeys.h"
#include "app/inputhold.h"
#include "core/snapshotwriter.h"
#include "diary/diaryload.h"
#include "diary/view/diaryview.h"
#include "docs/view/docslist.h"
#include "gui/shellopen.h"
#include "skin/view/plugin.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QComboBox>
#include <QLineEdit>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QTemporaryFile>
#include <QTimer>

#include <csignal>

namespace kelto {

namespace {
constexpr int AutoSaveDelayMs = 2000;

// The atomic save path makes its temporary file beside the target, so this
// is the very thing every save of the program needs.
bool FolderTakesNewFiles(const QString& folder)
{
    QTemporaryFile probe(folder + QStringLiteral("kelto-XXXXXX.tmp"));
    return probe.open();
}

QLabel* NavLabel(QWidget* parent, const char* name, const QString& text, int left)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    l->move(left, 128);
    l->resize(l->sizeHint().width(), 13);
    l->setCursor(Qt::PointingHandCursor);
    l->setAttribute(Qt::WA_TranslucentBackground);
    l->hide();
    return l;
}
} // namespace

TfMain::TfMain(const QString& programFolder, QWidget* parent)
    : QWidget(parent,
              Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                  | Qt::WindowCloseButtonHint)
    , m_programFolderOverride(programFolder)
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
}

void TfMain::CreateHeader()
{
    // Stacking order: later controls lie above earlier ones.
    Image1 = MakePictureLabel(this, "Image1", {0, 0, 638, 457}, QStringLiteral(":/assets/main.jpg"));

    QLabel* l1 = NavLabel(this, "l1", QStringLiteral("Ежедневник"), 16);
    QLabel* l3 = NavLabel(this, "l3", QStringLiteral("Оформление"), 464);
    QLabel* l4 = NavLabel(this, "l4", QStringLiteral("О программе"), 552);
    QLabel* l2 = NavLabel(this, "l2", QStringLiteral("Расчеты"), 104);
    QLabel* l5 = NavLabel(this, "l5", QStringLiteral("ГОСТ 7512-82"), 373);
    m_menuLabels = {l1, l2, l3, l4, l5};

    Label1 = new THotSpot(QStringLiteral("Label1"), QRect(600, 0, 36, 33), this, true);
    Label1->setToolTip(QStringLiteral("Закрыть программу"));
    Label2 = new THotSpot(QStringLiteral("Label2"), QRect(21, 17, 105, 57), this, true);
    SpeedButton6 = new THotSpot(QStringLiteral("SpeedButton6"), QRect(236, 8, 70, 24), this, false);
    SpeedButton7 = new THotSpot(QStringLiteral("SpeedButton7"), QRect(317, 8, 70, 24), this, false);
    SpeedButton9 = new THotSpot(QStringLiteral("SpeedButton9"), QRect(479, 8, 70, 24), this, false);
    SpeedButton10 = new THotSpot(QStringLiteral("SpeedButton10"), QRect(560, 8, 70, 24), this, false);
    SpeedButton1 = new THotSpot(QStringLiteral("SpeedButton1"), QRect(397, 8, 70, 24), this, false);
}

void TfMain::CreateViews()
{
    // The calculation view is built when first opened (CalcView), under
    // the diary view.
    Panel1 = new TDiaryView(DayList_, this);
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

void TfMain::CreateMenus()
{
    pmSpravka = CreateSpravkaMenu(this);
    Panel1->SetNotepadMenu(pmSpravka);

    pmVid = new QMenu(this);
    pmVid->setObjectName(QStringLiteral("pmVid"));
    N3 = pmVid->addAction(QStringLiteral("Выбрать плагин"));
    N3->setObjectName(QStringLiteral("N3"));
    N4 = pmVid->addAction(QStringLiteral("Автозапуск программы"));
    N4->setObjectName(QStringLiteral("N4"));
    N4->setCheckable(true);
    N4->setChecked(true);
    connect(N3, &QAction::triggered, this, &TfMain::ChoosePluginFromMenu);
    connect(N4, &QAction::triggered, this, &TfMain::SwitchAutoStartFromMenu);
}

void TfMain::ConnectHeader()
{
    connect(Label1, &THotSpot::clicked, this, &TfMain::CloseProgram);
    connect(Label2, &THotSpot::clicked, this, &TfMain::OpenPublisherSite);
    connect(SpeedButton6, &THotSpot::mouseDown, this, &TfMain::ShowDiary);
    connect(SpeedButton7, &THotSpot::mouseDown, this, &TfMain::ShowCalculation);
    connect(SpeedButton1, &THotSpot::mouseDown, this, &TfMain::ToggleDocuments);
    connect(SpeedButton9, &THotSpot::clicked, this, &TfMain::ChoosePluginFromHeader);
    connect(SpeedButton9, &THotSpot::mouseDown, this, [this](Qt::MouseButton b, const QPoint& at) {
        // The settings menu, with the autostart switch, is offered on the
        // right button; the left click still chooses a plug-in.
        if (b == Qt::RightButton) {
            lb->HideList();
            pmVid->popup(at);
        }
    });
    connect(SpeedButton10, &THotSpot::clicked, this, &TfMain::ShowAbout);
}

void TfMain::CreateHeaderKeys()
{
    // The views and the reference list from the keyboard; every header
    // button gets a tooltip naming its key.
    InstallHeaderKeys(
        this, lb,
        {{SpeedButton6, "Записи (Ctrl+1)", QKeySequence(Qt::CTRL | Qt::Key_1), [this] { ShowDiary(); }},
         {SpeedButton7, "Расчеты (Ctrl+2)", QKeySequence(Qt::CTRL | Qt::Key_2), [this] { ShowCalculation(); }},
         {SpeedButton1, "Справка: список документов (F1, закрыть — Esc)", QKeySequence(Qt::Key_F1),
          [this] { lb->ToggleFromKeyboard(); }},
         {SpeedButton9,
          "Настройка: выбор плагина оформления (правая кнопка мыши — меню настроек)",
          {},
          {},
          [this] {
              lb->HideList();
              // From the keyboard the first item is ready for Enter.
              pmVid->popup(SpeedButton9->mapToGlobal(QPoint(0, SpeedButton9->height())));
              pmVid->setActiveAction(N3);
          },
          true},
         {SpeedButton10, "Инфо: о программе", {}, [this] { ShowAbout(); }}});
    InstallUserGuideKey(this);
}

void TfMain::CreateAutoSave()
{
    // Notes are written at most two seconds after a change, so a crash or a
    // power cut loses only the last seconds, even in the middle of typing.
    // The writing itself happens on a worker (TSnapshotWriter).
    m_autoSave = new TAutoSave(AutoSaveDelayMs, this);
    connect(m_autoSave, &TAutoSave::due, this, &TfMain::AutoSaveNow);
    m_autoSaveWriter = new TSnapshotWriter(this);
    m_diaryLoad = new TDiaryLoad(this);
    connect(m_diaryLoad, &TDiaryLoad::done, this, [this] { TakeDiary(); });
    m_inputHold = new TInputHold(this);
    connect(Panel1, &TDiaryView::noteStored, m_autoSave, &TAutoSave::Changed);
    connect(m_autoSaveWriter, &TSnapshotWriter::written, this, &TfMain::AutoSaveWritten);
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        // The desktop session ends: save now, ask nothing from here on, and
        // have the notes on disk on return.
        // Should the session go on after all, the program asks again.
        connect(app, &QGuiApplication::commitDataRequest, this, [this] {
            const bool before = m_noQuestions;
            m_noQuestions = true;
            AutoSaveNow();
            m_autoSaveWriter->Wait();
            m_noQuestions = before;
        });
}

TfMain::~TfMain()
{
    // FormDestroy: the store and the grid go with the window.
}

bool TfMain::ClaimSingleInstance()
{
    AutoStart = false;
    DayList_.clear();
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
    // Said once, with the diary's load (one box for both), rather than found
    // out when the window closes and the day's notes cannot be kept.
    m_folderUnwritable = !FolderTakesNewFiles(ProgramFolder());
}

void TfMain::StepApplyRememberedPlugin()
{
    StartupPluginStep([this](const QString& path) { return LoadSkin(path); },
                      [this](std::function<void()> write) { QTimer::singleShot(0, this, std::move(write)); });
}

TSkinTargets TfMain::SkinTargets() const
{
    // Before the calculation view is built, its part is empty.
    const TSkinTargets calc = Panel2 ? Panel2->SkinTargets() : TSkinTargets{};
    const TSkinTargets& diary = Panel1->SkinTargets();
    TSkinTargets t;
    t.mainPicture = Image1;
    t.diaryPicture = diary.diaryPicture;
    t.calcPicture = calc.calcPicture;
    t.menuLabels = m_menuLabels;
    t.headings = Joined(calc.headings, diary.headings);
    t.captions = calc.captions;
    t.values = Joined(calc.values, diary.values);
    t.inputs = Joined(diary.inputs, calc.inputs, {lb});
    t.marker = pCur;
    t.aboutPicture = fAbout ? fAbout->Picture() : nullptr;
    return t;
}

void TfMain::SetAbout(TfAbout* about)
{
    fAbout = about;
    TSkinTargets t;
    t.aboutPicture = about->Picture();
    for (const QString& path : std::exchange(m_aboutSkinPaths, {}))
        ApplyPluginToView(path, t);
}

bool TfMain::LoadSkin(const QString& path)
{
    if (Panel2)
        return LoadPlugin(path, SkinTargets());
    // The calculation view gets it when it is built; its picture is checked
    // now against the view's size, as the others are.
    m_calcSkinPaths << path;
    const bool loaded = LoadPlugin(path, SkinTargets(), QSize(638, 308));
    // The About picture is the load's last step: a load that failed never
    // reached it.
    if (loaded && !fAbout)
        m_aboutSkinPaths << path;
    return loaded;
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

namespace {

// log.cnf: the diary, unless it could not be read this session.
QString DiaryFilePath()
{
    return ProgramFolder() + QStringLiteral("log.cnf");
}

// log-<date>-<time>.cnf beside log.cnf; a number is added should a file of
// that name be there already.
QString SessionDiaryPath(const QString& folder)
{
    const QString stem = folder + QStringLiteral("log-") + Now().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString path = stem + QStringLiteral(".cnf");
    for (int i = 1; QFileInfo(path).exists() || QFileInfo(path).isSymLink(); ++i)
        path = stem + QStringLiteral("-%1.cnf").arg(i);
    return path;
}

} // namespace

void TfMain::StepLoadDiary()
{
    // A large diary is read on a worker while the window paints; until it is
    // in, the window's input waits and every save waits for it (TakeDiary).
    if (m_diaryLoad->Start(DiaryFilePath(), true)) {
        TakeDiary();
        return;
    }
    m_inputHold->Hold();
    // Once the window is up: reading 50 MB beside the window's own start
    // slows it down on a busy machine more than it gains on an idle one.
    QTimer::singleShot(0, m_diaryLoad, &TDiaryLoad::Launch);
}

bool TfMain::DiaryLoaded() const
{
    return !m_diaryLoad->Pending();
}

void TfMain::TakeDiary(TInputHold::TReplay replay)
{
    std::optional<TDiaryLoadResult> loaded = m_diaryLoad->Take();
    if (!loaded)
        return;
    const bool late = m_inputHold->Holding();
    DayList_ = std::move(loaded->Store);
    if (late) {
        // The day's note and the month's marks, which start-up showed for
        // an empty store; then the input that waited, on the note.
        Panel1->ShowSelectedDay();
    }
    ReportDiaryLoad(loaded->Outcome, loaded->Reason);
    m_inputHold->Release(replay);
}

void TfMain::ReportDiaryLoad(TLoadOutcome outcome, const QString& reason)
{
    const QString path = DiaryFilePath();
    // Ending on a signal, no one may be there to answer.
    const auto Say = [this](const QString& text) {
        if (!m_noQuestions)
            ShowWarning(text);
    };
    m_diaryPath = path;
    const QString shown = QDir::toNativeSeparators(path);
    if (m_folderUnwritable) {
        QString text = QStringLiteral("Папка программы недоступна для записи: заметки не будут сохранены. Папка: %1")
                           .arg(QDir::toNativeSeparators(ProgramFolder()));
        if (!MayReplaceAfterLoad(outcome)) {
            // No session file either: it could not be written there.
            m_diaryPath.clear();
            text += QStringLiteral("\nФайл записей %1 не удалось прочитать: %2.").arg(shown, reason);
        }
        Say(text);
        return;
    }
    if (outcome == TLoadOutcome::MergedDates) {
        Say(QStringLiteral("В файле записей %1 одна и та же дата записана несколько раз. "
                           "Записи каждой даты объединены в одну, ничего не потеряно.\n"
                           "Исходный файл сохранён в %2.")
                .arg(shown, QDir::toNativeSeparators(DiaryBackupPath(path))));
        return;
    }
    if (outcome == TLoadOutcome::Damaged) {
        Say(QStringLiteral("Файл записей %1 повреждён. Прочитано записей: %2.\n"
                           "Весь исходный файл сохранён в %3.")
                .arg(shown)
                .arg(DayList_.size())
                .arg(QDir::toNativeSeparators(DiaryBackupPath(path))));
        return;
    }
    if (MayReplaceAfterLoad(outcome))
        return;
    m_diaryPath = SessionDiaryPath(ProgramFolder());
    const QString session = QDir::toNativeSeparators(m_diaryPath);
    if (outcome == TLoadOutcome::Unreadable)
        Say(QStringLiteral("Не удалось прочитать файл записей %1: %2.\n"
                           "Этот файл не будет изменён. Записи этого сеанса сохраняются в файл %3.")
                .arg(shown, reason, session));
    else
        Say(QStringLiteral("Файл записей %1 повреждён (прочитано записей: %2), "
                           "а его копию %3 не удалось записать: %4.\n"
                           "Этот файл не будет изменён. Записи этого сеанса сохраняются в файл %5.")
                .arg(shown)
                .arg(DayList_.size())
                .arg(QDir::toNativeSeparators(DiaryBackupPath(path)), reason, session));
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
    if (SaveBeforeClose()) {
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
    // A close while the diary is being read waits for it: only the whole
    // diary is ever written. What was typed meanwhile is kept; a click is
    // not acted on in the middle of the close.
    TakeDiary(TInputHold::TReplay::TypingOnly);
    m_autoSave->Cancel();
    // An autosave still writing finishes first; the close's own save below
    // then has the last word.
    m_autoSaveWriter->Finish();
    const QString path = m_diaryPath;
    if (path.isEmpty())
        return true; // never shown: nothing was read, nothing to write
    // A failed copy is said, then the save goes on: the day's notes matter
    // more. A session file is not the diary and gets no daily copies.
    const bool backUp = path == DiaryFilePath();
    const QByteArray bytes = EncodeDiary(DayList_);
    const auto write = [&] {
        return backUp ? WriteDiaryOfDay(path, Today(), bytes)
                      : TDiaryWriteResult{std::nullopt, WriteFileAtomically(path, bytes)};
    };
    TDiaryWriteResult done = write();
    if (done.backupError && !m_folderUnwritable && !m_noQuestions)
        ShowWarning(QStringLiteral("Не удалось сохранить резервную копию записей:\n%1").arg(*done.backupError));
    for (; done.saveError; done = write()) {
        const QString* err = &*done.saveError;
        if (m_folderUnwritable || m_noQuestions)
            return true; // told at start, or no one to ask; the previous file stays whole
        MessageRequest r;
        r.icon = QMessageBox::Warning;
        r.caption = QString::fromUtf8(AppTitle);
        r.text = QStringLiteral("Не удалось сохранить записи в файл %1:\n%2\n\n"
                                "Если закрыть программу сейчас, изменения записей будут потеряны.")
                     .arg(QDir::toNativeSeparators(path), *err);
        r.buttons = QMessageBox::Retry | QMessageBox::Discard | QMessageBox::Cancel;
        r.defaultButton = QMessageBox::Cancel;
        r.buttonTexts = {{QMessageBox::Retry, QStringLiteral("Повторить")},
                         {QMessageBox::Discard, QStringLiteral("Закрыть без сохранения")},
                         {QMessageBox::Cancel, QStringLiteral("Остаться в программе")}};
        const auto answer = ShowMessage(r);
        if (answer == QMessageBox::Discard)
            return true;
        if (answer != QMessageBox::Retry)
            return false;
    }
    return true;
}

void TfMain::AutoSaveNow()
{
    TakeDiary();
    m_autoSave->Cancel();
    if (m_diaryPath.isEmpty())
        return;
    // A failure is said once (AutoSaveWritten), not at every keystroke. The
    // snapshot is taken here, between two events: a copy of
    // the store shares the notes' bytes, which nothing changes in place, so
    // it costs a walk of the records, not of the text. The day's backup,
    // encoding, writing and flushing a large diary would hold the window; a
    // worker does them, the backup first. A failed copy is tried again at
    // the next write. A session file (log.cnf could not be read) has no
    // daily backups: it is not the diary.
    const QString path = m_diaryPath;
    const bool backUp = path == DiaryFilePath();
    m_autoSaveWriter->WriteWith(path, [snapshot = DayList_, path, backUp, today = Today()] {
        const QByteArray bytes = EncodeDiary(snapshot);
        return backUp ? WriteDiaryOfDay(path, today, bytes).saveError : WriteFileAtomically(path, bytes);
    });
}

void TfMain::AutoSaveWritten(const QString& path, const QString& error)
{
    if (error.isEmpty()) {
        m_autoSaveFailShown = false;
        return;
    }
    // Said at once, and once until a save succeeds again; the store keeps
    // every note, and the next change (or the close) writes them all.
    if (m_autoSaveFailShown || m_folderUnwritable || m_noQuestions)
        return;
    m_autoSaveFailShown = true;
    ShowWarning(QStringLiteral("Не удалось сохранить записи в файл %1: %2.\n"
                               "Записи остаются в программе; сохранение будет повторено при следующем изменении.")
                    .arg(QDir::toNativeSeparators(path), error));
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
    const QDate day = Panel1->AppendToSelectedDay(paragraph);
    return day.isValid() ? QStringLiteral("Записано в заметку за ") + DiaryDateText(day) : QString();
}

void TfMain::EndWithoutQuestions()
{
    m_noQuestions = true;
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
    for (const QString& path : std::exchange(m_calcSkinPaths, {}))
        ApplyPluginToView(path, Panel2->SkinTargets());
    // The links look like the diary's own link: taken after the plug-in's
    // steps, as the links' own font steps came before the diary link's.
    Panel2->FollowLinkStyleOf(Panel1->LinkStyleModel());
    connect(Panel2, &TCalcView::writeToDiaryRequested, this, &TfMain::WriteCalculationToDiary);
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

void TfMain::ChoosePluginFromHeader()
{
    lb->HideList();
    Guarded([this] { RememberChosenPlugin(); });
}

void TfMain::RememberChosenPlugin()
{
    if (const auto chosen = ChoosePlugin(this, [this](const QString& path) { return LoadSkin(path); }))
        RewriteAfterPluginChoice(*chosen);
}

void TfMain::ChoosePluginFromMenu()
{
    Guarded([this] { RememberChosenPlugin(); });
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
