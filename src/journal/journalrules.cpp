#include "journal/journalrules.h"
#include "core/cp1251.h"
#include "diary/notesearch.h"

namespace kelto {

namespace {
constexpr QChar FieldSeparator = QChar(0x1F); // folded text never holds it: it is no blank and no letter
}

QString VerdictText(TVerdict verdict)
{
    switch (verdict) {
    case TVerdict::Fit: return QStringLiteral("годен");
    case TVerdict::Repair: return QStringLiteral("ремонт");
    case TVerdict::Cut: return QStringLiteral("вырезать");
    case TVerdict::NotAssessed: break;
    }
    return QStringLiteral("не оценён");
}

QList<TVerdict> AllVerdicts()
{
    return {TVerdict::Fit, TVerdict::Repair, TVerdict::Cut, TVerdict::NotAssessed};
}

std::optional<TVerdict> VerdictFromText(const QString& text)
{
    const QString key = FoldForSearch(text);
    for (TVerdict v : AllVerdicts())
        if (FoldForSearch(VerdictText(v)) == key)
            return v;
    return std::nullopt;
}

QString ConclusionNumberText(const TConclusionNumber& number)
{
    if (!number.IsValid())
        return {};
    return QStringLiteral("%1/%2").arg(number.number).arg(number.year, 4, 10, QLatin1Char('0'));
}

std::optional<TConclusionNumber> ParseConclusionNumber(const QString& text)
{
    const QString t = text.trimmed();
    const qsizetype slash = t.indexOf(QLatin1Char('/'));
    if (slash < 1 || slash > 6 || t.size() - slash - 1 != 4)
        return std::nullopt;
    for (qsizetype i = 0; i < t.size(); ++i)
        if (i != slash && (t[i] < QLatin1Char('0') || t[i] > QLatin1Char('9')))
            return std::nullopt;
    TConclusionNumber n{t.left(slash).toInt(), t.mid(slash + 1).toInt()};
    if (!n.IsValid())
        return std::nullopt;
    return n;
}

QString FoldForSearch(const QString& text)
{
    const unsigned char* fold = Cp1251FoldTable();
    const char16_t* toUnicode = Cp1251ToUnicodeTable();
    const unsigned char* fromUnicode = Cp1251FromUnicodeTable();
    QString out;
    out.reserve(text.size());
    bool blank = false;
    for (QChar c : text) {
        const unsigned char b = fromUnicode[c.unicode()];
        QChar f = c.toLower();
        if (b != 0)
            f = QChar(toUnicode[fold[b]]);
        if (f.isSpace()) {
            blank = !out.isEmpty();
            continue;
        }
        if (blank)
            out += QLatin1Char(' ');
        blank = false;
        out += f;
    }
    return out;
}

QString EntrySearchText(const TJournalEntry& e)
{
    const QStringList fields{e.object,      e.joint,      e.pipe,       e.material,  e.method,   e.source,
                             e.sourceSerial, e.filmSize,  e.sensitivity, e.defects,  VerdictText(e.verdict),
                             e.conclusion,  e.performer,  e.note};
    QString out;
    for (const QString& f : fields)
        out += FoldForSearch(f) + FieldSeparator;
    return out;
}

TJournalSearchKey JournalSearchKey(const QString& query)
{
    TJournalSearchKey key;
    key.folded = FoldForSearch(query);
    std::tie(key.from, key.to) = DateRangeOf(query);
    return key;
}

bool EntryMatches(const TJournalEntry& entry, const TJournalSearchKey& key)
{
    if (key.folded.isEmpty())
        return true;
    if (key.NamesDate() && entry.date >= key.from && entry.date <= key.to)
        return true;
    return EntrySearchText(entry).contains(key.folded);
}

} // namespace kelto
