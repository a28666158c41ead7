// The main window: header band with its hot spots, the two views, the
// reference list and the start-up and shut-down order.
#pragma once
#include "core/instanceguard.h"
#include "gui/skintargets.h"
#include "app/inputhold.h"
#include "skin/view/plugin.h"

#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class QLabel;
class QMenu;
class QAction;

namespace kelto {

class TCalcView;
class TDiaryKeeper;
class TJournalHook;
class THotSpot;
class TfAbout;
class TDiaryView;
class TDocsList;

class TfMain : public QWidget {
    Q_OBJECT
public:
    // `programFolder` empty: the executable's folder. Tests pass a temporary one.
    explicit TfMain(const QString& programFolder = {}, QWidget* parent = nullptr);
    ~TfMain() override;

    // Fields, then the single-instance guard. False for a second copy: the
    // refusal has been shown and the caller ends the program.
    bool ClaimSingleInstance();
    // The About window, built once the main window is up; the plug-ins
    // loaded before it are applied to it now.
    void SetAbout(TfAbout* about);

    struct TStartupStep {
        const char* name;
        void (TfMain::*run)();
    };
    static const std::vector<TStartupStep>& StartupSteps();
    // Names of the steps run so far, in order.
    const QStringList& StepsRun() const { return m_stepsRun; }

    // False while a large diary is still being read after start-up.
    bool DiaryLoaded() const;
    // Everything a plug-in reaches in both windows: the header's own
    // controls and the views' lists, block by block in the plug-in's order
    // (the calculation view's once it is built).
    TSkinTargets SkinTargets() const;
    // The plug-in read once and applied to SkinTargets(); the windows not
    // built yet get the value when they are.
    bool LoadSkin(const QString& path);

    // Where the diary is saved: log.cnf, or, when log.cnf must not be written
    // over (it could not be read, or its damaged text has no copy yet), a
    // file of this session's own beside it.
    const QString& DiaryPath() const;
    bool AutoStart = false;

public slots:
    void OnFirstShow();
    bool SaveBeforeClose(); // false: the user chose to stay
    void CloseProgram();
    void OpenPublisherSite();
    void ShowDiary();
    void ShowCalculation();
    void ToggleDocuments();
    void ChoosePluginFromHeader();
    void ShowAbout();
    void ChoosePluginFromMenu();
    void SwitchAutoStartFromMenu();
    void AutoSaveNow();
    // "Записать расчёт в дневник".
    void WriteCalculationToDiary();
    // A paragraph of a calculation onto the note of the diary's selected
    // day; what the link then says ("Записано в заметку за …"), or empty.
    QString AppendToDiary(const QString& paragraph);
    // A termination signal or the end of the desktop session: save and end
    // as a close does, without asking anything, since no one may be there
    // to answer.
    void EndWithoutQuestions();
    // The desktop session ends (commitDataRequest): the notes on disk at
    // once, nothing asked.
    void EndOfDesktopSession();
    // True once the program was asked to end (a signal during start-up, say):
    // start-up stops, and the caller ends rather than entering its loop.
    bool EndRequested() const { return m_endRequested; }

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    // The constructor's steps, in their order (later controls lie above
    // earlier ones).
    void CreateHeader();
    void CreateViews();
    void CreateMenus();
    void ConnectHeader();
    void CreateHeaderKeys();
    void CreateAutoSave();

    // The start-up steps, in their order.
    void StepSetClientArea();
    void StepPlaceViews();
    void StepSetProgramFolder();
    void StepApplyRememberedPlugin();
    void StepReadAutoStart();
    void StepCreateMonthGrid();
    void StepClearMarkedDays();
    void StepDiaryToToday();
    void StepLoadDiary();
    void StepShowSelectedDay();
    void StepClosingAutoStart();

    // The plug-in dialog; an applied choice becomes line 1 of ini.cnf.
    void RememberChosenPlugin();
    void ShowDiaryView();
    void ShowCalcView();
    // The calculation view, built when first needed.
    TCalcView* CalcView();
    // The diary read at start-up into the store, waiting for the reading if
    // it is still under way, and what went wrong said; once.
    void TakeDiary(TInputHold::TReplay replay = TInputHold::TReplay::Everything);

    QString m_programFolderOverride;
    TDiaryKeeper* m_keeper;
    bool m_shown = false;
    QStringList m_stepsRun;
    TInstanceGuard m_guard;
    TfAbout* fAbout = nullptr;

    QLabel* Image1 = nullptr;
    THotSpot* Label1 = nullptr;
    THotSpot* Label2 = nullptr;
    THotSpot* SpeedButton6 = nullptr;
    THotSpot* SpeedButton7 = nullptr;
    THotSpot* SpeedButton9 = nullptr;
    THotSpot* SpeedButton10 = nullptr;
    THotSpot* SpeedButton1 = nullptr;
    TCalcView* Panel2 = nullptr;
    TJournalHook* m_journal = nullptr; // the control journal, opened on first use
    TDiaryView* Panel1 = nullptr;
    QWidget* pCur = nullptr;
    std::vector<QWidget*> m_menuLabels; // l1 … l5, which only a plug-in touches
    TDocsList* lb = nullptr;
    QMenu* pmSpravka = nullptr;
    QMenu* pmVid = nullptr;
    QAction* N3 = nullptr;
    QAction* N4 = nullptr;
    TInputHold* m_inputHold = nullptr;
    // The plug-in applied last (marked in the dialog), and the plug-ins
    // loaded before the calculation view and the About window were built,
    // in order, as read: each gets them when it is.
    QString m_pluginPath;
    std::vector<TPlugin> m_pluginsForCalc;
    std::vector<TPlugin> m_pluginsForAbout;
    bool m_closing = false;
    bool m_endRequested = false;
    bool m_inClose = false;
};

} // namespace kelto
