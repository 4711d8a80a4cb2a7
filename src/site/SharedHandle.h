#pragma once
// Counted handles for objects shared between threads.
//
// SharedHandle<T> points to a control block holding the object and an atomic
// count; the last release deletes the object. LockedHandle<T> adds a
// re-entrant lock to the block, entered through a short-lived LockedAccess,
// normally one per statement:
//
//     LockedAccess(site)->storeFolder(path, folder);
//
// The access enters the lock on first use and leaves it when it goes.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <utility>

namespace varnix {

namespace detail {

struct NoLock {};

template <class T, class Lock>
struct HandleBlock {
    template <class... Args>
    explicit HandleBlock(Args&&... args) : object(std::forward<Args>(args)...) {}
    T object;
    std::atomic<std::int32_t> count{0};
    [[no_unique_address]] Lock lock;
};

template <class T, class Lock>
class CountedHandle {
public:
    using Block = HandleBlock<T, Lock>;

    CountedHandle() = default;
    CountedHandle(const CountedHandle& other) : block_(other.block_) { retain(); }
    CountedHandle(CountedHandle&& other) noexcept : block_(std::exchange(other.block_, nullptr)) {}
    ~CountedHandle() { release(); }

    CountedHandle& operator=(const CountedHandle& other)
    {
        if (block_ != other.block_) {
            release();
            block_ = other.block_;
            retain();
        }
        return *this;
    }

    CountedHandle& operator=(CountedHandle&& other) noexcept
    {
        if (this != &other) {
            if (block_ == other.block_) {
                other.reset();
            } else {
                release();
                block_ = std::exchange(other.block_, nullptr);
            }
        }
        return *this;
    }

    template <class... Args>
    static CountedHandle make(Args&&... args)
    {
        CountedHandle h;
        h.block_ = new Block(std::forward<Args>(args)...);
        h.retain();
        return h;
    }

    void reset() { release(); }
    explicit operator bool() const { return block_ != nullptr; }
    bool sameAs(const CountedHandle& other) const { return block_ == other.block_; }
    std::int32_t useCount() const { return block_ ? block_->count.load() : 0; }
    bool operator==(const CountedHandle& other) const { return block_ == other.block_; }

protected:
    Block* block() const { return block_; }

private:
    void retain()
    {
        if (block_)
            block_->count.fetch_add(1, std::memory_order_relaxed);
    }

    void release()
    {
        Block* b = std::exchange(block_, nullptr);
        if (b && b->count.fetch_sub(1, std::memory_order_acq_rel) - 1 <= 0)
            delete b;
    }

    Block* block_ = nullptr;
};

} // namespace detail

template <class T>
class SharedHandle : public detail::CountedHandle<T, detail::NoLock> {
    using Base = detail::CountedHandle<T, detail::NoLock>;

public:
    SharedHandle() = default;
    SharedHandle(Base base) : Base(std::move(base)) {}

    T* get() const { return this->block() ? &this->block()->object : nullptr; }
    T* operator->() const { return get(); }
    T& operator*() const { return *get(); }
};

template <class T, class... Args>
SharedHandle<T> makeShared(Args&&... args)
{
    return SharedHandle<T>::make(std::forward<Args>(args)...);
}

template <class T>
class LockedAccess;

template <class T>
class LockedHandle : public detail::CountedHandle<T, std::recursive_mutex> {
    using Base = detail::CountedHandle<T, std::recursive_mutex>;

public:
    LockedHandle() = default;
    LockedHandle(Base base) : Base(std::move(base)) {}

private:
    friend class LockedAccess<T>;
};

template <class T, class... Args>
LockedHandle<T> makeLocked(Args&&... args)
{
    return LockedHandle<T>::make(std::forward<Args>(args)...);
}

template <class T>
class LockedAccess {
public:
    explicit LockedAccess(const LockedHandle<T>& handle) : block_(handle.block()) {}
    LockedAccess(const LockedAccess&) = delete;
    LockedAccess& operator=(const LockedAccess&) = delete;
    ~LockedAccess()
    {
        if (locked_)
            block_->lock.unlock();
    }

    T* operator->() { return &use(); }
    T& operator*() { return use(); }

private:
    T& use()
    {
        if (!locked_) {
            block_->lock.lock();
            locked_ = true;
        }
        return block_->object;
    }

    typename LockedHandle<T>::Block* block_;
    bool locked_ = false;
};

} // namespace varnix
