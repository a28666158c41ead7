#include "skin/plgformat.h"
#include "core/programfolder.h"

#include "core/error.h"
#include "core/cp1251.h"
#include "core/textfile.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace kelto {

QString DefaultPluginPath()
{
    return ProgramFolder() + QString::fromUtf8(DefaultPluginName);
}

bool HoldsControlCharacter(const QString& name)
{
    return std::any_of(name.begin(), name.end(), [](QChar c) {
        return c.category() == QChar::Other_Control || c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
    });
}

QStringList ReadPlgLines(const QByteArray& bytes)
{
    qsizetype end = bytes.indexOf('\0');
    if (end < 0)
        end = bytes.size();
    return SplitCp1251Lines(bytes.left(end));
}

const QString& TPlgLines::line(int lineNo) const
{
    if (lineNo < 1 || lineNo > m_lines.size())
        throw TError(QStringLiteral("В плагине нет строки %1").arg(lineNo));
    return m_lines.at(lineNo - 1);
}

bool HasPluginLines(const TPlgLines& lines, const TPluginLines& entry)
{
    const int last = entry.first + entry.count - 1;
    if (last <= lines.count())
        return true;
    if (entry.optional)
        return false;
    lines.line(last); // says which line is missing
    return false;
}

TPlgLines ReadPlgFile(const QString& path)
{
    // A plug-in is a few hundred bytes; the limit only keeps a wrong choice
    // (a disc image named .plg) from being read whole.
    const auto bytes = ReadWholeFile(path, qint64(16) << 20);
    if (!bytes)
        throw TError(QStringLiteral("Не удалось прочитать файл плагина %1").arg(path));
    return TPlgLines(ReadPlgLines(*bytes));
}

namespace {

int HexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

} // namespace

TColor HexToColor(const QString& text)
{
    QString t = text;
    if (t.startsWith(QLatin1Char('#')))
        t.remove(QLatin1Char('#'));
    if (t.size() < 6)
        throw TError(QStringLiteral("'%1' is not a valid colour value").arg(text));
    int d[6];
    for (int i = 0; i < 6; ++i) {
        d[i] = HexDigit(t.at(i));
        if (d[i] < 0)
            throw TError(QStringLiteral("'%1' is not a valid colour value").arg(text));
    }
    const TColor red = TColor(d[0] * 16 + d[1]);
    const TColor green = TColor(d[2] * 16 + d[3]);
    const TColor blue = TColor(d[4] * 16 + d[5]);
    return (blue << 16) | (green << 8) | red;
}

int ParseFontSize(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i) == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    if (i == text.size())
        throw TError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    qint64 value = 0;
    for (; i < text.size(); ++i) {
        const char16_t u = text.at(i).unicode();
        if (u < u'0' || u > u'9')
            throw TError(QStringLiteral("'%1' is not a valid integer value").arg(text));
        value = value * 10 + (u - u'0');
        if (value > qint64(INT_MAX) + 1)
            throw TError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    }
    if (negative)
        value = -value;
    if (value > INT_MAX || value < INT_MIN)
        throw TError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return int(value);
}

TFontStyles ParseFontStyles(const QString& text)
{
    TFontStyles s = 0;
    if (text.contains(QLatin1String("fsBold"), Qt::CaseSensitive))
        s |= fsBold;
    if (text.contains(QLatin1String("fsItalic"), Qt::CaseSensitive))
        s |= fsItalic;
    if (text.contains(QLatin1String("fsUnderline"), Qt::CaseSensitive))
        s |= fsUnderline;
    if (text.contains(QLatin1String("fsStrikeOut"), Qt::CaseSensitive))
        s |= fsStrikeOut;
    return s;
}

TPluginFont ReadFontBlock(const QString& name, const QString& size, const QString& colour, const QString& style)
{
    TPluginFont font;
    font.name = name;
    try {
        font.read = TPluginFont::TRead::Name;
        font.size = ParseFontSize(size);
        font.read = TPluginFont::TRead::Size;
        font.colour = HexToColor(colour);
        font.styles = ParseFontStyles(style);
        font.read = TPluginFont::TRead::Whole;
    } catch (const TError& e) {
        font.problem = e.text();
    }
    return font;
}

QString ResolvePictureReference(const QString& pluginFolder, const QString& reference)
{
    QString folder = pluginFolder;
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    QString ref = reference;
    ref.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return folder + QLatin1Char('/') + ref;
}

QByteArray PictureFormatFor(const QString& path)
{
    // The extension is what follows the last dot of the last name; a
    // reference that ends in a separator names a folder and has none.
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    const QString ext = dot > slash ? path.mid(dot + 1).toLower() : QString();
    if (ext == QLatin1String("jpg") || ext == QLatin1String("jpeg"))
        return "JPEG";
    if (ext == QLatin1String("bmp"))
        return "BMP";
    if (ext == QLatin1String("ico"))
        return "ICO";
    if (ext == QLatin1String("emf") || ext == QLatin1String("wmf"))
        throw TError(QStringLiteral("метафайлы не поддерживаются"));
    throw TError(QStringLiteral("такой вид рисунка не поддерживается"));
}

void CheckPictureSize(const QSize& picture, const QSize& design)
{
    if (!picture.isValid())
        throw TError(QStringLiteral("размер не читается"));
    if (picture != design)
        throw TError(QStringLiteral("размер %1 × %2, а нужен %3 × %4")
                         .arg(picture.width())
                         .arg(picture.height())
                         .arg(design.width())
                         .arg(design.height()));
}

namespace {

quint64 Le(const QByteArray& b, qsizetype at, int bytes)
{
    quint64 v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | std::uint8_t(b[at + i]);
    return v;
}

// The bytes a BMP needs, from its own headers: its pixels end there. Zero
// when the headers themselves are cut or make no sense.
quint64 BmpLength(const QByteArray& b)
{
    if (b.size() < 18 || b[0] != 'B' || b[1] != 'M')
        return 0;
    const quint64 pixels = Le(b, 10, 4), header = Le(b, 14, 4);
    if (header != 12 && header < 40)
        return 0;
    if (quint64(b.size()) < 14 + header)
        return 0;
    const bool core = header == 12;
    const qint64 width = core ? qint64(Le(b, 18, 2)) : qint64(qint32(Le(b, 18, 4)));
    const qint64 height = core ? qint64(Le(b, 20, 2)) : qint64(qint32(Le(b, 22, 4)));
    const quint64 depth = Le(b, core ? 24 : 28, 2);
    const quint64 compression = core ? 0 : Le(b, 30, 4);
    const quint64 imageSize = core ? 0 : Le(b, 34, 4);
    if (compression == 0 || compression == 3 || compression == 6) {
        const quint64 stride = ((quint64(std::abs(width)) * depth + 31) / 32) * 4;
        return pixels + stride * quint64(std::abs(height));
    }
    // Run-length and embedded bodies say their own length.
    return imageSize == 0 ? 0 : pixels + imageSize;
}

// Every image an icon lists lies inside the file.
bool IcoIsWhole(const QByteArray& b)
{
    if (b.size() < 6)
        return false;
    const quint64 count = Le(b, 4, 2);
    if (count == 0 || quint64(b.size()) < 6 + 16 * count)
        return false;
    for (quint64 i = 0; i < count; ++i) {
        const qsizetype entry = qsizetype(6 + 16 * i);
        if (Le(b, entry + 12, 4) + Le(b, entry + 8, 4) > quint64(b.size()))
            return false;
    }
    return true;
}

} // namespace

bool PictureBodyIsWhole(const QByteArray& bytes, const QByteArray& format)
{
    // The BMP and icon decoders fill what is missing of a body cut short
    // with black; the JPEG one with grey.
    if (format == "BMP") {
        const quint64 length = BmpLength(bytes);
        return length != 0 && length <= quint64(bytes.size());
    }
    if (format == "ICO")
        return IcoIsWhole(bytes);
    // The end-of-image marker, perhaps followed by padding some cameras add.
    qsizetype end = bytes.size();
    while (end > 0 && (bytes[end - 1] == '\0' || bytes[end - 1] == '\xFF'))
        --end;
    return end >= 2 && bytes[end - 1] == '\xD9' && bytes[end - 2] == '\xFF';
}

void ToggleHeaderInMemory(QByteArray& bytes)
{
    if (bytes.size() < PictureHeaderSize)
        return;
    char* p = bytes.data();
    for (int i = 0; i < PictureHeaderSize; ++i)
        p[i] = char(std::uint8_t(p[i]) ^ PictureKey);
}

QByteArray ReadUnscrambledPicture(const QString& path)
{
    if (!QFileInfo(path).isFile())
        throw TError(QStringLiteral("файла нет"));
    QString reason;
    auto bytes = ReadWholeFile(path, qint64(256) << 20, &reason);
    if (!bytes)
        throw TError(reason.isEmpty() ? QStringLiteral("файл не читается") : reason);
    ToggleHeaderInMemory(*bytes);
    return *bytes;
}

bool TogglePictureHeader(const QString& path)
{
    QFile f(path);
    if (!QFileInfo(path).isFile() || !f.open(QIODevice::ReadWrite))
        return false;
    QByteArray head = f.read(PictureHeaderSize);
    if (head.size() < PictureHeaderSize || f.error() != QFileDevice::NoError)
        return false;
    ToggleHeaderInMemory(head);
    if (!f.seek(0))
        return false;
    if (f.write(head) != head.size())
        return false;
    if (!f.flush())
        return false;
    f.close();
    return f.error() == QFileDevice::NoError;
}

} // namespace kelto
