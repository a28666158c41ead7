// The journal stores the storage cases run against: each makes a fresh,
// empty, opened store. Another store joins by adding a row to
// JournalStores() (one that cannot start, e.g. no server here, gives a
// skip reason instead of a store).
#pragma once
#include "journal/journalentry.h"
#include "journal/journalstore.h"
#include "journal/sqlitestore.h"
#ifdef KELTO_PGCLUSTER
#include "journalserver/serverstore.h"
#include "pgserver.h"
#endif

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>

namespace kelto::testing {

struct TStoreUnderTest {
    std::unique_ptr<TJournalStore> store;
    QString skip; // why the store cannot run here; empty when it runs
    std::shared_ptr<QTemporaryDir> folder;
};

using TStoreFactory = std::function<TStoreUnderTest()>;

inline TStoreUnderTest MakeSqliteStore()
{
    TStoreUnderTest s;
    s.folder = std::make_shared<QTemporaryDir>();
    s.store = std::make_unique<TSqliteJournalStore>(s.folder->filePath(QStringLiteral("journal.db")));
    return s;
}

#ifdef KELTO_PGCLUSTER
// The laboratory's server: one PostgreSQL of the test's own, a fresh
// database for each store.
inline TStoreUnderTest MakeServerStore()
{
    static TTestServer server;
    TStoreUnderTest s;
    if (const auto why = server.Start()) {
        s.skip = QStringLiteral("PostgreSQL test server not started: ") + *why;
        return s;
    }
    TJournalSettings settings;
    settings.place = TJournalPlace::Server;
    settings.host = server.Host();
    settings.port = server.Port();
    settings.database = server.NewDatabase();
    settings.user = server.AdminUser();
    s.store = std::make_unique<TServerJournalStore>(settings, QString());
    return s;
}
#endif

inline const QList<std::pair<const char*, TStoreFactory>>& JournalStores()
{
    static const QList<std::pair<const char*, TStoreFactory>> stores{
        {"file", MakeSqliteStore},
#ifdef KELTO_PGCLUSTER
        {"server", MakeServerStore},
#endif
    };
    return stores;
}

// Adds each row of `rows` once per store, named "<store>: <row>", with the
// store's name in the column "store".
template <class AddRow> void PerStore(const AddRow& addRow)
{
    for (const auto& [name, factory] : JournalStores())
        addRow(name);
}

// The store named by the current row's "store" column, opened; skips the row
// when the store cannot run here.
inline TStoreUnderTest OpenStore(const QString& name)
{
    for (const auto& [n, factory] : JournalStores())
        if (name == QLatin1String(n)) {
            TStoreUnderTest s = factory();
            if (s.skip.isEmpty() && !s.store->IsOpen()) {
                const TStoreResult r = s.store->Open();
                if (!r.IsDone())
                    s.skip = r.reason;
            }
            return s;
        }
    return {nullptr, QStringLiteral("no such store"), nullptr};
}

// An entry with the typed fields a test varies.
inline TJournalEntry Entry(const QString& joint, const QDate& date, TVerdict verdict = TVerdict::NotAssessed,
                           const QString& defects = {})
{
    TJournalEntry e;
    e.date = date;
    e.object = QStringLiteral("Газопровод Ду200, участок 3");
    e.joint = joint;
    e.pipe = QStringLiteral("219 × 8");
    e.material = QStringLiteral("09Г2С");
    e.method = QStringLiteral("ГОСТ 7512-82, схема 5б");
    e.source = QStringLiteral("Ir-192");
    e.sourceSerial = QStringLiteral("№ 1234");
    e.films = 3;
    e.filmSize = QStringLiteral("100 × 240");
    e.sensitivity = QStringLiteral("0,2 мм");
    e.defects = defects;
    e.verdict = verdict;
    e.performer = QStringLiteral("Петров П. П.");
    return e;
}

// A journal of 200 entries at `path` with one page inside it overwritten:
// it opens and shows its rows, but its check of every page fails. Its bytes.
inline QByteArray WriteBrokenJournal(const QString& path)
{
    {
        TSqliteJournalStore store(path);
        for (int i = 0; i < 200; ++i) {
            TJournalEntry e = Entry(QString::number(i), QDate(2026, 12, 9), TVerdict::Fit, QString(300, QChar(u'д')));
            if (!store.Save(e).IsDone())
                return {};
        }
    }
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite) || f.size() <= 5 * 4096)
        return {};
    f.seek(3 * 4096);
    f.write(QByteArray(4096, char(0xA5)));
    f.seek(0);
    return f.readAll();
}

} // namespace kelto::testing
