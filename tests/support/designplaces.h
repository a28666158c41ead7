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

// clang-format off
inline const std::pair<const char*, QRect> DesignPlaces[] = {
    // The header's, in the window.
    {"SpeedButton1", QRect(397, 8, 70, 24)},
    {"SpeedButton6", QRect(236, 8, 70, 24)},
    {"SpeedButton7", QRect(317, 8, 70, 24)},
    {"SpeedButton9", QRect(479, 8, 70, 24)},
    {"SpeedButton10",QRect(560, 8, 70, 24)},
    {"Label1",       QRect(600, 0, 36, 33)},
    {"lb",           QRect(397, 34, 232, 80)},
    // The diary view's, in the view.
    {"Image3",       QRect(0, 0, 638, 308)},
    {"eYear",        QRect(19, 32, 70, 21)},
    {"sbYear",       QRect(89, 32, 15, 22)},
    {"cbDay",        QRect(223, 32, 85, 21)},
    {"reblok",       QRect(323, 32, 294, 241)},
    {"TabControl1",  QRect(19, 72, 289, 201)},
    {"Panel3",       QRect(0, 40, 288, 160)},
    {"MonthGrid",    QRect(6, 4, 277, 149)},
    // The calculation view's.
    {"eDiam",        QRect(239, 62, 60, 21)},
};
// clang-format on

inline QRect DesignPlace(const char* name)
{
    for (const auto& [control, place] : DesignPlaces)
        if (std::strcmp(control, name) == 0)
            return place;
    qFatal("no design place for %s", name);
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
