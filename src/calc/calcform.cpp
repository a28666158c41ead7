#include "calc/calcform.h"

#include "core/formfile.h"

namespace kelto {

namespace {

constexpr int SchemeCount = 8;

} // namespace

TLayoutInputs LayoutInputsOf(const TCalcForm& f)
{
    return {f.diameter, f.wall, f.film, f.focal, f.spot, f.sensClass, f.scheme};
}

QByteArray CalcFileBytes(const TCalcForm& f)
{
    return FormFileBytes({QString::number(f.sensClass), QString::number(f.scheme), f.focal, f.spot, f.film, f.diameter,
                          f.wall},
                         TFormText::Cp1251);
}

namespace {

// "+1" or " 2" were not written by the program.
bool TakeWhole(const QString& line, int low, int high, int& value)
{
    bool ok = false;
    const int v = line.toInt(&ok);
    if (!ok || line != QString::number(v) || v < low || v > high)
        return false;
    value = v;
    return true;
}

} // namespace

int TakeCalcLines(const QStringList& lines, TCalcForm& form)
{
    using TRule = TLineRule<TCalcForm>;
    static constexpr TRule rules[] = {
        [](const QString& l, TCalcForm& f) { return TakeWhole(l, 1, 3, f.sensClass); },
        [](const QString& l, TCalcForm& f) { return TakeWhole(l, 0, SchemeCount - 1, f.scheme); },
        [](const QString& l, TCalcForm& f) { return f.focal = l, true; },
        [](const QString& l, TCalcForm& f) { return f.spot = l, true; },
        [](const QString& l, TCalcForm& f) { return f.film = l, true; },
        [](const QString& l, TCalcForm& f) { return f.diameter = l, true; },
        [](const QString& l, TCalcForm& f) { return f.wall = l, true; },
    };
    return TakeLeadingLines<TCalcForm>(lines, rules, form);
}

TCalcForm ReadCalcForm(TFormFileKeeper& file)
{
    return file.ReadForm(TCalcForm{}, CalcFileLines, TFormText::Cp1251, TakeCalcLines);
}

} // namespace kelto
