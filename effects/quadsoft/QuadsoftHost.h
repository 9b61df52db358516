#pragma once
// Quadsoft's logic over a host type: its controls, their enabling, the map layer input and the
// render at each depth.

#include <string>

#include "QuadsoftEffect.h"
#include "QuadsoftParameters.h"
#include "host/RenderDescriptors.h"

namespace quorvane {

template <class Host>
class QuadsoftHost : public Host, public QuadsoftParameters {
public:
    QuadsoftHost(std::string displayName, std::string category, std::string description,
                 int versionMajor, int versionMinor, int versionBugfix)
        : Host(std::move(displayName), std::move(category), std::move(description), versionMajor,
               versionMinor, versionBugfix)
    {
    }

    xParameterList* parameters() override { return static_cast<QuadsoftParameters*>(this); }

    void updateParameterUI() override
    {
        const bool extended = mode.value() != kModeNormal;
        invertX.setEnabled(extended);
        invertY.setEnabled(extended);
        const bool mapChosen = map.isConnected();
        mapChannel.setEnabled(mapChosen);
        focus.setEnabled(mapChosen);
    }

    int layerInput(int i, std::string* name) override
    {
        if (i != 0)
            return -1;
        *name = map.def.key;
        return map.hostIndex;
    }

    int render8(ImageInfo* source, ImageInfo* output, InputImages* inputs) override
    {
        return render<Image8>(*source, *output, *inputs);
    }
    int render16(ImageInfo* source, ImageInfo* output, InputImages* inputs) override
    {
        return render<Image16>(*source, *output, *inputs);
    }
    int renderFloat(ImageInfo* source, ImageInfo* output, InputImages* inputs) override
    {
        return render<ImageFloat>(*source, *output, *inputs);
    }

private:
    // The pixel sizes are single-precision values. The rounding goes through memory: GCC 12
    // vectorises two neighbouring double -> float -> double conversions into one double
    // division and drops the rounding.
    static double singlePrecision(double value)
    {
        const volatile float rounded = static_cast<float>(value);
        return rounded;
    }

    template <class Array>
    int render(const ImageInfo& source, const ImageInfo& output, const InputImages& inputs)
    {
        QuadsoftEffect<Array> effect(this);
        effect.source = Array(source);
        effect.output = Array(output);
        effect.map = Array(inputs.get(map.def.key));
        effect.radius = radius.value();
        effect.aspect = aspect.value();
        effect.gamma = gamma.value();
        effect.edgeModeX = edgeX.value();
        effect.edgeModeY = edgeY.value();
        effect.mode = mode.value();
        effect.invertX = invertX.value();
        effect.invertY = invertY.value();
        effect.mapChannel = mapChannel.value();
        effect.focus = focus.value() * 0.00392156862745098;
        // One rendered pixel in full-resolution square pixels.
        effect.pixelSizeX = singlePrecision(output.pixelAspect / output.downsampleX);
        effect.pixelSizeY = singlePrecision(1 / output.downsampleY);
        return effect.run(0, 1);
    }
};

} // namespace quorvane
