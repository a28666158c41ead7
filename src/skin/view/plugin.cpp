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

#include <future>
#include <new>
#include <mutex>
#include <vector>

namespace kelto {

struct TPicturePrefetch::TDecoded {
    QString path;
    QByteArray bytes;
    QSize headerSize;
    QImage image;
};

struct TPicturePrefetch::TState {
    std::future<std::vector<TDecoded>> work;
    std::vector<TDecoded> done;
    bool taken = false;
};

namespace {

std::mutex g_prefetchMutex;
TPicturePrefetch::TState* g_prefetch = nullptr;

// The plug-in's four pictures, each decoded only when its header is of a
// window's size at most: a header claiming more is left to the load, which
// refuses it without decoding it.
std::vector<TPicturePrefetch::TDecoded> DecodePluginPictures(const QString& plgPath)
{
    std::vector<TPicturePrefetch::TDecoded> out;
    try {
        const TPlgLines lines = ReadPlgFile(plgPath);
        const QString folder = QFileInfo(plgPath).path();
        for (TPluginKey key :
             {TPluginKey::MainPicture, TPluginKey::DiaryPicture, TPluginKey::CalcPicture, TPluginKey::AboutPicture}) {
            if (!HasPluginLines(lines, PluginLinesOf(key)))
                continue;
            TPicturePrefetch::TDecoded d;
            d.path = ResolvePictureReference(folder, lines.line(PluginLine(key)));
            const QByteArray format = PictureFormatFor(d.path);
            d.bytes = ReadUnscrambledPicture(d.path);
            QBuffer buffer(&d.bytes);
            buffer.open(QIODevice::ReadOnly);
            QImageReader reader(&buffer, format);
            reader.setDecideFormatFromContent(false);
            d.headerSize = reader.size();
            if (!d.headerSize.isValid() || d.headerSize.width() > 4096 || d.headerSize.height() > 4096)
                continue;
            d.image = reader.read();
            if (d.image.isNull() || !PictureBodyIsWhole(d.bytes, format))
                continue;
            buffer.close();
            out.push_back(std::move(d));
        }
    } catch (...) {
        // The load reads the plug-in again and says what is wrong with it.
    }
    return out;
}

// The prefetched picture of `path` when its file held `bytes`. It stays for
// a second reader: a window built after the load (the About window) shows
// the picture the load only checked.
std::optional<TPicturePrefetch::TDecoded> TakePrefetched(const QString& path, const QByteArray& bytes)
{
    std::lock_guard<std::mutex> lock(g_prefetchMutex);
    if (!g_prefetch)
        return std::nullopt;
    if (!g_prefetch->taken) {
        g_prefetch->done = g_prefetch->work.get();
        g_prefetch->taken = true;
    }
    for (const TPicturePrefetch::TDecoded& d : g_prefetch->done)
        if (d.path == path && d.bytes == bytes)
            return d;
    return std::nullopt;
}

} // namespace

TPicturePrefetch::TPicturePrefetch(const QString& plgPath)
    : m_state(std::make_unique<TState>())
{
    m_state->work = std::async(std::launch::async, DecodePluginPictures, plgPath);
    std::lock_guard<std::mutex> lock(g_prefetchMutex);
    g_prefetch = m_state.get();
}

TPicturePrefetch::~TPicturePrefetch()
{
    std::lock_guard<std::mutex> lock(g_prefetchMutex);
    g_prefetch = nullptr;
    if (m_state->work.valid())
        m_state->work.wait();
}

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
        if (HoldsControlCharacter(f.fileName()))
            continue;
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

void ApplyFontBlock(const std::vector<QWidget*>& controls, const TPlgLines& lines, int firstLine)
{
    for (QWidget* control : controls)
        ApplyFont(control, lines.line(firstLine), lines.line(firstLine + 1), lines.line(firstLine + 2),
                  lines.line(firstLine + 3));
}

// The one text of a failed load, and below it what failed.
void ShowPluginError(const QString& reason)
{
    const QString text = QString::fromUtf8(PluginErrorText);
    ShowWarning(reason.isEmpty() ? text : text + QLatin1Char('\n') + reason);
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
    if (styles & fsItalic)
        InstallItalicFonts();
    font.setBold(styles & fsBold);
    font.setItalic(styles & fsItalic);
    font.setUnderline(styles & fsUnderline);
    font.setStrikeOut(styles & fsStrikeOut);
    control->setFont(font);
}

namespace {

// The picture a reference names, read and checked whole: against `design`
// when given (the header is read first, so a claimed 30000 × 30000 is never
// decoded), and its body must decode. What is wrong names the picture.
QImage ReadCheckedPicture(const QString& pluginFolder, const QString& reference, const QSize* design)
{
    const QString path = ResolvePictureReference(pluginFolder, reference);
    try {
        const QByteArray format = PictureFormatFor(path);
        QByteArray bytes = ReadUnscrambledPicture(path);
        if (auto ready = TakePrefetched(path, bytes)) {
            if (design)
                CheckPictureSize(ready->headerSize, *design);
            return std::move(ready->image);
        }
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, format);
        reader.setDecideFormatFromContent(false);
        if (design)
            CheckPictureSize(reader.size(), *design);
        if (!PictureBodyIsWhole(bytes, format))
            throw Error(QStringLiteral("файл обрезан"));
        QImage image = reader.read();
        if (image.isNull())
            throw Error(QStringLiteral("файл повреждён"));
        return image;
    } catch (const Error& e) {
        throw Error(QStringLiteral("Картинка %1 не открывается: %2").arg(QFileInfo(path).fileName(), e.text()));
    }
}

} // namespace

void LoadPictureInto(QWidget* control, const QString& pluginFolder, const QString& reference)
{
    if (!control)
        throw Error(QStringLiteral("Нет элемента для рисунка %1").arg(reference));
    auto* label = qobject_cast<QLabel*>(control);
    // Checked whole now, not when first painted: a picture that fails later
    // would leave a blank window behind a plug-in already remembered. A
    // window's picture control has its design size, which its picture must
    // have too.
    auto* picture = dynamic_cast<TPictureLabel*>(control);
    const QSize design = picture ? picture->size() : QSize();
    QImage image = ReadCheckedPicture(pluginFolder, reference, picture ? &design : nullptr);
    if (!label)
        throw Error(QStringLiteral("%1 не показывает рисунков").arg(control->objectName()));
    label->setScaledContents(false);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    if (picture)
        picture->ShowPicture(QPixmap::fromImage(std::move(image)));
    else
        label->setPixmap(QPixmap::fromImage(std::move(image)));
}

namespace {

// How much of the plug-in to apply: all of it, strictly (every target
// there); all but the calculation view, whose picture is only checked; or
// only what a view built later holds, silently.
enum class TPart { Whole, CalcLater, ViewLater };

QString UnreadValue(const TPlgLines& lines, int line, const QString& what)
{
    return QStringLiteral("Строка %1 плагина: %2 «%3» не читается").arg(line).arg(what, lines.line(line));
}

// What is wrong with the font block from `first` (the font's name, size,
// colour and styles, one a line), in the user's words; `fallback` (a line
// missing, say) when its values read.
QString FontBlockProblem(const TPlgLines& lines, int first, const QString& fallback)
{
    if (lines.count() < first + 2)
        return fallback;
    try {
        ParseFontSize(lines.line(first + 1));
    } catch (const Error&) {
        return UnreadValue(lines, first + 1, QStringLiteral("размер шрифта"));
    }
    try {
        HexToColor(lines.line(first + 2));
    } catch (const Error&) {
        return UnreadValue(lines, first + 2, QStringLiteral("цвет"));
    }
    return fallback;
}

bool Apply(const QString& path, const TSkinTargets& targets, TPart part, const QSize& calcPictureSize = {},
           const QSize& aboutPictureSize = {})
{
    const bool view = part == TPart::ViewLater;
    try {
        if (HoldsControlCharacter(QFileInfo(path).fileName()))
            throw Error(QStringLiteral("В имени файла плагина есть управляющий знак"));
        const TPlgLines lines = ReadPlgFile(path);
        const QString folder = QFileInfo(path).path();

        // A key the file lacks (only an optional one may) leaves its part.
        const auto has = [&lines](TPluginKey key) { return HasPluginLines(lines, PluginLinesOf(key)); };
        const auto line = [&lines](TPluginKey key) { return lines.line(PluginLine(key)); };
        if (!view && has(TPluginKey::MainPicture))
            LoadPictureInto(targets.mainPicture, folder, line(TPluginKey::MainPicture));
        if (!view && has(TPluginKey::DiaryPicture))
            LoadPictureInto(targets.diaryPicture, folder, line(TPluginKey::DiaryPicture));
        if (has(TPluginKey::CalcPicture)) {
            if (part == TPart::CalcLater)
                ReadCheckedPicture(folder, line(TPluginKey::CalcPicture), &calcPictureSize);
            else if (!view || targets.calcPicture)
                LoadPictureInto(targets.calcPicture, folder, line(TPluginKey::CalcPicture));
        }

        for (const auto& [controls, key] : {std::pair{&targets.menuLabels, TPluginKey::MenuFont},
                                            {&targets.headings, TPluginKey::HeadingFont},
                                            {&targets.captions, TPluginKey::CaptionFont},
                                            {&targets.values, TPluginKey::ValueFont},
                                            {&targets.inputs, TPluginKey::InputFont}}) {
            const int first = PluginLine(key);
            try {
                if (!has(key))
                    continue;
                ApplyFontBlock(*controls, lines, first);
                if (part == TPart::CalcLater) {
                    // A block whose controls are all in the view not built
                    // yet fails the load where it would have failed on them.
                    ParseFontSize(lines.line(first + 1));
                    HexToColor(lines.line(first + 2));
                    ParseFontStyles(lines.line(first + 3));
                }
            } catch (const Error& e) {
                throw Error(FontBlockProblem(lines, first, e.text()));
            }
        }
        if (view) {
            if (targets.aboutPicture && has(TPluginKey::AboutPicture))
                LoadPictureInto(targets.aboutPicture, folder, line(TPluginKey::AboutPicture));
            return true;
        }

        if (!targets.marker)
            throw Error(QStringLiteral("Нет полосы для цвета"));
        const int markerLine = PluginLine(TPluginKey::Marker);
        if (has(TPluginKey::Marker)) {
            QColor marker;
            try {
                marker = ToQColor(HexToColor(lines.line(markerLine)));
            } catch (const Error&) {
                throw Error(UnreadValue(lines, markerLine, QStringLiteral("цвет")));
            }
            QPalette pal = targets.marker->palette();
            pal.setColor(QPalette::Window, marker);
            targets.marker->setPalette(pal);
            targets.marker->setAutoFillBackground(true);
        }

        if (has(TPluginKey::AboutPicture)) {
            if (part == TPart::CalcLater && !targets.aboutPicture)
                ReadCheckedPicture(folder, line(TPluginKey::AboutPicture), &aboutPictureSize);
            else
                LoadPictureInto(targets.aboutPicture, folder, line(TPluginKey::AboutPicture));
        }
        g_current = path;
        return true;
    } catch (const Error& e) {
        if (!view)
            ShowPluginError(e.text());
        return false;
    } catch (const std::bad_alloc&) {
        if (!view)
            ShowPluginError(QStringLiteral("Недостаточно памяти"));
        return false;
    } catch (const std::exception&) {
        if (!view)
            ShowPluginError({});
        return false;
    }
}

} // namespace

bool LoadPlugin(const QString& path, const TSkinTargets& targets)
{
    return Apply(path, targets, TPart::Whole);
}

bool LoadPlugin(const QString& path, const TSkinTargets& targets, const QSize& calcPictureSize,
                const QSize& aboutPictureSize)
{
    return Apply(path, targets, TPart::CalcLater, calcPictureSize, aboutPictureSize);
}

void ApplyPluginToView(const QString& path, const TSkinTargets& view)
{
    Apply(path, view, TPart::ViewLater);
}

std::optional<QString> ChoosePlugin(QWidget* parent, const TSkinTargets& targets)
{
    return ChoosePlugin(parent, [&targets](const QString& path) { return LoadPlugin(path, targets); });
}

std::optional<QString> ChoosePlugin(QWidget* parent, const std::function<bool(const QString&)>& load)
{
    QString start = ProgramFolder();
    while (start.size() > 1 && start.endsWith(QLatin1Char('/')))
        start.chop(1);
    const QString chosen = g_dialog ? g_dialog(parent, start) : RealDialog(parent, start);
    if (chosen.isEmpty() || !load(chosen))
        return std::nullopt;
    return chosen;
}

void SetPluginDialog(std::function<QString(QWidget* parent, const QString& startDir)> dialog)
{
    g_dialog = std::move(dialog);
}

} // namespace kelto
