// Applying an appearance plug-in to the main window and the About window,
// and choosing one with the open dialog.
#pragma once
#include "gui/skintargets.h"
#include "skin/plgformat.h"

#include <QImage>
#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <optional>

class QColor;
class QLabel;
class QWidget;

namespace kelto {

inline constexpr const char* PluginErrorText = "Ошибка загрузки выбранного плагина!";
inline constexpr const char* PluginDialogTitle = "Выбор плагина оформления";
inline constexpr const char* PluginDialogFilter = "Плагины оформления (*.plg)";

// The colour value as Qt takes it.
QColor ToQColor(TColor value);

// One picture of a plug-in, decoded and checked whole.
struct TPluginPicture {
    QString fileName; // what a failure names
    QImage image;
};

// A plug-in read once: its pictures, font blocks and marker colour by key,
// every value checked. A plug-in that does not read whole keeps the keys
// read before the one that failed (a font block that failed, as far as it
// read), and says what failed; applied, it takes effect up to there, as the
// design toolkit's load did.
struct TPlugin {
    QString path;
    std::map<TPluginKey, TPluginPicture> pictures;
    std::map<TPluginKey, TPluginFont> fonts;
    std::optional<TColor> marker;
    // The key that failed (none: the file itself), and what the user is told.
    std::optional<TPluginKey> failedAt;
    std::optional<QString> failure;
};

// The size each picture must have, by its key; a picture without one is
// only decoded whole.
using TPictureSizes = std::map<TPluginKey, QSize>;
// The design sizes of the picture controls among `targets`.
TPictureSizes DesignSizes(const TSkinTargets& targets);

// Reads the plug-in at `path` into a value, every picture decoded (its
// header checked against `sizes` first, so a picture claiming a huge size
// is never decoded). Never throws.
TPlugin ReadPlugin(const QString& path, const TPictureSizes& sizes = {});

// One font block onto one control, each step taking effect at once: name,
// size in points, colour (WindowText, Text and ButtonText), styles. A block
// that did not read whole throws kelto::TError after the steps it read.
void ApplyFont(QWidget* control, const TPluginFont& font);

// Reads the picture a reference names (the file is only read), checked
// against `design` when it is valid. Throws kelto::TError naming the picture.
TPluginPicture ReadPluginPicture(const QString& pluginFolder, const QString& reference, const QSize& design = {});
// Shows the picture unscaled from the control's top-left corner; a picture
// control's design size is the picture's too (kelto::TError otherwise).
void ShowPluginPicture(QLabel* control, const TPluginPicture& picture);

// Applies `plugin` to `targets`, key by key in the table's order; a target
// not there (a window not built yet) is left out, its value was checked
// when read. When the plug-in did not read whole, "Ошибка загрузки
// выбранного плагина!" is shown once with what failed, what came before
// stays applied, and the result is false.
bool LoadPlugin(const TPlugin& plugin, const TSkinTargets& targets);
// The same on the targets of a window built after the plug-in was loaded,
// up to the same failure; nothing is said (the load said it).
void ApplyPluginToView(const TPlugin& plugin, const TSkinTargets& view);

// The open dialog over `parent`, `current` marked in it, and the load. The
// path chosen and applied, or nullopt when the dialog was cancelled or the
// load failed; remembering the choice is the shell's.
std::optional<QString> ChoosePlugin(QWidget* parent, const QString& current,
                                    const std::function<bool(const QString&)>& load);

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
