#include "diary/diaryload.h"

#include <QFileInfo>
#include <QMetaObject>

#include <chrono>
#include <new>
#include <utility>

namespace kelto {

namespace {
std::function<void()> g_hook;

// The end-to-end tests' slow stick: with KELTO_TEST_DIARY_LOAD_GATE naming a
// file, every load waits on the worker until that file is there (two minutes
// at most), so a test acts while the load runs and decides when it ends.
std::function<void()> GateFromEnvironment()
{
    const QString gate = qEnvironmentVariable("KELTO_TEST_DIARY_LOAD_GATE");
    if (gate.isEmpty())
        return {};
    return [gate] {
        for (int i = 0; i < 6000 && !QFileInfo::exists(gate); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    };
}
} // namespace

void SetDiaryLoadHook(std::function<void()> hook)
{
    g_hook = std::move(hook);
}

TDiaryLoadResult ReadDiaryFile(const QString& path)
{
    TDiaryLoadResult r;
    try {
        r.Outcome = LoadDiary(path, r.Store, &r.Reason);
    } catch (const std::bad_alloc&) {
        r.Store.clear();
        r.Outcome = TLoadOutcome::Unreadable;
        r.Reason = QStringLiteral("недостаточно памяти");
    }
    return r;
}

TDiaryLoad::TDiaryLoad(QObject* parent)
    : QObject(parent)
{
}

TDiaryLoad::~TDiaryLoad()
{
    if (m_thread.joinable())
        m_thread.join();
}

bool TDiaryLoad::Start(const QString& path, bool later)
{
    static const bool gated = [] {
        if (auto gate = GateFromEnvironment())
            g_hook = std::move(gate);
        return true;
    }();
    Q_UNUSED(gated);
    Q_ASSERT(!m_pending);
    m_pending = true;
    if (!g_hook && QFileInfo(path).size() <= InlineLoadBytes) {
        m_result = ReadDiaryFile(path);
        return true;
    }
    m_waiting = path;
    if (!later)
        Launch();
    return false;
}

void TDiaryLoad::Launch()
{
    if (m_waiting.isEmpty())
        return;
    const QString path = std::exchange(m_waiting, QString());
    // The worker writes m_result only; the owner reads it after the join.
    m_thread = std::thread([this, path, hook = g_hook] {
        TDiaryLoadResult r = ReadDiaryFile(path);
        if (hook)
            hook();
        m_result = std::move(r);
        QMetaObject::invokeMethod(this, &TDiaryLoad::done, Qt::QueuedConnection);
    });
}

std::optional<TDiaryLoadResult> TDiaryLoad::Take()
{
    if (!m_pending)
        return std::nullopt;
    Launch();
    if (m_thread.joinable())
        m_thread.join();
    m_pending = false;
    std::optional<TDiaryLoadResult> r = std::move(m_result);
    m_result.reset();
    return r;
}

} // namespace kelto
