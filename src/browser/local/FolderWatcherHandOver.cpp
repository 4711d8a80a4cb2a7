#include "browser/local/FolderWatcherHandOver.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace varnix {

struct FolderWatcherHandOver::State {
    explicit State(Take t) : take(std::move(t)) {}
    const Take take;
    std::mutex lock;
    std::condition_variable taken;
    bool closed = false;
    std::uint64_t sent = 0;
    std::uint64_t done = 0;
};

FolderWatcherHandOver::FolderWatcherHandOver(Post post, Take take)
    : state_(std::make_shared<State>(std::move(take))), post_(std::move(post))
{
}

FolderWatcherHandOver::~FolderWatcherHandOver()
{
    close();
}

bool FolderWatcherHandOver::deliver(int what)
{
    std::uint64_t ticket;
    {
        std::lock_guard lock(state_->lock);
        if (state_->closed)
            return false;
        ticket = ++state_->sent;
    }
    post_([state = state_, ticket, what] {
        {
            std::lock_guard lock(state->lock);
            if (state->closed)
                return;
        }
        // Unlocked: closing happens on this same thread, never meanwhile.
        state->take(what);
        std::lock_guard lock(state->lock);
        state->done = ticket;
        state->taken.notify_all();
    });
    std::unique_lock lock(state_->lock);
    state_->taken.wait(lock, [&] { return state_->closed || state_->done >= ticket; });
    return state_->done >= ticket;
}

void FolderWatcherHandOver::close()
{
    std::lock_guard lock(state_->lock);
    state_->closed = true;
    state_->taken.notify_all();
}

} // namespace varnix
