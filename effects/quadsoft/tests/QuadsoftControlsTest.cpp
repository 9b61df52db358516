// Quadsoft's controls as the host sees them: registration, the enabling rules, the map layer
// input; the shipped library, its property list and its debug log name.

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "QuadsoftAEHost.h"
#include "QuadsoftTestSupport.h"
#include "host/ae/EntryPoint.h"
#include "host/ae/PropertyList.h"
#include "hostsim/PluginLibrary.h"
#include "threads/DebugLog.h"

namespace quorvane::quadsofttest {
namespace {

using hostsim::Registration;

// The registered texts as GBK bytes.
namespace gbk {
const char* const radius = "\xB0\xEB\xBE\xB6";                               // 半径
const char* const aspect = "\xB3\xA4\xBF\xED";                               // 长宽
const char* const gamma = "\xD9\xA4\xC2\xED\xD0\xA3\xD5\xFD";               // 伽马校正
const char* const edgeX = "\xCD\xE2\xB2\xBF x \xB2\xC9\xC8\xA1";             // 外部 x 采取
const char* const edgeY = "\xCD\xE2\xB2\xBF y \xB2\xC9\xC8\xA1";             // 外部 y 采取
const char* const mode = "\xC4\xA3\xCA\xBD";                                 // 模式
const char* const invertX = "\xB7\xB4\xCF\xE0\xBD\xA5\xB1\xE4 x";           // 反相渐变 x
const char* const invertY = "\xB7\xB4\xCF\xE0\xBD\xA5\xB1\xE4 y";           // 反相渐变 y
const char* const mapLayer = "\xC6\xAB\xD2\xC6\xB5\xC4\xCD\xBC\xB2\xE3";    // 偏移的图层
const char* const mapChannel = "\xC6\xAB\xD2\xC6\xB5\xC4\xCD\xA8\xB5\xC0";  // 偏移的通道
const char* const focus = "\xBE\xDB\xBD\xB9";                                // 聚焦
// 边框颜色 | 镜像的图像 | 重复的图像
const char* const edgeItems = "\xB1\xDF\xBF\xF2\xD1\xD5\xC9\xAB| \xBE\xB5\xCF\xF1\xB5\xC4\xCD\xBC"
                              "\xCF\xF1| \xD6\xD8\xB8\xB4\xB5\xC4\xCD\xBC\xCF\xF1";
const char* const modeItems = "\xD5\xFD\xB3\xA3| \xC0\xA9\xD5\xB9";         // 正常 | 扩展
// 亮度 | alpha 通道 | 红色通道 | 绿色通道 | 蓝色通道
const char* const channelItems = "\xC1\xC1\xB6\xC8| alpha \xCD\xA8\xB5\xC0| \xBA\xEC\xC9\xAB\xCD\xA8"
                                 "\xB5\xC0| \xC2\xCC\xC9\xAB\xCD\xA8\xB5\xC0| \xC0\xB6\xC9\xAB\xCD"
                                 "\xA8\xB5\xC0";
} // namespace gbk

struct Expected {
    A_long id;
    PF_ParamType type;
    const char* name;
    // Float sliders: default, slider range, valid range. Check boxes and pop-ups: the default.
    double value;
    float sliderMin = 0, sliderMax = 0, validMin = 0, validMax = 0;
    const char* items = "";
    int choices = 0;
};

constexpr float kInfinity = std::numeric_limits<float>::infinity();

const Expected kControls[] = {
    {1, PF_Param_FLOAT_SLIDER, gbk::radius, 5, 0, 100, 0, kInfinity},
    {2, PF_Param_FLOAT_SLIDER, gbk::aspect, 0, -1, 1, -1, 1},
    {3, PF_Param_CHECKBOX, gbk::gamma, 1},
    {4, PF_Param_POPUP, gbk::edgeX, 1, 0, 0, 0, 0, gbk::edgeItems, 3},
    {5, PF_Param_POPUP, gbk::edgeY, 1, 0, 0, 0, 0, gbk::edgeItems, 3},
    {6, PF_Param_POPUP, gbk::mode, 1, 0, 0, 0, 0, gbk::modeItems, 2},
    {7, PF_Param_CHECKBOX, gbk::invertX, 0},
    {8, PF_Param_CHECKBOX, gbk::invertY, 0},
    {9, PF_Param_LAYER, gbk::mapLayer, 0},
    {10, PF_Param_POPUP, gbk::mapChannel, 1, 0, 0, 0, 0, gbk::channelItems, 5},
    {11, PF_Param_FLOAT_SLIDER, gbk::focus, 0, 0, 255, -9999, 9999},
};

void expectRegistered(const Registration& r, const Expected& e)
{
    SCOPED_TRACE(::testing::Message() << "control " << e.id);
    EXPECT_EQ(r.def.id, e.id);
    EXPECT_EQ(r.def.param_type, e.type);
    EXPECT_EQ(r.name, e.name);
    // Animatable, not supervised, enabled; startCollapsed stays at its default.
    EXPECT_EQ(r.def.flags, PF_ParamFlag_COLLAPSE_TWIRLY);
    EXPECT_EQ(r.def.ui_flags, 0);
    switch (e.type) {
    case PF_Param_FLOAT_SLIDER:
        EXPECT_EQ(r.def.u.fs_d.value, e.value);
        EXPECT_EQ(r.def.u.fs_d.dephault, static_cast<float>(e.value));
        EXPECT_EQ(r.def.u.fs_d.slider_min, e.sliderMin);
        EXPECT_EQ(r.def.u.fs_d.slider_max, e.sliderMax);
        EXPECT_EQ(r.def.u.fs_d.valid_min, e.validMin);
        EXPECT_EQ(r.def.u.fs_d.valid_max, e.validMax);
        EXPECT_EQ(r.def.u.fs_d.precision, 3);
        EXPECT_EQ(r.def.u.fs_d.display_flags, 0);
        break;
    case PF_Param_CHECKBOX:
        EXPECT_EQ(r.def.u.bd.value, static_cast<int>(e.value));
        EXPECT_EQ(r.def.u.bd.dephault, static_cast<int>(e.value));
        break;
    case PF_Param_POPUP:
        EXPECT_EQ(r.def.u.pd.value, static_cast<int>(e.value));
        EXPECT_EQ(r.def.u.pd.dephault, static_cast<int>(e.value));
        EXPECT_EQ(r.def.u.pd.num_choices, e.choices);
        EXPECT_EQ(r.popupTexts, e.items);
        break;
    case PF_Param_LAYER:
        EXPECT_EQ(r.def.u.ld.dephault, PF_LayerDefault_NONE);
        break;
    default:
        ADD_FAILURE() << "unexpected kind";
    }
}

using QuadsoftControls = QuadsoftFixture;

TEST_F(QuadsoftControls, RegistersTheElevenControlsAsTabled)
{
    auto sim = setUpHost();
    const std::vector<Registration>& registered = sim->registrations();
    ASSERT_EQ(registered.size(), std::size(kControls));
    for (std::size_t i = 0; i < registered.size(); ++i)
        expectRegistered(registered[i], kControls[i]);
    // The effect's layer comes first: host index n is the n-th control.
    EXPECT_EQ(sim->parameterCount(), 12);
    for (A_long id = 1; id <= 11; ++id)
        EXPECT_EQ(sim->indexOfId(id), id);
    expectNothingOutstanding(*sim);
}

TEST_F(QuadsoftControls, IdentifiesItselfAsQuadsoft)
{
    HostSimulation sim(&EntryPointFunc);
    std::string about;
    ASSERT_EQ(sim.about(&about), PF_Err_NONE);
    // The title ends in a blank, so two stand before the version.
    const std::string start =
        "QV Quadsoft  v1.2.7\rOmbrix 'Quadsoft' - Creates a simple or abberated quadsoft.\n\n";
    EXPECT_EQ(about.substr(0, start.size()), start);
}

// The inversion check boxes belong to the extended mode; channel and focus need a map.
// Radius, aspect, gamma, edges, mode and the map layer itself are never greyed out.
TEST_F(QuadsoftControls, InversionIsEnabledOnlyInTheExtendedMode)
{
    auto sim = setUpHost();
    auto expectEnabled = [&](std::initializer_list<ControlId> enabled) {
        for (A_long id = 1; id <= 11; ++id) {
            const bool on = std::find(enabled.begin(), enabled.end(), id) != enabled.end();
            EXPECT_EQ(sim->isDisabled(indexOf(*sim, static_cast<ControlId>(id))), !on)
                << "control " << id;
        }
    };
    ASSERT_EQ(sim->updateParamsUI(), PF_Err_NONE);
    expectEnabled({kRadius, kAspect, kGamma, kEdgeX, kEdgeY, kMode, kMapLayer});
    sim->setInt(indexOf(*sim, kMode), 2);
    ASSERT_EQ(sim->updateParamsUI(), PF_Err_NONE);
    expectEnabled({kRadius, kAspect, kGamma, kEdgeX, kEdgeY, kMode, kInvertX, kInvertY, kMapLayer});
    sim->setInt(indexOf(*sim, kMode), 1);
    ASSERT_EQ(sim->updateParamsUI(), PF_Err_NONE);
    expectEnabled({kRadius, kAspect, kGamma, kEdgeX, kEdgeY, kMode, kMapLayer});
    expectNothingOutstanding(*sim);
}

// Channel and focus follow the map layer; for 300 ms after a control change the host's
// answer is not trusted and they stay greyed out.
TEST_F(QuadsoftControls, MapChannelAndFocusFollowTheMapLayer)
{
    auto sim = setUpHost();
    const PF_ParamIndex layer = indexOf(*sim, kMapLayer);
    auto mapControlsEnabled = [&]() {
        EXPECT_EQ(sim->updateParamsUI(), PF_Err_NONE);
        const bool channel = !sim->isDisabled(indexOf(*sim, kMapChannel));
        EXPECT_EQ(!sim->isDisabled(indexOf(*sim, kFocus)), channel);
        EXPECT_FALSE(sim->isDisabled(layer));
        return channel;
    };
    EXPECT_FALSE(mapControlsEnabled());
    const HostImage map = noiseImage(4, 3, 8, 1, true);
    sim->setLayerImage(layer, map.view());
    EXPECT_TRUE(mapControlsEnabled());

    ASSERT_EQ(sim->userChangedParam(layer), PF_Err_NONE);
    EXPECT_FALSE(mapControlsEnabled());
    now += 300;
    EXPECT_FALSE(mapControlsEnabled());
    now += 1;
    EXPECT_TRUE(mapControlsEnabled());

    sim->setLayerImage(layer, ImageView{});
    EXPECT_FALSE(mapControlsEnabled());
    expectNothingOutstanding(*sim);
}

TEST_F(QuadsoftControls, HostsBeforeSmartRenderingNeverEnableTheMapControls)
{
    HostConfig config;
    config.specVersion = {12, 4};
    auto sim = setUpHost(config);
    const HostImage map = noiseImage(4, 3, 8, 1, true);
    sim->setLayerImage(indexOf(*sim, kMapLayer), map.view());
    ASSERT_EQ(sim->updateParamsUI(), PF_Err_NONE);
    EXPECT_TRUE(sim->isDisabled(indexOf(*sim, kMapChannel)));
    EXPECT_TRUE(sim->isDisabled(indexOf(*sim, kFocus)));
}

// What the effect answers when the render entry walks its layer inputs.
struct LayerInputs {
    int first = -2;
    std::string firstName;
    int second = -2;
    std::string secondName;
};
LayerInputs probedInputs;

PF_Err probingEntryPoint(PF_Cmd cmd, PF_InData* in, PF_OutData* out, PF_ParamDef* params[],
                         PF_LayerDef* output, void* extra)
{
    QuadsoftAEHost object = makeDeliverable<QuadsoftAEHost, Deliverable::Quadsoft>();
    const PF_Err result = object.command(cmd, in, out, params, output, extra);
    probedInputs.firstName.clear();
    probedInputs.first = object.layerInput(0, &probedInputs.firstName);
    probedInputs.secondName = "untouched";
    probedInputs.second = object.layerInput(1, &probedInputs.secondName);
    return result;
}

TEST_F(QuadsoftControls, TheOnlyLayerInputIsTheMapLayer)
{
    auto sim = setUpHost({}, &probingEntryPoint);
    EXPECT_EQ(probedInputs.first, indexOf(*sim, kMapLayer));
    EXPECT_EQ(probedInputs.firstName, gbk::mapLayer);
    EXPECT_EQ(probedInputs.second, -1);
    EXPECT_EQ(probedInputs.secondName, "untouched");

    // The pre-render probes that layer and checks it out, and nothing else.
    const HostImage source = noiseImage(8, 6, 8, 2, true);
    const HostImage map = noiseImage(4, 4, 8, 3, true);
    HostImage output(8, 6, 8);
    ASSERT_EQ(render(*sim, RenderPath::Smart, source, output, &map), PF_Err_NONE);
    std::vector<A_long> ids;
    for (const hostsim::LayerCheckoutRecord& r : sim->layerCheckouts())
        ids.push_back(r.checkoutId);
    EXPECT_EQ(ids, (std::vector<A_long>{0, 10009, 9}));
}

TEST_F(QuadsoftControls, TheShippedLibraryRegistersAndRendersAsTheLinkedEntryPoint)
{
    std::string error;
    const std::unique_ptr<hostsim::PluginLibrary> library =
        hostsim::PluginLibrary::load(QUADSOFT_PLUGIN, error);
    ASSERT_TRUE(library) << error;
    auto loaded = setUpHost({}, library->entryPoint());
    auto linked = setUpHost();
    ASSERT_EQ(loaded->registrations().size(), linked->registrations().size());
    for (std::size_t i = 0; i < linked->registrations().size(); ++i) {
        EXPECT_EQ(loaded->registrations()[i].def.id, linked->registrations()[i].def.id);
        EXPECT_EQ(loaded->registrations()[i].name, linked->registrations()[i].name);
        EXPECT_EQ(loaded->registrations()[i].popupTexts, linked->registrations()[i].popupTexts);
    }
    ASSERT_TRUE(library->describesControls());
    const std::vector<hostsim::ControlDescription> described = library->describeControls();
    ASSERT_EQ(described.size(), 11u);
    for (std::size_t i = 0; i < described.size(); ++i)
        EXPECT_EQ(described[i].id, static_cast<A_long>(i + 1));

    const HostImage source = noiseImage(9, 7, 16, 4, false);
    const HostImage map = noiseImage(5, 3, 16, 5, false);
    HostImage fromLoaded(9, 7, 16);
    HostImage fromLinked(9, 7, 16);
    for (HostSimulation* sim : {loaded.get(), linked.get()})
        sim->setInt(indexOf(*sim, kMode), 2);
    ASSERT_EQ(render(*loaded, RenderPath::Smart, source, fromLoaded, &map), PF_Err_NONE);
    ASSERT_EQ(render(*linked, RenderPath::Smart, source, fromLinked, &map), PF_Err_NONE);
    EXPECT_TRUE(sameImage(fromLoaded, fromLinked));
    expectNothingOutstanding(*loaded);
}

TEST(QuadsoftPropertyList, TheFileBesideTheLibraryDescribesQuadsoft)
{
    std::ifstream file(QUADSOFT_PIPL, std::ios::binary);
    ASSERT_TRUE(file) << QUADSOFT_PIPL;
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file),
                                          std::istreambuf_iterator<char>()};
    std::vector<PropertyListEntry> entries;
    ASSERT_TRUE(parsePropertyList(bytes, &entries));
    ASSERT_EQ(entries.size(), 12u);
    auto text = [](const std::string& s) { return std::vector<std::uint8_t>(s.begin(), s.end()); };
    EXPECT_EQ(entries[0].key, "kind");
    EXPECT_EQ(entries[0].data, text("TKFe"));   // 'eFKT' as a little-endian number
    EXPECT_EQ(entries[1].key, "name");
    EXPECT_EQ(entries[1].data, text("\x08Quadsoft"));
    EXPECT_EQ(entries[10].key, "eMNA");
    EXPECT_EQ(entries[10].data, text("\x0dKWQV Quadsoft"));
}

TEST(QuadsoftDebugLog, TheEntryPointNamesItsLogFile)
{
    // The log lives under HOME; give it one if the environment has none.
    if (!std::getenv("HOME") && !std::getenv("HOMEPATH"))
        setenv("HOME", "/nonexistent-quadsoft-home", 0);
    HostSimulation sim(&EntryPointFunc);
    ASSERT_EQ(sim.globalSetup(), PF_Err_NONE);
    const std::string path = DebugLog::process().path();
    const std::string name = "/quorvane/quadsoft_ae.log";
    ASSERT_GE(path.size(), name.size()) << path;
    EXPECT_EQ(path.substr(path.size() - name.size()), name);
}

} // namespace
} // namespace quorvane::quadsofttest
