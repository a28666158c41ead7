// One keystroke in the diary notepad holding a long text: a line without a
// single space (word wrap can break it nowhere by the word), and a note of a
// great many short lines. Drawn offscreen; what is timed is everything the
// keystroke runs: the edit, its layout, the code page check, the note rule.

#include "diary/daystore.h"
#include "diary/view/diaryview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <sys/resource.h>
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
    TDayList store;
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

// A day whose note is `lines` lines of `length` characters, shown as the
// program shows it (from the store): the time to show it, the processor time
// the program then takes over 3 s of its event loop (0 when idle), and one
// keystroke.
double ProcessorMs()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

void ShowLargeNote(benchmark::State& state, int lines, int length)
{
    for (auto _ : state) {
        TDayList store;
        StoreNote(store, QDate::currentDate(), QStringList(lines, QString(length, QLatin1Char('x'))));
        TDiaryView view(store);
        view.CreateMonthGrid();
        view.ResetToToday();
        view.show();
        QElapsedTimer clock;
        clock.start();
        view.ShowSelectedDay();
        QApplication::processEvents();
        state.counters["show_ms"] = double(clock.elapsed());
        const double before = ProcessorMs();
        QEventLoop loop;
        QTimer::singleShot(3000, &loop, &QEventLoop::quit);
        loop.exec();
        state.counters["busy_ms_of_3s"] = ProcessorMs() - before;
        view.findChild<QTextEdit*>(QStringLiteral("reblok"))->setFocus();
        QElapsedTimer key;
        key.start();
        TypeOne(view.findChild<QTextEdit*>(QStringLiteral("reblok")), QStringLiteral("ж"));
        state.counters["key_ms"] = double(key.nsecsElapsed()) / 1e6;
    }
}

void BM_ShowNoteOfAMillionLines(benchmark::State& state)
{
    ShowLargeNote(state, 1000000, 2);
}

void BM_ShowParagraphOf10MB(benchmark::State& state)
{
    ShowLargeNote(state, 1, 10000000);
}

void BM_ShowLargestEditableNote(benchmark::State& state)
{
    ShowLargeNote(state, int(MaxNotepadLines), 2);
}

void BM_ShowLongestEditableParagraph(benchmark::State& state)
{
    ShowLargeNote(state, 1, int(MaxNotepadLineLength));
}

} // namespace

BENCHMARK(BM_ShowNoteOfAMillionLines)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ShowParagraphOf10MB)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ShowLargestEditableNote)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ShowLongestEditableParagraph)->Unit(benchmark::kMillisecond)->Iterations(1);
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
