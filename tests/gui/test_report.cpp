// The general error report and the text-file helpers everything else uses.
#include "gui/report.h"
#include "core/error.h"
#include "core/cp1251.h"
#include "core/programfolder.h"
#include "core/textfile.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QtTest>

using namespace kelto;

class TestReport : public QObject {
    Q_OBJECT
private slots:
    void fullStop_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("letter") << "Floating point division by zero"
                                << "Floating point division by zero.";
        QTest::newRow("quote") << "'abc' is not a valid floating point value"
                               << "'abc' is not a valid floating point value.";
        QTest::newRow("already") << "Готово."
                                 << "Готово.";
        QTest::newRow("exclamation sorts before") << "Ошибка!"
                                                  << "Ошибка!";
        QTest::newRow("comma sorts before") << "a,"
                                            << "a,";
        QTest::newRow("digit sorts after") << "код 2"
                                           << "код 2.";
        QTest::newRow("cyrillic") << "Не удается найти указанный файл"
                                  << "Не удается найти указанный файл.";
        QTest::newRow("empty") << ""
                               << "";
    }
    void fullStop()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QCOMPARE(WithFullStop(text), shown);
    }

    void guardedHandsEveryErrorToOneBox()
    {
        QList<MessageRequest> seen;
        SetMessageHandler([&](const MessageRequest& r) {
            seen << r;
            return QMessageBox::Ok;
        });
        Guarded([] { throw Error(QStringLiteral("Нет файла")); });
        Guarded([] { throw std::runtime_error("plain"); });
        Guarded([] {});
        SetMessageHandler({});
        QCOMPARE(seen.size(), 2);
        QCOMPARE(seen[0].caption, QStringLiteral("Кельто"));
        QCOMPARE(seen[0].icon, QMessageBox::Critical);
        QCOMPARE(seen[0].text, QStringLiteral("Нет файла."));
        QCOMPARE(seen[1].text, QStringLiteral("plain."));
    }

    // Running out of memory is said in the user's words, never as the
    // library's "std::bad_alloc.", and the program goes on.
    void memoryExhaustionIsSaidPlainly_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("bad_alloc") << 0;
        QTest::newRow("array length") << 1;
        QTest::newRow("a real one") << 2;
    }
    void memoryExhaustionIsSaidPlainly()
    {
        QFETCH(int, kind);
#if defined(__SANITIZE_ADDRESS__)
        // AddressSanitizer ends the process on such a request instead of failing it.
        if (kind == 2)
            QSKIP("a real out-of-memory is not observable under AddressSanitizer");
#endif
        QList<MessageRequest> seen;
        SetMessageHandler([&](const MessageRequest& r) {
            seen << r;
            return QMessageBox::Ok;
        });
        Guarded([kind] {
            if (kind == 0)
                throw std::bad_alloc();
            if (kind == 1)
                throw std::bad_array_new_length();
            QByteArray huge;
            huge.resize(std::numeric_limits<qsizetype>::max() / 2);
        });
        SetMessageHandler({});
        QCOMPARE(seen.size(), 1);
        QCOMPARE(seen[0].text, QStringLiteral("Недостаточно памяти."));
        QCOMPARE(seen[0].caption, QStringLiteral("Кельто"));
    }

    void cp1251RoundTripAndReplacement()
    {
        const QString text = QStringLiteral("Сварной шов № 5 — ёж");
        QCOMPARE(FromCp1251(ToCp1251(text)), text);
        QCOMPARE(ToCp1251(QStringLiteral("Ж")), QByteArray("\xC6"));
        // Characters the code page cannot hold become exactly one "?" each.
        QCOMPARE(ToCp1251Repertoire(QStringLiteral("a😀b漢")), QStringLiteral("a?b?"));
        QVERIFY(!FitsCp1251(QStringLiteral("漢")));
        QCOMPARE(JoinCrLf({QStringLiteral("1"), QString()}), QByteArray("1\r\n\r\n"));
    }

    void atomicWriteKeepsOldFileOnFailure()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a.txt"));
        QVERIFY(!WriteFileAtomically(path, "old"));
        QCOMPARE(*ReadWholeFile(path), QByteArray("old"));
        // A target that is a folder cannot be replaced: the error is reported.
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")));
        QVERIFY(WriteFileAtomically(dir.filePath(QStringLiteral("sub")), "x").has_value());
        QVERIFY(WriteFileAtomically(dir.filePath(QStringLiteral("missing/x.txt")), "x").has_value());
        QCOMPARE(*ReadWholeFile(path), QByteArray("old"));
    }

    void programFolderEndsInSeparator()
    {
        SetProgramFolder(QStringLiteral("/tmp/x"));
        QCOMPARE(ProgramFolder(), QStringLiteral("/tmp/x/"));
        SetProgramFolder(QStringLiteral("/tmp/y/"));
        QCOMPARE(ProgramFolder(), QStringLiteral("/tmp/y/"));
    }
};

QTEST_MAIN(TestReport)
#include "test_report.moc"
