#include "journal/journalrow.h"

#include "journal/journalrules.h"

#include <algorithm>

namespace kelto {

QVariant TextValue(const QString& text)
{
    return text.isNull() ? QVariant(QStringLiteral("")) : QVariant(text);
}

QVariantList TypedFieldValues(const TJournalEntry& e, TRowForm form)
{
    const QVariant date = form.dateAsText ? QVariant(e.date.toString(Qt::ISODate))
        : e.date.isValid()                ? QVariant(e.date)
                                          : QVariant(QMetaType(QMetaType::QDate));
    const QVariant verdict = form.verdictAsText ? TextValue(VerdictText(e.verdict)) : QVariant(int(e.verdict));
    return {date,        TextValue(e.object),   TextValue(e.joint),       TextValue(e.pipe),
            TextValue(e.material), TextValue(e.method), TextValue(e.source), TextValue(e.sourceSerial),
            e.films,     TextValue(e.filmSize), TextValue(e.sensitivity), TextValue(e.defects),
            verdict,     TextValue(e.conclusion), TextValue(e.performer), TextValue(e.note)};
}

int ReadTypedFields(const QSqlQuery& q, int c, TRowForm form, TJournalEntry& e)
{
    const auto text = [&] { return q.value(c++).toString(); };
    // A date column and ISO text both read as a date.
    e.date = q.value(c++).toDate();
    e.object = text();
    e.joint = text();
    e.pipe = text();
    e.material = text();
    e.method = text();
    e.source = text();
    e.sourceSerial = text();
    e.films = q.value(c++).toInt();
    e.filmSize = text();
    e.sensitivity = text();
    e.defects = text();
    e.verdict = form.verdictAsText ? VerdictFromText(text()).value_or(TVerdict::NotAssessed)
                                   : static_cast<TVerdict>(std::clamp(q.value(c++).toInt(), 0, 3));
    e.conclusion = text();
    e.performer = text();
    e.note = text();
    return c;
}

} // namespace kelto
