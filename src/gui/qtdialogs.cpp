#include "gui/qtdialogs.h"

#include <QAbstractFileIconProvider>
#include <QApplication>
#include <QEvent>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QIdentityProxyModel>
#include <QLocale>
#include <QSettings>
#include <QHeaderView>
#include <QTreeView>

namespace kelto {

namespace {

// The file system model's columns: name, size, type, date of change.
enum TColumn { Name, Size, Type, Changed };

QString Plural(qint64 n, const char* one, const char* few, const char* many)
{
    const qint64 tens = n % 100, units = n % 10;
    if (tens >= 11 && tens <= 14)
        return QString::fromUtf8(many);
    if (units == 1)
        return QString::fromUtf8(one);
    if (units >= 2 && units <= 4)
        return QString::fromUtf8(few);
    return QString::fromUtf8(many);
}

// Qt's model names types, sizes and dates in the system's language (and
// its own catalogue lacks some of them): the columns are given here.
class TRussianFileColumns : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex& index, int role) const override
    {
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (role != Qt::DisplayRole || !files || index.column() == Name)
            return QIdentityProxyModel::data(index, role);
        const QFileInfo info = files->fileInfo(mapToSource(index));
        switch (index.column()) {
        case Size:
            return info.isDir() ? QString() : FileSizeText(info.size());
        case Type:
            if (info.isDir())
                return QStringLiteral("Папка");
            return info.suffix().isEmpty() ? QStringLiteral("Файл")
                                           : QStringLiteral("Файл %1").arg(info.suffix().toUpper());
        case Changed:
            return QLocale(QLocale::Russian, QLocale::Russia)
                .toString(info.lastModified(), QStringLiteral("dd.MM.yyyy HH:mm"));
        default:
            return QIdentityProxyModel::data(index, role);
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return QIdentityProxyModel::headerData(section, orientation, role);
        switch (section) {
        case Name: return QStringLiteral("Имя");
        case Size: return QStringLiteral("Размер");
        case Type: return QStringLiteral("Тип");
        case Changed: return QStringLiteral("Дата изменения");
        default: return QIdentityProxyModel::headerData(section, orientation, role);
        }
    }
};

// Icons and types from the name alone. Qt's own provider opens files to
// learn their type; opening and closing a file of SQLite's (journal.db and
// its -wal and -shm) drops the locks the program holds on it, and another
// process could then take the journal's last changes away.
class TNameOnlyIcons : public QAbstractFileIconProvider {
public:
    QIcon icon(IconType type) const override { return QAbstractFileIconProvider::icon(type); }
    QIcon icon(const QFileInfo& info) const override { return icon(info.isDir() ? Folder : File); }
    QString type(const QFileInfo& info) const override { return info.isDir() ? QStringLiteral("Папка") : info.suffix(); }
};

// Gives each file dialog its Russian columns as it is first shown.
class TDialogWatch : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show)
            if (auto* dialog = qobject_cast<QFileDialog*>(watched))
                RussianColumns(dialog);
        return false;
    }
};

} // namespace

QString FileSizeText(qint64 bytes)
{
    if (bytes < 1024)
        return QStringLiteral("%1 %2").arg(bytes).arg(Plural(bytes, "байт", "байта", "байт"));
    const QLocale russian(QLocale::Russian, QLocale::Russia);
    double value = double(bytes) / 1024;
    for (const char* unit : {"КБ", "МБ", "ГБ"}) {
        if (value < 1024 || QByteArray(unit) == "ГБ")
            return QStringLiteral("%1 %2").arg(russian.toString(value, 'f', 1), QString::fromUtf8(unit));
        value /= 1024;
    }
    return QString();
}

void RussianColumns(QFileDialog* dialog)
{
    if (dynamic_cast<TRussianFileColumns*>(dialog->proxyModel()))
        return;
    static TNameOnlyIcons icons;
    dialog->setIconProvider(&icons);
    dialog->setProxyModel(new TRussianFileColumns(dialog));
    // The date with its year and time, whole.
    if (auto* details = dialog->findChild<QTreeView*>()) {
        const int wide = details->fontMetrics().horizontalAdvance(QStringLiteral("00.00.0000 00:00")) + 24;
        if (details->header()->sectionSize(Changed) < wide)
            details->header()->resizeSection(Changed, wide);
    }
}

void InstallQtDialogs(const QString& programFolder)
{
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    // Qt's dialogs write QtProject.conf through QSettings of the user's
    // scope; that scope lies in the program folder.
    for (QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
        QSettings::setPath(format, QSettings::UserScope, programFolder);
    static TDialogWatch* watch = nullptr;
    if (!watch) {
        watch = new TDialogWatch(qApp);
        qApp->installEventFilter(watch);
    }
}

} // namespace kelto
