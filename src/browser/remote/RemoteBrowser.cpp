#include "browser/remote/RemoteBrowser.h"

#include "browser/remote/DragSources.h"
#include "model/RemoteFolder.h"
#include "platform/Profile.h"
#include "queue/ConflictChoice.h"
#include "queue/TransferQueue.h"
#include "session/CFTPSession.h"
#include "settings/ConnectHistory.h"

#include <algorithm>
#include <iterator>
#include <memory>
#include <utility>

namespace varnix {
namespace {

// "Listing contents failed: Connection refused" -> "Connection refused".
std::string failureCause(const std::string& failure)
{
    static const std::string kFailed = " failed: ";
    std::size_t at = failure.find(kFailed);
    return at == std::string::npos ? failure : failure.substr(at + kFailed.size());
}

} // namespace

RemoteBrowser::RemoteBrowser(SiteHandle site, std::string initialPath, RemoteView& view, BrowserDialogs& dialogs,
                             BrowserHost& host)
    : WindowSession(std::move(site)),
      initialPath_(std::move(initialPath)),
      view_(view),
      dialogs_(dialogs),
      host_(host),
      target_(notice_targets::add(this)),
      dragId_(drag_sources::add(this))
{
    setNoticeTarget(target_);
}

RemoteBrowser::~RemoteBrowser()
{
    withdrawFromDrags();
    notice_targets::remove(target_);
}

void RemoteBrowser::withdrawFromDrags()
{
    drag_sources::remove(dragId_);
}

void RemoteBrowser::open()
{
    navigate(initialPath_, "");
}

bool RemoteBrowser::transferNow() const
{
    return LockedAccess<SiteContext>(site())->settings().transferNow() != 0;
}

FolderHandle RemoteBrowser::cached(const std::string& path) const
{
    return LockedAccess<SiteContext>(site())->lookUpFolder(path);
}

bool RemoteBrowser::canRun(RemoteCommand command, const RowSelection& selection) const
{
    const bool shown = !currentPath_.empty();
    switch (command) {
    case RemoteCommand::Download:
    case RemoteCommand::Queue:
    case RemoteCommand::Transfer:
        return !selection.entries.empty();
    case RemoteCommand::Delete:
        return selection.rows() != 0;
    case RemoteCommand::Rename:
        return selection.rows() == 1;
    case RemoteCommand::Properties:
        return selection.entries.size() == 1 && !selection.placeholder;
    case RemoteCommand::Refresh:
        // Before anything is shown, once the session has given up: try again.
        return shown || (session() && !session()->isBusy());
    case RemoteCommand::NewFolder:
        return shown;
    case RemoteCommand::Cancel:
        return (session() && session()->isBusy()) || !runningStarted().empty();
    case RemoteCommand::ReplicateView:
    case RemoteCommand::SiteSettings:
    case RemoteCommand::Bookmark:
        return true;
    case RemoteCommand::LastFolder:
        return shown && pathHistory_.size() > 1;
    case RemoteCommand::UpOneLevel:
        return shown && currentPath_ != "/";
    }
    return false;
}

void RemoteBrowser::run(RemoteCommand command, const RowSelection& selection)
{
    if (!canRun(command, selection))
        return;
    switch (command) {
    case RemoteCommand::Download:
        return transferRows(selection, true);
    case RemoteCommand::Queue:
        return transferRows(selection, false);
    case RemoteCommand::Transfer:
        return transferRows(selection, transferNow());
    case RemoteCommand::Delete:
        return deleteRows(selection);
    case RemoteCommand::Rename:
        return view_.startRename();
    case RemoteCommand::Properties:
        return editProperties(*selection.entries.front());
    case RemoteCommand::Refresh:
        return currentPath_.empty() ? reconnect() : refreshFolder(currentPath_);
    case RemoteCommand::Cancel:
        return cancel();
    case RemoteCommand::ReplicateView:
        return replicate();
    case RemoteCommand::SiteSettings:
        return host_.openSiteSettings(site());
    case RemoteCommand::Bookmark:
        return host_.bookmark(site(), currentPath_);
    case RemoteCommand::LastFolder:
        return lastFolder();
    case RemoteCommand::UpOneLevel:
        return navigate(currentPath_, "..");
    case RemoteCommand::NewFolder:
        return view_.startNewFolder();
    }
}

// Stops the window's own work (a countdown included) and the transfers it
// started on the queue's connections.
void RemoteBrowser::cancel()
{
    if (session() && session()->isBusy())
        session()->Cancel();
    if (countingDown_) {
        countingDown_ = false;
        view_.showStatus(retryReason_);
    }
    if (TransferQueue* queue = host_.queue())
        queue->cancelSelected(runningStarted());
    view_.refreshCommands();
}

std::vector<QueueItemHandle> RemoteBrowser::runningStarted() const
{
    std::vector<QueueItemHandle> running;
    std::copy_if(started_.begin(), started_.end(), std::back_inserter(running),
                 [](const QueueItemHandle& item) { return item->running(); });
    return running;
}

void RemoteBrowser::navigate(const std::string& folder, const std::string& name)
{
    std::string path = folder;
    FolderHandle listing = cached(folder);
    if (listing && !name.empty()) {
        // Names the server resolved before ("..", folders, links to them).
        path = listing->resolvedPath(name);
        listing = path.empty() ? FolderHandle{} : cached(path);
    }
    if (listing) {
        showListing(path);
        return;
    }
    ensureSession()->List(folder, name);
    view_.refreshCommands();
}

void RemoteBrowser::refreshFolder(const std::string& path)
{
    LockedAccess<SiteContext>(site())->storeFolder(path, FolderHandle{});
    if (path == currentPath_)
        navigate(currentPath_, "");
}

void RemoteBrowser::choosePath(const std::string& path)
{
    navigate(path, "");
}

void RemoteBrowser::enterPath(const std::string& text)
{
    if (text == currentPath_)
        refreshFolder(currentPath_);
    else
        navigate(currentPath_, text);
}

// The user asks again: the retries start afresh, and a refused certificate
// or login is put to the user again.
void RemoteBrowser::reconnect()
{
    attempts_ = 0;
    navigate(initialPath_, "");
}

// A countdown to the next attempt ends with what failed, not a stale count.

bool RemoteBrowser::countdownText(const std::string& status) const
{
    return !retryReason_.empty() && status.starts_with(retryReason_ + ". Retrying in ");
}

// Every folder shown goes onto the history, the same one again too, so
// that after a Refresh "Go To Last Folder Visited" first comes back to it.
void RemoteBrowser::showListing(const std::string& path)
{
    const bool first = currentPath_.empty();
    pathHistory_.push_back(path);
    currentPath_ = path;
    view_.addPathItems(paths_.add(path));
    view_.showPath(path);
    shown_ = cached(path);
    view_.showListing(shown_);
    view_.refreshCommands();
    if (first)
        host_.loggedIn(site());
}

void RemoteBrowser::lastFolder()
{
    pathHistory_.pop_back();
    std::string previous = std::move(pathHistory_.back());
    pathHistory_.pop_back();
    navigate(previous, "");
}

void RemoteBrowser::activate(const RowSelection& selection)
{
    if (selection.rows() == 1 && selection.entries.size() == 1 && selection.entries.front()->isFolder()) {
        navigate(currentPath_, selection.entries.front()->name());
        return;
    }
    if (!selection.entries.empty())
        transferRows(selection, transferNow());
}

void RemoteBrowser::finishEdit(const RemoteFile* entry, const std::string& text)
{
    CFTPSession* session = ensureSession();
    if (entry) {
        // An edit that changed nothing renames nothing.
        if (!text.empty() && text != entry->name())
            session->Rename(currentPath_, text, entry->name());
    } else if (!text.empty()) {
        session->MkDir(currentPath_, text);
    }
    view_.refreshCommands();
}

void RemoteBrowser::transferRows(const RowSelection& selection, bool startNow)
{
    ConflictChoice choice = ConflictChoice::forCommand(selection.entries.size() == 1);
    for (const RemoteFile* entry : selection.entries)
        download(*entry, choice, startNow);
}

// The rows are gone from the server when it says so.
void RemoteBrowser::deleteRows(const RowSelection& selection)
{
    if (!deleteConfirmed(selection))
        return;
    ensureSession();
    if (selection.placeholder)
        view_.removePlaceholder();
    for (const RemoteFile* entry : selection.entries)
        removeEntry(currentPath_, entry->name(), entry->isFolder() && !entry->isLink());
    view_.refreshCommands();
}

// Nothing deleted on a server can be taken back, and a folder goes with
// everything in it; a link to a folder is only a link. The new folder's row
// has nothing on the server yet.
bool RemoteBrowser::deleteConfirmed(const RowSelection& selection)
{
    Profile& profile = host_.profile();
    if (selection.entries.empty() || profile.readInt(kQuestionsSection, kAskBeforeDelete, 1) == 0)
        return true;
    const auto folders = std::count_if(selection.entries.begin(), selection.entries.end(),
                                       [](const RemoteFile* entry) { return entry->isFolder() && !entry->isLink(); });
    bool stopAsking = false;
    if (!dialogs_.confirmDelete(deleteQuestion(selection.entries.size(), std::size_t(folders)), stopAsking))
        return false;
    if (stopAsking)
        profile.writeInt(kQuestionsSection, kAskBeforeDelete, 0);
    return true;
}

std::string RemoteBrowser::deleteQuestion(std::size_t items, std::size_t folders)
{
    auto counted = [](std::size_t n, const char* one, const char* many) {
        return std::to_string(n) + " " + (n == 1 ? one : many);
    };
    if (folders == 0)
        return "Delete " + counted(items, "item", "items") + " from the server?";
    const char* everything = folders == 1 ? " with everything in it?" : " with everything in them?";
    if (folders == items)
        return "Delete " + counted(items, "folder", "folders") + " from the server," + everything;
    return "Delete " + counted(items, "item", "items") + " from the server, including " +
           counted(folders, "folder", "folders") + everything;
}

void RemoteBrowser::removeEntry(const std::string& folder, const std::string& name, bool realFolder)
{
    if (realFolder)
        ensureSession()->RmDir(folder, name);
    else
        ensureSession()->Delete(folder, name);
}

// Chown goes first: a server may refuse a mode change to one who no longer owns the file.
void RemoteBrowser::editProperties(const RemoteFile& entry)
{
    const FileProperties before{entry.owner(), entry.group(), entry.permissions()};
    std::optional<FileProperties> after = dialogs_.properties(before);
    if (!after)
        return;
    if (after->owner != before.owner || after->group != before.group)
        ensureSession()->Chown(currentPath_, entry.name(), after->owner, after->group);
    if (after->mode != before.mode)
        ensureSession()->Chmod(currentPath_, entry.name(), after->mode);
    view_.refreshCommands();
}

void RemoteBrowser::replicate()
{
    LoginData login = LockedAccess<SiteContext>(site())->loginCopy();
    ConnectFields fields{login.host, login.port, login.user, login.password};
    host_.openRemote(fields, currentPath_);
}

// A window that has shown nothing yet lists its first folder on the new
// connection (unless its own is still at it); one that has, lists its
// folder again, which the transfer may have changed.
void RemoteBrowser::adopted()
{
    if (!currentPath_.empty())
        refreshFolder(currentPath_);
    else if (!session()->isBusy())
        navigate(initialPath_, "");
}

std::intptr_t RemoteBrowser::receiveMessage(unsigned message, void* param)
{
    if (message != kSessionNoticeMessage)
        return 0;
    std::unique_ptr<SessionNotice> notice(static_cast<SessionNotice*>(param));
    handle(*notice);
    return kNoticeKept;
}

void RemoteBrowser::handle(const SessionNotice& notice)
{
    // A listing is in the site's cache whoever fetched it; anything else a
    // session reports after the window handed it over is its new owner's.
    if (notice.kind != NoticeListed && fromOtherSession(notice))
        return;
    switch (notice.kind) {
    case NoticeStatus:
        // A countdown second taken just before Cancel may still report.
        if (!countdownText(notice.text))
            countingDown_ = false;
        else if (!countingDown_)
            break;
        view_.showStatus(notice.text);
        break;
    case NoticeAborted:
        view_.showStatus("Aborted");
        view_.showPath(currentPath_);
        break;
    case NoticeDone:
        view_.showStatus(plainConnection() ? kPlainDone : "Done");
        break;
    case NoticeListed:
        showListing(notice.text);
        break;
    case NoticeProgress:
        return;
    case NoticeFailed:
        failed(notice);
        break;
    }
    view_.refreshCommands();
}

// Under "TLS when offered" a server without TLS is used in plain FTP: the
// window keeps saying so.
bool RemoteBrowser::plainConnection() const
{
    if (!session() || session()->dataProtection() != DataProtection::Plain)
        return false;
    return LockedAccess<SiteContext>(site())->settings().encryptionMode() == EncryptionMode::ExplicitWhenOffered;
}

bool RemoteBrowser::fromOtherSession(const SessionNotice& notice) const
{
    return notice.sender != nullptr && notice.sender != session();
}

void RemoteBrowser::failed(const SessionNotice& notice)
{
    view_.showStatus(notice.text);
    // Once a folder is on show, a failure is only reported.
    if (!currentPath_.empty() || notice.recovery == RecoveryNone) {
        view_.showPath(currentPath_);
        return;
    }
    retryConnection(notice.recovery, notice.text);
}

void RemoteBrowser::retryConnection(Recovery recovery, const std::string& message)
{
    bool sleepFirst = true;
    if (recovery == RecoveryLogin) {
        // New credentials are worth trying at once.
        sleepFirst = false;
        if (dialogs_.login(site(), message))
            recovery = RecoveryRetry;
    }
    if (recovery != RecoveryRetry)
        return;
    std::uint32_t limit = 0, delay = 0;
    {
        LockedAccess<SiteContext> access(site());
        limit = access->settings().retryCount();
        delay = access->settings().retryDelay();
    }
    if (attempts_ >= limit)
        return;
    ++attempts_;
    CFTPSession* session = ensureSession();
    if (sleepFirst && delay > 0) {
        retryReason_ = failureCause(message);
        countingDown_ = true;
        session->Sleep(delay, retryReason_);
    }
    navigate(initialPath_, "");
}

} // namespace varnix
