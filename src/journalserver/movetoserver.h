// "Перенести записи на сервер": every entry and conclusion of the local
// journal.db copied to the laboratory's server in one transaction, each
// marked with where it came from, so a second run copies nothing twice.
// QtCore + QtSql.
#pragma once
#include "journalserver/serverstore.h"

namespace kelto {

struct TMoveOutcome {
    TStoreResult result;
    int entries = 0;     // copied now
    int conclusions = 0; // copied now
};

TMoveOutcome MoveToServer(TJournalStore& local, TServerJournalStore& server);
// "Перенесено на сервер: 12 записей и 2 заключения." and the like.
QString MoveOutcomeText(const TMoveOutcome& outcome);

} // namespace kelto
