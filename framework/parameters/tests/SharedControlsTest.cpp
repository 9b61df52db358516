// The shared control groups: definitions for each effect's ids, the enabling rules, reading the
// selection settings, and the blend-mode items. Expected texts are written in UTF-8 here and
// converted to GBK independently of the code under test.

#include <gtest/gtest.h>

#include <cfloat>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "parameters/SharedControls.h"
#include "parameters/tests/SharedControlsExpectations.h"

namespace quorvane {
namespace {

using testing::gbk;

TEST(Gbk, ConverterGivesCodePage936Bytes)
{
    EXPECT_EQ(gbk("选择图层"), "\xD1\xA1\xD4\xF1\xCD\xBC\xB2\xE3");
    EXPECT_EQ(gbk("alpha 通道"), "alpha \xCD\xA8\xB5\xC0");
}

// ---- Test doubles of the kind bases: values set by the test, setEnabled recorded ----

struct EnableCall {
    int id;
    bool enabled;
};
std::vector<EnableCall>* gCalls = nullptr;
int gFailWith = 0;

template <class Kind>
class Recording : public Kind {
public:
    int setEnabled(bool e) override
    {
        if (gCalls)
            gCalls->push_back({this->def.id, e});
        enabled = e;
        return gFailWith;
    }
    std::optional<bool> enabled;   // unset: never called
};

using FakeGroup = Recording<xGroupBase>;
using FakeGroupEnd = Recording<xGroupEndBase>;

class FakeFloat : public Recording<xFloatBase> {
public:
    double value() override { return current.value_or(def.defaultValue); }
    double valueAt(double) override { return value(); }
    void setValue(double v) override { current = v; }
    std::optional<double> current;
};

class FakeAngle : public Recording<xAngleBase> {
public:
    double value() override { return current.value_or(def.defaultValue); }
    double valueAt(double) override { return value(); }
    std::optional<double> current;
};

class FakeCheckbox : public Recording<xCheckboxBase> {
public:
    bool value() override { return current.value_or(def.defaultValue); }
    bool valueAt(double) override { return value(); }
    std::optional<bool> current;
};

class FakeLayer : public Recording<xLayerBase> {
public:
    bool isConnected() override { return false; }
};

using FakeSharedControls =
    SharedControls<FakeGroup, FakeGroupEnd, FakeFloat, FakeAngle, FakeCheckbox, FakeLayer>;

// ---- Expected definitions, from the control tables ----

enum class Kind { Group, GroupEnd, Float, Angle, Checkbox, Layer };

struct Row {
    Kind kind;
    std::string label;   // UTF-8
    std::string key;     // UTF-8; empty: the label
    double dflt = 0;
    double sliderMin = 0, sliderMax = 0, validMin = 0, validMax = 0;
    int precision = 0;
    std::string shortName;
};

struct EffectCase {
    const char* name;
    SharedControlOptions (*options)();
    int firstId;
    double offsetSliderMax;
    int offsetPrecision;
    const char* channelLabel;
    const char* offsetLabel;
    bool selectionDefault;
    double luminanceStart;
};

const EffectCase kEffects[] = {
    {"glow", &SharedControlOptions::glow, 9, 255, 3, "-> 通道 控制...", "-> 颜色 偏置...", false, 0},
    {"spokewash", &SharedControlOptions::spokewash, 17, 360, 2, "-> 通道控制...", "-> 颜色偏置...",
     false, 0},
    {"highlight", &SharedControlOptions::highlight, 8, 255, 3, "-> 通道控制...", "-> 颜色偏置...",
     true, 200},
};

std::vector<Row> expectedRows(const EffectCase& e)
{
    const double huge = DBL_MAX;
    std::vector<Row> rows;
    rows.push_back({Kind::Group, "-> 选择...", "选择组", 0, 0, 0, 0, 0, 0, "selection_group"});
    rows.push_back({Kind::Checkbox, "启用", "选择启用", e.selectionDefault ? 1.0 : 0.0, 0, 0, 0, 0, 0,
                    "selection_enable"});
    rows.push_back({Kind::Layer, "选择图层", "", 0, 0, 0, 0, 0, 0, "selection_layer"});
    struct Sub {
        const char* group;
        const char* key;
        const char* stem;
        const char* name;
        double start;
    };
    const Sub subs[] = {{"-> 亮度...", "亮度组", "亮度", "luminance", e.luminanceStart},
                        {"->色相...", "色相组", "色相", "hue", 0},
                        {"-> 饱和度...", "饱和度组", "饱和度", "saturation", 0}};
    for (const Sub& s : subs) {
        const std::string stem = s.stem;
        const std::string name = s.name;
        rows.push_back({Kind::Group, s.group, s.key, 0, 0, 0, 0, 0, 0, name + "_group"});
        rows.push_back({Kind::Float, stem + "开始", "", s.start, 0, 255, -huge, huge, 3, name + "_start"});
        rows.push_back({Kind::Float, stem + "结束", "", 255, 0, 255, -huge, huge, 3, name + "_end"});
        rows.push_back({Kind::Float, stem + "最顶点", "", 1, -1, 1, -1, 1, 3, name + "_peak"});
        rows.push_back({Kind::Float, stem + "柔和", "", 0, 0, 3, 0, huge, 3, name + "_softness"});
        rows.push_back({Kind::Angle, stem + "偏移量", "", 0, 0, e.offsetSliderMax, -huge, huge,
                        e.offsetPrecision, name + "_offset"});
        rows.push_back({Kind::GroupEnd, "", "", 0, 0, 0, 0, 0, 0, name + "_group_end"});
    }
    rows.push_back({Kind::GroupEnd, "", "", 0, 0, 0, 0, 0, 0, "selection_group_end"});
    rows.push_back({Kind::Group, e.channelLabel, "通道组", 0, 0, 0, 0, 0, 0, "channel_group"});
    rows.push_back({Kind::Checkbox, "启用", "通道启用", 0, 0, 0, 0, 0, 0, "channel_enable"});
    rows.push_back({Kind::Float, "红色", "红色通道", 1, 0, 1, 0, huge, 3, "channel_red"});
    rows.push_back({Kind::Float, "绿色", "绿色通道", 1, 0, 1, 0, huge, 3, "channel_green"});
    rows.push_back({Kind::Float, "蓝色", "蓝色通道", 1, 0, 1, 0, huge, 3, "channel_blue"});
    rows.push_back({Kind::Float, "alpha", "alpha 通道", 1, 0, 1, 0, huge, 3, "channel_alpha"});
    rows.push_back({Kind::GroupEnd, "", "", 0, 0, 0, 0, 0, 0, "channel_group_end"});
    rows.push_back({Kind::Group, e.offsetLabel, "偏置组", 0, 0, 0, 0, 0, 0, "offset_group"});
    rows.push_back({Kind::Checkbox, "启用", "偏置启用", 0, 0, 0, 0, 0, 0, "offset_enable"});
    rows.push_back({Kind::Float, "色相", "偏置色相", 0, -1, 1, -1, 1, 3, "offset_hue"});
    rows.push_back({Kind::Float, "饱和度", "偏置饱和度", 0, -1, 1, -1, 1, 3, "offset_saturation"});
    rows.push_back({Kind::Float, "亮度", "偏置亮度", 0, -1, 1, -1, 1, 3, "offset_luminance"});
    rows.push_back({Kind::GroupEnd, "", "", 0, 0, 0, 0, 0, 0, "offset_group_end"});
    return rows;
}

template <class Def>
void expectRanges(const xParameterBase* p, const Row& row)
{
    const auto* def = dynamic_cast<const Def*>(&p->definition());
    ASSERT_NE(def, nullptr);
    EXPECT_EQ(def->defaultValue, row.dflt);
    EXPECT_EQ(def->sliderMin, row.sliderMin);
    EXPECT_EQ(def->sliderMax, row.sliderMax);
    EXPECT_EQ(def->validMin, row.validMin);
    EXPECT_EQ(def->validMax, row.validMax);
    EXPECT_EQ(def->precision, row.precision);
}

void PrintTo(const EffectCase& e, std::ostream* os) { *os << e.name; }

class SharedDefinitionsTest : public ::testing::TestWithParam<EffectCase> {};

TEST_P(SharedDefinitionsTest, MatchTheTables)
{
    const EffectCase& e = GetParam();
    FakeSharedControls controls;
    xParameterList list;
    defineSharedControls(controls.refs(), list, e.options());
    const std::vector<Row> rows = expectedRows(e);
    ASSERT_EQ(rows.size(), std::size_t(kSharedControlCount));
    ASSERT_EQ(list.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Row& row = rows[i];
        const xParameterBase* p = list.at(i);
        const xParameterDef& d = p->definition();
        SCOPED_TRACE(::testing::Message() << e.name << " row " << i << " " << row.shortName);
        EXPECT_EQ(d.id, e.firstId + int(i));
        EXPECT_EQ(d.label, gbk(row.label));
        EXPECT_EQ(d.key, gbk(row.key.empty() ? row.label : row.key));
        EXPECT_EQ(d.shortName, row.shortName);
        EXPECT_EQ(d.supervised, row.shortName == "selection_enable");
        EXPECT_TRUE(d.animatable);
        EXPECT_FALSE(d.hidden);
        EXPECT_TRUE(d.startCollapsed);
        EXPECT_TRUE(d.enabled);
        switch (row.kind) {
        case Kind::Group:
            EXPECT_NE(dynamic_cast<const xGroupBase*>(p), nullptr);
            break;
        case Kind::GroupEnd:
            EXPECT_NE(dynamic_cast<const xGroupEndBase*>(p), nullptr);
            break;
        case Kind::Layer:
            EXPECT_NE(dynamic_cast<const xLayerBase*>(p), nullptr);
            break;
        case Kind::Checkbox: {
            const auto* def = dynamic_cast<const xCheckboxDef*>(&d);
            ASSERT_NE(def, nullptr);
            EXPECT_EQ(def->defaultValue, row.dflt != 0);
            break;
        }
        case Kind::Float:
            expectRanges<xFloatDef>(p, row);
            break;
        case Kind::Angle:
            expectRanges<xAngleDef>(p, row);
            break;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Effects, SharedDefinitionsTest, ::testing::ValuesIn(kEffects),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SharedDefinitions, AppendAfterTheEffectsOwnControls)
{
    FakeSharedControls controls;
    FakeGroup own;
    xParameterList list;
    list.append(&own);
    defineSharedControls(controls.refs(), list, SharedControlOptions::glow());
    ASSERT_EQ(list.size(), 39u);
    EXPECT_EQ(list.at(0), &own);
    EXPECT_EQ(list.at(1), &controls.selectionGroup);
    EXPECT_EQ(list.at(38), &controls.offsetGroupEnd);
}

// ---- Enabling ----

class SharedEnablingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        defineSharedControls(c.refs(), list, SharedControlOptions::glow());
        gCalls = &calls;
        gFailWith = 0;
    }
    void TearDown() override
    {
        gCalls = nullptr;
        gFailWith = 0;
    }

    FakeSharedControls c;
    xParameterList list;
    std::vector<EnableCall> calls;
};


TEST_F(SharedEnablingTest, FollowTheViewAndTheCheckBoxes)
{
    for (int view = 1; view <= 3; ++view)
        for (int mask = 0; mask < 8; ++mask) {
            const bool selection = mask & 1, channel = mask & 2, offset = mask & 4;
            c.selectionEnable.current = selection;
            c.channelEnable.current = channel;
            c.offsetEnable.current = offset;
            calls.clear();
            ASSERT_EQ(enableSharedControls(c.refs(), view), 0);
            std::vector<std::optional<bool>> seen(kSharedControlCount);
            for (const EnableCall& call : calls) {
                const int i = call.id - 9;
                ASSERT_TRUE(i >= 0 && i < kSharedControlCount);
                EXPECT_FALSE(seen[i].has_value()) << "id " << call.id << " set twice";
                seen[i] = call.enabled;
            }
            for (int i = 0; i < kSharedControlCount; ++i) {
                SCOPED_TRACE(::testing::Message() << "view " << view << " selection " << selection
                                                  << " channel " << channel << " offset " << offset
                                                  << " id " << 9 + i);
                EXPECT_EQ(seen[i], testing::expectedEnabled(i, view, selection, channel, offset));
            }
        }
}

TEST_F(SharedEnablingTest, StopsAtTheFirstError)
{
    gFailWith = 516;
    EXPECT_EQ(enableSharedControls(c.refs(), 1), 516);
    EXPECT_EQ(calls.size(), 1u);
}

// ---- Reading the selection settings ----

TEST(SharedReading, ScalesStartsEndsAndOffsets)
{
    FakeSharedControls c;
    xParameterList list;
    defineSharedControls(c.refs(), list, SharedControlOptions::highlight());
    HslSelectionParams p = readSelectionParams(c.refs(), 1);
    EXPECT_TRUE(p.enabled);   // on by default in highlight
    EXPECT_FALSE(p.selectionOnly);
    EXPECT_DOUBLE_EQ(p.lumStart, 200 / 255.0);
    EXPECT_DOUBLE_EQ(p.lumEnd, 1);
    EXPECT_EQ(p.hueStart, 0);
    EXPECT_EQ(p.huePeak, 1);

    c.selectionEnable.current = false;
    c.hue.start.current = 51;
    c.hue.end.current = 102;
    c.hue.peak.current = -0.5;
    c.hue.softness.current = 2;
    c.hue.offset.current = 90;
    c.saturation.offset.current = -720;
    c.luminance.softness.current = 0.25;
    p = readSelectionParams(c.refs(), 3);
    EXPECT_FALSE(p.enabled);
    EXPECT_TRUE(p.selectionOnly);
    EXPECT_DOUBLE_EQ(p.hueStart, 0.2);
    EXPECT_DOUBLE_EQ(p.hueEnd, 0.4);
    EXPECT_EQ(p.huePeak, -0.5);
    EXPECT_EQ(p.hueSoftness, 2);
    EXPECT_DOUBLE_EQ(p.hueOffset, 0.25);
    EXPECT_DOUBLE_EQ(p.satOffset, -2);
    EXPECT_EQ(p.lumSoftness, 0.25);
    EXPECT_FALSE(readSelectionParams(c.refs(), 2).selectionOnly);
}

// ---- Blend-mode items ----

TEST(BlendModeItems, TwentyThreeInPopupOrder)
{
    const char* expected[] = {"正常",     "最大影响", "屏幕",      "叠加",      "添加",     "减少",
                              "正片叠底", "分线",     "差值",      "排除",      "减淡",     "变暗",
                              "最大值",   "最小值",   "色相",      "饱和度",    "颜色",     "亮度",
                              "alpha添加", "alpha副", "alpha多元", "alpha替换", "(无) 替换"};
    xChoiceDef def("blend", "", 8, 3);
    appendBlendModeItems(def);
    ASSERT_EQ(def.items.size(), 23u);
    for (std::size_t i = 0; i < 23; ++i)
        EXPECT_EQ(def.items[i], gbk(expected[i])) << "item " << i + 1;
}

} // namespace
} // namespace quorvane
