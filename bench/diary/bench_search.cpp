// One keystroke in the search panel over the diary of bench_diary: 100 000
// days with ten lines each. A keystroke builds the matcher from the query and
// runs it over every note: its date (a query that reads as a date) and its
// code page 1251 bytes.

#include "core/cp1251.h"
#include "diary/daystore.h"
#include "diary/notesearch.h"

#include <QDate>
#include <vector>

#include <benchmark/benchmark.h>

using namespace kelto;

namespace {

constexpr int kRecords = 100000;
constexpr int kLines = 10;

// The notes as the byte store holds them: lines joined with CR LF.
const std::vector<QByteArray>& BigDiaryBytes()
{
    static const std::vector<QByteArray> notes = [] {
        std::vector<QByteArray> out;
        out.reserve(kRecords);
        for (int i = 0; i < kRecords; ++i) {
            QStringList lines;
            for (int j = 0; j < kLines; ++j)
                lines.append(QStringLiteral("Снимок %1: шов %2, кассета 10х40").arg(i).arg(j));
            out.push_back(ToCp1251(lines.join(QStringLiteral("\r\n"))));
        }
        return out;
    }();
    return notes;
}

// One day each, from 1800 on: 2025 is among them.
const std::vector<QDate>& NoteDates()
{
    static const std::vector<QDate> dates = [] {
        std::vector<QDate> out;
        for (int i = 0; i < kRecords; ++i)
            out.push_back(QDate(1800, 1, 1).addDays(i));
        return out;
    }();
    return dates;
}

void BM_SearchKeystroke(benchmark::State& state, const QString& query)
{
    const auto& notes = BigDiaryBytes();
    const auto& dates = NoteDates();
    qsizetype found = 0;
    for (auto _ : state) {
        // As the search panel runs it.
        const TNoteMatcher matcher(query);
        found = 0;
        matcher.ForEachMatch(
            qsizetype(notes.size()),
            [&](qsizetype i) { return std::pair<QDate, QByteArrayView>(dates[size_t(i)], notes[size_t(i)]); },
            [&](qsizetype) { ++found; });
        benchmark::DoNotOptimize(found);
    }
    state.counters["found"] = double(found);
    qint64 bytes = 0;
    for (const QByteArray& note : notes)
        bytes += note.size();
    state.counters["MB"] = double(bytes) / 1e6;
}
// A word in one note only: every note is read to its end.
BENCHMARK_CAPTURE(BM_SearchKeystroke, one_note, QStringLiteral("СНИМОК 99999:"))->Unit(benchmark::kMillisecond);
// A text that no note holds, its first letter on every line.
BENCHMARK_CAPTURE(BM_SearchKeystroke, no_note, QStringLiteral("кассета 10х50"))->Unit(benchmark::kMillisecond);
// Across a line break: found in every note.
// A look-alike letter: the Latin "c" finds the Cyrillic "с" of every note.
BENCHMARK_CAPTURE(BM_SearchKeystroke, look_alike, QStringLiteral("кacсета 10x40"))->Unit(benchmark::kMillisecond);
// A year: the days of 2025, and every note whose text holds "2025".
BENCHMARK_CAPTURE(BM_SearchKeystroke, year, QStringLiteral("2025"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SearchKeystroke, across_lines, QStringLiteral("10х40 снимок"))->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
