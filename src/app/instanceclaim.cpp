#include "app/instanceclaim.h"

#include "gui/report.h"

#include <QDir>

namespace kelto {

namespace {

bool OtherHostCopyClosed(const QString& lockPath, const QString& host)
{
    TMessageRequest r;
    r.icon = QMessageBox::Question;
    r.caption = QString::fromUtf8(AppTitle);
    r.text = QStringLiteral("Папку программы занимает копия программы на компьютере «%1» (файл %2).\n"
                            "Проверить отсюда, работает ли она, нельзя. Если две копии запишут дневник "
                            "одновременно, записи одной из них пропадут.\n\n"
                            "Запускайте, только если та копия закрыта. Та копия закрыта?")
                 .arg(host, QDir::toNativeSeparators(lockPath));
    r.buttons = QMessageBox::Yes | QMessageBox::No;
    r.defaultButton = QMessageBox::No;
    r.buttonTexts = {{QMessageBox::Yes, QStringLiteral("Закрыта, запустить")}, {QMessageBox::No, QStringLiteral("Выход")}};
    return ShowMessage(r) == QMessageBox::Yes;
}

} // namespace

bool ClaimProgramFolder(TInstanceGuard& guard, const QString& programFolder)
{
    if (guard.Acquire(programFolder, OtherHostCopyClosed))
        return true;
    TMessageRequest r;
    r.icon = QMessageBox::Critical;
    r.caption = QString::fromUtf8(AppTitle);
    switch (guard.Refusal()) {
    case TInstanceGuard::TRefusal::OtherHost:
        return false; // the user said that copy still runs
    case TInstanceGuard::TRefusal::NotAFile:
        r.text = QStringLiteral("Файл блокировки %1 — не обычный файл (папка, ссылка или устройство), "
                                "и программа не может проверить, не запущена ли уже её копия.\n"
                                "Удалите его и запустите программу снова. Выход.")
                     .arg(QDir::toNativeSeparators(guard.RefusedLockPath()));
        break;
    default:
        r.text = QString::fromUtf8(SecondCopyText);
        break;
    }
    ShowMessage(r);
    return false;
}

} // namespace kelto
