// The documents under "Справка" and the notepad's menu of documents.
#pragma once
#include <QListWidget>
#include <QMenu>

#include "docs/documents.h"

namespace kelto {

// Hands the document to the shell. A missing file is told by name in an
// information box (MissingDocumentText) before the shell is asked, since the
// shell's own text would not say which file or where it was looked for; it
// is not the program's fault. A desktop without a PDF viewer is told in
// words of its own (NoViewerText). False when nothing was handed over.
bool OpenDocument(int document);
bool OpenDocument(const TReferenceDocument& document);

// The user's guide through the same opener; what fails is said in a box.
void OpenUserGuide();
// Shift+F1 opens the user's guide from every window of the program while
// `window` lives.
void InstallUserGuideKey(QWidget* window);

// The drop-down list `lb`. The main window places it (397, 34, 232 × 80)
// and calls Toggle() and HideList() from its header buttons.
class TDocsList : public QListWidget {
    Q_OBJECT
public:
    explicit TDocsList(QWidget* parent = nullptr);

    // The "Справка" button: hidden becomes shown, shown becomes hidden.
    // Showing leaves the keyboard focus where it is.
    void Toggle();
    // The same from the keyboard (F1): a shown list takes the focus, so that
    // the arrow keys move through it and Return opens the current document.
    void ToggleFromKeyboard();
    // Every other header button.
    void HideList();

    // The selected row, -1 when none.
    int SelectedIndex() const;

    // Greys the entries whose files are missing (done whenever it is shown).
    void RefreshPresence();

signals:
    void shownChanged(bool shown);

public slots:
    // A click on an item or a selection moved by the keyboard: open the
    // selected document; hide on success, stay on failure (reported).
    void OpenSelectedDocument();
    // The keyboard focus went to another control of the window.
    void HideOnFocusLoss();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    // Keys move the current entry only; Return opens it. A list that opened
    // a document at every arrow press could not be walked to its last entry.
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index, const QEvent* event) const override;

private:
    // A left press marks the button down; any other is swallowed.
    bool TakeLeftPress(QMouseEvent* event);
    void OnSelectionChanged();

    // While the left button is held the selection follows the mouse; the
    // opening waits for its release.
    bool m_leftDown = false;
};

// The notepad's pop-up menu `pmSpravka`.
class TSpravkaMenu : public QMenu {
    Q_OBJECT
public:
    // One item per document of the menu's table; each opens its document.
    explicit TSpravkaMenu(QWidget* parent = nullptr);
};

QMenu* CreateSpravkaMenu(QWidget* parent);

} // namespace kelto
