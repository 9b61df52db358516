#include "threads/ThreadPool.h"

#include <algorithm>
#include <string>

#include "threads/DebugLog.h"

namespace quorvane {

namespace {

DebugLog& log() { return DebugLog::process(); }

} // namespace

ThreadPool& ThreadPool::instance()
{
    // The log is constructed first so that it outlives the pool at process exit.
    log();
    static ThreadPool pool;
    return pool;
}

ThreadPool::ThreadPool()
{
    for (int i = 0; i < kMaxParticipants; ++i) {
        participants_[i].pool = this;
        participants_[i].threadIndex = i;
    }
    log().write("ThreadPool::ThreadPool()\n");
}

ThreadPool::~ThreadPool()
{
    log().write("ThreadPool::~ThreadPool()\n");
    free();
}

bool ThreadPool::init(int threads)
{
    log().write("ThreadPool::init ()\n");
    log().indent();
    bool ok = true;
    if (threadCount_ <= 0) {
        threads = std::clamp(threads, 1, kMaxParticipants);
        quit_ = false;
        for (int i = 1; i < threads; ++i) {
            participants_[i].go.reset();
            participants_[i].closed.reset();
            if (!threads_[i].start(&ThreadPool::workerRoutine, &participants_[i])) {
                stopWorkers(i - 1);
                ok = false;
                break;
            }
        }
        if (ok) {
            log().write("threads sucesfully initiated\n");
            workers_ = threads - 1;
            threadCount_ = threads;
        }
    }
    log().outdent();
    return ok;
}

void ThreadPool::workLoop(Participant& participant)
{
    for (;;) {
        int index;
        {
            ScopedLock lock(indexLock_);
            index = nextIndex_++;
        }
        if (index >= iterations_ || participant.lastResult != 0)
            return;
        participant.lastResult =
            (object_->*callback_)(index, iterations_, participant.threadIndex);
    }
}

int ThreadPool::iterate(int iterations, IterationObject* object, IterationCallback callback)
{
    log().write("ThreadPool::iterate (iterations(" + std::to_string(iterations) + "))\n");
    log().indent();
    iterations_ = iterations;
    object_ = object;
    callback_ = callback;
    nextIndex_ = 0;
    quit_ = false;
    for (int i = 0; i <= workers_; ++i) {
        participants_[i].threadIndex = i;
        participants_[i].lastResult = 0;
    }
    for (int i = 1; i <= workers_; ++i) {
        participants_[i].done.reset();
        participants_[i].go.set();
    }
    workLoop(participants_[0]);
    for (int i = 1; i <= workers_; ++i) {
        log().write("waiting for thread " + std::to_string(i) + " to finish\n");
        participants_[i].done.wait();
    }
    log().write("all threads finished\n");
    log().outdent();

    int result = participants_[0].lastResult;
    for (int i = 1; i <= workers_ && result == 0; ++i)
        result = participants_[i].lastResult;
    return result;
}

void ThreadPool::workerRoutine(void* argument)
{
    Participant& self = *static_cast<Participant*>(argument);
    ThreadPool& pool = *self.pool;
    const int index = static_cast<int>(&self - pool.participants_);
    for (;;) {
        self.go.wait();
        log().write("thread " + std::to_string(index) + " started\n");
        if (pool.quit_)
            break;
        pool.workLoop(self);
        self.go.reset();
        self.done.set();
    }
    self.closed.set();
    log().write("closing down thread " + std::to_string(index) + "\n");
}

void ThreadPool::stopWorkers(int workers)
{
    quit_ = true;
    for (int i = 1; i <= workers; ++i)
        participants_[i].go.set();
    for (int i = 1; i <= workers; ++i) {
        // A worker that has already ended cannot set its own closed event any more.
        if (threads_[i].waitForEnd(1))
            participants_[i].closed.set();
    }
    for (int i = 1; i <= workers; ++i) {
        participants_[i].closed.wait();
        threads_[i].join();
    }
}

void ThreadPool::free()
{
    log().write("ThreadPool::free ()\n");
    log().indent();
    stopWorkers(workers_);
    workers_ = 0;
    threadCount_ = 0;
    log().outdent();
}

int ThreadPool::runOnCallingThread(int iterations, IterationObject* object,
                                   IterationCallback callback)
{
    int result = 0;
    for (int index = 0; index < iterations && result == 0; ++index)
        result = (object->*callback)(index, iterations, 0);
    return result;
}

} // namespace quorvane
