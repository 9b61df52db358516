#pragma once
// Settings shared by the box-filter blurs: the radius in pixels of the image at hand and the
// edge mode of an axis, both made safe for any value a caller may hand over.

#include <cmath>

#include "image/EdgeMode.h"

namespace quorvane {

// Radii beyond this many pixels act as this many: the window then spans every image many
// thousand times over, and all index arithmetic stays well inside 32 bits.
constexpr double kMaxPixelRadius = 268435456.0;   // 2^28

// A radius in pixels: NaN, negative and zero give 0, larger than kMaxPixelRadius gives that.
inline double limitPixelRadius(double pixels)
{
    if (!(pixels > 0))
        return 0;
    return pixels < kMaxPixelRadius ? pixels : kMaxPixelRadius;
}

// `radius` in full-resolution square pixels divided by the size of one pixel of the image.
// A pixel size of 0, negative or NaN gives radius 0: such a size describes no image.
inline double pixelRadius(double radius, double pixelSize)
{
    if (!(pixelSize > 0))
        return 0;
    return limitPixelRadius(radius / pixelSize);
}

// Clamp, mirror or wrap; any other value reads as clamp, so no sample is ever taken outside
// the image.
inline int blurEdgeMode(int mode)
{
    return mode == EdgeMirror || mode == EdgeWrap ? mode : EdgeClamp;
}

} // namespace quorvane
