#include "diary/diarykeeper.h"

#include "core/autosave.h"
#include "core/clock.h"
#include "core/snapshotwriter.h"
#include "core/textfile.h"
#include "diary/diaryload.h"

#include <QDir>
#include <QFileInfo>
#include <QMetaObject>
#include <QTemporaryFile>
#include <QTimer>

#include <cerrno>
#include <new>
#include <optional>

namespace kelto {

namespace {

constexpr int AutoSaveDelayMs = 2000;

// The atomic save path makes its temporary file beside the target, so this
// is the very thing every save of the program needs.
bool FolderTakesNewFiles(const QString& folder)
{
    QTemporaryFile probe(folder + QStringLiteral("kelto-XXXXXX.tmp"));
    return probe.open();
}

// The diary's bytes written to `path`: log.cnf with the day's copy first
// (`backUp`), or a session file, which is not the diary and has no copies.
// Running out of memory for the bytes fails the save like any other
// failure: the notes stay in the program.
TDiaryWriteResult WriteDiaryTo(const QString& path, bool backUp, const TDayList& store, const QDate& today)
{
    try {
        const QByteArray bytes = EncodeDiary(store);
        if (backUp)
            return WriteDiaryOfDay(path, today, bytes);
        return {std::nullopt, WriteFileAtomically(path, bytes)};
    } catch (const std::bad_alloc&) {
        return {std::nullopt, SystemErrorText(ENOMEM)};
    }
}

} // namespace

QString SessionDiaryPath(const QString& folder)
{
    const QString stem = folder + QStringLiteral("log-") + Now().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString path = stem + QStringLiteral(".cnf");
    for (int i = 1; QFileInfo(path).exists() || QFileInfo(path).isSymLink(); ++i)
        path = stem + QStringLiteral("-%1.cnf").arg(i);
    return path;
}

TDiaryKeeper::TDiaryKeeper(TAskUser ask, QObject* parent)
    : QObject(parent)
    , m_ask(std::move(ask))
{
    // Notes are written at most two seconds after a change, so a crash or a
    // power cut loses only the last seconds, even in the middle of typing.
    // The writing itself happens on a worker (TSnapshotWriter).
    m_autoSave = new TAutoSave(AutoSaveDelayMs, this);
    connect(m_autoSave, &TAutoSave::due, this, &TDiaryKeeper::SaveSoon);
    m_writer = new TSnapshotWriter(this);
    connect(m_writer, &TSnapshotWriter::written, this, &TDiaryKeeper::AutoSaveWritten);
    m_load = new TDiaryLoad(this);
    connect(m_load, &TDiaryLoad::done, this, &TDiaryKeeper::loaded);
}

TDiaryKeeper::~TDiaryKeeper() = default;

void TDiaryKeeper::Say(const QString& text)
{
    // Ending on a signal, no one may be there to answer.
    if (!m_noQuestions)
        m_ask({TDiaryQuestion::TKind::Warning, text});
}

void TDiaryKeeper::ProbeFolder(const QString& programFolder)
{
    m_programFolder = programFolder;
    // Said once, with the diary's load (one box for both), rather than found
    // out when the window closes and the day's notes cannot be kept.
    m_folderUnwritable = !FolderTakesNewFiles(programFolder);
}

bool TDiaryKeeper::StartLoad()
{
    // A large diary is read on a worker; until it is in, every save waits
    // for it (TakeLoaded), so nothing is written before the whole diary is
    // loaded and checked.
    if (m_load->Start(m_programFolder + QStringLiteral("log.cnf"), true))
        return true;
    // Once the window is up: reading 50 MB beside the window's own start
    // slows it down on a busy machine more than it gains on an idle one.
    QTimer::singleShot(0, m_load, &TDiaryLoad::Launch);
    return false;
}

bool TDiaryKeeper::Loaded() const
{
    return !m_load->Pending();
}

bool TDiaryKeeper::TakeLoaded()
{
    std::optional<TDiaryLoadResult> loaded = m_load->Take();
    if (!loaded)
        return false;
    m_store = std::move(loaded->Store);
    m_outcome = loaded->Outcome;
    m_reason = loaded->Reason;
    ++m_generation;
    return true;
}

void TDiaryKeeper::ReportLoad()
{
    const QString path = m_programFolder + QStringLiteral("log.cnf");
    const TLoadOutcome outcome = m_outcome;
    const QString& reason = m_reason;
    m_diaryPath = path;
    const QString shown = QDir::toNativeSeparators(path);
    if (m_folderUnwritable) {
        QString text = QStringLiteral("Папка программы недоступна для записи: заметки не будут сохранены. Папка: %1")
                           .arg(QDir::toNativeSeparators(m_programFolder));
        if (!MayReplaceAfterLoad(outcome)) {
            // No session file either: it could not be written there.
            m_diaryPath.clear();
            text += QStringLiteral("\nФайл записей %1 не удалось прочитать: %2.").arg(shown, reason);
        }
        Say(text);
        return;
    }
    if (outcome == TLoadOutcome::MergedDates) {
        Say(QStringLiteral("В файле записей %1 одна и та же дата записана несколько раз. "
                           "Записи каждой даты объединены в одну, ничего не потеряно.\n"
                           "Исходный файл сохранён в %2.")
                .arg(shown, QDir::toNativeSeparators(DiaryBackupPath(path))));
        return;
    }
    if (outcome == TLoadOutcome::Damaged) {
        Say(QStringLiteral("Файл записей %1 повреждён. Прочитано записей: %2.\n"
                           "Весь исходный файл сохранён в %3.")
                .arg(shown)
                .arg(m_store.size())
                .arg(QDir::toNativeSeparators(DiaryBackupPath(path))));
        return;
    }
    if (MayReplaceAfterLoad(outcome))
        return;
    m_diaryPath = SessionDiaryPath(m_programFolder);
    const QString session = QDir::toNativeSeparators(m_diaryPath);
    if (outcome == TLoadOutcome::MergedNoBackup)
        Say(QStringLiteral("В файле записей %1 одна и та же дата записана несколько раз, "
                           "а его копию %2 не удалось записать: %3.\n"
                           "Этот файл не будет изменён. Записи этого сеанса сохраняются в файл %4.")
                .arg(shown, QDir::toNativeSeparators(DiaryBackupPath(path)), reason, session));
    else if (outcome == TLoadOutcome::Unreadable)
        Say(QStringLiteral("Не удалось прочитать файл записей %1: %2.\n"
                           "Этот файл не будет изменён. Записи этого сеанса сохраняются в файл %3.")
                .arg(shown, reason, session));
    else
        Say(QStringLiteral("Файл записей %1 повреждён (прочитано записей: %2), "
                           "а его копию %3 не удалось записать: %4.\n"
                           "Этот файл не будет изменён. Записи этого сеанса сохраняются в файл %5.")
                .arg(shown)
                .arg(m_store.size())
                .arg(QDir::toNativeSeparators(DiaryBackupPath(path)), reason, session));
}

void TDiaryKeeper::NoteStored()
{
    ++m_generation;
    m_autoSave->Changed();
}

bool TDiaryKeeper::SaveForClose()
{
    m_autoSave->Cancel();
    // An autosave still writing finishes first; the close's own save below
    // then has the last word.
    m_writer->Finish();
    const QString path = m_diaryPath;
    if (path.isEmpty())
        return true; // never shown: nothing was read, nothing to write
    // An autosave that was writing when the close (or a signal) came has
    // written every note: the diary is written once, not twice.
    if (m_writtenGeneration == m_generation)
        return true;
    // A failed copy is said, then the save goes on: the day's notes matter
    // more. A session file is not the diary and gets no daily copies.
    const bool backUp = path == m_programFolder + QStringLiteral("log.cnf");
    const auto write = [&] { return WriteDiaryTo(path, backUp, m_store, Today()); };
    TDiaryWriteResult done = write();
    SayOfBackup(done, true);
    for (; done.saveError; done = write()) {
        if (m_folderUnwritable || m_noQuestions)
            return true; // told at start, or no one to ask; the previous file stays whole
        const TDiaryAnswer answer
            = m_ask({TDiaryQuestion::TKind::SaveFailedAtClose,
                     QStringLiteral("Не удалось сохранить записи в файл %1:\n%2\n\n"
                                    "Если закрыть программу сейчас, изменения записей будут потеряны.")
                         .arg(QDir::toNativeSeparators(path), *done.saveError)});
        if (answer == TDiaryAnswer::Discard)
            return true;
        if (answer != TDiaryAnswer::Retry)
            return false;
    }
    return true;
}

void TDiaryKeeper::SaveAndWait()
{
    SaveSoon();
    m_writer->Wait();
}

void TDiaryKeeper::SaveSoon()
{
    m_autoSave->Cancel();
    if (m_diaryPath.isEmpty())
        return;
    // A failure is said once (AutoSaveWritten), not at every keystroke. The
    // snapshot is taken here, between two events: a copy of the store shares
    // the notes' bytes, which nothing changes in place, so it costs a walk of
    // the records, not of the text. The day's backup, encoding, writing and
    // flushing a large diary would hold the window; a worker does them, the
    // backup first. A failed copy is tried again at the next write.
    const QString path = m_diaryPath;
    std::optional<TDayList> snapshot;
    try {
        snapshot.emplace(m_store);
    } catch (const std::bad_alloc&) {
        AutoSaveWritten(path, SystemErrorText(ENOMEM));
        return;
    }
    m_writer->WriteWith(path, [this, snapshot = std::move(*snapshot), path, generation = m_generation,
                               backUp = path == m_programFolder + QStringLiteral("log.cnf"), today = Today()] {
        const TDiaryWriteResult r = WriteDiaryTo(path, backUp, snapshot, today);
        if (!r.saveError)
            m_writtenGeneration = generation;
        if (r.backupError || r.backupDropped)
            QMetaObject::invokeMethod(this, [this, r] { SayOfBackup(r, false); }, Qt::QueuedConnection);
        return r.saveError;
    });
}

void TDiaryKeeper::SayOfBackup(const TDiaryWriteResult& r, bool atClose)
{
    if (m_folderUnwritable || m_noQuestions)
        return;
    if (r.backupDropped && !m_backupDroppedSaid) {
        m_backupDroppedSaid = true;
        Say(QStringLiteral("Резервная копия за сегодня удалена: не хватает места на диске"));
    }
    if (!r.backupError)
        return;
    // Permissions stay as they are from one close to the next (a backup
    // folder of another user's): said at the day's first write, once.
    const bool denied = r.backupError->contains(SystemErrorText(EACCES));
    if (denied ? !r.firstWriteOfDay || m_backupDeniedSaid : !atClose)
        return;
    m_backupDeniedSaid = m_backupDeniedSaid || denied;
    Say(QStringLiteral("Не удалось сохранить резервную копию записей:\n%1").arg(*r.backupError));
}

void TDiaryKeeper::AutoSaveWritten(const QString& path, const QString& error)
{
    if (error.isEmpty()) {
        m_autoSaveFailShown = false;
        return;
    }
    // Said at once, and once until a save succeeds again; the store keeps
    // every note, and the next change (or the close) writes them all.
    if (m_autoSaveFailShown || m_folderUnwritable || m_noQuestions)
        return;
    m_autoSaveFailShown = true;
    Say(QStringLiteral("Не удалось сохранить записи в файл %1: %2.\n"
                       "Записи остаются в программе; сохранение будет повторено при следующем изменении.")
            .arg(QDir::toNativeSeparators(path), error));
}

} // namespace kelto
