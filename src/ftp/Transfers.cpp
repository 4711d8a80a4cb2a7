// Single-file transfers: download, upload and the remote size look-up.

#include "ftp/FtpProtocol.h"
#include "ftp/FileReceiver.h"
#include "ftp/FileSender.h"
#include "ftp/LocalFile.h"
#include "ftp/ReplyParsing.h"
#include "model/RemoteFolder.h"
#include "net/SigpipeGuard.h"
#include "platform/Ticks.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <string>

namespace varnix {

namespace {

// A larger setting is a typing slip, and an allocation that size would fail
// the transfer with an error no handler expects.
constexpr std::uint32_t kMaxTransferBuffer = 16u * 1024 * 1024;

// The progress notices of one transfer call: elapsed milliseconds since the
// data started, bytes moved, start offset and expected bytes.
class ProgressReport {
public:
    ProgressReport(SessionMailbox& mailbox, const std::string& text, std::uint64_t offset,
                   std::uint64_t expected)
        : mailbox_(mailbox), text_(text), offset_(offset), expected_(expected)
    {
    }

    void start()
    {
        mailbox_.sendProgress(0, 0, offset_, expected_, text_);
        start_ = tickCount();
    }

    void add(std::size_t bytes)
    {
        moved_ += bytes;
        elapsed_ = tickCount() - start_;
        mailbox_.sendProgress(elapsed_, moved_, offset_, moved_ > expected_ ? kUnknownSize : expected_, text_);
    }

    // A stream that ended short of the size keeps the size as its total:
    // the copy is not complete, whatever the server answers next.
    void finish()
    {
        const bool cutShort = expected_ != kUnknownSize && moved_ < expected_;
        mailbox_.sendProgress(elapsed_, moved_, offset_, cutShort ? expected_ : moved_, text_);
    }

    // Sending ends once the bytes are in the socket's buffer, which takes a
    // resumed upload's short rest next to no time: the rate counts the time
    // until the server has confirmed them.
    void confirm()
    {
        elapsed_ = tickCount() - start_;
        finish();
    }
    std::uint64_t moved() const { return moved_; }

private:
    SessionMailbox& mailbox_;
    const std::string& text_;
    std::uint64_t offset_;
    std::uint64_t expected_;
    std::uint64_t start_ = 0;
    std::uint64_t elapsed_ = 0;
    std::uint64_t moved_ = 0;
};

// Zero-filled, one per call; a zero size is allowed and moves nothing.
struct TransferBuffer {
    explicit TransferBuffer(std::uint32_t size) : size(size), bytes(std::make_unique<char[]>(size)) {}
    std::size_t size;
    std::unique_ptr<char[]> bytes;
};

void receiveInto(BlockingSocket& data, LocalFile& file, TransferBuffer& buffer, ProgressReport& progress)
{
    if (buffer.size == 0)
        return; // a receive of nothing would look like the end of the data
    FileReceiver receiver(data, file, buffer.bytes.get(), buffer.size);
    try {
        for (std::size_t got; (got = receiver.receive()) != 0;)
            progress.add(got);
    } catch (const CException&) {
        receiver.keepReceived();
        throw;
    }
}

void sendFrom(BlockingSocket& data, LocalFile& file, TransferBuffer& buffer, ProgressReport& progress)
{
    if (buffer.size == 0)
        return;
    // Corked, the blocks go out as full segments.
    SigpipeGuard guard;
    data.SetCork(true);
    FileSender sender(data, file, buffer.bytes.get(), buffer.size);
    for (std::size_t got; (got = sender.send()) != 0;)
        progress.add(got);
    data.SetCork(false);
}

// A 4xx reply is the server's word that the same request may work later
// (426 transfer aborted, 425 no data connection, 421 closing, 450 busy), so
// the failure is worth an automatic retry, which resumes what was kept.
template <class Run>
auto markingTransientReplies(Run&& run)
{
    try {
        return run();
    } catch (CFTPException& e) {
        if (e.recovery == RecoveryNone && e.message.starts_with('4'))
            e.recovery = RecoveryRetry;
        throw;
    }
}

bool localFileExists(const std::string& path)
{
    struct stat info{};
    return ::lstat(path.c_str(), &info) == 0;
}

// A download that failed before any byte arrived leaves no empty file behind
// that it made itself (a list of "downloaded" files would show it as done).
void removeIfMadeEmpty(const std::string& path, bool existed)
{
    struct stat info{};
    if (!existed && ::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_size == 0)
        (void)::unlink(path.c_str());
}

// Nothing moves: the whole file lies before the offset.
void reportComplete(SessionMailbox& mailbox, std::uint64_t offset, const std::string& text)
{
    mailbox.sendProgress(0, 0, offset, 0, text);
}

} // namespace

std::uint64_t FtpProtocol::Download(const std::string& folder, const std::string& localPath,
                                    const std::string& name, bool resume, const std::string& progressText)
{
    const bool existed = localFileExists(localPath);
    try {
        auto moved = markingTransientReplies([&] { return downloadFile(folder, localPath, name, resume, progressText); });
        VerifyCopy(folder, name, localPath);
        return moved;
    } catch (const CException&) {
        removeIfMadeEmpty(localPath, existed);
        throw;
    }
}

std::uint64_t FtpProtocol::downloadFile(const std::string& folder, const std::string& localPath,
                                        const std::string& name, bool resume, const std::string& progressText)
{
    TransferBuffer buffer(recvBufferSize());
    // Without resume the old content goes only once the server has agreed to
    // send the file, so a refused RETR does not cost the local copy.
    LocalFile file(localPath, LocalFile::Access::Write);
    SetDirectory(folder);
    if (resume)
        file.seekToEnd();
    const FoundEntry listed = FindRemoteFile(folder, name);
    const std::uint64_t size = GetRemoteSize(folder, name);
    const std::uint64_t offset = resume ? file.position() : 0;
    // An unknown size never proves the file complete: fetch until the end of the data.
    if (size != kUnknownSize && offset >= size) {
        if (!resume)
            file.truncate();
        reportComplete(*mailbox_, offset, progressText);
        file.close();
        return 0;
    }
    ProgressReport progress(*mailbox_, progressText, offset, size == kUnknownSize ? kUnknownSize : size - offset);
    OpenDataConnection();
    if (resume) {
        SendCommand("REST " + std::to_string(offset));
        ReadReply("3");
    }
    SendCommand("RETR " + name);
    ReadReply("1");
    replyPending_ = true;
    moveData([&] {
        if (!resume)
            file.truncate();
        progress.start();
        receiveInto(data_, file, buffer, progress);
    });
    progress.finish();
    data_.Close();
    ReadReply("2");
    if (const std::int64_t remoteTime = exactRemoteTime(folder, name, listed); remoteTime != 0)
        (void)file.setModifiedTime(remoteTime);
    file.close();
    if (resume) {
        SendCommand("REST 0");
        ReadReply("3");
    }
    return progress.moved();
}

std::uint64_t FtpProtocol::Upload(const std::string& folder, const std::string& name, const std::string& localPath,
                                  bool resume, const std::string& progressText)
{
    try {
        auto moved = markingTransientReplies([&] { return uploadFile(folder, name, localPath, resume, progressText); });
        VerifyCopy(folder, name, localPath);
        return moved;
    } catch (const CException&) {
        // Part of the file may have reached the server: the listing shown
        // before is no longer what is there.
        if (progressText.empty())
            storeEmptyListing(folder);
        throw;
    }
}

std::uint64_t FtpProtocol::uploadFile(const std::string& folder, const std::string& name, const std::string& localPath,
                                      bool resume, const std::string& progressText)
{
    TransferBuffer buffer(sendBufferSize());
    LocalFile file(localPath, LocalFile::Access::Read);
    const std::uint64_t size = file.size();
    SetDirectory(folder);
    std::uint64_t offset = 0;
    if (resume) {
        const std::uint64_t remoteSize = GetRemoteSize(folder, name);
        // Unknown means the server has no such file (or will not say): append from 0.
        if (remoteSize != kUnknownSize && remoteSize >= size) {
            reportComplete(*mailbox_, remoteSize, progressText);
            return 0;
        }
        offset = remoteSize == kUnknownSize ? 0 : remoteSize;
        file.seek(offset);
    }
    OpenDataConnection();
    SendCommand((resume ? "APPE " : "STOR ") + name);
    ReadReply("1");
    replyPending_ = true;
    ProgressReport progress(*mailbox_, progressText, offset, size - offset);
    moveData([&] {
        progress.start();
        sendFrom(data_, file, buffer, progress);
        data_.FinishSending();
    });
    data_.Close();
    ReadReply("2");
    progress.confirm();
    keepUploadTime(name, localPath);
    if (progressText.empty())
        storeEmptyListing(folder);
    return progress.moved();
}

std::uint64_t FtpProtocol::GetRemoteSize(const std::string& folder, const std::string& name)
{
    {
        FoundEntry found = LockedAccess<SiteContext>(site_)->findEntry(folder, name);
        if (found)
            return found.entry->size();
    }
    SetDirectory(folder);
    std::string reply;
    try {
        SendCommand("SIZE " + name);
        reply = ReadReply("2");
    } catch (const CFTPException&) {
        // A refusal leaves the connection in step; anything that closed it does not.
        if (!IsConnected())
            throw;
        return kUnknownSize;
    }
    return parseReplyNumber(reply).value_or(kUnknownSize);
}

std::uint32_t FtpProtocol::recvBufferSize()
{
    return std::min(LockedAccess<SiteContext>(site_)->settings().recvBuffer(), kMaxTransferBuffer);
}

std::uint32_t FtpProtocol::sendBufferSize()
{
    return std::min(LockedAccess<SiteContext>(site_)->settings().sendBuffer(), kMaxTransferBuffer);
}

void FtpProtocol::recoverFromDataFailure()
{
    data_.Close();
    if (!control_.IsConnected())
        return;
    try {
        ReadReply(kAnyDigit);
    } catch (const CAbortException&) {
        throw;
    } catch (const CException&) {
        closeControl();
    }
}

} // namespace varnix
