// Quadsoft frames the host stops or cannot give memory to: the host's code comes back
// unchanged, the blur stops at the first refusal, and every handle, parameter and layer is
// returned.

#include "QuadsoftTestSupport.h"

namespace quorvane::quadsofttest {
namespace {

// The three blurs: plain, map-modulated, aberrated with a map.
struct Blur {
    const char* name;
    int mode;
    bool withMap;
};

const Blur kBlurs[] = {{"plain", 1, false}, {"masked", 1, true}, {"aberrated", 2, true}};

class QuadsoftFailures : public QuadsoftFixture, public ::testing::WithParamInterface<RenderSetup> {
protected:
    QuadsoftFailures()
        : source(noiseImage(10, 7, depth(), 61, false)), map(noiseImage(6, 4, depth(), 67, false)),
          output(10, 7, depth())
    {
    }

    int depth() const { return GetParam().depth; }

    static std::unique_ptr<HostSimulation> host(const Blur& blur)
    {
        auto sim = setUpHost();
        Controls c;
        c.radius = 2.5;
        c.mode = blur.mode;
        c.focus = 40;
        apply(*sim, c);
        return sim;
    }

    PF_Err renderFrame(HostSimulation& sim, const Blur& blur)
    {
        return render(sim, GetParam().path, source, output, blur.withMap ? &map : nullptr);
    }

    // What an undisturbed frame of the blur counts: its progress reports or its allocations.
    long countedInFullFrame(const Blur& blur, long hostsim::Counters::*count)
    {
        auto sim = host(blur);
        sim->resetCounters();
        EXPECT_EQ(renderFrame(*sim, blur), PF_Err_NONE);
        return sim->counters().*count;
    }

    // A picture none of the blurs makes of these sources.
    void mark(HostImage& image) const { image.fill(0.25 * fullScale(depth()), 3, 5, 7); }
    bool outputIsMarked() const
    {
        HostImage marked(output.width(), output.height(), depth());
        mark(marked);
        return static_cast<bool>(sameImage(output, marked));
    }

    HostImage source;
    HostImage map;
    HostImage output;
};

// Refusing the k-th progress report stops the frame there with the host's 517, for the first,
// a middle and the last report.
TEST_P(QuadsoftFailures, AnAbortStopsAtTheRefusedProgressReport)
{
    for (const Blur& blur : kBlurs) {
        SCOPED_TRACE(blur.name);
        const long reports = countedInFullFrame(blur, &hostsim::Counters::progressCalls);
        // At least one report per output row.
        ASSERT_GE(reports, output.height());
        for (long k : {1L, reports / 2, reports}) {
            SCOPED_TRACE(::testing::Message() << "refused report " << k << " of " << reports);
            auto sim = host(blur);
            sim->resetCounters();
            sim->abortProgressAt(k);
            EXPECT_EQ(renderFrame(*sim, blur), PF_Interrupt_CANCEL);
            EXPECT_EQ(sim->counters().progressCalls, k);
            expectNothingOutstanding(*sim);
        }
    }
}

// Whichever host allocation of the frame fails, the frame ends with out of memory, the
// output as it was and every handle given back; one allocation later and it succeeds.
TEST_P(QuadsoftFailures, AnAllocationFailureLeavesTheOutputUntouched)
{
    for (const Blur& blur : kBlurs) {
        SCOPED_TRACE(blur.name);
        const long allocations = countedInFullFrame(blur, &hostsim::Counters::handlesAllocated);
        ASSERT_GE(allocations, 1);
        for (long k = 1; k <= allocations; ++k) {
            SCOPED_TRACE(::testing::Message() << "failed allocation " << k << " of "
                                              << allocations);
            auto sim = host(blur);
            mark(output);
            sim->resetCounters();
            sim->failAllocation(k);
            EXPECT_EQ(renderFrame(*sim, blur), PF_Err_OUT_OF_MEMORY);
            EXPECT_TRUE(outputIsMarked());
            EXPECT_EQ(sim->counters().handleAllocationsFailed, 1);
            expectNothingOutstanding(*sim);
        }
        auto sim = host(blur);
        sim->failAllocation(allocations + 1);
        EXPECT_EQ(renderFrame(*sim, blur), PF_Err_NONE);
        expectNothingOutstanding(*sim);
    }
}

INSTANTIATE_TEST_SUITE_P(Setups, QuadsoftFailures, ::testing::ValuesIn(kSetups),
                         [](const ::testing::TestParamInfo<RenderSetup>& info) {
                             return setupName(info.param);
                         });

} // namespace
} // namespace quorvane::quadsofttest
