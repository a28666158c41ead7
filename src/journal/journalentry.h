// The control journal's values: one tested joint (an entry) and one
// conclusion made of entries. Plain values, no storage: every store (the
// file journal.db, a laboratory's server) reads and writes these. QtCore only.
#pragma once
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

namespace kelto {

// The assessment of a joint. The order is the one the filter lists.
enum class TVerdict {
    NotAssessed, // "не оценён": an entry made from a card waits for the films
    Fit,         // "годен"
    Repair,      // "ремонт"
    Cut,         // "вырезать"
};

// One tested joint. Texts are kept as the technician typed them.
struct TJournalEntry {
    qint64 id = 0; // 0: not stored yet; a store gives it on the first save
    QDate date;    // the day of control
    QString object;
    QString joint;    // the joint's number as written on the drawing
    QString pipe;     // "219 × 8"
    QString material;
    QString method;   // "ГОСТ 7512-82, схема 5б" or "ГОСТ ISO 17636-1, класс B, …"
    QString source;
    QString sourceSerial;
    int films = 0;
    QString filmSize;
    QString sensitivity; // the sensitivity or IQI reached
    QString defects;     // free text
    TVerdict verdict = TVerdict::NotAssessed;
    QString conclusion;  // the conclusion's number "17/2026"; empty while none
    QString performer;
    QString note;

    // Kept by the store, never typed. `revision` is the one the entry was read
    // at: a save of revision r succeeds only while the stored entry is still at
    // r (the change check), and leaves it at r + 1.
    qint64 revision = 0;
    QString createdBy;
    QDateTime createdAt;
    QString changedBy;
    QDateTime changedAt;
    bool deleted = false;
    // Saved while the laboratory's server was away: kept in journal.db and
    // sent when it answers ("не отправлено").
    bool unsent = false;

    // Equal in what the technician typed (not in what the store keeps).
    bool SameText(const TJournalEntry& other) const;
};

// The number of a conclusion: counted anew each year, shown "17/2026".
struct TConclusionNumber {
    int number = 0; // 0: none yet (the store takes the next free one)
    int year = 0;
    bool IsValid() const { return number > 0 && year > 0; }
    bool operator==(const TConclusionNumber&) const = default;
};

// A conclusion: its header fields as typed in the window "Заключение" and the
// entries it reports on, in the order of its table.
struct TConclusion {
    qint64 id = 0; // 0: not stored yet
    TConclusionNumber number;
    QDate date;
    QString organization;
    QString place;           // place of control
    QString customer;        // customer and contract
    QString object;
    QString drawing;         // drawing number
    QString jointCategory;
    QString methodStandard;  // the method and standard
    QString means;           // source with serial number, film, screens, IQI
    QString norms;           // the norms of assessment
    QString performer;
    QString performerQualification;
    QString checker;
    QString checkerQualification;
    QList<qint64> entryIds;
    QString createdBy;
    QDateTime createdAt;
};

} // namespace kelto
