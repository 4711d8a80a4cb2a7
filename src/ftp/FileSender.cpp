#include "ftp/FileSender.h"

#include <algorithm>

namespace varnix {

namespace {

// One read of the file per this many bytes instead of one per block.
constexpr std::size_t kReadAhead = 256 * 1024;

} // namespace

FileSender::FileSender(BlockingSocket& data, LocalFile& file, char* buffer, std::size_t size)
    : data_(data), file_(file), buffer_(buffer), size_(size),
      readAhead_(std::min(kReadAhead, pipe_.capacity()))
{
}

std::size_t FileSender::send()
{
    if (data_.IsSecure())
        return sendReadAhead();
    if (pipe_.open() && pending_ == 0 && !fillPipe())
        return 0;
    if (!pipe_.open())
        return sendCopying();
    const std::size_t block = std::min(size_, pending_);
    if (socketTakesPipe_ && data_.SendFromPipe(pipe_.readEnd(), block)) {
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
    std::optional<std::size_t> got = file_.readIntoPipe(pipe_.writeEnd(), readAhead_);
    if (!got) {
        leavePipe();
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

std::size_t FileSender::sendReadAhead()
{
    if (aheadStart_ == aheadEnd_) {
        if (ahead_.empty())
            ahead_.resize(std::max(kReadAhead, size_));
        aheadStart_ = 0;
        aheadEnd_ = file_.read(ahead_.data(), ahead_.size());
    }
    const std::size_t block = std::min(size_, aheadEnd_ - aheadStart_);
    data_.SendAll(ahead_.data() + aheadStart_, block);
    aheadStart_ += block;
    return block;
}

std::size_t FileSender::sendFromPipeCopying(std::size_t block)
{
    if (int error = pipe_.take(buffer_, block))
        throw CFileException("read", file_.path(), error);
    pending_ -= block;
    data_.SendAll(buffer_, block);
    return block;
}

void FileSender::leavePipe()
{
    pipe_.close();
    pending_ = 0;
}

} // namespace varnix
