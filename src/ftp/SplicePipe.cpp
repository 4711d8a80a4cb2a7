#include "ftp/SplicePipe.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace varnix {

SplicePipe::SplicePipe(std::size_t bytes)
{
    if (::pipe2(ends_, O_CLOEXEC) != 0) {
        ends_[0] = ends_[1] = -1;
        return;
    }
    // A smaller pipe than asked for only means more, smaller moves.
    (void)::fcntl(ends_[1], F_SETPIPE_SZ, static_cast<int>(bytes));
    const int granted = ::fcntl(ends_[1], F_GETPIPE_SZ);
    capacity_ = granted > 0 ? static_cast<std::size_t>(granted) : 4096;
}

SplicePipe::~SplicePipe()
{
    close();
}

int SplicePipe::take(char* out, std::size_t length)
{
    while (length > 0) {
        const ssize_t got = ::read(ends_[0], out, length);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return got < 0 ? errno : EIO;
        out += got;
        length -= static_cast<std::size_t>(got);
    }
    return 0;
}

void SplicePipe::close()
{
    for (int& end : ends_) {
        if (end >= 0)
            ::close(end);
        end = -1;
    }
}

} // namespace varnix
