#include "cli/CliClient.h"

#include "model/RemoteFolder.h"
#include "platform/Profile.h"
#include "session/LoginRegistry.h"

#include <cinttypes>
#include <cstring>
#include <unistd.h>

namespace varnix::cli {
namespace {

// How long a command may go without any notice before the client gives up.
constexpr auto kQuietLimit = std::chrono::hours(24);

std::string flagsOf(const RemoteFile& entry)
{
    if (entry.isLink())
        return entry.isFolder() ? "dl" : "l";
    return entry.isFolder() ? "d" : "-";
}

void requireArgs(const std::vector<std::string>& args, std::size_t min, std::size_t max, const char* usage)
{
    if (args.size() < min || args.size() > max)
        throw UsageError{std::string("usage: ") + usage};
}

// Splits off the --resume / --newer switches a transfer command allows.
struct TransferFlags {
    bool resume = false;
    bool newer = false;
};

TransferFlags takeFlags(std::vector<std::string>& args, bool newerAllowed)
{
    TransferFlags flags;
    std::vector<std::string> rest;
    for (auto& arg : args) {
        if (arg == "--resume")
            flags.resume = true;
        else if (arg == "--newer" && newerAllowed)
            flags.newer = true;
        else if (arg.starts_with("--"))
            throw UsageError{"unknown option " + arg};
        else
            rest.push_back(arg);
    }
    args = std::move(rest);
    return flags;
}

std::string localName(const std::string& path)
{
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/')
        trimmed.pop_back();
    std::size_t slash = trimmed.rfind('/');
    return slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
}

} // namespace

CliClient::CliClient(const SiteUrl& url, ClientOptions options)
    : options_(std::move(options)), handle_(notice_targets::add(this))
{
    if (!options_.logFile.empty()) {
        log_ = std::fopen(options_.logFile.c_str(), "ab");
        if (!log_)
            throw UsageError{"cannot open log file " + options_.logFile + ": " + std::strerror(errno)};
    }
    main_ = openPeer(url);
}

CliClient::~CliClient()
{
    closePeer(main_);
    // Keep serving notices while the sessions quit: one may be on its way.
    dispatcher_.runUntil([] { return CFTPSession::liveSessions() == 0; }, std::chrono::seconds(10));
    notice_targets::remove(handle_);
    if (log_)
        std::fclose(log_);
}

SiteHandle CliClient::makeSite(const SiteUrl& url)
{
    auto site = makeLocked<SiteContext>(url.host, url.port, url.user, url.password);
    for (const auto& [name, value] : options_.overrides)
        LockedAccess<SiteContext>(site)->settings().set(*SettingsRecord::byName(name), value);
    return site;
}

CliClient::Peer CliClient::openPeer(const SiteUrl& url)
{
    Peer peer;
    peer.site = makeSite(url);
    peer.session = CFTPSession::create(peer.site);
    peer.session->setTarget(handle_);
    attachLog(peer.session);
    peer.session->start();
    return peer;
}

void CliClient::closePeer(Peer& peer)
{
    if (!peer.session)
        return;
    peer.session->release();
    peer.session = nullptr;
}

void CliClient::attachLog(CFTPSession* session)
{
    if (!log_)
        return;
    session->mailbox().setLogSink([this](std::string_view line) {
        std::lock_guard lock(logMutex_);
        std::fwrite(line.data(), 1, line.size(), log_);
        std::fflush(log_);
    });
}

std::intptr_t CliClient::receiveMessage(unsigned message, void* param)
{
    if (message != kSessionNoticeMessage)
        return 0;
    const auto& notice = *static_cast<SessionNotice*>(param);
    switch (notice.kind) {
    case NoticeStatus:
        break;
    case NoticeProgress:
        showProgress(notice);
        break;
    case NoticeListed:
        listed_[notice.sender] = notice.text;
        break;
    default:
        outcomes_[notice.sender].push_back({notice.kind, notice.text});
    }
    return 0;
}

CliClient::Outcome CliClient::waitFor(CFTPSession* session)
{
    auto& pending = outcomes_[session];
    dispatcher_.runUntil([&] { return !pending.empty(); }, kQuietLimit);
    if (pending.empty())
        return {NoticeFailed, "no answer from the session"};
    Outcome outcome = pending.front();
    pending.erase(pending.begin());
    endProgressLine();
    return outcome;
}

bool CliClient::waitIdle(CFTPSession* session)
{
    return dispatcher_.runUntil([&] { return !session->isBusy(); }, kQuietLimit);
}

int CliClient::report(const Outcome& outcome)
{
    if (outcome.kind == NoticeDone)
        return 0;
    std::fprintf(stderr, "%s\n", outcome.kind == NoticeAborted ? "Aborted" : outcome.text.c_str());
    return 1;
}

const std::string& CliClient::loginFolder(Peer& peer)
{
    if (peer.loginFolder.empty()) {
        peer.session->List("", "");
        if (report(waitFor(peer.session)) != 0)
            throw UsageError{"cannot learn the login folder"};
        peer.loginFolder = listed_[peer.session];
    }
    return peer.loginFolder;
}

int CliClient::runCommand(const std::vector<std::string>& words)
{
    if (words.empty())
        return 0;
    const std::string& verb = words[0];
    std::vector<std::string> args(words.begin() + 1, words.end());
    if (verb == "ls")
        return list(args);
    if (verb == "get" || verb == "getdir")
        return get(args, verb == "getdir");
    if (verb == "put" || verb == "putdir")
        return put(args, verb == "putdir");
    if (verb == "copy")
        return copy(args);
    if (verb == "mkdir" || verb == "rmdir" || verb == "rm" || verb == "mv" || verb == "chmod" || verb == "chown")
        return simple(verb, args);
    throw UsageError{"unknown command " + verb};
}

int CliClient::list(const std::vector<std::string>& args)
{
    requireArgs(args, 0, 1, "ls [PATH]");
    std::string folder = args.empty() ? std::string() : args[0];
    if (!folder.empty() && isRelativeRemotePath(folder))
        folder = absoluteRemotePath(folder, loginFolder(main_));
    main_.session->List(folder, "");
    int status = report(waitFor(main_.session));
    if (status == 0)
        printListing(listed_[main_.session]);
    return status;
}

void CliClient::printListing(const std::string& path)
{
    FolderHandle folder = LockedAccess<SiteContext>(main_.site)->lookUpFolder(path);
    if (!folder)
        return;
    for (const RemoteFile& e : *folder) {
        std::printf("%s\t%" PRIu64 "\t%s\t%03o\t%s\t%s\t%s\t%s\n", e.name().c_str(), e.size(), e.dateText().c_str(),
                    e.permissions(), flagsOf(e).c_str(), e.owner().c_str(), e.group().c_str(),
                    e.linkTarget().c_str());
    }
    std::fflush(stdout);
}

int CliClient::get(const std::vector<std::string>& input, bool folder)
{
    std::vector<std::string> args = input;
    TransferFlags flags = takeFlags(args, folder);
    requireArgs(args, 2, 2, folder ? "getdir REMOTE LOCAL [--resume] [--newer]" : "get REMOTE LOCAL [--resume]");
    RemotePath remote = splitRemotePath(args[0], isRelativeRemotePath(args[0]) ? loginFolder(main_) : "");
    if (folder)
        main_.session->DownloadFolder(remote.folder, args[1], remote.name, flags.resume, flags.newer);
    else
        main_.session->DownloadFile(remote.folder, args[1], remote.name, flags.resume);
    return report(waitFor(main_.session));
}

int CliClient::put(const std::vector<std::string>& input, bool folder)
{
    std::vector<std::string> args = input;
    TransferFlags flags = takeFlags(args, folder);
    requireArgs(args, 2, 2, folder ? "putdir LOCAL REMOTE [--resume] [--newer]" : "put LOCAL REMOTE [--resume]");
    RemotePath remote = splitRemotePath(args[1], isRelativeRemotePath(args[1]) ? loginFolder(main_) : "");
    if (remote.name.empty())
        remote.name = localName(args[0]);
    if (folder)
        main_.session->UploadFolder(remote.folder, remote.name, args[0], flags.resume, flags.newer);
    else
        main_.session->UploadFile(remote.folder, remote.name, args[0], flags.resume);
    return report(waitFor(main_.session));
}

int CliClient::simple(const std::string& verb, const std::vector<std::string>& args)
{
    bool twoArgs = verb == "mv" || verb == "chmod" || verb == "chown";
    requireArgs(args, twoArgs ? 2 : 1, twoArgs ? 2 : 1, (verb + (twoArgs ? " ARG PATH" : " PATH")).c_str());
    const std::string& pathArg = (verb == "chmod" || verb == "chown") ? args[1] : args[0];
    RemotePath path = splitRemotePath(pathArg, isRelativeRemotePath(pathArg) ? loginFolder(main_) : "");
    CFTPSession* s = main_.session;
    if (verb == "mkdir")
        s->MkDir(path.folder, path.name);
    else if (verb == "rmdir")
        s->RmDir(path.folder, path.name);
    else if (verb == "rm")
        s->Delete(path.folder, path.name);
    else if (verb == "mv")
        s->Rename(path.folder, args[1], path.name);
    else if (verb == "chmod") {
        char* end = nullptr;
        unsigned long mode = std::strtoul(args[0].c_str(), &end, 8);
        if (args[0].empty() || *end != '\0' || mode > 07777)
            throw UsageError{"chmod: mode must be octal, e.g. 644"};
        s->Chmod(path.folder, path.name, std::uint32_t(mode));
    } else {
        std::size_t colon = args[0].find(':');
        if (colon == std::string::npos)
            throw UsageError{"chown: expected USER:GROUP"};
        s->Chown(path.folder, path.name, args[0].substr(0, colon), args[0].substr(colon + 1));
    }
    return report(waitFor(s));
}

int CliClient::copy(const std::vector<std::string>& input)
{
    std::vector<std::string> args = input;
    TransferFlags flags = takeFlags(args, true);
    requireArgs(args, 2, 2, "copy REMOTE SITE2-URL/PATH [--resume] [--newer]");
    auto destinationUrl = parseSiteUrl(args[1]);
    if (!destinationUrl)
        throw UsageError{"copy: not an ftp:// URL: " + args[1]};
    RemotePath source = splitRemotePath(args[0], isRelativeRemotePath(args[0]) ? loginFolder(main_) : "");

    // The source listing says whether the source is a file or a folder.
    main_.session->List(source.folder, "");
    if (int status = report(waitFor(main_.session)))
        return status;
    FoundEntry entry = LockedAccess<SiteContext>(main_.site)->findEntry(listed_[main_.session], source.name);
    if (!entry) {
        std::fprintf(stderr, "copy: %s not found in %s\n", source.name.c_str(), source.folder.c_str());
        return 1;
    }

    Peer destination = openPeer(*destinationUrl);
    RemotePath target = copyTarget(destination, destinationUrl->path, source.name);
    int status = 0;
    if (entry.entry->isFolder()) {
        main_.session->SiteDownloadFolder(source.folder, target.folder, destination.session, target.name,
                                          source.name, flags.resume, flags.newer);
        status = report(waitFor(main_.session));
        if (status == 0)
            status = report(waitFor(destination.session));
    } else {
        destination.session->SiteUploadFile(target.folder, source.folder, main_.session, target.name, source.name,
                                            flags.resume);
        status = report(waitFor(destination.session));
        if (status == 0)
            status = report(waitFor(main_.session));
    }
    // The source may still be finishing its last file after the destination is done.
    waitIdle(main_.session);
    closePeer(destination);
    return status;
}

// PATH after the URL's "/" names the target: relative to the login folder
// unless it begins with '/' (ftp://host//srv/x); empty or ending in '/'
// names a folder that receives the source under its own name.
RemotePath CliClient::copyTarget(Peer& destination, const std::string& urlPath, const std::string& sourceName)
{
    std::string path = urlPath.empty() ? std::string() : urlPath.substr(1);
    if (path.empty())
        return {loginFolder(destination), sourceName};
    std::string base = isRelativeRemotePath(path) ? loginFolder(destination) : std::string();
    if (path.back() == '/')
        return {absoluteRemotePath(path.substr(0, path.size() - 1), base), sourceName};
    return splitRemotePath(path, base);
}

void CliClient::showProgress(const SessionNotice& notice)
{
    auto now = std::chrono::steady_clock::now();
    bool final = notice.expected != kUnknownSize && notice.moved >= notice.expected;
    if (!final && now - lastProgress_ < std::chrono::milliseconds(500))
        return;
    lastProgress_ = now;
    std::string name = notice.text.empty() ? std::string("transfer") : notice.text;
    if (notice.expected == kUnknownSize)
        std::fprintf(stderr, "%s: %" PRIu64 " bytes", name.c_str(), notice.offset + notice.moved);
    else
        std::fprintf(stderr, "%s: %" PRIu64 " of %" PRIu64 " bytes", name.c_str(), notice.offset + notice.moved,
                     notice.offset + notice.expected);
    std::fputs(isatty(fileno(stderr)) ? "\r" : "\n", stderr);
    progressShown_ = true;
}

void CliClient::endProgressLine()
{
    if (progressShown_ && isatty(fileno(stderr)))
        std::fputs("\n", stderr);
    progressShown_ = false;
}

} // namespace varnix::cli
