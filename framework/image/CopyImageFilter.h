#pragma once
// Copies one image into another of the same or another depth, with an offset and a choice
// of the destination's alpha storage.

#include <algorithm>
#include <type_traits>

#include "image/ChannelConversion.h"
#include "image/PixelArray.h"
#include "image/Premultiply.h"
#include "image/QuorvaneFilter.h"

namespace quorvane {

template <class SourceArray, class DestinationArray>
class CopyImageFilter : public QuorvaneFilter {
public:
    using QuorvaneFilter::QuorvaneFilter;
    using SourcePixel = typename SourceArray::pixel_type;
    using DestinationPixel = typename DestinationArray::pixel_type;
    static constexpr int MAX = DestinationArray::MAX;

    enum AlphaMode { SameAsSource = 0, Premultiplied = 1, Straight = 2 };

    SourceArray source;
    DestinationArray destination;
    int alphaMode = SameAsSource;
    int offsetX = 0;
    int offsetY = 0;
    int pass = 0;
    int passCount = 1;

    int run(int pass, int passCount)
    {
        this->pass = pass;
        this->passCount = passCount;
        destination.premultiplied = alphaMode == Premultiplied ? true
                                    : alphaMode == Straight    ? false
                                                               : source.premultiplied;
        return iterateRows(destination.height, &CopyImageFilter::processRow);
    }

    int processRow(int row, int count, int threadIndex)
    {
        const int result = host->noError();
        if (!source.data || !destination.data)
            return result;
        constexpr bool clampFloat = !SourcePixel::isInteger && DestinationPixel::isInteger;
        DestinationPixel* out = destination.row(row);
        // In 64 bits: extreme offsets move the read outside the source, never overflow.
        const long long sy = static_cast<long long>(row) + offsetY;
        for (int x = 0; x < destination.width; ++x) {
            const long long sx = static_cast<long long>(x) + offsetX;
            Channels c{1, 0, 0, 0};   // one unit of alpha outside the source
            if (sx >= 0 && sy >= 0 && sx < source.width && sy < source.height) {
                c = readChannels(source.at(static_cast<int>(sx), static_cast<int>(sy)));
                if constexpr (clampFloat) {
                    c.a = std::clamp(c.a, 0.0, double(MAX));
                    c.r = std::clamp(c.r, 0.0, double(MAX));
                    c.g = std::clamp(c.g, 0.0, double(MAX));
                    c.b = std::clamp(c.b, 0.0, double(MAX));
                }
            }
            convertPremultiplication<MAX>(c, source.premultiplied, destination.premultiplied);
            using Channel = typename DestinationPixel::channel_type;
            out[x].alpha() = toChannel<Channel>(c.a);
            out[x].red() = toChannel<Channel>(c.r);
            out[x].green() = toChannel<Channel>(c.g);
            out[x].blue() = toChannel<Channel>(c.b);
        }
        return reportRow(row, count, pass, passCount, threadIndex);
    }
};

} // namespace quorvane
