#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "host/QuorvaneHost.h"
#include "threads/ThreadPool.h"
#include "threads/tests/LoopRecorder.h"

namespace quorvane {
namespace {

using testing::LoopCall;
using testing::LoopRecorder;

class PoolCoverage : public ::testing::TestWithParam<int> {};

TEST_P(PoolCoverage, EveryIndexExactlyOnce)
{
    const int participants = GetParam();
    ThreadPool pool;
    ASSERT_TRUE(pool.init(participants));
    ASSERT_EQ(pool.threadCount(), participants);

    for (int iterations : {1, 7, 500}) {
        LoopRecorder recorder;
        EXPECT_EQ(pool.iterate(iterations, &recorder, recorder.callback()), 0);
        EXPECT_EQ(recorder.timesPerIndex(iterations), std::vector<int>(iterations, 1));
        for (const LoopCall& call : recorder.calls()) {
            EXPECT_EQ(call.count, iterations);
            EXPECT_GE(call.threadIndex, 0);
            EXPECT_LT(call.threadIndex, participants);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Participants, PoolCoverage, ::testing::Values(1, 2, 64));

TEST(ThreadPool, OneParticipantRunsInOrderOnTheCallingThread)
{
    ThreadPool pool;
    ASSERT_TRUE(pool.init(1));
    LoopRecorder recorder;
    EXPECT_EQ(pool.iterate(20, &recorder, recorder.callback()), 0);
    const std::vector<LoopCall> calls = recorder.calls();
    ASSERT_EQ(calls.size(), 20u);
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(calls[i].index, i);
        EXPECT_EQ(calls[i].threadIndex, 0);
    }
}

TEST(ThreadPool, ZeroIterationsCallNothing)
{
    ThreadPool pool;
    ASSERT_TRUE(pool.init(4));
    LoopRecorder recorder;
    EXPECT_EQ(pool.iterate(0, &recorder, recorder.callback()), 0);
    EXPECT_TRUE(recorder.calls().empty());
    // The workers went back to sleep and wake for the next loop.
    EXPECT_EQ(pool.iterate(3, &recorder, recorder.callback()), 0);
    EXPECT_EQ(recorder.calls().size(), 3u);
}

TEST(ThreadPool, SecondInitKeepsTheFirstCount)
{
    ThreadPool pool;
    ASSERT_TRUE(pool.init(2));
    EXPECT_TRUE(pool.init(8));
    EXPECT_EQ(pool.threadCount(), 2);
    LoopRecorder recorder;
    EXPECT_EQ(pool.iterate(200, &recorder, recorder.callback()), 0);
    for (const LoopCall& call : recorder.calls())
        EXPECT_LT(call.threadIndex, 2);
}

TEST(ThreadPool, ParticipantCountIsLimitedTo64)
{
    ThreadPool pool;
    ASSERT_TRUE(pool.init(1000));
    EXPECT_EQ(pool.threadCount(), ThreadPool::kMaxParticipants);
    ThreadPool single;
    ASSERT_TRUE(single.init(0));
    EXPECT_EQ(single.threadCount(), 1);
}

TEST(ThreadPool, CanBeStartedAgainAfterFree)
{
    ThreadPool pool;
    ASSERT_TRUE(pool.init(3));
    pool.free();
    EXPECT_EQ(pool.threadCount(), 0);
    ASSERT_TRUE(pool.init(2));
    EXPECT_EQ(pool.threadCount(), 2);
    LoopRecorder recorder;
    EXPECT_EQ(pool.iterate(50, &recorder, recorder.callback()), 0);
    EXPECT_EQ(recorder.timesPerIndex(50), std::vector<int>(50, 1));
}

// Participant 0 holds its first index until a worker has failed, so that a worker is sure to
// take part; workers fail with kWorkerFailure.
class WorkerFails : public IterationObject {
public:
    static constexpr int kWorkerFailure = 7;

    explicit WorkerFails(int callingThreadResult) : callingThreadResult_(callingThreadResult) {}

    int body(int, int, int threadIndex)
    {
        if (threadIndex != 0) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                workerFailed_ = true;
            }
            changed_.notify_all();
            return kWorkerFailure;
        }
        std::unique_lock<std::mutex> lock(mutex_);
        sawWorkerFailure_ =
            changed_.wait_for(lock, std::chrono::seconds(20), [this] { return workerFailed_; });
        return callingThreadResult_;
    }

    bool sawWorkerFailure() const { return sawWorkerFailure_; }

private:
    int callingThreadResult_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool workerFailed_ = false;
    bool sawWorkerFailure_ = false;
};

TEST(ThreadPoolFailure, WorkerFailureIsReported)
{
    ThreadPool pool;
    ASSERT_TRUE(pool.init(4));
    WorkerFails body(0);
    EXPECT_EQ(pool.iterate(64, &body, iterationCallback(&WorkerFails::body)),
              WorkerFails::kWorkerFailure);
    EXPECT_TRUE(body.sawWorkerFailure());
}

TEST(ThreadPoolFailure, CallingThreadFailureComesFirst)
{
    ThreadPool pool;
    ASSERT_TRUE(pool.init(4));
    WorkerFails body(3);
    EXPECT_EQ(pool.iterate(64, &body, iterationCallback(&WorkerFails::body)), 3);
    EXPECT_TRUE(body.sawWorkerFailure());
}

TEST(ThreadPoolFailure, SuccessAfterAFailedLoop)
{
    ThreadPool pool;
    ASSERT_TRUE(pool.init(4));
    WorkerFails failing(0);
    ASSERT_NE(pool.iterate(16, &failing, iterationCallback(&WorkerFails::body)), 0);
    LoopRecorder recorder;
    EXPECT_EQ(pool.iterate(16, &recorder, recorder.callback()), 0);
    EXPECT_EQ(recorder.timesPerIndex(16), std::vector<int>(16, 1));
}

// Participant 0 fails at once; the workers' calls are slow and begin only after that failure.
// The loop must not return before every started call has finished.
class CallingThreadFailsFast : public IterationObject {
public:
    int body(int, int, int threadIndex)
    {
        if (threadIndex == 0) {
            ++callingThreadCalls;
            return 5;
        }
        ++started;
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (callingThreadCalls.load() == 0 && std::chrono::steady_clock::now() < giveUp)
            std::this_thread::yield();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ++finished;
        return 0;
    }

    std::atomic<int> callingThreadCalls{0};
    std::atomic<int> started{0};
    std::atomic<int> finished{0};
};

TEST(ThreadPoolFailure, LoopWaitsForAllWorkersAfterACallingThreadFailure)
{
    ThreadPool pool;
    ASSERT_TRUE(pool.init(3));
    CallingThreadFailsFast body;
    EXPECT_EQ(pool.iterate(40, &body, iterationCallback(&CallingThreadFailsFast::body)), 5);
    EXPECT_EQ(body.callingThreadCalls.load(), 1);
    EXPECT_EQ(body.started.load(), body.finished.load());
}

class Counter : public IterationObject {
public:
    int body(int index, int, int)
    {
        sum += index + 1;
        return 0;
    }
    std::atomic<long long> sum{0};
};

TEST(ThreadPool, ManyConsecutiveLoops)
{
    ThreadPool pool;
    ASSERT_TRUE(pool.init(4));
    Counter counter;
    long long expected = 0;
    for (int loop = 0; loop < 2000; ++loop) {
        const int iterations = loop % 9;
        ASSERT_EQ(pool.iterate(iterations, &counter, iterationCallback(&Counter::body)), 0);
        expected += static_cast<long long>(iterations) * (iterations + 1) / 2;
    }
    EXPECT_EQ(counter.sum.load(), expected);
}

TEST(AbstractHostIterate, RunsEveryIndexOnceOnTheProcessPool)
{
    QuorvaneHost host("QV Test", "Quorvane", "", 1, 2, 7);
    int threads = 0;
    host.threadCount(&threads, -1);
    LoopRecorder recorder;
    EXPECT_EQ(host.iterate(300, &recorder, recorder.callback()), host.noError());
    EXPECT_EQ(recorder.timesPerIndex(300), std::vector<int>(300, 1));
    EXPECT_EQ(ThreadPool::instance().threadCount(), threads);
    for (const LoopCall& call : recorder.calls())
        EXPECT_LT(call.threadIndex, threads);
}

TEST(AbstractHostIterate, ReportsAWorkerFailure)
{
    QuorvaneHost host("QV Test", "Quorvane", "", 1, 2, 7);
    int threads = 0;
    host.threadCount(&threads, -1);
    if (threads < 2)
        GTEST_SKIP() << "one processor: the pool has no workers";
    WorkerFails body(0);
    EXPECT_EQ(host.iterate(32, &body, iterationCallback(&WorkerFails::body)),
              WorkerFails::kWorkerFailure);
}

} // namespace
} // namespace quorvane
