// The journal's rules: verdict words, the conclusion number, the search's
// folding, a card made an entry, the table's cells, the CSV and the conclusion's rows.
#include "calc/techniquecard.h"
#include "journal/conclusion.h"
#include "journal/journalrules.h"
#include "journal/journalstore.h"

#include <QtTest>

#include "stores.h"
#include "table.h"

using namespace kelto;
using namespace kelto::testing;

class TestJournalRules : public QObject {
    Q_OBJECT
private slots:
    void verdictWords_data()
    {
        Columns<QString, int>({"text", "verdict"});
        QTest::newRow("годен") << "годен" << int(TVerdict::Fit);
        QTest::newRow("ремонт") << "ремонт" << int(TVerdict::Repair);
        QTest::newRow("вырезать") << "вырезать" << int(TVerdict::Cut);
        QTest::newRow("не оценён") << "не оценён" << int(TVerdict::NotAssessed);
        QTest::newRow("capitals, е for ё") << "НЕ  ОЦЕНЕН" << int(TVerdict::NotAssessed);
        QTest::newRow("other word") << "брак" << -1;
        QTest::newRow("empty") << "" << -1;
    }
    void verdictWords()
    {
        const auto [text, verdict] = Fetch<QString, int>({"text", "verdict"});
        const auto v = VerdictFromText(text);
        QCOMPARE(v ? int(*v) : -1, verdict);
        if (v)
            QCOMPARE(VerdictFromText(VerdictText(*v)), v);
    }

    void conclusionNumber_data()
    {
        Columns<QString, int, int>({"text", "number", "year"});
        QTest::newRow("plain") << "17/2026" << 17 << 2026;
        QTest::newRow("blanks round") << " 1/2027 " << 1 << 2027;
        QTest::newRow("six digits") << "999999/2026" << 999999 << 2026;
        QTest::newRow("seven digits") << "1000000/2026" << 0 << 0;
        QTest::newRow("zero") << "0/2026" << 0 << 0;
        QTest::newRow("short year") << "17/26" << 0 << 0;
        QTest::newRow("no number") << "/2026" << 0 << 0;
        QTest::newRow("letters") << "17а/2026" << 0 << 0;
        QTest::newRow("blank inside") << "17 /2026" << 0 << 0;
        QTest::newRow("sign") << "+17/2026" << 0 << 0;
    }
    void conclusionNumber()
    {
        const auto [text, number, year] = Fetch<QString, int, int>({"text", "number", "year"});
        const auto n = ParseConclusionNumber(text);
        QCOMPARE(n.value_or(TConclusionNumber{}), (TConclusionNumber{number, year}));
        if (n)
            QCOMPARE(ConclusionNumberText(*n), text.trimmed());
    }

    void folding_data()
    {
        Columns<QString, QString>({"text", "folded"});
        QTest::newRow("capitals") << "ТРЕЩИНА Pore" << "тpeщинa pore";
        QTest::newRow("ё") << "Ёлка ёж" << "eлкa eж";
        QTest::newRow("look-alikes both ways") << "СОРТ copт" << "copт copт";
        QTest::newRow("blank runs and lines") << "  шов\r\n\t12  " << "шoв 12";
        QTest::newRow("outside 1251 kept, small") << "Ø ⌀Δ" << "ø ⌀δ";
        QTest::newRow("empty") << "" << "";
    }
    void folding()
    {
        const auto [text, folded] = Fetch<QString, QString>({"text", "folded"});
        QCOMPARE(FoldForSearch(text), folded);
    }

    void searchKey_data()
    {
        Columns<QString, QDate, QDate>({"query", "from", "to"});
        QTest::newRow("day") << "09.12.2026" << QDate(2026, 12, 9) << QDate(2026, 12, 9);
        QTest::newRow("month") << "2.2028" << QDate(2028, 2, 1) << QDate(2028, 2, 29);
        QTest::newRow("year") << "2026" << QDate(2026, 1, 1) << QDate(2026, 12, 31);
        QTest::newRow("no date") << "31.02.2026" << QDate() << QDate();
        QTest::newRow("text") << "стык 12" << QDate() << QDate();
    }
    void searchKey()
    {
        const auto [query, from, to] = Fetch<QString, QDate, QDate>({"query", "from", "to"});
        const TJournalSearchKey key = JournalSearchKey(query);
        QCOMPARE(key.from, from);
        QCOMPARE(key.to, to);
    }

    void cardToEntry_data()
    {
        Columns<QString, QString, QString, QString, QString, QString, QString, int, QString>(
            {"standard", "scheme", "exposures", "filmsField", "length", "iqi", "method", "films", "filmSize"});
        QTest::newRow("ГОСТ with scheme") << "ГОСТ 7512-82" << "5б" << "3" << "" << "240" << "0,2" << "ГОСТ 7512-82, схема 5б" << 3 << "240 мм";
        QTest::newRow("ISO, two films an exposure") << "ГОСТ ISO 17636-1-2017, класс B" << "—" << "3" << "2 × 100×240" << "—" << "W13" << "ГОСТ ISO 17636-1-2017, класс B, двойная стенка" << 6 << "100×240";
        QTest::newRow("films as a size only") << "ГОСТ 7512-82" << "—" << "4" << "100×300" << "—" << "—" << "ГОСТ 7512-82, двойная стенка" << 4 << "100×300";
        QTest::newRow("nothing computed") << "ГОСТ 7512-82" << "—" << "—" << "" << "—" << "—" << "ГОСТ 7512-82, двойная стенка" << 0 << "";
    }
    void cardToEntry()
    {
        const auto [standard, scheme, exposures, filmsField, length, iqi, method, films, filmSize]
            = Fetch<QString, QString, QString, QString, QString, QString, QString, int, QString>(
                {"standard", "scheme", "exposures", "filmsField", "length", "iqi", "method", "films", "filmSize"});
        TTechniqueCard card;
        card.standard = standard;
        card.technique = QStringLiteral("двойная стенка");
        card.pipe = "219 × 8 мм";
        card.schemeName = scheme;
        card.exposures = exposures;
        card.filmLength = length;
        card.iqi = iqi;
        // Rows say otherwise: the entry takes the card's values, not its page.
        card.rows = {{"Труба (наружный диаметр × толщина стенки)", "1 × 1 мм"}, {"Проволочный эталон", "W99"}};
        TCardFields fields;
        fields.object = "Газопровод";
        fields.joint = "12";
        fields.source = "Ir-192";
        fields.sourceSerial = "1234";
        fields.films = filmsField;
        fields.madeBy = "Петров";
        const TJournalEntry e = EntryFromCard(card, fields, QDate(2026, 12, 9));
        QCOMPARE(e.method, method);
        QCOMPARE(e.films, films);
        QCOMPARE(e.filmSize, filmSize);
        QCOMPARE(e.sensitivity, iqi == "—" ? QString() : iqi);
        QCOMPARE(e.pipe, "219 × 8 мм");
        QCOMPARE(e.object, fields.object);
        QCOMPARE(e.joint, fields.joint);
        QCOMPARE(e.material, fields.material);
        QCOMPARE(e.source, fields.source);
        QCOMPARE(e.sourceSerial, "1234");
        QCOMPARE(e.performer, fields.madeBy);
        QCOMPARE(e.verdict, TVerdict::NotAssessed);
        QCOMPARE(e.date, QDate(2026, 12, 9));
    }

    void conclusionRow_data()
    {
        Columns<int, QString, QString, QString, QString, QString>({"films", "size", "sensitivity", "defects", "filmsCell", "defectsCell"});
        QTest::newRow("count and size") << 3 << "100×240" << "0,2 мм" << "пора" << "3 сн., 100×240" << "пора";
        QTest::newRow("none found") << 0 << "" << "" << "" << "" << "не выявлены";
        QTest::newRow("№ kept with its number") << 1 << "" << "набор № 2" << "см. № 5" << "1 сн." << "см. №\u00A05";
    }
    void conclusionRow()
    {
        const auto [films, size, sensitivity, defects, filmsCell, defectsCell]
            = Fetch<int, QString, QString, QString, QString, QString>({"films", "size", "sensitivity", "defects", "filmsCell", "defectsCell"});
        TJournalEntry e;
        e.joint = "С-17";
        e.films = films;
        e.filmSize = size;
        e.sensitivity = sensitivity;
        e.defects = defects;
        e.verdict = TVerdict::Repair;
        const TConclusionRow row = ConclusionRowOf(e);
        QCOMPARE(row.films, filmsCell);
        QCOMPARE(row.defects, defectsCell);
        QVERIFY(!row.sensitivity.contains("№ "));
        QCOMPARE(row.verdict, "ремонт");
    }

    void csvFields_data()
    {
        Columns<QString, QByteArray>({"defects", "field"});
        QTest::newRow("plain") << "пора" << QByteArray(";пора;");
        QTest::newRow("separator quoted") << "пора; шлак" << QByteArray(";\"пора; шлак\";");
        QTest::newRow("quotes doubled") << "\"А\" 2" << QByteArray(";\"\"\"А\"\" 2\";");
        QTest::newRow("line break kept inside quotes") << "пора\r\nшлак" << QByteArray(";\"пора\r\nшлак\";");
        QTest::newRow("comma as is") << "0,5 мм" << QByteArray(";0,5 мм;");
        QTest::newRow("empty") << "" << QByteArray(";;");
    }
    void csvFields()
    {
        const auto [defects, field] = Fetch<QString, QByteArray>({"defects", "field"});
        TJournalEntry e = Entry("12", QDate(2026, 12, 9), TVerdict::Fit, defects);
        e.id = 5;
        const QByteArray csv = JournalCsv({e});
        QVERIFY(csv.startsWith("\xEF\xBB\xBF№;Дата;"));
        QVERIFY(csv.endsWith("\r\n"));
        QCOMPARE(csv.count("\r\n"), 2 + defects.count(QLatin1String("\r\n")));
        QVERIFY(csv.contains(QByteArray(";0,2 мм") + field + "годен;"));
        QVERIFY(csv.contains("\r\n5;09.12.2026;"));
    }

    // The whole line, byte for byte, as a spreadsheet program reads it.
    void csvLine_data()
    {
        Columns<int, QString, QByteArray>({"films", "note", "line"});
        const QByteArray head = "7;01.02.2026;Газопровод Ду200, участок 3;12;219 × 8;09Г2С;ГОСТ 7512-82, схема 5б;Ir-192;№ 1234;";
        QTest::newRow("films") << 3 << "" << head + "3;100 × 240;0,2 мм;пора;ремонт;;Петров П. П.;\r\n";
        QTest::newRow("no films") << 0 << "" << head + ";100 × 240;0,2 мм;пора;ремонт;;Петров П. П.;\r\n";
        QTest::newRow("quoted note") << 1 << "a;\"b\"\nc" << head + "1;100 × 240;0,2 мм;пора;ремонт;;Петров П. П.;\"a;\"\"b\"\"\nc\"\r\n";
    }
    void csvLine()
    {
        const auto [films, note, line] = Fetch<int, QString, QByteArray>({"films", "note", "line"});
        TJournalEntry e = Entry("12", QDate(2026, 2, 1), TVerdict::Repair, QStringLiteral("пора"));
        e.id = 7;
        e.films = films;
        e.note = note;
        QByteArray csv;
        AppendJournalCsvLine(csv, e);
        QCOMPARE(csv, line);
        QCOMPARE(JournalCsv({e}), JournalCsvHead() + line);
    }
};

QTEST_GUILESS_MAIN(TestJournalRules)
#include "test_journal_rules.moc"
