#include "calc/techniquecard.h"

#include "core/cp1251.h"
#include "core/formfile.h"
#include "calc/bounds.h"
#include "calc/calctext.h"
#include "calc/exposureline.h"

#include <algorithm>

namespace kelto {

namespace {

const QString DateFormat = QStringLiteral("dd.MM.yyyy");
// Lines of the first card.cnf, and of this version's.
constexpr int CardFileLines = 22;

// The pipe as the user typed it: "219 × 6,0 мм".
QString PipeText(const QString& diameter, const QString& thickness)
{
    const QString d = CardValue(diameter), s = CardValue(thickness);
    if (d == NoValue() || s == NoValue())
        return NoValue();
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

// A row for a field the user may leave empty: none then.
void AddFilled(QList<TCardRow>& rows, const QString& caption, const QString& value)
{
    if (!value.trimmed().isEmpty())
        rows.append({caption, value.trimmed()});
}

// The source's own rows: its serial number, and a tube's voltage and current.
QList<TCardRow> SourceRows(const TCardFields& f, bool xray)
{
    QList<TCardRow> rows = {{QStringLiteral("Источник излучения"), f.source}};
    AddFilled(rows, QStringLiteral("Заводской номер источника"), f.sourceSerial);
    if (xray) {
        AddFilled(rows, QStringLiteral("Напряжение, кВ"), f.voltage);
        AddFilled(rows, QStringLiteral("Ток, мА"), f.current);
    }
    return rows;
}

QList<TCardRow> IqiPositionRow(const TCardFields& f)
{
    return {{QStringLiteral("Положение эталона"), IqiPositionNames().value(IqiOnFilmSide(f) ? 1 : 0)}};
}

// The films, the source window's activity, the exposure of the card's own
// set-up (`exposure`: nothing when the card has none), its reference shot
// where the time was computed (`timed`), and the day.
QList<TCardRow> TailRows(const TCardFields& f, const std::optional<TCardSource>& source,
                         const std::optional<QString>& exposure, bool timed, const QDate& made)
{
    QList<TCardRow> rows = {
        {QStringLiteral("Тип плёнки"), f.filmType},
        {QStringLiteral("Экраны"), f.screens},
    };
    AddFilled(rows, QStringLiteral("Плёнок на экспозицию и размер, мм"), f.films);
    AddFilled(rows, QStringLiteral("Маркировка и начало отсчёта"), f.marking);
    if (source && source->results.activityCi && source->workDate.isValid()) {
        TSourceForm form = source->form;
        form.workDate = source->workDate;
        rows.append({ActivityCaption(form), source->results.activity});
    }
    if (exposure)
        rows.append({QStringLiteral("Время экспозиции"), *exposure});
    if (source && exposure && timed)
        AddFilled(rows, QStringLiteral("Эталонный снимок"), ReferenceShotText(source->form));
    AddFilled(rows, QStringLiteral("Фотообработка"), f.processing);
    AddFilled(rows, QStringLiteral("Нормы оценки качества"), f.acceptance);
    rows.append({QStringLiteral("Дата составления карты"), made.toString(DateFormat)});
    return rows;
}

// The people and the number: the same on every card.
void SignCard(TTechniqueCard& card, const TCardFields& f)
{
    card.madeBy = f.madeBy;
    card.checkedBy = f.checkedBy;
    card.number = f.number.trimmed();
    card.approverPosition = f.approverPosition.trimmed();
    card.approverName = f.approverName.trimmed();
    card.madeByQualification = f.madeByQualification.trimmed();
    card.checkedByQualification = f.checkedByQualification.trimmed();
    card.iqiFilmSide = IqiOnFilmSide(f);
}

// Every text of the card as it goes on paper (see CardPrintable).
TTechniqueCard Printable(TTechniqueCard card)
{
    for (QString* t : {&card.standard, &card.technique, &card.madeBy, &card.checkedBy, &card.pdfName, &card.number,
                       &card.approverPosition, &card.approverName, &card.madeByQualification,
                       &card.checkedByQualification, &card.pipe, &card.schemeName, &card.exposures, &card.filmLength,
                       &card.iqi})
        *t = CardPrintable(*t);
    for (TCardRow& row : card.rows) {
        row.caption = CardPrintable(row.caption);
        row.value = CardPrintable(row.value);
    }
    return card;
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

QString CardPrintable(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const bool bidi = u == 0x061C || u == 0x200E || u == 0x200F || (u >= 0x202A && u <= 0x202E)
            || (u >= 0x2066 && u <= 0x2069);
        if (!bidi && c.category() != QChar::Other_Control)
            out += c;
    }
    return out;
}

QString CardValue(const QString& shown)
{
    const QString t = shown.trimmed();
    // A typed number no set-up has would run past its cell.
    const std::optional<double> v = ParseNumber(t);
    return t.isEmpty() || t == QLatin1String("?") || (v && OutOfBounds(*v, MaxLengthMm)) ? NoValue() : t;
}

namespace {

// A result as the card writes it: its text, or "—" where there is no result
// or the number it shows is beyond any set-up (calc/bounds.h).
QString CardResult(const QString& text, std::optional<double> shown)
{
    return shown && !OutOfBounds(*shown, MaxLengthMm) ? text : NoValue();
}

} // namespace

TTechniqueCard GostCard(const TLayoutInputs& in, const TLayoutResults& out, const TLayoutCheck& check,
                        const TCardFields& fields, const std::optional<TCardSource>& source, const QDate& made)
{
    TTechniqueCard card;
    card.standard = QString::fromUtf8(GostStandardName);
    const QStringList schemes = LayoutSchemeNames();
    card.scheme = in.cbSheme >= 0 && in.cbSheme < schemes.size() ? in.cbSheme : -1;
    SignCard(card, fields);
    card.pdfName = CardPdfName(in.eDiam, in.eTol, made);

    card.pipe = PipeText(in.eDiam, in.eTol);
    card.schemeName = card.scheme < 0 ? NoValue() : schemes[card.scheme];
    const auto number = [](std::optional<qint64> n) { return n ? std::optional<double>(double(*n)) : std::nullopt; };
    card.exposures = CardResult(out.lExpo, number(out.exposures));
    const std::optional<double> minimum
        = out.minFocal ? std::optional(RoundedFiveSignificant(*out.minFocal, 2)) : std::nullopt;
    card.filmLength = CardValue(in.eDlin);
    card.iqi = CardValue(check.wireCheck);
    card.rows = HeadRows(fields, card.pipe);
    QList<TCardRow> layout = {
        {QStringLiteral("Класс чувствительности"), QString::number(in.cbSens)},
        {QStringLiteral("Схема контроля"), card.schemeName},
    };
    layout += SourceRows(fields, false);
    layout += QList<TCardRow>{
        {QStringLiteral("Фокусное пятно, мм"), CardValue(in.ePatno)},
        {QStringLiteral("Расстояние от источника до поверхности трубы F, мм"), CardValue(in.eRast)},
        {QStringLiteral("Наименьшее расстояние от источника до поверхности трубы f, мм"),
         CardResult(out.lFocRast, minimum)},
        {QStringLiteral("Расстояние F"), CardValue(check.focalCheck)},
        {QStringLiteral("Требуемый периметр просветки, мм"), CardResult(out.lPerimetr, number(out.perimeter))},
        {QStringLiteral("Минимальное кол-во экспозиций"), card.exposures},
        {QStringLiteral("Угол между экспозициями"), CardValue(check.angleCheck)},
        {QStringLiteral("Длина снимка, мм"), card.filmLength},
        {QStringLiteral("Длина снимка (проверка)"), CardValue(check.filmCheck)},
        {QStringLiteral("Минимальная чувствительность контроля, мм"), CardResult(out.lSens, out.sensitivity)},
        {QStringLiteral("Проволочный эталон"), card.iqi},
    };
    layout += IqiPositionRow(fields);
    card.rows += layout;
    // The calculation has no source-to-film distance of its own: the time
    // says what it was computed for.
    std::optional<QString> exposure;
    if (source && source->results.exposureMinutes)
        exposure
            = QStringLiteral("%1 (расстояние источник — плёнка %2 мм, толщина %3 мм)")
                  .arg(source->results.exposure, source->form.distance.trimmed(), source->form.thickness.trimmed());
    card.rows += TailRows(fields, source, exposure, exposure.has_value(), made);
    const bool unknown = !out.minFocal || !out.exposures || !out.perimeter || !out.sensitivity;
    card.notReady = !check.hint.isEmpty() ? check.hint : unknown ? NotReadyText() : QString();
    return Printable(card);
}

TTechniqueCard IsoCard(const TIsoForm& form, const TIsoTexts& texts, const TCardFields& fields,
                       const std::optional<TCardSource>& source, const QDate& made)
{
    TTechniqueCard card;
    const QString testClass = IsoClassNames().value(int(form.testClass), NoValue());
    card.standard = QStringLiteral("%1, класс %2").arg(QString::fromUtf8(IsoStandardName), testClass);
    const QString technique = IsoTechniqueNames().value(int(form.technique), NoValue());
    card.technique = technique;
    SignCard(card, fields);
    card.isoTechnique = int(form.technique);
    card.xray = form.source == TIsoSource::XRay;
    card.pdfName = CardPdfName(form.De, form.t, made);

    card.pipe = PipeText(form.De, form.t);
    card.schemeName = NoValue();
    card.exposures = CardValue(texts.exposures);
    card.filmLength = NoValue();
    card.iqi = CardValue(texts.iqi);
    card.rows = HeadRows(fields, card.pipe);
    QList<TCardRow> iso = {
        {QStringLiteral("Схема просвечивания"), technique},
        {QStringLiteral("Класс контроля"), testClass},
    };
    iso += SourceRows(fields, card.xray);
    iso += QList<TCardRow>{
        {QStringLiteral("Источник в расчёте"), IsoSourceNames().value(int(form.source), NoValue())},
        {QStringLiteral("Размер источника d, мм"), CardValue(form.d)},
        {QStringLiteral("Расстояние источник — плёнка SFD, мм"), CardValue(texts.sfd)},
    };
    if (form.planar)
        iso.append({QStringLiteral("Плоскостные несплошности"), QStringLiteral("выявлять (f min как для класса B)")});
    iso += QList<TCardRow>{
        {QStringLiteral("Просвечиваемая толщина w"), CardValue(texts.w)},
        {QStringLiteral("Расстояние источник — объект f"), CardValue(texts.f)},
        {QStringLiteral("Наименьшее расстояние f min"), CardValue(texts.fMin)},
        {QStringLiteral("Расстояние f"), CardValue(texts.distance)},
        {QStringLiteral("Число экспозиций"), card.exposures},
        {QStringLiteral("Проволочный эталон"), card.iqi},
        {QStringLiteral("Толщина для источника (табл. 2)"), CardValue(texts.range)},
        {QStringLiteral("Оптическая плотность снимка"), CardValue(texts.density)},
    };
    iso += IqiPositionRow(fields);
    card.rows += iso;
    card.rows += TailRows(fields, card.xray ? std::nullopt : source, CardValue(texts.exposureTime),
                          texts.exposureMinutes.has_value(), made);
    card.notReady = !texts.hint.isEmpty() ? texts.hint : !texts.calculated ? NotReadyText() : QString();
    return Printable(card);
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

QStringList IqiPositionNames()
{
    return {QStringLiteral("со стороны источника"), QStringLiteral("со стороны плёнки (с меткой F)")};
}

bool IqiOnFilmSide(const TCardFields& f)
{
    return f.iqiPosition == IqiPositionNames()[1];
}

QList<TCardField> CardFieldList()
{
    return {
        {"Организация", &TCardFields::organization},
        {"Объект", &TCardFields::object},
        {"Сварное соединение (стык)", &TCardFields::joint},
        {"Материал", &TCardFields::material},
        {"Источник излучения", &TCardFields::source},
        {"Тип плёнки", &TCardFields::filmType},
        {"Экраны", &TCardFields::screens},
        {"Составил", &TCardFields::madeBy},
        {"Проверил", &TCardFields::checkedBy},
        {"Номер карты", &TCardFields::number},
        {"Утверждаю: должность", &TCardFields::approverPosition},
        {"Утверждаю: фамилия, инициалы", &TCardFields::approverName},
        {"Квалификация составителя", &TCardFields::madeByQualification},
        {"Квалификация проверившего", &TCardFields::checkedByQualification},
        {"Заводской номер источника", &TCardFields::sourceSerial},
        {"Напряжение, кВ", &TCardFields::voltage},
        {"Ток, мА", &TCardFields::current},
        {"Плёнок на экспозицию и размер, мм", &TCardFields::films},
        {"Положение эталона", &TCardFields::iqiPosition},
        {"Маркировка и начало отсчёта", &TCardFields::marking},
        {"Нормы оценки качества", &TCardFields::acceptance},
        {"Фотообработка", &TCardFields::processing},
    };
}

QByteArray CardFileBytes(const TCardFields& f)
{
    QStringList lines;
    for (const TCardField& field : CardFieldList())
        lines << f.*field.field;
    lines += f.extra;
    // "1 × 100×300" has a letter the code page lacks: the whole file goes to
    // UTF-8 with its mark rather than lose it.
    const bool fits = std::all_of(lines.cbegin(), lines.cend(), [](const QString& l) { return FitsCp1251(OneLine(l)); });
    return FormFileBytes(lines, fits ? TFormText::Cp1251 : TFormText::Utf8WithMark);
}

int TakeCardLines(const QStringList& lines, TCardFields& f)
{
    const QList<TCardField> fields = CardFieldList();
    for (int i = 0; i < fields.size() && i < lines.size(); ++i)
        f.*fields[i].field = lines[i];
    f.extra = lines.mid(CardFileLines);
    return int(lines.size());
}

} // namespace kelto
