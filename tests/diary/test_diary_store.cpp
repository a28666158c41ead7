#include "core/cp1251.h"
#include "core/textfile.h"
#include "diary/daystore.h"
#include "diary/diaryfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include "files.h"
#include "roundtrip.h"
#include "table.h"

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace kelto;
using namespace kelto::testing;

namespace {

QByteArray Fixture(const QString& name)
{
    QFile f(QStringLiteral(KELTO_DIARY_FIXTURES) + name);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("fixture %s missing", qPrintable(name));
    return f.readAll();
}

QDate D(int d, int m, int y)
{
    return QDate(y, m, d);
}

TDayRecord R(QDate date, QStringList lines)
{
    return TDayRecord{date, std::move(lines)};
}

} // namespace

class TestDiaryStore : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString Path(const QString& name = QStringLiteral("log.cnf")) const { return m_dir.filePath(name); }

private slots:
    // The notepad's text in one pass must give the note the paragraph list
    // gives: same bytes, same line count, same "has text".
    // clang-format off
    void noteFromPlainText_data()
    {
        Column<QString>("text", {
            {"empty", QString()},
            {"one line", QStringLiteral("шов 12")},
            {"final empty paragraph", QStringLiteral("a\n")},
            {"only a break", QStringLiteral("\n")},
            {"two breaks", QStringLiteral("\n\n")},
            {"lines", QStringLiteral("a\nб\n\nв")},
            {"blanks only", QStringLiteral("  \n ")},
            {"NUL inside", QString::fromUtf16(u"x\0y", 3)},
            {"outside the code page", QStringLiteral("✓ 😀\n€")},
        });
    }
    // clang-format on
    void noteFromPlainText()
    {
        QFETCH(QString, text);
        QStringList lines = text.split(QLatin1Char('\n'));
        if (lines.constLast().isEmpty())
            lines.removeLast();
        const TNoteText note = NoteFromPlainText(text);
        QCOMPARE(note.LineCount, qint32(lines.size()));
        QCOMPARE(note.HasText, NoteHasText(lines));
        if (note.HasText)
            QCOMPARE(note.Note, EncodeNoteLines(lines));
    }

    void init()
    {
        QVERIFY(m_dir.isValid());
        QDir d(m_dir.path());
        for (const QString& e :
             d.entryList(QDir::Files | QDir::Dirs | QDir::System | QDir::NoDotAndDotDot | QDir::Hidden)) {
            QFile::setPermissions(d.filePath(e), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            if (!QFile::remove(d.filePath(e)))
                QDir(d.filePath(e)).removeRecursively();
        }
    }

    // ---- dates ---------------------------------------------------------

    // clang-format off
    void diaryDates_data()
    {
        Columns<QString, QDate>({"text", "date"});
        QTest::newRow("ordinary") << "07.12.2026" << D(7, 12, 2026);
        QTest::newRow("leap day") << "29.02.2024" << D(29, 2, 2024);
        QTest::newRow("year one") << "01.01.0001" << D(1, 1, 1);
        QTest::newRow("last year") << "31.12.9999" << D(31, 12, 9999);
        QTest::newRow("one-digit day") << "7.12.2026" << QDate();
        QTest::newRow("two-digit year") << "07.12.26" << QDate();
        QTest::newRow("no such day") << "31.02.2026" << QDate();
        QTest::newRow("common year") << "29.02.2025" << QDate();
        QTest::newRow("day zero") << "00.01.2026" << QDate();
        QTest::newRow("month 13") << "01.13.2026" << QDate();
        QTest::newRow("year zero") << "01.01.0000" << QDate();
        QTest::newRow("slashes") << "07/12/2026" << QDate();
        QTest::newRow("leading blank") << " 07.12.2026" << QDate();
        QTest::newRow("trailing blank") << "07.12.2026 " << QDate();
        QTest::newRow("signed") << "+7.12.2026" << QDate();
        QTest::newRow("wide digits") << QStringLiteral("０7.12.2026") << QDate();
        QTest::newRow("empty") << "" << QDate();
    }
    // clang-format on
    void diaryDates()
    {
        auto [text, date] = Fetch<QString, QDate>({"text", "date"});
        ExpectBothWays(ParseDiaryDate, DiaryDateText, text, date);
    }

    void earlyYearsKeepFourDigits() { QCOMPARE(DiaryDateText(D(2, 1, 5)), QStringLiteral("02.01.0005")); }

    // ---- note rules ----------------------------------------------------

    // clang-format off
    void noteHasText_data()
    {
        Columns<QStringList, bool>({"lines", "text"});
        QTest::newRow("no lines") << QStringList{} << false;
        QTest::newRow("empty lines") << QStringList{"", ""} << false;
        QTest::newRow("blanks") << QStringList{"   ", " "} << false;
        QTest::newRow("NULs and blanks") << QStringList{QString(QChar(0)) + " " + QChar(0)} << false;
        QTest::newRow("tab") << QStringList{"\t"} << true;
        QTest::newRow("no-break space") << QStringList{QString(QChar(0xA0))} << true;
        QTest::newRow("text in last line") << QStringList{"", "  ", " я"} << true;
    }
    // clang-format on
    void noteHasText()
    {
        auto [lines, text] = Fetch<QStringList, bool>({"lines", "text"});
        QCOMPARE(NoteHasText(lines), text);
    }

    void newNoteGoesToTheEndAndBlankNoteIsNotStored()
    {
        TDayList s{R(D(9, 1, 2026), {"a"}), R(D(1, 1, 2026), {"b"})};
        StoreNote(s, D(5, 1, 2026), {"   ", ""});
        QCOMPARE(s.size(), 2);
        StoreNote(s, D(5, 1, 2026), {"x", "", "  "});
        QCOMPARE(s.size(), 3);
        QCOMPARE(s.last().Date, D(5, 1, 2026));
        QCOMPARE(s.last().Lines(), (QStringList{"x", "", "  "}));
        StoreNote(s, D(5, 1, 2026), {"y"});
        QCOMPARE(s.size(), 3);
        QCOMPARE(s.last().Lines(), QStringList{"y"});
        QCOMPARE(s.first().Date, D(9, 1, 2026));
    }

    void twoRecordsOfOneDate()
    {
        const QDate day = D(7, 12, 2026);
        TDayList s{R(day, {"1"}), R(D(1, 1, 2026), {"jan"}), R(day, {"2", "3"})};
        QCOMPARE(LoadDayNote(s, day), (QStringList{"1", "2", "3"}));

        StoreNote(s, day, {"new"});
        QCOMPARE(s.size(), 3);
        QCOMPARE(s[0].Lines(), QStringList{"new"});
        QCOMPARE(s[2].Lines(), QStringList{"new"});

        // No text: only the first of them goes; the rest keep their order.
        StoreNote(s, day, {" "});
        QCOMPARE(s.size(), 2);
        QCOMPARE(s[0].Date, D(1, 1, 2026));
        QCOMPARE(s[1].Date, day);
        QCOMPARE(s[1].Lines(), QStringList{"new"});
        StoreNote(s, day, {});
        QCOMPARE(s.size(), 1);
        QCOMPARE(s[0].Date, D(1, 1, 2026));
    }

    void recordWithoutLines()
    {
        const QDate day = D(3, 4, 2026);
        TDayList s{R(D(1, 4, 2026), {"x"}), R(day, {})};
        QVERIFY(LoadDayNote(s, day).isEmpty());
        QVERIFY(UpdateMarkedDays(s, 2026, 4).test(3));
        StoreNote(s, day, {""});
        QCOMPARE(s.size(), 1);
        QVERIFY(!UpdateMarkedDays(s, 2026, 4).test(3));
    }

    void markedDaysOfShownMonthOnly()
    {
        TDayList s{R(D(1, 2, 2026), {"a"}),           R(D(28, 2, 2026), {"b"}),     R(D(5, 2, 2025), {"other year"}),
                   R(D(6, 3, 2026), {"other month"}), R(D(28, 2, 2026), {"again"}), R(D(31, 1, 2026), {"c"})};
        const TMarkedDays m = UpdateMarkedDays(s, 2026, 2);
        QCOMPARE(m.count(), std::size_t(2));
        QVERIFY(m.test(1) && m.test(28));
        QCOMPARE(UpdateMarkedDays(s, 2026, 1).count(), std::size_t(1));
        QVERIFY(UpdateMarkedDays(s, 2026, 1).test(31));
        QVERIFY(UpdateMarkedDays(TDayList{}, 2026, 2).none());
    }

    // Many removals through the note rule, with the gaps they leave closed
    // on the way: the notes, the marks, the order of iteration and of saving
    // must agree with a store built afresh from what is left.
    void removalsKeepStoreOrderAndTheIndex()
    {
        const QDate first(2020, 1, 1);
        TDayList s;
        for (int i = 0; i < 3000; ++i)
            StoreNote(s, first.addDays(i), {QString::number(i), ""});
        TDayList expected;
        for (int i = 0; i < 3000; ++i) {
            if (i % 3 == 0)
                expected.append(TDayRecord(first.addDays(i), QStringList{QString::number(i), ""}));
            else
                StoreNote(s, first.addDays(i), {" "});
        }
        QCOMPARE(s.size(), 1000);
        QCOMPARE(LoadDayNote(s, first.addDays(2997)), (QStringList{"2997", ""}));
        QVERIFY(LoadDayNote(s, first.addDays(2998)).isEmpty());
        QCOMPARE(UpdateMarkedDays(s, 2020, 1), UpdateMarkedDays(expected, 2020, 1));
        QCOMPARE(UpdateMarkedDays(s, 2020, 1).count(), std::size_t(11));
        QList<QDate> seen;
        for (const TDayRecord& r : s)
            seen.append(r.Date);
        QCOMPARE(seen.size(), 1000);
        QCOMPARE(seen.last(), first.addDays(2997));
        QCOMPARE(EncodeDiary(s), EncodeDiary(expected));
        // A new day still goes to the end, after the gaps.
        StoreNote(s, first.addDays(1), {"again"});
        QCOMPARE(s.last().Date, first.addDays(1));
        QCOMPARE(s[1].Date, first.addDays(3));
    }

    // Copies serve as the autosave's snapshot: each goes its own way.
    void copiesAreIndependent()
    {
        TDayList a;
        StoreNote(a, D(1, 3, 2026), {"a"});
        TDayList b = a;
        StoreNote(b, D(2, 3, 2026), {"b"});
        StoreNote(a, D(3, 3, 2026), {"c"});
        QCOMPARE(UpdateMarkedDays(a, 2026, 3), TMarkedDays((1 << 1) | (1 << 3)));
        QCOMPARE(UpdateMarkedDays(b, 2026, 3), TMarkedDays((1 << 1) | (1 << 2)));
        TDayList c = std::move(b);
        StoreNote(c, D(4, 3, 2026), {"d"});
        QCOMPARE(UpdateMarkedDays(c, 2026, 3), TMarkedDays((1 << 1) | (1 << 2) | (1 << 4)));
        b = c;
        StoreNote(c, D(1, 3, 2026), {});
        QCOMPARE(UpdateMarkedDays(b, 2026, 3), TMarkedDays((1 << 1) | (1 << 2) | (1 << 4)));
        QCOMPARE(LoadDayNote(b, D(1, 3, 2026)), QStringList{"a"});
        QCOMPARE(c.size(), 2);
    }

    // clang-format off
    void notesAreHeldAsTheFilesLines_data()
    {
        Columns<QByteArray, QByteArray, int>({"file", "note", "lines"});
        QTest::newRow("CR LF lines") << QByteArray("1\r\n01.01.2026\r\n2\r\n\xE0\r\n\r\n") << QByteArray("\xE0\r\n\r\n") << 2;
        QTest::newRow("bare LF") << QByteArray("1\n01.01.2026\n2\nx\n\n") << QByteArray("x\r\n\r\n") << 2;
        QTest::newRow("lone CR") << QByteArray("1\r\n01.01.2026\r\n1\r\nA\rB\r\n") << QByteArray("A\rB\r\n") << 1;
        QTest::newRow("CR before the line end") << QByteArray("1\r\n01.01.2026\r\n1\r\nx\r\r\n") << QByteArray("x\r\r\n") << 1;
        QTest::newRow("cut short") << QByteArray("1\r\n01.01.2026\r\n3\r\nx\r") << QByteArray("x\r\n\r\n\r\n") << 3;
        QTest::newRow("K = 0") << QByteArray("1\r\n01.01.2026\r\n0\r\n") << QByteArray() << 0;
    }
    // clang-format on
    void notesAreHeldAsTheFilesLines()
    {
        auto [file, note, lines] = Fetch<QByteArray, QByteArray, int>({"file", "note", "lines"});
        TDayList s;
        QVERIFY(ParseDiary(file, s));
        QCOMPARE(s[0].Raw().toByteArray(), note);
        QCOMPARE(s[0].LineCount, lines);
        QCOMPARE(s[0].Lines().size(), lines);
    }

    // The notes point into the bytes they were read from: a store, and a copy
    // of it, must not depend on bytes it only borrowed.
    void theStoreOutlivesTheBytesItWasReadFrom()
    {
        const QByteArray original("2\r\n01.01.2026\r\n1\r\none\r\n02.01.2026\r\n2\r\ntwo\r\nthree\r\n");
        TDayList copy;
        {
            std::string borrowed(original.constData(), std::size_t(original.size()));
            TDayList s;
            QVERIFY(ParseDiary(QByteArray::fromRawData(borrowed.data(), qsizetype(borrowed.size())), s));
            std::fill(borrowed.begin(), borrowed.end(), 'z');
            copy = s;
        }
        QCOMPARE(copy.size(), 2);
        QCOMPARE(copy[1].Lines(), (QStringList{"two", "three"}));
        QCOMPARE(EncodeDiary(copy), original);
    }

    void sortingReordersWhatTheNextSaveWrites()
    {
        TDayList s;
        QVERIFY(ParseDiary(Fixture("store_order.cnf"), s));
        QCOMPARE(EncodeDiary(s), Fixture("store_order.cnf"));
        SortByDate(s);
        QCOMPARE(
            EncodeDiary(s),
            ToCp1251(QStringLiteral("3\r\n01.01.2020\r\n1\r\nа\r\n15.06.2023\r\n1\r\nб\r\n31.12.2026\r\n1\r\nв\r\n")));
    }

    void noteExport()
    {
        TDayList s{R(D(1, 1, 2020), {"а", ""}), R(D(2, 1, 2020), {}), R(D(3, 1, 2020), {"в"})};
        QCOMPARE(EncodeNoteExport(s),
                 ToCp1251(QStringLiteral("01.01.2020\r\nа\r\n\r\n\r\n02.01.2020\r\n\r\n03.01.2020\r\nв\r\n\r\n")));
        QVERIFY(EncodeNoteExport({}).isEmpty());
    }

    // ---- the file, byte for byte ---------------------------------------

    // clang-format off
    void exactRoundTrips_data()
    {
        Columns<QString, int>({"fixture", "records"});
        QTest::newRow("empty store") << "zero.cnf" << 0;
        QTest::newRow("K = 0") << "k0.cnf" << 2;
        QTest::newRow("empty line between text") << "empty_line_inside.cnf" << 1;
        QTest::newRow("lines like counts and dates") << "lines_like_counts.cnf" << 1;
        QTest::newRow("store order") << "store_order.cnf" << 3;
        QTest::newRow("every byte, lone CR") << "all_bytes.cnf" << 1;
    }
    // clang-format on
    void exactRoundTrips()
    {
        auto [fixture, records] = Fetch<QString, int>({"fixture", "records"});
        const QByteArray original = Fixture(fixture);
        Put(Path(), original);
        TDayList s;
        QCOMPARE(LoadDiary(Path(), s), TLoadOutcome::Complete);
        QCOMPARE(s.size(), records);
        QCOMPARE(SaveDiary(Path(), s), std::nullopt);
        QCOMPARE(Get(Path()), original);
        QVERIFY(!QFile::exists(DiaryBackupPath(Path())));
    }

    void fixtureContents()
    {
        TDayList s;
        QVERIFY(ParseDiary(Fixture("k0.cnf"), s));
        QVERIFY(s[0].Lines().isEmpty());
        s.clear();
        QVERIFY(ParseDiary(Fixture("empty_line_inside.cnf"), s));
        QCOMPARE(s[0].Lines(), (QStringList{QStringLiteral("Снимок 1"), "", QStringLiteral("Снимок 2")}));
        s.clear();
        QVERIFY(ParseDiary(Fixture("lines_like_counts.cnf"), s));
        QCOMPARE(s[0].Lines(), (QStringList{"5", "07.12.2026", "0", "-1", "   ", "2"}));
        s.clear();
        QVERIFY(ParseDiary(Fixture("all_bytes.cnf"), s));
        QCOMPARE(s[0].Lines().at(2), QStringLiteral("A\rB"));
        QCOMPARE(s[0].Lines().at(1), QString(2, QChar(0)));
        QVERIFY(s[0].Lines().at(0).contains(QStringLiteral("ЭЮЯабв")));
        QVERIFY(s[0].Lines().at(0).contains(QStringLiteral("Ё")));
    }

    void noFileFirstCloseWritesZero()
    {
        TDayList s;
        QCOMPARE(LoadDiary(Path(), s), TLoadOutcome::NoFile);
        QVERIFY(s.isEmpty());
        QCOMPARE(SaveDiary(Path(), s), std::nullopt);
        QCOMPARE(Get(Path()), QByteArray("0\r\n"));
    }

    // clang-format off
    void normalisedReads_data()
    {
        Columns<QByteArray, QByteArray>({"file", "saved"});
        QTest::newRow("empty file") << QByteArray() << QByteArray("0\r\n");
        QTest::newRow("first line empty") << QByteArray("\r\n") << QByteArray("0\r\n");
        QTest::newRow("no final line end") << QByteArray("1\r\n01.01.2026\r\n1\r\nx") << QByteArray("1\r\n01.01.2026\r\n1\r\nx\r\n");
        QTest::newRow("bare LF") << QByteArray("1\n01.01.2026\n2\nx\n\n") << QByteArray("1\r\n01.01.2026\r\n2\r\nx\r\n\r\n");
        QTest::newRow("negative N") << QByteArray("-4\r\n") << QByteArray("0\r\n");
        QTest::newRow("negative K") << QByteArray("1\r\n01.01.2026\r\n-3\r\n") << QByteArray("1\r\n01.01.2026\r\n0\r\n");
        QTest::newRow("signed counts") << QByteArray("+1\r\n01.01.2026\r\n+1\r\nx\r\n") << QByteArray("1\r\n01.01.2026\r\n1\r\nx\r\n");
        QTest::newRow("N larger than the file") << QByteArray("2000000000\r\n01.01.2026\r\n0\r\n") << QByteArray("1\r\n01.01.2026\r\n0\r\n");
    }
    // clang-format on
    void normalisedReads()
    {
        auto [file, saved] = Fetch<QByteArray, QByteArray>({"file", "saved"});
        TDayList s;
        QVERIFY(ParseDiary(file, s));
        QCOMPARE(EncodeDiary(s), saved);
    }

    void cutShortRecordIsPadded()
    {
        Put(Path(), Fixture("cut_short.cnf"));
        TDayList s;
        QCOMPARE(LoadDiary(Path(), s), TLoadOutcome::Complete);
        QCOMPARE(s.size(), 1);
        QCOMPARE(s[0].Lines(), (QStringList{QStringLiteral("раз"), QStringLiteral("два"), "", ""}));
        QCOMPARE(SaveDiary(Path(), s), std::nullopt);
        QCOMPARE(Get(Path()), Fixture("cut_short_expected.cnf"));
    }

    // ---- damage ----------------------------------------------------------

    // clang-format off
    void damagedFiles_data()
    {
        Columns<QByteArray, int>({"file", "records"});
        QTest::newRow("unreadable date") << Fixture("damaged_date.cnf") << 1;
        QTest::newRow("N not a number") << QByteArray("x\r\n01.01.2026\r\n0\r\n") << 0;
        QTest::newRow("N with blank") << QByteArray("1 \r\n01.01.2026\r\n0\r\n") << 0;
        QTest::newRow("N overflows") << QByteArray("99999999999\r\n01.01.2026\r\n0\r\n") << 0;
        QTest::newRow("K not a number") << QByteArray("2\r\n01.01.2026\r\n0\r\n02.01.2026\r\nодин\r\nx\r\n") << 1;
        QTest::newRow("K empty") << QByteArray("1\r\n01.01.2026\r\n\r\nx\r\n") << 0;
        QTest::newRow("K past the end") << QByteArray("1\r\n01.01.2026\r\n") << 0;
        QTest::newRow("empty date line inside") << QByteArray("2\r\n\r\n0\r\n01.01.2026\r\n0\r\n") << 0;
        QTest::newRow("lines after the last block") << QByteArray("1\r\n01.01.2026\r\n1\r\nx\r\nлишнее\r\n") << 1;
        QTest::newRow("empty first line, more after") << QByteArray("\r\n01.01.2026\r\n1\r\nx\r\n") << 0;
        QTest::newRow("N = 0, more after") << QByteArray("0\r\n\r\n") << 0;
        QTest::newRow("BOM") << QByteArray("\xEF\xBB\xBF" "0\r\n") << 0;
    }
    // clang-format on
    void damagedFiles()
    {
        auto [file, records] = Fetch<QByteArray, int>({"file", "records"});
        Put(Path(), file);
        TDayList s;
        QString backupError = QStringLiteral("unset");
        QCOMPARE(LoadDiary(Path(), s, &backupError), TLoadOutcome::Damaged);
        QCOMPARE(backupError, QString());
        QCOMPARE(s.size(), records);
        QCOMPARE(Get(DiaryBackupPath(Path())), file);
        // The next close rewrites log.cnf from the store; the copy stays.
        QCOMPARE(SaveDiary(Path(), s), std::nullopt);
        QCOMPARE(Get(DiaryBackupPath(Path())), file);
    }

    // A date held more than once is one record after the load: its lines
    // joined in file order, the file as found kept in log.cnf.bak, so no
    // note doubles at each session and no cleared one comes back.
    void repeatedDatesAreMerged_data()
    {
        Columns<QByteArray, QByteArray>({"file", "merged"});
        // clang-format off
        QTest::newRow("two copies")        << QByteArray("2\r\n01.01.2026\r\n1\r\na\r\n01.01.2026\r\n1\r\nb\r\n")                           << QByteArray("1\r\n01.01.2026\r\n2\r\na\r\nb\r\n");
        QTest::newRow("another between")   << QByteArray("3\r\n01.01.2026\r\n1\r\na\r\n02.01.2026\r\n1\r\nc\r\n01.01.2026\r\n1\r\nb\r\n") << QByteArray("2\r\n01.01.2026\r\n2\r\na\r\nb\r\n02.01.2026\r\n1\r\nc\r\n");
        QTest::newRow("an empty copy")     << QByteArray("2\r\n01.01.2026\r\n0\r\n01.01.2026\r\n1\r\nb\r\n")                                << QByteArray("1\r\n01.01.2026\r\n1\r\nb\r\n");
        QTest::newRow("rising, then repeats")   << QByteArray("7\r\n01.01.2026\r\n1\r\na\r\n02.01.2026\r\n1\r\nb\r\n03.01.2026\r\n1\r\nc\r\n02.01.2026\r\n1\r\nd\r\n04.01.2026\r\n1\r\ne\r\n04.01.2026\r\n1\r\nf\r\n01.01.2026\r\n1\r\ng\r\n") << QByteArray("4\r\n01.01.2026\r\n2\r\na\r\ng\r\n02.01.2026\r\n2\r\nb\r\nd\r\n03.01.2026\r\n1\r\nc\r\n04.01.2026\r\n2\r\ne\r\nf\r\n");
        QTest::newRow("three, bare LF")    << QByteArray("3\n01.01.2026\n1\na\n01.01.2026\n1\nb\n01.01.2026\n1\nc")                            << QByteArray("1\r\n01.01.2026\r\n3\r\na\r\nb\r\nc\r\n");
        QTest::newRow("fixture")           << Fixture("two_of_one_date.cnf")                                                                  << ToCp1251(QStringLiteral("2\r\n07.12.2026\r\n3\r\nпервая запись\r\nвторая запись\r\nещё строка\r\n01.01.2026\r\n1\r\nянварь\r\n"));
        // clang-format on
    }
    void repeatedDatesAreMerged()
    {
        auto [file, merged] = Fetch<QByteArray, QByteArray>({"file", "merged"});
        Put(Path(), file);
        TDayList s;
        QCOMPARE(LoadDiary(Path(), s), TLoadOutcome::MergedDates);
        QCOMPARE(Get(DiaryBackupPath(Path())), file);
        QCOMPARE(SaveDiary(Path(), s), std::nullopt);
        QCOMPARE(Get(Path()), merged);
        TDayList again;
        QCOMPARE(LoadDiary(Path(), again), TLoadOutcome::Complete);
        QCOMPARE(EncodeDiary(again), merged);
    }

    void backupsAreNeverOverwritten()
    {
        const QByteArray first("1\r\n01.01.2026\r\n1\r\nпервый\r\nостаток\r\n");
        const QByteArray second("1\r\n02.01.2026\r\nxx\r\n");
        Put(Path(), first);
        TDayList s;
        QCOMPARE(LoadDiary(Path(), s), TLoadOutcome::Damaged);
        // The same damaged file again (closed without saving): one copy.
        s.clear();
        QCOMPARE(LoadDiary(Path(), s), TLoadOutcome::Damaged);
        QVERIFY(!QFile::exists(DiaryBackupPath(Path()) + ".1"));
        // A different damage later: the older copy moves aside.
        Put(Path(), second);
        s.clear();
        QCOMPARE(LoadDiary(Path(), s), TLoadOutcome::Damaged);
        QCOMPARE(Get(DiaryBackupPath(Path())), second);
        QCOMPARE(Get(DiaryBackupPath(Path()) + ".1"), first);
    }

    void fileThatCannotBeRead()
    {
        QVERIFY(QDir(m_dir.path()).mkdir("log.cnf"));
        TDayList s;
        QCOMPARE(LoadDiary(Path(), s), TLoadOutcome::Unreadable);
        QVERIFY(s.isEmpty());
        QVERIFY(!QFile::exists(DiaryBackupPath(Path())));
    }

    // Whatever stands at log.cnf that is not a readable regular file: read as
    // nothing, said with a reason, and nothing is copied or read forever.
    // clang-format off
    void whatIsNoRegularFileIsUnreadable_data()
    {
        Column<QString>("kind", {
            {"folder", "folder"},
            {"FIFO", "fifo"},
            {"link to /dev/zero", "zero"},
            {"link to nowhere", "dangling"},
            {"no read permission", "unreadable"},
        });
    }
    // clang-format on
    void whatIsNoRegularFileIsUnreadable()
    {
        QFETCH(QString, kind);
        const QByteArray path = QFile::encodeName(Path());
        if (kind == "folder")
            QVERIFY(QDir(m_dir.path()).mkdir("log.cnf"));
        else if (kind == "fifo")
            QCOMPARE(mkfifo(path.constData(), 0600), 0);
        else if (kind == "zero")
            QVERIFY(QFile::link("/dev/zero", Path()));
        else if (kind == "dangling")
            QVERIFY(QFile::link(m_dir.filePath("gone"), Path()));
        else {
            if (geteuid() == 0)
                QSKIP("root reads any file");
            Put(Path(), "0\r\n");
            QVERIFY(QFile::setPermissions(Path(), QFile::WriteOwner));
        }
        TDayList s;
        QString reason;
        QCOMPARE(LoadDiary(Path(), s, &reason), TLoadOutcome::Unreadable);
        QVERIFY(!reason.isEmpty());
        QVERIFY(!MayReplaceAfterLoad(TLoadOutcome::Unreadable));
        QVERIFY(s.isEmpty());
        QVERIFY(!QFileInfo::exists(DiaryBackupPath(Path())));
    }

    // A damaged file whose copy cannot be written (the disk is full) is not
    // to be replaced: the outcome says so and why.
    void damagedFileWithoutRoomForItsCopy()
    {
        QByteArray file("2\r\n01.01.2026\r\n1\r\nx\r\n");
        file += QByteArray(4096, 'y');
        Put(Path(), file);
        TDayList s;
        QString reason;
        TLoadOutcome outcome{};
        {
            const testing::FileSizeLimit limit(1024);
            QCOMPARE(limit.readResult, 0);
            QCOMPARE(limit.setResult, 0);
            outcome = LoadDiary(Path(), s, &reason);
        }
        QCOMPARE(outcome, TLoadOutcome::DamagedNoBackup);
        QVERIFY(!MayReplaceAfterLoad(outcome));
        QVERIFY(!reason.isEmpty());
        QCOMPARE(s.size(), 1);
        QCOMPARE(Get(Path()), file);
    }

    void readingStopsAtTheSizeLimit()
    {
        Put(Path(), QByteArray(100, 'x'));
        QString reason;
        QVERIFY(!ReadWholeFile(Path(), 99, &reason));
        QVERIFY(!reason.isEmpty());
        QCOMPARE(ReadWholeFile(Path(), 100, &reason)->size(), 100);
        QVERIFY(reason.isEmpty());
    }

    // ---- hostile counts --------------------------------------------------

    // clang-format off
    void hostileCounts_data()
    {
        Columns<QByteArray, bool, int>({"file", "complete", "records"});
        QTest::newRow("K 2e9 in 50 bytes") << QByteArray("1\r\n07.12.2026\r\n2000000000\r\nодна строка\r\n") << false << 0;
        QTest::newRow("K max int") << QByteArray("1\r\n07.12.2026\r\n2147483647\r\n") << false << 0;
        QTest::newRow("N and K 2e9") << QByteArray("2000000000\r\n07.12.2026\r\n2000000000\r\n") << false << 0;
        QTest::newRow("good record, then K 2e9") << QByteArray("2\r\n01.01.2026\r\n1\r\nx\r\n02.01.2026\r\n2000000000\r\n") << false << 1;
        QTest::newRow("padding at the bound") << QByteArray("1\r\n07.12.2026\r\n" + QByteArray::number(MaxPaddedLines + 1) + "\r\nx\r\n") << true << 1;
        QTest::newRow("padding one past the bound") << QByteArray("1\r\n07.12.2026\r\n" + QByteArray::number(MaxPaddedLines + 2) + "\r\nx\r\n") << false << 0;
        QTest::newRow("N 2e9 of K = -2e9") << QByteArray("2000000000\r\n07.12.2026\r\n-2000000000\r\n") << true << 1;
    }
    // clang-format on
    void hostileCounts()
    {
        auto [file, complete, records] = Fetch<QByteArray, bool, int>({"file", "complete", "records"});
        TDayList s;
        QCOMPARE(ParseDiary(file, s), complete);
        QCOMPARE(s.size(), records);
        qsizetype lines = 0;
        for (const auto& r : s)
            lines += r.Lines().size();
        QVERIFY(lines <= MaxPaddedLines + 1);
    }

    // ---- failing saves ---------------------------------------------------

    // clang-format off
    void saveFailingPartWay_data()
    {
        Column<qint64>("budget", {
            {"nothing written", qint64(0)},
            {"one byte", qint64(1)},
            {"inside a note", qint64(20)},
            {"all but the last byte", qint64(-1)},
        });
    }
    // clang-format on
    void saveFailingPartWay()
    {
        QFETCH(qint64, budget);
        const QByteArray previous = Fixture("two_of_one_date.cnf");
        Put(Path(), previous);
        TDayList s{R(D(1, 5, 2026), {QStringLiteral("новая запись, которой нет на диске")})};
        if (budget < 0)
            budget = EncodeDiary(s).size() - 1;
        const auto err = SaveDiaryThrough(
            Path(), s, [budget](QIODevice& target) { return std::make_unique<TFailingDevice>(target, budget); });
        QVERIFY(err.has_value());
        QCOMPARE(*err, QStringLiteral("На диске нет места"));
        QCOMPARE(Get(Path()), previous);
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"log.cnf"});
    }

    void saveThroughPassingDeviceCommits()
    {
        TDayList s{R(D(1, 5, 2026), {"x"})};
        QCOMPARE(SaveDiaryThrough(Path(), s,
                                  [](QIODevice& target) { return std::make_unique<TFailingDevice>(target, 1 << 20); }),
                 std::nullopt);
        QCOMPARE(Get(Path()), QByteArray("1\r\n01.05.2026\r\n1\r\nx\r\n"));
    }

    // The real save path against a real write error: the file-size limit
    // stops writes even for root, as a full disk would.
    void saveHittingTheFileSizeLimit()
    {
        const QByteArray previous = Fixture("k0.cnf");
        Put(Path(), previous);
        TDayList s;
        for (int i = 1; i <= 28; ++i)
            s.append(R(D(i, 2, 2026), {QString(200, QChar(0x0436))}));

        std::optional<QString> err;
        {
            const testing::FileSizeLimit limit(1024);
            QCOMPARE(limit.readResult, 0);
            QCOMPARE(limit.setResult, 0);
            err = SaveDiary(Path(), s);
        }

        QVERIFY(err.has_value());
        QVERIFY(!err->isEmpty());
        QCOMPARE(Get(Path()), previous);
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"log.cnf"});
    }

    void targetThatIsAFolder()
    {
        QVERIFY(QDir(m_dir.path()).mkdir("log.cnf"));
        Put(Path("log.cnf/inside"), "keep");
        const auto err = SaveDiary(Path(), TDayList{R(D(1, 1, 2026), {"x"})});
        QVERIFY(err.has_value());
        QVERIFY(!err->isEmpty());
        QCOMPARE(Get(Path("log.cnf/inside")), QByteArray("keep"));
    }

    void readOnlyFolder()
    {
        const QByteArray previous = Fixture("k0.cnf");
        Put(Path(), previous);
        QVERIFY(QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::ExeOwner));
        QFile probe(Path("probe"));
        const bool blocked = !probe.open(QIODevice::WriteOnly);
        if (!blocked)
            probe.remove();
        std::optional<QString> err;
        if (blocked)
            err = SaveDiary(Path(), TDayList{R(D(1, 1, 2026), {"x"})});
        QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (!blocked)
            QSKIP("running with rights that ignore folder permissions");
        QVERIFY(err.has_value());
        QCOMPARE(Get(Path()), previous);
    }

    // ---- the code page ---------------------------------------------------

    // The diary's own converter must agree with the program's one for every
    // character, or a note would read back differently from note.txt.
    void encodingAgreesWithTheProgramCodePage()
    {
        QString every;
        for (int c = 1; c < 0x10000; ++c)
            if (c != '\n' && !QChar::isSurrogate(char16_t(c)))
                every.append(QChar(char16_t(c)));
        every += QString::fromUcs4(U"\U0001F600 end");
        const TDayList s{R(D(1, 1, 2026), {every})};
        QCOMPARE(EncodeDiary(s), QByteArray("1\r\n01.01.2026\r\n1\r\n") + ToCp1251(every) + "\r\n");
        TDayList back;
        QVERIFY(ParseDiary(EncodeDiary(s), back));
        QCOMPARE(back[0].Lines()[0], FromCp1251(ToCp1251(every)));
    }

    void lineFeedInsideALineKeepsTheCountsInStep()
    {
        const TDayList s{R(D(1, 1, 2026), {"a\nb", "c"})};
        TDayList back;
        QVERIFY(ParseDiary(EncodeDiary(s), back));
        QCOMPARE(back[0].Lines(), (QStringList{"a b", "c"}));
    }
};

QTEST_GUILESS_MAIN(TestDiaryStore)
#include "test_diary_store.moc"
