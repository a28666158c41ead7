#include "core/autosave.h"

namespace kelto {

TAutoSave::TAutoSave(int delayMs, QObject* parent)
    : QObject(parent)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(delayMs);
    connect(&m_timer, &QTimer::timeout, this, &TAutoSave::due);
}

void TAutoSave::Changed()
{
    if (!m_timer.isActive())
        m_timer.start();
}

} // namespace kelto
