// The main window's header: its hot spots, menus and keys, and what a
// plug-in reaches in the window and the choice of one (the rest of TfMain is
// in tfmain.cpp).
#include "app/tfmain.h"
#include "app/headerkeys.h"
#include "app/hotspot.h"
#include "app/journalhook.h"
#include "app/settingsfile.h"
#include "app/tfabout.h"
#include "calc/view/calcview.h"
#include "diary/view/diaryview.h"
#include "docs/view/docslist.h"
#include "gui/picturelabel.h"
#include "gui/report.h"
#include "skin/view/plugin.h"

#include <QAction>
#include <QLabel>
#include <QMenu>

namespace kelto {

namespace {

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
    auto* journalPlace = pmVid->addAction(QStringLiteral("Журнал контроля…"));
    journalPlace->setObjectName(QStringLiteral("nJournalPlace"));
    // The hook is made after the menus.
    connect(journalPlace, &QAction::triggered, this, [this] { m_journal->OpenSettings(); });
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
    for (const TPlugin& plugin : std::exchange(m_pluginsForAbout, {}))
        ApplyPluginToView(plugin, t);
}

bool TfMain::LoadSkin(const QString& path)
{
    // The windows not built yet have their pictures checked now against
    // their design sizes, as the others are.
    TPictureSizes sizes = DesignSizes(SkinTargets());
    sizes.try_emplace(TPluginKey::CalcPicture, QSize(638, 308));
    sizes.try_emplace(TPluginKey::AboutPicture, AboutPictureSize);
    const TPlugin plugin = ReadPlugin(path, sizes);
    const bool loaded = LoadPlugin(plugin, SkinTargets());
    if (!Panel2)
        m_pluginsForCalc.push_back(plugin);
    // The About window gets only a load that went through.
    if (loaded && !fAbout)
        m_pluginsForAbout.push_back(plugin);
    if (loaded)
        m_pluginPath = path;
    return loaded;
}

void TfMain::ChoosePluginFromHeader()
{
    lb->HideList();
    Guarded([this] { RememberChosenPlugin(); });
}

void TfMain::RememberChosenPlugin()
{
    if (const auto chosen = ChoosePlugin(this, m_pluginPath, [this](const QString& path) { return LoadSkin(path); }))
        RewriteAfterPluginChoice(*chosen);
}

void TfMain::ChoosePluginFromMenu()
{
    Guarded([this] { RememberChosenPlugin(); });
}

} // namespace kelto
