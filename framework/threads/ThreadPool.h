#pragma once
// One pool per process for parallel loops when the host offers none: the calling thread is
// participant 0, up to 63 workers sleep on events between loops, indices are handed out
// one at a time.

#include "host/Iteration.h"
#include "threads/Platform.h"

namespace quorvane {

class ThreadPool {
public:
    static constexpr int kMaxParticipants = 64;

    static ThreadPool& instance();

    // Starts threads - 1 workers on the first successful call; later calls keep that count.
    bool init(int threads);
    // Runs callback for every index. Returns participant 0's failure if it has one, else the
    // first failure of a worker, else success (0).
    int iterate(int iterations, IterationObject* object, IterationCallback callback);
    // Stops and joins every worker.
    void free();
    int threadCount() const { return threadCount_; }

    // The loop on the calling thread alone, for when no pool can be started.
    static int runOnCallingThread(int iterations, IterationObject* object,
                                  IterationCallback callback);

    ThreadPool();
    ~ThreadPool();
    ThreadPool(const ThreadPool&) = delete;
    ThreadPool& operator=(const ThreadPool&) = delete;

private:
    struct Participant {
        ThreadPool* pool = nullptr;
        int threadIndex = 0;
        int lastResult = 0;
        ManualResetEvent go;
        ManualResetEvent done;
        ManualResetEvent closed;
    };

    static void workerRoutine(void* argument);
    void workLoop(Participant& participant);
    void stopWorkers(int workers);

    int threadCount_ = 0;
    int workers_ = 0;
    int iterations_ = 0;
    int nextIndex_ = 0;
    IterationObject* object_ = nullptr;
    IterationCallback callback_ = nullptr;
    bool quit_ = false;
    CriticalSection indexLock_;
    Thread threads_[kMaxParticipants];
    Participant participants_[kMaxParticipants];
};

} // namespace quorvane
