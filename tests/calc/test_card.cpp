// The technique card's rows as a pure function of a calculation, the name
// of its PDF and card.cnf.
#include "core/cp1251.h"
#include "calc/techniquecard.h"
#include "calc/exposureline.h"

#include <QTest>

#include "layoutdefaults.h"
#include "formreads.h"
#include "table.h"

using namespace kelto;
using namespace kelto::testing;

Q_DECLARE_METATYPE(TIsoSource)

namespace {

const QDate Made(2026, 12, 8);

// A set-up by name, through the same functions the windows use.
TTechniqueCard CardOf(const QString& setup)
{
    TCardFields fields;
    if (setup == QLatin1String("filled") || setup == QLatin1String("iso x-ray")) {
        fields.sourceSerial = QStringLiteral("1234");
        fields.voltage = QStringLiteral("200");
        fields.current = QStringLiteral("5");
        fields.films = QStringLiteral("1 × 100×300");
        fields.iqiPosition = QStringLiteral("со стороны плёнки (с меткой F)");
        fields.marking = QStringLiteral("по часовой стрелке от верха");
        fields.acceptance = QStringLiteral("СТО 2-2.4-083, уровень C");
        fields.processing = QStringLiteral("ручная, 20 °C");
    }
    if (setup.startsWith(QLatin1String("iso"))) {
        TIsoForm form = DefaultIsoForm();
        if (setup == QLatin1String("iso ?"))
            form.De.clear();
        if (setup == QLatin1String("iso x-ray"))
            form.source = TIsoSource::XRay;
        if (setup == QLatin1String("iso axis")) {
            form.De = QStringLiteral("1020");
            form.t = QStringLiteral("16");
            form.technique = TIsoTechnique::SingleWallCentral;
        }
        const TCardSource source{Made, {QStringLiteral("90,00 Ки (3330,00 ГБк)"), {}, {}, {}, 90.0, {}}, {}};
        return IsoCard(form, ComputeIsoForm(form).texts, fields, source, Made);
    }
    TLayoutInputs in = LayoutDefaults();
    std::optional<TCardSource> source;
    if (setup == QLatin1String("?"))
        in.eDiam.clear();
    TSourceForm shot = DefaultSourceForm(Made);
    shot.refMinutes = QStringLiteral("2");
    shot.refDistance = QStringLiteral("500");
    shot.refThickness = QStringLiteral("16");
    shot.refDate = QDate(2026, 10, 1);
    shot.distance = QStringLiteral("479");
    shot.thickness = QStringLiteral("16");
    if (setup == QLatin1String("source"))
        source = TCardSource{Made,
                             {QStringLiteral("90,00 Ки (3330,00 ГБк)"), QStringLiteral("90,0 %"),
                              QStringLiteral("3 мин 20 с"), QString(), 90.0, 3.33},
                             shot};
    if (setup == QLatin1String("no time"))
        source = TCardSource{Made,
                             {QStringLiteral("90,00 Ки (3330,00 ГБк)"), QStringLiteral("90,0 %"), QStringLiteral("—"),
                              QStringLiteral("Укажите время эталонного снимка"), 90.0}};
    TLayoutResults out;
    CalculateLayout(in, out);
    fields.madeBy = QStringLiteral("Иванов И. И.");
    return GostCard(in, out, CheckLayout(in, out), fields, source, Made);
}

} // namespace

class TestCard : public QObject {
    Q_OBJECT
private slots:
    void rows_data()
    {
        Columns<QString, QString>({"setup", "caption"});
        QTest::addColumn<QString>("value"); // "absent": no such row
        // clang-format off
        QTest::newRow("material")  << "default" << "Материал" << "сталь";
        QTest::newRow("pipe")      << "default" << "Труба (наружный диаметр × толщина стенки)" << "219 × 6,0 мм";
        QTest::newRow("class")     << "default" << "Класс чувствительности" << "3";
        QTest::newRow("scheme")    << "default" << "Схема контроля" << "г)";
        QTest::newRow("spot")      << "default" << "Фокусное пятно, мм" << "2,5";
        QTest::newRow("F")         << "default" << "Расстояние от источника до поверхности трубы F, мм" << "100";
        QTest::newRow("f")         << "default" << "Наименьшее расстояние от источника до поверхности трубы f, мм" << "40,50";
        QTest::newRow("verdict")   << "default" << "Расстояние F" << "достаточно";
        QTest::newRow("perimeter") << "default" << "Требуемый периметр просветки, мм" << "688";
        QTest::newRow("N")         << "default" << "Минимальное кол-во экспозиций" << "3";
        QTest::newRow("angle")     << "default" << "Угол между экспозициями" << "120,0° ± 3°";
        QTest::newRow("film")      << "default" << "Длина снимка, мм" << "300";
        QTest::newRow("film line") << "default" << "Длина снимка (проверка)" << "достаточно (участок 230 мм)";
        QTest::newRow("? film")    << "?" << "Длина снимка (проверка)" << "—";
        QTest::newRow("K")         << "default" << "Минимальная чувствительность контроля, мм" << "0,30";
        QTest::newRow("wire")      << "default" << "Проволочный эталон" << "0,32 мм, набор № 2, 3";
        QTest::newRow("made")      << "default" << "Дата составления карты" << "08.12.2026";
        QTest::newRow("no source") << "default" << "Время экспозиции" << "absent";
        QTest::newRow("? pipe")    << "?" << "Труба (наружный диаметр × толщина стенки)" << "—";
        QTest::newRow("? f")       << "?" << "Наименьшее расстояние от источника до поверхности трубы f, мм" << "—";
        QTest::newRow("? verdict") << "?" << "Расстояние F" << "—";
        QTest::newRow("? N")       << "?" << "Минимальное кол-во экспозиций" << "—";
        QTest::newRow("? angle")   << "?" << "Угол между экспозициями" << "—";
        QTest::newRow("? K")       << "?" << "Минимальная чувствительность контроля, мм" << "—";
        QTest::newRow("? wire")    << "?" << "Проволочный эталон" << "—";
        QTest::newRow("? F")       << "?" << "Расстояние от источника до поверхности трубы F, мм" << "100";
        QTest::newRow("activity")  << "source" << "Активность Ir-192 на 08.12.2026" << "90,00 Ки (3330,00 ГБк)";
        QTest::newRow("time")      << "source" << "Время экспозиции" << "3 мин 20 с (расстояние источник — плёнка 479 мм, толщина 16 мм)";
        QTest::newRow("ref. shot") << "source" << "Эталонный снимок" << "2 мин, 500 мм, 16 мм, 01.10.2026";
        QTest::newRow("no ref.")   << "no time" << "Эталонный снимок" << "absent";
        QTest::newRow("IQI side")  << "default" << "Положение эталона" << "со стороны источника";
        QTest::newRow("IQI film")  << "filled" << "Положение эталона" << "со стороны плёнки (с меткой F)";
        QTest::newRow("serial")    << "filled" << "Заводской номер источника" << "1234";
        QTest::newRow("no serial") << "default" << "Заводской номер источника" << "absent";
        QTest::newRow("films")     << "filled" << "Плёнок на экспозицию и размер, мм" << "1 × 100×300";
        QTest::newRow("marking")   << "filled" << "Маркировка и начало отсчёта" << "по часовой стрелке от верха";
        QTest::newRow("norms")     << "filled" << "Нормы оценки качества" << "СТО 2-2.4-083, уровень C";
        QTest::newRow("process")   << "filled" << "Фотообработка" << "ручная, 20 °C";
        QTest::newRow("no norms")  << "default" << "Нормы оценки качества" << "absent";
        QTest::newRow("kV on ГОСТ")<< "filled" << "Напряжение, кВ" << "absent";
        QTest::newRow("iso kV")    << "iso x-ray" << "Напряжение, кВ" << "200";
        QTest::newRow("iso mA")    << "iso x-ray" << "Ток, мА" << "5";
        QTest::newRow("iso x time")<< "iso x-ray" << "Время экспозиции" << "—";
        QTest::newRow("iso x act.")<< "iso x-ray" << "Активность Ir-192 на 08.12.2026" << "absent";
        QTest::newRow("iso axis")  << "iso axis" << "Расстояние источник — плёнка SFD, мм" << "510 (источник на оси трубы)";
        QTest::newRow("iso time")  << "iso" << "Время экспозиции" << "—";
        QTest::newRow("no time")   << "no time" << "Время экспозиции" << "absent";
        QTest::newRow("iso pipe")  << "iso" << "Труба (наружный диаметр × толщина стенки)" << "219 × 8 мм";
        QTest::newRow("iso tech")  << "iso" << "Схема просвечивания" << "Две стенки, одно изображение";
        QTest::newRow("iso class") << "iso" << "Класс контроля" << "B";
        QTest::newRow("iso src")   << "iso" << "Источник в расчёте" << "Ir-192";
        QTest::newRow("iso d")     << "iso" << "Размер источника d, мм" << "2";
        QTest::newRow("iso SFD")   << "iso" << "Расстояние источник — плёнка SFD, мм" << "600";
        QTest::newRow("iso w")     << "iso" << "Просвечиваемая толщина w" << "16 мм";
        QTest::newRow("iso f")     << "iso" << "Расстояние источник — объект f" << "592 мм";
        QTest::newRow("iso f min") << "iso" << "Наименьшее расстояние f min" << "120 мм";
        QTest::newRow("iso verd.") << "iso" << "Расстояние f" << "достаточно";
        QTest::newRow("iso N")     << "iso" << "Число экспозиций" << "7, через 51,4°";
        QTest::newRow("iso IQI")   << "iso" << "Проволочный эталон" << "W14 (табл. B.11); для Ir-192 допускается W13 (п. 6.9)";
        QTest::newRow("iso range") << "iso" << "Толщина для источника (табл. 2)" << "вне пределов 20–90 мм: только по согласованию";
        QTest::newRow("iso dens.") << "iso" << "Оптическая плотность снимка" << "не менее 3,0, или не менее 2,6 с плёночной системой более высокого класса (компенсация по согласованию)";
        QTest::newRow("iso ? N")   << "iso ?" << "Число экспозиций" << "—";
        QTest::newRow("iso ? IQI") << "iso ?" << "Проволочный эталон" << "—";
        QTest::newRow("iso ? pipe")<< "iso ?" << "Труба (наружный диаметр × толщина стенки)" << "—";
        // clang-format on
    }
    void rows()
    {
        QFETCH(QString, setup);
        QFETCH(QString, caption);
        QFETCH(QString, value);
        const TTechniqueCard card = CardOf(setup);
        const auto row
            = std::find_if(card.rows.begin(), card.rows.end(), [&](const TCardRow& r) { return r.caption == caption; });
        QCOMPARE(row == card.rows.end() ? QStringLiteral("absent") : row->value, value);
        if (setup.startsWith(QLatin1String("iso"))) {
            QCOMPARE(card.standard, QStringLiteral("ГОСТ ISO 17636-1-2017, класс B"));
            QCOMPARE(card.scheme, -1);
        } else {
            QCOMPARE(card.standard, QStringLiteral("ГОСТ 7512-82"));
            QCOMPARE(card.madeBy, QStringLiteral("Иванов И. И."));
        }
    }

    void pdfName()
    {
        QCOMPARE(CardOf(QStringLiteral("default")).pdfName, QStringLiteral("Карта 219x6,0 08.12.2026.pdf"));
        QCOMPARE(CardPdfName(QStringLiteral("1/2"), QStringLiteral("3"), Made),
                 QStringLiteral("Карта 1_2x3 08.12.2026.pdf"));
    }

    // clang-format off
    void exposureLine_data()
    {
        // The ISO window's source and the source window's state -> the time
        // or the reason for "—".
        Columns<TIsoSource, QString, QString>({"source", "window", "shown"});
        QTest::newRow("Ir-192, SFD 750, w 7")   << TIsoSource::Ir192 << "filled" << "expected";
        QTest::newRow("never filled")           << TIsoSource::Ir192 << "none" << "Нет эталонного снимка: заполните окно «Источник»";
        QTest::newRow("no reference time")      << TIsoSource::Ir192 << "no time" << "Нет эталонного снимка: заполните окно «Источник»";
        QTest::newRow("window on Se-75")        << TIsoSource::Ir192 << "Se-75" << "Эталонный снимок сделан с другим источником (Se-75)";
        QTest::newRow("ISO on Co-60")           << TIsoSource::Co60 << "filled" << "Эталонный снимок сделан с другим источником (Ir-192)";
        QTest::newRow("X-ray")                  << TIsoSource::XRay << "filled" << "Для рентгеновского аппарата время не рассчитывается";
    }
    // clang-format on
    void exposureLine()
    {
        const auto [source, window, shown] = Fetch<TIsoSource, QString, QString>({"source", "window", "shown"});
        TSourceForm f = DefaultSourceForm(QDate(2026, 12, 9));
        f.activity = QStringLiteral("100");
        f.passportDate = QDate(2026, 10, 1);
        f.refMinutes = window == QLatin1String("no time") ? QString() : QStringLiteral("2");
        f.refDistance = QStringLiteral("500");
        f.refThickness = QStringLiteral("16");
        f.refDate = QDate(2026, 10, 1);
        f.distance = QStringLiteral("479");
        f.thickness = QStringLiteral("16");
        if (window == QLatin1String("Se-75")) {
            f.isotope = 1;
            f.hvl = QStringLiteral("8");
        }
        const TExposureLine line
            = ExposureFor(source, 750, 7, window == QLatin1String("none") ? std::nullopt : std::optional(f));
        if (shown != QLatin1String("expected")) {
            QCOMPARE(line.time, QStringLiteral("—"));
            QCOMPARE(line.hint, shown);
            return;
        }
        // The source window's function, its half-value layer, today's activity.
        const double a = ActivityOn(TIsotope::Ir192, 100, f.passportDate, f.workDate);
        const double minutes = ScaledExposureMinutes(2, 100, 500, 16, a, 750, 7, 13.0);
        QCOMPARE(line.time, ExposureText(minutes));
        QVERIFY(line.hint.isEmpty());
        QVERIFY(line.time != ComputeSource(f).exposure); // not the source window's own shot
    }

    void cardFileLengths()
    {
        // A card.cnf of the first version loads with the new fields empty; one
        // of a later version keeps its extra lines.
        const QByteArray old = ToCp1251(QStringLiteral("ООО\r\nГазопровод\r\nСтык 12\r\nсталь\r\nIr-192\r\n"
                                                       "D7\r\nPb\r\nИванов\r\nПетров\r\n"));
        const std::optional<TCardFields> f = ReadCardBytes(old);
        QVERIFY(f);
        QCOMPARE(f->checkedBy, QStringLiteral("Петров"));
        QVERIFY(f->number.isEmpty() && f->processing.isEmpty() && f->extra.isEmpty());
        QCOMPARE(SplitCp1251Lines(CardFileBytes(*f)).size(), 22);
        QVERIFY(CardFileBytes(*f).startsWith(old));
        TCardFields full = *f;
        full.number = QStringLiteral("17/2026");
        full.processing = QStringLiteral("ручная");
        const QByteArray later = CardFileBytes(full) + "future 1\r\nfuture 2\r\n";
        const std::optional<TCardFields> g = ReadCardBytes(later);
        QVERIFY(g);
        QCOMPARE(g->number, QStringLiteral("17/2026"));
        QCOMPARE(g->processing, QStringLiteral("ручная"));
        QCOMPARE(g->extra, QStringList({"future 1", "future 2"}));
        QCOMPARE(CardFileBytes(*g), later);
        QVERIFY(!ReadCardBytes(old.left(old.lastIndexOf("Петров"))));
        // A letter the code page lacks: the file in UTF-8 after its mark.
        full.films = QStringLiteral("1 × 100×300");
        const QByteArray utf8 = CardFileBytes(full);
        QVERIFY(utf8.startsWith("\xEF\xBB\xBF" + QStringLiteral("ООО\r\n").toUtf8()));
        QCOMPARE(ReadCardBytes(utf8), std::optional(full));
    }

    void cardFile()
    {
        const TCardFields f{"ООО «Контроль»", "Газопровод", "Стык 12", "сталь", "Ir-192",
                            "Agfa D7",        "Pb 0,027",   "Иванов",  "Петров"};
        const QByteArray bytes = CardFileBytes(f);
        QCOMPARE(bytes,
                 ToCp1251(QStringLiteral("ООО «Контроль»\r\nГазопровод\r\nСтык 12\r\nсталь\r\nIr-192\r\n"
                                         "Agfa D7\r\nPb 0,027\r\nИванов\r\nПетров\r\n"))
                     + QByteArray("\r\n").repeated(13));
        QCOMPARE(ReadCardBytes(bytes), std::optional<TCardFields>(f));
        QCOMPARE(ReadCardBytes(CardFileBytes(TCardFields{})), std::optional<TCardFields>(TCardFields{}));
        QVERIFY(!ReadCardBytes(QByteArray()));
    }

    // clang-format off
    void isoOutOfBounds_data()
    {
        // An ISO input no set-up has: the source window's hint, and neither
        // "inf" nor hundreds of digits in the window, the diary or the card.
        const QString digits300 = "1" + QString(300, QLatin1Char('0'));
        Columns<QString, QString, int>({"field", "value", "technique"});
        QTest::newRow("d 1E308, SFD 1E308") << "d+sfd" << "1E308"   << int(TIsoTechnique::DoubleWallSingleImage);
        QTest::newRow("d of 300 digits")    << "d"     << digits300 << int(TIsoTechnique::DoubleWallSingleImage);
        QTest::newRow("SFD 1E308, outside") << "sfd"   << "1E308"   << int(TIsoTechnique::SingleWallSourceOutside);
        QTest::newRow("De 300 digits, axis")<< "De"    << digits300 << int(TIsoTechnique::SingleWallCentral);
        QTest::newRow("t 1E300")            << "t"     << "1E300"   << int(TIsoTechnique::DoubleWallSingleImage);
        QTest::newRow("d 0,0001: still one")<< "d"     << "0,0001"  << -1;
    }
    // clang-format on
    void isoOutOfBounds()
    {
        const auto [field, value, technique] = Fetch<QString, QString, int>({"field", "value", "technique"});
        TIsoForm form = DefaultIsoForm();
        form.technique = TIsoTechnique(std::max(technique, 0));
        for (auto [name, text] : {std::pair{"De", &form.De}, std::pair{"t", &form.t}, std::pair{"d", &form.d},
                                  std::pair{"sfd", &form.sfd}})
            if (field.split('+').contains(QLatin1String(name)))
                *text = value;
        const TIsoTexts texts = ComputeIsoForm(form).texts;
        const bool refused = technique >= 0;
        QCOMPARE(texts.hint == QStringLiteral("Значение вне разумных пределов"), refused);
        QCOMPARE(IsoNoteParagraph(form, texts).has_value(), !refused);
        const TTechniqueCard card = IsoCard(form, texts, TCardFields{}, std::nullopt, Made);
        for (const TCardRow& row : card.rows) {
            QVERIFY2(!row.value.contains(QLatin1String("inf")), qPrintable(row.value));
            QVERIFY2(row.value.size() < 120, qPrintable(row.caption));
        }
    }
};

QTEST_APPLESS_MAIN(TestCard)
#include "test_card.moc"
