#pragma once
// Chooses and configures one of the three box-filter blurs for a render.

#include "image/AbberationBlurFilter.h"
#include "image/MaskedQuadsoftFilter.h"
#include "image/PixelArray.h"
#include "image/QuadsoftFilter.h"
#include "image/QuorvaneFilter.h"

namespace quorvane {

template <class Array>
class QuadsoftEffect : public QuorvaneFilter {
public:
    using QuorvaneFilter::QuorvaneFilter;

    // 8-bit and 16-bit blur through the gamma tables, float through the formulas.
    static constexpr int kPrecise = Array::pixel_type::isInteger ? 0 : 1;

    Array source;
    Array output;
    Array map;
    double radius = 0;
    double aspect = 0;        // overwritten by run with the mix factor
    double focus = 0;         // 0..1
    int edgeModeX = EdgeClamp;
    int edgeModeY = EdgeClamp;
    int mode = 1;
    bool gamma = false;
    bool invertX = false;
    bool invertY = false;
    int mapChannel = 1;
    double pixelSizeX = 1;
    double pixelSizeY = 1;

    int run(int, int)
    {
        aspect = (aspect + 1) * 0.5;
        const double rx = aspect * radius * 2;
        const double ry = (1 - aspect) * radius * 2;
        if (mode == 1)
            return map.valid ? runMasked(rx, ry) : runPlain(rx, ry);
        return runAberrated(rx, ry);
    }

private:
    template <class Filter>
    void configure(Filter& filter, double rx, double ry) const
    {
        filter.source = source;
        filter.destination = output;
        filter.radiusX = rx;
        filter.radiusY = ry;
        filter.pixelSizeX = pixelSizeX;
        filter.pixelSizeY = pixelSizeY;
        filter.edgeModeX = edgeModeX;
        filter.edgeModeY = edgeModeY;
        filter.gamma = gamma;
    }

    int runPlain(double rx, double ry)
    {
        QuadsoftFilter<Array, kPrecise> filter(host);
        configure(filter, rx, ry);
        return filter.run(0, 1);
    }

    int runMasked(double rx, double ry)
    {
        MaskedQuadsoftFilter<Array> filter(host);
        configure(filter, rx, ry);
        filter.map = map;
        filter.focus = focus;
        filter.mapChannel = mapChannel;
        filter.mapOffsetX = source.originX - map.originX;
        filter.mapOffsetY = source.originY - map.originY;
        return filter.run(0, 1);
    }

    int runAberrated(double rx, double ry)
    {
        AbberationBlurFilter<Array> filter(host);
        configure(filter, rx, ry);
        filter.map = map;
        filter.focus = focus;
        filter.mapChannel = mapChannel;
        filter.invertX = invertX;
        filter.invertY = invertY;
        return filter.run(0, 1);
    }
};

} // namespace quorvane
