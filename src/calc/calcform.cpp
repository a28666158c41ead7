#include "calc/calcform.h"

#include "core/cp1251.h"

namespace kelto {

namespace {

constexpr int CalcFileLines = 7;
constexpr int SchemeCount = 8;

} // namespace

TLayoutInputs LayoutInputsOf(const TCalcForm& f)
{
    TLayoutInputs in;
    in.eDiam = f.diameter;
    in.eTol = f.wall;
    in.eDlin = f.film;
    in.eRast = f.focal;
    in.ePatno = f.spot;
    in.cbSens = f.sensClass;
    in.cbSheme = f.scheme;
    return in;
}

QByteArray CalcFileBytes(const TCalcForm& f)
{
    // A pasted line end must not shift the lines after it.
    const auto one = [](QString s) {
        return s.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    };
    return JoinCrLf({QString::number(f.sensClass), QString::number(f.scheme), one(f.focal), one(f.spot), one(f.film),
                     one(f.diameter), one(f.wall)});
}

std::optional<TCalcForm> ParseCalcFile(const QByteArray& bytes)
{
    if (!bytes.endsWith("\r\n"))
        return std::nullopt;
    const QStringList l = SplitCp1251Lines(bytes);
    if (l.size() != CalcFileLines)
        return std::nullopt;
    bool classOk = false, schemeOk = false;
    const int sensClass = l[0].toInt(&classOk);
    const int scheme = l[1].toInt(&schemeOk);
    // "+1" or " 2" were not written by the program either.
    if (!classOk || !schemeOk || l[0] != QString::number(sensClass) || l[1] != QString::number(scheme) || sensClass < 1
        || sensClass > 3 || scheme < 0 || scheme >= SchemeCount)
        return std::nullopt;
    return TCalcForm{sensClass, scheme, l[2], l[3], l[4], l[5], l[6]};
}

TCalcStart CalcStartFrom(const std::optional<QByteArray>& bytes)
{
    if (!bytes)
        return {};
    if (const std::optional<TCalcForm> stored = ParseCalcFile(*bytes))
        return {*stored, false};
    return {TCalcForm{}, true};
}

} // namespace kelto
