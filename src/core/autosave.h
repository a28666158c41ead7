// When the diary is written while the user types: at most a fixed time after
// the first change not yet saved, however long the typing goes on. A timer
// restarted by every keystroke would wait for a pause that continuous typing
// never makes, and a crash or a kill then loses all of it.
#pragma once
#include <QObject>
#include <QTimer>

namespace kelto {

class TAutoSave : public QObject {
    Q_OBJECT
public:
    explicit TAutoSave(int delayMs, QObject* parent = nullptr);

    // A change was made: `due` comes at most the delay after the first
    // change since the last save; later changes do not push it back.
    void Changed();
    // Saved by other means (close): nothing is due.
    void Cancel() { m_timer.stop(); }

signals:
    void due();

private:
    QTimer m_timer;
};

} // namespace kelto
