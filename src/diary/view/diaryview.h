// The diary view: year, month tabs, month grid, weekday and the notepad of
// the selected day, and the export of every note to note.txt.
#pragma once
#include "diary/daystore.h"
#include "gui/skintargets.h"

#include <QStringList>
#include <QLabel>
#include <QWidget>

class QLabel;
class QLineEdit;
class QMenu;
class QTextEdit;

namespace kelto {

class TLinkLabel;
class TMonthGrid;
class TMonthTabs;
class TSearchPanel;
class TSpinButton;
struct TNoteSpan;

class TDiaryView : public QWidget {
    Q_OBJECT
public:
    // Indexed by the day of the week, 1 = Sunday; index 0 is unused.
    static const QStringList DayNames;

    TDiaryView(TDayList& store, QWidget* parent = nullptr);

    // Start-up steps, in the order the main window runs them.
    void CreateMonthGrid();
    void ClearMarkedDays();
    void ResetToToday();
    // The view was switched to: typing goes to its first input, the year.
    void FocusFirstInput();
    void ShowSelectedDay();
    // While the diary is still being read the notepad says so
    // ("Дневник загружается…") rather than offering an empty note.
    void SetDiaryLoading(bool loading);

    // What the plug-in reaches in this view (its background, captions, the
    // year-notes link and the inputs), in the order of the plug-in's table.
    const TSkinTargets& SkinTargets() const { return m_skin; }
    // The year-notes link, whose look (as a plug-in sets it) the other links
    // of the window follow.
    QWidget* LinkStyleModel() const;

    void SetNotepadMenu(QMenu* menu) { m_notepadMenu = menu; }
    // The grid's day; invalid before the grid is built.
    QDate SelectedDate() const;
    const TMarkedDays& MarkedDays() const { return m_marked; }

    // The notepad's paragraphs: what word wrap shows on several lines is one
    // line here, and a final empty paragraph is not counted.
    QStringList NotepadLines() const;

    // The note rules on the grid's selected date and the notepad's lines.
    void StoreNote();
    void StoreNote(const QString& notepadText);
    void LoadDayNote();
    void UpdateMarkedDays();

    // Shows `date` as if the user had picked it (year, month tab, grid,
    // notepad) and selects `span` of its note in the notepad.
    void ShowDay(const QDate& date, const TNoteSpan& span);
    // Appends `paragraph` on a new line after the selected day's note, as if
    // typed (stored, marked, autosaved), unless the note ends with it
    // already. The day is invalid if none could take it.
    struct TAppended {
        QDate day;
        bool already = false;
    };
    TAppended AppendToSelectedDay(const QString& paragraph);
    // The search panel: opens it, or closes it when it is open.
    void ToggleSearch();

signals:
    // After every change the notepad made to the store.
    void noteStored();

public slots:
    void ShowWeekdayAndNote();
    void FollowYearField();
    void NextYear();
    void PreviousYear();
    void ShowMonthOfTab(int tab);
    void StoreChangedNote();
    void StoreAfterErasingKey(int key);
    void ExportNotes();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TSearchPanel* SearchPanel();
    QLabel* Image3 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    TLinkLabel* lBlok = nullptr;
    TLinkLabel* lFind = nullptr;
    TSearchPanel* pSearch = nullptr; // built when first opened (SearchPanel)
    QLineEdit* eYear = nullptr;
    TSpinButton* sbYear = nullptr;
    QLineEdit* cbDay = nullptr;
    QTextEdit* reblok = nullptr;
    TMonthTabs* TabControl1 = nullptr;
    QWidget* Panel3 = nullptr;

    // The constructor's steps, in their order (it gives the tab order).
    void CreateDateFields();
    void CreateLinks();
    void CreateNotepad();
    void CreateSearch();
    void CreateMonthTabs();
    void ConnectControls();

    // Drops every key but the digits and Backspace; true when dropped.
    // The field back to the calendar's year when it was left unfinished.
    void ShowCalendarYear();
    // Replaces what code page 1251 cannot hold by "?", in place, so that the
    // notepad shows what log.cnf will keep.
    // True when something was replaced (the notepad's text then changed).
    bool KeepToCp1251Repertoire(const QString& text);
    void StoreNotepad();
    void StoreNotepad(const QString& notepadText);
    void setMarkedDays(const TMarkedDays& marked);
    void SetNotepadLines(const QStringList& lines);

    TDayList& m_store;
    TSkinTargets m_skin;
    TMarkedDays m_marked;
    bool m_loading = false;
    bool m_mending = false;
    // The selected day's note is too large for the notepad: shown read-only,
    // never stored from the notepad.
    bool m_noteTooLarge = false;
    bool m_diaryLoading = false;
    void ShowPlaceholder();
    // True while the notepad's text is the one last stored.
    bool m_notepadStored = false;
    TMonthGrid* m_grid = nullptr;
    QMenu* m_notepadMenu = nullptr;
};

} // namespace kelto
