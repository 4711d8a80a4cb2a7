#pragma once
// The sending end of an upload. The local file goes into a pipe in large
// reads, and each block goes from the pipe to the data connection with no
// copy through user space. Where the kernel cannot move the data that way,
// each block is read into the transfer buffer and sent from there; over TLS,
// which must encrypt in user space, the file is read ahead in large reads
// and each block sent from there.

#include "ftp/LocalFile.h"
#include "ftp/SplicePipe.h"
#include "net/BlockingSocket.h"

#include <cstddef>
#include <vector>

namespace varnix {

class FileSender {
public:
    // The buffer belongs to the caller and outlives the sender.
    FileSender(BlockingSocket& data, LocalFile& file, char* buffer, std::size_t size);
    FileSender(const FileSender&) = delete;
    FileSender& operator=(const FileSender&) = delete;

    // Sends one block of at most the buffer's size from the file's position:
    // its byte count, or 0 at the end of the file.
    std::size_t send();

private:
    bool fillPipe();
    std::size_t sendCopying();
    std::size_t sendReadAhead();
    std::size_t sendFromPipeCopying(std::size_t block);
    void leavePipe();

    BlockingSocket& data_;
    LocalFile& file_;
    char* buffer_;
    std::size_t size_;
    SplicePipe pipe_;
    std::size_t pending_ = 0; // bytes in the pipe, not yet sent
    std::size_t readAhead_;
    bool socketTakesPipe_ = true;
    std::vector<char> ahead_; // read from the file, not yet sent (TLS)
    std::size_t aheadStart_ = 0;
    std::size_t aheadEnd_ = 0;
};

} // namespace varnix
