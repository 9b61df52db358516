#pragma once
// Shifts a float image in place by a fraction of a pixel with bilinear mixing, on the
// calling thread. Rows and pixels are visited so that every source pixel is read before it
// is overwritten.

#include <algorithm>

#include "image/ChannelConversion.h"
#include "image/PixelArray.h"
#include "image/QuorvaneFilter.h"

namespace quorvane {

template <class FloatArray>
class MoveSubPixelImageFilter : public QuorvaneFilter {
public:
    using QuorvaneFilter::QuorvaneFilter;

    FloatArray image;
    double shiftX = 0;
    double shiftY = 0;

    int run(int pass, int passCount)
    {
        int result = host->noError();
        if (!image.data || image.width <= 0 || image.height <= 0)
            return result;
        const int w = image.width;
        const int h = image.height;
        const bool down = shiftY >= 0;
        const bool right = shiftX >= 0;
        for (int step = 0; step < h; ++step) {
            const int y = down ? step : h - 1 - step;
            const double sy = y + shiftY;
            // Reads stay inside the image even for shifts beyond one pixel.
            const int ty = truncateToInt(sy);
            const int iy = std::clamp(ty, 0, h - 1);
            const double fy = sy - ty;
            const int iy1 = std::min(iy + 1, h - 1);
            auto* out = image.row(y);
            const auto* row0 = image.row(iy);
            const auto* row1 = image.row(iy1);
            for (int i = 0; i < w; ++i) {
                const int x = right ? i : w - 1 - i;
                const double sx = x + shiftX;
                const int tx = truncateToInt(sx);
                const int ix = std::clamp(tx, 0, w - 1);
                const double fx = sx - tx;
                const int ix1 = std::min(ix + 1, w - 1);
                const double w00 = (1 - fx) * (1 - fy);
                const double w10 = fx * (1 - fy);
                const double w01 = (1 - fx) * fy;
                const double w11 = fx * fy;
                for (int c = 0; c < 4; ++c) {
                    out[x].channels[c] = static_cast<float>(
                        row0[ix].channels[c] * w00 + row0[ix1].channels[c] * w10 +
                        row1[ix].channels[c] * w01 + row1[ix1].channels[c] * w11);
                }
            }
            result = host->progress(pass * h + y, passCount * h, 0);
            if (result != host->noError())
                return result;
        }
        return result;
    }
};

} // namespace quorvane
