// The controls an appearance plug-in reaches, by the part of the plug-in
// that sets them. Each view fills the lists where it creates its controls;
// the main window joins them; the plug-in loader applies to them.
#pragma once
#include <QSize>

#include <vector>

class QLabel;
class QWidget;

namespace kelto {

struct TSkinTargets {
    QLabel* mainPicture = nullptr;    // line 2: the main window's background
    QLabel* diaryPicture = nullptr;   // line 3: the diary view's background
    QLabel* calcPicture = nullptr;    // line 4: the calculation view's background
    std::vector<QWidget*> menuLabels; // lines 6-9
    std::vector<QWidget*> headings;   // lines 11-14
    std::vector<QWidget*> captions;   // lines 16-19
    std::vector<QWidget*> values;     // lines 21-24
    std::vector<QWidget*> inputs;     // lines 26-29
    QWidget* marker = nullptr;        // line 31: its colour
    QLabel* aboutPicture = nullptr;   // line 33: the About window's background
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
