#include "diary/notesearch.h"
#include "core/cp1251.h"

#include <QChar>
#include <array>

namespace kelto {

namespace {

std::array<unsigned char, 256> BuildFoldTable()
{
    std::array<unsigned char, 256> t{};
    const char16_t* toUnicode = Cp1251ToUnicodeTable();
    const unsigned char* fromUnicode = Cp1251FromUnicodeTable();
    for (int b = 0; b < 256; ++b) {
        t[b] = static_cast<unsigned char>(b);
        const char16_t lower = QChar(toUnicode[b]).toLower().unicode();
        if (lower != toUnicode[b] && fromUnicode[lower] != 0)
            t[b] = fromUnicode[lower];
    }
    const unsigned char ye = fromUnicode[u'е'];
    t[fromUnicode[u'ё']] = ye;
    t[fromUnicode[u'Ё']] = ye;
    t['\t'] = t['\r'] = t['\n'] = ' ';
    return t;
}

bool IsBlank(const unsigned char* fold, unsigned char b)
{
    return fold[b] == ' ';
}

} // namespace

const unsigned char* Cp1251FoldTable()
{
    static const std::array<unsigned char, 256> table = BuildFoldTable();
    return table.data();
}

TNoteMatcher::TNoteMatcher(const QString& query)
{
    const unsigned char* fold = Cp1251FoldTable();
    const QByteArray bytes = ToCp1251(query);
    m_folded.reserve(bytes.size());
    bool blank = false;
    for (char c : bytes) {
        const unsigned char f = fold[static_cast<unsigned char>(c)];
        if (f == ' ') {
            blank = !m_folded.isEmpty();
            continue;
        }
        if (blank)
            m_folded.append(' ');
        blank = false;
        m_folded.append(static_cast<char>(f));
    }
}

TNoteSpan TNoteMatcher::Find(QByteArrayView noteBytes) const
{
    const qsizetype m = m_folded.size();
    const qsizetype n = noteBytes.size();
    if (m == 0 || n < m)
        return {};
    const unsigned char* fold = Cp1251FoldTable();
    const auto* p = reinterpret_cast<const unsigned char*>(noteBytes.data());
    const auto* q = reinterpret_cast<const unsigned char*>(m_folded.constData());
    const unsigned char first = q[0];
    // The first byte of the query is never a blank; the rest is compared only
    // where that one fits, which on real text is rarely.
    for (qsizetype i = 0; i < n; ++i) {
        if (fold[p[i]] != first)
            continue;
        qsizetype j = i + 1;
        qsizetype k = 1;
        while (k < m && j < n) {
            if (q[k] == ' ') {
                if (!IsBlank(fold, p[j]))
                    break;
                while (j < n && IsBlank(fold, p[j]))
                    ++j;
            } else if (fold[p[j]] != q[k]) {
                break;
            } else {
                ++j;
            }
            ++k;
        }
        if (k == m)
            return {i, j - i};
    }
    return {};
}

TNoteSpan NotepadSpan(QByteArrayView noteBytes, const TNoteSpan& byteSpan)
{
    if (byteSpan.start < 0)
        return {};
    // Each CR that starts a CR LF pair is no character of the notepad.
    const auto crlfIn = [&](qsizetype from, qsizetype to) {
        qsizetype c = 0;
        for (qsizetype i = from; i < to; ++i)
            if (noteBytes[i] == '\r' && i + 1 < noteBytes.size() && noteBytes[i + 1] == '\n')
                ++c;
        return c;
    };
    const qsizetype end = byteSpan.start + byteSpan.length;
    const qsizetype before = crlfIn(0, byteSpan.start);
    return {byteSpan.start - before, byteSpan.length - crlfIn(byteSpan.start, end)};
}

} // namespace kelto
