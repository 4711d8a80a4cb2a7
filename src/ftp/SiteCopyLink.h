#pragma once
// What the two sessions of one site-to-site file copy share while it runs.
//
// Server to server, each session waits on its own server's replies; when
// one side finds that the servers will not reach each other (a refused
// PORT, a data connection refused or never made), it says so here and the
// other side's wait is cut short, so neither sits out a server's time-out.
//
// Through Varnix, the source session reads the file from its data
// connection into a bounded buffer and the destination session writes it
// from there to its own: no temporary file, and memory stays the same
// whatever the file's size.
//
// A side that ends for a reason of its own (a failure, a cancel) reports it
// to its window or queue as usual and abandons the link; the other side
// then ends its part quietly (CopyPartEnded), so that one failure is
// reported once.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace varnix {

// Thrown by the side of a copy that the other side has ended; the session
// sends no notice for it.
struct CopyPartEnded {};

class SiteCopyLink {
public:
    static constexpr std::size_t kRelayCapacity = 4u * 1024 * 1024;

    enum class Side { Source, Destination };
    enum class State {
        Running,
        Refused,    // the servers will not reach each other; reason() says how
        Abandoned,  // a side gave up for a reason of its own
        Finished,   // through Varnix: the source has sent its last byte
    };

    explicit SiteCopyLink(std::size_t capacity = kRelayCapacity);

    // How to interrupt a side's wait for its server (from any thread).
    // Cleared again when that side's part ends.
    void setWake(Side side, std::function<void()> wake);

    State state() const;
    std::string reason() const;
    // The first word of what ended the copy stands.
    void refuse(Side by, const std::string& reason);
    void abandon(Side by);

    // Through Varnix. `check` is called while a side waits and throws to
    // end the wait (a cancel). The source says when its server has agreed
    // to send; the destination waits for that before it creates the file,
    // so a source that fails leaves nothing behind. False: the copy ended
    // before it started.
    // `size`: the source file's, all of it; ~0 when the server does not say.
    void sourceStarted(std::uint64_t size);
    bool waitForSource(const std::function<void()>& check);
    std::uint64_t sourceSize() const;
    // Blocks while the buffer is full; throws CopyPartEnded once the
    // destination has given up.
    void write(const char* data, std::size_t size, const std::function<void()>& check);
    void finish();
    // At most `size` bytes, blocking while the buffer is empty; 0 at the
    // end. Throws CopyPartEnded once the source has given up and what it
    // sent before has been read.
    std::size_t read(char* into, std::size_t size, const std::function<void()>& check);

private:
    template <class Ready>
    void waitUntil(std::unique_lock<std::mutex>& lock, Ready ready, const std::function<void()>& check);
    void wakeOther(Side by);

    mutable std::mutex lock_;
    std::condition_variable changed_;
    State state_ = State::Running;
    std::string reason_;
    std::function<void()> wake_[2];
    bool started_ = false;
    std::uint64_t sourceSize_ = ~std::uint64_t(0);
    std::vector<char> ring_;
    std::size_t head_ = 0;  // next byte to read
    std::size_t used_ = 0;
};

using SiteCopyHandle = std::shared_ptr<SiteCopyLink>;

} // namespace varnix
