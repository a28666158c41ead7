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

// How often each folded byte comes in Russian text (per mille, roughly, as
// letters are counted in prose; digits and signs as a technician's notes use
// them). Only the order matters: it picks the query's byte to scan for.
std::array<int, 256> BuildFoldedFrequency()
{
    std::array<int, 256> f{};
    f.fill(1);
    for (int b = 'a'; b <= 'z'; ++b)
        f[b] = 3;
    // Measures and numbers start with small digits more often than with large.
    static const int digits[10] = {14, 13, 11, 10, 9, 9, 8, 8, 8, 8};
    for (int d = 0; d < 10; ++d)
        f['0' + d] = digits[d];
    f['.'] = f[','] = 15;
    f[' '] = 200;
    static const struct {
        char16_t letter;
        int perMille;
    } russian[] = {{u'о', 110}, {u'е', 85}, {u'а', 80}, {u'и', 74}, {u'н', 67}, {u'т', 63}, {u'с', 55}, {u'р', 47},
                   {u'в', 45},  {u'л', 44}, {u'к', 35}, {u'м', 32}, {u'д', 30}, {u'п', 28}, {u'у', 26}, {u'я', 20},
                   {u'ы', 19},  {u'ь', 17}, {u'г', 17}, {u'з', 16}, {u'б', 16}, {u'ч', 14}, {u'й', 12}, {u'х', 10},
                   {u'ж', 9},   {u'ш', 7},  {u'ю', 6},  {u'ц', 5},  {u'щ', 4},  {u'э', 3},  {u'ф', 3},  {u'ъ', 1}};
    const unsigned char* fold = Cp1251FoldTable();
    const unsigned char* fromUnicode = Cp1251FromUnicodeTable();
    for (const auto& r : russian) {
        const unsigned char to = fold[fromUnicode[r.letter]];
        f[to] = std::max(f[to], r.perMille); // a look-alike counts as the Cyrillic letter
    }
    return f;
}

int FoldedFrequency(unsigned char folded)
{
    static const std::array<int, 256> table = BuildFoldedFrequency();
    return table[folded];
}

} // namespace

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
    const auto q = [this](qsizetype k) { return static_cast<unsigned char>(m_folded[k]); };
    const qsizetype m = m_folded.size();
    for (qsizetype k = 1; k < m; ++k)
        if (q(k) != ' ' && FoldedFrequency(q(k)) < FoldedFrequency(q(m_anchor)))
            m_anchor = k;
    m_anchorCount = bytesFoldingTo(q(m_anchor), m_anchorBytes);
    const bool after = m_anchor + 1 < m && q(m_anchor + 1) != ' ';
    const bool before = m_anchor > 0 && q(m_anchor - 1) != ' ';
    if (after && (!before || FoldedFrequency(q(m_anchor + 1)) <= FoldedFrequency(q(m_anchor - 1))))
        m_pairOffset = 1;
    else if (before)
        m_pairOffset = -1;
    if (m_pairOffset != 0)
        m_pairCount = bytesFoldingTo(q(m_anchor + m_pairOffset), m_pairBytes);
    // A letter's capital and small one are 0x20 apart in code page 1251
    // (but "Ё"/"ё"): where every byte's other case is there too, one compare
    // of the text with that bit set stands for two.
    const auto byCase = [](unsigned char* bytes, int& count) -> unsigned char {
        for (int k = 0; k < count; ++k)
            if (std::find(bytes, bytes + count, bytes[k] ^ 0x20) == bytes + count)
                return 0;
        int kept = 0;
        for (int k = 0; k < count; ++k)
            if (bytes[k] & 0x20)
                bytes[kept++] = bytes[k];
        count = kept;
        return count > 0 ? 0x20 : 0;
    };
    m_anchorCase = byCase(m_anchorBytes, m_anchorCount);
    m_pairCase = byCase(m_pairBytes, m_pairCount);
}

TNoteSpan TNoteMatcher::MatchAt(const unsigned char* p, qsizetype n, qsizetype a) const
{
    const unsigned char* fold = Cp1251FoldTable();
    const auto* q = reinterpret_cast<const unsigned char*>(m_folded.constData());
    const qsizetype m = m_folded.size();
    // A blank in the query takes the whole run of blanks on its side, so the
    // span is the one a forward match from its start would find.
    qsizetype j = a;
    for (qsizetype k = m_anchor - 1; k >= 0; --k) {
        if (j == 0)
            return {};
        if (q[k] == ' ') {
            if (!IsBlank(fold, p[j - 1]))
                return {};
            while (j > 0 && IsBlank(fold, p[j - 1]))
                --j;
        } else if (fold[p[j - 1]] != q[k]) {
            return {};
        } else {
            --j;
        }
    }
    const qsizetype start = j;
    j = a;
    for (qsizetype k = m_anchor; k < m; ++k) {
        if (j == n)
            return {};
        if (q[k] == ' ') {
            if (!IsBlank(fold, p[j]))
                return {};
            while (j < n && IsBlank(fold, p[j]))
                ++j;
        } else if (fold[p[j]] != q[k]) {
            return {};
        } else {
            ++j;
        }
    }
    return {start, j - start};
}

TNoteSpan TNoteMatcher::Find(QByteArrayView noteBytes) const
{
    const qsizetype m = m_folded.size();
    const qsizetype n = noteBytes.size();
    if (m == 0 || n < m)
        return {};
    const auto* p = reinterpret_cast<const unsigned char*>(noteBytes.data());
    // The anchor has at least its index of bytes before it and the rest of
    // the query from it on. Matches come in the order of their anchors, so
    // the first one that holds is the first match.
    const qsizetype lo = m_anchor;
    const qsizetype hi = n - (m - m_anchor) + 1;
    qsizetype i = lo;
#if defined(__SSE2__)
    if (m_anchorCount > 0 && hi - lo >= 16) {
        __m128i anchors[16];
        __m128i pairs[16];
        for (int k = 0; k < m_anchorCount; ++k)
            anchors[k] = _mm_set1_epi8(static_cast<char>(m_anchorBytes[k]));
        for (int k = 0; k < m_pairCount; ++k)
            pairs[k] = _mm_set1_epi8(static_cast<char>(m_pairBytes[k]));
        const __m128i anchorCase = _mm_set1_epi8(static_cast<char>(m_anchorCase));
        const __m128i pairCase = _mm_set1_epi8(static_cast<char>(m_pairCase));
        // Sixteen places from `at`: the anchor's bytes there and the pair's
        // beside them, without a branch (most blocks have neither). The
        // pair's load stays inside the note: its neighbour exists for every
        // place in [lo, hi).
        const auto hits = [&](qsizetype at) {
            const __m128i chunk = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at)), anchorCase);
            __m128i hit = _mm_cmpeq_epi8(chunk, anchors[0]);
            for (int k = 1; k < m_anchorCount; ++k)
                hit = _mm_or_si128(hit, _mm_cmpeq_epi8(chunk, anchors[k]));
            if (m_pairCount > 0) {
                const __m128i next
                    = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at + m_pairOffset)), pairCase);
                __m128i hit2 = _mm_cmpeq_epi8(next, pairs[0]);
                for (int k = 1; k < m_pairCount; ++k)
                    hit2 = _mm_or_si128(hit2, _mm_cmpeq_epi8(next, pairs[k]));
                hit = _mm_and_si128(hit, hit2);
            }
            return static_cast<unsigned>(_mm_movemask_epi8(hit));
        };
        const auto first = [&](qsizetype at, unsigned mask) -> TNoteSpan {
            for (; mask != 0; mask &= mask - 1)
                if (const TNoteSpan s = MatchAt(p, n, at + __builtin_ctz(mask)); s.start >= 0)
                    return s;
            return {};
        };
        // Thirty-two places a step: one branch for both halves.
        for (; i + 32 <= hi; i += 32)
            if (const unsigned mask = hits(i) | hits(i + 16) << 16; mask != 0)
                if (const TNoteSpan s = first(i, mask); s.start >= 0)
                    return s;
        for (; i + 16 <= hi; i += 16)
            if (const TNoteSpan s = first(i, hits(i)); s.start >= 0)
                return s;
        if (i < hi) {
            // The last places: sixteen ending at `hi`, those already seen cut.
            const qsizetype at = hi - 16;
            return first(at, hits(at) & ~((1u << (i - at)) - 1u));
        }
        return {};
    }
#endif
    const unsigned char* fold = Cp1251FoldTable();
    const auto anchor = static_cast<unsigned char>(m_folded[m_anchor]);
    for (; i < hi; ++i)
        if (fold[p[i]] == anchor)
            if (const TNoteSpan s = MatchAt(p, n, i); s.start >= 0)
                return s;
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
