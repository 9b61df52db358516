#include "QuadsoftParameters.h"

#include <limits>

namespace quorvane {

namespace {

// Edge modes in the order of EdgeClamp, EdgeMirror, EdgeWrap.
xChoiceDef edgeModeChoice(const char* label, int id, const char* shortName)
{
    xChoiceDef def(label, "", id, 1);
    def.addItem("边框颜色");
    def.addItem("镜像的图像");
    def.addItem("重复的图像");
    def.shortName = shortName;
    return def;
}

template <class Def>
Def named(Def def, const char* shortName)
{
    def.shortName = shortName;
    return def;
}

} // namespace

QuadsoftParameters::QuadsoftParameters()
{
    constexpr double largest = std::numeric_limits<double>::max();
    radius.def = named(xFloatDef("半径", "", 1, 5, 0, 100, 0, largest, 3), "radius");
    aspect.def = named(xFloatDef("长宽", "", 2, 0, -1, 1, -1, 1, 3), "aspect");
    gamma.def = named(xCheckboxDef("伽马校正", "", 3, true), "gamma_correction");
    edgeX.def = edgeModeChoice("外部 x 采取", 4, "edge_x");
    edgeY.def = edgeModeChoice("外部 y 采取", 5, "edge_y");

    xChoiceDef modeDef("模式", "", 6, kModeNormal);
    modeDef.addItem("正常");
    modeDef.addItem("扩展");
    mode.def = named(modeDef, "mode");

    invertX.def = named(xCheckboxDef("反相渐变 x", "", 7, false), "invert_x");
    invertY.def = named(xCheckboxDef("反相渐变 y", "", 8, false), "invert_y");
    map.def = named(xLayerDef("偏移的图层", "", 9, false, false), "map_layer");

    xChoiceDef channelDef("偏移的通道", "", 10, 1);
    channelDef.addItem("亮度");
    channelDef.addItem("alpha 通道");
    channelDef.addItem("红色通道");
    channelDef.addItem("绿色通道");
    channelDef.addItem("蓝色通道");
    mapChannel.def = named(channelDef, "map_channel");

    focus.def = named(xFloatDef("聚焦", "", 11, 0, 0, 255, -9999, 9999, 3), "focus");

    append({&radius, &aspect, &gamma, &edgeX, &edgeY, &mode, &invertX, &invertY, &map,
            &mapChannel, &focus});
}

} // namespace quorvane
