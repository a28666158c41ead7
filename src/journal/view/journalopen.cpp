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
    const TStoreResult r = store->Open();
    if (r.kind == TStoreResult::Damaged) {
        if (!AskYes(QStringLiteral("Файл журнала %1 не читается: %2.\n\n"
                                   "Файл будет сохранён без изменений как %3. Начать новый пустой журнал?")
                        .arg(QDir::toNativeSeparators(path), r.reason,
                             QFileInfo(DamagedJournalPath(path, Today())).fileName()),
                    QMessageBox::Warning, QStringLiteral("Начать новый"), QStringLiteral("Не открывать")))
            return nullptr;
        if (const TStoreResult again = store->SetAsideAndStartNew(); !again.IsDone()) {
            ReportError(QStringLiteral("Новый журнал не начат: %1.\nФайл: %2").arg(again.reason, QDir::toNativeSeparators(path)));
            return nullptr;
        }
        return store;
    }
    if (!r.IsDone())
        ReportError(QStringLiteral("Журнал не открыт: %1.\nФайл: %2\nЗаписи будут сохранены, когда это станет возможно.")
                        .arg(r.reason, QDir::toNativeSeparators(path)));
    return store;
}

} // namespace kelto
