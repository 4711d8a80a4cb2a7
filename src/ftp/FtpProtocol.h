#pragma once
// The FTP protocol engine of one session: the control connection, the data
// connection and the server's working directory, and every operation the
// session's tasks call. Each operation is a straight sequence of commands and
// replies; a reply is checked only by its first digit.
//
// The operations are grouped by family, one source file each: control
// connection and replies, login, data connections, listings, transfers,
// remote commands, folder transfers and site-to-site copies.

#include "ftp/ServerFeatures.h"
#include "ftp/ServerHash.h"
#include "ftp/SitePeer.h"
#include "settings/SettingsRecord.h"
#include "net/BlockingSocket.h"
#include "net/Exceptions.h"
#include "site/SessionMailbox.h"
#include "site/SiteContext.h"

#include <atomic>
#include <cstdint>
#include <future>
#include <optional>
#include <string>
#include <string_view>

namespace varnix {

class RemoteFile;
class RemoteFolder;
struct PassiveAddress;

// What the copy verifications of one task found (see VerifyCopy).
struct CopyChecks {
    std::uint32_t copied = 0;   // files VerifyCopy was asked about
    std::uint32_t verified = 0; // ... whose server hash matched the local copy
    std::string lastVerified;   // "Verified SHA-256 of NAME"
    std::optional<CFTPException> mismatch; // the first, even where a folder walk went on past it
};

// Allowed characters for each digit of a reply code.
inline constexpr std::string_view kAnyDigit = "0123456789";

class FtpProtocol {
public:
    FtpProtocol(SessionMailbox* mailbox, SiteHandle site);
    ~FtpProtocol();
    FtpProtocol(const FtpProtocol&) = delete;
    FtpProtocol& operator=(const FtpProtocol&) = delete;

    // Control connection and replies.
    void SendCommand(const std::string& command);
    std::string ReadLine();
    std::string ReadReply(std::string_view first, std::string_view second = kAnyDigit,
                          std::string_view third = kAnyDigit);
    void Status(std::string text);
    void RequestAbort();
    void RecoverAfterAbort();
    bool IsConnected() const { return control_.IsConnected(); }

    // Connecting, logging in and the working directory.
    void Connect();
    void Quit();
    void UpdateWorkingDirectory();
    void ChangeDirectory(const std::string& path);
    void SetDirectory(const std::string& path);
    void SendKeepAlive();
    const std::string& CurrentDirectory() const { return currentDirectory_; }
    // What the server offered in its FEAT reply on this connection.
    const ServerFeatures& features() const { return features_; }

    // Data connections. Over TLS (PROT P) each one is encrypted too,
    // resuming the control connection's TLS session.
    void OpenDataConnection();
    DataProtection dataProtection() const { return dataProtection_.load(); }
    IpVersion ipVersion() const { return ipVersion_.load(); }

    // Listings. Tree walks ask for ListingUse::Walk: they must see links for
    // what they are, to remove a link rather than what it leads to and to
    // stay out of loops, and some servers' MLSD reports a link as what it
    // leads to (pyftpdlib's does). They read LIST -A, in place of a cached
    // machine listing too.
    enum class ListingUse { Show, Walk };
    FolderHandle ListFolder(const std::string& folder, const std::string& name, bool notify,
                            ListingUse use = ListingUse::Show);
    void RefreshFolder(const std::string& folder);
    std::string ResolvePath(const std::string& folder, const std::string& name);
    FoundEntry FindRemoteFile(const std::string& folder, const std::string& name);
    std::int64_t GetRemoteTime(const std::string& folder, const std::string& name);

    // Single-file transfers. Sizes are 64-bit; kUnknownSize marks "unknown".
    std::uint64_t Download(const std::string& folder, const std::string& localPath, const std::string& name,
                           bool resume, const std::string& progressText);
    std::uint64_t Upload(const std::string& folder, const std::string& name, const std::string& localPath,
                         bool resume, const std::string& progressText);
    std::uint64_t GetRemoteSize(const std::string& folder, const std::string& name);

    // Copy verification: after a transfer, the server's hash of the remote
    // file against the local copy's, when the Verify setting is on and the
    // server offers a hash command. A mismatch throws (RecoveryRestart); a
    // refused or unreadable hash reply leaves the copy unverified.
    void VerifyCopy(const std::string& folder, const std::string& name, const std::string& localPath);
    // The same after a site-to-site copy (on the destination's engine): this
    // server's hash of the copy against the source server's of the original,
    // by the strongest algorithm both offer.
    void VerifySiteCopy(const std::string& folder, const std::string& name, SitePeer* source,
                        const std::string& sourceFolder, const std::string& sourceName);
    // The source's part: this server's hash of a file by that algorithm, as
    // lower-case hex; empty when it gave none.
    std::string SiteHash(const std::string& folder, const std::string& name, HashAlgorithm algorithm);
    HashSet offeredHashes() const { return offeredHashes_.load(); }
    void StartCopyChecks() { copyChecks_ = {}; }
    // The task's verifications: throws the first mismatch, else the done
    // report's text: "Verified ..." when every copied file was, or empty.
    std::string FinishCopyChecks();

    // Remote file management.
    void MakeFolder(const std::string& folder, const std::string& name);
    void RemoveFolder(const std::string& folder, const std::string& name);
    void DeleteFile(const std::string& folder, const std::string& name);
    void Rename(const std::string& folder, const std::string& newName, const std::string& oldName);
    void Chown(const std::string& folder, const std::string& name, const std::string& user,
               const std::string& group);
    void Chmod(const std::string& folder, const std::string& name, std::uint32_t mode);

    // Folder trees.
    void DownloadFolder(const std::string& folder, const std::string& localPath, const std::string& name,
                        bool resume, bool onlyNewer);
    void UploadFolder(const std::string& folder, const std::string& name, const std::string& localPath,
                      bool resume, bool onlyNewer);

    // Site-to-site copies, coupled to the other site's session by posted tasks.
    // Returns the offset the copy resumed at (0 when it started afresh).
    std::uint64_t SiteUploadFile(const std::string& destinationFolder, const std::string& sourceFolder,
                                 SitePeer* sourceSession, const std::string& targetName,
                                 const std::string& sourceName, bool resume);
    void SiteDownloadFile(const std::string& sourceFolder, const std::string& dataAddress, std::uint16_t dataPort,
                          const std::string& sourceName, std::uint64_t restartOffset, bool secureData = false,
                          SiteCopyHandle link = {});
    void SiteRelayDownload(const std::string& sourceFolder, const std::string& sourceName,
                           std::uint64_t restartOffset, const SiteCopyHandle& link);
    void SiteDownloadFolder(const std::string& sourceParent, const std::string& destinationParent,
                            SitePeer* thisSession, SitePeer* destinationSession, const std::string& targetName,
                            const std::string& sourceName, bool resume, bool onlyNewer);
    void SiteUploadFolder(SiteWorkHandle workList, SitePeer* sourceSession, bool resume, bool onlyNewer);

    SessionMailbox& mailbox() { return *mailbox_; }
    const SiteHandle& site() const { return site_; }

private:
    // Shared by the operation families.
    void closeControl();
    void forgetConnection();
    void logIn(const std::string& user, const std::string& password);
    void learnFeatures();
    // TLS on the control connection, and the certificate check after it.
    void negotiateTls(EncryptionMode mode, const std::string& host, const std::string& identity);
    void secureControl(const std::string& host, const std::string& identity);
    [[noreturn]] void refusePlainFtp();
    void protectData();
    // The destination's part of a copy over TLS: it connects as the TLS client.
    PassiveAddress openSecureSitePassive(bool extended);
    PassiveAddress openSitePassive(bool secure);
    std::uint64_t siteCopyOffset(const std::string& targetName, bool resume);
    std::uint64_t serverToServer(const std::string& destinationFolder, const std::string& sourceFolder,
                                 SitePeer* sourceSession, const std::string& targetName,
                                 const std::string& sourceName, std::uint64_t offset);
    void relayThroughVarnix(const std::string& destinationFolder, const std::string& sourceFolder,
                            SitePeer* sourceSession, const std::string& targetName, const std::string& sourceName,
                            std::uint64_t offset, bool existed);
    void sendFileTo(const std::string& dataAddress, std::uint16_t dataPort, const std::string& sourceName,
                    std::uint64_t restartOffset, bool extended, bool secureData, SiteCopyLink* link);
    void relayToLink(const std::string& sourceName, std::uint64_t restartOffset, SiteCopyLink& link);
    void removeEmptyCopy(const std::string& folder, const std::string& name, bool existed);
    void releaseOffer(const PassiveAddress& address);
    void dropConnections();
    void resetControl();
    void leaveTlsClientRole();
    bool usesExtended(std::string_view command, bool refused) const;
    void runPassiveSteps();
    bool runExtendedPassiveSteps();
    void runActiveSteps();
    void storeEmptyListing(const std::string& folder);
    std::uint64_t downloadFile(const std::string& folder, const std::string& localPath, const std::string& name,
                               bool resume, const std::string& progressText);
    std::uint64_t uploadFile(const std::string& folder, const std::string& name, const std::string& localPath,
                             bool resume, const std::string& progressText);
    FolderHandle FetchListing(const std::string& path, ListingUse use);
    // Sends MLSD or LIST -A and opens the data; true for MLSD.
    bool startListing(ListingUse use);
    void chooseMachineFacts();
    void readEntries(RemoteFolder& folder, bool machine);
    // File times: the listed entry's time made exact where the server can
    // (0 for no entry), MDTM's answer, and MFMT after an upload where offered.
    std::int64_t exactRemoteTime(const std::string& folder, const std::string& name, const FoundEntry& listed);
    std::optional<std::int64_t> askRemoteTime(const std::string& name);
    void keepUploadTime(const std::string& name, const std::string& localPath);
    std::uint32_t recvBufferSize();
    bool verifyOn();
    std::optional<ServerHash> serverHash(const HashMethod& method, const std::string& folder,
                                         const std::string& name, std::uint64_t size);
    std::optional<std::string> askServerHash(const HashMethod& method, const std::string& name);
    bool selectHash(const HashMethod& method);
    std::optional<std::string> awaitSourceHash(std::future<std::string>& answer, std::uint64_t size);
    [[noreturn]] void failCopyCheck(const std::string& message);
    void copyVerified(const std::string& what);
    void throwIfCancelled();
    std::uint32_t sendBufferSize();
    // After a data connection failed mid-transfer: read the outstanding
    // reply (or close the control connection) so the next command is in step.
    void recoverFromDataFailure();
    // Moves the data of a transfer or listing. An abort passes untouched
    // (RecoverAfterAbort needs the data connection to send ABOR); any other
    // failure first brings the control connection back into step.
    template <class Move>
    void moveData(Move&& move)
    {
        try {
            move();
        } catch (const CAbortException&) {
            throw;
        } catch (const CException&) {
            recoverFromDataFailure();
            throw;
        }
    }

    SessionMailbox* mailbox_;
    SiteHandle site_;
    BlockingSocket control_;
    BlockingSocket data_;
    std::string currentDirectory_;
    ServerFeatures features_;
    std::optional<HashAlgorithm> selectedHash_; // by an accepted OPTS HASH on this connection
    std::atomic<HashSet> offeredHashes_{0};
    bool sending_ = false;
    bool readingLine_ = false;
    bool replyPending_ = false;
    unsigned keepAliveRandom_ = 1;
    std::atomic<DataProtection> dataProtection_{DataProtection::Unknown};
    // What this server offers for taking the TLS client's part in a copy,
    // learned from the first copy that needed it.
    enum class SiteTlsCommand { Untried, Cpsv, Sscn, None };
    SiteTlsCommand siteTlsCommand_ = SiteTlsCommand::Untried;
    bool tlsClientRole_ = false; // SSCN ON in force
    // An IPv4 server that refused EPSV or EPRT gets PASV or PORT for the
    // rest of the connection.
    bool epsvRefused_ = false;
    bool eprtRefused_ = false;
    std::atomic<IpVersion> ipVersion_{IpVersion::Unknown};
    // MLSD was refused on this connection: LIST -A from then on.
    bool machineListingRefused_ = false;
    bool machineFactsChosen_ = false; // OPTS MLST sent, or not needed
    CopyChecks copyChecks_;
};

} // namespace varnix
