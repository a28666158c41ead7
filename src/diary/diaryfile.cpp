#include "diary/diaryfile.h"
#include "core/formfile.h"

#include "core/cp1251.h"
#include "core/textfile.h"

#include <QByteArrayView>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QHash>

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <vector>

namespace kelto {

namespace {

char* DateInto(char* dst, const QDate& date)
{
    if (!date.isValid())
        return dst;
    int y = 0, m = 0, d = 0;
    date.getDate(&y, &m, &d);
    const char text[10] = {char('0' + d / 10),        char('0' + d % 10),       '.',
                           char('0' + m / 10),        char('0' + m % 10),       '.',
                           char('0' + y / 1000 % 10), char('0' + y / 100 % 10), char('0' + y / 10 % 10),
                           char('0' + y % 10)};
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

// The lines of a file, read one after the other: a line ends at LF, and a CR
// right before it belongs to the line end, so both CR LF and a bare LF end a
// line; a CR anywhere else is text. A last line without a line end still
// counts (a trailing CR there is a line end cut short). Nothing after the
// last line end: no further line.
class TLineReader {
public:
    explicit TLineReader(const QByteArray& bytes)
        : m_p(bytes.constData())
        , m_end(bytes.constData() + bytes.size())
    {
    }

    bool atEnd() const { return m_p >= m_end; }
    const char* pos() const { return m_p; }

    // The next line without its line end; a line read past the end of the
    // file is empty.
    QByteArrayView next()
    {
        if (atEnd())
            return QByteArrayView();
        const char* lf = static_cast<const char*>(std::memchr(m_p, '\n', size_t(m_end - m_p)));
        const char* stop = lf ? lf : m_end;
        qsizetype len = stop - m_p;
        if (len > 0 && m_p[len - 1] == '\r')
            --len;
        const QByteArrayView line(m_p, len);
        m_p = lf ? lf + 1 : m_end;
        return line;
    }

    // Passes over up to `k` lines; returns how many there were. `clean` turns
    // false unless every one of them ended with CR LF.
    qint64 skip(qint64 k, bool& clean)
    {
        qint64 taken = 0;
        while (taken < k && m_p < m_end) {
            const char* lf = static_cast<const char*>(std::memchr(m_p, '\n', size_t(m_end - m_p)));
            ++taken;
            if (!lf) {
                clean = false;
                m_p = m_end;
                break;
            }
            if (lf == m_p || lf[-1] != '\r')
                clean = false;
            m_p = lf + 1;
        }
        return taken;
    }

private:
    const char* m_p;
    const char* m_end;
};

// A note's lines from the file as the store keeps them: every line ended by
// CR LF, and `pad` empty lines after them for a record cut short.
QByteArray NormalisedNote(const char* from, const char* to, qint64 pad)
{
    QByteArray out;
    out.reserve((to - from) + 2 * (qsizetype(pad) + 1) + 2);
    ForEachNoteLine(from, to, [&out](const char* start, qsizetype len) {
        out.append(start, len);
        out.append("\r\n", 2);
    });
    for (qint64 i = 0; i < pad; ++i)
        out.append("\r\n", 2);
    return out;
}

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

QByteArray EncodeBlocks(const TDayList& store, bool withCounts)
{
    qsizetype bound = 24;
    for (const TDayRecord& r : store) {
        bound += 10 + 2 + 2; // date, its line end, the trailing empty line
        if (withCounts)
            bound += 11 + 2; // the line count
        bound += r.Note.size();
    }
    QByteArray out(bound, Qt::Uninitialized);
    char* const begin = out.data();
    char* p = begin;
    if (withCounts)
        p = CrLf(NumberInto(p, store.size()));
    for (const TDayRecord& r : store) {
        p = CrLf(DateInto(p, r.Date));
        if (withCounts)
            p = CrLf(NumberInto(p, r.LineCount));
        // The note is already the file's text.
        std::memcpy(p, r.Note.constData(), size_t(r.Note.size()));
        p += r.Note.size();
        if (!withCounts)
            p = CrLf(p);
    }
    out.truncate(p - begin);
    return out;
}

} // namespace

bool ParseDiary(const QByteArray& input, TDayList& store, qsizetype* merged)
{
    if (merged)
        *merged = 0;
    if (input.isEmpty())
        return true;
    // The notes point into these bytes, so the store keeps them; bytes that
    // are only borrowed (raw data) are copied first.
    QByteArray bytes = input;
    if (!bytes.data_ptr().d_ptr())
        bytes = QByteArray(input.constData(), input.size());
    store.keepBuffer(bytes);

    TLineReader lines(bytes);
    qint64 n = 0;
    const QByteArrayView first = lines.next();
    if (!first.isEmpty() && !ParseCount(first, n))
        return false;

    // Every record takes at least two lines of the file.
    if (n > 0)
        store.reserve(store.size() + qsizetype(std::min<qint64>(n, bytes.size() / 4 + 1)));
    // The slot of each date's first record in this file, when merging. While
    // the file's dates rise, as the program writes them, no date can repeat
    // and the table is not needed; it is built from the records so far at
    // the first date that does not rise.
    QHash<QDate, qint32> firstOfDate;
    bool rising = true;
    QDate lastDate;
    qint32 firstSlot = -1, appended = 0;
    const auto add = [&](TDayRecord record) {
        if (merged && rising && lastDate.isValid() && !(lastDate < record.Date)) {
            rising = false;
            for (qint32 s = firstSlot; s < firstSlot + appended; ++s)
                firstOfDate.insert(store.slot(s).Date, s);
        }
        if (merged && !rising) {
            if (const auto it = firstOfDate.constFind(record.Date); it != firstOfDate.cend()) {
                TDayRecord& first = store.slot(*it);
                if (qint64(first.LineCount) + record.LineCount <= std::numeric_limits<qint32>::max()) {
                    // append() copies a note that lies in the file's bytes
                    // once, then grows in place: a date held a million times
                    // costs its text once, not a million times.
                    first.Note.append(record.Note);
                    first.LineCount += record.LineCount;
                    ++*merged;
                    return;
                }
            }
        }
        const QDate date = record.Date;
        store.append(std::move(record));
        if (!merged)
            return;
        if (firstSlot < 0)
            firstSlot = store.monthSlots(date.year(), date.month())->back();
        ++appended;
        lastDate = date;
        if (!rising)
            firstOfDate.insert(date, firstSlot + appended - 1);
    };
    // Every pass either stops or takes a date line that is really in the file,
    // so however large N is, this runs at most once per line.
    for (qint64 r = 0; r < n; ++r) {
        const bool startedPastEnd = lines.atEnd();
        const QDate date = ParseDateBytes(lines.next());
        qint64 k = 0;
        if (!date.isValid() || !ParseCount(lines.next(), k))
            // Reading stops, the record being read is dropped. Only when it
            // began past the end was nothing of the file left unread.
            return startedPastEnd;
        if (k <= 0) {
            add(TDayRecord(date, QByteArray(), 0));
            continue;
        }
        const char* from = lines.pos();
        bool clean = true;
        const qint64 taken = lines.skip(k, clean);
        if (k - taken > MaxPaddedLines)
            return false;
        const char* to = lines.pos();
        // The usual note is already in the form the store keeps: it is used
        // where it lies. Only a record with bare LFs, a missing last line end
        // or missing lines gets a copy of its own.
        QByteArray note
            = clean && taken == k ? QByteArray::fromRawData(from, to - from) : NormalisedNote(from, to, k - taken);
        add(TDayRecord(date, std::move(note), qint32(k)));
    }
    return lines.atEnd();
}

QByteArray EncodeDiary(const TDayList& store)
{
    return EncodeBlocks(store, true);
}

QByteArray EncodeNoteExport(const TDayList& sortedStore)
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
    return KeepUnreadCopy(path, bytes);
}

TLoadOutcome LoadDiary(const QString& path, TDayList& store, QString* reason)
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
    qsizetype merged = 0;
    const bool whole = ParseDiary(*bytes, store, &merged);
    if (whole && merged == 0)
        return TLoadOutcome::Complete;
    // The next save rewrites the file in another form: its text as found is
    // kept first.
    if (auto err = BackUpDamagedDiary(path, *bytes)) {
        if (reason)
            *reason = *err;
        return whole ? TLoadOutcome::MergedNoBackup : TLoadOutcome::DamagedNoBackup;
    }
    return whole ? TLoadOutcome::MergedDates : TLoadOutcome::Damaged;
}

TLoadOutcome LoadDiary(const QString& path, TDayList& store)
{
    return LoadDiary(path, store, nullptr);
}

std::optional<QString> SaveDiary(const QString& path, const TDayList& store)
{
    return WriteFileAtomically(path, EncodeDiary(store));
}

std::optional<QString> SaveDiaryThrough(const QString& path, const TDayList& store, const TDeviceWrapper& wrap)
{
    return WriteFileAtomically(path, EncodeDiary(store), wrap);
}

std::optional<QString> WriteNoteExport(const QString& path, TDayList& store)
{
    SortByDate(store);
    return WriteFileAtomically(path, FromCp1251(EncodeNoteExport(store)).toUtf8());
}

} // namespace kelto
