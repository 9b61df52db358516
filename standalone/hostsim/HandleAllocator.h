#pragma once
// Where the simulated host takes the memory behind its handles. The standalone host may supply
// a pool that reuses blocks between frames; tests use the default.

#include <cstddef>

namespace quorvane::hostsim {

// Blocks must be aligned to at least 16 bytes. allocate answers null when out of memory;
// release receives the same size that was asked for. Both may be called from any thread and
// concurrently.
struct HandleAllocator {
    virtual ~HandleAllocator() = default;
    virtual void* allocate(std::size_t bytes) = 0;
    virtual void release(void* block, std::size_t bytes) = 0;
};

// Plain aligned allocation (64-byte alignment). A process-wide instance.
HandleAllocator& defaultHandleAllocator();

} // namespace quorvane::hostsim
