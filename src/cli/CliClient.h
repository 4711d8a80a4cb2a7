#pragma once
// The command-line client: one session on one site, fed with the same tasks
// the windows post, and a notice target that prints what it receives.

#include "platform/MainLoopDispatcher.h"
#include "cli/SiteUrl.h"
#include "platform/NoticeTarget.h"
#include "session/CFTPSession.h"
#include "session/SiteContext.h"

#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace varnix::cli {

// Thrown for a command line that cannot be run as written (exit code 2).
struct UsageError {
    std::string message;
};

struct ClientOptions {
    std::vector<std::pair<std::string, std::uint32_t>> overrides;   // --set Name=Value
    std::string logFile;                                             // --log
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
    struct Peer {
        SiteHandle site;
        CFTPSession* session = nullptr;
        std::string loginFolder;
    };

    Peer openPeer(const SiteUrl& url);
    void closePeer(Peer& peer);
    SiteHandle makeSite(const SiteUrl& url);
    void attachLog(CFTPSession* session);

    int list(const std::vector<std::string>& args);
    int get(const std::vector<std::string>& args, bool folder);
    int put(const std::vector<std::string>& args, bool folder);
    int simple(const std::string& verb, const std::vector<std::string>& args);
    int copy(const std::vector<std::string>& args);
    RemotePath copyTarget(Peer& destination, const std::string& urlPath, const std::string& sourceName);

    const std::string& loginFolder(Peer& peer);
    Outcome waitFor(CFTPSession* session);
    bool waitIdle(CFTPSession* session);
    int report(const Outcome& outcome);
    void printListing(const std::string& path);
    void showProgress(const SessionNotice& notice);
    void endProgressLine();

    ClientOptions options_;
    MainLoopDispatcher dispatcher_;
    NoticeTarget handle_;
    Peer main_;
    std::map<CFTPSession*, std::vector<Outcome>> outcomes_;
    std::map<CFTPSession*, std::string> listed_;
    std::FILE* log_ = nullptr;
    std::mutex logMutex_;
    bool progressShown_ = false;
    std::chrono::steady_clock::time_point lastProgress_{};
};

} // namespace varnix::cli
