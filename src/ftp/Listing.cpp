// Listing family: folder listings from the site's cache or from the server,
// (MLSD where offered, else LIST -A), link resolution, subfolder paths and
// single-entry look-ups.

#include "ftp/FtpProtocol.h"
#include "model/RemoteFolder.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string>
#include <string_view>

namespace varnix {

namespace {

std::string counterText(const char* format, int a, int b = 0)
{
    char text[64];
    std::snprintf(text, sizeof text, format, a, b);
    return text;
}

// A link leads to a folder when the server lets us change into it. A
// refused CWD leaves it a file; a refused CWD back into the listed folder
// would leave the server elsewhere than the engine believes, so the working
// directory is learned again and the listing fails.
void resolveLink(FtpProtocol& engine, RemoteFile& link)
{
    try {
        engine.ChangeDirectory(link.name());
    } catch (const CFTPException&) {
        if (!engine.IsConnected())
            throw;
        return;
    }
    link.setFolder(true);
    try {
        engine.ChangeDirectory(engine.CurrentDirectory());
    } catch (const CFTPException&) {
        if (engine.IsConnected())
            engine.UpdateWorkingDirectory();
        throw;
    }
}

void resolveLinks(FtpProtocol& engine, RemoteFolder& folder)
{
    engine.Status("Resolving symbolic links...");
    int total = 0;
    for (const RemoteFile& entry : folder)
        total += entry.isLink() ? 1 : 0;
    int k = 0;
    for (RemoteFile& entry : folder) {
        if (!entry.isLink())
            continue;
        engine.mailbox().sendStatusUpdate(counterText("Resolving symbolic links: %d/%d", ++k, total));
        resolveLink(engine, entry);
    }
}

constexpr int kListingAttempts = 3;

// The facts RemoteFile reads, in the order OPTS MLST lists them.
constexpr std::string_view kReadFacts[] = {"type", "size", "modify", "unix.mode", "unix.owner",
                                           "unix.group", "unix.ownername", "unix.groupname", "unix.uid",
                                           "unix.gid"};

// "type;size;modify;unix.mode;" when FEAT offered "type*;size*;modify*;unix.mode;",
// or empty when every offered fact that is read is already on.
std::string factsToEnable(const std::string& offered)
{
    std::string lower = offered;
    for (char& c : lower)
        c = (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
    std::string facts;
    bool missing = false;
    std::string_view rest = lower;
    while (!rest.empty()) {
        std::string_view fact = rest.substr(0, rest.find(';'));
        rest.remove_prefix(std::min(rest.size(), fact.size() + 1));
        const bool on = fact.ends_with('*');
        if (on)
            fact.remove_suffix(1);
        if (std::find(std::begin(kReadFacts), std::end(kReadFacts), fact) == std::end(kReadFacts))
            continue;
        facts += std::string(fact) + ";";
        missing = missing || !on;
    }
    return missing ? facts : std::string();
}

} // namespace

FolderHandle FtpProtocol::ListFolder(const std::string& folder, const std::string& name, bool notify,
                                     ListingUse use)
{
    std::string path = folder;
    if (path.empty()) {
        if (currentDirectory_.empty())
            UpdateWorkingDirectory();
        path = currentDirectory_;
    }
    if (!name.empty())
        path = ResolvePath(path, name);
    FolderHandle listing = LockedAccess<SiteContext>(site_)->lookUpFolder(path);
    if (listing && use == ListingUse::Walk && listing->exactTimes())
        listing = {};
    // Another session may change the folder while this one lists it, and
    // empty its cache entry: this listing is then older than the folder, so
    // the folder is listed again (at last it is kept however it came).
    for (int attempt = 1; !listing && attempt <= kListingAttempts; ++attempt) {
        const std::uint64_t version = LockedAccess<SiteContext>(site_)->folderVersion(path);
        FolderHandle fetched = FetchListing(path, use);
        LockedAccess<SiteContext> site(site_);
        if (attempt == kListingAttempts)
            site->storeFolder(path, fetched);
        else if (!site->storeFetchedFolder(path, fetched, version))
            continue;
        listing = std::move(fetched);
    }
    if (notify)
        mailbox_->sendListed(path);
    return listing;
}

void FtpProtocol::RefreshFolder(const std::string& folder)
{
    // An empty folder means the working directory; its cache key is the
    // directory's path, so that is the slot to empty.
    if (folder.empty() && currentDirectory_.empty())
        UpdateWorkingDirectory();
    const std::string path = folder.empty() ? currentDirectory_ : folder;
    storeEmptyListing(path);
    ListFolder(path, {}, true);
}

std::string FtpProtocol::ResolvePath(const std::string& folder, const std::string& name)
{
    FolderHandle parent = LockedAccess<SiteContext>(site_)->lookUpFolder(folder);
    if (parent) {
        std::string known = parent->resolvedPath(name);
        if (!known.empty())
            return known;
    }
    SetDirectory(folder);
    ChangeDirectory(name);
    UpdateWorkingDirectory();
    if (parent)
        parent->setResolvedPath(name, currentDirectory_);
    return currentDirectory_;
}

FolderHandle FtpProtocol::FetchListing(const std::string& path, ListingUse use)
{
    FolderHandle folder = makeShared<RemoteFolder>();
    SetDirectory(path);
    const bool machine = startListing(use);
    replyPending_ = true;
    Status("Receiving file list...");
    moveData([&] { readEntries(*folder, machine); });
    data_.Close();
    ReadReply("2");
    folder->setExactTimes(machine);
    resolveLinks(*this, *folder);
    folder->buildIcons();
    return folder;
}

// MLSD where the server offers it. A server may offer MLST and still refuse
// MLSD (or refuse it in some folders): LIST -A answers instead, and this
// connection does not ask for MLSD again.
bool FtpProtocol::startListing(ListingUse use)
{
    if (use == ListingUse::Show && features_.offers("MLST") && !machineListingRefused_) {
        chooseMachineFacts();
        OpenDataConnection();
        Status("Sending request for file list...");
        SendCommand("MLSD");
        const std::string reply = ReadReply(kAnyDigit);
        if (reply[0] == '1')
            return true;
        data_.Close();
        if (reply[0] != '5')
            throw CFTPException(reply);
        machineListingRefused_ = true;
    }
    OpenDataConnection();
    Status("Sending request for file list...");
    SendCommand("LIST -A");
    ReadReply("1");
    return false;
}

// Servers send the facts FEAT marks with "*"; when one RemoteFile reads is
// offered but not marked, the set is asked for once per connection. A
// refusal changes nothing: the listing reads whatever facts come.
void FtpProtocol::chooseMachineFacts()
{
    if (machineFactsChosen_)
        return;
    machineFactsChosen_ = true;
    const std::string facts = factsToEnable(features_.parameters("MLST"));
    if (facts.empty())
        return;
    SendCommand("OPTS MLST " + facts);
    ReadReply(kAnyDigit);
}

void FtpProtocol::readEntries(RemoteFolder& folder, bool machine)
{
    const int year = RemoteFile::currentLocalYear();
    int counter = 1;
    for (std::string line = data_.ReadLine(); !line.empty(); line = data_.ReadLine(), ++counter) {
        try {
            folder.append(machine ? RemoteFile::parseMachineEntry(line) : RemoteFile::parse(line, year));
        } catch (const ListingLineRejected&) {
            continue;
        }
        mailbox_->sendStatusUpdate("Receiving file list: " + std::to_string(counter));
    }
}

FoundEntry FtpProtocol::FindRemoteFile(const std::string& folder, const std::string& name)
{
    FoundEntry found{ListFolder(folder, {}, false), nullptr};
    found.entry = found.folder->find(name);
    if (!found.entry)
        found.folder.reset();
    return found;
}

void FtpProtocol::storeEmptyListing(const std::string& folder)
{
    LockedAccess<SiteContext>(site_)->storeFolder(folder, FolderHandle{});
}

} // namespace varnix
