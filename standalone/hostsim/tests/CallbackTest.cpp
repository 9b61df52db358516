// The utility, interaction and suite callbacks of the simulated host, driven by the fake.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <set>
#include <thread>

#include "FakeEffect.h"
#include "hostsim/HostSimulation.h"

namespace quorvane::hostsim {
namespace {

using testing::during;
using testing::FakeCall;
using testing::fake;
using testing::fakeEntryPoint;

class Callbacks : public ::testing::Test {
protected:
    void SetUp() override { testing::resetFake(); }
};

TEST_F(Callbacks, HandlesAreAlignedDistinctCountedAndReturned)
{
    HostSimulation host(fakeEntryPoint);
    ASSERT_EQ(during(host, [](FakeCall& call) {
        PF_UtilCallbacks* u = call.in->utils;
        PF_Handle empty = u->host_new_handle(0);
        PF_Handle block = u->host_new_handle(100);
        EXPECT_TRUE(empty && block);
        void* a = u->host_lock_handle(empty);
        void* b = u->host_lock_handle(block);
        EXPECT_NE(a, b);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(a) % 16, 0u);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(b) % 16, 0u);
        std::memset(b, 0xab, 100);
        u->host_unlock_handle(empty);
        u->host_unlock_handle(block);
        u->host_dispose_handle(empty);
        u->host_dispose_handle(block);
        return PF_Err_NONE;
    }), PF_Err_NONE);
    const Counters counts = host.counters();
    EXPECT_EQ(counts.handlesAllocated, 2);
    EXPECT_EQ(counts.handlesDisposed, 2);
    EXPECT_EQ(counts.handleLocks, 2);
    EXPECT_EQ(counts.handleUnlocks, 2);
    EXPECT_EQ(host.commandLog().back().handlesOutstanding, 0);
    EXPECT_TRUE(host.protocolLog().empty());
}

TEST_F(Callbacks, KeptHandleShowsAsOutstandingAndMisuseIsLogged)
{
    HostSimulation host(fakeEntryPoint);
    during(host, [](FakeCall& call) {
        PF_UtilCallbacks* u = call.in->utils;
        PF_Handle kept = u->host_new_handle(8);
        PF_Handle gone = u->host_new_handle(8);
        u->host_dispose_handle(gone);
        u->host_dispose_handle(gone);                       // twice
        u->host_unlock_handle(kept);                        // never locked
        EXPECT_EQ(u->host_lock_handle(gone), nullptr);
        return PF_Err_NONE;
    });
    EXPECT_EQ(host.commandLog().back().handlesOutstanding, 1);
    EXPECT_EQ(host.counters().protocolErrors, 3);
    EXPECT_EQ(host.protocolLog().size(), 3u);
}

TEST_F(Callbacks, TheKthAllocationFails)
{
    HostSimulation host(fakeEntryPoint);
    host.failAllocation(2);
    during(host, [](FakeCall& call) {
        PF_UtilCallbacks* u = call.in->utils;
        PF_Handle first = u->host_new_handle(4);
        PF_Handle second = u->host_new_handle(4);
        PF_Handle third = u->host_new_handle(4);
        EXPECT_NE(first, nullptr);
        EXPECT_EQ(second, nullptr);
        EXPECT_NE(third, nullptr);
        u->host_dispose_handle(first);
        u->host_dispose_handle(third);
        return PF_Err_NONE;
    });
    EXPECT_EQ(host.counters().handleAllocationsFailed, 1);
    EXPECT_EQ(host.counters().handlesAllocated, 2);
}

TEST_F(Callbacks, HandlesComeFromTheConfiguredAllocator)
{
    struct Recording final : HandleAllocator {
        std::size_t allocated = 0, released = 0;
        void* allocate(std::size_t bytes) override
        {
            allocated += bytes;
            return defaultHandleAllocator().allocate(bytes);
        }
        void release(void* block, std::size_t bytes) override
        {
            released += bytes;
            defaultHandleAllocator().release(block, bytes);
        }
    } recording;
    HostConfig config;
    config.allocator = &recording;
    HostSimulation host(fakeEntryPoint, config);
    during(host, [](FakeCall& call) {
        call.in->utils->host_dispose_handle(call.in->utils->host_new_handle(300));
        return PF_Err_NONE;
    });
    EXPECT_EQ(recording.allocated, 300u);
    EXPECT_EQ(recording.released, 300u);
}

TEST_F(Callbacks, ProgressIsObservedAndRefusedFromTheKthCall)
{
    HostSimulation host(fakeEntryPoint);
    std::vector<std::pair<A_long, A_long>> seen;
    host.setProgressObserver([&](A_long done, A_long total) { seen.emplace_back(done, total); });
    host.abortProgressAt(3);
    std::vector<PF_Err> answers;
    during(host, [&](FakeCall& call) {
        for (A_long i = 1; i <= 4; ++i)
            answers.push_back(call.in->inter.progress(call.in->effect_ref, i, 4));
        return PF_Err_NONE;
    });
    EXPECT_EQ(answers, (std::vector<PF_Err>{0, 0, PF_Interrupt_CANCEL, PF_Interrupt_CANCEL}));
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[1], std::make_pair(A_long{2}, A_long{4}));
    EXPECT_EQ(host.counters().progressCalls, 4);
}

TEST_F(Callbacks, InterruptFlagRefusesProgressWhileSet)
{
    HostSimulation host(fakeEntryPoint);
    std::atomic<bool> interrupted{false};
    host.setInterruptFlag(&interrupted);
    std::vector<PF_Err> answers;
    during(host, [&](FakeCall& call) {
        answers.push_back(call.in->inter.progress(call.in->effect_ref, 1, 2));
        interrupted = true;
        answers.push_back(call.in->inter.progress(call.in->effect_ref, 2, 2));
        return PF_Err_NONE;
    });
    EXPECT_EQ(answers, (std::vector<PF_Err>{0, PF_Interrupt_CANCEL}));
}

using IterationFn = PF_Err (*)(void*, A_long, A_long, A_long);

struct IterationLog {
    std::mutex mutex;
    std::vector<int> hits;
    std::set<A_long> threads;
    std::thread::id caller;
    bool threadZeroIsCaller = true;
    A_long failAt = -1;
};

PF_Err logIndex(void* refcon, A_long thread, A_long index, A_long)
{
    auto* log = static_cast<IterationLog*>(refcon);
    std::lock_guard<std::mutex> lock(log->mutex);
    ++log->hits[static_cast<std::size_t>(index)];
    log->threads.insert(thread);
    if (thread == 0 && std::this_thread::get_id() != log->caller)
        log->threadZeroIsCaller = false;
    return index == log->failAt ? PF_Interrupt_CANCEL : PF_Err_NONE;
}

TEST_F(Callbacks, GenericIterationCoversEveryIndexOnceWithThreadZeroTheCaller)
{
    HostConfig config;
    config.hostThreads = 4;
    HostSimulation host(fakeEntryPoint, config);
    IterationLog log;
    log.hits.assign(1000, 0);
    ASSERT_EQ(during(host, [&](FakeCall& call) {
        log.caller = std::this_thread::get_id();
        return call.in->utils->iterate_generic(1000, &log, logIndex);
    }), PF_Err_NONE);
    for (int hits : log.hits)
        ASSERT_EQ(hits, 1);
    EXPECT_TRUE(log.threadZeroIsCaller);
    for (A_long t : log.threads)
        EXPECT_TRUE(t >= 0 && t < 4);
}

TEST_F(Callbacks, GenericIterationStopsAtTheFirstFailure)
{
    HostConfig config;
    config.hostThreads = 2;
    HostSimulation host(fakeEntryPoint, config);
    IterationLog log;
    log.hits.assign(100000, 0);
    log.failAt = 5;
    EXPECT_EQ(during(host, [&](FakeCall& call) {
        log.caller = std::this_thread::get_id();
        return call.in->utils->iterate_generic(100000, &log, logIndex);
    }), PF_Interrupt_CANCEL);
    int total = 0;
    for (int hits : log.hits)
        total += hits;
    EXPECT_LT(total, 100000);
}

// Each of the once-per-thread calls waits for all the others: only truly parallel threads
// get through (a generous time-out keeps a failure from hanging the suite).
struct Rendezvous {
    std::mutex mutex;
    std::condition_variable all;
    int arrived = 0;
    int expected = 0;
    std::set<A_long> threads;
    A_long iterations = 0;
};

PF_Err meet(void* refcon, A_long thread, A_long index, A_long iterations)
{
    auto* r = static_cast<Rendezvous*>(refcon);
    std::unique_lock<std::mutex> lock(r->mutex);
    r->threads.insert(thread);
    r->iterations = iterations;
    EXPECT_EQ(index, thread);
    ++r->arrived;
    r->all.notify_all();
    const bool met = r->all.wait_for(lock, std::chrono::seconds(10),
                                     [&] { return r->arrived == r->expected; });
    return met ? PF_Err_NONE : PF_Interrupt_CANCEL;
}

TEST_F(Callbacks, OncePerProcessorRunsOnEveryHostThreadAtOnce)
{
    HostConfig config;
    config.hostThreads = 3;
    HostSimulation host(fakeEntryPoint, config);
    Rendezvous rendezvous;
    rendezvous.expected = 3;
    EXPECT_EQ(during(host, [&](FakeCall& call) {
        return call.in->utils->iterate_generic(PF_Iterations_ONCE_PER_PROCESSOR, &rendezvous, meet);
    }), PF_Err_NONE);
    EXPECT_EQ(rendezvous.threads, (std::set<A_long>{0, 1, 2}));
    EXPECT_EQ(rendezvous.iterations, 3);
}

TEST_F(Callbacks, ZeroHostThreadsOfferNoIteration)
{
    HostConfig config;
    config.hostThreads = 0;
    HostSimulation host(fakeEntryPoint, config);
    during(host, [](FakeCall& call) {
        EXPECT_EQ(call.in->utils->iterate_generic, nullptr);
        EXPECT_NE(call.in->utils->host_new_handle, nullptr);
        return PF_Err_NONE;
    });
}

TEST_F(Callbacks, AnsiHelpersFormatAndCopy)
{
    HostSimulation host(fakeEntryPoint);
    char formatted[64] = {};
    char copied[8] = {};
    during(host, [&](FakeCall& call) {
        const A_long n = call.in->utils->ansi.sprintf(formatted, "%s v%d.%d\r%s", "QV ", 1, 2, "x");
        EXPECT_EQ(n, 10);
        call.in->utils->ansi.strcpy(copied, "\xD1\xA1");
        return PF_Err_NONE;
    });
    EXPECT_STREQ(formatted, "QV  v1.2\rx");
    EXPECT_STREQ(copied, "\xD1\xA1");
    EXPECT_EQ(host.counters().sprintfCalls, 1);
    EXPECT_EQ(host.counters().strcpyCalls, 1);
}

struct SuiteCase {
    bool suiteAccess, paramUtils, colour;
};

class Suites : public Callbacks, public ::testing::WithParamInterface<SuiteCase> {};

TEST_P(Suites, OfferedSuitesAreHandedOutAndCountedWithheldOnesRefused)
{
    const SuiteCase c = GetParam();
    HostConfig config;
    config.offerSuiteAccess = c.suiteAccess;
    config.offerParamUtilsSuite = c.paramUtils;
    config.offerColorSuite = c.colour;
    HostSimulation host(fakeEntryPoint, config);
    during(host, [&](FakeCall& call) {
        SPBasicSuite* basic = call.in->pica_basicP;
        EXPECT_EQ(basic != nullptr, c.suiteAccess);
        if (!basic)
            return PF_Err_NONE;
        const void* utils = nullptr;
        const void* colour = nullptr;
        const void* unknown = nullptr;
        EXPECT_EQ(basic->AcquireSuite(kPFParamUtilsSuite, 1, &utils) == 0, c.paramUtils);
        EXPECT_EQ(basic->AcquireSuite(kPFColorParamSuite, 1, &colour) == 0, c.colour);
        EXPECT_NE(basic->AcquireSuite(kPFColorParamSuite, 2, &unknown), 0);
        EXPECT_EQ(utils != nullptr, c.paramUtils);
        EXPECT_EQ(colour != nullptr, c.colour);
        EXPECT_EQ(unknown, nullptr);
        if (utils)
            basic->ReleaseSuite(kPFParamUtilsSuite, 1);
        if (colour)
            basic->ReleaseSuite(kPFColorParamSuite, 1);
        return PF_Err_NONE;
    });
    const long offered = (c.suiteAccess && c.paramUtils) + (c.suiteAccess && c.colour);
    EXPECT_EQ(host.counters().suitesAcquired, offered);
    EXPECT_EQ(host.counters().suitesReleased, offered);
    EXPECT_EQ(host.commandLog().back().suitesOutstanding, 0);
}

INSTANTIATE_TEST_SUITE_P(Offers, Suites,
                         ::testing::Values(SuiteCase{true, true, true}, SuiteCase{true, false, true},
                                           SuiteCase{true, true, false},
                                           SuiteCase{false, true, true}));

TEST_F(Callbacks, UnreleasedSuiteShowsAndStrayReleaseIsLogged)
{
    HostSimulation host(fakeEntryPoint);
    during(host, [](FakeCall& call) {
        const void* suite = nullptr;
        call.in->pica_basicP->AcquireSuite(kPFParamUtilsSuite, 1, &suite);
        EXPECT_NE(call.in->pica_basicP->ReleaseSuite(kPFColorParamSuite, 1), 0);
        return PF_Err_NONE;
    });
    EXPECT_EQ(host.commandLog().back().suitesOutstanding, 1);
    EXPECT_EQ(host.counters().protocolErrors, 1);
}

TEST_F(Callbacks, CallsOutsideACommandAreAnsweredSafely)
{
    HostSimulation host(fakeEntryPoint);
    PF_UtilCallbacks* utils = nullptr;
    PF_ProgPtr ref = nullptr;
    PF_InteractCallbacks inter{};
    during(host, [&](FakeCall& call) {
        utils = call.in->utils;
        ref = call.in->effect_ref;
        inter = call.in->inter;
        return PF_Err_NONE;
    });
    EXPECT_EQ(utils->host_new_handle(10), nullptr);
    EXPECT_NE(inter.progress(ref, 1, 1), PF_Err_NONE);
    PF_ParamDef def{};
    EXPECT_NE(inter.checkout_param(ref, 0, 0, 1, 30, &def), PF_Err_NONE);
}

TEST_F(Callbacks, InDataDescribesTheHost)
{
    HostConfig config;
    config.applicationId = PF_ApplId_Premiere;
    config.specVersion = PF_SpecVersion{12, 4};
    config.timeStep = 100;
    config.timeScale = 2997;
    config.totalFrames = 10;
    HostSimulation host(fakeEntryPoint, config);
    FrameSettings settings;
    settings.layerWidth = 320;
    settings.layerHeight = 240;
    settings.frame = 4;
    settings.downsampleX = {1, 2};
    settings.pixelAspect = {10, 11};
    host.setFrameSettings(settings);
    during(host, [](FakeCall& call) {
        const PF_InData& in = *call.in;
        EXPECT_EQ(in.appl_id, PF_ApplId_Premiere);
        EXPECT_EQ(in.version.major, 12);
        EXPECT_EQ(in.version.minor, 4);
        EXPECT_EQ(in.current_time, 400);
        EXPECT_EQ(in.time_step, 100);
        EXPECT_EQ(in.local_time_step, 100);
        EXPECT_EQ(in.total_time, 1000);
        EXPECT_EQ(in.time_scale, 2997u);
        EXPECT_EQ(in.width, 320);
        EXPECT_EQ(in.height, 240);
        EXPECT_EQ(in.downsample_x.den, 2u);
        EXPECT_EQ(in.downsample_y.den, 1u);
        EXPECT_EQ(in.pixel_aspect_ratio.num, 10);
        EXPECT_EQ(in.num_params, 1);
        return PF_Err_NONE;
    });
}

} // namespace
} // namespace quorvane::hostsim
