#include "HandlePool.h"

#include <algorithm>
#include <bit>
#include <new>
#include <unistd.h>

namespace quorvane {

namespace {

constexpr std::align_val_t kAlignment{64};
constexpr std::size_t kSmall = 64 * 1024;

void* systemAllocate(std::size_t capacity)
{
    return ::operator new(capacity, kAlignment, std::nothrow);
}

void systemRelease(void* block)
{
    ::operator delete(block, kAlignment);
}

} // namespace

HandlePool::HandlePool(std::size_t retainLimit) : retainLimit_(retainLimit) {}

HandlePool::~HandlePool()
{
    trim();
}

std::size_t HandlePool::defaultRetainLimit()
{
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    constexpr std::size_t kMaximum = std::size_t{4} << 30;
    if (pages <= 0 || pageSize <= 0)
        return std::size_t{1} << 30;
    return std::min(kMaximum, static_cast<std::size_t>(pages) * static_cast<std::size_t>(pageSize) / 4);
}

std::size_t HandlePool::capacityFor(std::size_t bytes)
{
    if (bytes <= kSmall)
        return std::max<std::size_t>(64, (bytes + 63) / 64 * 64);
    const std::size_t step = std::bit_floor(bytes) / 8;
    if (bytes > static_cast<std::size_t>(-1) - step)
        return bytes;
    return (bytes + step - 1) / step * step;
}

void* HandlePool::allocate(std::size_t bytes)
{
    const std::size_t capacity = capacityFor(bytes);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto found = kept_.find(capacity);
        if (found != kept_.end() && !found->second.empty()) {
            // The most recently freed block is the likeliest to be in cache.
            void* block = found->second.back().block;
            found->second.pop_back();
            if (found->second.empty())
                kept_.erase(found);
            statistics_.bytesKept -= capacity;
            ++statistics_.reused;
            ++statistics_.blocksOutstanding;
            return block;
        }
    }
    void* block = systemAllocate(capacity);
    if (!block) {
        // Memory kept for reuse is worth less than this request.
        trim();
        block = systemAllocate(capacity);
        if (!block)
            return nullptr;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    ++statistics_.fromSystem;
    ++statistics_.blocksOutstanding;
    return block;
}

void HandlePool::release(void* block, std::size_t bytes)
{
    if (!block)
        return;
    const std::size_t capacity = capacityFor(bytes);
    std::lock_guard<std::mutex> lock(mutex_);
    --statistics_.blocksOutstanding;
    if (capacity > retainLimit_) {
        systemRelease(block);
        ++statistics_.returnedToSystem;
        return;
    }
    while (statistics_.bytesKept + capacity > retainLimit_)
        evictOldest();
    kept_[capacity].push_back({block, nextStamp_++});
    statistics_.bytesKept += capacity;
}

void HandlePool::evictOldest()
{
    auto oldest = kept_.begin();
    for (auto it = kept_.begin(); it != kept_.end(); ++it)
        if (it->second.front().stamp < oldest->second.front().stamp)
            oldest = it;
    systemRelease(oldest->second.front().block);
    oldest->second.erase(oldest->second.begin());
    statistics_.bytesKept -= oldest->first;
    ++statistics_.returnedToSystem;
    if (oldest->second.empty())
        kept_.erase(oldest);
}

HandlePool::Statistics HandlePool::statistics() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return statistics_;
}

void HandlePool::trim()
{
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& [capacity, blocks] : kept_)
        for (const KeptBlock& kept : blocks) {
            systemRelease(kept.block);
            ++statistics_.returnedToSystem;
        }
    kept_.clear();
    statistics_.bytesKept = 0;
}

} // namespace quorvane
