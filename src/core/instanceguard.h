// One running copy at a time. Two exclusive locks that the system drops when
// the process ends, so a crash never blocks the next start: one on a file
// named after the program in the user's runtime folder (one copy per user),
// and one on the program folder itself (one copy per diary, whoever runs it:
// two users sharing a portable folder, or the same user through sudo).
#pragma once
#include <QString>

namespace kelto {

class TInstanceGuard {
public:
    explicit TInstanceGuard(QString name = QStringLiteral("kelto"));
    ~TInstanceGuard();
    TInstanceGuard(const TInstanceGuard&) = delete;
    TInstanceGuard& operator=(const TInstanceGuard&) = delete;

    // True when this process now holds the locks (held until destruction).
    // `programFolder` empty: the runtime folder's lock only.
    bool Acquire(const QString& programFolder = {});
    // The runtime lock's file: in $XDG_RUNTIME_DIR, or, where that is unset,
    // in a folder of the temporary folder private to the user (kelto-<uid>,
    // mode 0700), so that no other user can hold it. Empty when no private
    // place can be had.
    QString LockPath() const;

private:
    QString m_name;
    int m_fd = -1;
    int m_folderFd = -1;
};

} // namespace kelto
