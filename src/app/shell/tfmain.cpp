#include "app/shell/tfmain.h"
#include "app/shell/designsize.h"
#include "app/shell/hotspot.h"
#include "app/shell/snapshotwriter.h"
#include "app/shell/tfabout.h"
#include "app/report.h"
#include "app/textfile.h"
#include "app/settings/settingsfile.h"
#include "calc/calcview.h"
#include "diary/logfile.h"
#include "diary/view/diaryview.h"
#include "docs/docslist.h"
#include "docs/shellopen.h"
#include "skin/view/plugin.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QTimer>

namespace kelto {

namespace {
constexpr int AutoSaveDelayMs = 2000;

QLabel* navLabel(QWidget* parent, const char* name, const QString& text, int left)
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
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
    , m_programFolderOverride(programFolder)
{
    setObjectName(QStringLiteral("fMain"));
    setWindowTitle(QString::fromUtf8(AppTitle));
    setWindowIcon(QIcon([] {
        QIcon icon;
        for (int s : {16, 32, 48})
            icon.addFile(QStringLiteral(":/assets/icon%1.png").arg(s), QSize(s, s));
        return icon;
    }()));
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setPointSize(8);
    setFont(f);
    setFixedSize(638, 457);

    // Stacking order: later controls lie above earlier ones.
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, 638, 457);
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1->setPixmap(QPixmap(QStringLiteral(":/assets/main.jpg")));

    navLabel(this, "l1", QStringLiteral("Ежедневник"), 16);
    navLabel(this, "l3", QStringLiteral("Оформление"), 464);
    navLabel(this, "l4", QStringLiteral("О программе"), 552);
    navLabel(this, "l2", QStringLiteral("Расчеты"), 104);
    navLabel(this, "l5", QStringLiteral("ГОСТ 7512-82"), 373);

    Label1 = new THotSpot(QStringLiteral("Label1"), QRect(600, 0, 36, 33), this, true);
    Label2 = new THotSpot(QStringLiteral("Label2"), QRect(21, 17, 105, 57), this, true);
    SpeedButton6 = new THotSpot(QStringLiteral("SpeedButton6"), QRect(236, 8, 70, 24), this, false);
    SpeedButton7 = new THotSpot(QStringLiteral("SpeedButton7"), QRect(317, 8, 70, 24), this, false);
    SpeedButton9 = new THotSpot(QStringLiteral("SpeedButton9"), QRect(479, 8, 70, 24), this, false);
    SpeedButton10 = new THotSpot(QStringLiteral("SpeedButton10"), QRect(560, 8, 70, 24), this, false);
    SpeedButton1 = new THotSpot(QStringLiteral("SpeedButton1"), QRect(397, 8, 70, 24), this, false);

    Panel2 = new TCalcView(this);
    Panel2->move(0, 148);
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

    pmSpravka = CreateSpravkaMenu(this);
    Panel1->setNotepadMenu(pmSpravka);

    pmVid = new QMenu(this);
    pmVid->setObjectName(QStringLiteral("pmVid"));
    N3 = pmVid->addAction(QStringLiteral("Выбрать плагин"));
    N3->setObjectName(QStringLiteral("N3"));
    N4 = pmVid->addAction(QStringLiteral("Автозапуск программы"));
    N4->setObjectName(QStringLiteral("N4"));
    N4->setCheckable(true);
    N4->setChecked(true);
    connect(N3, &QAction::triggered, this, &TfMain::N3Click);
    connect(N4, &QAction::triggered, this, &TfMain::N4Click);

    connect(Label1, &THotSpot::clicked, this, &TfMain::Label1Click);
    connect(Label2, &THotSpot::clicked, this, &TfMain::Label2Click);
    connect(SpeedButton6, &THotSpot::mouseDown, this, &TfMain::SpeedButton6MouseDown);
    connect(SpeedButton7, &THotSpot::mouseDown, this, &TfMain::SpeedButton7MouseDown);
    connect(SpeedButton1, &THotSpot::mouseDown, this, &TfMain::SpeedButton1MouseDown);
    connect(SpeedButton9, &THotSpot::clicked, this, &TfMain::SpeedButton9Click);
    connect(SpeedButton9, &THotSpot::mouseDown, this, [this](Qt::MouseButton b, const QPoint& at) {
        // The settings menu, with the autostart switch, is offered on the
        // right button; the left click still chooses a plug-in.
        if (b == Qt::RightButton) {
            lb->hideList();
            pmVid->popup(at);
        }
    });
    connect(SpeedButton10, &THotSpot::clicked, this, &TfMain::SpeedButton10Click);

    // Notes are written shortly after the typing stops, so a crash or a power
    // cut loses only the last seconds.
    m_autoSave = new QTimer(this);
    m_autoSave->setSingleShot(true);
    m_autoSave->setInterval(AutoSaveDelayMs);
    connect(m_autoSave, &QTimer::timeout, this, &TfMain::AutoSaveNow);
    m_autoSaveWriter = new TSnapshotWriter(this);
    connect(Panel1, &TDiaryView::noteStored, m_autoSave, qOverload<>(&QTimer::start));
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        connect(app, &QGuiApplication::commitDataRequest, this, [this] {
            // The session is ending: the notes must be on disk on return.
            AutoSaveNow();
            m_autoSaveWriter->wait();
        });
}

TfMain::~TfMain()
{
    // FormDestroy: the store and the grid go with the window.
}

bool TfMain::FormCreate()
{
    Loading = false;
    AutoStart = false;
    DayList_.clear();
    if (!m_guard.acquire()) {
        MessageRequest r;
        r.icon = QMessageBox::Critical;
        r.text = QStringLiteral("Не возможен запуск второй копии программы! Выход.");
        ShowMessage(r);
        return false;
    }
    return true;
}

const std::vector<TfMain::TStartupStep>& TfMain::StartupSteps()
{
    static const std::vector<TStartupStep> steps = {
        {"PlaceSchemePictures", &TfMain::StepPlaceSchemePictures},
        {"SetClientArea", &TfMain::StepSetClientArea},
        {"PlaceViews", &TfMain::StepPlaceViews},
        {"SetProgramFolder", &TfMain::StepSetProgramFolder},
        {"ApplyRememberedPlugin", &TfMain::StepApplyRememberedPlugin},
        {"ReadAutoStart", &TfMain::StepReadAutoStart},
        {"CreateMonthGrid", &TfMain::StepCreateMonthGrid},
        {"ClearMarkedDays", &TfMain::StepClearMarkedDays},
        {"DiaryToToday", &TfMain::StepDiaryToToday},
        {"LoadDiary", &TfMain::StepLoadDiary},
        {"RunCalculation", &TfMain::StepRunCalculation},
        {"ShowSelectedDay", &TfMain::StepShowSelectedDay},
        {"RestoreDesignSizes", &TfMain::StepRestoreDesignSizes},
        {"ClosingAutoStart", &TfMain::StepClosingAutoStart},
    };
    return steps;
}

void TfMain::showEvent(QShowEvent* e)
{
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
    QWidget::showEvent(e);
}

void TfMain::FormShow()
{
    for (const TStartupStep& s : StartupSteps()) {
        m_stepsRun << QLatin1String(s.name);
        // Each step handles its own failures; start-up goes on regardless.
        Guarded([&] { (this->*s.run)(); });
    }
}

void TfMain::StepPlaceSchemePictures() { Panel2->PlaceSchemePictures(); }

void TfMain::StepSetClientArea()
{
    setFixedSize(638, 457);
    if (QScreen* s = screen())
        move(s->availableGeometry().center() - QPoint(width() / 2, height() / 2));
}

void TfMain::StepPlaceViews()
{
    Panel1->move(0, 149);
    Panel2->move(0, 148);
    Panel2->hide();
    Panel1->show();
}

void TfMain::StepSetProgramFolder()
{
    SetProgramFolder(m_programFolderOverride.isEmpty() ? ExecutableFolder() : m_programFolderOverride);
}

void TfMain::StepApplyRememberedPlugin()
{
    StartupPluginStep([this](const QString& path) { return LoadPlugin(path, this, fAbout); });
}

void TfMain::StepReadAutoStart()
{
    AutoStart = ReadAutoStartFlag();
    N4->setChecked(AutoStart);
}

void TfMain::StepCreateMonthGrid() { Panel1->CreateMonthGrid(); }
void TfMain::StepClearMarkedDays() { Panel1->ClearMarkedDays(); }
void TfMain::StepDiaryToToday() { Panel1->ResetToToday(); }

void TfMain::StepLoadDiary()
{
    LoadDiary(ProgramFolder() + QStringLiteral("log.cnf"), DayList_);
}

void TfMain::StepRunCalculation() { Panel2->cbSensChange(); }
void TfMain::StepShowSelectedDay() { Panel1->ShowSelectedDay(); }

void TfMain::StepRestoreDesignSizes()
{
    RestoreDesignSize(this, fAbout, ToolkitDesignDpi());
}

void TfMain::StepClosingAutoStart()
{
    // Deliberately empty: autostart changes only when the user switches it,
    // and the menu's check mark shows what ini.cnf says.
}

void TfMain::closeEvent(QCloseEvent* e)
{
    if (FormClose())
        e->accept();
    else
        e->ignore();
}

bool TfMain::FormClose()
{
    m_autoSave->stop();
    // An autosave still writing finishes first; the close's own save below
    // then has the last word.
    m_autoSaveWriter->finish();
    const QString path = ProgramFolder() + QStringLiteral("log.cnf");
    if (ProgramFolder().isEmpty())
        return true; // never shown: nothing was read, nothing to write
    while (auto err = SaveDiary(path, DayList_)) {
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
    m_autoSave->stop();
    if (ProgramFolder().isEmpty())
        return;
    // A failure here is not shown at every keystroke; the close-time save
    // still speaks. The snapshot is taken here, between two events: a copy of
    // the store shares the notes' bytes, which nothing changes in place, so
    // it costs a walk of the records, not of the text. Encoding, writing and
    // flushing a large diary would hold the window; a worker does them.
    m_autoSaveWriter->write(ProgramFolder() + QStringLiteral("log.cnf"),
                            [snapshot = DayList_] { return EncodeDiary(snapshot); });
}

void TfMain::Label1Click() { close(); }

void TfMain::Label2Click()
{
    Guarded([] { OpenWithShell(QString::fromLatin1(PublisherAddress)); });
}

void TfMain::showDiaryView()
{
    Panel2->hide();
    Panel1->show();
}

void TfMain::showCalcView()
{
    Panel1->hide();
    Panel2->show();
}

void TfMain::SpeedButton6MouseDown()
{
    lb->hideList();
    showDiaryView();
}

void TfMain::SpeedButton7MouseDown()
{
    lb->hideList();
    showCalcView();
}

void TfMain::SpeedButton1MouseDown() { lb->toggle(); }

void TfMain::SpeedButton9Click()
{
    lb->hideList();
    Guarded([this] { ChoosePlugin(this, fAbout); });
}

void TfMain::N3Click()
{
    Guarded([this] { ChoosePlugin(this, fAbout); });
}

void TfMain::N4Click()
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

void TfMain::SpeedButton10Click()
{
    lb->hideList();
    if (fAbout)
        fAbout->exec();
}

} // namespace kelto
