// The technique card's rows as a pure function of a calculation, the name
// of its PDF and card.cnf.
#include "core/cp1251.h"
#include "calc/techniquecard.h"

#include <QTest>

using namespace kelto;

namespace {

const QDate Made(2026, 12, 8);

TLayoutInputs Defaults()
{
    return {"219", "6,0", "300", "100", "2,5", 3, 3};
}

// A set-up by name, through the same functions the view uses.
TTechniqueCard CardOf(const QString& setup)
{
    TLayoutInputs in = Defaults();
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
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("caption");
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
        QCOMPARE(card.standard, QStringLiteral("ГОСТ 7512-82"));
        QCOMPARE(card.madeBy, QStringLiteral("Иванов И. И."));
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
