#pragma once
// Multiplies every channel of an image, in place, by the luma-times-alpha weight of a
// multiplier image of the same size.

#include "image/ChannelConversion.h"
#include "image/PixelArray.h"
#include "image/Premultiply.h"
#include "image/QuorvaneFilter.h"

namespace quorvane {

// Luma weights shared by the masks, the map channels and the blend modes.
constexpr double kLumaRed = 0.292687786;
constexpr double kLumaGreen = 0.552149646;
constexpr double kLumaBlue = 0.155162568;

template <class TargetArray, class MultiplierArray>
class MultImageFilter : public QuorvaneFilter {
public:
    using QuorvaneFilter::QuorvaneFilter;

    TargetArray target;
    MultiplierArray multiplier;
    int pass = 0;
    int passCount = 1;

    int run(int pass, int passCount)
    {
        this->pass = pass;
        this->passCount = passCount;
        return iterateRows(target.height, &MultImageFilter::processRow);
    }

    int processRow(int row, int count, int threadIndex)
    {
        const int result = host->noError();
        if (!target.data || !multiplier.data)
            return result;
        constexpr double s = inverseMax<MultiplierArray::MAX>();
        using Channel = typename TargetArray::channel_type;
        auto* out = target.row(row);
        const auto* mask = multiplier.row(row);
        for (int x = 0; x < target.width; ++x) {
            const Channels m = readChannels(mask[x]);
            const double weight = (kLumaRed * m.r + kLumaGreen * m.g + kLumaBlue * m.b) * m.a * s * s;
            const Channels c = readChannels(out[x]);
            out[x].alpha() = toChannel<Channel>(c.a * weight);
            out[x].red() = toChannel<Channel>(c.r * weight);
            out[x].green() = toChannel<Channel>(c.g * weight);
            out[x].blue() = toChannel<Channel>(c.b * weight);
        }
        return reportRow(row, count, pass, passCount, threadIndex);
    }
};

} // namespace quorvane
