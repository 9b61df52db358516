// The render entry through the host simulation: the rectangle negotiation of the pre-render,
// the descriptors the effect receives, and check-ins on every path.

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "host/ae/AeConversions.h"
#include "host/tests/AeTestSupport.h"

// Host rectangles are compared and printed where argument-dependent lookup finds them.
static bool operator==(const PF_LRect& a, const PF_LRect& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

static std::ostream& operator<<(std::ostream& out, const PF_LRect& r)
{
    return out << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
}

namespace quorvane::aetest {
namespace {

using hostsim::FrameRequest;
using hostsim::HostImage;
using hostsim::HostSimulation;
using hostsim::LayerCheckoutRecord;
using hostsim::RenderPath;

Rect grown(const Rect& r) { return grownRect(r, 10); }

class AeRenderEntry : public AeFixture {
protected:
    static std::vector<A_long> checkoutIds(const HostSimulation& sim)
    {
        std::vector<A_long> ids;
        for (const LayerCheckoutRecord& r : sim.layerCheckouts())
            ids.push_back(r.checkoutId);
        return ids;
    }
};

TEST_F(AeRenderEntry, WithoutLayersOrOverrideTheSourceIsCheckedOutOnceForTheRequest)
{
    auto sim = setUpHost();
    TestEffectProbe::layerInputs = 0;
    TestFrame images(100, 60);
    const PF_LRect request{10, 5, 70, 50};
    images.request.outputRequest = request;
    ASSERT_EQ(sim->smartPreRender(images.request), PF_Err_NONE);
    ASSERT_EQ(sim->layerCheckouts().size(), 1u);
    EXPECT_EQ(sim->layerCheckouts()[0].index, 0);
    EXPECT_EQ(sim->layerCheckouts()[0].checkoutId, 0);
    EXPECT_EQ(sim->layerCheckouts()[0].request, request);
    EXPECT_EQ(sim->preRenderOutput().result_rect, request);
    EXPECT_EQ(sim->preRenderOutput().max_result_rect, (PF_LRect{0, 0, 100, 60}));
    EXPECT_EQ(sim->preRenderOutput().flags & PF_RenderOutputFlag_RETURNS_EXTRA_PIXELS, 0);
    EXPECT_EQ(sim->preRenderOutput().solid, 0);
    EXPECT_EQ(sim->preRenderOutput().pre_render_data, nullptr);
    sim->finishFrame();
    expectNothingOutstanding(*sim);
}

TEST_F(AeRenderEntry, ARequestPartlyOutsideTheLayerGivesThePartInside)
{
    auto sim = setUpHost();
    TestEffectProbe::layerInputs = 0;
    TestFrame images(100, 60);
    images.request.outputRequest = PF_LRect{-20, -10, 50, 80};
    ASSERT_EQ(sim->smartPreRender(images.request), PF_Err_NONE);
    EXPECT_EQ(sim->preRenderOutput().result_rect, (PF_LRect{0, 0, 50, 60}));
    EXPECT_EQ(sim->preRenderOutput().flags & PF_RenderOutputFlag_RETURNS_EXTRA_PIXELS, 0);
    sim->finishFrame();
}

TEST_F(AeRenderEntry, ASourceAnsweringTheCandidateIsProbedThenCheckedOutWhole)
{
    auto sim = setUpHost();
    TestEffectProbe::layerInputs = 0;
    std::vector<Rect> candidates;
    TestEffectProbe::onInputRect = [&](const std::string& name, Rect* needed, Rect candidate,
                                       ImageScale) {
        if (name == "Source") {
            candidates.push_back(candidate);
            *needed = candidate;
        }
    };
    TestFrame images(100, 60);
    const PF_LRect request{10, 5, 70, 50};
    images.request.outputRequest = request;
    ASSERT_EQ(sim->smartPreRender(images.request), PF_Err_NONE);
    EXPECT_EQ(checkoutIds(*sim), (std::vector<A_long>{9999, 0}));
    EXPECT_EQ(sim->layerCheckouts()[0].request, request);
    EXPECT_EQ(sim->layerCheckouts()[1].request, (PF_LRect{0, 0, 100, 60}));
    ASSERT_EQ(candidates.size(), 2u);
    EXPECT_TRUE((candidates[0] == Rect{-90, 170, -95, 150}));   // the request grown by 100
    EXPECT_TRUE((candidates[1] == Rect{0, 100, 0, 60}));        // the source's extent
    // The result is still the request: the effect widened only what it reads.
    EXPECT_EQ(sim->preRenderOutput().result_rect, request);
    sim->finishFrame();
}

TEST_F(AeRenderEntry, AWiderResultSetsTheExtraPixelsFlagAndStaysInsideTheLayer)
{
    auto sim = setUpHost();
    TestEffectProbe::layerInputs = 0;
    TestEffectProbe::onInputRect = [&](const std::string& name, Rect* needed, Rect, ImageScale) {
        if (name == "Output")
            *needed = grown(*needed);
    };
    TestFrame images(100, 60);
    images.request.outputRequest = PF_LRect{10, 5, 70, 50};
    ASSERT_EQ(sim->smartPreRender(images.request), PF_Err_NONE);
    EXPECT_NE(sim->preRenderOutput().flags & PF_RenderOutputFlag_RETURNS_EXTRA_PIXELS, 0);
    EXPECT_EQ(sim->preRenderOutput().result_rect, (PF_LRect{0, -5, 80, 60}));
    EXPECT_EQ(sim->preRenderOutput().max_result_rect, (PF_LRect{-10, -10, 110, 70}));
    sim->finishFrame();
}

TEST_F(AeRenderEntry, ASmallerLayerIsCentredAndCheckedOutForWhatLiesUnderTheRequest)
{
    auto sim = setUpHost();
    TestEffectProbe::layerInputs = 1;
    std::vector<ImageScale> layerScales;
    std::vector<Rect> layerCandidates;
    TestEffectProbe::onInputRect = [&](const std::string& name, Rect*, Rect candidate,
                                       ImageScale scale) {
        if (name == "layer") {
            layerCandidates.push_back(candidate);
            layerScales.push_back(scale);
        }
    };
    TestFrame images(200, 100);
    HostImage layer(100, 50, 8);
    layer.fill(255, 10, 20, 30);
    images.request.layers[kLayerIndex] = layer.view();
    ASSERT_EQ(sim->renderFrame(images.request), PF_Err_NONE);

    EXPECT_EQ(checkoutIds(*sim), (std::vector<A_long>{0, kLayerIndex + 10000, kLayerIndex}));
    EXPECT_EQ(sim->layerCheckouts()[1].request, (PF_LRect{0, 0, 0, 0}));
    EXPECT_EQ(sim->layerCheckouts()[2].request, (PF_LRect{0, 0, 100, 50}));
    ASSERT_EQ(layerCandidates.size(), 1u);
    EXPECT_TRUE((layerCandidates[0] == Rect{50, 150, 25, 75}));
    EXPECT_EQ(layerScales[0].width, 100);
    EXPECT_EQ(layerScales[0].height, 50);

    ASSERT_EQ(TestEffectProbe::renders.size(), 1u);
    const ImageInfo info = TestEffectProbe::renders[0].inputs.get("layer");
    EXPECT_TRUE(info.valid);
    EXPECT_NE(info.data, nullptr);
    EXPECT_EQ(info.originX, 50);
    EXPECT_EQ(info.originY, 25);
    EXPECT_EQ(info.width, 100);
    EXPECT_EQ(info.height, 50);
    EXPECT_EQ(info.fullWidth, 100);
    EXPECT_EQ(info.fullHeight, 50);
    EXPECT_EQ(info.depth, 8);
    EXPECT_EQ(static_cast<const unsigned char*>(info.data)[1], 10);
    expectNothingOutstanding(*sim);
}

TEST_F(AeRenderEntry, AnUnselectedLayerArrivesAsAnEntryWithoutPixels)
{
    auto sim = setUpHost();
    TestFrame images(40, 30, 32);
    ASSERT_EQ(sim->renderFrame(images.request), PF_Err_NONE);
    ASSERT_EQ(TestEffectProbe::renders.size(), 1u);
    const TestEffectProbe::Render& render = TestEffectProbe::renders[0];
    EXPECT_EQ(render.depth, 32);
    for (const char* key : {"layer", "map"}) {
        ASSERT_TRUE(render.inputs.contains(key));
        const ImageInfo info = render.inputs.get(key);
        EXPECT_FALSE(info.valid);
        EXPECT_EQ(info.width, 0);
        EXPECT_EQ(info.height, 0);
        EXPECT_EQ(info.originX, 0);
        EXPECT_EQ(info.depth, 32);
    }
    expectNothingOutstanding(*sim);
}

TEST_F(AeRenderEntry, SourceAndOutputDescriptorsCarryTheHostsScale)
{
    auto sim = setUpHost();
    TestEffectProbe::layerInputs = 0;
    TestFrame images(50, 30, 16);
    images.request.downsampleX = {1, 2};
    images.request.downsampleY = {1, 3};
    images.request.pixelAspect = {10, 11};
    ASSERT_EQ(sim->renderFrame(images.request), PF_Err_NONE);
    ASSERT_EQ(TestEffectProbe::renders.size(), 1u);
    const TestEffectProbe::Render& render = TestEffectProbe::renders[0];
    EXPECT_EQ(render.depth, 16);
    for (const ImageInfo& info : {render.source, render.output}) {
        EXPECT_TRUE(info.valid);
        EXPECT_FALSE(info.premultiplied);
        EXPECT_NE(info.data, nullptr);
        EXPECT_EQ(info.width, 50);
        EXPECT_EQ(info.height, 30);
        EXPECT_EQ(info.depth, 16);
        EXPECT_EQ(info.downsampleX, 0.5);
        EXPECT_EQ(info.downsampleY, 1.0 / 3);
        EXPECT_EQ(info.pixelAspect, 10.0 / 11);
        EXPECT_EQ(info.fullWidth, 50);
        EXPECT_EQ(info.fullHeight, 30);
    }
    EXPECT_EQ(render.source.rowBytes, images.source.rowBytes());
}

TEST_F(AeRenderEntry, LegacyRenderPicks16BitsWhenEitherWorldIsDeepAndCentresLayers)
{
    struct Case {
        int sourceDepth;
        int outputDepth;
        int rendered;
    };
    for (const Case& c : {Case{8, 8, 8}, Case{8, 16, 16}, Case{16, 8, 16}, Case{16, 16, 16}}) {
        TestEffectProbe::reset();
        TestEffectProbe::layerInputs = 1;
        auto sim = setUpHost();
        TestFrame images(200, 100, c.sourceDepth, c.outputDepth);
        images.request.path = RenderPath::Legacy;
        HostImage layer(100, 50, 8);
        images.request.layers[kLayerIndex] = layer.view();
        ASSERT_EQ(sim->renderFrame(images.request), PF_Err_NONE);
        ASSERT_EQ(TestEffectProbe::renders.size(), 1u);
        const TestEffectProbe::Render& render = TestEffectProbe::renders[0];
        EXPECT_EQ(render.depth, c.rendered);
        const ImageInfo info = render.inputs.get("layer");
        EXPECT_TRUE(info.valid);
        EXPECT_EQ(info.originX, 50);
        EXPECT_EQ(info.originY, 25);
        EXPECT_EQ(info.fullWidth, 100);
        expectNothingOutstanding(*sim);
    }
}

TEST_F(AeRenderEntry, LegacyRenderChecksTheSourceOutAtTheEffectsInputFrame)
{
    auto sim = setUpHost();
    TestEffectProbe::layerInputs = 0;
    TestEffectProbe::inputFrame = 3;
    TestFrame images(12, 6, 8, 8, RenderPath::Legacy);
    images.request.frame = 1;
    ASSERT_EQ(sim->renderFrame(images.request), PF_Err_NONE);
    ASSERT_EQ(sim->paramCheckouts().size(), 1u);
    EXPECT_EQ(sim->paramCheckouts()[0].index, 0);
    EXPECT_EQ(sim->paramCheckouts()[0].whatTime, 3 * sim->config().timeStep);
    ASSERT_EQ(TestEffectProbe::renders.size(), 1u);
    EXPECT_EQ(TestEffectProbe::renders[0].source.width, 12);
    expectNothingOutstanding(*sim);

    sim->refuseParamCheckout(0, 77);
    EXPECT_EQ(sim->renderFrame(images.request), 77);
    expectNothingOutstanding(*sim);
}

TEST_F(AeRenderEntry, PreRenderDataIsReleasedWhenTheSmartRenderNeverComes)
{
    auto sim = setUpHost();
    TestFrame images(20, 10);
    ASSERT_EQ(sim->smartPreRender(images.request), PF_Err_NONE);
    EXPECT_NE(sim->preRenderOutput().pre_render_data, nullptr);
    EXPECT_NE(sim->preRenderOutput().delete_pre_render_data_func, nullptr);
    EXPECT_EQ(sim->handlesOutstanding(), 1);
    sim->finishFrame();
    EXPECT_EQ(sim->handlesOutstanding(), 0);
    expectNothingOutstanding(*sim);
}

// Every failure the host can inject, on each path: the host's code comes back, and every
// parameter, layer, suite and block is returned.
struct Failure {
    const char* name;
    RenderPath path;
    std::function<void(HostSimulation&)> inject;
    PF_Err expected;
};

class AeRenderFailures : public AeFixture, public ::testing::WithParamInterface<Failure> {};

TEST_P(AeRenderFailures, TheHostsCodeComesBackAndEverythingIsCheckedIn)
{
    const Failure& failure = GetParam();
    auto sim = setUpHost();
    TestFrame frame(20, 10, 8, 8, failure.path);
    HostImage layer(8, 6, 8);
    frame.output.fill(1, 2, 3, 4);
    frame.request.layers[kLayerIndex] = layer.view();
    TestEffectProbe::onRender = [](TestEffectAEHost& e, const TestEffectProbe::Render&) {
        double r, g, b;
        e.tint.value(&r, &g, &b);
        e.amount.valueAt(3);
        return e.noError();
    };
    failure.inject(*sim);
    EXPECT_EQ(sim->renderFrame(frame.request), failure.expected);
    if (failure.expected != PF_Err_NONE) {
        EXPECT_TRUE(TestEffectProbe::renders.empty());
        EXPECT_EQ(frame.output.channel(0, 0, 0), 1);
    }
    expectNothingOutstanding(*sim);
}

const PF_Err kRefused = 1234;

INSTANTIATE_TEST_SUITE_P(
    Paths, AeRenderFailures,
    ::testing::Values(
        Failure{"none", RenderPath::Smart, [](HostSimulation&) {}, PF_Err_NONE},
        Failure{"control", RenderPath::Smart,
                [](HostSimulation& s) { s.refuseParamCheckout(kCountIndex, kRefused); }, kRefused},
        Failure{"source", RenderPath::Smart,
                [](HostSimulation& s) { s.refuseLayerCheckout(0, kRefused); }, kRefused},
        Failure{"layerProbe", RenderPath::Smart,
                [](HostSimulation& s) { s.refuseLayerCheckout(kLayerIndex + 10000, kRefused); },
                kRefused},
        Failure{"layer", RenderPath::Smart,
                [](HostSimulation& s) { s.refuseLayerCheckout(kMapIndex, kRefused); }, kRefused},
        Failure{"layerRecords", RenderPath::Smart,
                [](HostSimulation& s) { s.failAllocation(1); }, PF_Err_OUT_OF_MEMORY},
        Failure{"standIn", RenderPath::Smart,
                [](HostSimulation& s) { s.failAllocation(2); }, PF_Err_OUT_OF_MEMORY},
        Failure{"sourcePixels", RenderPath::Smart,
                [](HostSimulation& s) { s.refuseLayerPixels(0, kRefused); }, kRefused},
        Failure{"layerPixels", RenderPath::Smart,
                [](HostSimulation& s) { s.refuseLayerPixels(kLayerIndex, kRefused); }, kRefused},
        Failure{"output", RenderPath::Smart,
                [](HostSimulation& s) { s.refuseOutputCheckout(kRefused); }, kRefused},
        Failure{"legacyNone", RenderPath::Legacy, [](HostSimulation&) {}, PF_Err_NONE},
        Failure{"legacyLayer", RenderPath::Legacy,
                [](HostSimulation& s) { s.refuseParamCheckout(kMapIndex, kRefused); }, kRefused}),
    [](const ::testing::TestParamInfo<Failure>& info) { return std::string(info.param.name); });

} // namespace
} // namespace quorvane::aetest
