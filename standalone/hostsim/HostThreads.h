#pragma once
// The simulated host's own worker threads behind iterate_generic: a fixed set of participants,
// the calling thread being participant 0.

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace quorvane::hostsim {

class HostThreads {
public:
    // `participants` >= 1; participants - 1 worker threads are started.
    explicit HostThreads(int participants);
    ~HostThreads();
    HostThreads(const HostThreads&) = delete;
    HostThreads& operator=(const HostThreads&) = delete;

    int participants() const { return participants_; }
    // Calls job(t) once for every participant t, concurrently, and returns when all calls have
    // returned. A call made from inside a job runs job(0) alone on the calling thread.
    void run(const std::function<void(int participant)>& job);

private:
    void work(int participant);

    int participants_;
    std::mutex runMutex_;   // one loop at a time from outside
    std::mutex mutex_;
    std::condition_variable start_;
    std::condition_variable done_;
    const std::function<void(int)>* job_ = nullptr;
    unsigned long generation_ = 0;
    int running_ = 0;
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};

} // namespace quorvane::hostsim
