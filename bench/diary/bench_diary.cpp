// A diary of 100 000 days with ten lines each: reading and writing log.cnf
// at start-up and close, and one keystroke's note rule on that store.

#include "diary/diaryfile.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <memory>

#include <benchmark/benchmark.h>

using namespace kelto;

namespace {

constexpr int kRecords = 100000;
constexpr int kLines = 10;

DayList BigDiary()
{
    DayList store;
    store.reserve(kRecords);
    const QDate first(1800, 1, 1);
    for (int i = 0; i < kRecords; ++i) {
        TDayRecord r{first.addDays(i), {}};
        for (int j = 0; j < kLines; ++j)
            r.Lines.append(QStringLiteral("Снимок %1: шов %2, кассета 10×40").arg(i).arg(j));
        store.append(std::move(r));
    }
    return store;
}

const QString& DiaryPath()
{
    static QTemporaryDir dir;
    static const QString path = dir.filePath(QStringLiteral("log.cnf"));
    return path;
}

void BM_LoadAndSaveDiary(benchmark::State& state)
{
    const QString path = DiaryPath();
    if (SaveDiary(path, BigDiary())) {
        state.SkipWithError("cannot write the diary");
        return;
    }
    // Freeing the store is left out: the program does that only at exit.
    for (auto _ : state) {
        auto store = std::make_unique<DayList>();
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

void BM_ParseDiary(benchmark::State& state)
{
    const QByteArray bytes = EncodeDiary(BigDiary());
    for (auto _ : state) {
        auto store = std::make_unique<DayList>();
        benchmark::DoNotOptimize(ParseDiary(bytes, *store));
        state.PauseTiming();
        store.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ParseDiary)->Unit(benchmark::kMillisecond);

void BM_EncodeDiary(benchmark::State& state)
{
    const DayList store = BigDiary();
    for (auto _ : state)
        benchmark::DoNotOptimize(EncodeDiary(store));
}
BENCHMARK(BM_EncodeDiary)->Unit(benchmark::kMillisecond);

// The worst keystroke: the edited day is the last of the store, so the walk
// passes every record, and so does the marking of the shown month.
void BM_KeystrokeOnBigDiary(benchmark::State& state)
{
    DayList store = BigDiary();
    const QDate day = store.last().Date;
    QStringList note = store.last().Lines;
    int n = 0;
    for (auto _ : state) {
        note[0] = QString::number(n++);
        SaveDayNote(store, day, note);
        benchmark::DoNotOptimize(UpdateMarkedDays(store, day.year(), day.month()));
    }
}
BENCHMARK(BM_KeystrokeOnBigDiary)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
