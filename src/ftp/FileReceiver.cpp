#include "ftp/FileReceiver.h"

#include <algorithm>

namespace varnix {

namespace {

// Writes of this size cost the page cache a fraction of what 4 KiB ones do.
constexpr std::size_t kWriteBehind = 256 * 1024;

} // namespace

FileReceiver::FileReceiver(BlockingSocket& data, LocalFile& file, char* buffer, std::size_t size)
    : data_(data), file_(file), buffer_(buffer), size_(size),
      writeBehind_(std::min(kWriteBehind, pipe_.capacity() / 2))
{
}

std::size_t FileReceiver::receive()
{
    using State = BlockingSocket::SpliceResult::State;
    while (pipe_.open()) {
        auto [state, count] = data_.TrySpliceInto(pipe_.writeEnd(), size_);
        if (state == State::Moved) {
            pending_ += count;
            if (count == 0 || pending_ >= writeBehind_)
                writeOut();
            return count;
        }
        if (pending_ > 0)
            writeOut(); // the stream paused or the pipe is full
        else if (state == State::Unsupported)
            leavePipe();
        else
            data_.WaitReadable();
    }
    return receiveCopying();
}

void FileReceiver::keepReceived() noexcept
{
    try {
        if (pending_ > 0)
            writeOut();
        writeBehind();
    } catch (const CException&) {
        // The first failure is the one the caller reports.
    }
}

std::size_t FileReceiver::receiveCopying()
{
    using State = BlockingSocket::SpliceResult::State;
    if (behind_.empty())
        behind_.resize(std::max(kWriteBehind, size_));
    for (;;) {
        if (behind_.size() - behindUsed_ < size_)
            writeBehind();
        auto [state, count] = data_.TryReceive(behind_.data() + behindUsed_, size_);
        if (state == State::Moved) {
            behindUsed_ += count;
            if (count == 0)
                writeBehind();
            return count;
        }
        writeBehind(); // the stream paused
        data_.WaitReadable();
    }
}

void FileReceiver::writeBehind()
{
    if (behindUsed_ == 0)
        return;
    file_.write(behind_.data(), behindUsed_);
    behindUsed_ = 0;
}

void FileReceiver::writeOut()
{
    if (file_.writeFromPipe(pipe_.readEnd(), pending_)) {
        pending_ = 0;
        return;
    }
    // A file the kernel cannot splice into (a device, some network file
    // systems): empty the pipe through the buffer and leave it from now on.
    writeOutCopying();
    leavePipe();
}

void FileReceiver::writeOutCopying()
{
    while (pending_ > 0) {
        const std::size_t block = std::min(size_, pending_);
        if (int error = pipe_.take(buffer_, block))
            throw CFileException("write", file_.path(), error);
        file_.write(buffer_, block);
        pending_ -= block;
    }
}

void FileReceiver::leavePipe()
{
    pipe_.close();
    pending_ = 0;
}

} // namespace varnix
