#pragma once
// The receiving end of a download. Each block of received data moves from
// the data connection into a pipe with no copy through user space, and the
// pipe goes into the local file in large writes: once it holds a good amount,
// whenever the stream pauses (so a stalled transfer has everything it got on
// disk) and at the end. Where the kernel cannot move the data that way (TLS,
// which must decrypt in user space), each block is received into a buffer of
// the same good size, which goes into the file by the same rules.

#include "ftp/LocalFile.h"
#include "ftp/SplicePipe.h"
#include "net/BlockingSocket.h"

#include <cstddef>
#include <vector>

namespace varnix {

class FileReceiver {
public:
    // The buffer belongs to the caller and outlives the receiver.
    FileReceiver(BlockingSocket& data, LocalFile& file, char* buffer, std::size_t size);
    FileReceiver(const FileReceiver&) = delete;
    FileReceiver& operator=(const FileReceiver&) = delete;

    // One block of at most the buffer's size: its byte count, or 0 at the end
    // of the data, when everything received is in the file.
    std::size_t receive();
    // After a failure: whatever was received goes into the file, so that a
    // resume continues from there. A second failure here is not reported.
    void keepReceived() noexcept;

private:
    std::size_t receiveCopying();
    void writeBehind();
    void writeOut();
    void writeOutCopying();
    void leavePipe();

    BlockingSocket& data_;
    LocalFile& file_;
    char* buffer_;
    std::size_t size_;
    SplicePipe pipe_;
    std::size_t pending_ = 0; // bytes in the pipe, not yet in the file
    std::size_t writeBehind_ = 0;
    std::vector<char> behind_; // received without the pipe, not yet in the file
    std::size_t behindUsed_ = 0;
};

} // namespace varnix
