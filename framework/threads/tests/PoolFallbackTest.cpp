// Thread creation made to fail: this executable replaces pthread_create with a version that
// refuses once a budget of threads is spent, and forwards to the system's otherwise.

#include <dlfcn.h>
#include <pthread.h>

#include <atomic>
#include <cerrno>
#include <vector>

#include <gtest/gtest.h>

#include "host/QuorvaneHost.h"
#include "threads/ThreadPool.h"
#include "threads/tests/LoopRecorder.h"

namespace {

// Threads that may still be created; negative: no limit.
std::atomic<int> threadBudget{-1};

class ThreadBudget {
public:
    explicit ThreadBudget(int threads) { threadBudget = threads; }
    ~ThreadBudget() { threadBudget = -1; }
    ThreadBudget(const ThreadBudget&) = delete;
    ThreadBudget& operator=(const ThreadBudget&) = delete;
};

} // namespace

extern "C" __attribute__((visibility("default"))) int
pthread_create(pthread_t* thread, const pthread_attr_t* attributes, void* (*routine)(void*),
               void* argument) noexcept
{
    using Create = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
    static const Create systemCreate =
        reinterpret_cast<Create>(dlsym(RTLD_NEXT, "pthread_create"));
    for (int budget = threadBudget.load(); budget >= 0;) {
        if (budget == 0)
            return EAGAIN;
        if (threadBudget.compare_exchange_weak(budget, budget - 1))
            break;
    }
    return systemCreate(thread, attributes, routine, argument);
}

namespace quorvane {
namespace {

using testing::LoopCall;
using testing::LoopRecorder;

TEST(PoolStartFailure, StopsTheWorkersAlreadyStartedAndFails)
{
    ThreadPool pool;
    {
        ThreadBudget budget(3);
        EXPECT_FALSE(pool.init(8));
    }
    EXPECT_EQ(pool.threadCount(), 0);

    // Without workers the loop runs on the calling thread.
    LoopRecorder alone;
    EXPECT_EQ(pool.iterate(10, &alone, alone.callback()), 0);
    EXPECT_EQ(alone.timesPerIndex(10), std::vector<int>(10, 1));
    for (const LoopCall& call : alone.calls())
        EXPECT_EQ(call.threadIndex, 0);

    ASSERT_TRUE(pool.init(3));
    EXPECT_EQ(pool.threadCount(), 3);
    LoopRecorder recorder;
    EXPECT_EQ(pool.iterate(100, &recorder, recorder.callback()), 0);
    EXPECT_EQ(recorder.timesPerIndex(100), std::vector<int>(100, 1));
}

class FailsAtIndex : public LoopRecorder {
public:
    explicit FailsAtIndex(int failing) : failing_(failing) {}
    int body(int index, int count, int threadIndex)
    {
        record(index, count, threadIndex);
        return index == failing_ ? 9 : 0;
    }

private:
    int failing_;
};

TEST(AbstractHostIterate, FallsBackToTheCallingThreadWhenThePoolCannotStart)
{
    QuorvaneHost host("QV Test", "Quorvane", "", 1, 2, 7);
    int threads = 0;
    host.threadCount(&threads, -1);
    if (threads < 2)
        GTEST_SKIP() << "one processor: the pool needs no thread";

    {
        ThreadBudget none(0);
        LoopRecorder recorder;
        EXPECT_EQ(host.iterate(50, &recorder, recorder.callback()), host.noError());
        const std::vector<LoopCall> calls = recorder.calls();
        ASSERT_EQ(calls.size(), 50u);
        for (int i = 0; i < 50; ++i) {
            EXPECT_EQ(calls[i].index, i);
            EXPECT_EQ(calls[i].threadIndex, 0);
        }

        FailsAtIndex failing(10);
        EXPECT_EQ(host.iterate(50, &failing, iterationCallback(&FailsAtIndex::body)), 9);
        EXPECT_EQ(failing.calls().size(), 11u);
        EXPECT_EQ(ThreadPool::instance().threadCount(), 0);
    }

    // Once threads can be created again, the next loop starts the pool.
    LoopRecorder recorder;
    EXPECT_EQ(host.iterate(50, &recorder, recorder.callback()), host.noError());
    EXPECT_EQ(ThreadPool::instance().threadCount(), threads);
}

} // namespace
} // namespace quorvane
