#include "hostsim/HostThreads.h"

namespace quorvane::hostsim {

namespace {
thread_local bool tInsideJob = false;
}

HostThreads::HostThreads(int participants) : participants_(participants < 1 ? 1 : participants)
{
    for (int t = 1; t < participants_; ++t)
        workers_.emplace_back([this, t] { work(t); });
}

HostThreads::~HostThreads()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    start_.notify_all();
    for (std::thread& worker : workers_)
        worker.join();
}

void HostThreads::run(const std::function<void(int)>& job)
{
    if (tInsideJob || participants_ == 1) {
        const bool outer = tInsideJob;
        tInsideJob = true;
        job(0);
        tInsideJob = outer;
        return;
    }
    std::lock_guard<std::mutex> oneLoop(runMutex_);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        job_ = &job;
        running_ = participants_ - 1;
        ++generation_;
    }
    start_.notify_all();
    tInsideJob = true;
    job(0);
    tInsideJob = false;
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, [this] { return running_ == 0; });
    job_ = nullptr;
}

void HostThreads::work(int participant)
{
    unsigned long seen = 0;
    tInsideJob = true;
    for (;;) {
        const std::function<void(int)>* job = nullptr;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            start_.wait(lock, [&] { return stopping_ || generation_ != seen; });
            if (stopping_)
                return;
            seen = generation_;
            job = job_;
        }
        (*job)(participant);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            --running_;
        }
        done_.notify_one();
    }
}

} // namespace quorvane::hostsim
