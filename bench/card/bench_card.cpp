// "Сохранить PDF…" of the technique card: the card built from the default
// calculation, drawn into a one-page PDF and written through the atomic save
// path (goal: 200 ms).
#include "core/textfile.h"
#include "calc/view/cardpage.h"

#include <QApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace kelto;

namespace {

TTechniqueCard DefaultCard()
{
    const TLayoutInputs in{QStringLiteral("219"),
                           QStringLiteral("6,0"),
                           QStringLiteral("300"),
                           QStringLiteral("100"),
                           QStringLiteral("2,5"),
                           3,
                           3};
    TLayoutResults out;
    CalculateLayout(in, out);
    TCardFields fields;
    fields.organization = QStringLiteral("ООО «Контроль»");
    fields.madeBy = QStringLiteral("Иванов И. И.");
    return GostCard(in, out, CheckLayout(in, out), fields, std::nullopt, QDate(2026, 12, 8));
}

} // namespace

static void BM_CardPdfToFile(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Карта 219x6,0 08.12.2026.pdf"));
    qint64 bytes = 0;
    for (auto _ : state) {
        const QByteArray pdf = CardPdf(DefaultCard());
        bytes = pdf.size();
        if (WriteFileAtomically(path, pdf))
            state.SkipWithError("the PDF could not be written");
    }
    state.counters["pdf_bytes"] = double(bytes);
}
BENCHMARK(BM_CardPdfToFile)->Unit(benchmark::kMillisecond);

// The rows alone: what the open window redoes on every change.
static void BM_GostCard(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(DefaultCard());
}
BENCHMARK(BM_GostCard)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
