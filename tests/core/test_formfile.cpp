// The form-file reader and writer: what counts as read whole, the leading
// lines kept from a file that is not, the copy kept before a rewrite, and
// free text in UTF-8 with its mark.
#include "core/formfile.h"
#include "core/cp1251.h"

#include <QFile>
#include <QTest>

#include "files.h"
#include "folder.h"
#include "table.h"

using namespace kelto;
using namespace kelto::testing;

class TestFormFile : public QObject {
    Q_OBJECT
private:
    TempProgramFolder folder;

private slots:
    // clang-format off
    void read_data()
    {
        Columns<QByteArray, bool, int, bool>({"bytes", "free", "leading", "whole"});
        QTest::newRow("as written")          << QByteArray("1\r\n2\r\n3\r\n")          << false << 3 << true;
        QTest::newRow("lone LF, no last end")<< QByteArray("1\n2\n3")                 << false << 3 << true;
        QTest::newRow("too few lines")       << QByteArray("1\r\n2\r\n")              << false << 2 << false;
        QTest::newRow("too many lines")      << QByteArray("1\r\n2\r\n3\r\n4\r\n")    << false << 3 << false;
        QTest::newRow("NUL in line 2")       << QByteArray("1\r\n2\0x\r\n3\r\n", 11)  << false << 1 << false;
        QTest::newRow("line over the limit") << "1\r\n" + QByteArray(1001, 'x') + "\r\n3\r\n" << false << 1 << false;
        QTest::newRow("UTF-8 in a 1251 file")<< QByteArray("1\r\n\xD0\x96\r\n3\r\n")  << false << 0 << false;
        QTest::newRow("UTF-16 mark")         << QByteArray("\xFF\xFE" "1\0", 4)        << false << 0 << false;
        QTest::newRow("1251 letters")        << QByteArray("\xC6\r\n2\r\n3\r\n")      << false << 3 << true;
        QTest::newRow("free text, marked")   << QByteArray("\xEF\xBB\xBF\xD2\x9A\r\n2\r\n3\r\n") << true << 3 << true;
        QTest::newRow("free text, 1251")     << QByteArray("\xC6\r\n2\r\n3\r\n")      << true << 3 << true;
        QTest::newRow("marked, bad UTF-8")   << QByteArray("\xEF\xBB\xBF\xC6\r\n2\r\n3\r\n") << true << 0 << false;
    }
    // clang-format on
    void read()
    {
        const auto [bytes, free, leading, whole] = Fetch<QByteArray, bool, int, bool>({"bytes", "free", "leading", "whole"});
        const TFormFileRead r = ReadFormBytes(bytes, 3, free ? TFormText::Utf8WithMark : TFormText::Cp1251);
        QCOMPARE(r.lines.size(), leading);
        QCOMPARE(r.whole, whole);
    }

    void tooLargeKeepsItsLeadingLines()
    {
        const QString path = folder.File(QStringLiteral("iso.cnf"));
        Put(path, "1\r\n2\r\n" + QByteArray(70000, '9'));
        const TFormFileRead r = ReadFormFile(path, 3, TFormText::Cp1251);
        QCOMPARE(r.lines, QStringList({"1", "2"}));
        QVERIFY(!r.whole);
        QVERIFY(ReadFormFile(folder.File(QStringLiteral("нет.cnf")), 3, TFormText::Cp1251).whole);
    }

    void freeTextTravelsWhole()
    {
        const QString text = QStringLiteral("ТОО «Қазақстан Құрылыс»");
        const QByteArray bytes = FormFileBytes({text, QStringLiteral("a\nb\rc\u2028d")}, TFormText::Utf8WithMark);
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        const TFormFileRead r = ReadFormBytes(bytes, 2, TFormText::Utf8WithMark);
        QCOMPARE(r.lines, QStringList({text, QStringLiteral("a b c d")}));
        QCOMPARE(FormFileBytes({QStringLiteral("x\r\ny")}, TFormText::Cp1251), QByteArray("x  y\r\n"));
    }

    void unreadFileIsKeptByteForByte()
    {
        const QString path = folder.File(QStringLiteral("card.cnf"));
        QCOMPARE(KeepUnreadCopy(path, "first"), std::nullopt);
        QCOMPARE(KeepUnreadCopy(path, "first"), std::nullopt);
        QCOMPARE(KeepUnreadCopy(path, "second"), std::nullopt);
        QCOMPARE(Get(path + ".bak"), QByteArray("second"));
        QCOMPARE(Get(path + ".bak.1"), QByteArray("first"));
        QCOMPARE(UnreadFileNote(path), QStringLiteral("Файл card.cnf не прочитан: сохранена копия card.cnf.bak"));
    }
};

QTEST_MAIN(TestFormFile)
#include "test_formfile.moc"
