#pragma once
// The command-line client: one site's window, fed with the same tasks the
// windows post, with transfers going through the transfer queue exactly as
// the windows' transfers do, and a notice target that prints what it
// receives.

#include "cli/CliCertificateAsker.h"
#include "cli/CliPlainFtpAsker.h"
#include "cli/CliProgress.h"
#include "cli/CliWindow.h"
#include "cli/SiteUrl.h"
#include "model/RemotePath.h"
#include "platform/MainLoopDispatcher.h"
#include "platform/NoticeTarget.h"
#include "queue/RemoteWindows.h"
#include "queue/TransferQueue.h"
#include "session/CFTPSession.h"
#include "site/SiteContext.h"

#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace varnix::cli {

// Thrown for a command line that cannot be run as written (exit code 2).
struct UsageError {
    std::string message;
};

// Thrown where a command fails after its cause was printed (exit code 1).
struct CommandFailed {};

struct ClientOptions {
    std::vector<std::pair<std::string, std::uint32_t>> overrides;   // --set Name=Value
    std::string logFile;                                             // --log
    std::vector<std::string> trusted;                                // --trust, as openssl prints them
};

class CliClient : public NoticeReceiver {
public:
    CliClient(const SiteUrl& url, ClientOptions options);
    ~CliClient() override;

    // Runs one command; 0 on success, 1 when it failed. Throws UsageError.
    int runCommand(const std::vector<std::string>& words);

    std::intptr_t receiveMessage(unsigned message, void* param) override;

private:
    struct Outcome {
        NoticeKind kind = NoticeDone;
        std::string text;
    };

    std::unique_ptr<CliWindow> openWindow(const SiteUrl& url);
    SiteHandle makeSite(const SiteUrl& url);
    void attachLog(CFTPSession* session);

    int dispatch(const std::vector<std::string>& words);
    int list(const std::vector<std::string>& args);
    int get(const std::vector<std::string>& args, bool folder);
    int put(const std::vector<std::string>& args, bool folder);
    int simple(const std::string& verb, const std::vector<std::string>& args);
    int copy(const std::vector<std::string>& args);
    RemotePath copyTarget(CliWindow& destination, const std::string& urlPath, const std::string& sourceName);
    int transfer(const QueueItemHandle& item, CliWindow& siteA, CliWindow* siteB);
    void waitUntilIdle(CliWindow& window);

    const std::string& loginFolder(CliWindow& window);
    Outcome waitFor(CFTPSession* session);
    int report(const Outcome& outcome);
    static int refuse(const std::string& problem);
    void printListing(const std::string& path);
    static void appendListingLine(std::string& out, const RemoteFile& entry);

    ClientOptions options_;
    MainLoopDispatcher dispatcher_;
    CliCertificateAsker asker_;
    CertificateTrust trust_;
    CliPlainFtpAsker plainAsker_;
    PlainFtpConsent plainConsent_;
    NoticeTarget handle_;
    std::FILE* log_ = nullptr;
    std::mutex logMutex_;
    std::unique_ptr<CliWindow> main_;
    RemoteWindowList windows_;
    CliProgress progress_;
    std::unique_ptr<TransferQueue> queue_;
    std::map<CFTPSession*, std::vector<Outcome>> outcomes_;
    std::map<CFTPSession*, std::string> listed_;
};

} // namespace varnix::cli
