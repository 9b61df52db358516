#include "threads/Platform.h"

#include <chrono>
#include <system_error>

namespace quorvane {

void ManualResetEvent::set()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        signalled_ = true;
    }
    changed_.notify_all();
}

void ManualResetEvent::reset()
{
    std::lock_guard<std::mutex> lock(mutex_);
    signalled_ = false;
}

void ManualResetEvent::wait()
{
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return signalled_; });
}

bool ManualResetEvent::waitFor(int milliseconds)
{
    const auto timeout = std::chrono::milliseconds(milliseconds);
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, timeout, [this] { return signalled_; });
}

Thread::~Thread() { join(); }

bool Thread::start(Routine routine, void* argument)
{
    ended_.reset();
    try {
        thread_ = std::thread([this, routine, argument] {
            routine(argument);
            ended_.set();
        });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void Thread::join()
{
    if (thread_.joinable())
        thread_.join();
}

} // namespace quorvane
