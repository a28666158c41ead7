#include "core/cp1251.h"

#include <QStringDecoder>
#include <algorithm>
#include <iterator>
#include <QStringEncoder>

namespace kelto {

namespace {
// The code page as two tables, taken once from Qt's own converter: a
// converter per line made saving a large diary several times slower.
struct TCp1251Tables {
    char16_t toUnicode[256];
    // 0 marks a character the code page cannot hold (NUL is handled apart).
    unsigned char fromUnicode[65536];
    TCp1251Tables()
    {
        std::fill(std::begin(fromUnicode), std::end(fromUnicode), 0);
        QStringDecoder dec("windows-1251", QStringConverter::Flag::Stateless);
        QStringEncoder enc("windows-1251", QStringConverter::Flag::Stateless);
        for (int b = 0; b < 256; ++b) {
            const char byte = char(b);
            const QString u = dec.decode(QByteArrayView(&byte, 1));
            toUnicode[b] = u.size() == 1 ? u.at(0).unicode() : u'\uFFFD';
        }
        for (int b = 1; b < 256; ++b) {
            const char16_t u = toUnicode[b];
            if (u == u'\uFFFD')
                continue;
            // Only what comes back as itself: no best-fit substitutes.
            const QByteArray e = enc.encode(QString(QChar(u)));
            if (e.size() == 1 && (unsigned char)e.at(0) == b)
                fromUnicode[u] = (unsigned char)b;
        }
    }
};

const TCp1251Tables& Tables()
{
    static const TCp1251Tables t;
    return t;
}

// The byte for one character, '?' when the code page has none.
inline char EncodeChar(const TCp1251Tables& t, char16_t u)
{
    if (u == 0)
        return 0;
    const unsigned char b = t.fromUnicode[u];
    return b ? char(b) : '?';
}
} // namespace

const char16_t* Cp1251ToUnicodeTable()
{
    return Tables().toUnicode;
}
const unsigned char* Cp1251FromUnicodeTable()
{
    return Tables().fromUnicode;
}

QByteArray ToCp1251(const QString& text)
{
    const TCp1251Tables& t = Tables();
    QByteArray out;
    out.resize(text.size());
    char* o = out.data();
    const QChar* p = text.constData();
    const QChar* e = p + text.size();
    while (p < e) {
        const char16_t u = p->unicode();
        if (QChar::isHighSurrogate(u) && p + 1 < e && p[1].isLowSurrogate()) {
            *o++ = '?'; // one mark for the whole pair
            p += 2;
            continue;
        }
        *o++ = u < 0x80 ? char(u) : EncodeChar(t, u);
        ++p;
    }
    out.truncate(o - out.constData());
    return out;
}

QString FromCp1251(const QByteArray& bytes)
{
    const TCp1251Tables& t = Tables();
    QString out(bytes.size(), Qt::Uninitialized);
    QChar* o = out.data();
    for (const char c : bytes)
        *o++ = QChar(t.toUnicode[(unsigned char)c]);
    return out;
}

bool FitsCp1251(const QString& text)
{
    const TCp1251Tables& t = Tables();
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u != 0 && u >= 0x80 && t.fromUnicode[u] == 0)
            return false;
    }
    return true;
}

QString ToCp1251Repertoire(const QString& text)
{
    if (FitsCp1251(text))
        return text;
    return FromCp1251(ToCp1251(text));
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
        QByteArray line = ToCp1251(l);
        line.replace('\r', ' ').replace('\n', ' ');
        out += line;
        out += "\r\n";
    }
    return out;
}

} // namespace kelto
