// Applying an appearance plug-in to the main window and the About window,
// and choosing one with the open dialog.
#pragma once
#include "skin/plgformat.h"

#include <QSize>
#include <QString>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

class QColor;
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

// The plug-in's work on a view that is not built yet (the calculation view
// is built when first opened). LoadPlugin checks each step as if it took it
// (values parsed, pictures read), keeps the step here, and the view gets
// the steps, in their order, when it is built: the same look, and the same
// failure at the same step, as had the view been there from the start.
class TSkinLater {
public:
    using TStep = std::function<void(QWidget* control)>;
    // Still collecting: the view is not built.
    bool Open() const { return m_open; }
    // The design size of a picture control of the view, against which its
    // picture is checked at load; nullptr for one not named here.
    void ExpectPicture(const QString& control, const QSize& size) { m_pictures.emplace_back(control, size); }
    const QSize* PictureSize(const QString& control) const
    {
        for (const auto& [name, size] : m_pictures)
            if (name == control)
                return &size;
        return nullptr;
    }
    void Keep(const QString& control, TStep step) { m_steps.emplace_back(control, std::move(step)); }
    // Takes every kept step on the controls under `view`, then collects no
    // more: from now on the view is there to be found.
    void ApplyTo(QWidget* view);

private:
    bool m_open = true;
    std::vector<std::pair<QString, TStep>> m_steps;
    std::vector<std::pair<QString, QSize>> m_pictures;
};

// Applies the plug-in at `path`. Controls are found by object name in
// `mainWindow` and, for the About picture, in `aboutWindow`; one that is not
// there goes to `later` while it is open. On any error
// "Ошибка загрузки выбранного плагина!" is shown once, what was applied
// stays, and the result is false.
bool LoadPlugin(const QString& path, QWidget* mainWindow, QWidget* aboutWindow, TSkinLater* later = nullptr);

// The open dialog and the load. The path of the plug-in now applied, or
// nullopt when the dialog was cancelled or the load failed; remembering the
// choice is the shell's.
std::optional<QString> ChoosePlugin(QWidget* mainWindow, QWidget* aboutWindow, TSkinLater* later = nullptr);

// Replaces the open dialog (tests); it gets the parent and the starting
// folder and gives the chosen file or an empty text. An empty function
// brings the real dialog back.
void SetPluginDialog(std::function<QString(QWidget* parent, const QString& startDir)> dialog);

} // namespace kelto
