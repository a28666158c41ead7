// The clock of the program. Tests set a fixed moment.
#pragma once
#include <QDateTime>

namespace kelto {
QDateTime Now();
inline QDate Today()
{
    return Now().date();
}
// An invalid value returns to the real clock.
void SetFixedNow(const QDateTime& moment);
} // namespace kelto
