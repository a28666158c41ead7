#include "calc/exposureline.h"

#include "calc/layout.h"

#include <cmath>

namespace kelto {

namespace {

// A number as the source window's fields would hold it, to all its digits.
QString FieldText(double value)
{
    return QString::number(value, 'g', 15).replace(QLatin1Char('.'), QLatin1Char(','));
}

bool Filled(const QString& text)
{
    return !text.trimmed().isEmpty();
}

} // namespace

TExposureLine ExposureFor(TIsoSource source, double distance, double thickness, const std::optional<TSourceForm>& form)
{
    TExposureLine line;
    if (source == TIsoSource::XRay) {
        line.hint = QStringLiteral("Для рентгеновского аппарата время не рассчитывается");
        return line;
    }
    if (!form || !Filled(form->activity) || ReferenceShotText(*form).isEmpty()) {
        line.hint = QStringLiteral("Нет эталонного снимка: заполните окно «Источник»");
        return line;
    }
    // The isotopes of both lists come in the same order.
    if (form->isotope != int(source)) {
        line.hint = QStringLiteral("Эталонный снимок сделан с другим источником (%1)")
                        .arg(SourceIsotopeNames().value(form->isotope));
        return line;
    }
    if (!std::isfinite(distance) || !std::isfinite(thickness))
        return line;
    // The source window's own rules on this set-up's distance and steel: the
    // same decay, the same half-value layer, the same reasons.
    TSourceForm shot = *form;
    shot.distance = FieldText(distance);
    shot.thickness = FieldText(thickness);
    const TSourceResults r = ComputeSource(shot);
    line.time = r.exposure;
    line.minutes = r.exposureMinutes;
    if (!r.exposureMinutes)
        line.hint = r.hint;
    return line;
}

void AddIsoExposure(TIsoOutcome& o, const std::optional<TSourceForm>& form)
{
    o.texts.exposureTime = NoValue();
    o.texts.exposureHint.clear();
    o.texts.exposureMinutes.reset();
    if (!o.results.valid)
        return;
    const TExposureLine line = ExposureFor(o.inputs.source, o.inputs.sfd, o.results.w, form);
    o.texts.exposureTime = line.time;
    o.texts.exposureHint = line.hint;
    o.texts.exposureMinutes = line.minutes;
}

QString ReferenceShotText(const TSourceForm& f)
{
    if (!Filled(f.refMinutes) || !Filled(f.refDistance) || !Filled(f.refThickness))
        return QString();
    QString text = QStringLiteral("%1 мин, %2 мм, %3 мм")
                       .arg(f.refMinutes.trimmed(), f.refDistance.trimmed(), f.refThickness.trimmed());
    if (f.refDate.isValid())
        text += QStringLiteral(", ") + f.refDate.toString(QStringLiteral("dd.MM.yyyy"));
    return text;
}

QString ActivityCaption(const TSourceForm& f)
{
    return QStringLiteral("Активность %1 на %2")
        .arg(SourceIsotopeNames().value(f.isotope), f.workDate.toString(QStringLiteral("dd.MM.yyyy")));
}

} // namespace kelto
