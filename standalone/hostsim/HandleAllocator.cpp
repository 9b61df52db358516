#include "hostsim/HandleAllocator.h"

#include <new>

namespace quorvane::hostsim {

namespace {

constexpr std::align_val_t kBlockAlignment{64};

struct AlignedAllocator final : HandleAllocator {
    void* allocate(std::size_t bytes) override
    {
        return ::operator new(bytes, kBlockAlignment, std::nothrow);
    }
    void release(void* block, std::size_t) override { ::operator delete(block, kBlockAlignment); }
};

} // namespace

HandleAllocator& defaultHandleAllocator()
{
    static AlignedAllocator allocator;
    return allocator;
}

} // namespace quorvane::hostsim
