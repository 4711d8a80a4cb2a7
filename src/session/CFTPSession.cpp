#include "session/CFTPSession.h"

#include "ftp/LocalFile.h"
#include "net/TlsStream.h"
#include "platform/Event.h"
#include "platform/Ticks.h"
#include "session/SessionTasks.h"
#include "session/SiteTasks.h"

#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

namespace varnix {
namespace {

struct LiveCount {
    std::mutex mutex;
    std::condition_variable changed;
    int count = 0;
};

// Never destroyed: a session thread may still be ending while the program exits.
LiveCount& live()
{
    static LiveCount* instance = new LiveCount;
    return *instance;
}

constexpr std::size_t kMaxFailureText = 511;

} // namespace

CFTPSession* CFTPSession::create(SiteHandle site)
{
    return new CFTPSession(std::move(site));
}

CFTPSession::LiveToken::LiveToken()
{
    std::lock_guard lock(live().mutex);
    ++live().count;
}

CFTPSession::LiveToken::~LiveToken()
{
    std::lock_guard lock(live().mutex);
    --live().count;
    live().changed.notify_all();
}

CFTPSession::CFTPSession(SiteHandle site)
    : site_(site), mailbox_(this), engine_(&mailbox_, std::move(site))
{
}

CFTPSession::~CFTPSession() = default;

int CFTPSession::liveSessions()
{
    std::lock_guard lock(live().mutex);
    return live().count;
}

bool CFTPSession::waitForAllEnded(int timeoutMs)
{
    std::unique_lock lock(live().mutex);
    return live().changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [] { return live().count == 0; });
}

void CFTPSession::start()
{
    started_.store(true);
    std::thread([this] { threadMain(); }).detach();
}

void CFTPSession::threadMain()
{
    // The thread counts as live until the TLS library has let go of it too.
    LiveToken thread;
    run();
    delete this;
    endTlsOnThisThread();
}

void CFTPSession::post(std::unique_ptr<SessionTask> task)
{
    mailbox_.queue().post(std::move(task));
}

void CFTPSession::List(const std::string& folder, const std::string& name)
{
    post(std::make_unique<ListTask>(folder, name));
}

void CFTPSession::MkDir(const std::string& folder, const std::string& name)
{
    post(std::make_unique<MakeFolderTask>(folder, name));
}

void CFTPSession::RmDir(const std::string& folder, const std::string& name)
{
    post(std::make_unique<RemoveFolderTask>(folder, name));
}

void CFTPSession::Delete(const std::string& folder, const std::string& name)
{
    post(std::make_unique<DeleteFileTask>(folder, name));
}

void CFTPSession::Rename(const std::string& folder, const std::string& newName, const std::string& oldName)
{
    post(std::make_unique<RenameTask>(folder, newName, oldName));
}

void CFTPSession::UploadFile(const std::string& remoteFolder, const std::string& remoteName,
                             const std::string& localPath, bool resume)
{
    post(std::make_unique<UploadFileTask>(remoteFolder, remoteName, localPath, resume));
}

void CFTPSession::DownloadFile(const std::string& remoteFolder, const std::string& localPath,
                               const std::string& remoteName, bool resume)
{
    post(std::make_unique<DownloadFileTask>(remoteFolder, localPath, remoteName, resume));
}

void CFTPSession::UploadFolder(const std::string& remoteFolder, const std::string& remoteName,
                               const std::string& localPath, bool resume, bool onlyNewer)
{
    post(std::make_unique<UploadFolderTask>(remoteFolder, remoteName, localPath, resume, onlyNewer));
}

void CFTPSession::DownloadFolder(const std::string& remoteFolder, const std::string& localPath,
                                 const std::string& remoteName, bool resume, bool onlyNewer)
{
    post(std::make_unique<DownloadFolderTask>(remoteFolder, localPath, remoteName, resume, onlyNewer));
}

void CFTPSession::Chown(const std::string& folder, const std::string& name, const std::string& user,
                        const std::string& group)
{
    post(std::make_unique<ChownTask>(folder, name, user, group));
}

void CFTPSession::Chmod(const std::string& folder, const std::string& name, std::uint32_t mode)
{
    post(std::make_unique<ChmodTask>(folder, name, mode));
}

void CFTPSession::Sleep(std::uint32_t count, const std::string& reason)
{
    std::deque<std::unique_ptr<SessionTask>> countdown;
    for (std::uint32_t left = count; left > 0; --left)
        countdown.push_back(std::make_unique<SleepTask>(left, reason));
    mailbox_.queue().postAll(std::move(countdown));
}

void CFTPSession::SiteUploadFile(const std::string& destinationFolder, const std::string& sourceFolder,
                                 CFTPSession* sourceSession, const std::string& targetName,
                                 const std::string& sourceName, bool resume)
{
    post(std::make_unique<SiteUploadFileTask>(destinationFolder, sourceFolder, sourceSession, targetName,
                                              sourceName, resume));
}

void CFTPSession::SiteDownloadFile(const std::string& sourceFolder, const std::string& dataAddress,
                                   std::uint16_t dataPort, const std::string& sourceName,
                                   std::uint64_t restartOffset, bool secureData, SiteCopyHandle link)
{
    post(std::make_unique<SiteDownloadFileTask>(sourceFolder, dataAddress, dataPort, sourceName, restartOffset,
                                                secureData, std::move(link)));
}

void CFTPSession::SiteRelayFile(const std::string& sourceFolder, const std::string& sourceName,
                                std::uint64_t restartOffset, SiteCopyHandle link)
{
    post(std::make_unique<SiteRelayFileTask>(sourceFolder, sourceName, restartOffset, std::move(link)));
}

std::string CFTPSession::siteIdentity() const
{
    return LockedAccess<SiteContext>(site_)->identity();
}

void CFTPSession::SiteDownloadFolder(const std::string& sourceParent, const std::string& destinationParent,
                                     CFTPSession* destinationSession, const std::string& targetName,
                                     const std::string& sourceName, bool resume, bool onlyNewer)
{
    post(std::make_unique<SiteDownloadFolderTask>(this, destinationSession, sourceParent, destinationParent,
                                                  targetName, sourceName, resume, onlyNewer));
}

void CFTPSession::SiteUploadFolder(SiteWorkHandle workList, SitePeer* sourceSession, bool resume, bool onlyNewer)
{
    post(std::make_unique<SiteUploadFolderTask>(sourceSession, std::move(workList), resume, onlyNewer));
}

void CFTPSession::SiteHash(const std::string& folder, const std::string& name, HashAlgorithm algorithm,
                           std::promise<std::string> answer)
{
    post(std::make_unique<SiteHashTask>(folder, name, algorithm, std::move(answer)));
}

void CFTPSession::Cancel()
{
    mailbox_.queue().clear();
    engine_.RequestAbort();
}

bool CFTPSession::isBusy()
{
    return busy_.load() || mailbox_.queue().hasPending();
}

void CFTPSession::release()
{
    setTarget(kNoTarget);
    if (!started_.load()) {
        delete this;
        return;
    }
    Cancel();
    post(std::make_unique<QuitTask>());
}

bool CFTPSession::keepAliveOn()
{
    return LockedAccess<SiteContext>(site_)->settings().keepAlive() != 0;
}

// Seconds until the idle clock starts, or -1 (wait for a task) without keep-alive.
std::int64_t CFTPSession::idleWaitSeconds()
{
    LockedAccess<SiteContext> site(site_);
    return site->settings().keepAlive() ? std::int64_t(site->settings().keepAliveDelay()) : -1;
}

std::int64_t CFTPSession::nextKeepAliveWait()
{
    std::uint32_t begin, end;
    {
        LockedAccess<SiteContext> site(site_);
        begin = site->settings().keepAliveIntervalBegin();
        end = site->settings().keepAliveIntervalEnd();
    }
    // A maximum below the minimum is read as a fixed interval of the minimum.
    if (end < begin)
        return begin;
    std::uint64_t span = std::uint64_t(end - begin) + 1;
    return std::int64_t(begin + std::uint64_t(rand_r(&randomState_)) % span);
}

void CFTPSession::run()
{
    IdleClock idle{idleWaitSeconds(), std::nullopt};
    while (running_) {
        std::unique_ptr<SessionTask> task;
        busy_.store(false);
        try {
            engine_.RecoverAfterAbort();
            task = mailbox_.queue().take(idle.wait < 0 ? Event::kForever : std::uint64_t(idle.wait) * 1000);
            if (task)
                runTask(*task, idle);
            else
                idleTimedOut(idle);
        } catch (...) {
            handleThrown(std::current_exception(), task.get());
        }
    }
}

void CFTPSession::runTask(SessionTask& task, IdleClock& idle)
{
    busy_.store(true);
    mailbox_.sendStatus(task.describe());
    engine_.StartCopyChecks();
    task.execute(engine_);
    // A transfer's report says whether its copies were verified.
    mailbox_.sendKind(NoticeDone, engine_.FinishCopyChecks());
    idle = IdleClock{idleWaitSeconds(), std::nullopt};
}

// The first time-out starts the idle clock; later ones send a keep-alive
// command, until the keep-alive duration has passed.
void CFTPSession::idleTimedOut(IdleClock& idle)
{
    if (!keepAliveOn()) {
        idle.wait = -1;
        return;
    }
    idle.wait = nextKeepAliveWait();
    if (!idle.start)
        idle.start = tickCount();
    else
        engine_.SendKeepAlive();
    std::uint64_t duration = LockedAccess<SiteContext>(site_)->settings().keepAliveDuration();
    if (tickCount() - *idle.start >= duration * 60000)
        idle.wait = -1;
}

// Turns whatever a task or the abort step threw into exactly one notice.
void CFTPSession::handleThrown(std::exception_ptr thrown, const SessionTask* task)
{
    try {
        std::rethrow_exception(thrown);
    } catch (const SessionEnds&) {
        running_ = false;
    } catch (const SleepOver&) {
    } catch (const CopyPartEnded&) {
        // The other session of a copy ended it and reports why.
    } catch (const CFTPException& e) {
        reportFailure(task, e.GetErrorMessage(), Recovery(e.recovery));
    } catch (const CAbortException&) {
        mailbox_.sendKind(NoticeAborted);
    } catch (const CFileException& e) {
        reportFailure(task, e.GetErrorMessage(), e.worthRetrying() ? RecoveryRetry : RecoveryNone);
    } catch (const CException& e) {
        // Network failures, and anything unforeseen, are worth retrying.
        reportFailure(task, e.GetErrorMessage(), RecoveryRetry);
    } catch (const std::exception& e) {
        reportFailure(task, e.what(), RecoveryRetry);
    }
}

void CFTPSession::reportFailure(const SessionTask* task, const std::string& message, Recovery recovery)
{
    std::string text = message.substr(0, kMaxFailureText);
    if (task)
        text = task->describe() + " failed: " + text;
    mailbox_.sendKind(NoticeFailed, std::move(text), recovery);
}

} // namespace varnix
