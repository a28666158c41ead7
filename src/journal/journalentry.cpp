#include "journal/journalentry.h"

#include <tuple>

namespace kelto {

namespace {
auto Typed(const TJournalEntry& e)
{
    return std::tie(e.date, e.object, e.joint, e.pipe, e.material, e.method, e.source, e.sourceSerial, e.films,
                    e.filmSize, e.sensitivity, e.defects, e.verdict, e.conclusion, e.performer, e.note);
}
} // namespace

bool TJournalEntry::SameText(const TJournalEntry& other) const
{
    return Typed(*this) == Typed(other);
}

} // namespace kelto
