// The shared groups of each effect's id range registered through the After Effects adaptor
// with the simulated host, and greyed out by the enabling rules through the host's parameter
// utilities.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

#include "host/ae/EntryPoint.h"
#include "hostsim/HostSimulation.h"
#include "parameters/BoundSharedControls.h"
#include "parameters/tests/SharedControlsExpectations.h"

namespace quorvane {
namespace {

using testing::gbk;
using hostsim::HostSimulation;


// A view pop-up of its own (id 1) and the shared groups, as the three effects register them.
template <SharedControlOptions (*Options)()>
class SharedTestParameters : public xParameterList {
public:
    SharedTestParameters()
    {
        xChoiceDef viewDef("View", "", 1, 1);
        viewDef.addItem("Normal");
        viewDef.addItem("Selected");
        viewDef.addItem("Selection only");
        view.def = viewDef;
        view.def.supervised = true;
        append(&view);
        defineSharedControls(shared.refs(), *this, Options());
    }

    xChoice view;
    BoundSharedControls shared;
};

template <SharedControlOptions (*Options)()>
class SharedTestAEHost : public AfterEffectsHost, public SharedTestParameters<Options> {
public:
    using AfterEffectsHost::AfterEffectsHost;

    xParameterList* parameters() override { return this; }
    void updateParameterUI() override
    {
        enableSharedControls(this->shared.refs(), this->view.value());
    }
    int layerInput(int i, std::string* name) override
    {
        if (i != 0)
            return -1;
        *name = this->shared.selectionLayer.def.key;
        return this->shared.selectionLayer.hostIndex;
    }
    int render8(ImageInfo*, ImageInfo*, InputImages*) override { return noError(); }
    int render16(ImageInfo*, ImageInfo*, InputImages*) override { return noError(); }
    int renderFloat(ImageInfo*, ImageInfo*, InputImages*) override { return noError(); }
};

struct EffectCase {
    const char* name;
    PF_EntryPointFunc entry;
    int firstId;
    const char* channelLabel;
    const char* offsetLabel;
    bool selectionDefault;
    double luminanceStart;
};

template <SharedControlOptions (*Options)(), Deliverable D>
constexpr PF_EntryPointFunc entryOf()
{
    return &perCommandEntryPoint<SharedTestAEHost<Options>, D>;
}

const EffectCase kEffects[] = {
    {"glow", entryOf<&SharedControlOptions::glow, Deliverable::Glow>(), 9, "-> 通道 控制...",
     "-> 颜色 偏置...", false, 0},
    {"spokewash", entryOf<&SharedControlOptions::spokewash, Deliverable::Spokewash>(), 17,
     "-> 通道控制...", "-> 颜色偏置...", false, 0},
    {"highlight", entryOf<&SharedControlOptions::highlight, Deliverable::Highlight>(), 8,
     "-> 通道控制...", "-> 颜色偏置...", true, 200},
};

struct Expected {
    PF_ParamType type;
    std::string label;    // UTF-8; empty for group ends
    double dflt = 0;
    float validMin = 0, validMax = 0, sliderMin = 0, sliderMax = 0;
};

std::vector<Expected> expectedRegistrations(const EffectCase& e)
{
    const float inf = std::numeric_limits<float>::infinity();
    std::vector<Expected> rows;
    rows.push_back({PF_Param_GROUP_START, "-> 选择..."});
    rows.push_back({PF_Param_CHECKBOX, "启用", e.selectionDefault ? 1.0 : 0.0});
    rows.push_back({PF_Param_LAYER, "选择图层"});
    const char* groups[][2] = {{"-> 亮度...", "亮度"}, {"->色相...", "色相"}, {"-> 饱和度...", "饱和度"}};
    for (int g = 0; g < 3; ++g) {
        const std::string stem = groups[g][1];
        rows.push_back({PF_Param_GROUP_START, groups[g][0]});
        rows.push_back({PF_Param_FLOAT_SLIDER, stem + "开始", g == 0 ? e.luminanceStart : 0, -inf,
                        inf, 0, 255});
        rows.push_back({PF_Param_FLOAT_SLIDER, stem + "结束", 255, -inf, inf, 0, 255});
        rows.push_back({PF_Param_FLOAT_SLIDER, stem + "最顶点", 1, -1, 1, -1, 1});
        rows.push_back({PF_Param_FLOAT_SLIDER, stem + "柔和", 0, 0, inf, 0, 3});
        rows.push_back({PF_Param_ANGLE, stem + "偏移量"});
        rows.push_back({PF_Param_GROUP_END, ""});
    }
    rows.push_back({PF_Param_GROUP_END, ""});
    rows.push_back({PF_Param_GROUP_START, e.channelLabel});
    rows.push_back({PF_Param_CHECKBOX, "启用"});
    for (const char* label : {"红色", "绿色", "蓝色", "alpha"})
        rows.push_back({PF_Param_FLOAT_SLIDER, label, 1, 0, inf, 0, 1});
    rows.push_back({PF_Param_GROUP_END, ""});
    rows.push_back({PF_Param_GROUP_START, e.offsetLabel});
    rows.push_back({PF_Param_CHECKBOX, "启用"});
    for (const char* label : {"色相", "饱和度", "亮度"})
        rows.push_back({PF_Param_FLOAT_SLIDER, label, 0, -1, 1, -1, 1});
    rows.push_back({PF_Param_GROUP_END, ""});
    return rows;
}

void PrintTo(const EffectCase& e, std::ostream* os) { *os << e.name; }

class SharedRegistrationTest : public ::testing::TestWithParam<EffectCase> {};

TEST_P(SharedRegistrationTest, RegistersTheTables)
{
    const EffectCase& e = GetParam();
    HostSimulation sim(e.entry);
    ASSERT_EQ(sim.setUp(), PF_Err_NONE);
    const auto& registered = sim.registrations();
    const std::vector<Expected> rows = expectedRegistrations(e);
    ASSERT_EQ(registered.size(), 1 + rows.size());   // the view pop-up first
    EXPECT_EQ(sim.parameterCount(), int(registered.size()) + 1);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Expected& want = rows[i];
        const PF_ParamDef& def = registered[i + 1].def;
        SCOPED_TRACE(::testing::Message() << e.name << " id " << e.firstId + int(i));
        EXPECT_EQ(def.id, e.firstId + int(i));
        EXPECT_EQ(def.param_type, want.type);
        EXPECT_EQ(registered[i + 1].name, gbk(want.label));
        const bool supervised = i == 1;   // the selection check box
        const A_long supervise = supervised ? PF_ParamFlag_SUPERVISE : 0;
        EXPECT_EQ(def.flags, PF_ParamFlag_COLLAPSE_TWIRLY | supervise);
        EXPECT_EQ(def.ui_flags, 0);
        switch (want.type) {
        case PF_Param_FLOAT_SLIDER:
            EXPECT_EQ(def.u.fs_d.dephault, float(want.dflt));
            EXPECT_EQ(def.u.fs_d.value, float(want.dflt));
            EXPECT_EQ(def.u.fs_d.valid_min, want.validMin);
            EXPECT_EQ(def.u.fs_d.valid_max, want.validMax);
            EXPECT_EQ(def.u.fs_d.slider_min, want.sliderMin);
            EXPECT_EQ(def.u.fs_d.slider_max, want.sliderMax);
            EXPECT_EQ(def.u.fs_d.precision, 3);
            EXPECT_EQ(def.u.fs_d.display_flags, 0);
            break;
        case PF_Param_ANGLE:
            EXPECT_EQ(def.u.ad.dephault, 0);
            break;
        case PF_Param_CHECKBOX:
            EXPECT_EQ(def.u.bd.dephault, want.dflt != 0);
            EXPECT_EQ(def.u.bd.value, want.dflt != 0 ? 1 : 0);
            break;
        case PF_Param_LAYER:
            EXPECT_EQ(def.u.ld.dephault, PF_LayerDefault_NONE);
            break;
        default:
            break;
        }
    }
}


TEST_P(SharedRegistrationTest, EnablingFollowsViewAndCheckBoxes)
{
    const EffectCase& e = GetParam();
    HostSimulation sim(e.entry);
    ASSERT_EQ(sim.setUp(), PF_Err_NONE);
    const PF_ParamIndex viewIndex = sim.indexOfId(1);
    const PF_ParamIndex selectionIndex = sim.indexOfId(e.firstId + 1);
    const PF_ParamIndex channelIndex = sim.indexOfId(e.firstId + 26);
    const PF_ParamIndex offsetIndex = sim.indexOfId(e.firstId + 33);

    auto disabled = [](int i, int view, bool selection, bool channel, bool offset) {
        return !testing::expectedEnabled(i, view, selection, channel, offset).value_or(true);
    };

    // A new instance: only the selection check box's default differs between the effects.
    ASSERT_EQ(sim.updateParamsUI(), PF_Err_NONE);
    for (int i = 0; i < kSharedControlCount; ++i)
        EXPECT_EQ(sim.isDisabled(sim.indexOfId(e.firstId + i)),
                  disabled(i, 1, e.selectionDefault, false, false))
            << "new instance, id " << e.firstId + i;

    for (int view = 1; view <= 3; ++view)
        for (int mask = 0; mask < 8; ++mask) {
            const bool selection = mask & 1, channel = mask & 2, offset = mask & 4;
            sim.setInt(viewIndex, view);
            sim.setInt(selectionIndex, selection);
            sim.setInt(channelIndex, channel);
            sim.setInt(offsetIndex, offset);
            ASSERT_EQ(sim.updateParamsUI(), PF_Err_NONE);
            for (int i = 0; i < kSharedControlCount; ++i) {
                const int id = e.firstId + i;
                EXPECT_EQ(sim.isDisabled(sim.indexOfId(id)),
                          disabled(i, view, selection, channel, offset))
                    << "view " << view << " selection " << selection << " channel " << channel
                    << " offset " << offset << " id " << id;
            }
        }
}

INSTANTIATE_TEST_SUITE_P(Effects, SharedRegistrationTest, ::testing::ValuesIn(kEffects),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace quorvane
