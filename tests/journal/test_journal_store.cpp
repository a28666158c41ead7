// The journal's storage: the cases every store keeps (run once per store of
// stores.h), then what only the file journal.db does (its schema upgrade,
// damaged files, a read-only folder, the daily copies).
#include "core/clock.h"
#include "journal/journalrules.h"
#include "journal/sqlitestore.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>
#include <thread>
#include <unistd.h>

#include "clock.h"
#include "files.h"
#include "stores.h"
#include "table.h"

using namespace kelto;
using namespace kelto::testing;

namespace {
const QDate Day(2026, 12, 9);

QStringList Joints(const QList<TJournalEntry>& entries)
{
    QStringList joints;
    for (const TJournalEntry& e : entries)
        joints << e.joint;
    return joints;
}

#define OPEN_STORE(s)                                                                                                  \
    QFETCH(QString, store);                                                                                            \
    TStoreUnderTest s = OpenStore(store);                                                                              \
    if (!s.skip.isEmpty())                                                                                             \
        QSKIP(qPrintable(s.skip));

// A save that must succeed; the reason shown when it does not.
#define SAVE(store, entry)                                                                                             \
    do {                                                                                                               \
        const TStoreResult saved = (store).Save(entry);                                                                \
        QVERIFY2(saved.IsDone(), qPrintable(saved.reason));                                                            \
    } while (false)

// Each row of a case once per store.
template <class... T> void StoreRows(const char* row, T... values)
{
    for (const auto& [name, factory] : JournalStores())
        ((QTest::addRow("%s: %s", name, row) << QString::fromLatin1(name)) << ... << values);
}
} // namespace

class TestJournalStore : public QObject {
    Q_OBJECT
private slots:
    // --- every store ---
    void roundTrip_data()
    {
        Columns<QString, QString, QString>({"store", "defects", "note"});
        StoreRows("plain", QStringLiteral("Аа 0,5; Пр 2"), QString());
        StoreRows("quotes and separators", QStringLiteral("\"шлак\"; поры, 3 шт."), QStringLiteral("a;b\"c"));
        StoreRows("lines", QStringLiteral("непровар\r\nтрещина\nпора"), QStringLiteral("\n"));
        StoreRows("empty", QString(), QString());
        StoreRows("outside 1251", QStringLiteral("⌀ 0,5 ≤ 1 мм 😀"), QStringLiteral("Ø"));
        StoreRows("long", QString(5000, QChar(u'ш')), QString(70000, QChar(u'x')));
    }
    void roundTrip()
    {
        OPEN_STORE(s);
        QFETCH(QString, defects);
        QFETCH(QString, note);
        TJournalEntry e = Entry(QStringLiteral("12"), Day, TVerdict::Repair, defects);
        e.note = note;
        SAVE(*s.store, e);
        QVERIFY(e.id > 0);
        QCOMPARE(e.revision, 1);
        const QList<TJournalEntry> back = s.store->Load({e.id});
        QCOMPARE(back.size(), 1);
        QVERIFY(back[0].SameText(e));
        QCOMPARE(back[0].revision, e.revision);
        QCOMPARE(s.store->Count(), 1);
        QVERIFY(s.store->SchemaVersion() >= CurrentJournalSchema);
    }

    void find_data()
    {
        Columns<QString, QString, int, QStringList>({"store", "query", "verdict", "joints"});
        const int any = -1;
        StoreRows("everything, newest first", QString(), any, QStringList{"4", "3", "2", "1"});
        StoreRows("capitals", QStringLiteral("ТРЕЩИНА"), any, QStringList{"2"});
        StoreRows("ё as е", QStringLiteral("не оценен"), any, QStringList{"4", "1"});
        StoreRows("Latin look-alikes", QStringLiteral("тpещинa"), any, QStringList{"2"});
        StoreRows("blanks folded", QStringLiteral("  пора   0,5 "), any, QStringList{"3"});
        StoreRows("day", QStringLiteral("09.12.2026"), any, QStringList{"4", "3"});
        StoreRows("month", QStringLiteral("11.2026"), any, QStringList{"2"});
        StoreRows("year", QStringLiteral("2025"), any, QStringList{"1"});
        StoreRows("verdict filter", QString(), int(TVerdict::Fit), QStringList{"3"});
        StoreRows("search and filter", QStringLiteral("мм"), int(TVerdict::NotAssessed), QStringList{"4", "1"});
        StoreRows("nothing", QStringLiteral("вольфрам"), any, QStringList{});
        StoreRows("not across fields", QStringLiteral("3 219"), any, QStringList{});
        StoreRows("across a blank", QStringLiteral("НА 5 мм"), any, QStringList{"2"});
        StoreRows("two letters", QStringLiteral("ЩИ"), any, QStringList{"2"});
        StoreRows("one letter", QStringLiteral("щ"), any, QStringList{"2"});
        StoreRows("quote in the text", QStringLiteral("на\" 5"), any, QStringList{});
        StoreRows("outside 1251", QStringLiteral("⌀😀"), any, QStringList{});
    }
    void find()
    {
        OPEN_STORE(s);
        const auto [query, verdict, joints] = Fetch<QString, int, QStringList>({"query", "verdict", "joints"});
        QList<TJournalEntry> entries{Entry("1", QDate(2025, 3, 1), TVerdict::NotAssessed),
                                     Entry("2", QDate(2026, 11, 30), TVerdict::Cut, QStringLiteral("трещина 5 мм")),
                                     Entry("3", Day, TVerdict::Fit, QStringLiteral("пора\r\n0,5")),
                                     Entry("4", Day, TVerdict::NotAssessed)};
        for (TJournalEntry& e : entries)
            SAVE(*s.store, e);
        TJournalQuery q;
        q.text = query;
        if (verdict >= 0)
            q.verdict = static_cast<TVerdict>(verdict);
        TStoreResult failure;
        const QList<qint64> ids = s.store->Find(q, &failure);
        QVERIFY2(failure.IsDone(), qPrintable(failure.reason));
        QCOMPARE(Joints(s.store->Load(ids)), joints);
        QList<TJournalEntry> streamed; // as the CSV reads them: in the found order, a page at a time
        QVERIFY(s.store->ForEachEntry(ids + QList<qint64>{99999}, [&](const TJournalEntry& e) { streamed << e; }).IsDone());
        QCOMPARE(Joints(streamed), joints);
        for (const qsizetype first : {1, 2}) // the first rows, however the store gets them soonest
            QCOMPARE(Joints(s.store->Load(s.store->FindFirst(q, first))), joints.mid(0, first));
        if (const TJournalStore::TFindJob job = s.store->FindJob(q)) { // the whole list, on a thread of its own
            TStoreResult jobFailure;
            QList<qint64> fromJob;
            std::thread([&] { fromJob = job(&jobFailure); }).join();
            QVERIFY2(jobFailure.IsDone(), qPrintable(jobFailure.reason));
            QCOMPARE(fromJob, ids);
        }
    }

    void sortedByColumn_data()
    {
        Columns<QString, int, bool, QStringList>({"store", "column", "descending", "joints"});
        StoreRows("number up", int(TJournalColumn::Number), false, QStringList{"b", "a", "c"});
        StoreRows("date down, ties by number", int(TJournalColumn::Date), true, QStringList{"c", "a", "b"});
        StoreRows("joint up", int(TJournalColumn::Joint), false, QStringList{"a", "b", "c"});
        StoreRows("verdict up", int(TJournalColumn::Verdict), false, QStringList{"c", "b", "a"});
    }
    void sortedByColumn()
    {
        OPEN_STORE(s);
        const auto [column, descending, joints] = Fetch<int, bool, QStringList>({"column", "descending", "joints"});
        QList<TJournalEntry> entries{Entry("b", Day, TVerdict::Fit), Entry("a", Day, TVerdict::Cut),
                                     Entry("c", Day.addDays(1), TVerdict::NotAssessed)};
        for (TJournalEntry& e : entries)
            SAVE(*s.store, e);
        TJournalQuery q;
        q.sortBy = static_cast<TJournalColumn>(column);
        q.descending = descending;
        QCOMPARE(Joints(s.store->Load(s.store->Find(q))), joints);
        q.text = QStringLiteral("газопровод"); // in every entry: the first rows read in the order asked
        QCOMPARE(Joints(s.store->Load(s.store->FindFirst(q, 2))), joints.mid(0, 2));
    }

    void changeCheck_data()
    {
        Columns<QString>({"store"});
        StoreRows("second save of the same revision");
    }
    void changeCheck()
    {
        OPEN_STORE(s);
        TJournalEntry e = Entry("7", Day);
        SAVE(*s.store, e);
        TJournalEntry mine = e, theirs = e;
        theirs.defects = QStringLiteral("их дефекты");
        SAVE(*s.store, theirs);
        mine.defects = QStringLiteral("мои дефекты");
        const TStoreResult r = s.store->Save(mine);
        QCOMPARE(r.kind, TStoreResult::Changed);
        QVERIFY(r.theirs.has_value());
        QCOMPARE(r.theirs->defects, theirs.defects);
        QCOMPARE(mine.revision, 1); // the form's entry is left as it was
        QCOMPARE(s.store->Load({e.id}).value(0).defects, theirs.defects);
        mine.revision = r.theirs->revision; // the user chose to write theirs over
        SAVE(*s.store, mine);
        QCOMPARE(s.store->Load({e.id}).value(0).defects, mine.defects);
    }

    void deleteAndUndelete_data()
    {
        Columns<QString>({"store"});
        StoreRows("marked, then brought back");
    }
    void deleteAndUndelete()
    {
        OPEN_STORE(s);
        TJournalEntry a = Entry("a", Day), b = Entry("b", Day, TVerdict::Fit, QStringLiteral("пора"));
        SAVE(*s.store, a);
        SAVE(*s.store, b);
        QVERIFY(s.store->Delete(b.id).IsDone());
        QCOMPARE(s.store->Find({}), QList<qint64>{a.id});
        QCOMPARE(s.store->Count(), 1);
        TJournalQuery all;
        all.withDeleted = true;
        QCOMPARE(s.store->Find(all).size(), 2);
        QVERIFY(s.store->Undelete(b.id).IsDone());
        const TJournalEntry back = s.store->Load({b.id}).value(0);
        QVERIFY(back.SameText(b));
        QVERIFY(!back.deleted);
        QCOMPARE(s.store->Delete(9999).kind, TStoreResult::Missing);
    }

    void conclusionNumbers_data()
    {
        // Conclusions saved in order: "year:number" asked (0: the next free)
        // and what each got ("taken" when refused).
        Columns<QString, QStringList, QStringList>({"store", "asked", "got"});
        StoreRows("counted up", QStringList{"2026:0", "2026:0", "2026:0"}, QStringList{"1/2026", "2/2026", "3/2026"});
        StoreRows("each year anew", QStringList{"2026:0", "2027:0", "2026:0"}, QStringList{"1/2026", "1/2027", "2/2026"});
        StoreRows("typed, then next", QStringList{"2026:17", "2026:0"}, QStringList{"17/2026", "18/2026"});
        StoreRows("used twice", QStringList{"2026:5", "2026:5"}, QStringList{"5/2026", "taken"});
        StoreRows("same number other year", QStringList{"2026:5", "2027:5"}, QStringList{"5/2026", "5/2027"});
    }
    void conclusionNumbers()
    {
        OPEN_STORE(s);
        const auto [asked, got] = Fetch<QStringList, QStringList>({"asked", "got"});
        QStringList results;
        for (const QString& a : asked) {
            TJournalEntry e = Entry(a, Day);
            SAVE(*s.store, e);
            TConclusion c;
            c.number = {a.section(':', 1).toInt(), a.section(':', 0, 0).toInt()};
            c.date = QDate(c.number.year, 12, 1);
            c.object = QStringLiteral("Газопровод");
            c.entryIds = {e.id};
            const TStoreResult r = s.store->SaveConclusion(c);
            results << (r.kind == TStoreResult::NumberTaken ? QStringLiteral("taken") : ConclusionNumberText(c.number));
            const QString expect = r.IsDone() ? ConclusionNumberText(c.number) : QString();
            QCOMPARE(s.store->Load({e.id}).value(0).conclusion, expect);
            if (r.IsDone()) {
                const auto back = s.store->LoadConclusion(c.number);
                QVERIFY(back.has_value());
                QCOMPARE(back->entryIds, c.entryIds);
                QCOMPARE(back->object, c.object);
            }
        }
        QCOMPARE(results, got);
    }

    // --- the file journal.db ---
    void upgradeKeepsEveryRow()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("journal.db");
        QVERIFY(TSqliteJournalStore::CreateOldSchema(path, 1).IsDone());
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "old");
            db.setDatabaseName(path);
            QVERIFY(db.open());
            QSqlQuery q(db);
            for (int i = 1; i <= 3; ++i)
                QVERIFY(q.exec(QStringLiteral("INSERT INTO entries(date, joint, defects, verdict) VALUES('2026-12-0%1', 'К%1', 'шлак %1', 1)").arg(i)));
            QVERIFY(q.exec("INSERT INTO conclusions(year, number, date) VALUES(2026, 4, '2026-12-03')"));
            QVERIFY(q.exec("INSERT INTO conclusion_entries VALUES(1, 2, 0)"));
            db.close();
        }
        QSqlDatabase::removeDatabase("old");
        TSqliteJournalStore store(path);
        QVERIFY(store.Open().IsDone());
        QCOMPARE(store.SchemaVersion(), FileJournalSchema);
        QCOMPARE(Joints(store.Load(store.Find({}))), QStringList({"К3", "К2", "К1"}));
        TJournalQuery q;
        q.text = QStringLiteral("ШЛАК 2");
        QCOMPARE(Joints(store.Load(store.Find(q))), QStringList{"К2"});
        QCOMPARE(store.LoadConclusion({4, 2026}).value().entryIds, QList<qint64>{2});
        QCOMPARE(store.NextConclusionNumber(2026), 5);
    }

    void upgradeBuildsTheSearchIndex_data()
    {
        Columns<int, QString, QStringList>({"version", "query", "joints"});
        QTest::newRow("1: through the index") << 1 << "ШЛАК 2" << QStringList{"К2"};
        QTest::newRow("1: short") << 1 << "к3" << QStringList{"К3"};
        QTest::newRow("2: through the index") << 2 << "шлак" << QStringList{"К3", "К2"};
        QTest::newRow("2: short") << 2 << "2" << QStringList{"К2"};
        QTest::newRow("2: a later save") << 2 << "пора" << QStringList{"К1"};
    }
    void upgradeBuildsTheSearchIndex()
    {
        const auto [version, query, joints] = Fetch<int, QString, QStringList>({"version", "query", "joints"});
        QTemporaryDir dir;
        const QString path = dir.filePath("journal.db");
        QVERIFY(TSqliteJournalStore::CreateOldSchema(path, version).IsDone());
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "old");
            db.setDatabaseName(path);
            QVERIFY(db.open());
            QSqlQuery q(db);
            for (int i = 1; i <= 3; ++i) {
                TJournalEntry e;
                e.joint = QStringLiteral("К%1").arg(i);
                e.defects = QStringLiteral("шлак %1").arg(i);
                QVERIFY(q.exec(QStringLiteral("INSERT INTO entries(date, joint, defects) VALUES('2026-12-0%1', '%2', '%3')")
                                   .arg(i)
                                   .arg(e.joint, e.defects)));
                if (version >= 2)
                    QVERIFY(q.exec(QStringLiteral("UPDATE entries SET search = '%1' WHERE id = %2").arg(EntrySearchText(e)).arg(i)));
            }
            db.close();
        }
        QSqlDatabase::removeDatabase("old");
        TSqliteJournalStore store(path);
        QVERIFY(store.Open().IsDone());
        QCOMPARE(store.SchemaVersion(), FileJournalSchema);
        TJournalEntry first = store.Load({1}).value(0);
        first.defects = QStringLiteral("пора");
        SAVE(store, first);
        TJournalQuery q;
        q.text = query;
        QCOMPARE(Joints(store.Load(store.Find(q))), joints);
    }

    void damagedFile_data()
    {
        Columns<QByteArray, QString>({"bytes", "reason"});
        QTest::newRow("text") << QByteArray("09.12.2026 стык 12\r\n") << "не является базой данных";
        QTest::newRow("zeros") << QByteArray(8192, '\0') << "не является базой данных";
        QTest::newRow("header only") << QByteArray("SQLite format 3\0", 16) + QByteArray(4080, '\x55') << "";
    }
    void damagedFile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString path = dir.filePath("journal.db");
        Put(path, bytes);
        TSqliteJournalStore store(path);
        const TStoreResult r = store.Open();
        QCOMPARE(r.kind, TStoreResult::Damaged);
        QVERIFY2(r.reason.contains(reason), qPrintable(r.reason));
        QCOMPARE(Get(path), bytes); // nothing touched before the user agrees
        QVERIFY(store.SetAsideAndStartNew().IsDone());
        QCOMPARE(store.SetAsidePath(), path + ".bad-" + Today().toString(Qt::ISODate));
        QCOMPARE(Get(store.SetAsidePath()), bytes);
        QCOMPARE(store.Count(), 0);
    }

    void brokenPageFailsTheCheck_data()
    {
        Columns<bool, bool>({"broken", "later"});
        QTest::newRow("whole, checked at open") << false << false;
        QTest::newRow("whole, checked on its thread") << false << true;
        QTest::newRow("broken, checked at open") << true << false;
        QTest::newRow("broken, checked on its thread") << true << true;
    }
    void brokenPageFailsTheCheck()
    {
        const auto [broken, later] = Fetch<bool, bool>({"broken", "later"});
        QTemporaryDir dir;
        const QString path = dir.filePath("journal.db");
        QByteArray bytes = WriteBrokenJournal(path);
        QVERIFY(!bytes.isEmpty());
        if (!broken) {
            QFile::remove(path);
            TJournalEntry e = Entry("1", Day);
            SAVE(TSqliteJournalStore(path), e);
            bytes = Get(path);
        }
        TSqliteJournalStore store(path);
        store.SetCheckLater(later);
        const TStoreResult opened = store.Open();
        QCOMPARE(opened.kind, broken && !later ? TStoreResult::Damaged : TStoreResult::Done);
        if (opened.IsDone()) {
            TJournalEntry e = Entry("2", Day);
            QCOMPARE(store.Save(e).kind, broken ? TStoreResult::Damaged : TStoreResult::Done); // waits for the check
            QCOMPARE(store.BackgroundCheck().value().kind, broken ? TStoreResult::Damaged : TStoreResult::Done);
        }
        if (broken)
            QCOMPARE(Get(path), bytes); // nothing written into it
    }

    void readOnlyFolderKeepsTryingToSave()
    {
        if (geteuid() == 0)
            QSKIP("root writes into read-only folders");
        QTemporaryDir dir;
        TSqliteJournalStore store(dir.filePath("journal.db"));
        TJournalEntry first = Entry("1", Day);
        SAVE(store, first);
        TSqliteJournalStore other(dir.filePath("sub/journal.db"));
        QDir(dir.path()).mkdir("sub");
        QFile::setPermissions(dir.filePath("sub"), QFile::ReadOwner | QFile::ExeOwner);
        TJournalEntry e = Entry("2", Day);
        const TStoreResult r = other.Save(e);
        QCOMPARE(r.kind, TStoreResult::Failed);
        QVERIFY2(r.reason.contains(QStringLiteral("доступ")) || r.reason.contains(QStringLiteral("чтения")),
                 qPrintable(r.reason));
        QCOMPARE(e.id, 0);
        QFile::setPermissions(dir.filePath("sub"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(other.Save(e).IsDone()); // the later save retries
        QCOMPARE(other.Load({e.id}).value(0).joint, "2");
    }

    void dailyCopies()
    {
        QTemporaryDir dir;
        FixedClock clock(QDateTime(Day, QTime(9, 0)));
        TSqliteJournalStore store(dir.filePath("journal.db"));
        TJournalEntry e = Entry("1", Day);
        SAVE(store, e);
        e.defects = "after the copy";
        SAVE(store, e);
        const QString backup = dir.filePath("backup/");
        QCOMPARE(QDir(backup).entryList(QDir::Files), QStringList{"journal-2026-12-09.db"});
        clock.Set(QDateTime(Day.addDays(1), QTime(9, 0)));
        e.defects = "next day";
        SAVE(store, e);
        QCOMPARE(QDir(backup).entryList(QDir::Files), QStringList({"journal-2026-12-09.db", "journal-2026-12-10.db"}));
        TSqliteJournalStore copy(backup + "journal-2026-12-10.db");
        QCOMPARE(copy.Load({e.id}).value(0).defects, "after the copy"); // the day's first state
    }

    void backupsToDelete_data()
    {
        Columns<QStringList, int, QStringList>({"names", "keep", "deleted"});
        QTest::newRow("within") << QStringList{"journal-2026-12-08.db", "journal-2026-12-09.db"} << 2 << QStringList{};
        QTest::newRow("oldest first") << QStringList{"journal-2026-12-07.db", "journal-2026-12-05.db", "journal-2026-12-09.db"} << 2
                                      << QStringList{"journal-2026-12-05.db"};
        QTest::newRow("future first") << QStringList{"journal-2027-01-01.db", "journal-2026-12-01.db", "journal-2026-12-09.db"} << 2
                                      << QStringList{"journal-2027-01-01.db"};
        QTest::newRow("others kept") << QStringList{"log-2026-01-01.cnf", "journal-2026-13-01.db", "journal-x.db", "journal-2026-12-09.db"} << 1
                                     << QStringList{};
    }
    void backupsToDelete()
    {
        const auto [names, keep, deleted] = Fetch<QStringList, int, QStringList>({"names", "keep", "deleted"});
        QCOMPARE(JournalBackupsToDelete(names, Day, keep), deleted);
    }
};

QTEST_GUILESS_MAIN(TestJournalStore)
#include "test_journal_store.moc"
