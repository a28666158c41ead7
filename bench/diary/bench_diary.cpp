// A diary of 100 000 days with ten lines each: reading and writing log.cnf
// at start-up and close, the reading alone in a fresh process (cold heap) with
// the memory the store then holds, and one notepad keystroke on that diary
// with the month grid's repaint, drawn offscreen.

#include "diary/diaryfile.h"
#include "diary/view/monthgrid.h"
#include "diary/view/diaryview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextEdit>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <vector>

#include <benchmark/benchmark.h>

using namespace kelto;

namespace {

constexpr int kRecords = 100000;
constexpr int kLines = 10;
const QDate kFirst(1800, 1, 1);

QString NoteLine(int i, int j)
{
    return QStringLiteral("Снимок %1: шов %2, кассета 10×40").arg(i).arg(j);
}

TDayList BigDiary()
{
    TDayList store;
    for (int i = 0; i < kRecords; ++i) {
        QStringList lines;
        for (int j = 0; j < kLines; ++j)
            lines.append(NoteLine(i, j));
        StoreNote(store, kFirst.addDays(i), lines);
    }
    return store;
}

const QString& DiaryPath()
{
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString p = dir.filePath(QStringLiteral("log.cnf"));
        if (SaveDiary(p, BigDiary()))
            qFatal("cannot write the diary");
        return p;
    }();
    return path;
}

qint64 ResidentBytes()
{
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> parts = f.readAll().split(' ');
    return parts.size() > 1 ? parts[1].toLongLong() * 4096 : 0;
}

qint64 CpuNanoseconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// The child side of the cold reading: one LoadDiary in a process that has
// done nothing else, then the time and the resident memory it added.
int ColdLoadChild(const char* path)
{
    const qint64 before = ResidentBytes();
    TDayList store;
    const qint64 cpu0 = CpuNanoseconds();
    QElapsedTimer t;
    t.start();
    LoadDiary(QString::fromLocal8Bit(path), store);
    const qint64 ns = t.nsecsElapsed();
    const qint64 cpu = CpuNanoseconds() - cpu0;
    const qint64 after = ResidentBytes();
    std::printf("%lld %lld %lld %lld\n", (long long)ns, (long long)(after - before), (long long)store.size(),
                (long long)cpu);
    return 0;
}

void BM_LoadAndSaveDiary(benchmark::State& state)
{
    const QString path = DiaryPath();
    // Freeing the store is left out: the program does that only at exit.
    for (auto _ : state) {
        auto store = std::make_unique<TDayList>();
        LoadDiary(path, *store);
        if (store->size() != kRecords || SaveDiary(path, *store)) {
            state.SkipWithError("round trip failed");
            return;
        }
        state.PauseTiming();
        store.reset();
        state.ResumeTiming();
    }
    state.counters["bytes"] = double(QFileInfo(path).size());
}
BENCHMARK(BM_LoadAndSaveDiary)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_SaveDiary(benchmark::State& state)
{
    const QString path = DiaryPath();
    TDayList store;
    LoadDiary(path, store);
    for (auto _ : state)
        if (SaveDiary(path, store)) {
            state.SkipWithError("save failed");
            return;
        }
}
BENCHMARK(BM_SaveDiary)->Unit(benchmark::kMillisecond);

// LoadDiary as start-up meets it: a fresh process, nothing on the heap yet.
// Reported: the median of the runs; rss_per_file is the resident memory the
// load added (the store) over the file's size.
void BM_ColdLoadDiary(benchmark::State& state)
{
    const QString path = DiaryPath();
    const double fileBytes = double(QFileInfo(path).size());
    std::vector<double> seconds, rss, cpu;
    for (auto _ : state) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--cold-load"), path});
        if (!child.waitForFinished(60000)) {
            state.SkipWithError("the child did not finish");
            return;
        }
        const QList<QByteArray> parts = child.readAllStandardOutput().trimmed().split(' ');
        if (parts.size() != 4 || parts[2].toLongLong() != kRecords) {
            state.SkipWithError("the child did not read the diary");
            return;
        }
        seconds.push_back(parts[0].toDouble() * 1e-9);
        rss.push_back(parts[1].toDouble());
        cpu.push_back(parts[3].toDouble() * 1e-9);
        state.SetIterationTime(seconds.back());
    }
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v.empty() ? 0.0 : v[v.size() / 2];
    };
    state.counters["median_ms"] = median(seconds) * 1e3;
    state.counters["cpu_ms"] = median(cpu) * 1e3;
    state.counters["store_MB"] = median(rss) / 1e6;
    state.counters["rss_per_file"] = median(rss) / fileBytes;
}
BENCHMARK(BM_ColdLoadDiary)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(15);

void BM_ParseDiary(benchmark::State& state)
{
    const QByteArray bytes = EncodeDiary(BigDiary());
    for (auto _ : state) {
        auto store = std::make_unique<TDayList>();
        benchmark::DoNotOptimize(ParseDiary(bytes, *store));
        state.PauseTiming();
        store.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ParseDiary)->Unit(benchmark::kMillisecond);

void BM_EncodeDiary(benchmark::State& state)
{
    const TDayList store = BigDiary();
    for (auto _ : state)
        benchmark::DoNotOptimize(EncodeDiary(store));
}
BENCHMARK(BM_EncodeDiary)->Unit(benchmark::kMillisecond);

// What the autosave does on the window's thread: it copies the store (the
// notes' bytes are shared, not copied); the encoding, writing and flushing
// happen on a worker.
void BM_AutoSaveSnapshot(benchmark::State& state)
{
    TDayList store;
    LoadDiary(DiaryPath(), store);
    for (auto _ : state) {
        auto copy = std::make_unique<TDayList>(store);
        benchmark::DoNotOptimize(copy.get());
        state.PauseTiming();
        copy.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_AutoSaveSnapshot)->Unit(benchmark::kMillisecond);

void Key(QWidget* w, int key, const QString& text)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(w, &release);
}

// Paints what is waiting to be painted now, as the next frame would, rather
// than when the window system's frame timer comes round.
void PaintNow(QWidget& window)
{
    QCoreApplication::sendPostedEvents();
    QEvent request(QEvent::UpdateRequest);
    QApplication::sendEvent(&window, &request);
}

// One notepad keystroke in the diary view, the way the user meets it: the
// note rules, the marks and whatever the window then repaints (the grid
// included), drawn offscreen. The edited day is the last of the store, so a
// walk passes every record. Each round types a letter and takes it back with
// Backspace; us_per_key is the cost of one key.
void BM_KeystrokeWithRepaint(benchmark::State& state)
{
    TDayList store = BigDiary();
    TDiaryView view(store);
    view.CreateMonthGrid();
    view.ClearMarkedDays();
    view.ResetToToday();
    auto* grid = view.findChild<TMonthGrid*>(QStringLiteral("MonthGrid"));
    grid->setSelectedDate(kFirst.addDays(kRecords - 1));
    view.UpdateMarkedDays();
    view.show();
    auto* notepad = view.findChild<QTextEdit*>(QStringLiteral("reblok"));
    notepad->setFocus();
    notepad->moveCursor(QTextCursor::End);
    QCoreApplication::processEvents();
    PaintNow(view);
    qint64 gridPaints = 0;
    struct TPaintCounter : QObject {
        qint64* n;
        explicit TPaintCounter(qint64* c)
            : n(c)
        {
        }
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::Paint)
                ++*n;
            return false;
        }
    } counter(&gridPaints);
    grid->installEventFilter(&counter);
    QElapsedTimer wall;
    wall.start();
    const qint64 cpu0 = CpuNanoseconds();
    for (auto _ : state) {
        Key(notepad, Qt::Key_X, QStringLiteral("x"));
        PaintNow(view);
        Key(notepad, Qt::Key_Backspace, QStringLiteral("\b"));
        PaintNow(view);
    }
    const double keys = double(std::max<qint64>(1, state.iterations() * 2));
    state.counters["wall_us_per_key"] = double(wall.nsecsElapsed()) / 1e3 / keys;
    state.counters["cpu_us_per_key"] = double(CpuNanoseconds() - cpu0) / 1e3 / keys;
    state.counters["grid_paints_per_key"] = double(gridPaints) / keys;
}
BENCHMARK(BM_KeystrokeWithRepaint)->Unit(benchmark::kMicrosecond)->MinTime(2.0);

// The store's part of a keystroke alone: the note rule and the marks.
void BM_KeystrokeOnBigDiary(benchmark::State& state)
{
    TDayList store = BigDiary();
    const QDate day = kFirst.addDays(kRecords - 1);
    QStringList note = LoadDayNote(store, day);
    int n = 0;
    for (auto _ : state) {
        note[0] = QString::number(n++);
        StoreNote(store, day, note);
        benchmark::DoNotOptimize(UpdateMarkedDays(store, day.year(), day.month()));
    }
}
BENCHMARK(BM_KeystrokeOnBigDiary)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--cold-load") == 0)
        return ColdLoadChild(argv[2]);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
