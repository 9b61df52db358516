#include "PendingOutput.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "ImageBuffer.h"

namespace quorvane {

namespace {

// Paths a signal handler may remove. A slot is claimed, its path written, then marked
// ready; the handler reads only ready slots.
constexpr int kSlots = 8;
constexpr std::size_t kPathBytes = 4096;
char g_paths[kSlots][kPathBytes];
std::atomic<bool> g_claimed[kSlots];
std::atomic<bool> g_ready[kSlots];

int claimSlot(const std::string& path)
{
    if (path.size() >= kPathBytes)
        return -1;
    for (int i = 0; i < kSlots; ++i) {
        bool expected = false;
        if (g_claimed[i].compare_exchange_strong(expected, true)) {
            std::memcpy(g_paths[i], path.c_str(), path.size() + 1);
            g_ready[i].store(true);
            return i;
        }
    }
    return -1;
}

void releaseSlot(int slot)
{
    if (slot < 0)
        return;
    g_ready[slot].store(false);
    g_claimed[slot].store(false);
}

std::string directoryOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string baseNameOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

PendingOutput::PendingOutput(std::string target) : target_(std::move(target))
{
    const std::string stem = directoryOf(target_) + "." + baseNameOf(target_) + ".";
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string candidate =
            stem + std::to_string(::getpid()) + "-" + std::to_string(attempt) + ".part";
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            temporary_ = candidate;
            slot_ = claimSlot(temporary_);
            return;
        }
        if (errno != EEXIST)
            throw ImageError(target_ + ": cannot write here (" + std::strerror(errno) + ")");
    }
    throw ImageError(target_ + ": cannot create a temporary file beside it");
}

PendingOutput::~PendingOutput()
{
    discard();
}

void PendingOutput::commit()
{
    if (done_)
        return;
    if (std::rename(temporary_.c_str(), target_.c_str()) != 0) {
        const int error = errno;
        discard();
        throw ImageError(target_ + ": cannot write (" + std::strerror(error) + ")");
    }
    releaseSlot(slot_);
    done_ = true;
}

void PendingOutput::discard()
{
    if (done_)
        return;
    releaseSlot(slot_);
    ::unlink(temporary_.c_str());
    done_ = true;
}

void removePendingOutputsNow()
{
    for (int i = 0; i < kSlots; ++i)
        if (g_ready[i].load())
            ::unlink(g_paths[i]);
}

} // namespace quorvane
