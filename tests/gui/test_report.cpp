// The general error report and the text-file helpers everything else uses.
#include "gui/report.h"
#include "gui/qtdialogs.h"
#include "core/error.h"
#include "core/cp1251.h"
#include "core/programfolder.h"
#include "core/textfile.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QAbstractProxyModel>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include "messages.h"
#include "table.h"

#include <cerrno>
#include <sys/stat.h>

using namespace kelto;
using namespace kelto::testing;

namespace {

// What a shared folder may hold where the program saves a file.
enum class TPlanted { DanglingLink, Link, Fifo, Folder };

} // namespace

Q_DECLARE_METATYPE(TPlanted)

class TestReport : public QObject {
    Q_OBJECT
private slots:
    // clang-format off
    void fullStop_data()
    {
        Columns<QString, QString>({"text", "shown"});
        QTest::newRow("letter") << "Floating point division by zero" << "Floating point division by zero.";
        QTest::newRow("quote") << "'abc' is not a valid floating point value" << "'abc' is not a valid floating point value.";
        QTest::newRow("already") << "Готово." << "Готово.";
        QTest::newRow("exclamation sorts before") << "Ошибка!" << "Ошибка!";
        QTest::newRow("comma sorts before") << "a," << "a,";
        QTest::newRow("digit sorts after") << "код 2" << "код 2.";
        QTest::newRow("cyrillic") << "Не удается найти указанный файл" << "Не удается найти указанный файл.";
        QTest::newRow("empty") << "" << "";
    }
    // clang-format on
    void fullStop()
    {
        auto [text, shown] = Fetch<QString, QString>({"text", "shown"});
        QCOMPARE(WithFullStop(text), shown);
    }

    void guardedHandsEveryErrorToOneBox()
    {
        const testing::MessageRecorder messages;
        const QList<TMessageRequest>& seen = messages.boxes;
        Guarded([] { throw TError(QStringLiteral("Нет файла")); });
        Guarded([] { throw std::runtime_error("plain"); });
        Guarded([] {});
        QCOMPARE(seen.size(), 2);
        QCOMPARE(seen[0].caption, QStringLiteral("Кельто"));
        QCOMPARE(seen[0].icon, QMessageBox::Critical);
        QCOMPARE(seen[0].text, QStringLiteral("Нет файла."));
        QCOMPARE(seen[1].text, QStringLiteral("plain."));
    }

    // Running out of memory is said in the user's words, never as the
    // library's "std::bad_alloc.", and the program goes on.
    // clang-format off
    void memoryExhaustionIsSaidPlainly_data()
    {
        Column<int>("kind", {
            {"bad_alloc", 0},
            {"array length", 1},
            {"a real one", 2},
        });
    }
    // clang-format on
    void memoryExhaustionIsSaidPlainly()
    {
        QFETCH(int, kind);
#if defined(__SANITIZE_ADDRESS__)
        // AddressSanitizer ends the process on such a request instead of failing it.
        if (kind == 2)
            QSKIP("a real out-of-memory is not observable under AddressSanitizer");
#endif
        const testing::MessageRecorder messages;
        const QList<TMessageRequest>& seen = messages.boxes;
        Guarded([kind] {
            if (kind == 0)
                throw std::bad_alloc();
            if (kind == 1)
                throw std::bad_array_new_length();
            QByteArray huge;
            huge.resize(std::numeric_limits<qsizetype>::max() / 2);
        });
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

    // A name planted in a shared folder never makes the save path write
    // elsewhere or into a device: the write is refused like a failed save.
    void saveRefusesWhatIsNoRegularFile_data()
    {
        Columns<TPlanted, QString>({"kind", "reason"});
        // clang-format off
        QTest::newRow("link to nowhere") << TPlanted::DanglingLink << "это символическая ссылка";
        QTest::newRow("link to a file")  << TPlanted::Link         << "это символическая ссылка";
        QTest::newRow("FIFO")            << TPlanted::Fifo         << "это не обычный файл";
        QTest::newRow("folder")          << TPlanted::Folder       << "это папка, а не файл";
        // clang-format on
    }
    void saveRefusesWhatIsNoRegularFile()
    {
        auto [kind, reason] = Fetch<TPlanted, QString>({"kind", "reason"});
        QTemporaryDir dir, home;
        const QString path = dir.filePath(QStringLiteral("ini.cnf"));
        const QString target = home.filePath(QStringLiteral(".profile"));
        switch (kind) {
        case TPlanted::Link:
            QVERIFY(!WriteFileAtomically(target, "mine"));
            [[fallthrough]];
        case TPlanted::DanglingLink:
            QVERIFY(QFile::link(target, path));
            break;
        case TPlanted::Fifo:
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
            break;
        case TPlanted::Folder:
            QVERIFY(QDir().mkdir(path));
            break;
        }
        QCOMPARE(WriteFileAtomically(path, "echo owned"), std::optional<QString>(reason));
        QCOMPARE(ReadWholeFile(target), kind == TPlanted::Link ? std::optional<QByteArray>("mine") : std::nullopt);
        // What was planted is left as it was, not replaced by a file.
        const QFileInfo planted(path);
        QCOMPARE(planted.isSymLink(), kind == TPlanted::Link || kind == TPlanted::DanglingLink);
        QCOMPARE(planted.isDir(), kind == TPlanted::Folder);
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("ini.cnf")}); // no temporary file left
    }

    // The reasons shown for system errors are the program's own Russian texts.
    void systemErrorsInRussian_data()
    {
        Columns<int, QString>({"error", "text"});
        // clang-format off
        QTest::newRow("EIO")    << EIO    << "ошибка ввода-вывода на диске";
        QTest::newRow("ENOSPC") << ENOSPC << "на диске нет места";
        QTest::newRow("EDQUOT") << EDQUOT << "превышена дисковая квота";
        QTest::newRow("EFBIG")  << EFBIG  << "файл превысил допустимый размер";
        QTest::newRow("EROFS")  << EROFS  << "диск доступен только для чтения";
        QTest::newRow("EACCES") << EACCES << "нет прав доступа";
        QTest::newRow("ENOENT") << ENOENT << "файл или папка не найдены";
        QTest::newRow("ELOOP")  << ELOOP  << "это символическая ссылка";
        QTest::newRow("EINVAL") << EINVAL << "имя файла недопустимо на этом диске";
        QTest::newRow("other")  << EDOM   << QStringLiteral("системная ошибка %1").arg(EDOM);
        // clang-format on
    }
    void systemErrorsInRussian()
    {
        auto [error, text] = Fetch<int, QString>({"error", "text"});
        QCOMPARE(SystemErrorText(error), text);
    }

    // clang-format off
    void fileSizeInRussian_data()
    {
        Columns<qint64, QString>({"bytes", "shown"});
        QTest::newRow("1")       << qint64(1)       << "1 байт";
        QTest::newRow("2")       << qint64(2)       << "2 байта";
        QTest::newRow("5")       << qint64(5)       << "5 байт";
        QTest::newRow("11")      << qint64(11)      << "11 байт";
        QTest::newRow("22")      << qint64(22)      << "22 байта";
        QTest::newRow("1023")    << qint64(1023)    << "1023 байта";
        QTest::newRow("1536")    << qint64(1536)    << "1,5 КБ";
        QTest::newRow("12 MB")   << (qint64(12) << 20) << "12,0 МБ";
        QTest::newRow("3 TB")    << (qint64(3) << 40) << QString("3\u00A0072,0 ГБ");
    }
    // clang-format on
    void fileSizeInRussian()
    {
        auto [bytes, shown] = Fetch<qint64, QString>({"bytes", "shown"});
        QCOMPARE(FileSizeText(bytes), shown);
    }

    // Qt's file dialog in Russian under an English system, and what it
    // remembers kept in the program folder.
    void fileDialogInRussian()
    {
        QTemporaryDir program;
        QVERIFY(QDir(program.path()).mkdir("sub"));
        QFile file(program.filePath("a.plg"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("12345") == 5 && file.flush());
        QVERIFY(file.setFileTime(QDateTime({2026, 12, 9}, {14, 5}), QFileDevice::FileModificationTime));
        file.close();
        const QLocale before;
        QLocale::setDefault(QLocale::c());
        InstallQtDialogs(program.path());
        {
            QFileDialog dialog(nullptr, QString(), program.path());
            dialog.show();
            QAbstractItemModel* model = dialog.proxyModel();
            QVERIFY(model);
            QStringList head;
            for (int c = 0; c < 4; ++c)
                head << model->headerData(c, Qt::Horizontal).toString();
            QCOMPARE(head, (QStringList{"Имя", "Размер", "Тип", "Дата изменения"}));
            auto* proxy = qobject_cast<QAbstractProxyModel*>(model);
            auto* files = proxy ? qobject_cast<QFileSystemModel*>(proxy->sourceModel()) : nullptr;
            QVERIFY(files);
            const QModelIndex root = proxy->mapFromSource(files->index(program.path()));
            QTRY_COMPARE(model->rowCount(root), 2);
            QStringList rows;
            for (int r = 0; r < 2; ++r) {
                QStringList row;
                for (int c = 0; c < 4; ++c)
                    row << model->index(r, c, root).data().toString();
                rows << row.join(" | ");
            }
            rows.sort();
            QCOMPARE(rows, (QStringList{"a.plg | 5 байт | Файл PLG | 09.12.2026 14:05",
                                        QString("sub |  | Папка | ") + rows[1].section(" | ", 3)}));
            dialog.close();
        }
        QLocale::setDefault(before);
        QVERIFY(QFile::exists(program.filePath("QtProject.conf")));
        for (auto format : {QSettings::NativeFormat, QSettings::IniFormat})
            QSettings::setPath(format, QSettings::UserScope, QDir::homePath() + "/.config");
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
