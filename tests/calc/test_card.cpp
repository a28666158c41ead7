// The technique card's rows as a pure function of a calculation, the name
// of its PDF and card.cnf.
#include "core/cp1251.h"
#include "calc/techniquecard.h"

#include <QTest>

#include "layoutdefaults.h"
#include "table.h"

using namespace kelto;
using namespace kelto::testing;

namespace {

const QDate Made(2026, 12, 8);

// A set-up by name, through the same functions the windows use.
TTechniqueCard CardOf(const QString& setup)
{
    if (setup.startsWith(QLatin1String("iso"))) {
        TIsoForm form = DefaultIsoForm();
        if (setup == QLatin1String("iso ?"))
            form.De.clear();
        return IsoCard(form, ComputeIsoForm(form).texts, TCardFields{}, std::nullopt, Made);
    }
    TLayoutInputs in = LayoutDefaults();
    std::optional<TCardSource> source;
    if (setup == QLatin1String("?"))
        in.eDiam.clear();
    if (setup == QLatin1String("source"))
        source = TCardSource{Made,
                             {QStringLiteral("90,00 Ки (3330,00 ГБк)"), QStringLiteral("90,0 %"),
                              QStringLiteral("3 мин 20 с"), QString()}};
    if (setup == QLatin1String("no time"))
        source = TCardSource{Made,
                             {QStringLiteral("90,00 Ки (3330,00 ГБк)"), QStringLiteral("90,0 %"), QStringLiteral("—"),
                              QStringLiteral("Укажите время эталонного снимка")}};
    TLayoutResults out;
    CalculateLayout(in, out);
    TCardFields fields;
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
        QTest::newRow("F")         << "default" << "Фокусное расстояние F, мм" << "100";
        QTest::newRow("f")         << "default" << "Мин. расстояние от источника до трубы f, мм" << "40,50";
        QTest::newRow("verdict")   << "default" << "Фокусное расстояние" << "достаточно";
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
        QTest::newRow("? f")       << "?" << "Мин. расстояние от источника до трубы f, мм" << "—";
        QTest::newRow("? verdict") << "?" << "Фокусное расстояние" << "—";
        QTest::newRow("? N")       << "?" << "Минимальное кол-во экспозиций" << "—";
        QTest::newRow("? angle")   << "?" << "Угол между экспозициями" << "—";
        QTest::newRow("? K")       << "?" << "Минимальная чувствительность контроля, мм" << "—";
        QTest::newRow("? wire")    << "?" << "Проволочный эталон" << "—";
        QTest::newRow("? F")       << "?" << "Фокусное расстояние F, мм" << "100";
        QTest::newRow("activity")  << "source" << "Активность источника на 08.12.2026" << "90,00 Ки (3330,00 ГБк)";
        QTest::newRow("time")      << "source" << "Время экспозиции" << "3 мин 20 с";
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
        QTest::newRow("iso dens.") << "iso" << "Оптическая плотность снимка" << "не менее 2,3";
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
            QCOMPARE(card.technique, QStringLiteral("Две стенки, одно изображение"));
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

    void cardFile()
    {
        const TCardFields f{"ООО «Контроль»", "Газопровод", "Стык 12", "сталь", "Ir-192",
                            "Agfa D7",        "Pb 0,027",   "Иванов",  "Петров"};
        const QByteArray bytes = CardFileBytes(f);
        QCOMPARE(bytes,
                 ToCp1251(QStringLiteral("ООО «Контроль»\r\nГазопровод\r\nСтык 12\r\nсталь\r\nIr-192\r\n"
                                         "Agfa D7\r\nPb 0,027\r\nИванов\r\nПетров\r\n")));
        QCOMPARE(ParseCardFile(bytes), std::optional<TCardFields>(f));
        QCOMPARE(ParseCardFile(CardFileBytes(TCardFields{})), std::optional<TCardFields>(TCardFields{}));
        QVERIFY(!ParseCardFile(bytes.left(bytes.size() - 2)));
        QVERIFY(!ParseCardFile(bytes + "\r\n"));
        QVERIFY(!ParseCardFile(QByteArray()));
    }
};

QTEST_APPLESS_MAIN(TestCard)
#include "test_card.moc"
