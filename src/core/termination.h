// SIGTERM, SIGHUP and SIGINT end the program as a close does, with the diary
// saved. A signal handler may do next to nothing, so it only writes the
// signal's number into a pipe; the pipe's reader on the user-interface thread
// turns it into `requested`.
#pragma once
#include <QObject>

class QSocketNotifier;

namespace kelto {

class TTerminationWatch : public QObject {
    Q_OBJECT
public:
    // Installs the handlers; one watch per process.
    explicit TTerminationWatch(QObject* parent = nullptr);
    ~TTerminationWatch() override;

signals:
    void requested(int signal);

private:
    void ReadPipe();
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace kelto
