#include "diary/notesearch.h"
#include "core/cp1251.h"

#include <QChar>
#include <QStringList>
#include <algorithm>
#include <array>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
    // "219х8" typed with a Cyrillic х is the same text to the eye.
    static const char16_t alike[][2]
        = {{u'а', u'a'}, {u'е', u'e'}, {u'о', u'o'}, {u'р', u'p'}, {u'с', u'c'}, {u'у', u'y'}, {u'х', u'x'}};
    for (int b = 0; b < 256; ++b)
        for (const auto& a : alike)
            if (t[b] == fromUnicode[a[0]])
                t[b] = static_cast<unsigned char>(a[1]);
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

namespace {

// "14.05.2025", "5.2025" or "2025": the first and last day named; invalid
// when the text is no date.
std::pair<QDate, QDate> DateRangeOf(const QString& query)
{
    const QStringList parts = query.trimmed().split(QLatin1Char('.'));
    int v[3] = {};
    for (qsizetype i = 0; i < parts.size() && i < 3; ++i) {
        const QString& part = parts[i];
        const bool last = i == parts.size() - 1;
        if (part.isEmpty() || part.size() > (last ? 4 : 2) || (last && part.size() != 4))
            return {};
        for (QChar c : part)
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return {};
        v[i] = part.toInt();
    }
    QDate from;
    QDate to;
    switch (parts.size()) {
    case 1: from = QDate(v[0], 1, 1), to = QDate(v[0], 12, 31); break;
    case 2: from = QDate(v[1], v[0], 1), to = from.isValid() ? from.addMonths(1).addDays(-1) : QDate(); break;
    case 3: from = to = QDate(v[2], v[1], v[0]); break;
    default: return {};
    }
    if (!from.isValid() || !to.isValid() || from.year() < 1)
        return {};
    return {from, to};
}

} // namespace

TNoteMatcher::TNoteMatcher(const QString& query)
{
    if (!FitsCp1251(query))
        return; // no note holds such a character: nothing is found
    std::tie(m_from, m_to) = DateRangeOf(query);
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
    if (m_folded.isEmpty())
        return;
    const auto bytesFoldingTo = [fold](unsigned char to, unsigned char* out) {
        int count = 0;
        for (int b = 0; b < 256; ++b)
            if (fold[b] == to) {
                if (count == 16)
                    return 0; // too many to compare at once: byte by byte
                out[count++] = static_cast<unsigned char>(b);
            }
        return count;
    };
    m_firstCount = bytesFoldingTo(static_cast<unsigned char>(m_folded[0]), m_firstBytes);
    if (m_folded.size() > 1 && m_folded[1] != ' ')
        m_secondCount = bytesFoldingTo(static_cast<unsigned char>(m_folded[1]), m_secondBytes);
}

qsizetype TNoteMatcher::NextCandidate(const unsigned char* p, qsizetype i, qsizetype n) const
{
#if defined(__SSE2__)
    // Sixteen places at a time: the byte there against each byte that folds
    // to the query's first, and the byte after it against the second.
    __m128i firsts[16];
    __m128i seconds[16];
    for (int k = 0; k < m_firstCount; ++k)
        firsts[k] = _mm_set1_epi8(static_cast<char>(m_firstBytes[k]));
    for (int k = 0; k < m_secondCount; ++k)
        seconds[k] = _mm_set1_epi8(static_cast<char>(m_secondBytes[k]));
    for (; m_firstCount > 0 && i + 17 <= n; i += 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        __m128i hit = _mm_cmpeq_epi8(chunk, firsts[0]);
        for (int k = 1; k < m_firstCount; ++k)
            hit = _mm_or_si128(hit, _mm_cmpeq_epi8(chunk, firsts[k]));
        if (m_secondCount > 0 && _mm_movemask_epi8(hit)) {
            const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 1));
            __m128i hit2 = _mm_cmpeq_epi8(next, seconds[0]);
            for (int k = 1; k < m_secondCount; ++k)
                hit2 = _mm_or_si128(hit2, _mm_cmpeq_epi8(next, seconds[k]));
            hit = _mm_and_si128(hit, hit2);
        }
        if (const int mask = _mm_movemask_epi8(hit))
            return i + __builtin_ctz(static_cast<unsigned>(mask));
    }
#endif
    const unsigned char* fold = Cp1251FoldTable();
    const auto first = static_cast<unsigned char>(m_folded[0]);
    for (; i < n; ++i)
        if (fold[p[i]] == first)
            return i;
    return n;
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
    // The first byte of the query is never a blank; the rest is compared only
    // where that one fits, which on real text is rarely.
    for (qsizetype i = NextCandidate(p, 0, n); i < n; i = NextCandidate(p, i + 1, n)) {
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

namespace {

// A piece of a note as one line of text: a line break or a tab is a space.
QString OneLine(QByteArrayView bytes)
{
    QString text = FromCp1251(bytes.toByteArray());
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    for (QChar& c : text)
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QLatin1Char('\t'))
            c = QLatin1Char(' ');
    return text;
}

bool IsBlankByte(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

} // namespace

TNoteFragment NoteFragment(QByteArrayView note, const TNoteSpan& match, int width)
{
    const qsizetype n = note.size();
    const bool found = match.start >= 0 && match.start + match.length <= n;
    const qsizetype ms = found ? match.start : 0;
    const qsizetype me = found ? match.start + match.length : 0;
    // The room left beside the match, shared; what one side cannot use goes
    // to the other.
    const qsizetype room = std::max<qsizetype>(0, width - (me - ms));
    qsizetype from = std::max<qsizetype>(0, ms - room / 2);
    qsizetype to = std::min(n, me + room - (ms - from));
    from = std::max<qsizetype>(0, std::min(from, to - width));
    // A cut falls between words where one is near.
    if (from > 0) {
        qsizetype k = from;
        while (k < ms && !IsBlankByte(note[k - 1]))
            ++k;
        if (k < ms)
            from = k;
    }
    if (to < n) {
        qsizetype k = to;
        while (k > me && !IsBlankByte(note[k]))
            --k;
        if (k > me)
            to = k;
    }
    while (from < ms && IsBlankByte(note[from]))
        ++from;
    const QString ellipsis(QChar(0x2026));
    TNoteFragment f;
    f.text = from > 0 ? ellipsis : QString();
    f.text += OneLine(note.sliced(from, ms - from));
    if (found) {
        f.matchStart = f.text.size();
        const QString hit = OneLine(note.sliced(ms, me - ms));
        f.matchLength = hit.size();
        f.text += hit;
    }
    f.text += OneLine(note.sliced(me, to - me));
    if (to < n) {
        while (f.text.size() > f.matchStart + f.matchLength && f.text.back() == QLatin1Char(' '))
            f.text.chop(1);
        f.text += ellipsis;
    }
    return f;
}

} // namespace kelto
