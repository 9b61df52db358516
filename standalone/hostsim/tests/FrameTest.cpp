// Frames through the simulated host: smart pre-render and render with layer check-outs, the
// output rectangle, the legacy render, failures and refusals.

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>

#include "FakeEffect.h"
#include "hostsim/HostSimulation.h"

namespace quorvane::hostsim {
namespace {

using testing::add;
using testing::definition;
using testing::FakeCall;
using testing::fake;
using testing::fakeEntryPoint;

constexpr PF_ParamIndex kMap = 1;      // the fake's layer control
constexpr PF_ParamIndex kAmount = 2;   // and a float slider

// What the fake plug-in does in a frame, and what it saw.
struct Script {
    std::optional<PF_LRect> result;    // the result rectangle to report (else the source's)
    bool allocateInRender = false;
    // Seen:
    PF_LayerDef source{}, output{};
    PF_LayerDef* layer = nullptr;
    PF_LayerDef legacySource{}, legacyLayer{};
    int deleted = 0;
};
Script gScript;
PF_UtilCallbacks* gUtils = nullptr;

void deletePreRenderData(void* data)
{
    ++gScript.deleted;
    gUtils->host_dispose_handle(static_cast<PF_Handle>(data));
}

PF_Err registerControls(FakeCall& call)
{
    PF_Err err = add(call.in, definition(call.in, PF_Param_LAYER, "Map", 1));
    if (!err)
        err = add(call.in, definition(call.in, PF_Param_FLOAT_SLIDER, "Amount", 2));
    call.out->num_params = 3;
    return err;
}

PF_Err preRender(FakeCall& call)
{
    PF_InData* in = call.in;
    auto* extra = static_cast<PF_PreRenderExtra*>(call.extra);
    const PF_RenderRequest& request = extra->input->output_request;
    PF_CheckoutResult source{}, probe{}, layer{};
    PF_Err err = extra->cb->checkout_layer(in->effect_ref, 0, 0, &request, in->current_time,
                                           in->time_step, in->time_scale, &source);
    PF_RenderRequest empty = request;
    empty.rect = PF_LRect{0, 0, 0, 0};
    if (!err)
        err = extra->cb->checkout_layer(in->effect_ref, kMap, kMap + 10000, &empty,
                                        in->current_time, in->time_step, in->time_scale, &probe);
    PF_RenderRequest whole = request;
    whole.rect = probe.max_result_rect;
    if (!err)
        err = extra->cb->checkout_layer(in->effect_ref, kMap, kMap, &whole, in->current_time,
                                        in->time_step, in->time_scale, &layer);
    if (err)
        return err;
    gUtils = in->utils;
    PF_Handle data = in->utils->host_new_handle(64);
    if (!data)
        return PF_Err_OUT_OF_MEMORY;
    extra->output->pre_render_data = data;
    extra->output->delete_pre_render_data_func = deletePreRenderData;
    extra->output->result_rect = gScript.result.value_or(source.result_rect);
    extra->output->max_result_rect = gScript.result.value_or(source.max_result_rect);
    return PF_Err_NONE;
}

ImageView viewOf(const PF_LayerDef& world, int depth)
{
    ImageView view;
    view.data = world.data;
    view.width = world.width;
    view.height = world.height;
    view.rowBytes = world.rowbytes;
    view.depth = depth;
    return view;
}

// Output pixel at layer position (X, Y): alpha 1 unit, red X, green Y, blue the map's red at
// the same position of the map (centred), or 0.
PF_Err smartRender(FakeCall& call)
{
    PF_InData* in = call.in;
    auto* extra = static_cast<PF_SmartRenderExtra*>(call.extra);
    PF_EffectWorld* source = nullptr;
    PF_EffectWorld* layer = nullptr;
    PF_EffectWorld* output = nullptr;
    PF_Err err = extra->cb->checkout_layer_pixels(in->effect_ref, 0, &source);
    if (!err)
        err = extra->cb->checkout_layer_pixels(in->effect_ref, kMap, &layer);
    if (!err)
        err = extra->cb->checkout_output(in->effect_ref, &output);
    if (err)
        return err;
    if (gScript.allocateInRender) {
        PF_Handle scratch = in->utils->host_new_handle(1024);
        if (!scratch)
            return PF_Err_OUT_OF_MEMORY;
        in->utils->host_dispose_handle(scratch);
    }
    gScript.source = *source;
    gScript.output = *output;
    gScript.layer = layer;
    const int depth = extra->input->bitdepth;
    const ImageView out = viewOf(*output, depth);
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x) {
            const int X = x + output->origin_x;
            const int Y = y + output->origin_y;
            writeChannel(out, x, y, 0, 1);
            writeChannel(out, x, y, 1, X);
            writeChannel(out, x, y, 2, Y);
            if (layer) {
                const int lx = X - (source->width - layer->width) / 2;
                const int ly = Y - (source->height - layer->height) / 2;
                if (lx >= 0 && ly >= 0 && lx < layer->width && ly < layer->height)
                    writeChannel(out, x, y, 3, readChannel(viewOf(*layer, depth), lx, ly, 1));
            }
        }
    if (layer)
        extra->cb->checkin_layer_pixels(in->effect_ref, kMap);
    return PF_Err_NONE;
}

PF_Err legacyRender(FakeCall& call)
{
    PF_InData* in = call.in;
    gScript.legacySource = call.params[0]->u.ld;
    gScript.output = *call.output;
    PF_ParamDef map{};
    PF_Err err = in->inter.checkout_param(in->effect_ref, kMap, in->current_time, in->time_step,
                                          in->time_scale, &map);
    if (err)
        return err;
    gScript.legacyLayer = map.u.ld;
    return in->inter.checkin_param(in->effect_ref, &map);
}

class Frames : public ::testing::Test {
protected:
    void SetUp() override
    {
        testing::resetFake();
        gScript = Script{};
        fake().handlers[PF_Cmd_PARAMS_SETUP] = registerControls;
        fake().handlers[PF_Cmd_SMART_PRE_RENDER] = preRender;
        fake().handlers[PF_Cmd_SMART_RENDER] = smartRender;
        fake().handlers[PF_Cmd_RENDER] = legacyRender;
        ASSERT_EQ(host.setUp(), PF_Err_NONE);
    }

    FrameRequest request(const HostImage& source, const HostImage& output) const
    {
        FrameRequest r;
        r.source = source.view();
        r.output = output.view();
        return r;
    }
    bool received(PF_Cmd command) const
    {
        for (PF_Cmd c : fake().received)
            if (c == command)
                return true;
        return false;
    }

    HostSimulation host{fakeEntryPoint};
};

class SmartFrames : public Frames, public ::testing::WithParamInterface<int> {};

TEST_P(SmartFrames, LayersAreCheckedOutCentredAndTheOutputIsTheLayerRectangle)
{
    const int depth = GetParam();
    HostImage source(20, 10, depth, depth / 2);
    HostImage output(20, 10, depth);
    HostImage map(10, 5, depth);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 10; ++x)
            map.setPixel(x, y, 1, 100 + x + 10 * y, 0, 0);
    FrameRequest r = request(source, output);
    r.layers[kMap] = map.view();
    ASSERT_EQ(host.renderFrame(r), PF_Err_NONE);

    const auto& checkouts = host.layerCheckouts();
    ASSERT_EQ(checkouts.size(), 3u);
    EXPECT_EQ(checkouts[0].checkoutId, 0);
    EXPECT_EQ(checkouts[0].answer.max_result_rect.right, 20);
    EXPECT_EQ(checkouts[1].checkoutId, 10001);
    EXPECT_EQ(checkouts[1].answer.max_result_rect.right, 10);
    EXPECT_EQ(checkouts[1].answer.max_result_rect.bottom, 5);
    EXPECT_EQ(checkouts[1].answer.result_rect.right, 0);   // empty request, no pixels
    EXPECT_EQ(checkouts[2].checkoutId, kMap);
    EXPECT_EQ(checkouts[2].request.right, 10);

    ASSERT_NE(gScript.layer, nullptr);
    EXPECT_EQ(gScript.output.data, output.view().data);    // whole layer: handed out directly
    EXPECT_EQ(gScript.source.rowbytes, source.rowBytes());
    EXPECT_EQ(gScript.source.world_flags, depth == 16 ? PF_WorldFlag_DEEP : 0);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x) {
            ASSERT_EQ(output.channel(x, y, 1), x);
            ASSERT_EQ(output.channel(x, y, 2), y);
            const bool onMap = x >= 5 && x < 15 && y >= 2 && y < 7;
            ASSERT_EQ(output.channel(x, y, 3), onMap ? 100 + (x - 5) + 10 * (y - 2) : 0);
        }
    EXPECT_EQ(gScript.deleted, 1);
    EXPECT_EQ(host.handlesOutstanding(), 0);
    EXPECT_EQ(host.counters().layerPixelsCheckedOut, 2);
    EXPECT_EQ(host.counters().layerPixelsCheckedIn, 1);
    EXPECT_TRUE(host.protocolLog().empty());
}

INSTANTIATE_TEST_SUITE_P(Depths, SmartFrames, ::testing::Values(8, 16, 32));

TEST_F(Frames, AnUnselectedLayerGivesNoPixels)
{
    HostImage source(8, 4, 8), output(8, 4, 8);
    ASSERT_EQ(host.renderFrame(request(source, output)), PF_Err_NONE);
    EXPECT_EQ(gScript.layer, nullptr);
    EXPECT_EQ(host.layerCheckouts()[1].answer.max_result_rect.right, 0);
    EXPECT_EQ(output.channel(3, 2, 1), 3);
}

TEST_F(Frames, ResultRectangleInsideOrBeyondTheLayerIsCutToTheLayer)
{
    struct Case {
        PF_LRect result;
    };
    for (const Case c : {Case{{2, 1, 8, 6}}, Case{{-2, -2, 22, 12}}}) {
        gScript = Script{};
        gScript.result = c.result;
        HostImage source(20, 10, 8), output(20, 10, 8);
        output.fill(99, 99, 99, 99);
        ASSERT_EQ(host.renderFrame(request(source, output)), PF_Err_NONE);
        EXPECT_EQ(gScript.output.origin_x, c.result.left);
        EXPECT_EQ(gScript.output.origin_y, c.result.top);
        EXPECT_EQ(gScript.output.width, c.result.right - c.result.left);
        EXPECT_EQ(gScript.output.height, c.result.bottom - c.result.top);
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 20; ++x) {
                const bool inside = x >= c.result.left && x < c.result.right && y >= c.result.top
                    && y < c.result.bottom;
                ASSERT_EQ(output.channel(x, y, 0), inside ? 1 : 0) << x << "," << y;
                ASSERT_EQ(output.channel(x, y, 1), inside ? x : 0);
            }
    }
}

TEST_F(Frames, AnEmptyResultRendersNothing)
{
    gScript.result = PF_LRect{5, 5, 5, 9};
    HostImage source(8, 8, 8), output(8, 8, 8);
    output.fill(9, 9, 9, 9);
    ASSERT_EQ(host.renderFrame(request(source, output)), PF_Err_NONE);
    EXPECT_FALSE(received(PF_Cmd_SMART_RENDER));
    EXPECT_EQ(output.channel(0, 0, 0), 0);
    EXPECT_EQ(gScript.deleted, 1);
}

TEST_F(Frames, OutputRequestAndDownsampleReachThePlugin)
{
    HostImage source(10, 6, 8), output(10, 6, 8);
    FrameRequest r = request(source, output);
    r.downsampleX = {1, 2};
    r.downsampleY = {1, 3};
    r.pixelAspect = {10, 11};
    r.outputRequest = PF_LRect{-5, 2, 4, 30};
    PF_InData seen{};
    fake().handlers[PF_Cmd_SMART_RENDER] = [&](FakeCall& call) {
        seen = *call.in;
        return smartRender(call);
    };
    ASSERT_EQ(host.renderFrame(r), PF_Err_NONE);
    EXPECT_EQ(seen.width, 20);
    EXPECT_EQ(seen.height, 18);
    EXPECT_EQ(seen.downsample_y.den, 3u);
    const LayerCheckoutRecord& sourceCheckout = host.layerCheckouts()[0];
    EXPECT_EQ(sourceCheckout.request.left, -5);
    EXPECT_EQ(sourceCheckout.answer.par.den, 11u);
    // The part of the request inside the layer.
    EXPECT_EQ(sourceCheckout.answer.result_rect.left, 0);
    EXPECT_EQ(sourceCheckout.answer.result_rect.top, 2);
    EXPECT_EQ(sourceCheckout.answer.result_rect.right, 4);
    EXPECT_EQ(sourceCheckout.answer.result_rect.bottom, 6);
    EXPECT_EQ(gScript.source.origin_y, 2);
    EXPECT_EQ(gScript.source.data, source.view().pixelAddress(0, 2));
}

struct Refusal {
    const char* what;
    std::function<void(HostSimulation&)> inject;
    PF_Err expected;
    bool smartRenderSent;
};

class Refusals : public Frames, public ::testing::WithParamInterface<Refusal> {};

TEST_P(Refusals, AreTheFramesResultAndLeaveTheOutputAlone)
{
    const Refusal& refusal = GetParam();
    refusal.inject(host);
    gScript.result = PF_LRect{1, 1, 7, 7};     // an output the host keeps apart
    gScript.allocateInRender = true;
    HostImage source(8, 8, 8), output(8, 8, 8);
    output.fill(9, 9, 9, 9);
    EXPECT_EQ(host.renderFrame(request(source, output)), refusal.expected);
    EXPECT_EQ(received(PF_Cmd_SMART_RENDER), refusal.smartRenderSent);
    EXPECT_EQ(output.channel(3, 3, 1), 9);
    EXPECT_EQ(host.handlesOutstanding(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Injected, Refusals,
    ::testing::Values(
        Refusal{"source", [](HostSimulation& h) { h.refuseLayerCheckout(0, 3); }, 3, false},
        Refusal{"probe", [](HostSimulation& h) { h.refuseLayerCheckout(kMap + 10000); },
                PF_Err_BAD_CALLBACK_PARAM, false},
        Refusal{"pixels", [](HostSimulation& h) { h.refuseLayerPixels(kMap, 6); }, 6, true},
        Refusal{"output", [](HostSimulation& h) { h.refuseOutputCheckout(5); }, 5, true},
        Refusal{"pre-render memory", [](HostSimulation& h) { h.failAllocation(1); },
                PF_Err_OUT_OF_MEMORY, false},
        Refusal{"render memory", [](HostSimulation& h) { h.failAllocation(2); },
                PF_Err_OUT_OF_MEMORY, true}),
    [](const ::testing::TestParamInfo<Refusal>& info) {
        std::string name = info.param.what;
        for (char& c : name)
            if (c == ' ' || c == '-')
                c = '_';
        return name;
    });

TEST_F(Frames, LegacyRenderHandsOverLayerAndOutputWorlds)
{
    HostImage source(6, 4, 8), output(6, 4, 16), map(2, 2, 16);
    FrameRequest r = request(source, output);
    r.path = RenderPath::Legacy;
    r.layers[kMap] = map.view();
    ASSERT_EQ(host.renderFrame(r), PF_Err_NONE);
    const std::vector<PF_Cmd> expected{PF_Cmd_FRAME_SETUP, PF_Cmd_RENDER, PF_Cmd_FRAME_SETDOWN};
    const std::vector<PF_Cmd>& got = fake().received;
    ASSERT_GE(got.size(), 3u);
    EXPECT_EQ(std::vector<PF_Cmd>(got.end() - 3, got.end()), expected);
    EXPECT_EQ(gScript.legacySource.data, source.view().data);
    EXPECT_EQ(gScript.legacySource.world_flags, 0);
    EXPECT_EQ(gScript.output.data, output.view().data);
    EXPECT_EQ(gScript.output.world_flags, PF_WorldFlag_DEEP);
    EXPECT_EQ(gScript.legacyLayer.data, map.view().data);
    EXPECT_EQ(gScript.legacyLayer.width, 2);
    EXPECT_EQ(host.commandLog().back().paramsOutstanding, 0);
    // The frame's images are the frame's only.
    EXPECT_EQ(host.parameterAt(kMap).u.ld.data, nullptr);
    EXPECT_EQ(host.parameterAt(0).u.ld.data, nullptr);
}

TEST_F(Frames, ImagesThatDoNotFitAreRejected)
{
    HostImage source(6, 4, 8), small(5, 4, 8), deep(6, 4, 16), deepFloat(6, 4, 32);
    FrameRequest mismatch = request(source, small);
    EXPECT_THROW(host.renderFrame(mismatch), std::invalid_argument);
    FrameRequest depths = request(source, deep);
    EXPECT_THROW(host.renderFrame(depths), std::invalid_argument);
    FrameRequest legacyFloat = request(deepFloat, deepFloat);
    legacyFloat.path = RenderPath::Legacy;
    EXPECT_THROW(host.renderFrame(legacyFloat), std::invalid_argument);
    FrameRequest notALayer = request(source, source);
    notALayer.layers[kAmount] = source.view();
    EXPECT_THROW(host.renderFrame(notALayer), std::invalid_argument);
    FrameRequest noSource;
    noSource.output = source.view();
    EXPECT_THROW(host.renderFrame(noSource), std::invalid_argument);
    EXPECT_TRUE(fake().received.size() == 3u);   // only the set-up commands
}

TEST(HostImage, ChannelsRoundTripPerDepthWithPadding)
{
    struct Case {
        int depth, padding;
        double in, stored;
    };
    for (const Case c : {Case{8, 3, 300.7, 255}, Case{8, 0, 12.9, 12}, Case{16, 2, 40000, 32768},
                         Case{16, 0, -5, 0}, Case{32, 4, 1.5, 1.5}, Case{32, 0, -0.25, -0.25}}) {
        HostImage image(3, 2, c.depth, c.padding);
        EXPECT_EQ(image.rowBytes(), 3 * bytesPerPixel(c.depth) + c.padding);
        image.setPixel(2, 1, c.in, 0, 0, c.in);
        EXPECT_EQ(image.channel(2, 1, 0), c.stored);
        EXPECT_EQ(image.channel(2, 1, 3), c.stored);
        EXPECT_EQ(image.channel(1, 1, 0), 0);
    }
    EXPECT_THROW(HostImage(2, 2, 16, 1), std::invalid_argument);
    EXPECT_THROW(HostImage(2, 2, 12), std::invalid_argument);
}

} // namespace
} // namespace quorvane::hostsim
