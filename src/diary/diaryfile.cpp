#include "diary/diaryfile.h"

#include "core/cp1251.h"
#include "core/textfile.h"

#include <QByteArrayView>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QSaveFile>

#include <array>
#include <cstring>
#include <vector>

namespace kelto {

namespace {

// The writer's table: the code page's own, with -1 for what it cannot hold,
// so that one look-up per character both converts and checks.
struct TEncodeTable {
    std::array<qint16, 65536> toByte{};

    TEncodeTable()
    {
        const unsigned char* from = Cp1251FromUnicodeTable();
        for (std::size_t u = 0; u < toByte.size(); ++u)
            toByte[u] = from[u] ? qint16(from[u]) : qint16(-1);
        toByte[0] = 0;
        // A line feed inside a line would split it and throw every count
        // after it out of step, so it is written as a blank.
        toByte[u'\n'] = ' ';
    }
};

const TEncodeTable& Tables()
{
    static const TEncodeTable table;
    return table;
}

QString DecodeLine(const char* data, qsizetype size)
{
    const char16_t* t = Cp1251ToUnicodeTable();
    QString out(size, Qt::Uninitialized);
    char16_t* dst = reinterpret_cast<char16_t*>(out.data());
    for (qsizetype i = 0; i < size; ++i)
        dst[i] = t[static_cast<unsigned char>(data[i])];
    return out;
}

// Appends `text` in code page 1251 at `dst`; returns the new end. A character
// the code page cannot hold becomes '?', a surrogate pair one '?'.
char* EncodeInto(char* dst, const QString& text)
{
    const auto& t = Tables().toByte;
    const char16_t* src = reinterpret_cast<const char16_t*>(text.constData());
    const qsizetype n = text.size();
    // One table look-up per character: diary text mixes Cyrillic and ASCII
    // so closely that an ASCII fast path mostly mispredicts.
    for (qsizetype i = 0; i < n; ++i) {
        const qint16 b = t[src[i]];
        if (Q_LIKELY(b >= 0)) {
            *dst++ = char(b);
            continue;
        }
        if (QChar::isHighSurrogate(src[i]) && i + 1 < n && QChar::isLowSurrogate(src[i + 1]))
            ++i;
        *dst++ = '?';
    }
    return dst;
}

char* DateInto(char* dst, const QDate& date)
{
    if (!date.isValid())
        return dst;
    int y = 0, m = 0, d = 0;
    date.getDate(&y, &m, &d);
    const char text[10] = {char('0' + d / 10), char('0' + d % 10), '.',
                           char('0' + m / 10), char('0' + m % 10), '.',
                           char('0' + y / 1000 % 10), char('0' + y / 100 % 10),
                           char('0' + y / 10 % 10), char('0' + y % 10)};
    std::memcpy(dst, text, sizeof text);
    return dst + sizeof text;
}

char* NumberInto(char* dst, qsizetype value)
{
    char digits[24];
    int n = 0;
    do {
        digits[n++] = char('0' + value % 10);
        value /= 10;
    } while (value > 0);
    while (n > 0)
        *dst++ = digits[--n];
    return dst;
}

char* CrLf(char* dst)
{
    *dst++ = '\r';
    *dst++ = '\n';
    return dst;
}

// The lines of a file: a line ends at LF, and a CR right before it belongs to
// the line end, so both CR LF and a bare LF end a line; a CR anywhere else is
// text. A last line without a line end still counts (a trailing CR there is a
// line end cut short). Nothing after the last line end: no further line.
class TLines {
public:
    explicit TLines(const QByteArray& bytes) : m_data(bytes.constData())
    {
        const char* p = m_data;
        const char* end = m_data + bytes.size();
        while (p < end) {
            const char* lf = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
            const char* stop = lf ? lf : end;
            qsizetype len = stop - p;
            if (len > 0 && p[len - 1] == '\r')
                --len;
            m_spans.push_back({p - m_data, len});
            p = lf ? lf + 1 : end;
        }
    }

    qsizetype count() const { return qsizetype(m_spans.size()); }

    // A line read past the end of the file is empty.
    QString at(qsizetype i) const
    {
        if (i >= count())
            return QString();
        const Span& s = m_spans[std::size_t(i)];
        return DecodeLine(m_data + s.begin, s.size);
    }

    // The raw bytes of a line, for the date and count lines, which are read
    // without building a string; empty past the end.
    QByteArrayView bytes(qsizetype i) const
    {
        if (i >= count())
            return QByteArrayView();
        const Span& s = m_spans[std::size_t(i)];
        return QByteArrayView(m_data + s.begin, s.size);
    }

private:
    struct Span {
        qsizetype begin;
        qsizetype size;
    };
    const char* m_data;
    std::vector<Span> m_spans;
};

// A decimal integer with an optional sign and nothing else around it, within
// the range of a 32-bit integer, like the counts this program writes. The
// digits and signs are ASCII and so the same bytes in code page 1251.
bool ParseCount(QByteArrayView text, qint64& value)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size())
        return false;
    qint64 v = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (c - '0');
        if (v > qint64(1) << 31)
            return false;
    }
    v = negative ? -v : v;
    if (v > 2147483647 || v < -2147483648LL)
        return false;
    value = v;
    return true;
}

// The same rule as ParseDiaryDate, on the line's bytes.
QDate ParseDateBytes(QByteArrayView text)
{
    if (text.size() != 10 || text[2] != '.' || text[5] != '.')
        return QDate();
    int v[3] = {0, 0, 0};
    const int from[3] = {0, 3, 6}, count[3] = {2, 2, 4};
    for (int f = 0; f < 3; ++f)
        for (int i = from[f]; i < from[f] + count[f]; ++i) {
            if (text[i] < '0' || text[i] > '9')
                return QDate();
            v[f] = v[f] * 10 + (text[i] - '0');
        }
    return QDate(v[2], v[1], v[0]);
}

QByteArray EncodeBlocks(const DayList& store, bool withCounts)
{
    qsizetype bound = 24;
    for (const TDayRecord& r : store) {
        bound += 10 + 2 + 2;          // date, its line end, the trailing empty line
        if (withCounts)
            bound += 11 + 2;          // the line count
        for (const QString& l : r.Lines)
            bound += l.size() + 2;
    }
    QByteArray out(bound, Qt::Uninitialized);
    char* const begin = out.data();
    char* p = begin;
    if (withCounts)
        p = CrLf(NumberInto(p, store.size()));
    for (const TDayRecord& r : store) {
        p = CrLf(DateInto(p, r.Date));
        if (withCounts)
            p = CrLf(NumberInto(p, r.Lines.size()));
        for (const QString& l : r.Lines)
            p = CrLf(EncodeInto(p, l));
        if (!withCounts)
            p = CrLf(p);
    }
    out.truncate(p - begin);
    return out;
}

} // namespace

bool ParseDiary(const QByteArray& bytes, DayList& store)
{
    const TLines lines(bytes);
    const qsizetype total = lines.count();
    if (total == 0)
        return true;

    qint64 n = 0;
    const QByteArrayView first = lines.bytes(0);
    if (!first.isEmpty() && !ParseCount(first, n))
        return false;

    qsizetype next = 1;
    // Every pass either stops or takes a date line that is really in the file,
    // so however large N is, this runs at most once per line.
    for (qint64 r = 0; r < n; ++r) {
        const qsizetype start = next;
        TDayRecord rec;
        rec.Date = ParseDateBytes(lines.bytes(next++));
        qint64 k = 0;
        if (!rec.Date.isValid() || !ParseCount(lines.bytes(next++), k))
            // Reading stops, the record being read is dropped. Only when it
            // began past the end was nothing of the file left unread.
            return start >= total;
        if (k > 0) {
            const qsizetype remaining = total > next ? total - next : 0;
            if (k > remaining + MaxPaddedLines)
                return false;
            rec.Lines.reserve(qsizetype(k));
            for (qint64 j = 0; j < k; ++j)
                rec.Lines.append(lines.at(next++));
        }
        store.append(std::move(rec));
    }
    return next >= total;
}

QByteArray EncodeDiary(const DayList& store)
{
    return EncodeBlocks(store, true);
}

QByteArray EncodeNoteExport(const DayList& sortedStore)
{
    if (sortedStore.isEmpty())
        return QByteArray();
    return EncodeBlocks(sortedStore, false);
}

QString DiaryBackupPath(const QString& path)
{
    return path + QStringLiteral(".bak");
}

std::optional<QString> BackUpDamagedDiary(const QString& path, const QByteArray& bytes)
{
    const QString bak = DiaryBackupPath(path);
    if (QFileInfo::exists(bak)) {
        // The same damaged file seen again (the program was closed without
        // saving, say): its copy is already there.
        // (A copy of another size is another file: not read whole to learn it.)
        if (QFileInfo(bak).size() == bytes.size())
            if (auto old = ReadWholeFile(bak); old && *old == bytes)
                return std::nullopt;
        // An older copy may hold text of an earlier damage that no later
        // save brought back: move it aside rather than overwrite it.
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

TLoadOutcome LoadDiary(const QString& path, DayList& store, QString* reason)
{
    if (reason)
        reason->clear();
    QString why;
    const std::optional<QByteArray> bytes = ReadWholeFile(path, qint64(1) << 31, &why);
    if (!bytes) {
        // A link to nowhere is there all the same: not taken for no file.
        const QFileInfo info(path);
        if (!info.exists() && !info.isSymLink())
            return TLoadOutcome::NoFile;
        if (reason)
            *reason = why;
        return TLoadOutcome::Unreadable;
    }
    if (ParseDiary(*bytes, store))
        return TLoadOutcome::Complete;
    if (auto err = BackUpDamagedDiary(path, *bytes)) {
        if (reason)
            *reason = *err;
        return TLoadOutcome::DamagedNoBackup;
    }
    return TLoadOutcome::Damaged;
}

TLoadOutcome LoadDiary(const QString& path, DayList& store)
{
    return LoadDiary(path, store, nullptr);
}

std::optional<QString> SaveDiary(const QString& path, const DayList& store)
{
    return WriteFileAtomically(path, EncodeDiary(store));
}

std::optional<QString> SaveDiaryThrough(const QString& path, const DayList& store,
                                        const TDeviceWrapper& wrap)
{
    return WriteFileAtomically(path, EncodeDiary(store), wrap);
}

} // namespace kelto
