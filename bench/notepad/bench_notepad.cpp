// One keystroke in the diary notepad holding a long text: a line without a
// single space (word wrap can break it nowhere by the word), and a note of a
// great many short lines. Drawn offscreen; what is timed is everything the
// keystroke runs: the edit, its layout, the code page check, the note rule.

#include "diary/view/diaryview.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTextCursor>
#include <QTextEdit>

#include <benchmark/benchmark.h>

using namespace kelto;

namespace {

void TypeOne(QTextEdit* pad, const QString& ch)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, ch);
    QApplication::sendEvent(pad, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, ch);
    QApplication::sendEvent(pad, &release);
    // Layout and painting happen on the way back to the event loop.
    pad->viewport()->repaint();
    QApplication::processEvents();
}

void Keystroke(benchmark::State& state, const QString& text)
{
    DayList store;
    TDiaryView view(store);
    view.CreateMonthGrid();
    view.ResetToToday();
    auto* notepad = view.findChild<QTextEdit*>(QStringLiteral("reblok"));
    view.show();
    notepad->setPlainText(text);
    notepad->moveCursor(QTextCursor::End);
    notepad->setFocus();
    TypeOne(notepad, QStringLiteral("ж"));
    for (auto _ : state)
        TypeOne(notepad, QStringLiteral("ж"));
    state.counters["chars"] = double(notepad->document()->characterCount());
}

void BM_KeystrokeInLongLine(benchmark::State& state)
{
    Keystroke(state, QString(state.range(0), QLatin1Char('x')));
}

void BM_KeystrokeInManyLines(benchmark::State& state)
{
    // Lines of two characters and a line end, as in a 3 MB note of a
    // million lines.
    QString text;
    text.reserve(state.range(0) * 3);
    for (int i = 0; i < state.range(0); ++i)
        text += QStringLiteral("ab\n");
    Keystroke(state, text);
}

} // namespace

BENCHMARK(BM_KeystrokeInLongLine)
    ->Arg(50000)
    ->Arg(100000)
    ->Arg(200000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
BENCHMARK(BM_KeystrokeInManyLines)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
