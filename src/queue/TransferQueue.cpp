#include "queue/TransferQueue.h"

#include "model/RemoteFolder.h"
#include "model/RemotePath.h"
#include "queue/LoginPrompt.h"
#include "queue/QueueRows.h"
#include "queue/RemoteWindows.h"
#include "session/CFTPSession.h"
#include "session/SessionTasks.h"

#include <memory>
#include <utility>

namespace varnix {
namespace {

// The status with which the fence's sleep begins.
const std::string& fenceText()
{
    static const std::string text = SleepTask(1).describe();
    return text;
}

bool endsTask(NoticeKind kind)
{
    return kind == NoticeDone || kind == NoticeFailed || kind == NoticeAborted;
}

} // namespace

TransferQueue::TransferQueue(QueueRows& rows, RemoteWindows& windows, LoginPrompt* prompt)
    : rows_(rows), windows_(windows), prompt_(prompt), target_(notice_targets::add(this))
{
}

// The program is ending: the sessions go, and no window is asked to take them.
TransferQueue::~TransferQueue()
{
    notice_targets::remove(target_);
    for (const QueueItemHandle& item : items_) {
        if (CFTPSession* a = std::exchange(item->workerA, nullptr))
            a->release();
        if (CFTPSession* b = std::exchange(item->workerB, nullptr))
            b->release();
    }
}

void TransferQueue::add(const QueueItemHandle& item)
{
    items_.push_back(item);
    rows_.addRow(item, initialRowTexts(*item));
}

void TransferQueue::start(const QueueItemHandle& item, CFTPSession* sessionA, CFTPSession* sessionB)
{
    if (!contains(item) || item->running()) {
        letGo(sessionA);
        letGo(sessionB);
        return;
    }
    item->retryCount = 0;
    begin(item, sessionA, sessionB);
}

void TransferQueue::finish(const QueueItemHandle& item)
{
    end(item, false);
}

void TransferQueue::retry(const QueueItemHandle& item, bool delayed, bool resume)
{
    item->resume = resume;
    ++item->retryCount;
    // The other side of a copy may still be at work on the failed attempt.
    if (item->siteToSite) {
        cancelAndFence(item->workerA);
        cancelAndFence(item->workerB);
    }
    if (delayed) {
        std::uint32_t delay = LockedAccess<SiteContext>(item->siteA)->settings().retryDelay();
        for (CFTPSession* worker : {item->workerA, item->workerB})
            if (worker)
                worker->Sleep(delay);
    }
    forgetUploadTarget(*item);
    begin(item, item->workerA, item->workerB);
}

std::intptr_t TransferQueue::receiveMessage(unsigned message, void* param)
{
    if (message != kSessionNoticeMessage)
        return 0;
    std::unique_ptr<SessionNotice> notice(static_cast<SessionNotice*>(param));
    handle(*notice);
    return kNoticeKept;
}

void TransferQueue::handle(const SessionNotice& notice)
{
    if (isStale(notice))
        return;
    QueueItemHandle item = itemOf(notice.sender);
    if (!item)
        return;
    if (auto worker = workers_.find(notice.sender); worker != workers_.end())
        worker->second.quiet = endsTask(notice.kind);
    switch (notice.kind) {
    case NoticeFailed:
        failed(item, notice);
        break;
    case NoticeAborted:
        aborted(item);
        break;
    case NoticeProgress:
        if (showsProgress(*item, notice.sender))
            rows_.updateProgress(item, progressUpdate(*item, notice));
        break;
    case NoticeDone:
        if (notice.sender == item->workerA)
            item->verification = notice.text;
        done(item, notice.sender);
        break;
    case NoticeStatus:
    case NoticeListed:
        break;
    }
}

bool TransferQueue::isStale(const SessionNotice& notice)
{
    auto worker = workers_.find(notice.sender);
    if (worker == workers_.end() || !worker->second.fenced)
        return false;
    if (notice.kind == NoticeStatus && notice.text == fenceText())
        worker->second = Worker{};
    return true;
}

QueueItemHandle TransferQueue::itemOf(const CFTPSession* sender) const
{
    for (const QueueItemHandle& item : items_)
        if (holds(item, sender))
            return item;
    return {};
}

bool TransferQueue::holds(const QueueItemHandle& item, const CFTPSession* session) const
{
    return session && (item->workerA == session || item->workerB == session);
}

// A site-to-site copy's destination reports only a folder's bytes, after
// its last file; the source's report of that file may still follow.
bool TransferQueue::showsProgress(QueueItem& item, const CFTPSession* sender) const
{
    if (!item.siteToSite)
        return true;
    if (sender == item.workerA)
        item.totalShown = true;
    return !item.totalShown || sender == item.workerA;
}

void TransferQueue::done(const QueueItemHandle& item, const CFTPSession* sender)
{
    if (sender == item->workerA)
        item->doneA = true;
    if (sender == item->workerB)
        item->doneB = true;
    if (!allReported(*item))
        return;
    rows_.setStatus(item, item->verification.empty() ? "Complete" : "Verified");
    RowUpdate update;
    update.time = "0";
    rows_.updateProgress(item, update);
    end(item, true);
}

// A folder copy's destination may report before the source has finished
// its part of the last file: the copy is complete once both are quiet.
bool TransferQueue::allReported(const QueueItem& item) const
{
    if (!item.complete())
        return false;
    if (!item.siteToSite)
        return true;
    for (const CFTPSession* worker : {item.workerA, item.workerB}) {
        auto known = workers_.find(worker);
        if (known != workers_.end() && !known->second.quiet)
            return false;
    }
    return true;
}

void TransferQueue::failed(const QueueItemHandle& item, const SessionNotice& notice)
{
    item->failure = notice.text;
    std::uint32_t limit = LockedAccess<SiteContext>(item->siteA)->settings().retryCount();
    if (item->retryCount >= limit || notice.recovery == RecoveryNone) {
        giveUp(item);
        return;
    }
    bool delayed = true;
    if (notice.recovery == RecoveryLogin) {
        bool confirmed = askLogin(item, notice);
        // The prompt is modal: the item may have been cleared meanwhile.
        if (!holds(item, notice.sender))
            return;
        if (!confirmed) {
            giveUp(item);
            return;
        }
        delayed = false;
    }
    rows_.setFailure(item, "Retry", item->failure);
    retry(item, delayed, notice.recovery != RecoveryRestart);
}

void TransferQueue::giveUp(const QueueItemHandle& item)
{
    rows_.setFailure(item, "Failed", item->failure);
    end(item, !item->siteToSite);
}

// The prompt edits the login of the site that refused it.
bool TransferQueue::askLogin(const QueueItemHandle& item, const SessionNotice& notice)
{
    if (!prompt_)
        return false;
    SiteHandle site = notice.sender == item->workerB ? item->siteB : item->siteA;
    return prompt_->ask(site, notice.text);
}

void TransferQueue::aborted(const QueueItemHandle& item)
{
    rows_.setStatus(item, "Canceled");
    end(item, !item->siteToSite);
}

// settled: nothing of the item's work can still be running or queued on
// its sessions, so they need no cancel (which would leave an abort request
// behind on an idle session).
void TransferQueue::end(const QueueItemHandle& item, bool settled)
{
    if (!settled) {
        cancelAndFence(item->workerA);
        cancelAndFence(item->workerB);
    }
    if (item->queued && item->running()) {
        if (QueueItemHandle next = nextInChain(item)) {
            handOver(item, next);
            return;
        }
    }
    letGo(std::exchange(item->workerA, nullptr));
    letGo(std::exchange(item->workerB, nullptr));
    item->queued = false;
}

QueueItemHandle TransferQueue::nextInChain(const QueueItemHandle& item) const
{
    for (const QueueItemHandle& other : items_) {
        if (!other.sameAs(item) && other->queued && !other->running() && other->siteA.sameAs(item->siteA) &&
            other->siteB.sameAs(item->siteB))
            return other;
    }
    return {};
}

void TransferQueue::handOver(const QueueItemHandle& from, const QueueItemHandle& to)
{
    CFTPSession* a = std::exchange(from->workerA, nullptr);
    CFTPSession* b = std::exchange(from->workerB, nullptr);
    from->queued = false;
    start(to, a, b);
    rows_.setStatus(to, "Pending");
}

void TransferQueue::letGo(CFTPSession* session)
{
    if (!session)
        return;
    workers_.erase(session);
    windows_.giveBack(session);
}

void TransferQueue::begin(const QueueItemHandle& item, CFTPSession* sessionA, CFTPSession* sessionB)
{
    // A new attempt: what the last one reported counts no more.
    item->doneA = false;
    item->doneB = false;
    item->totalShown = false;
    item->verification.clear();
    item->workerA = engage(sessionA, item->siteA);
    if (item->siteToSite)
        item->workerB = engage(sessionB, item->siteB);
    else
        letGo(sessionB);
    post(*item);
}

CFTPSession* TransferQueue::engage(CFTPSession* session, const SiteHandle& site)
{
    if (!session) {
        session = CFTPSession::create(site);
        session->setTarget(target_);
        session->start();
        workers_[session] = Worker{};
        return session;
    }
    // The target first: the fence's own report ends the fence, and a session
    // that has just finished its window's work may report it at once.
    session->setTarget(target_);
    if (workers_.find(session) == workers_.end()) {
        workers_[session] = Worker{};
        // A borrowed session may still be busy with its window's work, whose
        // reports are not this item's.
        if (session->isBusy())
            fence(session);
    }
    return session;
}

void TransferQueue::post(const QueueItem& i)
{
    if (i.siteToSite && i.folder)
        i.workerB->SiteDownloadFolder(i.remoteDirB, i.remoteDirA, i.workerA, i.targetName, i.sourceName, i.resume,
                                      i.onlyNewer);
    else if (i.siteToSite)
        i.workerA->SiteUploadFile(i.remoteDirA, i.remoteDirB, i.workerB, i.targetName, i.sourceName, i.resume);
    else if (i.folder && i.upload)
        i.workerA->UploadFolder(i.remoteDirA, i.targetName, i.sourceName, i.resume, i.onlyNewer);
    else if (i.folder)
        i.workerA->DownloadFolder(i.remoteDirA, i.targetName, i.sourceName, i.resume, i.onlyNewer);
    else if (i.upload)
        i.workerA->UploadFile(i.remoteDirA, i.targetName, i.sourceName, i.resume);
    else
        i.workerA->DownloadFile(i.remoteDirA, i.targetName, i.sourceName, i.resume);
}

void TransferQueue::fence(CFTPSession* session)
{
    session->Sleep(1);
    workers_[session].fenced = true;
}

void TransferQueue::cancelAndFence(CFTPSession* session)
{
    if (!session)
        return;
    session->Cancel();
    fence(session);
}

// A failed upload has changed the remote folder, so a listing cached before
// it would give the resume a wrong offset.
void TransferQueue::forgetUploadTarget(const QueueItem& item)
{
    if (!item.upload || item.siteToSite)
        return;
    LockedAccess<SiteContext> site(item.siteA);
    site->storeFolder(item.remoteDirA, FolderHandle{});
    if (item.folder)
        site->storeFolder(joinRemotePath(item.remoteDirA, item.targetName), FolderHandle{});
}

} // namespace varnix
