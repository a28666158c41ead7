#include "journal/journalrules.h"

#include <functional>
#include "core/cp1251.h"
#include "calc/calctext.h"
#include "calc/techniquecard.h"
#include "diary/notesearch.h"
#include "journal/journalstore.h"

#include <QRegularExpression>
#include <algorithm>
#include <cstdio>

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

QStringList JournalColumnTitles()
{
    return {QStringLiteral("№"),       QStringLiteral("Дата"),        QStringLiteral("Объект"),
            QStringLiteral("Стык"),    QStringLiteral("Труба"),       QStringLiteral("Метод"),
            QStringLiteral("Источник"), QStringLiteral("Снимков"),    QStringLiteral("Чувствительность"),
            QStringLiteral("Дефекты"), QStringLiteral("Оценка"),      QStringLiteral("Заключение"),
            QStringLiteral("Выполнил")};
}

namespace {
QString DateText(const QDate& d)
{
    return d.toString(QStringLiteral("dd.MM.yyyy"));
}
QString SourceText(const TJournalEntry& e)
{
    return e.sourceSerial.isEmpty() ? e.source : e.source + QLatin1Char(' ') + e.sourceSerial;
}
} // namespace

QString JournalCellText(const TJournalEntry& e, int column)
{
    switch (static_cast<TJournalColumn>(column)) {
    case TJournalColumn::Number: {
        QString n = e.id > 0 ? QString::number(e.id) : QString();
        if (e.unsent)
            n = n.isEmpty() ? QStringLiteral("не отправлено") : n + QStringLiteral(", не отправлено");
        return e.deleted ? n + QStringLiteral(" (удалена)") : n;
    }
    case TJournalColumn::Date: return DateText(e.date);
    case TJournalColumn::Object: return e.object;
    case TJournalColumn::Joint: return e.joint;
    case TJournalColumn::Pipe: return e.pipe;
    case TJournalColumn::Method: return e.method;
    case TJournalColumn::Source: return SourceText(e);
    case TJournalColumn::Films: return e.films > 0 ? QString::number(e.films) : QString();
    case TJournalColumn::Sensitivity: return e.sensitivity;
    case TJournalColumn::Defects: return e.defects;
    case TJournalColumn::Verdict: return VerdictText(e.verdict);
    case TJournalColumn::Conclusion: return e.conclusion;
    case TJournalColumn::Performer: return e.performer;
    }
    return {};
}

namespace {
// A card's value, or empty where the card shows "—".
QString Known(const QString& value)
{
    return value == NoValue() ? QString() : value;
}
} // namespace

TJournalEntry EntryFromCard(const TTechniqueCard& card, const TCardFields& fields, const QDate& day)
{
    TJournalEntry e;
    e.date = day;
    e.object = fields.object;
    e.joint = fields.joint;
    e.material = fields.material;
    e.pipe = Known(card.pipe);
    QString method = card.standard;
    if (const QString scheme = Known(card.schemeName); !scheme.isEmpty())
        method += QStringLiteral(", схема ") + scheme;
    else if (!Known(card.technique).isEmpty())
        method += QStringLiteral(", ") + card.technique;
    e.method = method;
    e.source = fields.source;
    e.sourceSerial = fields.sourceSerial;
    // "Плёнок на экспозицию и размер": "2 × 100×240", the count first; a
    // size alone ("100×240") is one film an exposure.
    static const QRegularExpression countAndSize(QStringLiteral("^(\\d+)\\s*(?:[×xXхХ*]\\s+(.*))?$"));
    const QString films = fields.films.trimmed();
    const QRegularExpressionMatch m = countAndSize.match(films);
    const int perExposure = m.hasMatch() ? std::max(m.captured(1).toInt(), 1) : 1;
    e.films = Known(card.exposures).toInt() * perExposure;
    if (m.hasMatch())
        e.filmSize = m.captured(2).trimmed();
    else
        e.filmSize = films;
    if (const QString length = Known(card.filmLength); e.filmSize.isEmpty() && !length.isEmpty())
        e.filmSize = length + QStringLiteral(" мм");
    e.sensitivity = Known(card.iqi);
    e.performer = fields.madeBy;
    e.verdict = TVerdict::NotAssessed;
    return e;
}

namespace {
// A field as RFC 4180 writes it, in UTF-8 straight onto the bytes.
void AppendCsvField(QByteArray& out, QStringView text)
{
    const bool quoted = text.contains(QLatin1Char(';')) || text.contains(QLatin1Char('"'))
                        || text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
    if (!quoted) {
        out += text.toUtf8();
        return;
    }
    out += '"';
    out += text.toString().replace(QLatin1String("\""), QLatin1String("\"\"")).toUtf8();
    out += '"';
}

// "09.12.2026" without a format string parsed for each of 100 000 rows.
void AppendCsvDate(QByteArray& out, const QDate& d)
{
    if (!d.isValid())
        return;
    char text[16];
    const int n = std::snprintf(text, sizeof text, "%02d.%02d.%04d", d.day(), d.month(), d.year());
    out.append(text, n);
}
} // namespace

QByteArray JournalCsvHead()
{
    const QStringList head{QStringLiteral("№"),           QStringLiteral("Дата"),         QStringLiteral("Объект"),
                           QStringLiteral("Стык"),        QStringLiteral("Труба"),        QStringLiteral("Материал"),
                           QStringLiteral("Метод"),       QStringLiteral("Источник"),     QStringLiteral("Заводской номер"),
                           QStringLiteral("Снимков"),     QStringLiteral("Размер плёнки"), QStringLiteral("Чувствительность"),
                           QStringLiteral("Дефекты"),     QStringLiteral("Оценка"),       QStringLiteral("Заключение"),
                           QStringLiteral("Выполнил"),    QStringLiteral("Примечание")};
    return QByteArray("\xEF\xBB\xBF") + head.join(QLatin1Char(';')).toUtf8() + "\r\n";
}

void AppendJournalCsvLine(QByteArray& out, const TJournalEntry& e)
{
    out += QByteArray::number(e.id);
    out += ';';
    AppendCsvDate(out, e.date);
    for (const QString* text : {&e.object, &e.joint, &e.pipe, &e.material, &e.method, &e.source, &e.sourceSerial}) {
        out += ';';
        AppendCsvField(out, *text);
    }
    out += ';';
    if (e.films > 0)
        out += QByteArray::number(e.films);
    for (const QString* text : {&e.filmSize, &e.sensitivity, &e.defects}) {
        out += ';';
        AppendCsvField(out, *text);
    }
    out += ';';
    AppendCsvField(out, VerdictText(e.verdict));
    for (const QString* text : {&e.conclusion, &e.performer, &e.note}) {
        out += ';';
        AppendCsvField(out, *text);
    }
    out += "\r\n";
}

QByteArray JournalCsv(const QList<TJournalEntry>& entries)
{
    QByteArray csv = JournalCsvHead();
    for (const TJournalEntry& e : entries)
        AppendJournalCsvLine(csv, e);
    return csv;
}

QStringList EntryDifferences(const TJournalEntry& theirs, const TJournalEntry& mine)
{
    const auto films = [](const TJournalEntry& e) { return QString::number(e.films); };
    struct TField {
        const char16_t* caption;
        std::function<QString(const TJournalEntry&)> text;
    };
    const TField fields[] = {
        {u"Дата", [](const TJournalEntry& e) { return DateText(e.date); }},
        {u"Объект", [](const TJournalEntry& e) { return e.object; }},
        {u"Стык", [](const TJournalEntry& e) { return e.joint; }},
        {u"Труба", [](const TJournalEntry& e) { return e.pipe; }},
        {u"Материал", [](const TJournalEntry& e) { return e.material; }},
        {u"Метод", [](const TJournalEntry& e) { return e.method; }},
        {u"Источник", [](const TJournalEntry& e) { return e.source; }},
        {u"Заводской номер", [](const TJournalEntry& e) { return e.sourceSerial; }},
        {u"Снимков", films},
        {u"Размер плёнки", [](const TJournalEntry& e) { return e.filmSize; }},
        {u"Чувствительность", [](const TJournalEntry& e) { return e.sensitivity; }},
        {u"Дефекты", [](const TJournalEntry& e) { return e.defects; }},
        {u"Оценка", [](const TJournalEntry& e) { return VerdictText(e.verdict); }},
        {u"Выполнил", [](const TJournalEntry& e) { return e.performer; }},
        {u"Примечание", [](const TJournalEntry& e) { return e.note; }},
    };
    QStringList lines;
    for (const TField& f : fields) {
        const QString a = f.text(theirs), b = f.text(mine);
        if (a != b)
            lines << QStringLiteral("%1: «%2» → «%3»").arg(QString::fromUtf16(f.caption), a, b);
    }
    return lines;
}

} // namespace kelto
