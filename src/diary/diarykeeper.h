// The diary's keeper: where the notes are saved (log.cnf, or a session file
// of their own when log.cnf must not be written over), when (two seconds
// after a change, on a worker; at the close, asking what to do when it
// fails), the day's copy and what is said of it, and what is said of the
// load. It asks the user through one callback and knows no window. QtCore.
#pragma once
#include "diary/daystore.h"
#include "diary/diarybackup.h"
#include "diary/diaryfile.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <functional>

namespace kelto {

class TAutoSave;
class TDiaryLoad;
class TSnapshotWriter;

// What the keeper asks: a warning, which only wants to be read, or the
// close's question after a failed save.
struct TDiaryQuestion {
    enum class TKind { Warning, SaveFailedAtClose };
    TKind Kind = TKind::Warning;
    QString Text;
};
enum class TDiaryAnswer { Ok, Retry, Discard, Stay };
using TAskUser = std::function<TDiaryAnswer(const TDiaryQuestion&)>;

// log-<date>-<time>.cnf in `folder`; "-1", "-2" … is added should a file (or
// a link) of that name be there already.
QString SessionDiaryPath(const QString& folder);

class TDiaryKeeper : public QObject {
    Q_OBJECT
public:
    TDiaryKeeper(TAskUser ask, QObject* parent = nullptr);
    ~TDiaryKeeper() override;

    // The notes in memory (StoreNote and the notepad change them).
    TDayList& Store() { return m_store; }

    // Start-up: whether the program folder takes new files is learnt now and
    // said with the load's report.
    void ProbeFolder(const QString& programFolder);
    // Starts reading log.cnf. True when it is in already (a small file): take
    // it with TakeLoaded. Else a worker reads it once the event loop runs,
    // and `loaded` follows.
    bool StartLoad();
    bool Loaded() const;
    // The loaded diary into the store, waiting for the worker if it still
    // reads; true when it was taken now (once). ReportLoad then says what
    // went wrong, if anything.
    bool TakeLoaded();
    void ReportLoad();

    // Where the diary is saved: log.cnf, or a session file beside it, or
    // nothing (nothing was read, or the folder takes no file).
    const QString& DiaryPath() const { return m_diaryPath; }

    // Ending on a signal or with the desktop session: nothing is asked.
    void SetNoQuestions(bool none) { m_noQuestions = none; }
    bool NoQuestions() const { return m_noQuestions; }

    // A note was stored: the autosave follows.
    void NoteStored();
    // The autosave now, on the worker.
    void SaveSoon();
    // The autosave now, and on disk on return (the desktop session ends).
    void SaveAndWait();
    // The close's save; a failure asks to retry, to close without saving or
    // to stay. False: the user chose to stay.
    bool SaveForClose();

signals:
    // The worker has read the diary; TakeLoaded takes it.
    void loaded();

private:
    void AutoSaveWritten(const QString& path, const QString& error);
    // What a write said of the day's copy, told as the rule has it: a copy
    // given up for space once; a copy refused for permissions once, at the
    // day's first write; any other failure at a close.
    void SayOfBackup(const TDiaryWriteResult& r, bool atClose);
    void Say(const QString& text);

    TAskUser m_ask;
    TDayList m_store;
    QString m_programFolder;
    QString m_diaryPath;
    TLoadOutcome m_outcome = TLoadOutcome::NoFile;
    QString m_reason;
    TAutoSave* m_autoSave = nullptr;
    TSnapshotWriter* m_writer = nullptr;
    TDiaryLoad* m_load = nullptr;
    bool m_folderUnwritable = false;
    bool m_noQuestions = false;
    bool m_autoSaveFailShown = false;
    bool m_backupDroppedSaid = false;
    bool m_backupDeniedSaid = false;
    // Changes of the store, and the last of them an autosave has written
    // (set on the autosave's worker).
    quint64 m_generation = 0;
    std::atomic<quint64> m_writtenGeneration = ~quint64(0);
};

} // namespace kelto
