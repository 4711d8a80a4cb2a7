#pragma once
// One FTP connection with a worker thread of its own.
//
// The thread takes tasks from the session's queue and runs them one at a
// time in posting order, reports each outcome to the target by notice, and
// while idle keeps the connection open with harmless commands for a limited
// time. Callers create a session, set its target, start it, post tasks and
// finally release it; the thread then quits and deletes the session itself.

#include "ftp/FtpProtocol.h"
#include "ftp/SitePeer.h"
#include "site/SessionMailbox.h"
#include "site/SiteContext.h"

#include <atomic>
#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string>

namespace varnix {

class CFTPSession : public SitePeer {
public:
    // Sessions live on the heap and delete themselves when their thread ends.
    static CFTPSession* create(SiteHandle site);

    void setTarget(NoticeTarget target) { mailbox_.setTarget(target); }
    NoticeTarget target() const { return mailbox_.target(); }
    void start();

    // Posting operations; each appends one task (Sleep appends count tasks).
    void List(const std::string& folder, const std::string& name);
    void MkDir(const std::string& folder, const std::string& name);
    void RmDir(const std::string& folder, const std::string& name);
    void Delete(const std::string& folder, const std::string& name);
    void Rename(const std::string& folder, const std::string& newName, const std::string& oldName);
    void UploadFile(const std::string& remoteFolder, const std::string& remoteName, const std::string& localPath,
                    bool resume);
    void DownloadFile(const std::string& remoteFolder, const std::string& localPath, const std::string& remoteName,
                      bool resume);
    void UploadFolder(const std::string& remoteFolder, const std::string& remoteName, const std::string& localPath,
                      bool resume, bool onlyNewer);
    void DownloadFolder(const std::string& remoteFolder, const std::string& localPath,
                        const std::string& remoteName, bool resume, bool onlyNewer);
    void Chown(const std::string& folder, const std::string& name, const std::string& user,
               const std::string& group);
    void Chmod(const std::string& folder, const std::string& name, std::uint32_t mode);
    // A countdown of count seconds; with a reason, each second says what
    // failed and how long until the next attempt.
    void Sleep(std::uint32_t count, const std::string& reason = {});
    void SiteUploadFile(const std::string& destinationFolder, const std::string& sourceFolder,
                        CFTPSession* sourceSession, const std::string& targetName, const std::string& sourceName,
                        bool resume);
    void SiteDownloadFile(const std::string& sourceFolder, const std::string& dataAddress, std::uint16_t dataPort,
                          const std::string& sourceName, std::uint64_t restartOffset, bool secureData,
                          SiteCopyHandle link) override;
    void SiteRelayFile(const std::string& sourceFolder, const std::string& sourceName, std::uint64_t restartOffset,
                       SiteCopyHandle link) override;
    void SiteDownloadFolder(const std::string& sourceParent, const std::string& destinationParent,
                            CFTPSession* destinationSession, const std::string& targetName,
                            const std::string& sourceName, bool resume, bool onlyNewer);
    void SiteUploadFolder(SiteWorkHandle workList, SitePeer* sourceSession, bool resume, bool onlyNewer) override;
    void SiteHash(const std::string& folder, const std::string& name, HashAlgorithm algorithm,
                  std::promise<std::string> answer) override;
    DataProtection dataProtection() const override { return engine_.dataProtection(); }
    IpVersion ipVersion() const override { return engine_.ipVersion(); }
    HashSet offeredHashes() const override { return engine_.offeredHashes(); }
    std::string siteIdentity() const override;

    // Drops every queued task and interrupts the running one.
    void Cancel();
    bool isBusy();
    std::string protocolLog() const { return mailbox_.protocolLog(); }
    // No target, Cancel, then quit. The caller must not use the session again.
    void release();

    const SiteHandle& site() const { return site_; }
    SessionMailbox& mailbox() { return mailbox_; }

    // Sessions whose thread has not yet ended (for orderly shut-down and tests).
    static int liveSessions();
    static bool waitForAllEnded(int timeoutMs);

private:
    explicit CFTPSession(SiteHandle site);
    ~CFTPSession() override;

    void post(std::unique_ptr<SessionTask> task);
    void threadMain();
    struct IdleClock {
        std::int64_t wait;                    // seconds; -1 waits for a task
        std::optional<std::uint64_t> start;   // when keep-alive began
    };

    void run();
    void runTask(SessionTask& task, IdleClock& idle);
    void idleTimedOut(IdleClock& idle);
    void handleThrown(std::exception_ptr thrown, const SessionTask* task);
    bool keepAliveOn();
    std::int64_t idleWaitSeconds();
    std::int64_t nextKeepAliveWait();
    void reportFailure(const SessionTask* task, const std::string& message, Recovery recovery);

    // Counts the session as live until every other member is gone, so that
    // waiting for all sessions to end also waits for their site references.
    // Its thread holds one more until the thread has nothing left to free.
    struct LiveToken {
        LiveToken();
        ~LiveToken();
    };
    LiveToken live_;
    SiteHandle site_;
    SessionMailbox mailbox_;
    FtpProtocol engine_;
    bool running_ = true;
    std::atomic<bool> busy_{false};
    std::atomic<bool> started_{false};
    unsigned randomState_ = 1;
};

} // namespace varnix
