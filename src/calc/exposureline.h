// The exposure time of a set-up that is not the source window's own: the
// ISO window's distance and penetrated thickness scaled from the source
// window's reference shot and the activity on the work date, with the same
// function and half-value layer as the source window. QtCore only.
#pragma once
#include "calc/isoform.h"
#include "calc/sourceform.h"

#include <QString>
#include <optional>

namespace kelto {

struct TExposureLine {
    QString time = NoValue(); // "3 мин 31 с"
    QString hint;                       // why the time is "—", or empty
    std::optional<double> minutes;      // the time as a number, empty while it is "—"
};

// The time for a shot with `source` at `distance` mm through `thickness` mm,
// from the source window's inputs `form` (nothing: the window was never
// filled). "—" with the reason when it cannot be computed.
TExposureLine ExposureFor(TIsoSource source, double distance, double thickness, const std::optional<TSourceForm>& form);

// The ISO window's line "Время экспозиции" for its own SFD and penetrated
// thickness: `outcome.texts.exposureTime` and `exposureHint`; "—" without a
// reason of its own while the set-up is not valid (its hint speaks).
void AddIsoExposure(TIsoOutcome& outcome, const std::optional<TSourceForm>& form);

// The reference shot as typed: "2 мин, 500 мм, 16 мм, 01.10.2026"; empty
// while its time, distance or thickness is not filled in.
QString ReferenceShotText(const TSourceForm& form);

// "Активность Ir-192 на 09.12.2026".
QString ActivityCaption(const TSourceForm& form);

} // namespace kelto
