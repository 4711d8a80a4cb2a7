#include "ftp/FileSender.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace varnix {

namespace {

constexpr int kPipeBytes = 1024 * 1024;
// One read of the file per this many bytes instead of one per block.
constexpr std::size_t kReadAhead = 256 * 1024;

} // namespace

FileSender::FileSender(BlockingSocket& data, LocalFile& file, char* buffer, std::size_t size)
    : data_(data), file_(file), buffer_(buffer), size_(size)
{
    if (::pipe2(pipe_, O_CLOEXEC) != 0) {
        pipe_[0] = pipe_[1] = -1;
        return; // no descriptor to spare: send through the buffer
    }
    (void)::fcntl(pipe_[1], F_SETPIPE_SZ, kPipeBytes);
    const int capacity = ::fcntl(pipe_[1], F_GETPIPE_SZ);
    readAhead_ = std::min(kReadAhead, capacity > 0 ? static_cast<std::size_t>(capacity) : 4096);
}

FileSender::~FileSender()
{
    closePipe();
}

std::size_t FileSender::send()
{
    if (piped() && pending_ == 0 && !fillPipe())
        return 0;
    if (!piped())
        return sendCopying();
    const std::size_t block = std::min(size_, pending_);
    if (socketTakesPipe_ && data_.SendFromPipe(pipe_[0], block)) {
        pending_ -= block;
        return block;
    }
    socketTakesPipe_ = false;
    return sendFromPipeCopying(block);
}

// False at the end of the file. A file that cannot be spliced (not a
// regular file) leaves the pipe closed, and the caller reads it instead.
bool FileSender::fillPipe()
{
    std::optional<std::size_t> got = file_.readIntoPipe(pipe_[1], readAhead_);
    if (!got) {
        closePipe();
        return true;
    }
    pending_ = *got;
    return *got != 0;
}

std::size_t FileSender::sendCopying()
{
    const std::size_t got = file_.read(buffer_, size_);
    data_.SendAll(buffer_, got);
    return got;
}

std::size_t FileSender::sendFromPipeCopying(std::size_t block)
{
    std::size_t taken = 0;
    while (taken < block) {
        const ssize_t got = ::read(pipe_[0], buffer_ + taken, block - taken);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            throw CFileException("read", file_.path(), got < 0 ? errno : EIO);
        taken += static_cast<std::size_t>(got);
    }
    pending_ -= block;
    data_.SendAll(buffer_, block);
    return block;
}

void FileSender::closePipe()
{
    for (int& end : pipe_) {
        if (end >= 0)
            ::close(end);
        end = -1;
    }
    pending_ = 0;
}

} // namespace varnix
