#include "cli/CliClient.h"

#include "cli/LocalPaths.h"
#include "model/RemoteFolder.h"
#include "platform/Profile.h"
#include "queue/RowTexts.h"
#include "site/LoginRegistry.h"

#include <charconv>
#include <cinttypes>
#include <cstring>

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
    : options_(std::move(options)),
      trust_(appProfile(), asker_),
      plainConsent_(appProfile(), plainAsker_),
      handle_(notice_targets::add(this))
{
    for (const std::string& fingerprint : options_.trusted)
        trust_.acceptForThisRun(fingerprint);
    installCertificateCheck(&trust_);
    installPlainFtpCheck(&plainConsent_);
    if (!options_.logFile.empty()) {
        log_ = std::fopen(options_.logFile.c_str(), "ab");
        if (!log_)
            throw UsageError{"cannot open log file " + options_.logFile + ": " + std::strerror(errno)};
    }
    main_ = openWindow(url);
    // A refused login cannot be asked about here: the transfer fails.
    queue_ = std::make_unique<TransferQueue>(progress_, windows_, nullptr);
}

CliClient::~CliClient()
{
    queue_.reset();
    windows_.remove(main_.get());
    main_.reset();
    // Keep serving notices while the sessions quit: one may be on its way.
    dispatcher_.runUntil([] { return CFTPSession::liveSessions() == 0; }, std::chrono::seconds(10));
    installCertificateCheck(nullptr);
    installPlainFtpCheck(nullptr);
    notice_targets::remove(handle_);
    if (log_)
        std::fclose(log_);
}

SiteHandle CliClient::makeSite(const SiteUrl& url)
{
    auto site = makeLocked<SiteContext>(url.host, url.port, url.user, url.password);
    for (const auto& [name, value] : options_.overrides)
        LockedAccess<SiteContext>(site)->settings().set(*SettingsRecord::byName(name), value);
    if (url.implicitTls)
        LockedAccess<SiteContext>(site)->settings().setEncryption(std::uint32_t(EncryptionMode::Implicit));
    return site;
}

std::unique_ptr<CliWindow> CliClient::openWindow(const SiteUrl& url)
{
    auto window = std::make_unique<CliWindow>(makeSite(url), handle_, [this](CFTPSession* s) { attachLog(s); });
    windows_.activate(window.get());
    return window;
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
    case NoticeProgress:
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
    return outcome;
}

int CliClient::report(const Outcome& outcome)
{
    if (outcome.kind == NoticeDone)
        return 0;
    std::fprintf(stderr, "%s\n", outcome.kind == NoticeAborted ? "Aborted" : outcome.text.c_str());
    return 1;
}

// A local path the command cannot use fails it before anything is sent.
int CliClient::refuse(const std::string& problem)
{
    if (problem.empty())
        return 0;
    std::fprintf(stderr, "%s\n", problem.c_str());
    return 1;
}

const std::string& CliClient::loginFolder(CliWindow& window)
{
    if (window.loginFolder.empty()) {
        CFTPSession* session = window.session();
        session->List("", "");
        if (report(waitFor(session)) != 0)
            throw CommandFailed{};
        window.loginFolder = listed_[session];
    }
    return window.loginFolder;
}

// A failure deep inside a command (the first connection, say) has been
// printed where it happened; the command ends there.
int CliClient::runCommand(const std::vector<std::string>& words)
{
    try {
        return dispatch(words);
    } catch (const CommandFailed&) {
        return 1;
    }
}

int CliClient::dispatch(const std::vector<std::string>& words)
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
        folder = absoluteRemotePath(folder, loginFolder(*main_));
    CFTPSession* session = main_->session();
    session->List(folder, "");
    int status = report(waitFor(session));
    if (status == 0)
        printListing(listed_[session]);
    return status;
}

// name, size, date, octal permissions, flags, owner, group, link target.
void CliClient::appendListingLine(std::string& out, const RemoteFile& e)
{
    char octal[24];
    auto end = std::to_chars(octal, octal + sizeof octal, e.permissions(), 8).ptr;
    std::string permissions(octal, end);
    permissions.insert(0, permissions.size() < 3 ? 3 - permissions.size() : 0, '0');
    out.append(e.name()).append(1, '\t').append(std::to_string(e.size())).append(1, '\t');
    out.append(e.dateText()).append(1, '\t').append(permissions).append(1, '\t');
    out.append(flagsOf(e)).append(1, '\t').append(e.owner()).append(1, '\t').append(e.group());
    out.append(1, '\t').append(e.linkTarget()).append(1, '\n');
}

void CliClient::printListing(const std::string& path)
{
    FolderHandle folder = LockedAccess<SiteContext>(main_->site())->lookUpFolder(path);
    if (!folder)
        return;
    // One write for the whole folder: a large folder is printed in a blink.
    std::string out;
    for (const RemoteFile& e : *folder)
        appendListingLine(out, e);
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fflush(stdout);
}

int CliClient::get(const std::vector<std::string>& input, bool folder)
{
    std::vector<std::string> args = input;
    TransferFlags flags = takeFlags(args, folder);
    requireArgs(args, 2, 2, folder ? "getdir REMOTE LOCAL [--resume] [--newer]" : "get REMOTE LOCAL [--resume]");
    if (int status = refuse(folder ? unwritableFolder(args[1]) : unwritableFile(args[1])))
        return status;
    RemotePath remote = splitRemotePath(args[0], isRelativeRemotePath(args[0]) ? loginFolder(*main_) : "");
    auto item = newDownload(main_->site(), remote.folder, remote.name, args[1], folder);
    item->resume = flags.resume;
    item->onlyNewer = flags.newer;
    return transfer(item, *main_, nullptr);
}

int CliClient::put(const std::vector<std::string>& input, bool folder)
{
    std::vector<std::string> args = input;
    TransferFlags flags = takeFlags(args, folder);
    requireArgs(args, 2, 2, folder ? "putdir LOCAL REMOTE [--resume] [--newer]" : "put LOCAL REMOTE [--resume]");
    if (int status = refuse(folder ? unreadableFolder(args[0]) : unreadableFile(args[0])))
        return status;
    RemotePath remote = splitRemotePath(args[1], isRelativeRemotePath(args[1]) ? loginFolder(*main_) : "");
    if (remote.name.empty())
        remote.name = localName(args[0]);
    auto item = newUpload(main_->site(), remote.folder, args[0], remote.name, folder);
    item->resume = flags.resume;
    item->onlyNewer = flags.newer;
    return transfer(item, *main_, nullptr);
}

// Started at once on the windows' own sessions, which the queue gives back
// when the item is finished.
int CliClient::transfer(const QueueItemHandle& item, CliWindow& siteA, CliWindow* siteB)
{
    waitUntilIdle(siteA);
    if (siteB)
        waitUntilIdle(*siteB);
    queue_->add(item);
    CFTPSession* sessionB = siteB ? siteB->handOver() : nullptr;
    queue_->start(item, siteA.handOver(), sessionB);
    dispatcher_.runUntil([&] { return !item->running(); }, kQuietLimit);
    progress_.endLine();
    int status = 0;
    if (item->complete() && !item->verification.empty())
        std::fprintf(stderr, "%s\n", item->verification.c_str());
    if (!item->complete()) {
        std::fprintf(stderr, "%s\n", item->failure.empty() ? "Canceled" : failureLine(item->failure).c_str());
        status = 1;
    }
    queue_->clearSelected({item});
    return status;
}

// A session stays busy for a moment after the last notice of its task (the
// login folder's listing). Handed over in that moment, it would first be
// fenced off by the queue, which costs the transfer a second.
void CliClient::waitUntilIdle(CliWindow& window)
{
    if (!window.hasSession())
        return;
    CFTPSession* session = window.session();
    dispatcher_.runUntil([session] { return !session->isBusy(); }, std::chrono::seconds(10));
}

int CliClient::simple(const std::string& verb, const std::vector<std::string>& args)
{
    bool twoArgs = verb == "mv" || verb == "chmod" || verb == "chown";
    requireArgs(args, twoArgs ? 2 : 1, twoArgs ? 2 : 1, (verb + (twoArgs ? " ARG PATH" : " PATH")).c_str());
    const std::string& pathArg = (verb == "chmod" || verb == "chown") ? args[1] : args[0];
    RemotePath path = splitRemotePath(pathArg, isRelativeRemotePath(pathArg) ? loginFolder(*main_) : "");
    CFTPSession* s = main_->session();
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
    RemotePath source = splitRemotePath(args[0], isRelativeRemotePath(args[0]) ? loginFolder(*main_) : "");

    // The source listing says whether the source is a file or a folder.
    CFTPSession* session = main_->session();
    session->List(source.folder, "");
    if (int status = report(waitFor(session)))
        return status;
    FoundEntry entry = LockedAccess<SiteContext>(main_->site())->findEntry(listed_[session], source.name);
    if (!entry) {
        std::fprintf(stderr, "copy: %s not found in %s\n", source.name.c_str(), source.folder.c_str());
        return 1;
    }

    std::unique_ptr<CliWindow> destination = openWindow(*destinationUrl);
    RemotePath target = copyTarget(*destination, destinationUrl->path, source.name);
    auto item = newSiteCopy(destination->site(), target.folder, target.name, main_->site(), source.folder,
                            source.name, entry.entry->isFolder());
    item->resume = flags.resume;
    item->onlyNewer = flags.newer;
    int status = transfer(item, *destination, main_.get());
    windows_.remove(destination.get());
    return status;
}

// PATH after the URL's "/" names the target: relative to the login folder
// unless it begins with '/' (ftp://host//srv/x); empty or ending in '/'
// names a folder that receives the source under its own name.
RemotePath CliClient::copyTarget(CliWindow& destination, const std::string& urlPath, const std::string& sourceName)
{
    std::string path = urlPath.empty() ? std::string() : urlPath.substr(1);
    if (path.empty())
        return {loginFolder(destination), sourceName};
    std::string base = isRelativeRemotePath(path) ? loginFolder(destination) : std::string();
    if (path.back() == '/')
        return {absoluteRemotePath(path.substr(0, path.size() - 1), base), sourceName};
    return splitRemotePath(path, base);
}

} // namespace varnix::cli
