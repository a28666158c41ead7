// The technique card window: opened by Ctrl+P from the calculation view or
// by the ISO window's link, it follows that calculation, takes the source window's isotope, writes its PDF
// through the save path and keeps its fields in card.cnf.
#include "gui/report.h"
#include "core/cp1251.h"
#include "core/programfolder.h"
#include "core/textfile.h"
#include "calc/view/calcview.h"
#include "calc/view/tfcard.h"
#include "calc/view/cardpage.h"
#include "calc/view/tfiso.h"
#include "calc/view/printservice.h"
#include "gui/linklabel.h"
#include "controls.h"
#include "doubles.h"
#include "folder.h"
#include "messages.h"
#include "table.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QTest>

using namespace kelto;

namespace {
QString ValueOf(const TTechniqueCard& card, const QString& caption)
{
    for (const TCardRow& r : card.rows)
        if (r.caption == caption)
            return r.value;
    return QStringLiteral("absent");
}
} // namespace

class TestTfCard : public QObject {
    Q_OBJECT
private slots:
    void cardOfTheView()
    {
        const testing::TempProgramFolder folder;
        const testing::MessageRecorder messages;
        QVERIFY(WriteFileAtomically(folder.File(QStringLiteral("source.cnf")),
                                    ToCp1251(QStringLiteral("Se-75\r\n100\r\nКи\r\n01.12.2026\r\n\r\n\r\n\r\n"
                                                            "01.12.2026\r\n\r\n\r\n\r\n")))
                == std::nullopt);
        TCalcView view;
        view.show();
        view.Recalculate();
        auto* eDiam = testing::Control<QLineEdit>(view, "eDiam");
        view.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&view));
        eDiam->setFocus();
        QTest::keyClick(eDiam, Qt::Key_P, Qt::ControlModifier);
        TfCard* card = view.CardWindow();
        QVERIFY(card && card->isVisible());
        QCOMPARE(card->windowTitle(), QStringLiteral("Технологическая карта"));
        QCOMPARE(testing::Control<QLineEdit>(*card, "eMaterial")->text(), QStringLiteral("сталь"));
        QCOMPARE(testing::Control<QLineEdit>(*card, "eSource")->text(), QStringLiteral("Se-75"));
        QCOMPARE(ValueOf(card->Card(), QStringLiteral("Минимальное кол-во экспозиций")),
                 testing::Control<QLabel>(view, "lExpo")->text());

        // It follows the view, and the fields.
        testing::Control<QComboBox>(view, "cbSheme")->setCurrentIndex(5);
        QCOMPARE(ValueOf(card->Card(), QStringLiteral("Схема контроля")), QStringLiteral("е)"));
        QCOMPARE(ValueOf(card->Card(), QStringLiteral("Минимальное кол-во экспозиций")), QStringLiteral("1"));
        testing::typeText(testing::Control<QLineEdit>(*card, "eMadeBy"), QStringLiteral("Иванов"));
        QCOMPARE(card->Card().madeBy, QStringLiteral("Иванов"));

        // The ISO window's link gives that window's card, which follows it too.
        view.OpenIsoWindow();
        TfIso* iso = view.IsoWindow();
        QTest::mouseClick(testing::Control<TLinkLabel>(*iso, "lIsoCard"), Qt::LeftButton);
        QCOMPARE(card->Card().standard, QStringLiteral("ГОСТ ISO 17636-1-2017, класс B"));
        TIsoForm form = iso->Form();
        form.testClass = TIsoClass::A;
        iso->SetForm(form);
        QCOMPARE(card->Card().standard, QStringLiteral("ГОСТ ISO 17636-1-2017, класс A"));
        QTest::mouseClick(testing::Control<TLinkLabel>(view, "lCard"), Qt::LeftButton);
        QCOMPARE(card->Card().standard, QStringLiteral("ГОСТ 7512-82"));

        const QString pdf = folder.File(QStringLiteral("карта.pdf"));
        QCOMPARE(card->WritePdf(pdf), std::nullopt);
        const std::optional<QByteArray> bytes = ReadWholeFile(pdf);
        QVERIFY(bytes && bytes->startsWith("%PDF"));
        QVERIFY(card->WritePdf(folder.File(QStringLiteral("нет/карта.pdf"))).has_value());

        // Esc closes it and card.cnf keeps the fields for the next one.
        QApplication::setActiveWindow(card);
        QTest::keyClick(testing::Control<QLineEdit>(*card, "eMadeBy"), Qt::Key_Escape);
        QVERIFY(!card->isVisible());
        QVERIFY(messages.boxes.isEmpty());
        TfCard next(QString{});
        QCOMPARE(next.Fields().madeBy, QStringLiteral("Иванов"));
        QCOMPARE(next.Fields().source, QStringLiteral("Se-75"));
    }

    // A card of dashes can be neither saved nor printed, and the window says
    // why in one line; the line goes when the set-up is mended.
    void invalidSetUpDisablesTheCard()
    {
        const testing::TempProgramFolder folder;
        TfCard card(QString{});
        QString why = QStringLiteral("Толщина должна быть больше нуля");
        card.SetContent([&why](const TCardFields&) {
            TTechniqueCard c;
            c.notReady = why;
            return c;
        });
        QVERIFY(!testing::Control<QPushButton>(card, "bSavePdf")->isEnabled());
        QVERIFY(!testing::Control<QPushButton>(card, "bPrint")->isEnabled());
        QCOMPARE(testing::Control<QLabel>(card, "lStatus")->text(),
                 QStringLiteral("Карту нельзя сохранить и напечатать: Толщина должна быть больше нуля"));
        why.clear();
        card.Refresh();
        QVERIFY(testing::Control<QPushButton>(card, "bSavePdf")->isEnabled());
        QVERIFY(testing::Control<QPushButton>(card, "bPrint")->isEnabled());
        QCOMPARE(testing::Control<QLabel>(card, "lStatus")->text(), QString());
    }

    // clang-format off
    void printingSaysWhatHappened_data()
    {
        testing::Columns<bool, bool, QString>({"anyPrinter", "chosen", "said"});
        QTest::newRow("to a file")           << true  << true  << "Сохранено в файл %1";
        QTest::newRow("no printer at all")   << false << true  << "Принтер не найден. Сохранено в файл %1";
        QTest::newRow("cancelled")           << true  << false << "";
    }
    // clang-format on
    void printingSaysWhatHappened()
    {
        const auto [anyPrinter, chosen, said] = testing::Fetch<bool, bool, QString>({"anyPrinter", "chosen", "said"});
        const testing::TempProgramFolder folder;
        const testing::MessageRecorder messages;
        const QString name = QStringLiteral("Карта 219x8 09.12.2026.pdf");
        QString offered;
        SetPrintService({[&](QPrinter& printer, QWidget*) {
                             offered = printer.outputFileName();
                             // The user picks the file printer the dialog offers.
                             printer.setOutputFormat(QPrinter::PdfFormat);
                             printer.setOutputFileName(offered);
                             return chosen;
                         },
                         [&] { return anyPrinter; }});
        TfCard card(QString{});
        card.SetContent([&name](const TCardFields&) {
            TTechniqueCard c;
            c.pdfName = name;
            return c;
        });
        testing::Control<QPushButton>(card, "bPrint")->click();
        SetPrintService({});
        const QString path = folder.File(name);
        QCOMPARE(offered, path);
        QCOMPARE(testing::Control<QLabel>(card, "lStatus")->text(), said.isEmpty() ? said : said.arg(QDir::toNativeSeparators(path)));
        const std::optional<QByteArray> bytes = ReadWholeFile(path);
        QCOMPARE(bytes && bytes->startsWith("%PDF"), chosen);
        QVERIFY(messages.boxes.isEmpty());
    }

    // clang-format off
    void typedCharacters_data()
    {
        // Typed into "Экраны": what the field holds, and what the status says.
        testing::Columns<QString, QString, QString>({"typed", "held", "status"});
        QTest::newRow("Cyrillic and digits") << "Пб 0,027"  << "Пб 0,027" << "";
        QTest::newRow("Kazakh letters")      << "Құрылыс"   << "Құрылыс"  << "";
        QTest::newRow("no glyph: refused")   << "Pb한"       << "Pb"       << "Символ «한» не будет напечатан: его нет в шрифте карты";
        QTest::newRow("CJK: refused")        << "Pb中"      << "Pb"       << "Символ «中» не будет напечатан: его нет в шрифте карты";
        QTest::newRow("override: not printed, no glyph asked") << "\u202EPb" << "\u202EPb" << "";
    }
    // clang-format on
    void typedCharacters()
    {
        const auto [typed, held, status] = testing::Fetch<QString, QString, QString>({"typed", "held", "status"});
        const testing::TempProgramFolder folder;
        TfCard card{QString()};
        auto* screens = testing::Control<QLineEdit>(card, "eScreens");
        testing::typeText(screens, typed);
        QCOMPARE(screens->text(), held);
        QCOMPARE(testing::Control<QLabel>(card, "lStatus")->text(), status);
    }

    void fieldsStayInTheirRows()
    {
        // A right-to-left override in one field reverses nothing else, and
        // control characters are not printed (no empty boxes).
        const testing::TempProgramFolder folder;
        TCalcView view;
        view.Recalculate();
        view.OpenCardWindow();
        TfCard* card = view.CardWindow();
        QVERIFY(card);
        testing::Control<QLineEdit>(*card, "eOrganization")->setText(QStringLiteral("\u202EООО Контроль"));
        testing::Control<QLineEdit>(*card, "eObject")->setText(QStringLiteral("Газо\tпровод\u0007"));
        testing::Control<QLineEdit>(*card, "eScreens")->setText(QStringLiteral("Пб 0,027"));
        QCOMPARE(ValueOf(card->Card(), QStringLiteral("Организация")), QStringLiteral("ООО Контроль"));
        QCOMPARE(ValueOf(card->Card(), QStringLiteral("Объект")), QStringLiteral("Газопровод"));
        const QString pdf = folder.File(QStringLiteral("карта.pdf"));
        QCOMPARE(card->WritePdf(pdf), std::nullopt);
        QProcess text;
        text.start(QStringLiteral("pdftotext"), {QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf, QStringLiteral("-")});
        if (!text.waitForFinished(20000) || text.exitCode() != 0)
            QSKIP("pdftotext is not at hand");
        const QString printed = QString::fromUtf8(text.readAllStandardOutput());
        QVERIFY2(printed.contains(QStringLiteral("Пб 0,027")), qPrintable(printed));
        QVERIFY(printed.contains(QStringLiteral("ООО Контроль")));
        QVERIFY(printed.contains(QStringLiteral("Газопровод")));
    }

    void onePage()
    {
        const testing::TempProgramFolder folder;
        const testing::MessageRecorder messages;
        TCalcView view;
        view.OpenIsoWindow();
        TIsoForm form = view.IsoWindow()->Form();
        form.source = TIsoSource::XRay;
        view.IsoWindow()->SetForm(form);
        QTest::mouseClick(testing::Control<TLinkLabel>(*view.IsoWindow(), "lIsoCard"), Qt::LeftButton);
        TfCard* card = view.CardWindow();
        // A tube's voltage and current are asked for a tube only.
        QVERIFY(testing::Control<QLineEdit>(*card, "eVoltage")->isVisibleTo(card));
        QCOMPARE(card->Card().xray, true);
        // Every field at the longest the window accepts, but one: a page at a
        // smaller font, with the sketch.
        for (QLineEdit* e : card->findChildren<QLineEdit*>())
            e->setText(QStringLiteral("слово ").repeated(8));
        // A word longer than the column breaks anywhere rather than run off the page.
        testing::Control<QLineEdit>(*card, "eJoint")->setText(QString(200, QLatin1Char('W')));
        QCOMPARE(CardOverflowText(card->Card(), card->Fields()), std::nullopt);
        QVERIFY(CardFontSize(card->Card()).has_value());
        const QString pdf = folder.File(QStringLiteral("карта.pdf"));
        QCOMPARE(card->WritePdf(pdf), std::nullopt);
        // Past the least font the window names the longest field and refuses.
        for (QLineEdit* e : card->findChildren<QLineEdit*>())
            e->setText(QStringLiteral("слово ").repeated(30));
        testing::Control<QLineEdit>(*card, "eObject")->setText(QStringLiteral("слово ").repeated(33));
        const QString refusal = QStringLiteral("Не помещается на одну страницу: сократите поле «Объект»");
        QCOMPARE(CardOverflowText(card->Card(), card->Fields()).value_or("fits"), refusal);
        QCOMPARE(testing::Control<QLabel>(*card, "lStatus")->text(), refusal);
        QCOMPARE(card->WritePdf(folder.File(QStringLiteral("вторая.pdf"))), std::optional(refusal));
        QVERIFY(!QFile::exists(folder.File(QStringLiteral("вторая.pdf"))));
        // Back to the ГОСТ card: no tube, no tube's fields.
        for (QLineEdit* e : card->findChildren<QLineEdit*>())
            e->clear();
        QTest::mouseClick(testing::Control<TLinkLabel>(view, "lCard"), Qt::LeftButton);
        QVERIFY(!testing::Control<QLineEdit>(*card, "eVoltage")->isVisibleTo(card));
        QCOMPARE(testing::Control<QLabel>(*card, "lStatus")->text(), QString());
        QVERIFY(messages.boxes.isEmpty());
    }
};

QTEST_MAIN(TestTfCard)
#include "test_tfcard.moc"
