#include "core/formfile.h"
#include "core/cp1251.h"
#include "core/textfile.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <optional>
#include <utility>

namespace kelto {

namespace {

const QByteArray Utf8Mark("\xEF\xBB\xBF");

// The text of UTF-8 bytes, or nothing where they are not UTF-8.
std::optional<QString> DecodeUtf8(QByteArrayView bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    // Only the conversion to a string decodes, and so finds an error.
    QString decoded = utf8.decode(bytes);
    if (utf8.hasError())
        return std::nullopt;
    return decoded;
}

// Bytes that no program writing 1251 text puts in a form file: a byte-order
// mark of another encoding, or UTF-8's letters (two or more bytes each,
// which in 1251 read as pairs like "Рџ").
bool InAnotherEncoding(const QByteArray& bytes)
{
    if (bytes.startsWith(Utf8Mark) || bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF"))
        return true;
    bool multiByte = false;
    for (char c : bytes)
        multiByte = multiByte || (static_cast<unsigned char>(c) & 0x80);
    if (!multiByte)
        return false;
    // 0x98 is no character in 1251 either.
    return DecodeUtf8(bytes).has_value() || bytes.contains('\x98');
}

} // namespace

TFormFileRead ReadFormBytes(const QByteArray& bytes, int lineCount, TFormText text, bool extraAllowed, bool truncated)
{
    TFormFileRead r;
    r.whole = !truncated;
    QByteArray body = bytes;
    QString decoded;
    if (text == TFormText::Utf8WithMark && body.startsWith(Utf8Mark)) {
        const std::optional<QString> text = DecodeUtf8(QByteArrayView(body).sliced(Utf8Mark.size()));
        if (!text)
            return {{}, false};
        decoded = *text;
    } else {
        if (InAnotherEncoding(body))
            return {{}, false};
        decoded = FromCp1251(body);
    }
    // A cut file's last line is a part of a line.
    if (truncated) {
        const qsizetype end = std::max(decoded.lastIndexOf(QLatin1Char('\n')), decoded.lastIndexOf(QLatin1Char('\r')));
        decoded.truncate(end < 0 ? 0 : end + 1);
    }
    QStringList lines;
    qsizetype start = 0;
    while (start < decoded.size()) {
        qsizetype end = start;
        while (end < decoded.size() && decoded[end] != QLatin1Char('\r') && decoded[end] != QLatin1Char('\n'))
            ++end;
        lines << decoded.mid(start, end - start);
        if (end < decoded.size() && decoded[end] == QLatin1Char('\r') && end + 1 < decoded.size()
            && decoded[end + 1] == QLatin1Char('\n'))
            ++end;
        start = end + 1;
    }
    for (const QString& line : std::as_const(lines)) {
        if (line.contains(QChar(0)) || line.size() > FormLineLimit) {
            r.whole = false;
            break;
        }
        r.lines << line;
    }
    if (r.lines.size() != lines.size() || lines.size() < lineCount || (!extraAllowed && lines.size() > lineCount))
        r.whole = false;
    if (!extraAllowed && r.lines.size() > lineCount)
        r.lines = r.lines.mid(0, lineCount);
    return r;
}

TFormFileRead ReadFormFile(const QString& path, int lineCount, TFormText text, bool extraAllowed)
{
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile())
        return {};
    QString reason;
    if (const std::optional<QByteArray> bytes = ReadWholeFile(path, FormFileLimit, &reason))
        return ReadFormBytes(*bytes, lineCount, text, extraAllowed);
    // Too large: its leading lines, from the part the program reads.
    QFile file(path);
    if (info.size() > FormFileLimit && file.open(QIODevice::ReadOnly))
        return ReadFormBytes(file.read(FormFileLimit), lineCount, text, extraAllowed, true);
    return {{}, false};
}

QString OneLine(const QString& value)
{
    QString t = value;
    for (QChar& c : t)
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            c = QLatin1Char(' ');
    return t;
}

QByteArray FormFileBytes(const QStringList& lines, TFormText text)
{
    QStringList one;
    for (const QString& l : lines)
        one << OneLine(l);
    if (text == TFormText::Cp1251)
        return JoinCrLf(one);
    QByteArray out = Utf8Mark;
    for (const QString& l : std::as_const(one))
        out += l.toUtf8() + "\r\n";
    return out;
}

QString UnreadCopyPath(const QString& path)
{
    return path + QStringLiteral(".bak");
}

std::optional<QString> KeepUnreadCopy(const QString& path, const QByteArray& bytes)
{
    const QString bak = UnreadCopyPath(path);
    if (QFileInfo::exists(bak)) {
        // The same unread file seen again: its copy is already there.
        if (QFileInfo(bak).size() == bytes.size())
            if (auto old = ReadWholeFile(bak); old && *old == bytes)
                return std::nullopt;
        // An older copy may hold what no later save brought back.
        for (int i = 1; i < 10000; ++i) {
            const QString aside = bak + QLatin1Char('.') + QString::number(i);
            if (QFileInfo::exists(aside))
                continue;
            if (!QFile::rename(bak, aside))
                return WriteFileAtomically(aside, bytes);
            break;
        }
    }
    return WriteFileAtomically(bak, bytes);
}

QString UnreadFileNote(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    return QStringLiteral("Файл %1 не прочитан: сохранена копия %1.bak").arg(name);
}

TFormFileKeeper::TFormFileKeeper(QString path)
    : m_path(std::move(path))
{
}

TFormFileRead TFormFileKeeper::Read(int lineCount, TFormText text, bool extraAllowed)
{
    TFormFileRead r = ReadFormFile(m_path, lineCount, text, extraAllowed);
    m_unread = !r.whole;
    return r;
}

QString TFormFileKeeper::Note() const
{
    return m_unread ? UnreadFileNote(m_path) : QString();
}

std::optional<QString> TFormFileKeeper::Save(const QByteArray& bytes)
{
    const QFileInfo info(m_path);
    if (m_unread && info.isFile() && !info.isSymLink()) {
        QString reason;
        const std::optional<QByteArray> unread = ReadWholeFile(m_path, qint64(1) << 31, &reason);
        std::optional<QString> err = unread ? KeepUnreadCopy(m_path, *unread) : std::optional<QString>(reason);
        if (err)
            return QStringLiteral("копия %1 не сохранена: %2").arg(QFileInfo(UnreadCopyPath(m_path)).fileName(), *err);
    }
    if (std::optional<QString> err = WriteFileAtomically(m_path, bytes))
        return err;
    m_unread = false;
    return std::nullopt;
}

} // namespace kelto
