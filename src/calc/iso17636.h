// A ring-weld set-up checked by ГОСТ ISO 17636-1-2017 (ISO 17636-1:2013):
// the penetrated thickness, the minimum source-to-object distance, the number
// of exposures from the geometry that Annex A's graphs are drawn from, the
// wire IQI of Annex B with the relaxation for Ir-192 and Se-75, the source's
// thickness range and the minimum optical density. QtCore only.
#pragma once
// Published as it stands for outside tools: clang-format leaves it alone.
// clang-format off
#include <QString>

enum class TIsoTechnique { SingleWallSourceOutside, SingleWallSourceInside, SingleWallCentral,
                           DoubleWallSingleImage, DoubleWallEllipse, DoubleWallSuperimposed };
enum class TIsoClass { A, B };
enum class TIsoSource { Ir192, Se75, Co60, Yb169, XRay };
struct TIsoInputs {
    double De = 219, t = 8, d = 2, sfd = 600;
    TIsoTechnique technique = TIsoTechnique::DoubleWallSingleImage;
    TIsoClass testClass = TIsoClass::B;
    TIsoSource source = TIsoSource::Ir192;
    bool planar = false;     // planar imperfections to be found: class B distance in class A
};
struct TIsoResults {
    bool valid = false;      // false: `error` says why, in Russian; the figures below are then unset
    QString error;
    double w = 0, b = 0, f = 0, fMin = 0;
    bool distanceOk = false; // f >= fMin
    int exposures = 0;
    double maxRatio = 0;     // 1.1 (B) or 1.2 (A)
    int wire = 0, wireGamma = 0;   // W number of Annex B; wireGamma with the 6.9 relaxation (= wire when none applies)
    QString iqiTable;        // "B.1", "B.3", "B.5", "B.7", "B.9" or "B.11"
    bool thicknessInRange = true;  // Table 2; always true for an X-ray tube
    double minDensity = 0;   // 2.0 (A) or 2.3 (B)
};
TIsoResults CalculateIso17636(const TIsoInputs& in);
