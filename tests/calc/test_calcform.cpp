// calc.cnf: the calculation view's inputs kept between runs.
#include "core/cp1251.h"
#include "calc/calcform.h"

#include "core/textfile.h"

#include <QTemporaryDir>
#include <QTest>

#include "formreads.h"
#include "table.h"

using namespace kelto;
using namespace kelto::testing;

class TestCalcForm : public QObject {
    Q_OBJECT
private slots:
    // clang-format off
    void start_data()
    {
        // The file's bytes ("none": no file) -> the inputs, "|"-joined in the
        // file's order (its valid leading lines over the defaults), and
        // whether the bytes are kept aside.
        Columns<QByteArray, QString, bool>({"bytes", "form", "damaged"});
        QTest::newRow("none")            << QByteArray("none") << "3|3|100|2,5|300|219|6,0" << false;
        QTest::newRow("written")         << ToCp1251("2\r\n0\r\n260\r\n3\r\n240\r\n57\r\n3,5\r\n") << "2|0|260|3|240|57|3,5" << false;
        QTest::newRow("empty texts")     << QByteArray("1\r\n7\r\n\r\n\r\n\r\n\r\n\r\n") << "1|7|||||" << false;
        QTest::newRow("empty file")      << QByteArray("") << "3|3|100|2,5|300|219|6,0" << true;
        QTest::newRow("line short")      << QByteArray("2\r\n0\r\n260\r\n3\r\n240\r\n57\r\n") << "2|0|260|3|240|57|6,0" << true;
        QTest::newRow("line long")       << QByteArray("2\r\n0\r\n260\r\n3\r\n240\r\n57\r\n3\r\n4\r\n") << "2|0|260|3|240|57|3" << true;
        QTest::newRow("no last CR LF")   << QByteArray("2\r\n0\r\n260\r\n3\r\n240\r\n57\r\n3,5") << "2|0|260|3|240|57|3,5" << false;
        QTest::newRow("class 4")         << QByteArray("4\r\n0\r\n260\r\n3\r\n240\r\n57\r\n3,5\r\n") << "3|3|100|2,5|300|219|6,0" << true;
        QTest::newRow("scheme 8")        << QByteArray("2\r\n8\r\n260\r\n3\r\n240\r\n57\r\n3,5\r\n") << "2|3|100|2,5|300|219|6,0" << true;
        QTest::newRow("scheme +1")       << QByteArray("2\r\n+1\r\n260\r\n3\r\n240\r\n57\r\n3,5\r\n") << "2|3|100|2,5|300|219|6,0" << true;
        QTest::newRow("LF only")         << QByteArray("2\n0\n260\n3\n240\n57\n3,5\n") << "2|0|260|3|240|57|3,5" << false;
    }
    // clang-format on
    void start()
    {
        const auto [bytes, form, damaged] = Fetch<QByteArray, QString, bool>({"bytes", "form", "damaged"});
        const QTemporaryDir folder;
        TFormFileKeeper file(folder.filePath(QStringLiteral("calc.cnf")));
        if (bytes != "none")
            QVERIFY(!WriteFileAtomically(file.Path(), bytes));
        const TCalcForm f = ReadCalcForm(file);
        QCOMPARE(QStringList({QString::number(f.sensClass), QString::number(f.scheme), f.focal, f.spot, f.film,
                              f.diameter, f.wall})
                     .join(QLatin1Char('|')),
                 form);
        QCOMPARE(!file.Note().isEmpty(), damaged);
        // What was read is written back as it was (with CR LF).
        if (!damaged && bytes.count("\r\n") == CalcFileLines)
            QCOMPARE(CalcFileBytes(f), bytes);
    }

    void roundTrip()
    {
        const TCalcForm f{1,
                          5,
                          QStringLiteral("1 020"),
                          QStringLiteral("0,4"),
                          QStringLiteral("480"),
                          QStringLiteral("1020"),
                          QStringLiteral("16\r\n")};
        const std::optional<TCalcForm> back = ReadCalcBytes(CalcFileBytes(f));
        QVERIFY(back);
        QCOMPARE(back->wall, QStringLiteral("16  ")); // a pasted line end does not shift the lines
        QCOMPARE(LayoutInputsOf(*back).cbSheme, 5);
        QCOMPARE(LayoutInputsOf(*back).eRast, QStringLiteral("1 020"));
    }
};

QTEST_APPLESS_MAIN(TestCalcForm)
#include "test_calcform.moc"
