// The controls an appearance plug-in reaches, by the key of the plug-in
// that sets them (PluginTable, skin/plgformat.h). Each view fills the lists
// where it creates its controls; the main window joins them; the plug-in
// loader applies to them.
#pragma once
#include <QSize>

#include <vector>

class QLabel;
class QWidget;

namespace kelto {

struct TSkinTargets {
    QLabel* mainPicture = nullptr;    // MainPicture: the main window's background
    QLabel* diaryPicture = nullptr;   // DiaryPicture: the diary view's background
    QLabel* calcPicture = nullptr;    // CalcPicture: the calculation view's background
    std::vector<QWidget*> menuLabels; // MenuFont
    std::vector<QWidget*> headings;   // HeadingFont
    std::vector<QWidget*> captions;   // CaptionFont
    std::vector<QWidget*> values;     // ValueFont
    std::vector<QWidget*> inputs;     // InputFont
    QWidget* marker = nullptr;        // Marker: its colour
    QLabel* aboutPicture = nullptr;   // AboutPicture: the About window's background
};

// The About window's picture: built after the main window is up, its
// plug-in picture is checked against this size at start.
inline constexpr QSize AboutPictureSize{432, 198};

// `first` followed by the others, in their order.
inline std::vector<QWidget*> Joined(std::vector<QWidget*> first, const std::vector<QWidget*>& second,
                                    const std::vector<QWidget*>& third = {})
{
    first.insert(first.end(), second.begin(), second.end());
    first.insert(first.end(), third.begin(), third.end());
    return first;
}

} // namespace kelto
