// The search field of an open journal window timed the same way over any
// store: the file's benchmark and the laboratory server's include it.
#pragma once
#include "journal/view/journalmodel.h"
#include "journal/view/tfjournal.h"

#include <QApplication>
#include <QEventLoop>
#include <QLineEdit>
#include <QTableView>
#include <benchmark/benchmark.h>

namespace kelto::bench {

// What Arg picks: a joint's number (few found), a word in every entry (all
// found), a month.
inline QString TypedSearch(const benchmark::State& state)
{
    return QStringList{QStringLiteral("т-17"), QStringLiteral("газопровод"),
                       QStringLiteral("11.2024")}[int(state.range(0))];
}

// One keystroke: the query and the table's first rows (`wholeList` false),
// or until the whole list is in and counted (read on another thread after
// the first rows show). The same search with and without a space after it,
// a keystroke each; Enter runs it at once, without the typing pause.
inline void TimeSearch(benchmark::State& state, TfJournal& window, bool wholeList)
{
    auto* search = window.findChild<QLineEdit*>(QStringLiteral("eSearch"));
    auto* model = qobject_cast<TJournalModel*>(window.findChild<QTableView*>()->model());
    const QString typed = TypedSearch(state);
    int i = 0;
    for (auto _ : state) {
        QEventLoop wait;
        QObject::connect(model, &TJournalModel::Completed, &wait, &QEventLoop::quit);
        search->setText(i++ % 2 ? typed + QLatin1Char(' ') : typed);
        emit search->returnPressed();
        if (!wholeList)
            QApplication::processEvents();
        else if (!model->IsComplete())
            wait.exec();
    }
    state.counters["found"] = double(model->rowCount());
}

} // namespace kelto::bench
