// The rules of the control journal that no store and no window owns: the
// verdicts' words, the conclusion number "17/2026", and the search's folding
// (the diary search's: case, "ё" as "е", Cyrillic and Latin look-alikes as
// one; a date finds its day, month or year). QtCore only.
#pragma once
#include "journal/journalentry.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <optional>

namespace kelto {

// "годен", "ремонт", "вырезать", "не оценён".
QString VerdictText(TVerdict verdict);
// The verdicts in the filter's order.
QList<TVerdict> AllVerdicts();
// The verdict a word names (as VerdictText writes it, any case, "е" for
// "ё"); nothing for another word.
std::optional<TVerdict> VerdictFromText(const QString& text);

// "17/2026"; empty for no number.
QString ConclusionNumberText(const TConclusionNumber& number);
// "17/2026" with blanks round it allowed; nothing for anything else (the
// number 1 … 999999, the year of four digits).
std::optional<TConclusionNumber> ParseConclusionNumber(const QString& text);

// A text folded as the search compares it: each character as the diary's
// fold table takes it (characters code page 1251 lacks: in small letters),
// runs of blanks and line breaks made one space, blanks at the ends dropped.
QString FoldForSearch(const QString& text);
// The text a store keeps with an entry for the search: its typed fields,
// each folded, joined by a separator no query holds, so a query never spans
// two fields.
QString EntrySearchText(const TJournalEntry& entry);

// A search field's text as the store asks it: the folded text to find inside
// EntrySearchText, and the days it names when it reads as a date (an entry
// of those days is found as well).
struct TJournalSearchKey {
    QString folded; // empty: every entry
    QDate from, to; // invalid: no date named
    bool NamesDate() const { return from.isValid(); }
};
TJournalSearchKey JournalSearchKey(const QString& query);
// Whether an entry is found by a key (what a store does in its query, for
// stores that filter in memory and for the tests).
bool EntryMatches(const TJournalEntry& entry, const TJournalSearchKey& key);

struct TTechniqueCard;
struct TCardFields;

// The headers of the journal's table, in TJournalColumn's order.
QStringList JournalColumnTitles();
// What a cell of the table shows: "Источник" joins the source and its
// serial number, "Дата" is "09.12.2026", "Снимков" empty for none.
QString JournalCellText(const TJournalEntry& entry, int column);

// An entry made from a technique card on `day`: object, joint, pipe,
// material, the method (the card's standard with its scheme or technique),
// the source and its serial number, the films (exposures × films per
// exposure), the sensitivity or IQI line, the performer ("Составил"); not
// assessed yet.
TJournalEntry EntryFromCard(const TTechniqueCard& card, const TCardFields& fields, const QDate& day);

// The CSV of `entries`: UTF-8 with a byte-order mark, ";" between fields,
// CR LF after each line, a field with ";", a quote or a line break quoted
// (RFC 4180, quotes doubled), dates as 09.12.2026; a header line first.
QByteArray JournalCsv(const QList<TJournalEntry>& entries);
// The same a line at a time, for a journal too large to hold twice: the
// byte-order mark with the header line, then one line per entry appended.
QByteArray JournalCsvHead();
void AppendJournalCsvLine(QByteArray& out, const TJournalEntry& entry);

// The fields in which two versions of an entry differ, one line each, theirs
// first: "Дефекты: «Аа 1,5» → «Аа 2»". For the question after the change check.
QStringList EntryDifferences(const TJournalEntry& theirs, const TJournalEntry& mine);

} // namespace kelto
