// The control journal with 100 000 entries: the window's first rows after
// it is asked for (goal 150 ms), a search keystroke (30 ms), saving one entry
// with its fsync (15 ms), the conclusion PDF of 200 entries (500 ms) and the
// CSV of all entries (2 s). `bench_journal --write-journal PATH` only writes
// such a journal, for the start-up benchmark.
#include "core/programfolder.h"
#include "journalsearch.h"
#include "core/textfile.h"
#include "journal/conclusion.h"
#include "journal/journalrules.h"
#include "journal/sqlitestore.h"
#include "journal/view/conclusionpage.h"
#include "journal/view/journalopen.h"
#include "journal/view/tfjournal.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstring>

using namespace kelto;

namespace {

constexpr int Entries = 100000;
constexpr int Distinct = 200; // saved through the store; the rest are their copies

TJournalEntry Sample(int i)
{
    TJournalEntry e;
    e.date = QDate(2020, 1, 1).addDays(i % 2500);
    e.object = QStringLiteral("Газопровод участок %1").arg(i % 40);
    e.joint = QStringLiteral("Т-%1").arg(i);
    e.pipe = QStringLiteral("219 × 8 мм");
    e.material = QStringLiteral("сталь 09Г2С");
    e.method = QStringLiteral("ГОСТ 7512-82, схема 5б");
    e.source = QStringLiteral("Ir-192");
    e.sourceSerial = QStringLiteral("1234");
    e.films = 3;
    e.filmSize = QStringLiteral("100×240");
    e.sensitivity = QStringLiteral("0,2 мм");
    e.defects = i % 3 ? QStringLiteral("пора 0,5 мм, шлак 1 мм") : QString();
    e.verdict = static_cast<TVerdict>(i % 4);
    e.performer = QStringLiteral("Иванов И. И.");
    return e;
}

// A journal of `Entries` at `path`: distinct entries through the store, then
// copied in one transaction (their folded search text with them).
bool WriteJournal(const QString& path)
{
    {
        TSqliteJournalStore store(path);
        if (!store.Open().IsDone())
            return false;
        for (int i = 0; i < Distinct; ++i) {
            TJournalEntry e = Sample(i);
            if (!store.Save(e).IsDone())
                return false;
        }
    }
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fill"));
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery q(db);
            const QString cols = QStringLiteral("object, joint, pipe, material, method, source, source_serial, films,"
                                                " film_size, sensitivity, defects, verdict, conclusion, performer, note,"
                                                " revision, deleted, search, created_by, created_at, changed_by, changed_at");
            ok = db.transaction();
            for (int copy = 1; ok && copy < Entries / Distinct; ++copy)
                ok = q.exec(QStringLiteral("INSERT INTO entries(date, %1) SELECT date(date, '-%2 days'), %1 FROM entries"
                                           " WHERE id <= %3")
                                .arg(cols)
                                .arg(copy)
                                .arg(Distinct));
            // A journal grows day by day: 40 entries a day over some seven years.
            ok = ok && q.exec(QStringLiteral("UPDATE entries SET date = date('2019-01-01', '+' || (id / 40) || ' days')"));
            ok = ok && db.commit();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fill"));
    return ok;
}

struct TBigJournal {
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("journal.db"));
    bool ok = false;
    TBigJournal()
    {
        SetProgramFolder(dir.path() + QLatin1Char('/'));
        ok = WriteJournal(path);
    }
};

TBigJournal& Journal()
{
    static TBigJournal journal;
    return journal;
}

std::unique_ptr<TfJournal> OpenWindow()
{
    // As Ctrl+J opens it: the check of every page left running on its thread.
    auto window = std::make_unique<TfJournal>(OpenFileJournal(Journal().path));
    window->show();
    QApplication::processEvents();
    return window;
}

} // namespace

// Ctrl+J: the store opened (its schema read; the check of every page goes on
// on its own thread), the window built, shown and painted with its first
// rows. The check's end is not waited for (the window closes after it).
static void BM_JournalFirstRows(benchmark::State& state)
{
    if (!Journal().ok)
        return state.SkipWithError("the journal could not be written");
    for (auto _ : state) {
        auto window = OpenWindow();
        benchmark::DoNotOptimize(window->grab());
        state.PauseTiming();
        window.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_JournalFirstRows)->Unit(benchmark::kMillisecond);

// One keystroke in the search field: the query and the table's first rows.
// Arg 0: a joint's number (few found), 1: a word in every entry (all found),
// 2: a month.
static void BM_JournalSearchKeystroke(benchmark::State& state)
{
    if (!Journal().ok)
        return state.SkipWithError("the journal could not be written");
    auto window = OpenWindow();
    kelto::bench::TimeSearch(state, *window, false);
}
BENCHMARK(BM_JournalSearchKeystroke)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// The same search until its whole list is in and counted in the status line
// (the first rows show before; the rest is read on another thread).
static void BM_JournalSearchWholeList(benchmark::State& state)
{
    if (!Journal().ok)
        return state.SkipWithError("the journal could not be written");
    auto window = OpenWindow();
    kelto::bench::TimeSearch(state, *window, true);
}
BENCHMARK(BM_JournalSearchWholeList)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// "Сохранить": one changed entry, one transaction, fsync included.
static void BM_JournalSaveEntry(benchmark::State& state)
{
    if (!Journal().ok)
        return state.SkipWithError("the journal could not be written");
    TSqliteJournalStore store(Journal().path);
    store.Open();
    TJournalEntry e = store.Load({1}).value(0);
    store.Save(e); // the day's backup copy is made at the first change, not measured
    int i = 0;
    for (auto _ : state) {
        e.defects = QStringLiteral("пора %1 мм").arg(++i);
        if (!store.Save(e).IsDone())
            state.SkipWithError("the entry was not saved");
    }
}
BENCHMARK(BM_JournalSaveEntry)->Unit(benchmark::kMillisecond);

// "Сохранить PDF…" of a conclusion on 200 entries, to the file.
static void BM_ConclusionPdf200(benchmark::State& state)
{
    if (!Journal().ok)
        return state.SkipWithError("the journal could not be written");
    TSqliteJournalStore store(Journal().path);
    store.Open();
    QList<qint64> ids;
    for (qint64 id = 1; id <= 200; ++id)
        ids << id;
    TConclusion c;
    c.number = {17, 2026};
    c.date = QDate(2026, 12, 9);
    c.organization = QStringLiteral("ООО «Контроль»");
    const QString path = Journal().dir.filePath(QStringLiteral("Заключение 17-2026.pdf"));
    int pages = 0;
    for (auto _ : state) {
        QList<TConclusionRow> rows;
        for (const TJournalEntry& e : store.Load(ids))
            rows << ConclusionRowOf(e);
        const QByteArray pdf = ConclusionPdf(c, rows);
        pages = int(pdf.count("/Type /Page\n"));
        if (WriteFileAtomically(path, pdf))
            state.SkipWithError("the PDF could not be written");
    }
    state.counters["pages"] = pages;
}
BENCHMARK(BM_ConclusionPdf200)->Unit(benchmark::kMillisecond);

// "Выгрузить в CSV…" of every entry.
static void BM_JournalCsv100k(benchmark::State& state)
{
    if (!Journal().ok)
        return state.SkipWithError("the journal could not be written");
    TSqliteJournalStore store(Journal().path);
    store.Open();
    const QString path = Journal().dir.filePath(QStringLiteral("journal.csv"));
    qint64 bytes = 0;
    for (auto _ : state) {
        // As the window writes it: the rows streamed from the store onto the bytes.
        QByteArray csv = JournalCsvHead();
        if (!store.ForEachEntry(store.Find({}), [&csv](const TJournalEntry& e) { AppendJournalCsvLine(csv, e); }).IsDone())
            state.SkipWithError("the entries could not be read");
        bytes = csv.size();
        if (WriteFileAtomically(path, csv))
            state.SkipWithError("the CSV could not be written");
    }
    state.counters["csv_bytes"] = double(bytes);
}
BENCHMARK(BM_JournalCsv100k)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--write-journal") == 0)
        return WriteJournal(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
