#include "skin/view/plugin.h"

#include "gui/designfont.h"
#include "gui/picturelabel.h"
#include "gui/report.h"
#include "core/error.h"
#include "core/programfolder.h"

#include <QBuffer>
#include <QColor>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <QFileInfo>
#include <QImageReader>
#include <QLabel>
#include <QPixmap>
#include <QWidget>

namespace kelto {

namespace {

std::function<QString(QWidget*, const QString&)> g_dialog;

// Larger sizes are accepted but drawn at this size: a plug-in asking for a
// font of millions of points would otherwise stall every repaint.
constexpr int MaxPointSize = 1000;

// The file dialog, for a plug-in kept outside plugins/.
QString FileDialog(QWidget* parent, const QString& startDir)
{
    QFileDialog dialog(parent);
    dialog.setWindowTitle(QString::fromUtf8(PluginDialogTitle));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilter(QString::fromUtf8(PluginDialogFilter));
    dialog.setDefaultSuffix(QStringLiteral("plg"));
    dialog.setDirectory(startDir);
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}

// The plug-in applied last, marked in the list.
QString g_current;

// The plug-ins of plugins/ by name, the current one marked, and "Другой
// файл…" for one kept elsewhere.
QString RealDialog(QWidget* parent, const QString& startDir)
{
    const QString folder = startDir + QStringLiteral("/plugins");
    QDialog dialog(parent);
    dialog.setWindowTitle(QString::fromUtf8(PluginDialogTitle));
    auto* layout = new QVBoxLayout(&dialog);
    auto* list = new QListWidget(&dialog);
    list->setObjectName(QStringLiteral("lbPlugins"));
    layout->addWidget(list);
    const QFileInfoList files
        = QDir(folder).entryInfoList({QStringLiteral("*.plg")}, QDir::Files | QDir::Readable, QDir::Name);
    for (const QFileInfo& f : files) {
        const bool current = QFileInfo(g_current) == f;
        auto* item = new QListWidgetItem(
            current ? f.completeBaseName() + QStringLiteral(" (выбран сейчас)") : f.completeBaseName(), list);
        item->setData(Qt::UserRole, f.absoluteFilePath());
        if (current) {
            QFont bold = list->font();
            bold.setBold(true);
            item->setFont(bold);
            list->setCurrentItem(item);
        }
    }
    if (!list->currentItem() && list->count() > 0)
        list->setCurrentRow(0);
    auto* buttons = new QDialogButtonBox(&dialog);
    QPushButton* choose = buttons->addButton(QStringLiteral("Выбрать"), QDialogButtonBox::AcceptRole);
    QPushButton* other = buttons->addButton(QStringLiteral("Другой файл…"), QDialogButtonBox::ActionRole);
    buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole);
    choose->setEnabled(list->count() > 0);
    layout->addWidget(buttons);
    QString chosen;
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(list, &QListWidget::itemActivated, &dialog, &QDialog::accept);
    QObject::connect(other, &QPushButton::clicked, &dialog, [&] {
        chosen = FileDialog(&dialog, QDir(folder).exists() ? folder : startDir);
        if (!chosen.isEmpty())
            dialog.done(QDialog::Accepted + 1);
    });
    list->setFocus();
    const int result = dialog.exec();
    if (result == QDialog::Accepted && list->currentItem())
        return list->currentItem()->data(Qt::UserRole).toString();
    return result == QDialog::Accepted + 1 ? chosen : QString();
}

// Depth-first search by object name that stays inside `root`'s own window:
// a dialog parented to the main window has controls of the same names.
QWidget* FindIn(QWidget* root, const QString& name)
{
    for (QObject* child : root->children()) {
        auto* w = qobject_cast<QWidget*>(child);
        if (!w || w->isWindow())
            continue;
        if (w->objectName() == name)
            return w;
    }
    for (QObject* child : root->children()) {
        auto* w = qobject_cast<QWidget*>(child);
        if (!w || w->isWindow())
            continue;
        if (QWidget* found = FindIn(w, name))
            return found;
    }
    return nullptr;
}

QWidget* Control(QWidget* root, const char* name)
{
    if (!root)
        throw Error(QStringLiteral("Нет окна для элемента %1").arg(QLatin1String(name)));
    if (root->objectName() == QLatin1String(name))
        return root;
    QWidget* w = FindIn(root, QLatin1String(name));
    if (!w)
        throw Error(QStringLiteral("Нет элемента %1").arg(QLatin1String(name)));
    return w;
}

// Where LoadPlugin's steps go: the control now, or, while `later` is open,
// a view not built yet that gets them when it is.
struct TTargets {
    QWidget* root;
    TSkinLater* later;

    // The control, or nullptr when its step is to be kept for later.
    QWidget* Now(const char* name) const
    {
        if (root && later && later->Open() && root->objectName() != QLatin1String(name)
            && !FindIn(root, QLatin1String(name)))
            return nullptr;
        return Control(root, name);
    }
};

void ApplyFontBlock(const TTargets& to, const TPlgLines& lines, int firstLine, std::initializer_list<const char*> names)
{
    const QString name = lines.line(firstLine), size = lines.line(firstLine + 1), colour = lines.line(firstLine + 2),
                  style = lines.line(firstLine + 3);
    for (const char* control : names) {
        if (QWidget* w = to.Now(control)) {
            ApplyFont(w, name, size, colour, style);
            continue;
        }
        to.later->Keep(QLatin1String(control), [=](QWidget* w) { ApplyFont(w, name, size, colour, style); });
        // What ApplyFont would throw, in its order: the kept step then stops
        // where it would have stopped, and so does the load.
        ParseFontSize(size);
        HexToColor(colour);
        ParseFontStyles(style);
    }
}

// A picture file read and checked whole: its size is the design size of
// the control it is for (when that is a window's picture, `design` given;
// the header is read first, so a claimed 30000 × 30000 is never decoded),
// and its body decodes. Checked at load, not when first painted: a picture
// that failed later would leave a blank window behind a plug-in already
// remembered.
QImage ReadPicture(const QString& pluginFolder, const QString& reference, const QSize* design)
{
    const QString path = ResolvePictureReference(pluginFolder, reference);
    const QByteArray format = PictureFormatFor(path);
    QByteArray bytes = ReadUnscrambledPicture(path);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setDecideFormatFromContent(false);
    if (design)
        CheckPictureSize(reader.size(), *design);
    QImage image = reader.read();
    if (image.isNull() || !PictureBodyIsWhole(bytes, format))
        throw Error(QStringLiteral("Рисунок %1 не читается: %2").arg(path, reader.errorString()));
    return image;
}

void ShowPicture(QWidget* control, const QImage& image)
{
    auto* label = qobject_cast<QLabel*>(control);
    if (!label)
        throw Error(QStringLiteral("%1 не показывает рисунков").arg(control->objectName()));
    label->setScaledContents(false);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    if (auto* picture = dynamic_cast<TPictureLabel*>(control))
        picture->ShowPicture(QPixmap::fromImage(image));
    else
        label->setPixmap(QPixmap::fromImage(image));
}

void PictureStep(const TTargets& to, const char* control, const QString& folder, const QString& reference)
{
    if (QWidget* w = to.Now(control)) {
        LoadPictureInto(w, folder, reference);
        return;
    }
    // Read and checked now against the design size the view will give it,
    // so a broken picture fails the load now; shown from what was read,
    // whatever becomes of the file meanwhile.
    const QImage image = ReadPicture(folder, reference, to.later->PictureSize(QLatin1String(control)));
    to.later->Keep(QLatin1String(control), [image](QWidget* w) { ShowPicture(w, image); });
}

void ShowPluginError()
{
    ShowWarning(QString::fromUtf8(PluginErrorText));
}

} // namespace

QColor ToQColor(TColor value)
{
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

void ApplyFont(QWidget* control, const QString& name, const QString& size, const QString& colour, const QString& style)
{
    QFont font = control->font();
    font.setFamily(ResolveFontFamily(name));
    control->setFont(font);

    const int points = ParseFontSize(size);
    if (points > 0) {
        font.setPointSize(std::min(points, MaxPointSize));
    } else if (points < 0) {
        // A negative size is a character height in pixels at 96 dpi, as the
        // design toolkit reads it.
        font.setPixelSize(std::min(int((qint64(-qint64(points)) * 96 + 36) / 72), MaxPointSize));
    }
    control->setFont(font);

    const QColor c = ToQColor(HexToColor(colour));
    QPalette pal = control->palette();
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive}) {
        pal.setColor(g, QPalette::WindowText, c);
        pal.setColor(g, QPalette::Text, c);
        pal.setColor(g, QPalette::ButtonText, c);
    }
    control->setPalette(pal);

    font.setBold(false);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    control->setFont(font);

    const TFontStyles styles = ParseFontStyles(style);
    font.setBold(styles & fsBold);
    font.setItalic(styles & fsItalic);
    font.setUnderline(styles & fsUnderline);
    font.setStrikeOut(styles & fsStrikeOut);
    control->setFont(font);
}

void LoadPictureInto(QWidget* control, const QString& pluginFolder, const QString& reference)
{
    auto* picture = dynamic_cast<TPictureLabel*>(control);
    const QSize design = picture ? picture->size() : QSize();
    ShowPicture(control, ReadPicture(pluginFolder, reference, picture ? &design : nullptr));
}

void TSkinLater::ApplyTo(QWidget* view)
{
    m_open = false;
    auto steps = std::move(m_steps);
    m_steps.clear();
    for (const auto& [name, step] : steps) {
        QWidget* w = view->objectName() == name ? view : FindIn(view, name);
        if (!w)
            continue;
        try {
            step(w);
        } catch (const std::exception&) {
            // Said when the plug-in was loaded; the steps before stay, as
            // they stayed on the controls that were there.
        }
    }
}

bool LoadPlugin(const QString& path, QWidget* mainWindow, QWidget* aboutWindow, TSkinLater* later)
{
    try {
        const TPlgLines lines = ReadPlgFile(path);
        const QString folder = QFileInfo(path).path();
        const TTargets to{mainWindow, later};

        PictureStep(to, "Image1", folder, lines.line(2));
        PictureStep(to, "Image3", folder, lines.line(3));
        PictureStep(to, "Image2", folder, lines.line(4));

        ApplyFontBlock(to, lines, 6, {"l1", "l2", "l3", "l4", "l5"});
        ApplyFontBlock(to, lines, 11, {"Label37", "Label38", "Label5", "Label6", "Label7", "Label40"});
        ApplyFontBlock(to, lines, 16,
                       {"Label8", "Label9", "Label10", "Label11", "Label12", "Label13", "Label14", "Label15", "Label17",
                        "Label22", "Label24", "Label29", "Label35", "Label3", "Label41", "Label42", "Label43",
                        "lSource"});
        ApplyFontBlock(to, lines, 21,
                       {"lFocRast", "lSens", "lPerimetr", "lExpo", "lCount", "Ldlin", "lBlok", "focalCheck",
                        "angleCheck", "wireCheck"});
        ApplyFontBlock(
            to, lines, 26,
            {"eYear", "cbDay", "reblok", "eRast", "ePatno", "eDlin", "eDiam", "eTol", "cbSens", "cbSheme", "lb"});

        QWidget* pCur = Control(mainWindow, "pCur");
        const QColor marker = ToQColor(HexToColor(lines.line(31)));
        QPalette pal = pCur->palette();
        pal.setColor(QPalette::Window, marker);
        pCur->setPalette(pal);
        pCur->setAutoFillBackground(true);

        LoadPictureInto(Control(aboutWindow, "Image1"), folder, lines.line(33));
        g_current = path;
        return true;
    } catch (const std::exception&) {
        ShowPluginError();
        return false;
    }
}

std::optional<QString> ChoosePlugin(QWidget* mainWindow, QWidget* aboutWindow, TSkinLater* later)
{
    QString start = ProgramFolder();
    while (start.size() > 1 && start.endsWith(QLatin1Char('/')))
        start.chop(1);
    const QString chosen = g_dialog ? g_dialog(mainWindow, start) : RealDialog(mainWindow, start);
    if (chosen.isEmpty() || !LoadPlugin(chosen, mainWindow, aboutWindow, later))
        return std::nullopt;
    return chosen;
}

void SetPluginDialog(std::function<QString(QWidget* parent, const QString& startDir)> dialog)
{
    g_dialog = std::move(dialog);
}

} // namespace kelto
