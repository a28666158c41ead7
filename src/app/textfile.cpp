#include "app/textfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

namespace kelto {

namespace {
QString g_programFolder;
}

QByteArray ToCp1251(const QString& text)
{
    QStringEncoder enc("windows-1251", QStringConverter::Flag::Stateless);
    QByteArray out = enc.encode(ToCp1251Repertoire(text));
    return out;
}

QString FromCp1251(const QByteArray& bytes)
{
    QStringDecoder dec("windows-1251", QStringConverter::Flag::Stateless);
    return dec.decode(bytes);
}

bool FitsCp1251(const QString& text)
{
    return ToCp1251Repertoire(text) == text;
}

QString ToCp1251Repertoire(const QString& text)
{
    // Encode and decode one character (or surrogate pair) at a time so that
    // an unmappable one turns into exactly one '?'.
    QStringEncoder enc("windows-1251", QStringConverter::Flag::Stateless);
    QStringDecoder dec("windows-1251", QStringConverter::Flag::Stateless);
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        QChar c = text.at(i);
        if (c.unicode() < 0x80) { out.append(c); continue; }
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            out.append(QLatin1Char('?'));
            ++i;
            continue;
        }
        if (c.isSurrogate()) { out.append(QLatin1Char('?')); continue; }
        QByteArray b = enc.encode(QString(c));
        QString back = dec.decode(b);
        out.append(back == QString(c) ? c : QChar(QLatin1Char('?')));
    }
    return out;
}

QStringList SplitCp1251Lines(const QByteArray& bytes)
{
    // Decoded once as a whole: in 1251 every byte is one character and CR
    // and LF stay themselves, so the split can follow the decoding.
    const QString text = FromCp1251(bytes);
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != u'\r' && c != u'\n')
            continue;
        lines.append(text.mid(start, i - start));
        if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.append(text.mid(start));
    return lines;
}

QByteArray JoinCrLf(const QStringList& lines)
{
    QByteArray out;
    for (const QString& l : lines) {
        out += ToCp1251(l);
        out += "\r\n";
    }
    return out;
}

std::optional<QString> WriteAll(QIODevice& device, const QByteArray& bytes)
{
    qint64 done = 0;
    while (done < bytes.size()) {
        qint64 n = device.write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0)
            return device.errorString().isEmpty() ? QStringLiteral("ошибка записи") : device.errorString();
        done += n;
    }
    return std::nullopt;
}

std::optional<QString> WriteFileAtomically(const QString& path, const QByteArray& bytes)
{
    QSaveFile f(path);
    // Unbuffered: Qt 6.4's commit() reports success even when flushing its
    // buffer hit a short write (file-size limit, full disk), and renames a
    // cut-short file over the good one. Writing straight through makes the
    // short write show in WriteAll, which then cancels.
    if (!f.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return f.errorString();
    if (auto err = WriteAll(f, bytes)) {
        f.cancelWriting();
        return err;
    }
    if (f.error() != QFileDevice::NoError) {
        const QString reason = f.errorString();
        f.cancelWriting();
        return reason;
    }
    if (!f.commit())
        return f.errorString();
    return std::nullopt;
}

std::optional<QByteArray> ReadWholeFile(const QString& path, qint64 limit)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    if (f.size() > limit)
        return std::nullopt;
    QByteArray data = f.readAll();
    if (f.error() != QFileDevice::NoError)
        return std::nullopt;
    return data;
}

QString ProgramFolder()
{
    return g_programFolder;
}

void SetProgramFolder(const QString& folder)
{
    g_programFolder = folder;
    if (!g_programFolder.isEmpty() && !g_programFolder.endsWith(QLatin1Char('/')))
        g_programFolder += QLatin1Char('/');
}

QString ExecutableFolder()
{
    QString dir = QCoreApplication::applicationDirPath();
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}

} // namespace kelto
