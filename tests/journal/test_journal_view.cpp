// The journal window and the conclusion: what is typed survives switching,
// a refused save keeps the form, delete and Ctrl+Z, the search, the layout
// line; the conclusion's rows over pages and its number.
#include "core/clock.h"
#include "core/cp1251.h"
#include "journal/conclusion.h"
#include "journal/journalrules.h"
#include "journal/sqlitestore.h"
#include "journal/view/conclusionpage.h"
#include "journal/view/journalopen.h"
#include "journal/view/tfconclusion.h"
#include "journal/view/journalmodel.h"
#include "journal/view/tfjournal.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTableView>
#include <QtTest>

#include "controls.h"
#include "files.h"
#include "folder.h"
#include "messages.h"
#include "stores.h"
#include "table.h"

using namespace kelto;
using namespace kelto::testing;

namespace {
const QDate Day(2026, 12, 9);

// A store that refuses saves while `refuse` is set, like a full disk.
class TRefusingStore final : public TJournalStore {
public:
    explicit TRefusingStore(const QString& path)
        : m_inner(path)
    {
    }
    bool refuse = false;
    QString Place() const override { return m_inner.Place(); }
    TStoreResult Open() override { return m_inner.Open(); }
    bool IsOpen() const override { return m_inner.IsOpen(); }
    int SchemaVersion() override { return m_inner.SchemaVersion(); }
    QList<qint64> Find(const TJournalQuery& q, TStoreResult* f = nullptr) override { return m_inner.Find(q, f); }
    QList<qint64> FindFirst(const TJournalQuery& q, qsizetype n, TStoreResult* f = nullptr) override
    {
        return m_inner.FindFirst(q, n, f);
    }
    TFindJob FindJob(const TJournalQuery& q) override { return m_inner.FindJob(q); }
    QList<TJournalEntry> Load(const QList<qint64>& ids, TStoreResult* f = nullptr) override { return m_inner.Load(ids, f); }
    qint64 Count() override { return m_inner.Count(); }
    TStoreResult Save(TJournalEntry& e) override
    {
        return refuse ? TStoreResult::Fail(QStringLiteral("на диске нет места")) : m_inner.Save(e);
    }
    TStoreResult SetDeleted(qint64 id, bool deleted) override { return m_inner.SetDeleted(id, deleted); }
    int NextConclusionNumber(int year) override { return m_inner.NextConclusionNumber(year); }
    TStoreResult SaveConclusion(TConclusion& c) override { return m_inner.SaveConclusion(c); }
    std::optional<TConclusion> LoadConclusion(const TConclusionNumber& n) override { return m_inner.LoadConclusion(n); }

private:
    TSqliteJournalStore m_inner;
};

struct TWindow {
    TempProgramFolder folder;
    TRefusingStore* store = nullptr;
    std::unique_ptr<TfJournal> window;
    TWindow()
    {
        auto s = std::make_unique<TRefusingStore>(folder.File("journal.db"));
        store = s.get();
        window = std::make_unique<TfJournal>(std::move(s));
    }
    void Type(const char* name, const QString& text) { Control<QLineEdit>(*window, name)->setText(text); }
    QString Defects() { return Control<QPlainTextEdit>(*window, "eDefects")->toPlainText(); }
    void SetDefects(const QString& text) { Control<QPlainTextEdit>(*window, "eDefects")->setPlainText(text); }
    QTableView* Table() { return Control<QTableView>(*window, "tvEntries"); }
};
} // namespace

class TestJournalView : public QObject {
    Q_OBJECT
private slots:
    void switchingSavesWhatWasTyped()
    {
        TWindow w;
        QVERIFY(w.window->AddEntry(Entry("1", Day)));
        QVERIFY(w.window->AddEntry(Entry("2", Day)));
        w.SetDefects("пора 0,5");
        w.Table()->selectRow(1); // the first entry: the second's defects are saved first
        QCOMPARE(w.window->FormEntry().joint, "1");
        QCOMPARE(w.store->Load({2}).value(0).defects, "пора 0,5");
    }

    void openingSavesNothing()
    {
        TempProgramFolder folder;
        {
            TSqliteJournalStore store(folder.File("journal.db"));
            for (const char* joint : {"1", "2"}) {
                TJournalEntry e = Entry(joint, Day);
                QVERIFY(store.Save(e).IsDone());
            }
        }
        TfJournal window(std::make_unique<TSqliteJournalStore>(folder.File("journal.db")));
        QCOMPARE(window.FormEntry().joint, "2"); // the newest, shown
        QVERIFY(window.SaveTyped());
        TSqliteJournalStore store(folder.File("journal.db"));
        QCOMPARE(store.Count(), 2);
    }

    // The check of every page runs behind the first rows; a failure closes
    // the window's journal, the box asks, what was typed goes on.
    void damageFoundAfterOpening_data()
    {
        Columns<int, bool>({"answer", "startedNew"});
        QTest::newRow("a new journal") << int(QMessageBox::Yes) << true;
        QTest::newRow("kept closed") << int(QMessageBox::No) << false;
    }
    void damageFoundAfterOpening()
    {
        const auto [answer, startedNew] = Fetch<int, bool>({"answer", "startedNew"});
        TempProgramFolder folder;
        const QString path = folder.File("journal.db");
        const QByteArray bytes = WriteBrokenJournal(path);
        QVERIFY(!bytes.isEmpty());
        MessageRecorder boxes;
        boxes.answer = QMessageBox::StandardButton(answer);
        auto window = std::make_unique<TfJournal>(OpenFileJournal(path));
        QCOMPARE(boxes.boxes.size(), 0);
        QVERIFY(window->UnsavedEntry() == std::nullopt);
        QCOMPARE(window->FormEntry().joint, "199"); // the first rows, before the check ends
        QSignalSpy damaged(window.get(), &TfJournal::storeDamaged);
        Control<QPlainTextEdit>(*window, "eDefects")->setPlainText("трещина");
        QVERIFY(!window->SaveTyped()); // held, then refused: nothing written
        QTRY_COMPARE(damaged.size(), 1);
        const std::optional<TJournalEntry> typed = window->UnsavedEntry();
        QVERIFY(typed);
        window.reset();
        QCOMPARE(Get(path), bytes);
        std::unique_ptr<TJournalStore> fresh = StartNewJournal(path, damaged[0][0].toString());
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes[0].caption, "Кельто");
        QVERIFY(boxes.boxes[0].text.contains(QDir::toNativeSeparators(path)));
        QVERIFY(boxes.boxes[0].text.contains("проверка целостности"));
        QCOMPARE(bool(fresh), startedNew);
        QCOMPARE(Get(path + ".bad-" + Today().toString(Qt::ISODate)) == bytes, startedNew);
        if (!fresh)
            return;
        TfJournal again(std::move(fresh));
        again.TakeUnsaved(*typed);
        QVERIFY(again.SaveTyped());
        TSqliteJournalStore store(path);
        QCOMPARE(store.Load(store.Find({})).value(0).defects, "трещина");
        QCOMPARE(store.Count(), 1);
    }

    void refusedSaveKeepsTheForm()
    {
        TWindow w;
        MessageRecorder boxes;
        QVERIFY(w.window->AddEntry(Entry("1", Day)));
        QVERIFY(w.window->AddEntry(Entry("2", Day)));
        w.store->refuse = true;
        w.SetDefects("трещина");
        w.Table()->selectRow(1);
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes[0].caption, "Кельто");
        QVERIFY(boxes.boxes[0].text.contains("на диске нет места"));
        QVERIFY(boxes.boxes[0].text.contains(w.folder.File("journal.db")));
        QCOMPARE(w.window->FormEntry().joint, "2"); // still the typed entry
        QCOMPARE(w.Defects(), "трещина");
        w.store->refuse = false;
        QVERIFY(w.window->SaveTyped()); // a later save retries
        QCOMPARE(w.store->Load({2}).value(0).defects, "трещина");
    }

    void deleteAndBringBack()
    {
        TWindow w;
        MessageRecorder boxes;
        boxes.answer = QMessageBox::Yes;
        QVERIFY(w.window->AddEntry(Entry("1", Day)));
        QVERIFY(w.window->AddEntry(Entry("2", Day)));
        w.window->DeleteCurrent();
        QCOMPARE(boxes.boxes.size(), 1);
        QVERIFY(boxes.boxes[0].text.contains("стык 2"));
        QCOMPARE(w.Table()->model()->rowCount(), 1);
        QCOMPARE(w.window->FormEntry().joint, "1");
        w.window->UndoDelete();
        QCOMPARE(w.Table()->model()->rowCount(), 2);
        QCOMPARE(w.window->FormEntry().joint, "2");
    }

    void searchAndChosenEntries()
    {
        TWindow w;
        for (const char* joint : {"А-1", "А-2", "Б-3"})
            QVERIFY(w.window->AddEntry(Entry(joint, Day)));
        w.Type("eSearch", "а-");
        QCOMPARE(w.Table()->model()->rowCount(), 3); // typing goes on: the search waits
        QTRY_COMPARE(w.Table()->model()->rowCount(), 2);
        QCOMPARE(w.window->ChosenEntries().size(), 2); // everything found
        w.Type("eSearch", "");
        QTRY_COMPARE(w.Table()->model()->rowCount(), 3);
        w.Table()->selectRow(2);
        QCOMPARE(w.window->ChosenEntries().size(), 1); // the current one
    }

    void manyFoundComeInTwoSteps()
    {
        TWindow w;
        for (int i = 1; i <= TJournalModel::FirstRows + 50; ++i) {
            TJournalEntry e = Entry(QString::number(i), Day, TVerdict::NotAssessed, i <= 230 ? "пора" : "");
            QVERIFY(w.store->Save(e).IsDone());
        }
        auto* status = Control<QLabel>(*w.window, "lStatus");
        auto search = [&](const char* text) {
            Control<QLineEdit>(*w.window, "eSearch")->setText(QString::fromUtf8(text));
            emit Control<QLineEdit>(*w.window, "eSearch")->returnPressed();
        };
        search("газопровод");
        QCOMPARE(w.Table()->model()->rowCount(), 200); // the first rows at once, the rest counted on another thread
        QCOMPARE(status->text(), QStringLiteral("Найдено записей: более 200, идёт подсчёт…"));
        QTRY_COMPARE(w.Table()->model()->rowCount(), 250);
        QCOMPARE(status->text(), QStringLiteral("Найдено записей: 250"));
        search("газопровод "); // its whole list comes after the next query: left out
        search("пора");
        QTRY_COMPARE(status->text(), QStringLiteral("Найдено записей: 230"));
        QCOMPARE(w.Table()->model()->rowCount(), 230);
        search("участок"); // and the CSV asked before the rest came: every entry found
        const QString path = w.folder.File("all.csv");
        QVERIFY(!w.window->WriteCsv(path));
        QCOMPARE(Get(path).count("\r\n"), 251);
        MessageRecorder boxes;
        boxes.answer = QMessageBox::Yes;
        w.Table()->selectRow(240); // past the first rows: deleting it shows the entry after it
        QCOMPARE(w.window->FormEntry().joint, "10");
        w.window->DeleteCurrent();
        QCOMPARE(w.window->FormEntry().joint, "9");
    }

    void layoutLine_data()
    {
        Columns<QString, bool>({"line", "taken"});
        QTest::newRow("whole") << "900,500,40,80,100,50,60,100,90,40,80,120,60,70,90" << true;
        QTest::newRow("older ini.cnf: none") << "" << false;
        QTest::newRow("columns missing") << "900,500,40" << false;
        QTest::newRow("not numbers") << "900,x,40,80,100,50,60,100,90,40,80,120,60,70,90" << false;
    }
    void layoutLine()
    {
        const auto [line, taken] = Fetch<QString, bool>({"line", "taken"});
        TWindow w;
        const QString before = w.window->LayoutLine();
        w.window->SetLayoutLine(line);
        QCOMPARE(w.window->LayoutLine(), taken ? line : before);
    }

    void conclusionFile_data()
    {
        // The file's bytes ("-": none); the organization and the checker's
        // qualification read back; whether it was kept aside as .bak.
        Columns<QByteArray, QString, QString, bool>({"bytes", "organization", "last", "kept"});
        const QByteArray lines = "ООО «Рентген»\r\n" + QByteArray("\r\n").repeated(11) + "II уровень\r\n";
        QTest::newRow("none") << QByteArray("-") << "" << "" << false;
        QTest::newRow("UTF-8 with its mark") << "\xEF\xBB\xBF" + lines << "ООО «Рентген»" << "II уровень" << false;
        QTest::newRow("1251 without the mark") << ToCp1251(QString::fromUtf8(lines).remove("«").remove("»")) << "ООО Рентген" << "II уровень" << false;
        QTest::newRow("too few lines") << QByteArray("\xEF\xBB\xBFООО «Рентген»\r\n") << "ООО «Рентген»" << "" << true;
        QTest::newRow("a NUL byte") << QByteArray("\xEF\xBB\xBF\0\r\n", 6) + lines << "" << "" << true;
    }
    void conclusionFile()
    {
        const auto [bytes, organization, last, kept] = Fetch<QByteArray, QString, QString, bool>({"bytes", "organization", "last", "kept"});
        TempProgramFolder folder;
        const QString path = folder.File("conclusion.cnf");
        if (bytes != "-")
            Put(path, bytes);
        TSqliteJournalStore store(folder.File("journal.db"));
        {
            TfConclusion window(store);
            window.SetEntries({});
            QCOMPARE(Control<QLineEdit>(window, "eOrganization")->text(), organization);
            QCOMPARE(Control<QLineEdit>(window, "eCheckerQualification")->text(), last);
            QCOMPARE(Control<QLabel>(window, "lHint")->text(),
                     kept ? QString("Файл conclusion.cnf не прочитан: сохранена копия conclusion.cnf.bak") : QString());
            Control<QLineEdit>(window, "eOrganization")->setText("ООО «Рентген»\nфилиал");
            window.close(); // conclusion.cnf written, what it held kept first
        }
        QCOMPARE(QFile::exists(path + ".bak"), kept);
        if (kept)
            QCOMPARE(Get(path + ".bak"), bytes);
        TfConclusion again(store);
        again.SetEntries({});
        QCOMPARE(Control<QLineEdit>(again, "eOrganization")->text(), "ООО «Рентген» филиал");
        QCOMPARE(Control<QLabel>(again, "lHint")->text(), QString());
    }

    void csvThroughTheSavePath()
    {
        TWindow w;
        QVERIFY(w.window->AddEntry(Entry("1", Day, TVerdict::Fit, "шлак; пора")));
        const QString path = w.folder.File("out.csv");
        QVERIFY(!w.window->WriteCsv(path));
        QVERIFY(Get(path).startsWith("\xEF\xBB\xBF"));
        QVERIFY(Get(path).contains("\"шлак; пора\";годен"));
    }

    void pageRows_data()
    {
        Columns<QList<double>, double, double, double, QList<int>>({"heights", "first", "other", "signatures", "pages"});
        QTest::newRow("one page") << QList<double>{10, 10} << 50.0 << 80.0 << 20.0 << QList<int>{2};
        QTest::newRow("signatures to a page of their own") << QList<double>{20, 20} << 50.0 << 80.0 << 20.0 << QList<int>{2, 0};
        QTest::newRow("rows over three pages") << QList<double>(20, 10.0) << 55.0 << 85.0 << 10.0 << QList<int>{5, 8, 7};
        QTest::newRow("row taller than a page") << QList<double>{10, 200, 10} << 50.0 << 80.0 << 5.0 << QList<int>{1, 1, 1};
        QTest::newRow("no rows") << QList<double>{} << 50.0 << 80.0 << 20.0 << QList<int>{0};
    }
    void pageRows()
    {
        const auto [heights, first, other, signatures, pages]
            = Fetch<QList<double>, double, double, double, QList<int>>({"heights", "first", "other", "signatures", "pages"});
        QCOMPARE(ConclusionPageRows(heights, first, other, signatures), pages);
    }

    void thirtyEntriesGoOnToPageTwo()
    {
        TConclusion c;
        c.number = {17, 2026};
        c.date = Day;
        QList<TConclusionRow> rows;
        for (int i = 1; i <= 30; ++i)
            rows << ConclusionRowOf(Entry(QString::number(i), Day, TVerdict::Fit, "пора 0,5"));
        const QByteArray pdf = ConclusionPdf(c, rows);
        QCOMPARE(pdf.count("/Type /Page\n") + pdf.count("/Type /Page\r") + pdf.count("/Type /Page "), 2);
    }

    void conclusionNumberUsedTwiceIsRefused()
    {
        TempProgramFolder folder;
        TSqliteJournalStore store(folder.File("journal.db"));
        TJournalEntry a = Entry("1", Day), b = Entry("2", Day);
        QVERIFY(store.Save(a).IsDone() && store.Save(b).IsDone());
        MessageRecorder boxes;
        TfConclusion first(store);
        first.SetEntries({a});
        QCOMPARE(Control<QLineEdit>(first, "eNumber")->text(), QString("1/%1").arg(Today().year()));
        Control<QLineEdit>(first, "eObject")->setText("Газопровод");
        QVERIFY(!first.SaveAndWritePdf(folder.File("a.pdf")));
        QCOMPARE(store.Load({a.id}).value(0).conclusion, QString("1/%1").arg(Today().year()));
        TfConclusion second(store);
        QCOMPARE(Control<QLineEdit>(second, "eObject")->text(), "Газопровод"); // conclusion.cnf
        second.SetEntries({b});
        Control<QLineEdit>(second, "eNumber")->setText(QString("1/%1").arg(Today().year()));
        QVERIFY(second.SaveAndWritePdf(folder.File("b.pdf")).has_value());
        QCOMPARE(boxes.boxes.size(), 1);
        QVERIFY(boxes.boxes[0].text.contains("уже занят"));
        QCOMPARE(store.Load({b.id}).value(0).conclusion, QString());
        QVERIFY(!QFile::exists(folder.File("b.pdf")));
    }
};

QTEST_MAIN(TestJournalView)
#include "test_journal_view.moc"
