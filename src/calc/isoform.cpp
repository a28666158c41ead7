#include "calc/isoform.h"

#include "core/cp1251.h"
#include "core/formfile.h"
#include "calc/bounds.h"
#include "calc/calctext.h"
#include "calc/layout.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <utility>

namespace kelto {

namespace {

QString Trimmed(double value, int decimals)
{
    return DecimalComma(value, decimals, TDecimals::Trimmed);
}

QString Mm(double value, int decimals)
{
    return Trimmed(value, decimals) + QStringLiteral(" мм");
}

// One number field: its value, or the hint that says what is wrong with it.
std::optional<double> ReadField(const QString& text, const QString& missing, const QString& notNumber, QString& hint)
{
    if (text.trimmed().isEmpty()) {
        hint = missing;
        return std::nullopt;
    }
    const std::optional<double> v = ParseNumber(text);
    if (!v)
        hint = notNumber;
    return v;
}

QString NumberText(double value)
{
    return Trimmed(value, 6);
}

QString CardSfd(const QString& typed)
{
    const QString t = typed.trimmed();
    const std::optional<double> v = ParseNumber(t);
    return t.isEmpty() || (v && OutOfBounds(*v, MaxLengthMm)) ? NoValue() : t;
}

} // namespace

QStringList IsoTechniqueNames()
{
    return {QStringLiteral("Одна стенка, источник снаружи"),
            QStringLiteral("Одна стенка, источник внутри не на оси"),
            QStringLiteral("Одна стенка, источник на оси (панорамно)"),
            QStringLiteral("Две стенки, одно изображение"),
            QStringLiteral("Две стенки, два изображения, эллипс"),
            QStringLiteral("Две стенки, два изображения, наложение")};
}

QStringList IsoClassNames()
{
    return {QStringLiteral("A"), QStringLiteral("B")};
}

QStringList IsoSourceNames()
{
    QStringList names;
    for (const TSourceRow& row : SourceTable())
        names << QString::fromUtf8(row.name);
    return names;
}

TIsoForm DefaultIsoForm()
{
    const TIsoInputs in;
    TIsoForm f;
    f.De = NumberText(in.De);
    f.t = NumberText(in.t);
    f.d = NumberText(in.d);
    f.sfd = NumberText(in.sfd);
    f.technique = in.technique;
    f.testClass = in.testClass;
    f.source = in.source;
    f.planar = in.planar;
    return f;
}

TIsoOutcome ComputeIsoForm(const TIsoForm& form)
{
    TIsoOutcome o;
    TIsoInputs& in = o.inputs;
    in.technique = form.technique;
    in.testClass = form.testClass;
    in.source = form.source;
    in.planar = form.planar;
    const bool central = form.technique == TIsoTechnique::SingleWallCentral;
    QString hint;
    // The fields in the order of the window; the first one wrong gives the hint.
    const std::optional<double> De = ReadField(form.De, QStringLiteral("Укажите наружный диаметр"),
                                               QStringLiteral("Наружный диаметр — не число"), hint);
    const std::optional<double> t = De
        ? ReadField(form.t, QStringLiteral("Укажите толщину стенки"), QStringLiteral("Толщина стенки — не число"), hint)
        : std::nullopt;
    const std::optional<double> d = t ? ReadField(form.d, QStringLiteral("Укажите размер источника"),
                                                  QStringLiteral("Размер источника — не число"), hint)
                                      : std::nullopt;
    // The panoramic technique has its source on the axis: the field is not used.
    const std::optional<double> sfd = !d ? std::nullopt
        : central                        ? std::optional<double>(*De / 2)
                  : ReadField(form.sfd, QStringLiteral("Укажите расстояние SFD"),
                              QStringLiteral("Расстояние SFD — не число"), hint);
    if (!sfd) {
        if (!central)
            o.texts.sfd = CardSfd(form.sfd);
        o.results.error = hint;
        o.texts.hint = hint;
        return o;
    }
    in.De = *De;
    in.t = *t;
    in.d = *d;
    in.sfd = *sfd;
    TIsoTexts& x = o.texts;
    // The source window's rule: a value no set-up has gives its hint, and no
    // "inf" or hundreds of digits reach the window, the diary or the card.
    const auto absurd = [](std::initializer_list<double> values) {
        return std::any_of(values.begin(), values.end(), [](double v) { return OutOfBounds(v, MaxLengthMm); });
    };
    if (absurd({in.De, in.t, in.d, in.sfd})) {
        o.results.error = x.hint = OutOfBoundsText();
        return o;
    }
    o.results = CalculateIso17636(in);
    TIsoResults& r = o.results;
    if (r.valid && absurd({r.w, r.f, r.fMin})) {
        r = TIsoResults{};
        r.error = OutOfBoundsText();
    }
    x.sfd = central ? AxisSfdText(in.De) : CardSfd(form.sfd);
    x.sfdOnAxis = central;
    if (!r.valid) {
        x.hint = r.error;
        return o;
    }
    x.calculated = true;
    x.w = Mm(r.w, 2);
    x.f = Mm(r.f, 1);
    x.fMin = Mm(r.fMin, 1);
    if (r.distanceOk) {
        x.distance = QStringLiteral("достаточно");
    } else {
        // Up to the next tenth: a shortfall is never shown as none.
        const double shortBy = std::max(0.1, std::ceil((r.fMin - r.f) * 10 - 1e-6) / 10);
        x.distance = QStringLiteral("меньше наименьшего на ") + Mm(shortBy, 1);
        x.distanceFails = true;
    }
    x.exposures = IsoExposuresText(form.technique, r.exposures);
    x.iqi = QStringLiteral("W%1 (табл. %2)").arg(r.wire).arg(r.iqiTable);
    if (r.wireGamma != r.wire)
        x.iqi += QStringLiteral("; для %1 допускается W%2 (п. 6.9)")
                     .arg(IsoSourceNames().value(int(form.source)))
                     .arg(r.wireGamma);
    const QString range = IsoRangeText(form.source, form.testClass);
    if (range.isEmpty())
        x.range = QStringLiteral("не ограничена для рентгеновского аппарата");
    else if (r.thicknessInRange)
        x.range = QStringLiteral("в пределах ") + range;
    else
        x.range = QStringLiteral("вне пределов ") + range + QStringLiteral(": только по согласованию");
    x.rangeFails = !r.thicknessInRange;
    x.density = IsoDensityText(in, r, &x.densityFails);
    return o;
}

TIsoForm WithSharedPipe(TIsoForm form, const TSharedPipe& pipe)
{
    for (auto [from, to] :
         {std::pair{&pipe.diameter, &form.De}, std::pair{&pipe.wall, &form.t}, std::pair{&pipe.spot, &form.d}})
        if (ParseNumber(*from))
            *to = from->trimmed();
    return form;
}

TSharedPipe WithIsoPipe(TSharedPipe pipe, const TIsoForm& form)
{
    for (auto [from, to] :
         {std::pair{&form.De, &pipe.diameter}, std::pair{&form.t, &pipe.wall}, std::pair{&form.d, &pipe.spot}})
        if (ParseNumber(*from))
            *to = from->trimmed();
    return pipe;
}

QString AxisSfdText(double De)
{
    return Trimmed(De / 2, 2) + QStringLiteral(" (источник на оси трубы)");
}

QString IsoExposuresText(TIsoTechnique technique, int exposures)
{
    QString text = QString::number(exposures);
    // Turning a double-image shot by half a turn gives the same projection
    // again: the exposures share half the circumference.
    const bool doubleImage
        = technique == TIsoTechnique::DoubleWallEllipse || technique == TIsoTechnique::DoubleWallSuperimposed;
    if (exposures > 1)
        text
            += QStringLiteral(", через ") + Trimmed((doubleImage ? 180.0 : 360.0) / exposures, 1) + QStringLiteral("°");
    return text;
}

QString IsoDensityText(const TIsoInputs& in, const TIsoResults& r, bool* compensation)
{
    const bool compensate = in.testClass == TIsoClass::B && in.source != TIsoSource::XRay && !r.thicknessInRange;
    if (compensation)
        *compensation = compensate;
    if (compensate)
        return QStringLiteral("не менее 3,0, или не менее 2,6 с плёночной системой более высокого класса "
                              "(компенсация по согласованию)");
    return QStringLiteral("не менее ") + Trimmed(r.minDensity, 1);
}

std::optional<QString> IsoNoteParagraph(const TIsoForm& form, const TIsoTexts& x)
{
    if (!x.hint.isEmpty() || !x.calculated)
        return std::nullopt;
    // "->", not an arrow: the note lives in code page 1251. Joined piece by
    // piece, so a pasted "%1" in an input stays as it is.
    QString text = QStringLiteral("Расчёт по ГОСТ ISO 17636-1: De ") + form.De.trimmed() + QStringLiteral(" мм, t ")
        + form.t.trimmed() + QStringLiteral(" мм, «") + IsoTechniqueNames().value(int(form.technique))
        + QStringLiteral("», класс ") + IsoClassNames().value(int(form.testClass)) + QStringLiteral(", ")
        + IsoSourceNames().value(int(form.source)) + QStringLiteral(", d ") + form.d.trimmed() + QStringLiteral(" мм");
    if (form.technique != TIsoTechnique::SingleWallCentral)
        text += QStringLiteral(", SFD ") + form.sfd.trimmed() + QStringLiteral(" мм");
    if (form.planar)
        text += QStringLiteral(", плоскостные несплошности");
    text += QStringLiteral(" -> w ") + x.w + QStringLiteral(", f ") + x.f + QStringLiteral(", f min ") + x.fMin
        + QStringLiteral(": ") + x.distance + QStringLiteral("; экспозиций ") + x.exposures
        + QStringLiteral("; эталон ") + x.iqi + QStringLiteral("; толщина ") + x.range + QStringLiteral("; плотность ")
        + x.density;
    return ToCp1251Repertoire(text);
}

QByteArray IsoFileBytes(const TIsoForm& f)
{
    return FormFileBytes(
        {
            f.De,
            f.t,
            QString::number(int(f.technique)),
            IsoClassNames().value(int(f.testClass)),
            IsoSourceNames().value(int(f.source)),
            f.d,
            f.sfd,
            f.planar ? QStringLiteral("1") : QStringLiteral("0"),
        },
        TFormText::Cp1251);
}

int TakeIsoLines(const QStringList& lines, TIsoForm& form)
{
    using TRule = TLineRule<TIsoForm>;
    static constexpr TRule rules[] = {
        [](const QString& l, TIsoForm& f) { return f.De = l, true; },
        [](const QString& l, TIsoForm& f) { return f.t = l, true; },
        [](const QString& l, TIsoForm& f) {
            bool ok = false;
            const int technique = l.toInt(&ok);
            if (!ok || technique < 0 || technique >= int(IsoTechniqueNames().size()))
                return false;
            f.technique = TIsoTechnique(technique);
            return true;
        },
        [](const QString& l, TIsoForm& f) {
            const int testClass = int(IsoClassNames().indexOf(l));
            f.testClass = testClass < 0 ? f.testClass : TIsoClass(testClass);
            return testClass >= 0;
        },
        [](const QString& l, TIsoForm& f) {
            const int source = int(IsoSourceNames().indexOf(l));
            f.source = source < 0 ? f.source : TIsoSource(source);
            return source >= 0;
        },
        [](const QString& l, TIsoForm& f) { return f.d = l, true; },
        [](const QString& l, TIsoForm& f) { return f.sfd = l, true; },
        [](const QString& l, TIsoForm& f) {
            f.planar = l == QLatin1String("1");
            return f.planar || l == QLatin1String("0");
        },
    };
    return TakeLeadingLines<TIsoForm>(lines, rules, form);
}

} // namespace kelto
