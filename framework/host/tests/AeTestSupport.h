#pragma once
// The test effect driven through the host simulation: the entry point, a stepped control
// clock, and small frames.

#include <cstdint>
#include <memory>

#include <gtest/gtest.h>

#include "hostsim/testing/NothingOutstanding.h"

#include "host/ae/ControlChangeClock.h"
#include "host/ae/EntryPoint.h"
#include "host/tests/AeTestEffect.h"
#include "hostsim/HostSimulation.h"

namespace quorvane::aetest {

// A source and an output (of the source's size) and the request that renders them.
struct TestFrame {
    hostsim::HostImage source;
    hostsim::HostImage output;
    hostsim::FrameRequest request;

    TestFrame(int width, int height, int depth = 8, int outputDepth = 0,
              hostsim::RenderPath path = hostsim::RenderPath::Smart)
        : source(width, height, depth), output(width, height, outputDepth ? outputDepth : depth)
    {
        request.source = source.view();
        request.output = output.view();
        request.path = path;
    }
};

inline PF_EntryPointFunc testEntryPoint()
{
    return &perCommandEntryPoint<TestEffectAEHost, Deliverable::Glow>;
}

class AeFixture : public ::testing::Test {
protected:
    static inline std::int64_t now = 0;
    static std::int64_t clock() { return now; }

    void SetUp() override
    {
        TestEffectProbe::reset();
        // Far from any change an earlier test recorded.
        now += 1000000;
        setControlChangeClock(clock);
    }
    void TearDown() override
    {
        setControlChangeClock(nullptr);
        TestEffectProbe::reset();
    }

    // A simulation that has run global, parameter and sequence set-up.
    std::unique_ptr<hostsim::HostSimulation> setUpHost(hostsim::HostConfig config = {})
    {
        auto sim = std::make_unique<hostsim::HostSimulation>(testEntryPoint(), config);
        EXPECT_EQ(sim->setUp(), PF_Err_NONE);
        return sim;
    }

    static void expectNothingOutstanding(const hostsim::HostSimulation& sim)
    {
        hostsim::expectNothingOutstanding(sim);
    }
};

} // namespace quorvane::aetest
