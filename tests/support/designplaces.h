// Where the design puts the controls that tests look at, each relative to its
// parent. Written once, so that the shell's test and a view's test cannot
// come to disagree about the same control.
#pragma once
#include <QRect>
#include <QString>
#include <QTest>
#include <QtGlobal>

#include <cstring>
#include <initializer_list>
#include <utility>

namespace kelto::testing {

using Place = std::pair<const char*, QRect>;

// clang-format off
// The diary view's controls, inside the view.
inline const Place DiaryPlaces[] = {
    {"Image3",       QRect(0, 0, 638, 308)},
    {"eYear",        QRect(19, 32, 70, 21)},
    {"sbYear",       QRect(89, 32, 15, 22)},
    {"cbDay",        QRect(223, 32, 85, 21)},
    {"reblok",       QRect(323, 32, 294, 241)},
    {"TabControl1",  QRect(19, 72, 289, 201)},
    {"Panel3",       QRect(0, 40, 288, 160)},
    {"MonthGrid",    QRect(6, 4, 277, 149)},
};
// The header's controls in the window, and the calculation view's.
inline const Place OtherPlaces[] = {
    {"SpeedButton1", QRect(397, 8, 70, 24)},
    {"SpeedButton6", QRect(236, 8, 70, 24)},
    {"lb",           QRect(397, 34, 232, 80)},
    {"eDiam",        QRect(239, 62, 60, 21)},
};
// clang-format on

inline QRect DesignPlace(const char* name)
{
    const auto find = [name](const auto& places) -> const QRect* {
        for (const auto& [control, place] : places)
            if (std::strcmp(control, name) == 0)
                return &place;
        return nullptr;
    };
    const QRect* place = find(DiaryPlaces);
    if (!place)
        place = find(OtherPlaces);
    if (!place)
        qFatal("no design place for %s", name);
    return *place;
}

// The columns "name" and "geometry", a row for each control named.
inline void DesignPlaceRows(std::initializer_list<const char*> names)
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    for (const char* name : names)
        QTest::newRow(name) << QString::fromLatin1(name) << DesignPlace(name);
}

} // namespace kelto::testing
