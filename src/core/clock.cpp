#include "core/clock.h"

namespace kelto {
namespace {
QDateTime g_fixed;
}
QDateTime Now()
{
    return g_fixed.isValid() ? g_fixed : QDateTime::currentDateTime();
}
void SetFixedNow(const QDateTime& moment)
{
    g_fixed = moment;
}
} // namespace kelto
