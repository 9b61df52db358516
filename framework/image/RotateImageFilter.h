#pragma once
// Turns an image about its centre into a destination of any size, sampling the source
// bilinearly in doubles. Channels are interpolated as stored; no premultiplication changes.

#include <algorithm>
#include <cmath>

#include "image/ChannelConversion.h"
#include "image/EdgeMode.h"
#include "image/Pixel.h"
#include "image/PixelArray.h"
#include "image/QuorvaneFilter.h"

namespace quorvane {

// The fractional counterpart of resolveEdgeIndex: true when 0 <= x < n; otherwise rewrites x
// by mode and answers false. A coordinate no mode can place (NaN, or infinite under mirror
// and wrap) stays outside [0, n), as does every outside coordinate under EdgeNone; callers
// treat such a sample as absent.
inline bool resolveEdgeCoordinate(int mode, int n, double& x)
{
    if (x >= 0 && x < n)
        return true;
    if (n <= 0 || std::isnan(x))
        return false;
    const double length = n;
    const double almostLength = length - 0.0001;
    // q's parity, without converting a possibly huge quotient to an integer.
    const bool qOdd = std::fmod(std::trunc(x / length), 2.0) != 0;
    switch (mode) {
    case EdgeClamp:
        x = x < 0 ? 0 : length - 1;
        break;
    case EdgeMirror: {
        double d = std::fmod(x, length);
        if (x >= length)
            d = qOdd ? length - d : d;
        else
            d = qOdd ? d + length : -d;
        x = d == length ? almostLength : d;
        break;
    }
    case EdgeWrap:
        if (x >= length) {
            x = std::fmod(x, length);
        } else {
            x = length + std::fmod(x, length);
            if (x == length)
                x = almostLength;
        }
        break;
    default:
        break;
    }
    return false;
}

// Bilinear sample at (x, y), 0 <= x < width, 0 <= y < height; at the right and bottom edges
// the missing neighbours are the edge pixels themselves.
template <class Array, class Accumulator = AccumulatorPixel<Array::MAX>>
Accumulator sampleBilinear(const Array& source, double x, double y)
{
    // Positions outside the precondition are held to the image rather than read beyond it.
    const int ix = std::clamp(truncateToInt(x), 0, source.width - 1);
    const int iy = std::clamp(truncateToInt(y), 0, source.height - 1);
    const double fx = x - ix;
    const double fy = y - iy;
    const int ix1 = ix + 1 == source.width ? ix : ix + 1;
    const int iy1 = iy + 1 == source.height ? iy : iy + 1;
    const auto& p00 = source.at(ix, iy);
    const auto& p10 = source.at(ix1, iy);
    const auto& p11 = source.at(ix1, iy1);
    const auto& p01 = source.at(ix, iy1);
    const double w00 = (1 - fx) * (1 - fy);
    const double w10 = fx * (1 - fy);
    const double w11 = fx * fy;
    const double w01 = (1 - fx) * fy;
    Accumulator out;
    for (int c = 0; c < 4; ++c) {
        out.channels[c] = p00.channels[c] * w00 + p10.channels[c] * w10 +
                          p11.channels[c] * w11 + p01.channels[c] * w01;
    }
    return out;
}

template <class Array, class Accumulator = AccumulatorPixel<Array::MAX>>
class RotateImageFilter : public QuorvaneFilter {
public:
    using QuorvaneFilter::QuorvaneFilter;
    static_assert(Accumulator::MAX == Array::MAX, "the accumulator keeps the image's full scale");

    Array source;
    Array destination;   // any size
    double angle = 0;    // radians
    int edgeMode = EdgeClamp;
    int pass = 0;
    int passCount = 1;

    int run(int pass, int passCount)
    {
        this->pass = pass;
        this->passCount = passCount;
        return iterateRows(destination.height, &RotateImageFilter::processRow);
    }

    int processRow(int y, int count, int threadIndex)
    {
        const int result = host->noError();
        if (!destination.data)
            return result;
        using Channel = typename Array::channel_type;
        const double c = std::cos(angle);
        const double s = std::sin(angle);
        const double dx = 0 - destination.width / 2.0;
        const double dy = y - destination.height / 2.0;
        double sx = source.width / 2.0 + dx * c - dy * s;
        double sy = source.height / 2.0 + dx * s + dy * c;
        const bool haveSource = source.hasPixels();
        auto* out = destination.row(y);
        for (int x = 0; x < destination.width; ++x, sx += c, sy += s) {
            double px = sx;
            double py = sy;
            resolveEdgeCoordinate(edgeMode, source.width, px);
            resolveEdgeCoordinate(edgeMode, source.height, py);
            // A position no edge mode placed inside the source is an absent sample.
            const bool inside = haveSource && px >= 0 && px < source.width && py >= 0 &&
                                py < source.height;
            if (!inside) {
                for (int ch = 0; ch < 4; ++ch)
                    out[x].channels[ch] = Channel(0);
                continue;
            }
            const Accumulator p = sampleBilinear<Array, Accumulator>(source, px, py);
            for (int ch = 0; ch < 4; ++ch)
                out[x].channels[ch] = toChannel<Channel>(p.channels[ch]);
        }
        return reportRow(y, count, pass, passCount, threadIndex);
    }
};

} // namespace quorvane
