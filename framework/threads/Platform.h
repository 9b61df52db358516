#pragma once
// The small set of threading primitives the pool and the adaptor need: locks,
// manual-reset events and threads whose end can be waited for with a time-out.
// (No <chrono> here: texts compiled as GBK cannot include it.)

#include <condition_variable>
#include <mutex>
#include <thread>

namespace quorvane {

class CriticalSection {
public:
    void enter() { mutex_.lock(); }
    void leave() { mutex_.unlock(); }

private:
    std::mutex mutex_;
};

class ScopedLock {
public:
    explicit ScopedLock(CriticalSection& section) : section_(section) { section_.enter(); }
    ~ScopedLock() { section_.leave(); }
    ScopedLock(const ScopedLock&) = delete;
    ScopedLock& operator=(const ScopedLock&) = delete;

private:
    CriticalSection& section_;
};

// Stays signalled until reset; every waiter is released while it is set.
class ManualResetEvent {
public:
    void set();
    void reset();
    void wait();
    // True when the event was set within the time-out.
    bool waitFor(int milliseconds);

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool signalled_ = false;
};

// A thread running routine(argument); its end can be awaited with a time-out.
class Thread {
public:
    using Routine = void (*)(void* argument);

    ~Thread();
    // False when the system cannot create another thread.
    bool start(Routine routine, void* argument);
    bool running() const { return thread_.joinable(); }
    bool waitForEnd(int milliseconds) { return ended_.waitFor(milliseconds); }
    void join();

private:
    std::thread thread_;
    ManualResetEvent ended_;
};

} // namespace quorvane
