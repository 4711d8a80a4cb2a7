#pragma once
// A pipe through which a transfer's data moves between file and socket
// without a copy through user space. Closed by the destructor.

#include <cstddef>

namespace varnix {

class SplicePipe {
public:
    // The most an unprivileged process may ask for.
    static constexpr std::size_t kDefaultBytes = 1024 * 1024;

    // Asks for a pipe of about this many bytes; open() is false when the
    // process has no descriptor to spare, and the caller copies instead.
    explicit SplicePipe(std::size_t bytes = kDefaultBytes);
    ~SplicePipe();
    SplicePipe(const SplicePipe&) = delete;
    SplicePipe& operator=(const SplicePipe&) = delete;

    bool open() const { return ends_[0] >= 0; }
    int readEnd() const { return ends_[0]; }
    int writeEnd() const { return ends_[1]; }
    // What the kernel granted, which may be less than asked for.
    std::size_t capacity() const { return capacity_; }
    // Takes exactly length bytes (no more than it holds) out of the pipe;
    // 0 when done, otherwise the error.
    int take(char* out, std::size_t length);
    void close();

private:
    int ends_[2] = {-1, -1};
    std::size_t capacity_ = 0;
};

} // namespace varnix
