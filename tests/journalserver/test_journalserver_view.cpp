// "Журнал контроля…": journal.cnf as the window reads and writes it, a
// damaged file kept and said, the connection check and the move of
// journal.db against a PostgreSQL of the test's own.
#include "journal/journalrules.h"
#include "journal/sqlitestore.h"
#include "journal/view/tfjournal.h"
#include "journalserver/labstore.h"
#include "journalserver/serverstore.h"
#include "journalserver/view/serverpassword.h"
#include "journalserver/view/tfjournalsettings.h"

#include "controls.h"
#include "files.h"
#include "folder.h"
#include "messages.h"
#include "pgserver.h"
#include "table.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QTableView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QtTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace kelto;
using namespace kelto::testing;

namespace {

const QByteArray LabFile("server\r\nlab.example\r\n5433\r\n\xe6\xf3\xf0\xed\xe0\xeb\r\nivanov\r\nprefer\r\n");

TJournalEntry Joint(const QString& joint)
{
    TJournalEntry e;
    e.date = QDate(2026, 12, 9);
    e.joint = joint;
    e.defects = QStringLiteral("Аа 1,5");
    return e;
}

void Type(TfJournalSettings& w, const char* name, const QString& text)
{
    Control<QLineEdit>(w, name)->setText(text);
}

// A port on 127.0.0.1 that takes connections into its queue and never
// answers them: a server out of reach that makes libpq wait its timeout.
struct TSilentListener {
    int fd = -1;
    int port = 0;
    TSilentListener()
    {
        fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), size) != 0 || ::listen(fd, 16) != 0
            || ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0)
            return;
        port = ntohs(address.sin_port);
    }
    ~TSilentListener()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// The settings of a server that never answers, on `listener`'s port.
TJournalSettings Silent(const TSilentListener& listener)
{
    TJournalSettings s;
    s.place = TJournalPlace::Server;
    s.host = QStringLiteral("127.0.0.1");
    s.port = listener.port;
    s.database = QStringLiteral("kelto");
    s.user = QStringLiteral("ivanov");
    return s;
}

// A timer of the window's thread that counts its ticks during a wait for
// the server and, once the box shows, gives up through it.
struct TGiveUp : QObject {
    int ticks = 0;
    QString said; // the box's text
    QTimer timer;
    explicit TGiveUp(bool byEsc)
    {
        connect(&timer, &QTimer::timeout, this, [this, byEsc] {
            ++ticks;
            QWidget* box = QApplication::activeModalWidget();
            if (!box)
                return;
            said = box->windowTitle() + QLatin1Char('|') + box->findChild<QLabel*>()->text();
            if (byEsc)
                QTest::keyClick(box, Qt::Key_Escape);
            else
                box->findChild<QPushButton*>()->click();
        });
        timer.start(50);
    }
};

} // namespace

class TestJournalServerView : public QObject {
    Q_OBJECT

    TTestServer m_server;

    // The window's fields on the test's server and `database`.
    void PointAt(TfJournalSettings& w, const QString& database)
    {
        Control<QRadioButton>(w, "rbServer")->setChecked(true);
        Type(w, "eHost", m_server.Host());
        Control<QSpinBox>(w, "ePort")->setValue(m_server.Port());
        Type(w, "eDatabase", database);
        Type(w, "eUser", m_server.AdminUser());
    }

    TJournalSettings OnServer(const QString& database) const
    {
        TJournalSettings s;
        s.place = TJournalPlace::Server;
        s.host = m_server.Host();
        s.port = m_server.Port();
        s.database = database;
        s.user = m_server.AdminUser();
        return s;
    }

    // The journal window's table: the joints it shows.
    static QStringList Joints(TfJournal& w)
    {
        QStringList joints;
        const QAbstractItemModel* m = Control<QTableView>(w, "tvEntries")->model();
        for (int r = 0; r < m->rowCount(); ++r)
            joints << m->index(r, int(TJournalColumn::Joint)).data().toString();
        return joints;
    }

private slots:
    void formFromTheFileAndBack()
    {
        TempProgramFolder folder;
        Put(folder.File("journal.cnf"), LabFile);
        TfJournalSettings w(folder.File("journal.db"));
        QVERIFY(Control<QRadioButton>(w, "rbServer")->isChecked());
        QCOMPARE(Control<QLineEdit>(w, "eDatabase")->text(), QStringLiteral("журнал"));
        QCOMPARE(Control<QSpinBox>(w, "ePort")->value(), 5433);
        QSignalSpy changed(&w, &TfJournalSettings::settingsChanged);
        w.close();
        QCOMPARE(Get(folder.File("journal.cnf")), LabFile);
        QCOMPARE(changed.count(), 0);
        // The choice back to this computer keeps the server's fields for later.
        w.show();
        Control<QRadioButton>(w, "rbLocal")->setChecked(true);
        QVERIFY(!Control<QLineEdit>(w, "eHost")->isEnabled());
        w.close();
        QCOMPARE(changed.count(), 1);
        QCOMPARE(Get(folder.File("journal.cnf")), QByteArray(LabFile).replace("server", "local"));
    }

    void aValueStaysOnItsLine()
    {
        TempProgramFolder folder;
        TfJournalSettings w(folder.File("journal.db"));
        Control<QRadioButton>(w, "rbServer")->setChecked(true);
        Type(w, "eHost", QStringLiteral("lab\r\nevil"));
        Type(w, "eDatabase", QStringLiteral("kelto"));
        w.close();
        QCOMPARE(Get(folder.File("journal.cnf")).count("\r\n"), 6);
        QCOMPARE(ReadJournalSettings().database, QStringLiteral("kelto"));
    }

    void damagedFileMeansLocal_data()
    {
        Column<QByteArray>("file", {
            {"five lines", QByteArray("server\r\nh\r\n5432\r\nd\r\n")},
            {"port a word", QByteArray("server\r\nh\r\nport\r\nd\r\nu\r\nprefer\r\n")},
            {"seven lines", QByteArray("server\r\nh\r\n5432\r\nd\r\nu\r\nprefer\r\nextra\r\n")},
            {"a NUL byte", QByteArray("server\0\r\nh\r\n5432\r\nd\r\nu\r\nprefer\r\n", 32)},
        });
    }
    void damagedFileMeansLocal()
    {
        QFETCH(QByteArray, file);
        TempProgramFolder folder;
        Put(folder.File("journal.cnf"), file);
        QString note;
        QCOMPARE(ReadJournalSettings(&note), TJournalSettings{});
        QCOMPARE(note, QStringLiteral("Файл journal.cnf не прочитан: сохранена копия journal.cnf.bak"));
        QCOMPARE(Get(folder.File("journal.cnf.bak")), file);
        // The window says so too, and its close writes a file that reads.
        TfJournalSettings w(folder.File("journal.db"));
        QCOMPARE(w.ResultText(), note);
        QVERIFY(Control<QRadioButton>(w, "rbLocal")->isChecked());
        w.close();
        note.clear();
        ReadJournalSettings(&note);
        QCOMPARE(note, QString());
        QCOMPARE(Get(folder.File("journal.cnf.bak")), file);
    }

    void checkSaysWhy()
    {
        KELTO_REQUIRE_SERVER(m_server);
        TempProgramFolder folder;
        const QString database = m_server.NewDatabase();
        TfJournalSettings w(folder.File("journal.db"));
        QVERIFY(!Control<QPushButton>(w, "bCheck")->isEnabled());
        Control<QRadioButton>(w, "rbServer")->setChecked(true);
        Control<QPushButton>(w, "bCheck")->click();
        QCOMPARE(w.ResultText(), QStringLiteral("Укажите сервер, базу данных и пользователя."));
        PointAt(w, database);
        Control<QPushButton>(w, "bCheck")->click();
        QVERIFY2(w.ResultText().startsWith(QStringLiteral("Соединение установлено: таблиц журнала ещё нет")),
                 qPrintable(w.ResultText()));
        Type(w, "eDatabase", QStringLiteral("nosuch"));
        Control<QPushButton>(w, "bCheck")->click();
        QCOMPARE(w.ResultText(), QStringLiteral("Нет соединения: на сервере нет базы данных «nosuch»."));
        Type(w, "eDatabase", database);
        Type(w, "eUser", QStringLiteral("petrov"));
        Control<QPushButton>(w, "bCheck")->click();
        QCOMPARE(w.ResultText(), QStringLiteral("Нет соединения: на сервере нет пользователя «petrov»."));
    }

    void moveSaysHowMany()
    {
        KELTO_REQUIRE_SERVER(m_server);
        TempProgramFolder folder;
        const QString database = m_server.NewDatabase();
        {
            TSqliteJournalStore local(folder.File("journal.db"));
            QVERIFY(local.Open().IsDone());
            for (const char* joint : {"1", "2", "3"}) {
                TJournalEntry e;
                e.date = QDate(2026, 12, 9);
                e.joint = QLatin1String(joint);
                QVERIFY(local.Save(e).IsDone());
            }
        }
        TfJournalSettings w(folder.File("journal.db"));
        PointAt(w, database);
        MessageRecorder boxes;
        boxes.answer = QMessageBox::No;
        Control<QPushButton>(w, "bMove")->click();
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(w.ResultText(), QString());
        boxes.answer = QMessageBox::Yes;
        Control<QPushButton>(w, "bMove")->click();
        QCOMPARE(w.ResultText(), QStringLiteral("Перенесено на сервер: 3 записи и 0 заключений."));
        Control<QPushButton>(w, "bMove")->click();
        QCOMPARE(w.ResultText(), QStringLiteral("Нечего переносить: все записи журнала уже на сервере."));
    }

    void passwordAskedOnlyWhenRefused()
    {
        KELTO_REQUIRE_SERVER(m_server);
        // The test's server lets its users in without one: nothing is asked.
        int asked = 0;
        SetPasswordAsker([&](QWidget*, const QString&) {
            ++asked;
            return std::optional<QString>();
        });
        TJournalSettings s;
        s.place = TJournalPlace::Server;
        s.host = m_server.Host();
        s.port = m_server.Port();
        s.database = QStringLiteral("postgres");
        s.user = m_server.AdminUser();
        TConnectionCheck check;
        QCOMPARE(ServerPassword(nullptr, s, &check), QString());
        QVERIFY(check.connected);
        QCOMPARE(asked, 0);
        SetPasswordAsker({});
    }

    void passwordRefusals_data()
    {
        Columns<QString, QString, bool>({"text", "code", "refused"});
        QTest::newRow("wrong") << "FATAL:  password authentication failed for user \"ivanov\"" << "28P01" << true;
        QTest::newRow("none given") << "fe_sendauth: no password supplied" << "" << true;
        QTest::newRow("no role") << "FATAL:  role \"ivanov\" does not exist" << "28000" << false;
        QTest::newRow("refused") << "Connection refused" << "" << false;
    }
    void passwordRefusals()
    {
        const auto [text, code, refused] = Fetch<QString, QString, bool>({"text", "code", "refused"});
        QCOMPARE(IsPasswordRefused(QSqlError(QString(), text, QSqlError::ConnectionError, code)), refused);
    }

    void othersEntriesAppear()
    {
        KELTO_REQUIRE_SERVER(m_server);
        TempProgramFolder folder;
        const TJournalSettings s = OnServer(m_server.NewDatabase());
        auto mine = std::make_unique<TLabJournalStore>(s, QString(), folder.File("journal.db"));
        QVERIFY(mine->Open().IsDone());
        TfJournal w(std::move(mine));
        w.show();
        QCOMPARE(Joints(w), QStringList());
        TServerJournalStore theirs(s, QString());
        QVERIFY(theirs.Open().IsDone());
        TJournalEntry e = Joint(QStringLiteral("12"));
        QVERIFY(theirs.Save(e).IsDone());
        QTRY_COMPARE_WITH_TIMEOUT(Joints(w), QStringList{QStringLiteral("12")}, 5000);
        // Deleted by them: it leaves the list, and "Показать удалённые" brings it back to be restored.
        QVERIFY(theirs.Delete(e.id).IsDone());
        QTRY_COMPARE_WITH_TIMEOUT(Joints(w), QStringList(), 5000);
        Control<QCheckBox>(w, "chDeleted")->setChecked(true);
        QCOMPARE(Joints(w), QStringList{QStringLiteral("12")});
        Control<QTableView>(w, "tvEntries")->selectRow(0);
        QCOMPARE(Control<QPushButton>(w, "bDelete")->text(), QStringLiteral("Вернуть"));
        Control<QPushButton>(w, "bDelete")->click();
        QCOMPARE(theirs.Count(), 1);
    }

    void unreachableServerSaid()
    {
        TempProgramFolder folder;
        TJournalSettings s;
        s.place = TJournalPlace::Server;
        s.host = folder.File("nosocket");
        s.database = QStringLiteral("kelto");
        s.user = QStringLiteral("ivanov");
        auto lab = std::make_unique<TLabJournalStore>(s, QString(), folder.File("journal.db"));
        QVERIFY(lab->Open().IsDone());
        TfJournal w(std::move(lab));
        w.show();
        QTRY_VERIFY(!Control<QLabel>(w, "lStore")->text().isEmpty());
        const QString state = Control<QLabel>(w, "lStore")->text();
        QVERIFY2(state.startsWith(QStringLiteral("Сервер журнала недоступен: ")), qPrintable(state));
        QVERIFY(w.AddEntry(Joint(QStringLiteral("7"))));
        QTRY_VERIFY_WITH_TIMEOUT(Control<QLabel>(w, "lStore")->text().contains(
                                     QStringLiteral("Не отправлено на сервер записей: 1")),
                                 5000);
        QCOMPARE(Joints(w), QStringList{QStringLiteral("7")});
        const QAbstractItemModel* m = Control<QTableView>(w, "tvEntries")->model();
        QCOMPARE(m->index(0, int(TJournalColumn::Number)).data().toString(), QStringLiteral("не отправлено"));
    }

    // The server away, the window keeps turning: the attempts to reach it
    // wait on a thread of their own, never on the window's (a synchronous
    // attempt on a server that never answers would hold it 2-3 s each time).
    void windowAnswersWhileServerAway_data()
    {
        QTest::addColumn<bool>("silent");
        QTest::addColumn<QString>("reason");
        QTest::newRow("a server that never answers") << true << QStringLiteral("сервер не ответил вовремя");
        QTest::newRow("no server at the address") << false << QStringLiteral("сервер не найден по этому адресу и порту");
    }
    void windowAnswersWhileServerAway()
    {
        QFETCH(bool, silent);
        QFETCH(QString, reason);
        TempProgramFolder folder;
        TJournalSettings s;
        s.place = TJournalPlace::Server;
        s.database = QStringLiteral("kelto");
        s.user = QStringLiteral("ivanov");
        TSilentListener listener;
        if (silent) {
            QVERIFY(listener.port > 0);
            s.host = QStringLiteral("127.0.0.1");
            s.port = listener.port;
        } else {
            s.host = folder.File("nosocket");
        }
        auto lab = std::make_unique<TLabJournalStore>(s, QString(), folder.File("journal.db"));
        QVERIFY(lab->Open().IsDone());
        TfJournal w(std::move(lab));
        w.show();
        QElapsedTimer clock;
        clock.start();
        qint64 last = 0, longest = 0;
        QTimer tick;
        connect(&tick, &QTimer::timeout, &w, [&] {
            longest = std::max(longest, clock.elapsed() - last);
            last = clock.elapsed();
        });
        tick.start(20);
        // Two retries of the store and three ticks of the window's follow timer.
        QTest::qWait(6500);
        QVERIFY2(longest < 1000, qPrintable(QStringLiteral("the window stood still for %1 ms").arg(longest)));
        QCOMPARE(Control<QLabel>(w, "lStore")->text(), QStringLiteral("Сервер журнала недоступен: ") + reason);
        QVERIFY(w.AddEntry(Joint(QStringLiteral("7"))));
        QCOMPARE(Control<QTableView>(w, "tvEntries")->model()->index(0, 0).data().toString(),
                 QStringLiteral("не отправлено"));
    }

    // A first connection to a server that never answers: the window's
    // thread goes on, the box lets the user give up, the journal opens on
    // its local store, and a second opening meanwhile starts nothing.
    void givingUpTheFirstConnection_data()
    {
        QTest::addColumn<bool>("byEsc");
        QTest::newRow("Esc") << true;
        QTest::newRow("Отмена") << false;
    }
    void givingUpTheFirstConnection()
    {
        QFETCH(bool, byEsc);
        TempProgramFolder folder;
        TSilentListener listener;
        QVERIFY(listener.port > 0);
        TGiveUp giveUp(byEsc);
        std::optional<bool> second;
        connect(&giveUp.timer, &QTimer::timeout, this, [&] {
            if (!second)
                second = OpenLabJournal(nullptr, Silent(listener), folder.File("journal.db")) == nullptr;
        });
        std::unique_ptr<TJournalStore> store = OpenLabJournal(nullptr, Silent(listener), folder.File("journal.db"));
        QCOMPARE(giveUp.said, QStringLiteral("Кельто|Соединение с сервером журнала…"));
        QVERIFY(giveUp.ticks > 1);
        QCOMPARE(second, std::optional(true));
        auto* lab = dynamic_cast<TLabJournalStore*>(store.get());
        QVERIFY(lab && lab->IsOpen());
        QCOMPARE(lab->OfflineText(), QStringLiteral("Сервер журнала недоступен: попытка соединения отменена"));
    }

    void givingUpTheCheck()
    {
        TSilentListener listener;
        QVERIFY(listener.port > 0);
        TempProgramFolder folder;
        TfJournalSettings w(folder.File("journal.db"));
        w.SetForm(Silent(listener));
        TGiveUp giveUp(true);
        Control<QPushButton>(w, "bCheck")->click();
        QVERIFY(giveUp.ticks > 1);
        QCOMPARE(w.ResultText(), QStringLiteral("Проверка соединения отменена."));
    }

    // Closing the window while the store's attempt to reach the server is
    // still waiting for it: nothing waits for the attempt, and the program
    // ends cleanly with it still under way (its server kept silent to the end).
    void closingDuringAnAttempt()
    {
        static TSilentListener listener;
        QVERIFY(listener.port > 0);
        TempProgramFolder folder;
        auto lab = std::make_unique<TLabJournalStore>(Silent(listener), QString(), folder.File("journal.db"));
        QVERIFY(lab->Open().IsDone());
        QVERIFY(!lab->Online());
        auto* w = new TfJournal(std::move(lab));
        w->show();
        delete w;
        TServerProbe probe;
        probe.Start(Silent(listener), QString(), 3);
        QVERIFY(probe.Running());
        probe.Abandon();
        QVERIFY(!probe.Running());
        QCOMPARE(probe.Take(), std::nullopt);
    }

    void bothVersionsShown_data()
    {
        Columns<QString, QString, QStringList>({"theirs", "mine", "lines"});
        QTest::newRow("same") << "Аа 1,5" << "Аа 1,5" << QStringList();
        QTest::newRow("defects") << "Аа 1,5" << "Аа 2" << QStringList{QStringLiteral("Дефекты: «Аа 1,5» → «Аа 2»")};
        QTest::newRow("emptied") << "Аа 1,5" << "" << QStringList{QStringLiteral("Дефекты: «Аа 1,5» → «»")};
    }
    void bothVersionsShown()
    {
        const auto [theirs, mine, lines] = Fetch<QString, QString, QStringList>({"theirs", "mine", "lines"});
        TJournalEntry a = Joint(QStringLiteral("1")), b = a;
        a.defects = theirs;
        b.defects = mine;
        QCOMPARE(EntryDifferences(a, b), lines);
        b.verdict = TVerdict::Repair;
        QCOMPARE(EntryDifferences(a, b).last(), QStringLiteral("Оценка: «%1» → «%2»")
                                                    .arg(VerdictText(a.verdict), VerdictText(TVerdict::Repair)));
    }

    void changedByAnotherAsksWhich()
    {
        KELTO_REQUIRE_SERVER(m_server);
        TempProgramFolder folder;
        const TJournalSettings s = OnServer(m_server.NewDatabase());
        TServerJournalStore theirs(s, QString());
        QVERIFY(theirs.Open().IsDone());
        TJournalEntry e = Joint(QStringLiteral("5"));
        QVERIFY(theirs.Save(e).IsDone());
        auto mine = std::make_unique<TLabJournalStore>(s, QString(), folder.File("journal.db"));
        QVERIFY(mine->Open().IsDone());
        TfJournal w(std::move(mine));
        QCOMPARE(w.CurrentId(), e.id);
        TJournalEntry changed = e;
        changed.defects = QStringLiteral("Аа 3");
        QVERIFY(theirs.Save(changed).IsDone());
        Control<QPlainTextEdit>(w, "eDefects")->setPlainText(QStringLiteral("Аа 2"));
        MessageRecorder boxes;
        boxes.answer = QMessageBox::No; // theirs
        QVERIFY(w.SaveTyped());
        QCOMPARE(boxes.boxes.size(), 1);
        QVERIFY2(boxes.boxes[0].text.contains(QStringLiteral("Дефекты: «Аа 3» → «Аа 2»")), qPrintable(boxes.boxes[0].text));
        QVERIFY(boxes.boxes[0].text.startsWith(QStringLiteral("Запись изменена пользователем ")));
        QCOMPARE(w.FormEntry().defects, QStringLiteral("Аа 3"));
    }
};

QTEST_MAIN(TestJournalServerView)
#include "test_journalserver_view.moc"
