#pragma once
// Memory from host handles. A block is a locked handle; the handle is kept in a pointer-sized
// slot just in front of the address handed out, and that address is aligned for any pixel or
// SIMD type.

#include <cstddef>

#include "host/ae/AeInterface.h"

namespace quorvane {

constexpr std::size_t kHostBlockAlignment = 16;

// Null when the host offers no handles, the size does not fit the host's size type, or the
// host refuses. A zero-byte request still yields a distinct address.
void* allocateHostBlock(const PF_UtilCallbacks* utils, int bytes);
// Ignores null.
void releaseHostBlock(const PF_UtilCallbacks* utils, void* block);

// Keeps a host handle locked for a scope.
class LockedHandle {
public:
    LockedHandle(const PF_UtilCallbacks* utils, PF_Handle handle);
    ~LockedHandle();
    LockedHandle(const LockedHandle&) = delete;
    LockedHandle& operator=(const LockedHandle&) = delete;

    void* data() const { return data_; }

private:
    const PF_UtilCallbacks* utils_;
    PF_Handle handle_;
    void* data_ = nullptr;
};

} // namespace quorvane
