// Undoing the window system's density scaling for the controls that must
// match the pictures behind them.
#pragma once
#include <QWidget>

namespace kelto {

// value × 96 / dpi in floating point, halves to the even neighbour.
int RestoreDesignValue(int value, double dpi);

// The dots per inch that stand for the toolkit's own enlargement of logical
// measures. Qt 6 scales the whole window by the device-pixel ratio and keeps
// logical measures at their design values, so this is 96: nothing shrinks.
double ToolkitDesignDpi();

// Applies the rule to the fixed list of controls, in its order. `about` is
// the About window, resized as a whole.
void RestoreDesignSize(QWidget* mainWindow, QWidget* about, double dpi);

} // namespace kelto
