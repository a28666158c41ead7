#include "app/platform.h"

#include <QList>

namespace kelto {

QByteArray PlatformWithFallback(const QByteArray& requested)
{
    if (requested.trimmed().isEmpty())
        return requested;
    for (const QByteArray& entry : requested.split(';')) {
        // "xcb" or "xcb:option=value"
        if (entry.trimmed().split(':').first() == "xcb")
            return requested;
    }
    return requested + ";xcb";
}

} // namespace kelto
