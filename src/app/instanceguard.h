// One running copy at a time. An exclusive lock on a file named after the
// program in the user's runtime folder: the system drops it when the process
// ends, so a crash never blocks the next start.
#pragma once
#include <QString>

namespace kelto {

class TInstanceGuard {
public:
    explicit TInstanceGuard(QString name = QStringLiteral("kelto"));
    ~TInstanceGuard();
    TInstanceGuard(const TInstanceGuard&) = delete;
    TInstanceGuard& operator=(const TInstanceGuard&) = delete;

    // True when this process now holds the lock (held until destruction).
    bool acquire();
    QString lockPath() const;

private:
    QString m_name;
    int m_fd = -1;
};

} // namespace kelto
