// The diary as a journal: the daily copies of log.cnf and finding notes.
#include "core/cp1251.h"
#include "core/textfile.h"
#include "diary/diarybackup.h"
#include "diary/diarykeeper.h"
#include "diary/notesearch.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <limits>
#include <sys/stat.h>

#include "clock.h"
#include "files.h"
#include "roundtrip.h"
#include "table.h"

using namespace kelto;
using namespace kelto::testing;

namespace {
// A text as the matcher compares it, for checking a found span.
QString alike(QString t)
{
    t = t.toLower().replace(QChar(u'ё'), QChar(u'е')).simplified();
    const QString cyr = QStringLiteral("аеорсух");
    const QString lat = QStringLiteral("aeopcyx");
    for (qsizetype i = 0; i < cyr.size(); ++i)
        t.replace(cyr[i], lat[i]);
    return t;
}

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}

} // namespace

class TestJournal : public QObject {
    Q_OBJECT
private slots:
    void matching_data()
    {
        QTest::addColumn<QString>("note"); // lines joined by \n here, CR LF in the bytes
        QTest::addColumn<QString>("query");
        QTest::addColumn<int>("start"); // in notepad characters, -1: no match
        QTest::addColumn<int>("length");
        // clang-format off
        QTest::newRow("plain") << "Труба Ду325" << "ду325" << 6 << 5;
        QTest::newRow("capitals in the query") << "труба" << "ТРУБА" << 0 << 5;
        QTest::newRow("latin case") << "Kodak AA400" << "aa4" << 6 << 3;
        QTest::newRow("ё finds е") << "Елка" << "ёлка" << 0 << 4;
        QTest::newRow("е finds Ё") << "ЁЛКА у ворот" << "елка" << 0 << 4;
        QTest::newRow("other cyrillic") << "Її" << "її" << 0 << 2;
        QTest::newRow("second line") << "утро\nшов 12 годен" << "годен" << 12 << 5;
        QTest::newRow("across lines") << "проверить шов\n12 до обеда" << "шов 12" << 10 << 6;
        QTest::newRow("blank runs") << "шов  \n\n 12" << "шов   12" << 0 << 10;
        QTest::newRow("query ends dropped") << "шов" << "  шов " << 0 << 3;
        QTest::newRow("first of two") << "а шов, б шов" << "шов" << 2 << 3;
        QTest::newRow("no match") << "труба" << "трубы" << -1 << 0;
        QTest::newRow("space needs a blank") << "шов12" << "шов 12" << -1 << 0;
        QTest::newRow("longer than the note") << "шо" << "шов" << -1 << 0;
        QTest::newRow("blanks only") << "  " << "  " << -1 << 0;
        QTest::newRow("empty") << "текст" << "" << -1 << 0;
        QTest::newRow("cyrillic х finds latin x") << "труба 219x8"     << "219х8"   << 6 << 5;
        QTest::newRow("latin x finds cyrillic х") << "труба 219х8"     << "219x8"   << 6 << 5;
        QTest::newRow("look-alike capitals")      << "AEOPCYX"         << "аеорсух" << 0 << 7;
        QTest::newRow("mixed word")               << "Кассета"         << "кacсета" << 0 << 7;
        QTest::newRow("no look-alike: к/k")       << "кадр"            << "kадр"    << -1 << 0;
        QTest::newRow("outside 1251: omega")      << "Ом? Ω?"          << "Ω"       << -1 << 0;
        QTest::newRow("outside 1251: emoji")      << "шов ? годен"     << "шов 😀"  << -1 << 0;
        QTest::newRow("one letter")               << "шов"             << "в"       << 2 << 1;
        QTest::newRow("rare byte at note start")  << ": годен"         << ": год"   << 0 << 5;
        QTest::newRow("rare byte at note end")    << "шов годен 12:"   << "12:"     << 10 << 3;
        QTest::newRow("rare byte after a break")  << "шов\n\n  :12"  << "шов :12" << 0 << 10;
        QTest::newRow("rare byte needs its start")<< "2:1 шов 12:3"    << "12:"     << 8 << 3;
        QTest::newRow("in the last bytes scanned")<< "проверка сварного шва трубы Ду325 закончена в 17:40" << "17:40" << 46 << 5;
        // clang-format on
    }
    void matching()
    {
        auto [note, query, start, length] = Fetch<QString, QString, int, int>({"note", "query", "start", "length"});
        const QByteArray bytes = ToCp1251(note).replace("\n", "\r\n");
        const TNoteMatcher matcher(query);
        const TNoteSpan hit = NotepadSpan(bytes, matcher.Find(bytes));
        QCOMPARE(matcher.Matches(bytes), start >= 0);
        QCOMPARE(hit.start, qsizetype(start));
        if (start >= 0) {
            QCOMPARE(hit.length, qsizetype(length));
            // The span names the same text in the notepad's characters.
            QCOMPARE(alike(note.mid(start, length)), alike(query));
        }
    }

    void matchesOverNotes_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QList<int>>("found"); // indexes into the notes below, in order
        // clang-format off
        QTest::newRow("text in some")         << "шов 12" << QList<int>{0, 2};
        QTest::newRow("a year: date or text") << "2025"   << QList<int>{1, 3};
        QTest::newRow("in none")              << "трубы"  << QList<int>{};
        QTest::newRow("case pairs of a word") << "ШОВ"    << QList<int>{0, 2, 3};
        // clang-format on
    }
    void matchesOverNotes()
    {
        QFETCH(QString, query);
        QFETCH(QList<int>, found);
        const std::vector<std::pair<QDate, QByteArray>> notes
            = {{QDate(2024, 1, 1), ToCp1251(QStringLiteral("шов\r\n12"))},
               {QDate(2025, 3, 1), ToCp1251(QStringLiteral("утро"))},
               {QDate(2024, 1, 2), ToCp1251(QStringLiteral("Проверить ШОВ 12 до обеда, а после него всё остальное"))},
               {QDate(2024, 1, 3), ToCp1251(QStringLiteral("отчёт за 2025 год, шов"))}};
        QList<int> got;
        TNoteMatcher(query).ForEachMatch(
            qsizetype(notes.size()),
            [&](qsizetype i) {
                return std::pair<QDate, QByteArrayView>(notes[size_t(i)].first, notes[size_t(i)].second);
            },
            [&](qsizetype i) { got.append(int(i)); });
        QCOMPARE(got, found);
    }

    void dateQueries_data()
    {
        Columns<QString, QDate, bool>({"query", "noteDate", "found"});
        // clang-format off
        QTest::newRow("day")                << "14.05.2025" << QDate(2025, 5, 14)  << true;
        QTest::newRow("other day")          << "14.05.2025" << QDate(2025, 5, 15)  << false;
        QTest::newRow("day, one digit")     << "4.5.2025"   << QDate(2025, 5, 4)   << true;
        QTest::newRow("month, first")       << "05.2025"    << QDate(2025, 5, 1)   << true;
        QTest::newRow("month, last")        << "05.2025"    << QDate(2025, 5, 31)  << true;
        QTest::newRow("month, next")        << "05.2025"    << QDate(2025, 6, 1)   << false;
        QTest::newRow("February, leap")     << "2.2024"     << QDate(2024, 2, 29)  << true;
        QTest::newRow("year")               << "2025"       << QDate(2025, 12, 31) << true;
        QTest::newRow("other year")         << "2025"       << QDate(2024, 12, 31) << false;
        QTest::newRow("blanks round")       << " 2025 "     << QDate(2025, 1, 1)   << true;
        QTest::newRow("no such day")        << "31.04.2025" << QDate(2025, 4, 30)  << false;
        QTest::newRow("month 13")           << "13.2025"    << QDate(2025, 1, 1)   << false;
        QTest::newRow("two-digit year")     << "05.25"      << QDate(2025, 5, 1)   << false;
        QTest::newRow("a number, not year") << "202"        << QDate(202, 1, 1)    << false;
        QTest::newRow("words")              << "май 2025"   << QDate(2025, 5, 1)   << false;
        // clang-format on
    }
    void dateQueries()
    {
        auto [query, noteDate, found] = Fetch<QString, QDate, bool>({"query", "noteDate", "found"});
        const TNoteMatcher matcher(query);
        QCOMPARE(matcher.NamesDate(noteDate), found);
        // The text rule still holds beside the date rule.
        QVERIFY(matcher.Matches(QDate(1990, 1, 1), ToCp1251(QStringLiteral("снимок ") + query)));
    }

    void fragments_data()
    {
        Columns<QString, QString, QString, int>({"note", "query", "text", "start"});
        const QString words = QStringLiteral("один два три четыре пять шесть семь восемь девять десять ");
        // clang-format off
        QTest::newRow("short note whole")   << "утро\nшов годен" << "шов"    << "утро шов годен" << 5;
        QTest::newRow("cut both sides")     << words + "непровар " + words << "непровар" << "…семь восемь девять десять непровар один два три четыре пять…" << 27;
        QTest::newRow("date only: start")   << words + words << "" << "один два три четыре пять шесть семь восемь девять десять…" << -1;
        // clang-format on
    }
    void fragments()
    {
        auto [note, query, text, start] = Fetch<QString, QString, QString, int>({"note", "query", "text", "start"});
        const QByteArray bytes = ToCp1251(note).replace("\n", "\r\n");
        const TNoteFragment f = NoteFragment(bytes, TNoteMatcher(query).Find(bytes));
        QCOMPARE(f.text, text);
        QCOMPARE(f.matchStart, qsizetype(start));
        if (start >= 0)
            QCOMPARE(f.text.mid(start, f.matchLength), query);
    }

    // clang-format off
    void backupDay_data()
    {
        Columns<QString, QDate>({"name", "day"});
        QTest::newRow("backup") << "log-2026-12-08.cnf" << QDate(2026, 12, 8);
        // The date part: a real day of the calendar, written in digits.
        QTest::newRow("not a date") << "log-2026-13-01.cnf" << QDate();
        QTest::newRow("leap day") << "log-2028-02-29.cnf" << QDate(2028, 2, 29);
        QTest::newRow("signs") << "log-+026-12-08.cnf" << QDate();
        // The name around it: exactly the program's own.
        QTest::newRow("user's copy") << "log-2026-12-08 (2).cnf" << QDate();
        QTest::newRow("other prefix") << "note-2026-12-08.cnf" << QDate();
        QTest::newRow("other suffix") << "log-2026-12-08.txt" << QDate();
    }
    // clang-format on
    void backupDay()
    {
        auto [name, day] = Fetch<QString, QDate>({"name", "day"});
        ExpectBothWays(DiaryBackupDay, DiaryBackupName, name, day);
    }

    void keepsTheNewestOnly()
    {
        QStringList names{QStringLiteral("readme.txt"), QStringLiteral("log-2026-13-01.cnf")};
        for (int i = 0; i < 33; ++i)
            names << DiaryBackupName(QDate(2026, 12, 31).addDays(-i)); // newest first
        QCOMPARE(DiaryBackupsToDelete(names, QDate(2026, 12, 31)),
                 (QStringList{QStringLiteral("log-2026-11-29.cnf"), QStringLiteral("log-2026-11-30.cnf"),
                              QStringLiteral("log-2026-12-01.cnf")}));
        QVERIFY(DiaryBackupsToDelete(names.mid(0, 32), QDate(2026, 12, 31)).isEmpty());
    }

    void firstWriteOfADayCopiesTheSecondDoesNot()
    {
        QTemporaryDir dir;
        const QString log = dir.filePath(QStringLiteral("log.cnf"));
        const QString folder = dir.filePath(QStringLiteral("backup/"));
        QVERIFY(!BackUpDiaryOfDay(log, QDate(2026, 12, 8))); // no file yet: nothing to copy
        QVERIFY(!QFileInfo::exists(folder));

        QVERIFY(!WriteFileAtomically(log, "1\r\n08.12.2026\r\n1\r\nутро\r\n"));
        QVERIFY(!BackUpDiaryOfDay(log, QDate(2026, 12, 8)));
        QVERIFY(!WriteFileAtomically(log, "0\r\n"));
        QVERIFY(!BackUpDiaryOfDay(log, QDate(2026, 12, 8)));
        QCOMPARE(filesIn(folder), QStringList{QStringLiteral("log-2026-12-08.cnf")});
        QCOMPARE(*ReadWholeFile(folder + QStringLiteral("log-2026-12-08.cnf")),
                 QByteArray("1\r\n08.12.2026\r\n1\r\nутро\r\n"));

        QVERIFY(!BackUpDiaryOfDay(log, QDate(2026, 12, 9)));
        QCOMPARE(*ReadWholeFile(folder + QStringLiteral("log-2026-12-09.cnf")), QByteArray("0\r\n"));
    }

    void thirtyKeptForeignFilesUntouched()
    {
        QTemporaryDir dir;
        const QString log = dir.filePath(QStringLiteral("log.cnf"));
        const QString folder = dir.filePath(QStringLiteral("backup/"));
        QVERIFY(!WriteFileAtomically(log, "0\r\n"));
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(!WriteFileAtomically(folder + QStringLiteral("мой.cnf"), "mine"));
        QVERIFY(!WriteFileAtomically(folder + QStringLiteral("log-2020-01-01.cnf.old"), "mine"));
        const QDate first(2026, 11, 1);
        for (int i = 0; i < 35; ++i)
            QVERIFY(!BackUpDiaryOfDay(log, first.addDays(i)));
        const QStringList left = filesIn(folder);
        QCOMPARE(left.size(), 32);
        QVERIFY(!left.contains(DiaryBackupName(first.addDays(4))));
        QVERIFY(left.contains(DiaryBackupName(first.addDays(5))));
        QVERIFY(left.contains(DiaryBackupName(first.addDays(34))));
        QVERIFY(left.contains(QStringLiteral("мой.cnf")));
        QVERIFY(left.contains(QStringLiteral("log-2020-01-01.cnf.old")));
    }

    // Copies dated after today (the clock was set back) go first; today's,
    // the one just written, never.
    void pruningKeepsTodaysCopy_data()
    {
        QTest::addColumn<int>("later");   // copies dated 1, 2, ... days after today
        QTest::addColumn<int>("earlier"); // copies dated 1, 2, ... days before today
        QTest::addColumn<QStringList>("deleted");
        // clang-format off
        QTest::newRow("clock set back") << 30 << 0  << QStringList{"log-2026-12-09.cnf"};
        QTest::newRow("later first")    << 2  << 29 << QStringList{"log-2026-12-09.cnf", "log-2026-12-10.cnf"};
        QTest::newRow("then oldest")    << 0  << 30 << QStringList{"log-2026-11-08.cnf"};
        QTest::newRow("room for all")   << 10 << 19 << QStringList{};
        // clang-format on
    }
    void pruningKeepsTodaysCopy()
    {
        auto [later, earlier, deleted] = Fetch<int, int, QStringList>({"later", "earlier", "deleted"});
        const QDate today(2026, 12, 8);
        QStringList names{DiaryBackupName(today)};
        for (int i = 1; i <= later; ++i)
            names << DiaryBackupName(today.addDays(i));
        for (int i = 1; i <= earlier; ++i)
            names << DiaryBackupName(today.addDays(-i));
        QCOMPARE(DiaryBackupsToDelete(names, today), deleted);
    }

    // The day's copy costs the save no space: a second name of the file as
    // it stands, which the save's rename leaves holding the old text; removing
    // it would free nothing. Where there are no hard links only the copy this
    // write has just written out gives way when the save needs room, and says so.
    void daysCopyNeverCostsTheSave_data()
    {
        Columns<bool, bool, int, bool, bool>({"byCopy", "copiedEarlier", "fullWrites", "copyLeft", "saved"});
        // clang-format off
        QTest::newRow("hard link")                   << false << false << 0 << true  << true;
        QTest::newRow("hard link, disk full")        << false << false << 1 << true  << false;
        QTest::newRow("copy, room enough")           << true  << false << 0 << true  << true;
        QTest::newRow("copy, disk full once")        << true  << false << 1 << false << true;
        QTest::newRow("copy, disk stays full")       << true  << false << 2 << false << false;
        QTest::newRow("earlier copy, disk full")     << true  << true  << 1 << true  << false;
        // clang-format on
    }
    void daysCopyNeverCostsTheSave()
    {
        auto [byCopy, copiedEarlier, fullWrites, copyLeft, saved]
            = Fetch<bool, bool, int, bool, bool>({"byCopy", "copiedEarlier", "fullWrites", "copyLeft", "saved"});
        QTemporaryDir dir;
        const QString log = dir.filePath(QStringLiteral("log.cnf"));
        const QString copy = dir.filePath(QStringLiteral("backup/log-2026-12-08.cnf"));
        QVERIFY(!WriteFileAtomically(log, "0\r\n"));
        SetDiaryBackupByCopy(byCopy);
        if (copiedEarlier)
            QVERIFY(!BackUpDiaryOfDay(log, QDate(2026, 12, 8)));
        const auto r
            = WriteDiaryOfDay(log, QDate(2026, 12, 8), "1\r\n08.12.2026\r\n1\r\nx\r\n", [&fullWrites](QIODevice& t) {
                  return std::make_unique<testing::TFailingDevice>(t, std::numeric_limits<qint64>::max(), &fullWrites);
              });
        SetDiaryBackupByCopy(false);
        QVERIFY(!r.backupError);
        QCOMPARE(!r.saveError, saved);
        QCOMPARE(r.backupDropped, !copyLeft);
        QCOMPARE(*ReadWholeFile(log), QByteArray(saved ? "1\r\n08.12.2026\r\n1\r\nx\r\n" : "0\r\n"));
        QCOMPARE(QFileInfo::exists(copy), copyLeft);
        if (copyLeft)
            QCOMPARE(*ReadWholeFile(copy), QByteArray("0\r\n"));
        struct stat st { };
        if (!byCopy && saved)
            QVERIFY(::stat(QFile::encodeName(copy).constData(), &st) == 0
                    && st.st_nlink == 1); // the save replaced log.cnf
    }

    // In a folder shared by a group, the diary, the backup folder and its
    // copies are the group's to write too, whatever the umask; elsewhere the
    // umask rules.
    void sharedFolderShares_data()
    {
        Columns<int, int, bool>({"folderMode", "umask", "shared"});
        // clang-format off
        QTest::newRow("group-writable, umask 022") << 0770  << 022 << true;
        QTest::newRow("group-writable, umask 077") << 02770 << 077 << true;
        QTest::newRow("private, umask 022")        << 0755  << 022 << false;
        // clang-format on
    }
    void sharedFolderShares()
    {
        auto [folderMode, mask, shared] = Fetch<int, int, bool>({"folderMode", "umask", "shared"});
        QTemporaryDir dir;
        QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), mode_t(folderMode)) == 0);
        const QString log = dir.filePath(QStringLiteral("log.cnf"));
        const mode_t old = ::umask(mode_t(mask));
        const auto restore = qScopeGuard([&] {
            ::umask(old);
            SetDiaryBackupByCopy(false);
        });
        QVERIFY(!WriteFileAtomically(log, "0\r\n"));
        SetDiaryBackupByCopy(true);
        QVERIFY(!BackUpDiaryOfDay(log, QDate(2026, 12, 8)));
        for (const QString& made : {log, dir.filePath(QStringLiteral("backup")),
                                    dir.filePath(QStringLiteral("backup/log-2026-12-08.cnf"))}) {
            struct stat st { };
            QVERIFY(::stat(QFile::encodeName(made).constData(), &st) == 0);
            QVERIFY2(bool(st.st_mode & S_IWGRP) == shared, qPrintable(made));
        }
    }

    // A session file never takes the name of a file, or a link, already there.
    void sessionFileNameIsFree_data()
    {
        Columns<QStringList, QString>({"there", "name"});
        // clang-format off
        QTest::newRow("free")          << QStringList{}                                          << "log-20261208-090507.cnf";
        QTest::newRow("taken")         << QStringList{"log-20261208-090507.cnf"}                 << "log-20261208-090507-1.cnf";
        QTest::newRow("taken twice")   << QStringList{"log-20261208-090507.cnf", "log-20261208-090507-1.cnf"} << "log-20261208-090507-2.cnf";
        QTest::newRow("dangling link") << QStringList{"@log-20261208-090507.cnf"}                << "log-20261208-090507-1.cnf";
        // clang-format on
    }
    void sessionFileNameIsFree()
    {
        auto [there, name] = Fetch<QStringList, QString>({"there", "name"});
        QTemporaryDir dir;
        for (const QString& f : there)
            if (f.startsWith(QLatin1Char('@')))
                QVERIFY(QFile::link(dir.filePath(QStringLiteral("nowhere")), dir.filePath(f.mid(1))));
            else
                testing::Put(dir.filePath(f), "x");
        const testing::FixedClock clock(QDateTime(QDate(2026, 12, 8), QTime(9, 5, 7)));
        QCOMPARE(SessionDiaryPath(dir.path() + QLatin1Char('/')), dir.filePath(name));
    }

    // A backup folder or copy that is a link is never written through.
    void backupThroughLinksIsRefused_data()
    {
        // clang-format off
        Column<QString>("link", {
            {"backup folder", "backup"},
            {"the day's copy", "backup/log-2026-12-08.cnf"},
        });
        // clang-format on
    }
    void backupThroughLinksIsRefused()
    {
        QFETCH(QString, link);
        QTemporaryDir dir, elsewhere;
        const QString log = dir.filePath(QStringLiteral("log.cnf"));
        QVERIFY(!WriteFileAtomically(log, "0\r\n"));
        if (link != QLatin1String("backup"))
            QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("backup"))));
        QVERIFY(QFile::link(elsewhere.filePath(QStringLiteral("x")), dir.filePath(link)));
        SetDiaryBackupByCopy(true);
        (void)BackUpDiaryOfDay(log, QDate(2026, 12, 8));
        SetDiaryBackupByCopy(false);
        QVERIFY(QDir(elsewhere.path()).isEmpty());
        QCOMPARE(*ReadWholeFile(log), QByteArray("0\r\n"));
    }

    void failingCopyIsReportedAndLeavesNothingHalf()
    {
        QTemporaryDir dir;
        const QString log = dir.filePath(QStringLiteral("log.cnf"));
        QVERIFY(!WriteFileAtomically(log, "0\r\n"));
        // A file where the folder should be: the copy cannot be made.
        QVERIFY(!WriteFileAtomically(dir.filePath(QStringLiteral("backup")), "x"));
        const auto err = BackUpDiaryOfDay(log, QDate(2026, 12, 8));
        QVERIFY(err);
        QVERIFY2(err->contains(QStringLiteral("backup")), qPrintable(*err));
        QCOMPARE(*ReadWholeFile(log), QByteArray("0\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestJournal)
#include "test_journal.moc"
