#include "calc/source.h"
#include "calc/calctext.h"

#include <cmath>

double HalfLifeDays(TIsotope isotope)
{
    // The isotopes stand first in the sources' table, in the same order.
    const auto i = size_t(isotope);
    return i < size_t(TIsoSource::XRay) ? kelto::SourceTable()[i].halfLifeDays : std::nan("");
}

double ActivityOn(TIsotope isotope, double passportActivity, const QDate& passportDate, const QDate& date)
{
    if (!passportDate.isValid() || !date.isValid())
        return std::nan("");
    const double days = double(passportDate.daysTo(date));
    return passportActivity * std::exp2(-days / HalfLifeDays(isotope));
}

double ScaledExposureMinutes(double refMinutes, double refActivity, double refDistance, double refThickness,
                             double activity, double distance, double thickness, double hvlMm)
{
    const double ratio = distance / refDistance;
    // With no change of thickness the half-value layer plays no part, and
    // an unknown one (NaN) must not spoil the result.
    const double layers = thickness == refThickness ? 0.0 : (thickness - refThickness) / hvlMm;
    return refMinutes * (refActivity / activity) * ratio * ratio * std::exp2(layers);
}
