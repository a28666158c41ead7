// The header from the keyboard: shortcuts for the view buttons and the
// reference list, and tooltips that name them.
#pragma once
#include <QKeySequence>
#include <functional>
#include <vector>

class QWidget;

namespace kelto {

class TDocsList;

struct THeaderKey {
    QWidget* button;             // gets `tooltip`
    const char* tooltip;         // names the key, if there is one
    QKeySequence key;            // empty: a tooltip only
    std::function<void()> press; // what the key does, as the button does
    // What Enter, Space or Down do while the button has the focus; empty:
    // `press`. With `menuKey` the context-menu key does it too.
    std::function<void()> activate = {};
    bool menuKey = false;
};

// Installs the keys on `window` and the tooltips on the buttons, and Escape,
// which hides `list` while it is shown (and does nothing otherwise, so that
// Escape still reaches the controls of the views). F10 puts the focus on the
// first button; Left and Right then move along the buttons in the order
// given, Enter, Space or Down activate the focused one, and Escape gives the
// focus back to where it was.
void InstallHeaderKeys(QWidget* window, TDocsList* list, const std::vector<THeaderKey>& keys);

} // namespace kelto
