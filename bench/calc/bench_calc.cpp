// Every keystroke in the calculation view reruns the whole update, so both
// the bare calculation and the full view update must stay far below what a
// typist can notice (goal for the update: under 50 µs).
#include "gui/report.h"
#include "calc/view/calcview.h"
#include "calc/layout.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <benchmark/benchmark.h>

using namespace kelto;

static void BM_CalculateLayout(benchmark::State& state)
{
    TLayoutInputs in;
    in.eDiam = QStringLiteral("219");
    in.eTol = QStringLiteral("6,0");
    in.eDlin = QStringLiteral("300");
    in.eRast = QStringLiteral("100");
    in.ePatno = QStringLiteral("2,5");
    in.cbSheme = int(state.range(0));
    for (auto _ : state) {
        TLayoutResults out;
        auto error = CalculateLayout(in, out);
        benchmark::DoNotOptimize(error);
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(BM_CalculateLayout)->Arg(0)->Arg(3)->Arg(6);

static void BM_Recalculate(benchmark::State& state)
{
    TCalcView view;
    view.PlaceSchemePictures();
    view.show();
    QApplication::processEvents();
    // Alternate two schemes so that the picture and two results change on
    // every run, as they do when the user works; the list's own signal is
    // held back so that only the one update is measured.
    bool flip = false;
    for (auto _ : state) {
        {
            const QSignalBlocker block(view.findChild<QComboBox*>(QStringLiteral("cbSheme")));
            view.findChild<QComboBox*>(QStringLiteral("cbSheme"))->setCurrentIndex(flip ? 2 : 3);
        }
        flip = !flip;
        view.Recalculate();
    }
    QApplication::processEvents();
}
BENCHMARK(BM_Recalculate)->Unit(benchmark::kMicrosecond);

// The same inputs again: nothing on screen changes.
static void BM_RecalculateUnchanged(benchmark::State& state)
{
    TCalcView view;
    view.PlaceSchemePictures();
    view.show();
    QApplication::processEvents();
    for (auto _ : state)
        view.Recalculate();
}
BENCHMARK(BM_RecalculateUnchanged)->Unit(benchmark::kMicrosecond);

// A typed digit: the edit's change event runs the update.
static void BM_KeystrokeUpdate(benchmark::State& state)
{
    TCalcView view;
    view.PlaceSchemePictures();
    view.show();
    QApplication::processEvents();
    bool flip = false;
    for (auto _ : state) {
        view.findChild<QLineEdit*>(QStringLiteral("eRast"))
            ->setText(flip ? QStringLiteral("100") : QStringLiteral("1000"));
        flip = !flip;
    }
}
BENCHMARK(BM_KeystrokeUpdate)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    kelto::SetMessageHandler([](const kelto::TMessageRequest&) { return QMessageBox::Ok; });
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
