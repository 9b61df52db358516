#pragma once
// The memory behind the host's handles. Freed blocks are kept and handed out again, within a
// frame and across the frames of a sequence: first writes to fresh pages are slow (about
// 1 GB/s here), so a UHD float working buffer allocated anew would cost some 100 ms a frame.
// The blocks kept are bounded: beyond the limit the oldest go back to the system. Blocks are
// aligned to 64 bytes; all operations are thread-safe. The simulation's own handle counts are
// unaffected: every handle is still allocated and disposed through it.

#include <cstddef>
#include <map>
#include <mutex>
#include <vector>

#include "hostsim/HandleAllocator.h"

namespace quorvane {

class HandlePool final : public hostsim::HandleAllocator {
public:
    // At most `retainLimit` bytes of freed blocks are kept.
    explicit HandlePool(std::size_t retainLimit = defaultRetainLimit());
    ~HandlePool() override;
    HandlePool(const HandlePool&) = delete;
    HandlePool& operator=(const HandlePool&) = delete;

    void* allocate(std::size_t bytes) override;
    void release(void* block, std::size_t bytes) override;

    // A quarter of the physical memory, at most 4 GiB.
    static std::size_t defaultRetainLimit();
    // The size class a request is served from: small requests in 64-byte steps, larger ones in
    // eighths of their power of two, so that requests of similar size share blocks.
    static std::size_t capacityFor(std::size_t bytes);

    struct Statistics {
        long fromSystem = 0;         // blocks taken from the system
        long reused = 0;             // requests served from kept blocks
        long returnedToSystem = 0;   // kept blocks given back beyond the limit
        std::size_t bytesKept = 0;
        long blocksOutstanding = 0;
    };
    Statistics statistics() const;
    // Gives every kept block back to the system.
    void trim();

private:
    struct KeptBlock {
        void* block;
        unsigned long stamp;   // release order: the smallest is the oldest
    };
    void evictOldest();

    const std::size_t retainLimit_;
    mutable std::mutex mutex_;
    std::map<std::size_t, std::vector<KeptBlock>> kept_;   // by capacity, oldest first
    unsigned long nextStamp_ = 0;
    Statistics statistics_;
};

} // namespace quorvane
