#include "host/ae/HostMemory.h"

#include <cstdint>
#include <cstring>
#include <limits>

namespace quorvane {

namespace {

// Room for the handle slot and for moving the block up to the next aligned address.
constexpr std::size_t kHeader = sizeof(PF_Handle) + kHostBlockAlignment;

bool offersHandles(const PF_UtilCallbacks* utils)
{
    return utils && utils->host_new_handle && utils->host_lock_handle &&
           utils->host_unlock_handle && utils->host_dispose_handle;
}

unsigned char* alignedBlockIn(void* locked)
{
    const std::uintptr_t first = reinterpret_cast<std::uintptr_t>(locked) + sizeof(PF_Handle);
    const std::uintptr_t aligned = (first + kHostBlockAlignment - 1) & ~(kHostBlockAlignment - 1);
    return reinterpret_cast<unsigned char*>(aligned);
}

} // namespace

void* allocateHostBlock(const PF_UtilCallbacks* utils, int bytes)
{
    if (!offersHandles(utils) || bytes < 0)
        return nullptr;
    const std::uint64_t total = static_cast<std::uint64_t>(bytes) + kHeader;
    if (total > std::numeric_limits<A_u_long>::max())
        return nullptr;
    PF_Handle handle = utils->host_new_handle(static_cast<A_u_long>(total));
    if (!handle)
        return nullptr;
    void* locked = utils->host_lock_handle(handle);
    if (!locked) {
        utils->host_dispose_handle(handle);
        return nullptr;
    }
    unsigned char* block = alignedBlockIn(locked);
    std::memcpy(block - sizeof(PF_Handle), &handle, sizeof(PF_Handle));
    return block;
}

void releaseHostBlock(const PF_UtilCallbacks* utils, void* block)
{
    if (!block || !offersHandles(utils))
        return;
    PF_Handle handle = nullptr;
    std::memcpy(&handle, static_cast<unsigned char*>(block) - sizeof(PF_Handle), sizeof(PF_Handle));
    utils->host_unlock_handle(handle);
    utils->host_dispose_handle(handle);
}

LockedHandle::LockedHandle(const PF_UtilCallbacks* utils, PF_Handle handle)
    : utils_(utils), handle_(handle)
{
    if (handle_ && utils_ && utils_->host_lock_handle)
        data_ = utils_->host_lock_handle(handle_);
}

LockedHandle::~LockedHandle()
{
    if (data_ && utils_->host_unlock_handle)
        utils_->host_unlock_handle(handle_);
}

} // namespace quorvane
