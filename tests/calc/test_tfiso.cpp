// The ISO 17636-1 window: defaults and the pipe of the calculation view, a
// full example typed in (a point becoming the comma), an invalid input with
// its hint and no box, the diary paragraph, and iso.cnf at Esc.
#include "gui/report.h"
#include "core/programfolder.h"
#include "calc/view/tfiso.h"
#include "calc/view/calcview.h"
#include "core/cp1251.h"
#include "core/textfile.h"
#include "formreads.h"
#include "table.h"
#include "controls.h"
#include "doubles.h"
#include "folder.h"
#include "messages.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

using namespace kelto;

class TestTfIso : public QObject {
    Q_OBJECT
private:
    testing::TempProgramFolder folder;
    testing::MessageRecorder messages;

    static void Type(TfIso& w, const char* edit, const QString& text)
    {
        testing::ReplaceText(testing::Control<QLineEdit>(w, edit), text);
    }

private slots:
    void window()
    {
        QFile::remove(TfIso::FilePath());
        TfIso w(QStringLiteral("abc"), QString());
        QCOMPARE(w.windowTitle(), QStringLiteral("Расчёт по ГОСТ ISO 17636-1"));
        QCOMPARE(w.minimumSize(), w.maximumSize());
        QCOMPARE(IsoFileBytes(w.Form()), IsoFileBytes(DefaultIsoForm()));
        QCOMPARE(w.Shown().texts.exposures, QStringLiteral("7, через 51,4°"));
        QCOMPARE(w.Shown().texts.iqi, QStringLiteral("W14 (табл. B.11); для Ir-192 допускается W13 (п. 6.9)"));

        // 1020×16, source outside, f 700, class A: ten exposures.
        w.findChild<QComboBox*>(QStringLiteral("cbTechnique"))->setCurrentIndex(0);
        w.findChild<QComboBox*>(QStringLiteral("cbClass"))->setCurrentIndex(0);
        Type(w, "eDe", QStringLiteral("1020"));
        Type(w, "eT", QStringLiteral("16.0"));
        Type(w, "eSfd", QStringLiteral("716"));
        const TIsoShown s = w.Shown();
        QCOMPARE(s.form.t, QStringLiteral("16,0"));
        QCOMPARE(s.results.exposures, 10);
        QCOMPARE(s.texts.exposures, QStringLiteral("10, через 36°"));
        QCOMPARE(s.texts.iqi, QStringLiteral("W11 (табл. B.1); для Ir-192 допускается W9 (п. 6.9)"));
        QCOMPARE(s.texts.range, QStringLiteral("вне пределов 20–100 мм: только по согласованию"));
        const auto colour
            = [&w](const char* l) { return w.findChild<QLabel*>(l)->palette().color(QPalette::WindowText); };
        QVERIFY(colour("lRange") != colour("lDensity")); // the failed verdict stands out
        QString paragraph;
        w.SetDiaryAppend([&](const QString& p) { return paragraph = p, QStringLiteral("Записано"); });
        QMetaObject::invokeMethod(&w, "WriteCalculationToDiary");
        QVERIFY(paragraph.startsWith(QStringLiteral("Расчёт по ГОСТ ISO 17636-1: De 1020 мм, t 16,0 мм")));

        Type(w, "eT", QString());
        QCOMPARE(w.Shown().texts.w, QStringLiteral("—"));
        QCOMPARE(w.Shown().texts.density, QStringLiteral("—"));
        QCOMPARE(w.Shown().texts.hint, QStringLiteral("Укажите толщину стенки"));
        QCOMPARE(messages.boxes.size(), 0);

        // Esc closes the window and keeps its inputs for the next.
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTest::keyClick(w.findChild<QLineEdit*>(QStringLiteral("eDe")), Qt::Key_Escape);
        QVERIFY(!w.isVisible());
        TfIso next(QStringLiteral("219"), QStringLiteral("6,0"));
        QCOMPARE(next.Form().sfd, QStringLiteral("716"));
        QCOMPARE(next.Form().t, QStringLiteral("6,0"));
        QCOMPARE(next.Form().testClass, TIsoClass::A);
    }

    // clang-format off
    void isoFile_data()
    {
        testing::Columns<QByteArray, bool>({"bytes", "read"});
        // clang-format off
        QTest::newRow("written") << kelto::ToCp1251("530\r\n10,5\r\n0\r\nA\r\nРентгеновский аппарат\r\n1,5\r\n1010\r\n1\r\n") << true;
        QTest::newRow("a line short") << QByteArray("219\r\n8\r\n3\r\nB\r\nIr-192\r\n2\r\n600\r\n") << false;
        QTest::newRow("source Cs-137") << QByteArray("219\r\n8\r\n3\r\nB\r\nCs-137\r\n2\r\n600\r\n0\r\n") << false;
        QTest::newRow("planar 2") << QByteArray("219\r\n8\r\n3\r\nB\r\nIr-192\r\n2\r\n600\r\n2\r\n") << false;
        // clang-format on
    }
    // clang-format on
    void isoFile()
    {
        auto [bytes, read] = testing::Fetch<QByteArray, bool>({"bytes", "read"});
        const std::optional<TIsoForm> f = ReadIsoBytes(bytes);
        QCOMPARE(f.has_value(), read);
        // The window as first opened in a run, beside the view's pipe.
        QVERIFY(!WriteFileAtomically(TfIso::FilePath(), bytes));
        const TIsoForm shown = TfIso(QStringLiteral("1020"), QStringLiteral("x")).Form();
        QCOMPARE(shown.De, QStringLiteral("1020"));
        QCOMPARE(shown.t, read ? f->t : QStringLiteral("8"));
        if (read && bytes.endsWith("\r\n"))
            QCOMPARE(IsoFileBytes(*f), bytes);
        QFile::remove(TfIso::FilePath());
        QCOMPARE(IsoFileBytes(TfIso(QString(), QString()).Form()),
                 QByteArray("219\r\n8\r\n3\r\nB\r\nIr-192\r\n2\r\n600\r\n0\r\n"));
    }

    // clang-format off
    void sharedPipe_data()
    {
        // An edit in one window -> the view's D|S|spot and the ISO window's De|t|d.
        testing::Columns<QString, QString, QString, QString>({"window", "field", "typed", "both"});
        QTest::newRow("view D")       << "view" << "eDiam"  << "57"   << "57|6,0|2,5";
        QTest::newRow("view S")       << "view" << "eTol"   << "3,5"  << "219|3,5|2,5";
        QTest::newRow("view spot")    << "view" << "ePatno" << "3"    << "219|6,0|3";
        QTest::newRow("ISO De")       << "iso"  << "eDe"    << "1020" << "1020|6,0|2,5";
        QTest::newRow("ISO t")        << "iso"  << "eT"     << "16"   << "219|16|2,5";
        QTest::newRow("ISO d")        << "iso"  << "eD"     << "3"    << "219|6,0|3";
        QTest::newRow("ISO De empty") << "iso"  << "eDe"    << ""     << "219|6,0|2,5";
    }
    // clang-format on
    void sharedPipe()
    {
        const auto [window, field, typed, both]
            = testing::Fetch<QString, QString, QString, QString>({"window", "field", "typed", "both"});
        QFile::remove(TCalcView::CalcFilePath());
        TCalcView view;
        view.OpenIsoWindow();
        TfIso* iso = view.IsoWindow();
        QWidget* in = window == QLatin1String("view") ? static_cast<QWidget*>(&view) : iso;
        testing::ReplaceText(testing::Control<QLineEdit>(*in, field.toLatin1().constData()), typed);
        const QString viewShows = QStringList{testing::Control<QLineEdit>(view, "eDiam")->text(),
                                              testing::Control<QLineEdit>(view, "eTol")->text(),
                                              testing::Control<QLineEdit>(view, "ePatno")->text()}
                                      .join(QLatin1Char('|'));
        QCOMPARE(viewShows, both);
        const TIsoForm f = iso->Form();
        if (!typed.isEmpty() || window == QLatin1String("view"))
            QCOMPARE(QStringList({f.De, f.t, f.d}).join(QLatin1Char('|')), both);
        QCOMPARE(messages.boxes.size(), 0);
    }

    void exposureLine()
    {
        QFile::remove(TCalcView::CalcFilePath());
        QFile::remove(TfIso::FilePath());
        TfIso w(QStringLiteral("219"), QStringLiteral("3,5"));
        QCOMPARE(w.Shown().texts.exposureTime, QStringLiteral("—"));
        std::optional<TSourceForm> source;
        w.SetSourceForm([&source] { return source; });
        QCOMPARE(testing::Control<QLabel>(w, "lHint")->text(),
                 QStringLiteral("Нет эталонного снимка: заполните окно «Источник»"));
        TSourceForm f = DefaultSourceForm(QDate(2026, 12, 9));
        f.activity = QStringLiteral("100");
        f.refMinutes = QStringLiteral("2");
        f.refDistance = QStringLiteral("500");
        f.refThickness = QStringLiteral("16");
        f.distance = QStringLiteral("479");
        f.thickness = QStringLiteral("16");
        source = f;
        Type(w, "eSfd", QStringLiteral("750"));
        // w = 7 mm at 750 mm, the activity of the same day as the shot.
        QCOMPARE(w.Shown().texts.exposureTime, ExposureText(ScaledExposureMinutes(2, 100, 500, 16, 100, 750, 7, 13)));
        QVERIFY(testing::Control<QLabel>(w, "lHint")->text().isEmpty());
        // The panoramic set-up: SFD De/2 in its field, the typed one back after.
        w.findChild<QComboBox*>(QStringLiteral("cbTechnique"))->setCurrentIndex(2);
        QCOMPARE(testing::Control<QLineEdit>(w, "eSfd")->text(), QStringLiteral("109,5 (источник на оси трубы)"));
        QVERIFY(!testing::Control<QLineEdit>(w, "eSfd")->isEnabled());
        QCOMPARE(w.Form().sfd, QStringLiteral("750"));
        QCOMPARE(w.Shown().texts.exposureTime,
                 ExposureText(ScaledExposureMinutes(2, 100, 500, 16, 100, 109.5, 3.5, 13)));
        w.findChild<QComboBox*>(QStringLiteral("cbTechnique"))->setCurrentIndex(3);
        QCOMPARE(testing::Control<QLineEdit>(w, "eSfd")->text(), QStringLiteral("750"));
    }
};

QTEST_MAIN(TestTfIso)
#include "test_tfiso.moc"
