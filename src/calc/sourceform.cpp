#include "calc/sourceform.h"

#include "core/cp1251.h"
#include "core/formfile.h"
#include "calc/bounds.h"
#include "calc/calctext.h"
#include "calc/layout.h"

#include <cmath>

namespace kelto {

namespace {

const QString DateFormat = QStringLiteral("dd.MM.yyyy");

QString Fixed(double value, int decimals)
{
    return DecimalComma(value, decimals, TDecimals::Exact);
}

// One number field: its value, or the hint that says what is wrong with it.
struct TField {
    std::optional<double> value;
    QString hint;
};

enum class TRule { Positive, NotNegative };

TField ReadField(const QString& text, TRule rule, const QString& missing, const QString& notNumber,
                 const QString& outOfRange)
{
    if (text.trimmed().isEmpty())
        return {std::nullopt, missing};
    const std::optional<double> v = ParseNumber(text);
    if (!v)
        return {std::nullopt, notNumber};
    if (rule == TRule::Positive ? !(*v > 0.0) : !(*v >= 0.0))
        return {std::nullopt, outOfRange};
    return {v, QString()};
}

} // namespace

QStringList SourceIsotopeNames()
{
    QStringList names;
    for (size_t i = 0; i < std::size(SourceIsotopes); ++i)
        names << QString::fromUtf8(SourceTable()[i].name);
    return names;
}

QStringList SourceUnitNames()
{
    return {QStringLiteral("Ки"), QStringLiteral("ГБк")};
}

QString DefaultHalfValueLayerText(int isotopeIndex)
{
    if (isotopeIndex < 0 || isotopeIndex >= int(std::size(SourceIsotopes)))
        return QString();
    return QString::fromUtf8(SourceTable()[size_t(isotopeIndex)].hvl);
}

TSourceForm DefaultSourceForm(const QDate& workDate)
{
    TSourceForm f;
    f.workDate = workDate;
    f.passportDate = workDate;
    f.refDate = workDate;
    f.hvl = DefaultHalfValueLayerText(f.isotope);
    return f;
}

QString ExposureText(double minutes)
{
    if (!std::isfinite(minutes) || !(minutes > 0.0))
        return QString();
    const double seconds = minutes * 60.0;
    // A year of exposure is no estimate worth showing.
    if (seconds > 366.0 * 24 * 3600)
        return QString();
    // Up to whole seconds, but 3,7 min written as 3,7000000000000002 is
    // still 3 min 42 s.
    const qint64 whole = qint64(std::ceil(seconds - 1e-9 * std::max(1.0, seconds)));
    if (whole >= 3600)
        return QStringLiteral("%1 ч %2 мин %3 с").arg(whole / 3600).arg(whole / 60 % 60).arg(whole % 60);
    return QStringLiteral("%1 мин %2 с").arg(whole / 60).arg(whole % 60);
}

QString ConvertActivityText(const QString& text, int fromUnit, int toUnit)
{
    const std::optional<double> v = ParseNumber(text);
    if (fromUnit == toUnit || !v || !std::isfinite(*v))
        return text;
    const double converted = toUnit == 1 ? *v * GBqPerCi : *v / GBqPerCi;
    // Beyond any source the number only has to survive the way back.
    if (!(std::fabs(converted) < 1e15))
        return text;
    // Up to two decimals: 3700, 2,7, 0,03.
    return DecimalComma(converted, 2, TDecimals::Trimmed);
}

namespace {

TSourceResults ComputeSourceValues(const TSourceForm& f)
{
    TSourceResults r;
    const TField a0 = ReadField(f.activity, TRule::Positive, QStringLiteral("Укажите активность по паспорту"),
                                QStringLiteral("Активность по паспорту — не число"),
                                QStringLiteral("Активность по паспорту должна быть больше нуля"));
    if (!a0.value) {
        r.hint = a0.hint;
        return r;
    }
    if (f.isotope < 0 || f.isotope >= int(std::size(SourceIsotopes)) || !f.passportDate.isValid()
        || !f.workDate.isValid()) {
        r.hint = QStringLiteral("Укажите изотоп и даты");
        return r;
    }
    const TIsotope isotope = SourceIsotopes[f.isotope];
    // An activity no source has (or no number at all) would print as
    // "inf %" or three hundred digits beside a normal-looking time.
    const auto absurd = [&f](double activity) {
        return OutOfBounds(f.unit == 1 ? activity / GBqPerCi : activity, MaxActivityCi);
    };
    const QString outOfBounds = OutOfBoundsText();
    const double a = ActivityOn(isotope, *a0.value, f.passportDate, f.workDate);
    if (absurd(*a0.value) || absurd(a)) {
        r.hint = outOfBounds;
        return r;
    }
    const double ci = f.unit == 1 ? a / GBqPerCi : a;
    const double gbq = f.unit == 1 ? a : a * GBqPerCi;
    r.activity = f.unit == 1 ? QStringLiteral("%1 ГБк (%2 Ки)").arg(Fixed(gbq, 2), Fixed(ci, 2))
                             : QStringLiteral("%1 Ки (%2 ГБк)").arg(Fixed(ci, 2), Fixed(gbq, 2));
    r.remaining = Fixed(100.0 * a / *a0.value, 1) + QStringLiteral(" %");
    r.activityCi = ci;

    // The exposure time: the fields in the order of the window, the first
    // one wrong gives the hint.
    const TField t0 = ReadField(f.refMinutes, TRule::Positive, QStringLiteral("Укажите время эталонного снимка"),
                                QStringLiteral("Время эталонного снимка — не число"),
                                QStringLiteral("Время эталонного снимка должно быть больше нуля"));
    const TField f0 = ReadField(f.refDistance, TRule::Positive, QStringLiteral("Укажите расстояние эталонного снимка"),
                                QStringLiteral("Расстояние эталонного снимка — не число"),
                                QStringLiteral("Расстояние эталонного снимка должно быть больше нуля"));
    const TField s0 = ReadField(f.refThickness, TRule::NotNegative, QStringLiteral("Укажите толщину эталонного снимка"),
                                QStringLiteral("Толщина эталонного снимка — не число"),
                                QStringLiteral("Толщина эталонного снимка не может быть меньше нуля"));
    const TField fd
        = ReadField(f.distance, TRule::Positive, QStringLiteral("Укажите расстояние"),
                    QStringLiteral("Расстояние — не число"), QStringLiteral("Расстояние должно быть больше нуля"));
    const TField sd
        = ReadField(f.thickness, TRule::NotNegative, QStringLiteral("Укажите толщину"),
                    QStringLiteral("Толщина — не число"), QStringLiteral("Толщина не может быть меньше нуля"));
    for (const TField* field : {&t0, &f0, &s0, &fd, &sd})
        if (!field->value) {
            r.hint = field->hint;
            return r;
        }
    double hvl = std::nan("");
    // The half-value layer matters only when the steel differs.
    if (*sd.value != *s0.value) {
        const TField h
            = ReadField(f.hvl, TRule::Positive,
                        QStringLiteral("Укажите слой половинного ослабления: толщина отличается от эталонной"),
                        QStringLiteral("Слой половинного ослабления — не число"),
                        QStringLiteral("Слой половинного ослабления должен быть больше нуля"));
        if (!h.value) {
            r.hint = h.hint;
            return r;
        }
        hvl = *h.value;
    }
    const double refActivity
        = ActivityOn(isotope, *a0.value, f.passportDate, f.refDate.isValid() ? f.refDate : f.workDate);
    const double minutes
        = ScaledExposureMinutes(*t0.value, refActivity, *f0.value, *s0.value, a, *fd.value, *sd.value, hvl);
    if (absurd(refActivity) || !std::isfinite(minutes)) {
        r.hint = outOfBounds;
        return r;
    }
    const QString text = ExposureText(minutes);
    if (text.isEmpty()) {
        r.hint = QStringLiteral("Время экспозиции вне разумных пределов: проверьте данные");
        return r;
    }
    r.exposure = text;
    r.exposureMinutes = minutes;
    // Allowed (the time still follows from the decay), but most likely a
    // slip in one of the two dates.
    if (f.refDate.isValid() && f.refDate > f.workDate)
        r.hint = QStringLiteral("Эталонный снимок сделан позже даты работы");
    return r;
}

} // namespace

TSourceResults ComputeSource(const TSourceForm& f)
{
    TSourceResults r = ComputeSourceValues(f);
    // More than the passport's activity: the one slip worth naming before
    // any other, while the activity stays shown.
    if (r.activityCi && f.workDate < f.passportDate)
        r.hint = QStringLiteral("Дата работы раньше паспортной даты источника");
    return r;
}

QByteArray SourceFileBytes(const TSourceForm& f)
{
    const QStringList isotopes = SourceIsotopeNames();
    const QStringList units = SourceUnitNames();
    return FormFileBytes(
        {
            isotopes.value(f.isotope, isotopes[0]),
            f.activity,
            units.value(f.unit, units[0]),
            f.passportDate.toString(DateFormat),
            f.refMinutes,
            f.refDistance,
            f.refThickness,
            f.refDate.toString(DateFormat),
            f.distance,
            f.thickness,
            f.hvl,
        },
        TFormText::Cp1251);
}

namespace {

bool TakeDate(const QString& line, QDate& date)
{
    const QDate d = QDate::fromString(line, DateFormat);
    if (d.isValid())
        date = d;
    return d.isValid();
}

} // namespace

int TakeSourceLines(const QStringList& lines, TSourceForm& form)
{
    using TRule = TLineRule<TSourceForm>;
    static constexpr TRule rules[] = {
        [](const QString& l, TSourceForm& f) {
            const int isotope = int(SourceIsotopeNames().indexOf(l));
            if (isotope < 0)
                return false;
            // A file cut before its own layer gives the isotope's.
            f.isotope = isotope;
            f.hvl = DefaultHalfValueLayerText(isotope);
            return true;
        },
        [](const QString& l, TSourceForm& f) { return f.activity = l, true; },
        [](const QString& l, TSourceForm& f) {
            const int unit = int(SourceUnitNames().indexOf(l));
            f.unit = unit < 0 ? f.unit : unit;
            return unit >= 0;
        },
        [](const QString& l, TSourceForm& f) { return TakeDate(l, f.passportDate); },
        [](const QString& l, TSourceForm& f) { return f.refMinutes = l, true; },
        [](const QString& l, TSourceForm& f) { return f.refDistance = l, true; },
        [](const QString& l, TSourceForm& f) { return f.refThickness = l, true; },
        [](const QString& l, TSourceForm& f) { return TakeDate(l, f.refDate); },
        [](const QString& l, TSourceForm& f) { return f.distance = l, true; },
        [](const QString& l, TSourceForm& f) { return f.thickness = l, true; },
        [](const QString& l, TSourceForm& f) { return f.hvl = l, true; },
    };
    return TakeLeadingLines<TSourceForm>(lines, rules, form);
}

std::optional<TSourceForm> ParseSourceFile(const QByteArray& bytes, const QDate& workDate)
{
    return ParseFormBytes(bytes, DefaultSourceForm(workDate), SourceFileLines, TFormText::Cp1251, TakeSourceLines);
}

} // namespace kelto
