// Compiled with GBK narrow literals: every text here is handed to the host.

#include "parameters/SharedControls.h"

#include <limits>
#include <string>

namespace quorvane {

namespace {

constexpr double kHuge = std::numeric_limits<double>::max();
constexpr int kValuePrecision = 3;

const char* const kBlendModeItems[] = {
    "正常",     "最大影响", "屏幕",     "叠加",      "添加",     "减少",
    "正片叠底", "分线",     "差值",     "排除",      "减淡",     "变暗",
    "最大值",   "最小值",   "色相",     "饱和度",    "颜色",     "亮度",
    "alpha添加", "alpha副", "alpha多元", "alpha替换", "(无) 替换",
};
static_assert(sizeof(kBlendModeItems) / sizeof(kBlendModeItems[0]) == 23);

// Texts and names of one range subgroup.
struct RangeTexts {
    const char* groupLabel;
    const char* groupKey;
    const char* start;
    const char* end;
    const char* peak;
    const char* softness;
    const char* offset;
    const char* name;   // stem of the short names
};

const RangeTexts kLuminance{"-> 亮度...", "亮度组", "亮度开始", "亮度结束", "亮度最顶点",
                            "亮度柔和", "亮度偏移量", "luminance"};
const RangeTexts kHue{"->色相...", "色相组", "色相开始", "色相结束", "色相最顶点",
                      "色相柔和", "色相偏移量", "hue"};
const RangeTexts kSaturation{"-> 饱和度...", "饱和度组", "饱和度开始", "饱和度结束",
                             "饱和度最顶点", "饱和度柔和", "饱和度偏移量", "saturation"};

// Gives ids in user-interface order and appends each control as it is defined.
class Definer {
public:
    Definer(xParameterList& list, int firstId) : list_(list), nextId_(firstId) {}

    template <class Control, class Def>
    void define(Control& control, Def def, const std::string& shortName)
    {
        def.shortName = shortName;
        control.def = def;
        list_.append(&control);
    }

    int nextId() { return nextId_++; }

    void group(xGroupBase& g, const char* label, const char* key, const std::string& name)
    {
        define(g, xGroupDef(label, key, nextId()), name + "_group");
    }
    void groupEnd(xGroupEndBase& g, const std::string& name)
    {
        define(g, xGroupEndDef("", "", nextId()), name + "_group_end");
    }
    void checkbox(xCheckboxBase& c, const char* key, bool dflt, const std::string& name)
    {
        define(c, xCheckboxDef("启用", key, nextId(), dflt), name);
    }
    void value(xFloatBase& f, const char* label, const char* key, double dflt, double sliderMin,
               double sliderMax, double validMin, double validMax, const std::string& name)
    {
        define(f, xFloatDef(label, key, nextId(), dflt, sliderMin, sliderMax, validMin, validMax,
                            kValuePrecision),
               name);
    }

private:
    xParameterList& list_;
    int nextId_;
};

void defineRange(Definer& d, const RangeControlRefs& c, const RangeTexts& t,
                 double startDefault, const SharedControlOptions& options)
{
    const std::string name = t.name;
    d.group(c.group, t.groupLabel, t.groupKey, name);
    d.value(c.start, t.start, "", startDefault, 0, 255, -kHuge, kHuge, name + "_start");
    d.value(c.end, t.end, "", 255, 0, 255, -kHuge, kHuge, name + "_end");
    d.value(c.peak, t.peak, "", 1, -1, 1, -1, 1, name + "_peak");
    d.value(c.softness, t.softness, "", 0, 0, 3, 0, kHuge, name + "_softness");
    d.define(c.offset,
             xAngleDef(t.offset, "", d.nextId(), 0, 0, options.offsetSliderMax, -kHuge, kHuge,
                       options.offsetPrecision),
             name + "_offset");
    d.groupEnd(c.groupEnd, name);
}

int firstError(std::initializer_list<std::pair<xParameterBase*, bool>> changes)
{
    for (const auto& [control, enabled] : changes) {
        const int error = control->setEnabled(enabled);
        if (error != 0)
            return error;
    }
    return 0;
}

int enableRange(const RangeControlRefs& c, bool on)
{
    return firstError({{&c.group, on},
                       {&c.start, on},
                       {&c.end, on},
                       {&c.peak, on},
                       {&c.softness, on},
                       {&c.offset, on},
                       {&c.groupEnd, on}});
}

void readRange(const RangeControlRefs& c, double& start, double& end, double& peak,
               double& softness, double& offset)
{
    start = c.start.value() / 255;
    end = c.end.value() / 255;
    peak = c.peak.value();
    softness = c.softness.value();
    offset = c.offset.value() / 360;
}

} // namespace

void appendBlendModeItems(xChoiceDef& def)
{
    for (const char* item : kBlendModeItems)
        def.addItem(item);
}

SharedControlOptions SharedControlOptions::glow()
{
    SharedControlOptions o;
    o.firstId = 9;
    o.spacedGroupLabels = true;
    return o;
}

SharedControlOptions SharedControlOptions::spokewash()
{
    SharedControlOptions o;
    o.firstId = 17;
    o.offsetSliderMax = 360;
    o.offsetPrecision = 2;
    return o;
}

SharedControlOptions SharedControlOptions::highlight()
{
    SharedControlOptions o;
    o.firstId = 8;
    o.selectionDefault = true;
    o.luminanceStartDefault = 200;
    return o;
}

void defineSharedControls(const SharedControlRefs& c, xParameterList& list,
                          const SharedControlOptions& options)
{
    Definer d(list, options.firstId);
    d.group(c.selectionGroup, "-> 选择...", "选择组", "selection");
    d.checkbox(c.selectionEnable, "选择启用", options.selectionDefault, "selection_enable");
    // The host reports changes of the check box at once, so the enabling follows it.
    c.selectionEnable.def.supervised = true;
    d.define(c.selectionLayer, xLayerDef("选择图层", "", d.nextId(), false, false),
             "selection_layer");
    defineRange(d, c.luminance, kLuminance, options.luminanceStartDefault, options);
    defineRange(d, c.hue, kHue, 0, options);
    defineRange(d, c.saturation, kSaturation, 0, options);
    d.groupEnd(c.selectionGroupEnd, "selection");

    d.group(c.channelGroup, options.spacedGroupLabels ? "-> 通道 控制..." : "-> 通道控制...",
            "通道组", "channel");
    d.checkbox(c.channelEnable, "通道启用", false, "channel_enable");
    d.value(c.channelRed, "红色", "红色通道", 1, 0, 1, 0, kHuge, "channel_red");
    d.value(c.channelGreen, "绿色", "绿色通道", 1, 0, 1, 0, kHuge, "channel_green");
    d.value(c.channelBlue, "蓝色", "蓝色通道", 1, 0, 1, 0, kHuge, "channel_blue");
    d.value(c.channelAlpha, "alpha", "alpha 通道", 1, 0, 1, 0, kHuge, "channel_alpha");
    d.groupEnd(c.channelGroupEnd, "channel");

    d.group(c.offsetGroup, options.spacedGroupLabels ? "-> 颜色 偏置..." : "-> 颜色偏置...",
            "偏置组", "offset");
    d.checkbox(c.offsetEnable, "偏置启用", false, "offset_enable");
    d.value(c.offsetHue, "色相", "偏置色相", 0, -1, 1, -1, 1, "offset_hue");
    d.value(c.offsetSaturation, "饱和度", "偏置饱和度", 0, -1, 1, -1, 1, "offset_saturation");
    d.value(c.offsetLuminance, "亮度", "偏置亮度", 0, -1, 1, -1, 1, "offset_luminance");
    d.groupEnd(c.offsetGroupEnd, "offset");
}

int enableSharedControls(const SharedControlRefs& c, int view)
{
    const bool normal = view == 1;
    const bool channels = normal && c.channelEnable.value();
    const bool offsets = normal && c.offsetEnable.value();
    const bool selection = c.selectionEnable.value();
    int error = firstError({{&c.channelRed, channels},
                            {&c.channelGreen, channels},
                            {&c.channelBlue, channels},
                            {&c.channelAlpha, channels},
                            {&c.offsetHue, offsets},
                            {&c.offsetSaturation, offsets},
                            {&c.offsetLuminance, offsets},
                            {&c.channelGroup, normal},
                            {&c.channelEnable, normal},
                            {&c.channelGroupEnd, normal},
                            {&c.offsetGroup, normal},
                            {&c.offsetEnable, normal},
                            {&c.offsetGroupEnd, normal},
                            {&c.selectionLayer, selection}});
    for (const RangeControlRefs* range : {&c.luminance, &c.hue, &c.saturation}) {
        if (error == 0)
            error = enableRange(*range, selection);
    }
    return error;
}

HslSelectionParams readSelectionParams(const SharedControlRefs& c, int view)
{
    HslSelectionParams p;
    p.selectionOnly = view == 3;
    p.enabled = c.selectionEnable.value();
    readRange(c.hue, p.hueStart, p.hueEnd, p.huePeak, p.hueSoftness, p.hueOffset);
    readRange(c.saturation, p.satStart, p.satEnd, p.satPeak, p.satSoftness, p.satOffset);
    readRange(c.luminance, p.lumStart, p.lumEnd, p.lumPeak, p.lumSoftness, p.lumOffset);
    return p;
}

} // namespace quorvane
