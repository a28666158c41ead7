// The ISO 17636-1 window: defaults and the pipe of the calculation view, a
// full example typed in (a point becoming the comma), an invalid input with
// its hint and no box, the diary paragraph, and iso.cnf at Esc.
#include "gui/report.h"
#include "core/programfolder.h"
#include "calc/view/tfiso.h"
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
};

QTEST_MAIN(TestTfIso)
#include "test_tfiso.moc"
