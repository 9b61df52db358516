#pragma once
// Weights every source pixel by how well the selection layer's colour at that place falls
// into the hue, saturation and luminance ranges. The output is premultiplied: every channel,
// alpha included, is the source's times alpha/MAX times the weight.

#include "image/ChannelConversion.h"
#include "image/HslSelection.h"
#include "image/PixelArray.h"
#include "image/QuorvaneFilter.h"

namespace quorvane {

template <class SourceArray, class OutputArray, class LayerArray>
class HslRangeSelectionFilter : public QuorvaneFilter {
public:
    using QuorvaneFilter::QuorvaneFilter;
    static_assert(SourceArray::MAX == OutputArray::MAX,
                  "the output keeps the source's full scale");
    static constexpr int MAX = OutputArray::MAX;

    SourceArray source;
    OutputArray output;
    LayerArray layer;    // aligned to the output through the origins
    HslSelectionParams params;
    int pass = 0;
    int passCount = 1;

    int run(int pass, int passCount)
    {
        this->pass = pass;
        this->passCount = passCount;
        return iterateRows(output.height, &HslRangeSelectionFilter::processRow);
    }

    int processRow(int y, int count, int threadIndex)
    {
        const int result = host->noError();
        if (!output.data)
            return result;
        const HslSelectionCurve curve = prepareSelectionCurve(params);
        const bool haveSource = source.data != nullptr;
        auto* out = output.row(y);
        for (int x = 0; x < output.width; ++x) {
            Channels c;   // outside the source: transparent black
            if (haveSource && source.contains(x, y))
                c = params.enabled ? selected(x, y, curve) : unselected(x, y);
            store(out[x], c);
        }
        return reportRow(y, count, pass, passCount, threadIndex);
    }

    // Weight of the layer pixel that lies under output pixel (x, y); 0 outside the layer.
    double layerWeight(int x, int y, const HslSelectionCurve& curve) const
    {
        const int lx = x + output.originX - layer.originX;
        const int ly = y + output.originY - layer.originY;
        if (!layer.data || !layer.contains(lx, ly))
            return 0;
        using LayerPixel = typename LayerArray::pixel_type;
        using LayerChannel = typename LayerArray::channel_type;
        LayerPixel p = layer.at(lx, ly);
        if (!layer.premultiplied) {
            const float a = static_cast<float>(p.alpha());
            constexpr float k = layerInverseMax();
            p.red() = toChannel<LayerChannel>(static_cast<float>(p.red()) * a * k);
            p.green() = toChannel<LayerChannel>(static_cast<float>(p.green()) * a * k);
            p.blue() = toChannel<LayerChannel>(static_cast<float>(p.blue()) * a * k);
        }
        return selectionWeight(p, curve);
    }

private:
    // 1/MAX of the layer in single precision, as the layer is premultiplied in floats.
    static constexpr float layerInverseMax()
    {
        if constexpr (LayerArray::MAX == 255)
            return 0.003921569f;
        else if constexpr (LayerArray::MAX == 32768)
            return 0.000030517578125f;
        else
            return 1.0f / LayerArray::MAX;
    }

    // Every source is taken as straight, whatever its flag says.
    Channels selected(int x, int y, const HslSelectionCurve& curve) const
    {
        const double w = layerWeight(x, y, curve);
        const Channels s = readChannels(source.at(x, y));
        const double k = s.a / MAX;
        if (params.selectionOnly) {
            const double grey = w * MAX;
            return {s.a * k, grey, grey, grey};
        }
        return {s.a * k * w, s.r * k * w, s.g * k * w, s.b * k * w};
    }

    Channels unselected(int x, int y) const
    {
        if (params.selectionOnly)
            return {double(MAX), double(MAX), double(MAX), double(MAX)};
        const Channels s = readChannels(source.at(x, y));
        const double k = s.a / MAX;
        return {s.a * k, s.r * k, s.g * k, s.b * k};
    }

    static void store(typename OutputArray::pixel_type& out, const Channels& c)
    {
        using Channel = typename OutputArray::channel_type;
        out.alpha() = toChannel<Channel>(c.a);
        out.red() = toChannel<Channel>(c.r);
        out.green() = toChannel<Channel>(c.g);
        out.blue() = toChannel<Channel>(c.b);
    }
};

} // namespace quorvane
