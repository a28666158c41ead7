// What the calculation view's tool windows (source, ISO, technique card)
// have in common: their frame, their font, and the column of captions with
// inputs and results beside them.
#pragma once
#include <QString>
#include <Qt>

class QColor;
class QFont;
class QLabel;
class QPalette;
class QLineEdit;
class QWidget;

namespace kelto {

// A fixed-size window of its own, with a title and a close button only.
constexpr Qt::WindowFlags ToolWindowFlags = Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
    | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint;

// Names, titles and sizes `window`, and gives it the design font: a window
// of its own does not inherit the main window's.
void SetUpToolWindow(QWidget* window, const char* name, const QString& title, int width, int height);

// A plug-in's looks on a tool window: its ground and caption colour, and on
// an input its font and text colour, the field keeping its own light ground
// as the calculation view's fields do.
void DressToolWindow(QWidget* window, const QColor& background, const QColor& captionColour);
void DressToolInput(QWidget* input, const QFont& font, const QPalette& inputPalette);

// The column layout of the source and ISO windows: a right-aligned caption
// and, beside it, an input or a result.
namespace toolcolumn {
constexpr int CaptionLeft = 10, CaptionWidth = 250, InputLeft = 268, RowHeight = 21;
QLabel* Caption(QWidget* parent, const QString& text, int top);
QLineEdit* Edit(QWidget* parent, const char* name, int top, int width = 80);
// A bold result, "—" until the first calculation.
QLabel* Result(QWidget* parent, const char* name, int top);
} // namespace toolcolumn

} // namespace kelto
