// Reading log.cnf while the window paints: a large diary is read and indexed
// on a worker, and whatever needs the whole diary (every kind of save) takes
// it from here, waiting for the worker if it is not done. A small file is
// read at once, where it is asked for. QtCore only.
#pragma once
#include "diary/diaryfile.h"

#include <QObject>
#include <QString>

#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace kelto {

struct TDiaryLoadResult {
    TDayList Store;
    TLoadOutcome Outcome = TLoadOutcome::NoFile;
    // Why the file could not be read or copied (see LoadDiary).
    QString Reason;
};

// Files up to this size are read where they are asked for: under a
// millisecond, and the window then shows the diary from its first paint.
inline constexpr qint64 InlineLoadBytes = qint64(1) << 20;

class TDiaryLoad : public QObject {
    Q_OBJECT
public:
    explicit TDiaryLoad(QObject* parent = nullptr);
    // Waits for the worker: its store must not outlive the load.
    ~TDiaryLoad() override;

    // Starts reading `path`. Returns true when the result is there already
    // (a small file), false when a worker reads it and `done` follows: at
    // once, or, with `later`, when Launch is called (or the result taken).
    bool Start(const QString& path, bool later = false);
    // The worker of a Start with `later`.
    void Launch();
    // Started, and the result not yet taken.
    bool Pending() const { return m_pending; }
    // The result, once: waits for the worker when it is still reading;
    // nullopt when nothing was started or the result was taken.
    std::optional<TDiaryLoadResult> Take();

signals:
    // On the owner's thread, when the worker is done; the result waits for Take.
    void done();

private:
    std::thread m_thread;
    QString m_waiting; // the path of a Start with `later`, not yet launched
    std::optional<TDiaryLoadResult> m_result;
    bool m_pending = false;
};

// LoadDiary, with running out of memory turned into an unreadable file and an
// empty store: half a diary must never be saved over the whole one.
TDiaryLoadResult ReadDiaryFile(const QString& path);

// Tests: `hook` runs on the worker after the file is read, before the result
// is handed over, and every load then goes to the worker, whatever the
// file's size. An empty function brings the normal load back.
void SetDiaryLoadHook(std::function<void()> hook);

} // namespace kelto
