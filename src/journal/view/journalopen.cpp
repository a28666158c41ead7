#include "journal/view/journalopen.h"
#include "core/clock.h"
#include "gui/report.h"
#include "journal/sqlitestore.h"
#include "journal/view/journalwidgets.h"

#include <QDir>
#include <QFileInfo>

namespace kelto {

std::unique_ptr<TJournalStore> OpenFileJournal(const QString& path)
{
    auto store = std::make_unique<TSqliteJournalStore>(path);
    store->SetCheckLater(true);
    const TStoreResult r = store->Open();
    if (r.kind == TStoreResult::Damaged)
        return StartNewJournal(path, r.reason);
    if (!r.IsDone())
        ReportError(QStringLiteral("Журнал не открыт: %1.\nФайл: %2\nЗаписи будут сохранены, когда это станет возможно.")
                        .arg(r.reason, QDir::toNativeSeparators(path)));
    return store;
}

std::unique_ptr<TJournalStore> StartNewJournal(const QString& path, const QString& reason)
{
    if (!AskYes(QStringLiteral("Файл журнала %1 не читается: %2.\n\n"
                               "Файл будет сохранён без изменений как %3. Начать новый пустой журнал?")
                    .arg(QDir::toNativeSeparators(path), reason, QFileInfo(DamagedJournalPath(path, Today())).fileName()),
                QMessageBox::Warning, QStringLiteral("Начать новый"), QStringLiteral("Не открывать")))
        return nullptr;
    auto store = std::make_unique<TSqliteJournalStore>(path);
    if (const TStoreResult again = store->SetAsideAndStartNew(); !again.IsDone()) {
        ReportError(QStringLiteral("Новый журнал не начат: %1.\nФайл: %2").arg(again.reason, QDir::toNativeSeparators(path)));
        return nullptr;
    }
    return store;
}

} // namespace kelto
