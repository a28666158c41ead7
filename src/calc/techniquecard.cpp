#include "calc/techniquecard.h"

#include "core/cp1251.h"

namespace kelto {

namespace {

const QString Dash = QStringLiteral("—");
const QString DateFormat = QStringLiteral("dd.MM.yyyy");
constexpr int CardFileLines = 9;

// The pipe as the user typed it: "219 × 6,0 мм".
QString PipeText(const QString& diameter, const QString& thickness)
{
    const QString d = diameter.trimmed(), s = thickness.trimmed();
    if (d.isEmpty() || s.isEmpty())
        return Dash;
    return QStringLiteral("%1 × %2 мм").arg(d, s);
}

// The rows every card opens with: who, what and which pipe.
QList<TCardRow> HeadRows(const TCardFields& f, const QString& pipe)
{
    return {
        {QStringLiteral("Организация"), f.organization},
        {QStringLiteral("Объект"), f.object},
        {QStringLiteral("Сварное соединение (стык)"), f.joint},
        {QStringLiteral("Материал"), f.material},
        {QStringLiteral("Труба (наружный диаметр × толщина стенки)"), pipe},
    };
}

// The source window's figures, when it has them, and the day.
QList<TCardRow> TailRows(const TCardFields& f, const std::optional<TCardSource>& source, const QDate& made)
{
    QList<TCardRow> rows = {
        {QStringLiteral("Тип плёнки"), f.filmType},
        {QStringLiteral("Экраны"), f.screens},
    };
    if (source && source->results.activity != Dash && source->workDate.isValid())
        rows.append({QStringLiteral("Активность источника на %1").arg(source->workDate.toString(DateFormat)),
                     source->results.activity});
    if (source && source->results.exposure != Dash)
        rows.append({QStringLiteral("Время экспозиции"), source->results.exposure});
    rows.append({QStringLiteral("Дата составления карты"), made.toString(DateFormat)});
    return rows;
}

QString OneLine(const QString& s)
{
    QString t = s;
    t.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    return t;
}

QString NotReadyText()
{
    return QStringLiteral("Расчёт не готов");
}

} // namespace

QStringList LayoutSchemeNames()
{
    return {QStringLiteral("a)"), QStringLiteral("б)"), QStringLiteral("в)"), QStringLiteral("г)"),
            QStringLiteral("д)"), QStringLiteral("е)"), QStringLiteral("ж)"), QStringLiteral("з)")};
}

QString CardValue(const QString& shown)
{
    const QString t = shown.trimmed();
    return t.isEmpty() || t == QLatin1String("?") ? Dash : t;
}

TTechniqueCard GostCard(const TLayoutInputs& in, const TLayoutResults& out, const TLayoutCheck& check,
                        const TCardFields& fields, const std::optional<TCardSource>& source, const QDate& made)
{
    TTechniqueCard card;
    card.standard = QString::fromUtf8(GostStandardName);
    const QStringList schemes = LayoutSchemeNames();
    card.scheme = in.cbSheme >= 0 && in.cbSheme < schemes.size() ? in.cbSheme : -1;
    card.madeBy = fields.madeBy;
    card.checkedBy = fields.checkedBy;
    card.pdfName = CardPdfName(in.eDiam, in.eTol, made);

    card.rows = HeadRows(fields, PipeText(in.eDiam, in.eTol));
    const QList<TCardRow> layout = {
        {QStringLiteral("Класс чувствительности"), QString::number(in.cbSens)},
        {QStringLiteral("Схема контроля"), card.scheme < 0 ? Dash : schemes[card.scheme]},
        {QStringLiteral("Источник излучения"), fields.source},
        {QStringLiteral("Фокусное пятно, мм"), CardValue(in.ePatno)},
        {QStringLiteral("Фокусное расстояние F, мм"), CardValue(in.eRast)},
        {QStringLiteral("Мин. расстояние от источника до трубы f, мм"), CardValue(out.lFocRast)},
        {QStringLiteral("Фокусное расстояние"), CardValue(check.focalCheck)},
        {QStringLiteral("Требуемый периметр просветки, мм"), CardValue(out.lPerimetr)},
        {QStringLiteral("Минимальное кол-во экспозиций"), CardValue(out.lExpo)},
        {QStringLiteral("Угол между экспозициями"), CardValue(check.angleCheck)},
        {QStringLiteral("Длина снимка, мм"), CardValue(in.eDlin)},
        {QStringLiteral("Длина снимка (проверка)"), CardValue(check.filmCheck)},
        {QStringLiteral("Минимальная чувствительность контроля, мм"), CardValue(out.lSens)},
        {QStringLiteral("Проволочный эталон"), CardValue(check.wireCheck)},
    };
    card.rows += layout;
    card.rows += TailRows(fields, source, made);
    const bool unknown = out.lFocRast == QLatin1String("?") || out.lExpo == QLatin1String("?")
        || out.lPerimetr == QLatin1String("?") || out.lSens == QLatin1String("?");
    card.notReady = !check.hint.isEmpty() ? check.hint : unknown ? NotReadyText() : QString();
    return card;
}

TTechniqueCard IsoCard(const TIsoForm& form, const TIsoTexts& texts, const TCardFields& fields,
                       const std::optional<TCardSource>& source, const QDate& made)
{
    TTechniqueCard card;
    const QString testClass = IsoClassNames().value(int(form.testClass), Dash);
    card.standard = QStringLiteral("%1, класс %2").arg(QString::fromUtf8(IsoStandardName), testClass);
    const QString technique = IsoTechniqueNames().value(int(form.technique), Dash);
    card.technique = technique;
    card.madeBy = fields.madeBy;
    card.checkedBy = fields.checkedBy;
    card.pdfName = CardPdfName(form.De, form.t, made);

    card.rows = HeadRows(fields, PipeText(form.De, form.t));
    // The source on the axis has no distance of its own to give.
    const bool central = form.technique == TIsoTechnique::SingleWallCentral;
    QList<TCardRow> iso = {
        {QStringLiteral("Схема просвечивания"), technique},
        {QStringLiteral("Класс контроля"), testClass},
        {QStringLiteral("Источник излучения"), fields.source},
        {QStringLiteral("Источник в расчёте"), IsoSourceNames().value(int(form.source), Dash)},
        {QStringLiteral("Размер источника d, мм"), CardValue(form.d)},
        {QStringLiteral("Расстояние источник — плёнка SFD, мм"), central ? Dash : CardValue(form.sfd)},
    };
    if (form.planar)
        iso.append({QStringLiteral("Плоскостные несплошности"), QStringLiteral("выявлять (f min как для класса B)")});
    iso += QList<TCardRow>{
        {QStringLiteral("Просвечиваемая толщина w"), CardValue(texts.w)},
        {QStringLiteral("Расстояние источник — объект f"), CardValue(texts.f)},
        {QStringLiteral("Наименьшее расстояние f min"), CardValue(texts.fMin)},
        {QStringLiteral("Расстояние f"), CardValue(texts.distance)},
        {QStringLiteral("Число экспозиций"), CardValue(texts.exposures)},
        {QStringLiteral("Проволочный эталон"), CardValue(texts.iqi)},
        {QStringLiteral("Толщина для источника (табл. 2)"), CardValue(texts.range)},
        {QStringLiteral("Оптическая плотность снимка"), CardValue(texts.density)},
    };
    card.rows += iso;
    card.rows += TailRows(fields, source, made);
    card.notReady = !texts.hint.isEmpty() ? texts.hint : texts.w == Dash ? NotReadyText() : QString();
    return card;
}

QString CardPdfName(const QString& diameter, const QString& thickness, const QDate& made)
{
    QString pipe = QStringLiteral("%1x%2").arg(diameter.trimmed(), thickness.trimmed());
    // Whatever was pasted into a field, the name stays one file in the
    // folder the dialog shows.
    for (QChar& c : pipe)
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.category() == QChar::Other_Control)
            c = QLatin1Char('_');
    return QStringLiteral("Карта %1 %2.pdf").arg(pipe, made.toString(DateFormat));
}

QByteArray CardFileBytes(const TCardFields& f)
{
    return JoinCrLf({OneLine(f.organization), OneLine(f.object), OneLine(f.joint), OneLine(f.material),
                     OneLine(f.source), OneLine(f.filmType), OneLine(f.screens), OneLine(f.madeBy),
                     OneLine(f.checkedBy)});
}

std::optional<TCardFields> ParseCardFile(const QByteArray& bytes)
{
    // Every line ends with CR LF, an empty last field too; anything else was
    // not written by the program.
    if (!bytes.endsWith("\r\n"))
        return std::nullopt;
    const QStringList l = SplitCp1251Lines(bytes);
    if (l.size() != CardFileLines)
        return std::nullopt;
    return TCardFields{l[0], l[1], l[2], l[3], l[4], l[5], l[6], l[7], l[8]};
}

} // namespace kelto
