// The adaptor's commands and host operations, driven through the host simulation.

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <limits>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "host/Identity.h"
#include "host/tests/AeTestSupport.h"
#include "image/HostBuffer.h"

namespace quorvane::aetest {
namespace {

using hostsim::HostConfig;
using hostsim::HostImage;
using hostsim::HostSimulation;
using hostsim::Registration;

constexpr float kInfinity = std::numeric_limits<float>::infinity();
constexpr A_long kCollapse = PF_ParamFlag_COLLAPSE_TWIRLY;

class AeAdaptor : public AeFixture {};

// ---- Registration. ----

TEST_F(AeAdaptor, RegistersEveryVisibleControlInOrder)
{
    auto sim = setUpHost();
    struct Expected {
        PF_ParamType type;
        A_long id;
        std::string name;
        A_long flags;
        A_long uiFlags;
    };
    const Expected expected[] = {
        {PF_Param_GROUP_START, 1, "Look", kCollapse, 0},
        {PF_Param_FLOAT_SLIDER, 2, "Amount", kCollapse | PF_ParamFlag_SUPERVISE, 0},
        {PF_Param_FLOAT_SLIDER, 3, "Unbounded", kCollapse, 0},
        {PF_Param_ANGLE, 4, "Angle", kCollapse | PF_ParamFlag_CANNOT_TIME_VARY, 0},
        {PF_Param_CHECKBOX, 5, "Check", kCollapse, 0},
        {PF_Param_POPUP, 6, "Choice", kCollapse, 0},
        {PF_Param_LAYER, 8, "\xD1\xA1\xD4\xF1\xCD\xBC\xB2\xE3", kCollapse, 0},
        {PF_Param_SLIDER, 9, "Count", kCollapse, PF_PUI_DISABLED},
        {PF_Param_POINT, 10, "Centre", kCollapse, 0},
        {PF_Param_COLOR, 11, "Tint", kCollapse, 0},
        {PF_Param_FLOAT_SLIDER, 12, "Tint(alpha)", kCollapse, 0},
        {PF_Param_COLOR, 13, "Plain", kCollapse, 0},
        {PF_Param_GROUP_END, 14, "", 0, 0},
        {PF_Param_LAYER, 15, "Map", kCollapse, 0},
    };
    const std::vector<Registration>& registered = sim->registrations();
    ASSERT_EQ(registered.size(), std::size(expected));
    for (std::size_t i = 0; i < registered.size(); ++i) {
        SCOPED_TRACE(expected[i].name);
        EXPECT_EQ(registered[i].def.param_type, expected[i].type);
        EXPECT_EQ(registered[i].def.id, expected[i].id);
        EXPECT_EQ(registered[i].name, expected[i].name);
        EXPECT_EQ(registered[i].def.flags, expected[i].flags);
        EXPECT_EQ(registered[i].def.ui_flags, expected[i].uiFlags);
    }
    ASSERT_EQ(sim->paramsSetup(), PF_Err_NONE);
    EXPECT_EQ(sim->lastOutData().num_params, kTestParameterCount);
    EXPECT_EQ(sim->parameterCount(), kTestParameterCount);
    EXPECT_EQ(sim->indexOfId(7), -1);   // the hidden control
    expectNothingOutstanding(*sim);
}

TEST_F(AeAdaptor, RegistersTheValuesOfEveryKind)
{
    auto sim = setUpHost();
    auto def = [&](int index) { return sim->registrations()[index - 1].def; };

    const PF_FloatSliderDef amount = def(kAmountIndex).u.fs_d;
    EXPECT_EQ(amount.value, 12.5);
    EXPECT_EQ(amount.dephault, 12.5f);
    EXPECT_EQ(amount.valid_min, 0.0f);
    EXPECT_EQ(amount.valid_max, 1000.0f);
    EXPECT_EQ(amount.slider_min, 0.0f);
    EXPECT_EQ(amount.slider_max, 100.0f);
    EXPECT_EQ(amount.precision, 1);
    EXPECT_EQ(amount.display_flags, 0);
    EXPECT_EQ(amount.curve_tolerance, 0.05f);

    const PF_FloatSliderDef unbounded = def(kUnboundedIndex).u.fs_d;
    EXPECT_EQ(unbounded.valid_min, -kInfinity);
    EXPECT_EQ(unbounded.valid_max, kInfinity);
    EXPECT_EQ(unbounded.value, static_cast<double>(0.1f));

    EXPECT_EQ(def(kAngleIndex).u.ad.value, 2981888);
    EXPECT_EQ(def(kAngleIndex).u.ad.dephault, 2981888);

    EXPECT_EQ(def(kCheckIndex).u.bd.value, 1);
    EXPECT_EQ(def(kCheckIndex).u.bd.dephault, 1);
    EXPECT_EQ(sim->registrations()[kCheckIndex - 1].checkboxText, "");

    EXPECT_EQ(def(kChoiceIndex).u.pd.num_choices, 3);
    EXPECT_EQ(def(kChoiceIndex).u.pd.dephault, 2);
    EXPECT_EQ(def(kChoiceIndex).u.pd.value, 2);
    EXPECT_EQ(sim->registrations()[kChoiceIndex - 1].popupTexts, "A| B| C");

    EXPECT_EQ(def(kLayerIndex).u.ld.dephault, PF_LayerDefault_NONE);

    const PF_SliderDef count = def(kCountIndex).u.sd;
    EXPECT_EQ(count.value, 5);
    EXPECT_EQ(count.dephault, 5);
    EXPECT_EQ(count.valid_min, -100);
    EXPECT_EQ(count.valid_max, 100);
    EXPECT_EQ(count.slider_min, 0);
    EXPECT_EQ(count.slider_max, 10);
    EXPECT_EQ(count.value_str[0], '\0');

    const PF_PointDef centre = def(kCentreIndex).u.td;
    EXPECT_EQ(centre.x_value, 50 * 65536);
    EXPECT_EQ(centre.y_value, 50 * 65536);
    EXPECT_EQ(centre.x_dephault, 50 * 65536);
    EXPECT_EQ(centre.y_dephault, 50 * 65536);
    EXPECT_EQ(centre.restrict_bounds, 1);

    const PF_ColorDef tint = def(kTintIndex).u.cd;
    for (const PF_Pixel& p : {tint.value, tint.dephault}) {
        EXPECT_EQ(p.alpha, 255);
        EXPECT_EQ(p.red, 255);
        EXPECT_EQ(p.green, 127);
        EXPECT_EQ(p.blue, 63);
    }
    const PF_FloatSliderDef alpha = def(kTintAlphaIndex).u.fs_d;
    EXPECT_EQ(alpha.value, static_cast<double>(0.75f));
    EXPECT_EQ(alpha.dephault, 0.75f);
    EXPECT_EQ(alpha.valid_min, 0.0f);
    EXPECT_EQ(alpha.valid_max, 1.0f);
    EXPECT_EQ(alpha.slider_min, 0.0f);
    EXPECT_EQ(alpha.slider_max, 1.0f);
    EXPECT_EQ(alpha.precision, 3);
    EXPECT_EQ(alpha.curve_tolerance, 0.05f);
}

TEST_F(AeAdaptor, ARefusedRegistrationEndsParameterSetUp)
{
    // A host that accepts nothing: the first refusal is the command's result.
    struct Refusing {
        static PF_Err add(PF_ProgPtr, PF_ParamIndex, PF_ParamDefPtr) { return 7; }
        static char* copy(char* d, const char* s) { return std::strcpy(d, s); }
    };
    PF_UtilCallbacks utils{};
    utils.ansi.strcpy = Refusing::copy;
    PF_InData in{};
    in.inter.add_param = Refusing::add;
    in.utils = &utils;
    PF_OutData out{};
    out.num_params = 99;
    PF_Err result = testEntryPoint()(PF_Cmd_PARAMS_SETUP, &in, &out, nullptr, nullptr, nullptr);
    EXPECT_EQ(result, 7);
    EXPECT_EQ(out.num_params, 99);
}

// ---- Commands. ----

TEST_F(AeAdaptor, UnhandledCommandsReturnZeroAndTouchNothing)
{
    auto sim = setUpHost();
    PF_OutData pattern;
    std::memset(&pattern, 0x5a, sizeof pattern);
    sim->setOutDataTemplate(pattern);
    for (PF_Cmd command : {2, 9, 16, 18, 19, 20, 21, 25, 26, 1000, -1}) {
        EXPECT_EQ(sim->sendCommand(command), PF_Err_NONE) << command;
        EXPECT_EQ(std::memcmp(&sim->lastOutData(), &pattern, sizeof pattern), 0) << command;
    }
    for (PF_Cmd command : {PF_Cmd_GLOBAL_SETDOWN, PF_Cmd_SEQUENCE_SETUP, PF_Cmd_SEQUENCE_RESETUP,
                           PF_Cmd_SEQUENCE_FLATTEN, PF_Cmd_SEQUENCE_SETDOWN,
                           PF_Cmd_FRAME_SETDOWN, PF_Cmd_EVENT, PF_Cmd_COMPLETELY_GENERAL,
                           PF_Cmd_ARBITRARY_CALLBACK})
        EXPECT_EQ(sim->sendCommand(command), PF_Err_NONE) << command;
    EXPECT_EQ(sim->sendCommand(PF_Cmd_FRAME_SETUP), PF_Err_NONE);
    EXPECT_EQ(sim->lastOutData().origin.h, 0);
    EXPECT_EQ(sim->lastOutData().origin.v, 0);
    expectNothingOutstanding(*sim);
}

TEST_F(AeAdaptor, AboutTextThroughTheHostsSprintf)
{
    HostSimulation sim(testEntryPoint());
    std::string text;
    ASSERT_EQ(sim.about(&text), PF_Err_NONE);
    EXPECT_EQ(text, aboutText("QV Glow", 1, 2, 7, descriptionOf(Deliverable::Glow)));
    EXPECT_EQ(text.rfind("QV Glow  v1.2.7\rOmbrix 'Glow'", 0), 0u);
    EXPECT_EQ(sim.counters().sprintfCalls, 1);
}

TEST_F(AeAdaptor, AboutTextWithoutABugFixNumber)
{
    struct Host {
        static A_long print(char* buffer, const char* format, ...)
        {
            va_list arguments;
            va_start(arguments, format);
            const int written = std::vsprintf(buffer, format, arguments);
            va_end(arguments);
            return written;
        }
    };
    TestEffectAEHost effect("QV Test", "Quorvane", "Tests.\n", 3, 4, 0);
    PF_UtilCallbacks utils{};
    utils.ansi.sprintf = Host::print;
    PF_InData in{};
    in.utils = &utils;
    PF_OutData out{};
    ASSERT_EQ(effect.command(PF_Cmd_ABOUT, &in, &out, nullptr, nullptr, nullptr), PF_Err_NONE);
    EXPECT_STREQ(out.return_msg, "QV Test  v3.4\rTests.\n");
}

TEST_F(AeAdaptor, PerCommandObjectsAreFreshAndThePersistentOneStays)
{
    auto sim = setUpHost();
    EXPECT_EQ(TestEffectProbe::constructed, 3);
    ASSERT_EQ(sim->updateParamsUI(), PF_Err_NONE);
    EXPECT_EQ(TestEffectProbe::constructed, 4);

    TestEffectProbe::reset();
    HostSimulation persistent(&persistentEntryPoint<TestEffectAEHost, Deliverable::Spokewash>);
    ASSERT_EQ(persistent.setUp(), PF_Err_NONE);
    TestFrame frame(4, 4);
    std::vector<double> amounts;
    TestEffectProbe::layerInputs = 0;
    TestEffectProbe::onRender = [&](TestEffectAEHost& e, const TestEffectProbe::Render&) {
        amounts.push_back(e.amount.value());
        return e.noError();
    };
    persistent.setFloat(kAmountIndex, 1.5);
    ASSERT_EQ(persistent.renderFrame(frame.request), PF_Err_NONE);
    persistent.setFloat(kAmountIndex, 2.5);
    ASSERT_EQ(persistent.renderFrame(frame.request), PF_Err_NONE);
    EXPECT_EQ(amounts, (std::vector<double>{1.5, 2.5}));
    EXPECT_EQ(TestEffectProbe::constructed, 1);
    EXPECT_EQ(persistent.registrations().size(), 14u);
    expectNothingOutstanding(persistent);
}

TEST_F(AeAdaptor, GlobalSetUpFlagsByHostVersion)
{
    struct Case {
        PF_SpecVersion version;
        A_long flags2;
    };
    const A_long untouched = 0x55;
    for (const Case& c : {Case{{12, 4}, untouched}, Case{{12, 5}, 0x1480}, Case{{13, 0}, 0x1480},
                          Case{{11, 9}, untouched}}) {
        HostConfig config;
        config.specVersion = c.version;
        HostSimulation sim(testEntryPoint(), config);
        PF_OutData pattern{};
        pattern.out_flags2 = untouched;
        sim.setOutDataTemplate(pattern);
        ASSERT_EQ(sim.globalSetup(), PF_Err_NONE);
        EXPECT_EQ(sim.lastOutData().my_version, 0x93e00u);
        EXPECT_EQ(sim.lastOutData().out_flags, 0x06000000);
        EXPECT_EQ(sim.lastOutData().out_flags2, c.flags2)
            << c.version.major << "." << c.version.minor;
    }
}

TEST_F(AeAdaptor, UserChangeReachesTheEffectByKey)
{
    auto sim = setUpHost();
    ASSERT_EQ(sim->userChangedParam(kAmountIndex), PF_Err_NONE);
    ASSERT_EQ(sim->userChangedParam(kTintAlphaIndex), PF_Err_NONE);
    ASSERT_EQ(sim->userChangedParam(kAngleIndex), PF_Err_NONE);
    EXPECT_EQ(TestEffectProbe::changedKeys,
              (std::vector<std::string>{"amount", "tint alpha", "Angle"}));

    HostConfig noSuites;
    noSuites.offerSuiteAccess = false;
    auto bare = setUpHost(noSuites);
    TestEffectProbe::changedKeys.clear();
    ASSERT_EQ(bare->userChangedParam(kAmountIndex), PF_Err_NONE);
    EXPECT_TRUE(TestEffectProbe::changedKeys.empty());
}

// ---- Reading controls. ----

struct Readings {
    double amount = 0, unbounded = 0, hidden = 0, angle = 0, x = 0, y = 0, r = 0, g = 0, b = 0;
    double alpha = 0, plainR = 0;
    bool check = false;
    int choice = 0, count = 0;
};

Readings readNow(TestEffectAEHost& e)
{
    Readings v;
    v.amount = e.amount.value();
    v.unbounded = e.unbounded.value();
    v.hidden = e.hidden.value();
    v.angle = e.angle.value();
    v.check = e.check.value();
    v.choice = e.choice.value();
    v.count = e.count.value();
    e.centre.value(&v.x, &v.y);
    e.tint.value(&v.r, &v.g, &v.b);
    v.alpha = e.tint.alpha();
    double g = 0, b = 0;
    e.plainColour.value(&v.plainR, &g, &b);
    return v;
}

Readings readAt(TestEffectAEHost& e, double frame)
{
    Readings v;
    v.amount = e.amount.valueAt(frame);
    v.unbounded = e.unbounded.valueAt(frame);
    v.hidden = e.hidden.valueAt(frame);
    v.angle = e.angle.valueAt(frame);
    v.check = e.check.valueAt(frame);
    v.choice = e.choice.valueAt(frame);
    v.count = e.count.valueAt(frame);
    e.centre.valueAt(frame, &v.x, &v.y);
    e.tint.valueAt(frame, &v.r, &v.g, &v.b);
    v.alpha = e.tint.alphaAt(frame);
    double g = 0, b = 0;
    e.plainColour.valueAt(frame, &v.plainR, &g, &b);
    return v;
}

void setValues(HostSimulation& sim, std::optional<A_long> frame, double base)
{
    sim.setFloat(kAmountIndex, base + 0.25, frame);
    sim.setFloat(kUnboundedIndex, -base, frame);
    sim.setAngle(kAngleIndex, base + 0.5, frame);
    sim.setInt(kCheckIndex, 0, frame);
    sim.setInt(kChoiceIndex, 3, frame);
    sim.setInt(kCountIndex, static_cast<A_long>(base), frame);
    sim.setPoint(kCentreIndex, -1.5, base, frame);
    sim.setColor(kTintIndex, 0.1, 0.2, 0.3, frame);
    sim.setFloat(kTintAlphaIndex, 0.4, frame);
    sim.setColor(kPlainColourIndex, 0.9, 0, 0, frame);
}

class AeReading : public AeFixture {
protected:
    // Renders one frame and returns what the effect read then, now and at frame 5.
    void renderAndRead(HostSimulation& sim, hostsim::RenderPath path, Readings* now,
                       Readings* atFive)
    {
        TestEffectProbe::layerInputs = 0;
        TestEffectProbe::onRender = [&](TestEffectAEHost& e, const TestEffectProbe::Render&) {
            *now = readNow(e);
            *atFive = readAt(e, 5);
            return e.noError();
        };
        TestFrame frame(8, 4, 8, 8, path);
        ASSERT_EQ(sim.renderFrame(frame.request), PF_Err_NONE);
        ASSERT_EQ(TestEffectProbe::renders.size(), 1u);
    }
};

TEST_F(AeReading, CurrentValuesAndValuesAtAnotherFrameOnBothPaths)
{
    for (auto path : {hostsim::RenderPath::Smart, hostsim::RenderPath::Legacy}) {
        TestEffectProbe::reset();
        auto sim = setUpHost();
        setValues(*sim, std::nullopt, 20);
        setValues(*sim, 5, 30);
        Readings now, atFive;
        renderAndRead(*sim, path, &now, &atFive);

        EXPECT_EQ(now.amount, 20.25);
        EXPECT_EQ(now.unbounded, -20);
        EXPECT_EQ(now.hidden, 3.5);
        EXPECT_EQ(now.angle, 20.5);
        EXPECT_FALSE(now.check);
        EXPECT_EQ(now.choice, 3);
        EXPECT_EQ(now.count, 20);
        EXPECT_EQ(now.x, -1.5);
        EXPECT_EQ(now.y, 20);
        EXPECT_FLOAT_EQ(now.r, 0.1f);
        EXPECT_FLOAT_EQ(now.g, 0.2f);
        EXPECT_FLOAT_EQ(now.b, 0.3f);
        EXPECT_EQ(now.alpha, 0.4);
        EXPECT_FLOAT_EQ(now.plainR, 0.9f);

        EXPECT_EQ(atFive.amount, 30.25);
        EXPECT_EQ(atFive.unbounded, -30);
        EXPECT_EQ(atFive.hidden, 3.5);
        EXPECT_EQ(atFive.angle, 30.5);
        EXPECT_EQ(atFive.count, 30);
        EXPECT_EQ(atFive.x, -1.5);
        EXPECT_EQ(atFive.y, 30);
        EXPECT_FLOAT_EQ(atFive.r, 0.1f);
        EXPECT_EQ(atFive.alpha, 0.4);
        expectNothingOutstanding(*sim);
    }
}

TEST_F(AeReading, ARefusedCheckOutGivesTheDefaultNotTheCurrentValue)
{
    auto sim = setUpHost();
    setValues(*sim, std::nullopt, 20);
    for (int index = kAmountIndex; index < kTestParameterCount; ++index) {
        if (index != kLayerIndex && index != kMapIndex)
            sim->refuseParamCheckout(index);
    }
    Readings now, atFive;
    TestEffectProbe::layerInputs = 0;
    TestEffectProbe::onRender = [&](TestEffectAEHost& e, const TestEffectProbe::Render&) {
        atFive = readAt(e, 5);
        return e.noError();
    };
    // The legacy render reads from the host's array, so only valueAt checks out.
    TestFrame frame(8, 4, 8, 8, hostsim::RenderPath::Legacy);
    ASSERT_EQ(sim->renderFrame(frame.request), PF_Err_NONE);
    EXPECT_EQ(atFive.amount, 12.5);
    EXPECT_EQ(atFive.unbounded, 0.1);
    EXPECT_EQ(atFive.angle, 45.5);
    EXPECT_TRUE(atFive.check);
    EXPECT_EQ(atFive.choice, 2);
    EXPECT_EQ(atFive.count, 5);
    // The point's default as stored: fractions of the layer.
    EXPECT_EQ(atFive.x, 0.5);
    EXPECT_EQ(atFive.y, 0.5);
    EXPECT_EQ(atFive.r, 1.0);
    EXPECT_EQ(atFive.alpha, 0.75);
    EXPECT_EQ(atFive.plainR, 0.2);
    expectNothingOutstanding(*sim);
}

TEST_F(AeReading, WithoutTheColourSuiteColoursFallBackAndTheCommandFails)
{
    HostConfig config;
    config.offerColorSuite = false;
    auto sim = setUpHost(config);
    sim->setColor(kTintIndex, 0.1, 0.2, 0.3);
    double r = -1;
    TestEffectProbe::layerInputs = 0;
    TestEffectProbe::onRender = [&](TestEffectAEHost& e, const TestEffectProbe::Render&) {
        double g = 0, b = 0;
        e.tint.value(&r, &g, &b);
        return e.noError();
    };
    TestFrame frame(8, 4);
    EXPECT_EQ(sim->renderFrame(frame.request), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(r, 26 / 255.0);   // round(0.1 x 255) as the host stores it
    expectNothingOutstanding(*sim);
}

TEST_F(AeReading, FloatSetValueIsTakenOverByTheHost)
{
    auto sim = setUpHost();
    TestEffectProbe::onUpdateUI = [](TestEffectAEHost& e) { e.amount.setValue(77.5); };
    ASSERT_EQ(sim->updateParamsUI(), PF_Err_NONE);
    EXPECT_EQ(sim->parameterAt(kAmountIndex).u.fs_d.value, 77.5);
}

// ---- Enabling and the 300 ms rule. ----

TEST_F(AeAdaptor, EnablingInAfterEffectsAndPremiere)
{
    for (A_long application : {PF_ApplId_AfterEffects, PF_ApplId_Premiere}) {
        HostConfig config;
        config.applicationId = application;
        auto sim = setUpHost(config);
        TestEffectProbe::onUpdateUI = [](TestEffectAEHost& e) {
            EXPECT_EQ(e.count.setEnabled(true), e.noError());
            EXPECT_EQ(e.layer.setEnabled(false), e.noError());
            EXPECT_EQ(e.amount.setEnabled(false), e.noError());
            EXPECT_EQ(e.hidden.setEnabled(false), e.noError());
        };
        ASSERT_EQ(sim->updateParamsUI(), PF_Err_NONE);
        const bool premiere = application == PF_ApplId_Premiere;
        EXPECT_TRUE(sim->isDisabled(kLayerIndex));
        EXPECT_EQ(sim->isDisabled(kAmountIndex), !premiere);
        EXPECT_EQ(sim->isDisabled(kCountIndex), premiere);
        EXPECT_EQ(sim->uiUpdates().size(), premiere ? 1u : 3u);
        expectNothingOutstanding(*sim);
    }
}

TEST_F(AeAdaptor, EnablingWithoutTheSuiteFailsWith516)
{
    for (bool access : {true, false}) {
        HostConfig config;
        config.offerSuiteAccess = access;
        config.offerParamUtilsSuite = false;
        auto sim = setUpHost(config);
        TestEffectProbe::onUpdateUI = [](TestEffectAEHost& e) {
            EXPECT_EQ(e.amount.setEnabled(false), PF_Err_BAD_CALLBACK_PARAM);
        };
        EXPECT_EQ(sim->updateParamsUI(), PF_Err_BAD_CALLBACK_PARAM);
        EXPECT_FALSE(sim->isDisabled(kAmountIndex));
        expectNothingOutstanding(*sim);
    }
}

TEST_F(AeAdaptor, LayerIsConnectedOnlyAfter300MillisecondsAndFromVersion12Point5)
{
    auto connected = [&](HostSimulation& sim, bool withLayer) {
        TestFrame frame(4, 4);
        HostImage layer(2, 2, 8);
        if (withLayer)
            frame.request.layers[kLayerIndex] = layer.view();
        bool answer = false;
        TestEffectProbe::onRender = [&](TestEffectAEHost& e, const TestEffectProbe::Render&) {
            answer = e.layer.isConnected();
            return e.noError();
        };
        EXPECT_EQ(sim.renderFrame(frame.request), PF_Err_NONE);
        return answer;
    };
    auto sim = setUpHost();
    EXPECT_TRUE(connected(*sim, true));
    EXPECT_FALSE(connected(*sim, false));

    ASSERT_EQ(sim->userChangedParam(kAmountIndex), PF_Err_NONE);
    const long checkoutsBefore = sim->counters().paramsCheckedOut;
    now += 300;
    EXPECT_FALSE(connected(*sim, true));
    now += 1;
    EXPECT_TRUE(connected(*sim, true));
    EXPECT_GT(sim->counters().paramsCheckedOut, checkoutsBefore);

    HostConfig old;
    old.specVersion = {12, 4};
    auto legacy = setUpHost(old);
    EXPECT_FALSE(connected(*legacy, true));
    expectNothingOutstanding(*sim);
}

// ---- Progress, threads, iteration, memory. ----

// A loop body that counts its indices, notes its threads and reports progress.
class CountingLoop : public IterationObject {
public:
    explicit CountingLoop(QuorvaneHost& host, int iterations) : host_(host), seen_(iterations) {}
    int body(int index, int count, int threadIndex)
    {
        EXPECT_EQ(count, static_cast<int>(seen_.size()));
        ++seen_[static_cast<std::size_t>(index)];
        {
            std::lock_guard<std::mutex> lock(mutex_);
            threads_.insert(std::this_thread::get_id());
        }
        return host_.progress(index, count, threadIndex);
    }
    const std::vector<std::atomic<int>>& seen() const { return seen_; }
    const std::set<std::thread::id>& threads() const { return threads_; }

private:
    QuorvaneHost& host_;
    std::vector<std::atomic<int>> seen_;
    std::mutex mutex_;
    std::set<std::thread::id> threads_;
};

// The threads the host's own iteration runs on.
std::set<std::thread::id> hostThreadIds(const PF_InData& in)
{
    struct Ids {
        std::mutex mutex;
        std::set<std::thread::id> ids;
    } ids;
    if (in.utils && in.utils->iterate_generic)
        in.utils->iterate_generic(PF_Iterations_ONCE_PER_PROCESSOR, &ids,
                                  [](void* refcon, A_long, A_long, A_long) {
                                      auto* s = static_cast<Ids*>(refcon);
                                      std::lock_guard<std::mutex> lock(s->mutex);
                                      s->ids.insert(std::this_thread::get_id());
                                      return PF_Err{0};
                                  });
    return ids.ids;
}

TEST_F(AeAdaptor, ProgressRefusalReachesOtherThreadsAs517)
{
    auto sim = setUpHost();
    TestEffectProbe::layerInputs = 0;
    std::vector<int> answers;
    long hostCalls = 0;
    TestEffectProbe::onRender = [&](TestEffectAEHost& e, const TestEffectProbe::Render&) {
        answers.push_back(e.progress(1, 10, 2));   // nothing refused yet
        sim->abortProgressAt(1);
        const long before = sim->counters().progressCalls;
        answers.push_back(e.progress(2, 10, 0));
        answers.push_back(e.progress(3, 10, 2));
        answers.push_back(e.progress(3, 10, 5));
        hostCalls = sim->counters().progressCalls - before;
        return e.noError();
    };
    TestFrame frame(4, 4);
    ASSERT_EQ(sim->renderFrame(frame.request), PF_Err_NONE);
    EXPECT_EQ(answers, (std::vector<int>{0, 517, 517, 517}));
    EXPECT_EQ(hostCalls, 1);
}

TEST_F(AeAdaptor, IterateRunsEveryIndexOnceOnTheHostsThreadsOrThePool)
{
    struct Case {
        A_long application;
        int hostThreads;
        bool hostRuns;
    };
    const A_long otherHost = ('X' << 24) | ('X' << 16) | ('X' << 8) | 'X';
    for (const Case& c : {Case{PF_ApplId_AfterEffects, 4, true}, Case{PF_ApplId_Premiere, 3, true},
                          Case{otherHost, 4, false}, Case{PF_ApplId_AfterEffects, 0, false}}) {
        HostConfig config;
        config.applicationId = c.application;
        config.hostThreads = c.hostThreads;
        auto sim = setUpHost(config);
        TestEffectProbe::layerInputs = 0;
        TestEffectProbe::onRender = [&](TestEffectAEHost& e, const TestEffectProbe::Render&) {
            const std::set<std::thread::id> host = hostThreadIds(*e.inData());
            CountingLoop loop(e, 200);
            EXPECT_EQ(e.iterate(200, &loop, iterationCallback(&CountingLoop::body)), e.noError());
            for (const auto& n : loop.seen())
                EXPECT_EQ(n.load(), 1);
            for (std::thread::id id : loop.threads()) {
                if (id != std::this_thread::get_id()) {
                    EXPECT_EQ(host.count(id), c.hostRuns ? 1u : 0u) << c.application;
                }
            }
            return e.noError();
        };
        TestFrame frame(4, 4);
        ASSERT_EQ(sim->renderFrame(frame.request), PF_Err_NONE);
    }
}

TEST_F(AeAdaptor, ThreadCountCountsTheHostsThreads)
{
    for (int threads : {1, 3, 8}) {
        HostConfig config;
        config.hostThreads = threads;
        auto sim = setUpHost(config);
        int counted = 0, limited = 0;
        TestEffectProbe::onUpdateUI = [&](TestEffectAEHost& e) {
            EXPECT_EQ(e.threadCount(&counted, -1), e.noError());
            EXPECT_EQ(e.threadCount(&limited, 2), e.noError());
        };
        ASSERT_EQ(sim->updateParamsUI(), PF_Err_NONE);
        EXPECT_EQ(counted, threads);
        EXPECT_EQ(limited, std::min(threads, 2));
    }
}

// A test effect object driven directly with hand-made records.
struct DirectEffect {
    TestEffectAEHost effect{"QV Test", "Quorvane", "Test.\n", 1, 2, 7};
    PF_UtilCallbacks utils{};
    PF_InData in{};
    PF_OutData out{};

    DirectEffect()
    {
        in.utils = &utils;
        EXPECT_EQ(effect.command(PF_Cmd_SEQUENCE_SETUP, &in, &out, nullptr, nullptr, nullptr),
                  PF_Err_NONE);
    }
};

TEST_F(AeAdaptor, ThreadCountIsAtLeastOneWhenTheHostNeverCallsBack)
{
    DirectEffect direct;
    direct.utils.iterate_generic = [](A_long, void*, PF_Err (*)(void*, A_long, A_long, A_long)) {
        return PF_Err{0};
    };
    int count = -1;
    EXPECT_EQ(direct.effect.threadCount(&count, 0), PF_Err_NONE);
    EXPECT_EQ(count, 1);
}

TEST_F(AeAdaptor, SetMessageStoresAtMost255CharactersAndAZero)
{
    DirectEffect direct;
    std::memset(direct.out.return_msg, 'x', sizeof direct.out.return_msg);
    direct.effect.setMessage("");
    EXPECT_EQ(direct.out.return_msg[0], 'x');
    direct.effect.setMessage(std::string(300, 'a'));
    EXPECT_EQ(std::string(direct.out.return_msg), std::string(255, 'a'));
    direct.effect.setMessage("short");
    EXPECT_STREQ(direct.out.return_msg, "short");
    EXPECT_EQ(direct.out.return_msg[6], 'a');
}

TEST_F(AeAdaptor, TimeFromTheInData)
{
    DirectEffect direct;
    direct.in.current_time = 30;
    direct.in.local_time_step = 10;
    direct.in.time_scale = 250;
    direct.in.total_time = 100;
    EXPECT_EQ(direct.effect.currentFrame(), 3);
    EXPECT_EQ(direct.effect.inputFrame("anything"), 3);
    EXPECT_EQ(direct.effect.frameRate(), 25);
    double first = -1, last = -1;
    direct.effect.frameRange(&first, &last);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(last, 9);
    direct.in.local_time_step = 0;
    EXPECT_EQ(direct.effect.currentFrame(), 0);
    EXPECT_TRUE(direct.effect.isAfterEffectsHost());
    EXPECT_EQ(direct.effect.outOfMemoryError(), 4);
}

TEST_F(AeAdaptor, EveryBlockComesBackAndAFailedAllocationLeavesTheOutputAlone)
{
    auto sim = setUpHost();
    TestEffectProbe::layerInputs = 0;
    TestEffectProbe::onRender = [](TestEffectAEHost& e, const TestEffectProbe::Render& r) {
        HostBuffer<float> first(&e, 1000);
        HostBuffer<float> second(&e, 10);
        if (!first || !second)
            return e.outOfMemoryError();
        std::memset(r.output.data, 0, static_cast<std::size_t>(r.output.rowBytes) * r.output.height);
        return e.noError();
    };
    TestFrame frame(4, 4);
    frame.output.fill(255, 1, 2, 3);
    ASSERT_EQ(sim->renderFrame(frame.request), PF_Err_NONE);
    EXPECT_EQ(frame.output.channel(0, 0, 0), 0);
    for (long k : {1, 2}) {
        frame.output.fill(255, 1, 2, 3);
        sim->failAllocation(k);
        EXPECT_EQ(sim->renderFrame(frame.request), PF_Err_OUT_OF_MEMORY);
        const double untouched[] = {255, 1, 2, 3};
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(frame.output.channel(3, 3, c), untouched[c]);
    }
    EXPECT_GE(sim->counters().handlesAllocated, 3);
    expectNothingOutstanding(*sim);
}

} // namespace
} // namespace quorvane::aetest
