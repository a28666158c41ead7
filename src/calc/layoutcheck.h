// A short compliance check of a calculated layout against ГОСТ 7512-82:
// the focal distance against its minimum, the angle between exposures and
// the wire penetrameter that shows the required sensitivity, the film length
// against the section of one exposure, and why a result is "?". QtCore only.
#pragma once
// Published as it stands for outside tools: clang-format leaves it alone.
// clang-format off
#include "calc/layout.h"

#include <QString>

// After the texts their values: whether a line fails, the wire's diameter
// in micrometres (0: no wire recommended), whether any line says more than "—".
struct TLayoutCheck { QString focalCheck = "—", angleCheck = "—", wireCheck = "—", filmCheck = "—"; QString hint;
                     bool focalFails = false, filmFails = false;
                     int wireMicrometres = 0; bool anyVerdict = false; };
// The compliance lines for inputs that CalculateLayout has just turned into these results.
TLayoutCheck CheckLayout(const TLayoutInputs& in, const TLayoutResults& results);
