// Applying an appearance plug-in to the main window and the About window,
// and choosing one with the open dialog.
#pragma once
#include "gui/skintargets.h"
#include "skin/plgformat.h"

#include <QString>
#include <functional>
#include <memory>
#include <optional>

class QColor;
class QSize;
class QWidget;

namespace kelto {

inline constexpr const char* PluginErrorText = "Ошибка загрузки выбранного плагина!";
inline constexpr const char* PluginDialogTitle = "Выбор плагина оформления";
inline constexpr const char* PluginDialogFilter = "Плагины оформления (*.plg)";

// The colour value as Qt takes it.
QColor ToQColor(TColor value);

// One font block onto one control, each step taking effect at once: name,
// size in points, colour (WindowText, Text and ButtonText), styles. A bad
// value throws kelto::Error and leaves the steps already taken in place.
void ApplyFont(QWidget* control, const QString& name, const QString& size, const QString& colour, const QString& style);

// Decodes the picture a reference names (plain copy in memory, the file is
// only read) and shows it unscaled from the control's top-left corner.
void LoadPictureInto(QWidget* control, const QString& pluginFolder, const QString& reference);

// Applies the plug-in at `path` to `targets`, each list in its order. On any
// error (a missing target among them) "Ошибка загрузки выбранного плагина!"
// is shown once, what was applied stays, and the result is false.
bool LoadPlugin(const QString& path, const TSkinTargets& targets);
// The same while the calculation view is not built yet (`targets` without
// it): its picture is read and checked against `calcPictureSize` as if it
// were shown; the view gets the plug-in when built (ApplyPluginToView). So
// too the About window, when `targets` has no picture of it yet.
bool LoadPlugin(const QString& path, const TSkinTargets& targets, const QSize& calcPictureSize,
                const QSize& aboutPictureSize = AboutPictureSize);
// The plug-in at `path` on the targets of a view built after the plug-in
// was loaded: what the view's lists hold, in the same steps and up to the
// same failure as then; nothing is said (the load said it).
void ApplyPluginToView(const QString& path, const TSkinTargets& view);

// The open dialog over `parent`, and the load. The path of the plug-in now
// applied, or nullopt when the dialog was cancelled or the load failed;
// remembering the choice is the shell's.
std::optional<QString> ChoosePlugin(QWidget* parent, const TSkinTargets& targets);
// The same with the load left to `load` (the shell's, which keeps a part for
// a view built later).
std::optional<QString> ChoosePlugin(QWidget* parent, const std::function<bool(const QString&)>& load);

// The pictures of the plug-in at `path`, decoded on a second thread from
// construction on, while the window is still being built: a load of that
// plug-in during this object's life takes a picture from here instead of
// decoding it again, when its file still holds the very same bytes; every
// check of the load applies as before. Waits for the thread when destroyed,
// so it must end before the application object does.
class TPicturePrefetch {
public:
    explicit TPicturePrefetch(const QString& plgPath);
    ~TPicturePrefetch();
    TPicturePrefetch(const TPicturePrefetch&) = delete;
    TPicturePrefetch& operator=(const TPicturePrefetch&) = delete;

    struct TDecoded;
    struct TState;

private:
    std::unique_ptr<TState> m_state;
};

// Replaces the open dialog (tests); it gets the parent and the starting
// folder and gives the chosen file or an empty text. An empty function
// brings the real dialog back.
void SetPluginDialog(std::function<QString(QWidget* parent, const QString& startDir)> dialog);

} // namespace kelto
