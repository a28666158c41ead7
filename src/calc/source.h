// Activity of a gamma source on a date, and an exposure time scaled from a
// reference shot. QtCore only.
#pragma once
// Published as it stands for outside tools: clang-format leaves it alone.
// clang-format off
#include <QDate>

enum class TIsotope { Ir192, Se75, Co60, Yb169 };
// Half-life in days: Ir-192 73.83, Se-75 119.78, Co-60 1925.28 (5.2713 a), Yb-169 32.02.
double HalfLifeDays(TIsotope isotope);
// Activity on `date` of a source that had `passportActivity` on `passportDate`, in the same unit:
// A = A0 · 2^(−days / T½), days = passportDate.daysTo(date); a date before the passport date gives more.
double ActivityOn(TIsotope isotope, double passportActivity, const QDate& passportDate, const QDate& date);
// Minutes for a shot at source-to-film distance `distance` through steel `thickness` with activity `activity`,
// scaled from a reference shot of `refMinutes` at `refDistance`, `refThickness`, `refActivity`:
// t = t0 · (A0 / A) · (F / F0)² · 2^((s − s0) / hvl). Distances and thicknesses in mm.
double ScaledExposureMinutes(double refMinutes, double refActivity, double refDistance, double refThickness,
                             double activity, double distance, double thickness, double hvlMm);
