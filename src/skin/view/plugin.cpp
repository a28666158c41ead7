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
        for (const TPluginLines& row : PluginTable) {
            if (row.kind != TPluginValue::Picture || !HasPluginLines(lines, row))
                continue;
            TPicturePrefetch::TDecoded d;
            d.path = ResolvePictureReference(folder, lines.line(row.first));
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

// The plug-ins of plugins/ by name, the current one marked, and "Другой
// файл…" for one kept elsewhere.
QString RealDialog(QWidget* parent, const QString& startDir, const QString& current)
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
        const bool isCurrent = QFileInfo(current) == f;
        auto* item = new QListWidgetItem(
            isCurrent ? f.completeBaseName() + QStringLiteral(" (выбран сейчас)") : f.completeBaseName(), list);
        item->setData(Qt::UserRole, f.absoluteFilePath());
        if (isCurrent) {
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

void ApplyFont(QWidget* control, const TPluginFont& read)
{
    QFont font = control->font();
    font.setFamily(ResolveFontFamily(read.name));
    control->setFont(font);
    if (read.read == TPluginFont::TRead::Name)
        throw TError(read.problem);

    if (read.size > 0) {
        font.setPointSize(std::min(read.size, MaxPointSize));
    } else if (read.size < 0) {
        // A negative size is a character height in pixels at 96 dpi, as the
        // design toolkit reads it.
        font.setPixelSize(std::min(int((qint64(-qint64(read.size)) * 96 + 36) / 72), MaxPointSize));
    }
    control->setFont(font);
    if (read.read == TPluginFont::TRead::Size)
        throw TError(read.problem);

    const QColor c = ToQColor(read.colour);
    QPalette pal = control->palette();
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive}) {
        pal.setColor(g, QPalette::WindowText, c);
        pal.setColor(g, QPalette::Text, c);
        pal.setColor(g, QPalette::ButtonText, c);
    }
    control->setPalette(pal);

    if (read.styles & fsItalic)
        InstallItalicFonts();
    font.setBold(read.styles & fsBold);
    font.setItalic(read.styles & fsItalic);
    font.setUnderline(read.styles & fsUnderline);
    font.setStrikeOut(read.styles & fsStrikeOut);
    control->setFont(font);
}

TPluginPicture ReadPluginPicture(const QString& pluginFolder, const QString& reference, const QSize& design)
{
    // Checked whole now, not when first painted: a picture that fails later
    // would leave a blank window behind a plug-in already remembered. The
    // header is read first, so a claimed 30000 × 30000 is never decoded.
    const QString path = ResolvePictureReference(pluginFolder, reference);
    TPluginPicture picture{QFileInfo(path).fileName(), {}};
    try {
        const QByteArray format = PictureFormatFor(path);
        QByteArray bytes = ReadUnscrambledPicture(path);
        if (auto ready = TakePrefetched(path, bytes)) {
            if (design.isValid())
                CheckPictureSize(ready->headerSize, design);
            picture.image = std::move(ready->image);
            return picture;
        }
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, format);
        reader.setDecideFormatFromContent(false);
        if (design.isValid())
            CheckPictureSize(reader.size(), design);
        if (!PictureBodyIsWhole(bytes, format))
            throw TError(QStringLiteral("файл обрезан"));
        picture.image = reader.read();
        if (picture.image.isNull())
            throw TError(QStringLiteral("файл повреждён"));
        return picture;
    } catch (const TError& e) {
        throw TError(QStringLiteral("Картинка %1 не открывается: %2").arg(picture.fileName, e.text()));
    }
}

void ShowPluginPicture(QLabel* control, const TPluginPicture& picture)
{
    auto* designed = dynamic_cast<TPictureLabel*>(control);
    if (designed) {
        try {
            CheckPictureSize(picture.image.size(), designed->size());
        } catch (const TError& e) {
            throw TError(QStringLiteral("Картинка %1 не открывается: %2").arg(picture.fileName, e.text()));
        }
    }
    control->setScaledContents(false);
    control->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    if (designed)
        designed->ShowPicture(QPixmap::fromImage(picture.image));
    else
        control->setPixmap(QPixmap::fromImage(picture.image));
}

TPictureSizes DesignSizes(const TSkinTargets& targets)
{
    TPictureSizes sizes;
    for (const auto& [key, control] : {std::pair{TPluginKey::MainPicture, targets.mainPicture},
                                       {TPluginKey::DiaryPicture, targets.diaryPicture},
                                       {TPluginKey::CalcPicture, targets.calcPicture},
                                       {TPluginKey::AboutPicture, targets.aboutPicture}})
        if (auto* designed = dynamic_cast<TPictureLabel*>(control))
            sizes[key] = designed->size();
    return sizes;
}

namespace {

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
    } catch (const TError&) {
        return UnreadValue(lines, first + 1, QStringLiteral("размер шрифта"));
    }
    try {
        HexToColor(lines.line(first + 2));
    } catch (const TError&) {
        return UnreadValue(lines, first + 2, QStringLiteral("цвет"));
    }
    return fallback;
}

// One key's lines into `plugin`; kelto::TError with the user's words when
// they do not read.
void ReadKey(TPlugin& plugin, const TPlgLines& lines, const TPluginLines& row, const TPictureSizes& sizes)
{
    // An optional key the file lacks leaves its part.
    if (row.kind != TPluginValue::Font && !HasPluginLines(lines, row))
        return;
    switch (row.kind) {
    case TPluginValue::Picture: {
        const auto size = sizes.find(row.key);
        plugin.pictures[row.key] = ReadPluginPicture(QFileInfo(plugin.path).path(), lines.line(row.first),
                                                     size == sizes.end() ? QSize() : size->second);
        return;
    }
    case TPluginValue::Font:
        try {
            if (!HasPluginLines(lines, row))
                return;
            const auto line = [&](int n) { return lines.line(row.first + n); };
            const TPluginFont& font = plugin.fonts[row.key] = ReadFontBlock(line(0), line(1), line(2), line(3));
            if (font.read != TPluginFont::TRead::Whole)
                throw TError(font.problem);
        } catch (const TError& e) {
            throw TError(FontBlockProblem(lines, row.first, e.text()));
        }
        return;
    case TPluginValue::Colour: try { plugin.marker = HexToColor(lines.line(row.first));
        } catch (const TError&) {
            throw TError(UnreadValue(lines, row.first, QStringLiteral("цвет")));
        }
        return;
    }
}

std::vector<QWidget*> FontTargets(const TSkinTargets& targets, TPluginKey key)
{
    switch (key) {
    case TPluginKey::MenuFont: return targets.menuLabels;
    case TPluginKey::HeadingFont: return targets.headings;
    case TPluginKey::CaptionFont: return targets.captions;
    case TPluginKey::ValueFont: return targets.values;
    case TPluginKey::InputFont: return targets.inputs;
    default: return {};
    }
}

QLabel* PictureTarget(const TSkinTargets& targets, TPluginKey key)
{
    switch (key) {
    case TPluginKey::MainPicture: return targets.mainPicture;
    case TPluginKey::DiaryPicture: return targets.diaryPicture;
    case TPluginKey::CalcPicture: return targets.calcPicture;
    case TPluginKey::AboutPicture: return targets.aboutPicture;
    default: return nullptr;
    }
}

void ApplyKey(const TPlugin& plugin, const TPluginLines& row, const TSkinTargets& targets)
{
    switch (row.kind) {
    case TPluginValue::Picture:
        if (const auto picture = plugin.pictures.find(row.key); picture != plugin.pictures.end())
            if (QLabel* control = PictureTarget(targets, row.key))
                ShowPluginPicture(control, picture->second);
        return;
    case TPluginValue::Font:
        if (const auto font = plugin.fonts.find(row.key); font != plugin.fonts.end())
            for (QWidget* control : FontTargets(targets, row.key))
                ApplyFont(control, font->second);
        return;
    case TPluginValue::Colour:
        if (plugin.marker && targets.marker) {
            QPalette pal = targets.marker->palette();
            pal.setColor(QPalette::Window, ToQColor(*plugin.marker));
            targets.marker->setPalette(pal);
            targets.marker->setAutoFillBackground(true);
        }
        return;
    }
}

// The plug-in on `targets`, up to the key that failed (a font block as far
// as it read); kelto::TError with what failed.
void Apply(const TPlugin& plugin, const TSkinTargets& targets)
{
    if (plugin.failure && !plugin.failedAt)
        throw TError(*plugin.failure);
    for (const TPluginLines& row : PluginTable) {
        const bool failsHere = plugin.failedAt == row.key;
        try {
            ApplyKey(plugin, row, targets);
        } catch (const TError&) {
            if (!failsHere)
                throw;
        }
        if (failsHere)
            throw TError(*plugin.failure);
    }
}

template <class F> std::optional<QString> FailureOf(F&& step)
{
    try {
        step();
        return std::nullopt;
    } catch (const TError& e) {
        return e.text();
    } catch (const std::bad_alloc&) {
        return QStringLiteral("Недостаточно памяти");
    } catch (const std::exception&) {
        return QString();
    }
}

} // namespace

TPlugin ReadPlugin(const QString& path, const TPictureSizes& sizes)
{
    TPlugin plugin;
    plugin.path = path;
    std::optional<TPlgLines> lines;
    plugin.failure = FailureOf([&] {
        if (HoldsControlCharacter(QFileInfo(path).fileName()))
            throw TError(QStringLiteral("В имени файла плагина есть управляющий знак"));
        lines = ReadPlgFile(path);
    });
    for (const TPluginLines& row : PluginTable) {
        if (plugin.failure)
            break;
        plugin.failure = FailureOf([&] { ReadKey(plugin, *lines, row, sizes); });
        if (plugin.failure)
            plugin.failedAt = row.key;
    }
    return plugin;
}

bool LoadPlugin(const TPlugin& plugin, const TSkinTargets& targets)
{
    if (const auto failure = FailureOf([&] { Apply(plugin, targets); })) {
        ShowPluginError(*failure);
        return false;
    }
    return true;
}

void ApplyPluginToView(const TPlugin& plugin, const TSkinTargets& view)
{
    FailureOf([&] { Apply(plugin, view); });
}

std::optional<QString> ChoosePlugin(QWidget* parent, const QString& current,
                                    const std::function<bool(const QString&)>& load)
{
    QString start = ProgramFolder();
    while (start.size() > 1 && start.endsWith(QLatin1Char('/')))
        start.chop(1);
    const QString chosen = g_dialog ? g_dialog(parent, start) : RealDialog(parent, start, current);
    if (chosen.isEmpty() || !load(chosen))
        return std::nullopt;
    return chosen;
}

void SetPluginDialog(std::function<QString(QWidget* parent, const QString& startDir)> dialog)
{
    g_dialog = std::move(dialog);
}

} // namespace kelto
