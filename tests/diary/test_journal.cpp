// The diary as a journal: the daily copies of log.cnf.
#include "core/textfile.h"
#include "diary/diarybackup.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace kelto;

namespace {
QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}
} // namespace

class TestJournal : public QObject {
    Q_OBJECT
private slots:
    void backupDay_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QDate>("day");
        QTest::newRow("backup") << "log-2026-12-08.cnf" << QDate(2026, 12, 8);
        QTest::newRow("not a date") << "log-2026-13-01.cnf" << QDate();
        QTest::newRow("user's copy") << "log-2026-12-08 (2).cnf" << QDate();
        QTest::newRow("other prefix") << "note-2026-12-08.cnf" << QDate();
        QTest::newRow("other suffix") << "log-2026-12-08.txt" << QDate();
        QTest::newRow("signs") << "log-+026-12-08.cnf" << QDate();
    }
    void backupDay()
    {
        QFETCH(QString, name);
        QFETCH(QDate, day);
        QCOMPARE(DiaryBackupDay(name), day);
        if (day.isValid())
            QCOMPARE(DiaryBackupName(day), name);
    }

    void keepsTheNewestOnly()
    {
        QStringList names{QStringLiteral("readme.txt"), QStringLiteral("log-2026-13-01.cnf")};
        for (int i = 0; i < 33; ++i)
            names << DiaryBackupName(QDate(2026, 12, 31).addDays(-i)); // newest first
        QCOMPARE(DiaryBackupsToDelete(names),
                 (QStringList{QStringLiteral("log-2026-11-29.cnf"), QStringLiteral("log-2026-11-30.cnf"),
                              QStringLiteral("log-2026-12-01.cnf")}));
        QVERIFY(DiaryBackupsToDelete(names.mid(0, 32)).isEmpty());
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
